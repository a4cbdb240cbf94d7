// Runs every benchmark, then sets SetView against its reference anchor
// (microseconds per call of each and the reference's time over SetView's)
// and ends with a table of each figure against its anchor and its goal.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "bench_figures.h"
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
            const Timing* reference = nullptr;
            const Timing* fast = nullptr;
            if (!FindSetViewTimings(i, fast, reference)) {
                continue;
            }
            if (!header) {
                std::printf("\nSetView against the reference, microseconds per call "
                            "(real / CPU), ratio of CPU times\n");
                std::printf("%-24s %21s %21s %8s\n", "request", "reference", "SetView", "ratio");
                header = true;
            }
            const Timing& r = *reference;
            const Timing& f = *fast;
            std::printf("%-24s %10.2f / %8.2f %10.2f / %8.2f %7.1fx\n", kSetViewRequests[i].label,
                        r.realMicroseconds, r.cpuMicroseconds, f.realMicroseconds,
                        f.cpuMicroseconds, r.cpuMicroseconds / f.cpuMicroseconds);
        }
    }

    // SetView's CPU time per call and the reference's, for request i; false
    // when either did not run.
    bool SetViewTimes(size_t i, double& setView, double& reference) const
    {
        const Timing* f = nullptr;
        const Timing* r = nullptr;
        if (!FindSetViewTimings(i, f, r)) {
            return false;
        }
        setView = f->cpuMicroseconds;
        reference = r->cpuMicroseconds;
        return true;
    }

private:
    // The timings of SetView and of the reference for request i; false when
    // either did not run.
    bool FindSetViewTimings(size_t i, const Timing*& setView, const Timing*& reference) const
    {
        const auto r = timings_.find("BM_SetViewReference/" + std::to_string(i));
        const auto f = timings_.find("BM_SetView/" + std::to_string(i));
        if (r == timings_.end() || f == timings_.end()) {
            return false;
        }
        setView = &f->second;
        reference = &r->second;
        return true;
    }

    std::map<std::string, Timing> timings_;
};

// Rows of 4 bytes per pixel that a load may take beyond its tiles: the
// loader's batch of decoded rows and the decoder's own row buffers.
constexpr double kHeapRowsGoal = 32;

void PrintLoadRow(const char* label, uint32_t width, uint32_t height)
{
    const LoadFigures& f = LoadFiguresOf(width, height);
    if (f.loadSeconds <= 0) {
        return;
    }
    char figure[64];
    std::snprintf(figure, sizeof figure, "%s %ux%u", label, width, height);
    std::printf("%-34s %9.1f ms   in-process decode %9.1f ms  %7.3fx   <= 1.1x\n", figure,
                f.loadSeconds * 1e3, f.anchorSeconds * 1e3, f.loadSeconds / f.anchorSeconds);
}

// Making the chains against the decode, per MiB each writes.
void PrintMipLevelRow(uint32_t width, uint32_t height)
{
    const LoadFigures& f = LoadFiguresOf(width, height);
    if (f.mipLevelSeconds <= 0) {
        return;
    }
    const double levels = f.mipLevelSeconds * 1e3 / (f.mipLevelBytes / 1048576.0);
    const double decode = f.mipDecodeSeconds * 1e3 / (4.0 * width * height / 1048576.0);
    char figure[64];
    std::snprintf(figure, sizeof figure, "mip levels %ux%u, per MiB", width, height);
    std::printf("%-34s %9.2f ms   its decode        %9.2f ms  %7.3fx   <= 1.25x\n", figure,
                levels, decode, levels / decode);
}

void PrintSetViewRow(const RatioReporter& reporter, size_t request, const char* goal)
{
    double setView = 0, reference = 0;
    if (!reporter.SetViewTimes(request, setView, reference)) {
        return;
    }
    char figure[64];
    std::snprintf(figure, sizeof figure, "SetView %s", kSetViewRequests[request].label);
    std::printf("%-34s %9.2f us   reference         %9.2f us  %6.1fx faster   %s\n", figure, setView,
                reference, reference / setView, goal);
}

void PrintHeapRow(uint32_t width, uint32_t height)
{
    const LoadFigures& f = LoadFiguresOf(width, height);
    if (f.peakHeapBytes == 0) {
        return;
    }
    const double tiles = 4.0 * width * height;
    const double bound = tiles + kHeapRowsGoal * 4.0 * width;
    char figure[64];
    std::snprintf(figure, sizeof figure, "heap of a load %ux%u", width, height);
    std::printf("%-34s %8.2f MiB  4 B/px + %2.0f rows   %8.2f MiB %7.3fx   <= 1x "
                "(%.1f rows over 4 B/px)\n",
                figure, f.peakHeapBytes / 1048576.0, kHeapRowsGoal, bound / 1048576.0,
                f.peakHeapBytes / bound, (f.peakHeapBytes - tiles) / (4.0 * width));
}

void PrintSummary(const RatioReporter& reporter)
{
    std::printf("\nEach figure against its anchor (loads: best of the runs; SetView: mean CPU "
                "time per call)\n");
    std::printf("%-34s %12s   %-30s %8s   %s\n", "figure", "measured", "anchor", "ratio", "goal");
    PrintLoadRow("load", 8192, 4096);
    PrintLoadRow("load harbour", 2605, 635);
    PrintMipLevelRow(8192, 4096);
    PrintMipLevelRow(11469, 5734);
    PrintSetViewRow(reporter, 0, "<= 20 us");
    PrintSetViewRow(reporter, 2, "<= 20 us, >= 15x faster");
    PrintHeapRow(8192, 4096);
    PrintHeapRow(2605, 635);
}

}  // namespace

int main(int argc, char** argv)
{
    // A viewer loads its image once, in a fresh process, where glibc hands
    // out every large block as new pages from the system. Fixing the mmap
    // threshold at its starting value keeps it so for every repeated load
    // and anchor run, instead of letting later runs reuse freed pages and
    // skip the page faults a real load pays.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.PrintSetViewRatios();
    PrintSummary(reporter);
    return 0;
}
