// The times between a run's frames, told apart: ordinary frames, and those
// during a slideshow's switch (the next panorama decoded, its mesh and
// textures made, the crossfade, the switch itself). The stage trace reports
// them after each switch and at the end, so that a switch can be shown to
// keep to the ordinary beat.
#pragma once

#include <cstdint>

class FrameTimes {
public:
    // One frame time, in microseconds.
    void Add(uint32_t us, bool switching);

    // The median of the ordinary frames (to the bucket's width); 0 when none.
    uint32_t OrdinaryMedianUs() const;
    uint32_t LongestOrdinaryUs() const { return longestOrdinary_; }
    uint32_t LongestSwitchingUs() const { return longestSwitching_; }
    uint32_t SwitchingFrames() const { return switchingFrames_; }
    // The longest frame of a switch since the last call; the next switch
    // counts anew.
    uint32_t TakeLongestOfSwitchUs();

private:
    static constexpr uint32_t kBucketUs = 100;
    static constexpr uint32_t kBuckets = 2000;  // up to 200 ms; longer ones in the last

    uint32_t ordinary_[kBuckets] = {};
    uint32_t ordinaryFrames_ = 0;
    uint32_t longestOrdinary_ = 0;
    uint32_t longestSwitching_ = 0;
    uint32_t switchingFrames_ = 0;
    uint32_t longestOfSwitch_ = 0;
};
