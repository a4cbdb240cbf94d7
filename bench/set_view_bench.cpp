// SetView per call on the sample panorama in an 800 x 600 viewport: at a pan
// limit, where both corner searches walk, and in the middle.
#include <benchmark/benchmark.h>

#include "sample_scene.h"

namespace {

void BM_SetView(benchmark::State& state)
{
    Scene scene;
    BuildScene(scene, SampleCylinderSettings(), 2605, 635);
    const ViewLimits limits = scene.Limits(800, 600);
    const double pan = DegreesToRadians(state.range(0) ? 58.0 : 30.0);
    for (auto _ : state) {
        SetView(limits, pan, DegreesToRadians(3), DegreesToRadians(10), scene.view);
        benchmark::DoNotOptimize(scene.view);
    }
    state.SetLabel(state.range(0) ? "at the right pan limit" : "in the middle");
}

}  // namespace

BENCHMARK(BM_SetView)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
