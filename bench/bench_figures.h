// Figures the benchmarks leave for the closing table of bench_main.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

struct LoadFigures {
    uint32_t width = 0;
    uint32_t height = 0;
    double loadSeconds = 0;    // best of the loads
    double anchorSeconds = 0;  // best of the in-process decodes of the same file
    size_t peakHeapBytes = 0;  // most heap one load took
};

// The figures of the load of a width x height image; zeros until measured.
LoadFigures& LoadFiguresOf(uint32_t width, uint32_t height);
