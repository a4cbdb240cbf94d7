// Making the tiles' mip chains, against the decode of the same image into
// its tiles (the anchor, measured in the same run): an image whose tiles
// are powers of two, which only averages, and one whose tiles are
// resampled first. Both mostly write fresh memory, so they are compared
// per byte written: a chain of a resampled tile is 2.7 times its pixels.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "bench_figures.h"
#include "display/mip_levels.h"
#include "viewer/image_memory.h"
#include "viewer/panorama_image.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_MipLevels(benchmark::State& state)
{
    const uint32_t width = static_cast<uint32_t>(state.range(0));
    const uint32_t height = static_cast<uint32_t>(state.range(1));
    const std::string path = BenchImagePath(width, height);
    double best = 1e9, bestDecode = 1e9;
    LoadFigures& figures = LoadFiguresOf(width, height);
    for (auto _ : state) {
        PanoramaImage tiles;
        auto start = Clock::now();
        if (!LoadPanorama(tiles, path.c_str(), 0, ImageMemoryLimit(kLargeAddressSpace)).loaded) {
            state.SkipWithError("load failed");
            break;
        }
        bestDecode = std::min(bestDecode, SecondsSince(start));
        uint64_t written = 0;
        for (const NamedTexture* texture = namedTextureList; texture; texture = texture->next) {
            const uint64_t top = uint64_t{NextPowerOfTwo(texture->width)} * NextPowerOfTwo(texture->height);
            const bool resampled = top != uint64_t{texture->width} * texture->height;
            written += MipChainPixels(NextPowerOfTwo(texture->width), NextPowerOfTwo(texture->height)) -
                       (resampled ? 0 : top);
        }
        start = Clock::now();
        for (NamedTexture* texture = namedTextureList; texture; texture = texture->next) {
            BuildMipLevels(*texture);
        }
        const double seconds = SecondsSince(start);
        figures.mipLevelBytes = written * 4;
        best = std::min(best, seconds);
        state.SetIterationTime(seconds);
        DestroyAllNamedTextures();
    }
    state.counters["decode_ms"] = bestDecode * 1e3;
    state.counters["vs_decode"] = best / bestDecode;
    figures.mipLevelSeconds = best;
    figures.mipDecodeSeconds = bestDecode;
}

}  // namespace

BENCHMARK(BM_MipLevels)
    ->Args({8192, 4096})
    ->Args({11469, 5734})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(2.0);
