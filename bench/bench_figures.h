// Figures the benchmarks leave for the closing table of bench_main.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct LoadFigures {
    uint32_t width = 0;
    uint32_t height = 0;
    double loadSeconds = 0;    // best of the loads
    double anchorSeconds = 0;  // best of the in-process decodes of the same file
    size_t peakHeapBytes = 0;  // most heap one load took
    double mipLevelSeconds = 0;   // best of the tiles' chains made after a load
    double mipDecodeSeconds = 0;  // best of the loads those chains were made after
    uint64_t mipLevelBytes = 0;   // what making the chains writes
};

// The figures of the load of a width x height image; zeros until measured.
LoadFigures& LoadFiguresOf(uint32_t width, uint32_t height);

// A baseline JPEG of the sample pattern at that size, made once per run.
const std::string& BenchImagePath(uint32_t width, uint32_t height);
