#include "viewer/frame_times.h"

#include <algorithm>

bool FrameTimes::Add(uint32_t us, bool switching)
{
    const uint32_t bucket = std::min(us / kBucketUs, kBuckets - 1);
    if (switching) {
        ++switching_[bucket];
        ++switchingFrames_;
        longestSwitching_ = std::max(longestSwitching_, us);
        const bool longest = us >= longestOfSwitch_;
        longestOfSwitch_ = std::max(longestOfSwitch_, us);
        return longest;
    }
    ++ordinary_[bucket];
    ++ordinaryFrames_;
    longestOrdinary_ = std::max(longestOrdinary_, us);
    return false;
}

uint32_t FrameTimes::Percentile(const uint32_t (&buckets)[kBuckets], uint32_t frames,
                               uint32_t percent)
{
    uint64_t seen = 0;
    for (uint32_t bucket = 0; frames > 0 && bucket < kBuckets; ++bucket) {
        seen += buckets[bucket];
        if (100 * seen >= uint64_t{percent} * frames) {
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
