// SetView per call on the sample panorama in an 800 x 600 viewport, at
// tilt 3 and field of view 10 degrees: at the left pan limit (2 degrees
// requested), in the middle (30) and at the right limit (58), where the
// corner searches walk. The earlier SetView, which tests every triangle for
// every corner ray, runs the same requests as the anchor; bench_main.cpp
// prints how many times faster SetView is.
#include <benchmark/benchmark.h>

#include "sample_scene.h"
#include "set_view_bench.h"
#include "set_view_reference.h"

namespace {

using SetViewFunction = void (*)(const ViewLimits&, double, double, double, ViewState&);

void RunSetView(benchmark::State& state, SetViewFunction setView)
{
    Scene scene;
    BuildScene(scene, SampleCylinderSettings(), 2605, 635);
    const ViewLimits limits = scene.Limits(800, 600);
    const SetViewRequest& request = kSetViewRequests[state.range(0)];
    const double pan = DegreesToRadians(request.panDegrees);
    for (auto _ : state) {
        setView(limits, pan, DegreesToRadians(3), DegreesToRadians(10), scene.view);
        benchmark::DoNotOptimize(scene.view);
    }
    state.SetLabel(request.label);
}

void BM_SetViewReference(benchmark::State& state)
{
    RunSetView(state, set_view_reference::SetView);
}

void BM_SetView(benchmark::State& state) { RunSetView(state, SetView); }

}  // namespace

BENCHMARK(BM_SetViewReference)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetView)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);
