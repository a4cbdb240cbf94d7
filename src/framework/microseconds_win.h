// The performance counter in microseconds, for timing frames and work.
#pragma once

#include <windows.h>

#include <cstdint>

inline int64_t MicrosecondsNow()
{
    static const int64_t frequency = [] {
        LARGE_INTEGER perSecond;
        QueryPerformanceFrequency(&perSecond);
        return perSecond.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}
