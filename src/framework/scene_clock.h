// The framework's scene clock: milliseconds since start-up, not counting the
// time it was stopped (paused, or while the window was moved or sized). All
// arithmetic is unsigned 32-bit, so it survives the tick counter's wrap.
#pragma once

#include <cstdint>

struct SceneClock {
    uint32_t clockBase = 0;  // the tick that counts as scene time zero
    uint32_t clockStop = 0;  // the tick at which the clock was last stopped

    void Start(uint32_t now) { clockBase = now; }
    void Stop(uint32_t now) { clockStop = now; }
    void Resume(uint32_t now) { clockBase += now - clockStop; }
    // Scene time in seconds, in single precision.
    float Seconds(uint32_t now) const { return static_cast<float>(now - clockBase) * 0.001f; }
};
