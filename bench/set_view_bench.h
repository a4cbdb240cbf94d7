// The SetView requests the benchmark makes, shared with the ratio report.
#pragma once

struct SetViewRequest {
    const char* label;
    double panDegrees;
};

inline constexpr SetViewRequest kSetViewRequests[] = {
    {"at the left pan limit", 2},
    {"in the middle", 30},
    {"at the right pan limit", 58},
};
