// Runs every benchmark, then sets SetView against its reference anchor:
// microseconds per call of each and the reference's time over SetView's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "set_view_bench.h"

namespace {

struct Timing {
    double realMicroseconds = 0;
    double cpuMicroseconds = 0;
};

// Prints as usual and keeps the SetView timings.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                // Times come in the benchmark's unit: microseconds here.
                timings_[run.benchmark_name()] = {run.GetAdjustedRealTime(),
                                                  run.GetAdjustedCPUTime()};
            }
        }
    }

    void PrintSetViewRatios() const
    {
        bool header = false;
        for (size_t i = 0; i < std::size(kSetViewRequests); ++i) {
            const auto reference = timings_.find("BM_SetViewReference/" + std::to_string(i));
            const auto fast = timings_.find("BM_SetView/" + std::to_string(i));
            if (reference == timings_.end() || fast == timings_.end()) {
                continue;
            }
            if (!header) {
                std::printf("\nSetView against the reference, microseconds per call "
                            "(real / CPU), ratio of CPU times\n");
                std::printf("%-24s %21s %21s %8s\n", "request", "reference", "SetView", "ratio");
                header = true;
            }
            const Timing& r = reference->second;
            const Timing& f = fast->second;
            std::printf("%-24s %10.2f / %8.2f %10.2f / %8.2f %7.1fx\n", kSetViewRequests[i].label,
                        r.realMicroseconds, r.cpuMicroseconds, f.realMicroseconds,
                        f.cpuMicroseconds, r.cpuMicroseconds / f.cpuMicroseconds);
        }
    }

private:
    std::map<std::string, Timing> timings_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.PrintSetViewRatios();
    return 0;
}
