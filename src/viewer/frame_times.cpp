#include "viewer/frame_times.h"

#include <algorithm>

void FrameTimes::Add(uint32_t us, bool switching)
{
    if (switching) {
        ++switchingFrames_;
        longestSwitching_ = std::max(longestSwitching_, us);
        longestOfSwitch_ = std::max(longestOfSwitch_, us);
        return;
    }
    ++ordinary_[std::min(us / kBucketUs, kBuckets - 1)];
    ++ordinaryFrames_;
    longestOrdinary_ = std::max(longestOrdinary_, us);
}

uint32_t FrameTimes::OrdinaryMedianUs() const
{
    uint32_t seen = 0;
    for (uint32_t bucket = 0; bucket < kBuckets; ++bucket) {
        seen += ordinary_[bucket];
        if (2 * seen > ordinaryFrames_) {
            return bucket * kBucketUs + kBucketUs / 2;
        }
    }
    return 0;
}

uint32_t FrameTimes::TakeLongestOfSwitchUs()
{
    const uint32_t longest = longestOfSwitch_;
    longestOfSwitch_ = 0;
    return longest;
}
