// SetView per call on the sample panorama in an 800 x 600 viewport: at a pan
// limit, where both corner searches walk, and in the middle.
#include <benchmark/benchmark.h>

#include "package/pano_settings.h"
#include "viewer/panorama_mesh.h"
#include "viewer/view_limits.h"

namespace {

void BM_SetView(benchmark::State& state)
{
    PanoSettings s{};
    s.panMax = 60.21178439798647;
    s.tiltMin = -7.298931280803325;
    s.tiltMax = 7.298931280803325;
    s.fovMin = 5;
    s.fovMax = 165;
    const ViewerSettings converted = ConvertSettings(s);
    PanoramaImage image;
    image.imageWidth = 2605;
    image.imageHeight = 635;
    image.tileColumns = 2;
    image.tileCount = 2;
    PanoramaMesh mesh;
    BuildPanoramaMesh(mesh, converted.extent, image);
    const ViewLimits limits{converted.extent, mesh, 1, 2, 800, 600};
    const double pan = DegreesToRadians(state.range(0) ? 58.0 : 30.0);
    ViewState view{};
    for (auto _ : state) {
        SetView(limits, pan, DegreesToRadians(3), DegreesToRadians(10), view);
        benchmark::DoNotOptimize(view);
    }
    state.SetLabel(state.range(0) ? "at the right pan limit" : "in the middle");
}

}  // namespace

BENCHMARK(BM_SetView)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
