// Decode-and-tile of the sample and of an 8192 x 4096 panorama, against an
// in-process decode of the same file into one buffer (the anchor, measured
// in the same run, alternating with the loads) and against libjpeg-turbo's
// own djpeg; and the heap a load takes beyond 4 bytes per pixel.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>

#include "bench_figures.h"
#include "decode_anchor.h"
#include "display/named_texture.h"
#include "heap_tracker.h"
#include "tools/common/file_io.h"
#include "tools/samplegen/sample_pattern.h"
#include "viewer/image_memory.h"
#include "viewer/panorama_image.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct BenchImage {
    std::string path;
    uint32_t width, height;
};

const BenchImage& ImageOf(uint32_t width, uint32_t height)
{
    static std::map<std::pair<uint32_t, uint32_t>, BenchImage> images;
    auto found = images.find({width, height});
    if (found == images.end()) {
        std::vector<uint8_t> jpeg;
        MakeSampleJpeg(SampleOptions{width, height, false, {}}, jpeg);
        const std::string path =
            "/tmp/panoview-bench-" + std::to_string(width) + "x" + std::to_string(height) + ".jpg";
        std::string error;
        if (!WriteFileAtomically(path, {&jpeg}, false, error)) {
            std::fprintf(stderr, "pano_bench: %s\n", error.c_str());
            std::exit(1);
        }
        found = images.emplace(std::make_pair(width, height), BenchImage{path, width, height}).first;
    }
    return found->second;
}

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
    const BenchImage& image =
        ImageOf(static_cast<uint32_t>(state.range(0)), static_cast<uint32_t>(state.range(1)));
    double best = 1e9;
    double bestAnchor = 1e9;
    size_t peakBytes = 0;
    for (auto _ : state) {
        PanoramaImage tiles;
        ResetHeapPeak();
        const size_t before = HeapInUse();
        const auto start = Clock::now();
        const bool loaded = LoadPanorama(tiles, image.path.c_str(), 0, ImageMemoryLimit(kLargeAddressSpace));
        const double seconds = Seconds(Clock::now() - start);
        best = std::min(best, seconds);
        peakBytes = std::max(peakBytes, HeapPeak() - before);
        state.SetIterationTime(seconds);
        if (!loaded) {
            state.SkipWithError("load failed");
        }
        DestroyAllNamedTextures();
        bestAnchor = std::min(bestAnchor, DecodeAnchorSeconds(image.path));
    }
    const double djpeg = DjpegSeconds(image.path);
    const double pixels = 4.0 * image.width * image.height;
    state.counters["best_ms"] = best * 1e3;
    state.counters["anchor_ms"] = bestAnchor * 1e3;
    state.counters["vs_anchor"] = best / bestAnchor;
    state.counters["djpeg_ms"] = djpeg * 1e3;
    state.counters["vs_djpeg"] = djpeg > 0 ? best / djpeg : 0;
    state.counters["peak_MiB"] = peakBytes / 1048576.0;
    state.counters["rows_over_4Bpx"] = (peakBytes - pixels) / (4.0 * image.width);
    LoadFigures& figures = LoadFiguresOf(image.width, image.height);
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
