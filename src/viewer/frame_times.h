// The times between a run's frames, told apart: ordinary frames, and those
// during a slideshow's switch (the next panorama decoded, its mesh and
// textures made, the crossfade, the switch itself). The stage trace reports
// them after each switch and at the end, so that a switch can be shown to
// keep to the ordinary beat.
#pragma once

#include <cstdint>

class FrameTimes {
public:
    // One frame time, in microseconds; true when it is the longest of the
    // switch so far (a switching frame no shorter than the others).
    bool Add(uint32_t us, bool switching);

    // The median of the ordinary frames (to the bucket's width); 0 when none.
    uint32_t OrdinaryMedianUs() const { return Percentile(ordinary_, ordinaryFrames_, 50); }
    // The time 99 in 100 frames keep to, of each kind: a switch's frames
    // beside the ordinary ones' own spread, which a busy machine widens.
    uint32_t OrdinaryP99Us() const { return Percentile(ordinary_, ordinaryFrames_, 99); }
    uint32_t SwitchingP99Us() const { return Percentile(switching_, switchingFrames_, 99); }
    uint32_t LongestOrdinaryUs() const { return longestOrdinary_; }
    uint32_t LongestSwitchingUs() const { return longestSwitching_; }
    uint32_t SwitchingFrames() const { return switchingFrames_; }
    // The longest frame of a switch since the last call; the next switch
    // counts anew.
    uint32_t TakeLongestOfSwitchUs();

private:
    static constexpr uint32_t kBucketUs = 100;
    static constexpr uint32_t kBuckets = 2000;  // up to 200 ms; longer ones in the last

    // The middle of the bucket that holds the frame percent in 100 of the
    // frames are no longer than (nearest rank); 0 when none.
    static uint32_t Percentile(const uint32_t (&buckets)[kBuckets], uint32_t frames,
                               uint32_t percent);

    uint32_t ordinary_[kBuckets] = {};
    uint32_t switching_[kBuckets] = {};
    uint32_t ordinaryFrames_ = 0;
    uint32_t longestOrdinary_ = 0;
    uint32_t longestSwitching_ = 0;
    uint32_t switchingFrames_ = 0;
    uint32_t longestOfSwitch_ = 0;
};
