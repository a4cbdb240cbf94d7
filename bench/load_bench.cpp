// Decode-and-tile of the sample and of an 8192 x 4096 panorama, against an
// in-process decode of the same file into one buffer (the anchor, measured
// in the same run, alternating with the loads) and against libjpeg-turbo's
// own djpeg; and the heap a load takes beyond 4 bytes per pixel.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>

#include "bench_figures.h"
#include "decode_anchor.h"
#include "display/named_texture.h"
#include "heap_tracker.h"
#include "viewer/image_memory.h"
#include "viewer/panorama_image.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The fastest of five runs of djpeg decoding the file to /dev/null.
double DjpegSeconds(const std::string& path)
{
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        const char* argv[] = {"djpeg", "-outfile", "/dev/null", path.c_str(), nullptr};
        const auto start = Clock::now();
        pid_t pid = 0;
        if (posix_spawnp(&pid, "djpeg", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
            return 0;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        best = std::min(best, Seconds(Clock::now() - start));
    }
    return best;
}

void BM_LoadPanorama(benchmark::State& state)
{
    const uint32_t width = static_cast<uint32_t>(state.range(0));
    const uint32_t height = static_cast<uint32_t>(state.range(1));
    const std::string& path = BenchImagePath(width, height);
    double best = 1e9;
    double bestAnchor = 1e9;
    size_t peakBytes = 0;
    for (auto _ : state) {
        PanoramaImage tiles;
        ResetHeapPeak();
        const size_t before = HeapInUse();
        const auto start = Clock::now();
        const bool loaded = LoadPanorama(tiles, path.c_str(), 0, ImageMemoryLimit(kLargeAddressSpace)).loaded;
        const double seconds = Seconds(Clock::now() - start);
        best = std::min(best, seconds);
        peakBytes = std::max(peakBytes, HeapPeak() - before);
        state.SetIterationTime(seconds);
        if (!loaded) {
            state.SkipWithError("load failed");
        }
        DestroyAllNamedTextures();
        bestAnchor = std::min(bestAnchor, DecodeAnchorSeconds(path));
    }
    const double djpeg = DjpegSeconds(path);
    const double pixels = 4.0 * width * height;
    state.counters["best_ms"] = best * 1e3;
    state.counters["anchor_ms"] = bestAnchor * 1e3;
    state.counters["vs_anchor"] = best / bestAnchor;
    state.counters["djpeg_ms"] = djpeg * 1e3;
    state.counters["vs_djpeg"] = djpeg > 0 ? best / djpeg : 0;
    state.counters["peak_MiB"] = peakBytes / 1048576.0;
    state.counters["rows_over_4Bpx"] = (peakBytes - pixels) / (4.0 * width);
    LoadFigures& figures = LoadFiguresOf(width, height);
    figures.loadSeconds = best;
    figures.anchorSeconds = bestAnchor;
    figures.peakHeapBytes = peakBytes;
}

}  // namespace

BENCHMARK(BM_LoadPanorama)
    ->Args({2605, 635})
    ->Args({8192, 4096})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(2.0);
