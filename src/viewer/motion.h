// The frame step: everything that moves the view, once per frame. Measures
// the frame time on the viewer's own clock, turns the drag into a velocity
// with optional inertia, applies key and wheel targets, starts automatic
// motion after the idle delay and bounces it at the limits.
#pragma once

#include <cstdint>

#include "package/pano_settings.h"
#include "viewer/navigation.h"
#include "viewer/view_limits.h"

struct MotionState {
    uint32_t lastFrameMs = 0;  // 0: no step yet
    uint32_t frameTimes[4] = {};
    int32_t frameTimeIndex = 0;
    double inertiaSeconds = 0;
    double dragFactor = 1;
    int32_t autoMotionEnabled = 0;
    double autoPanRate = 0;
    double autoTiltRate = 0;
    double autoZoomRate = 1;
    double idleDelayMs = 0;
};

MotionState MotionFromSettings(const ViewerSettings& settings);

// What the frame step needs from the platform.
class MotionPlatform {
public:
    virtual void SleepOneMillisecond() = 0;
    virtual void ApplyCursor(CursorAction action, int cursor) = 0;

protected:
    ~MotionPlatform() = default;
};

// The longest time one frame counts for: after a pause the view moves on by
// about one ordinary step instead of catching up the paused time.
constexpr uint32_t kMaxFrameMs = 250;
// A clock difference this large is the wall clock set back, not a frame.
constexpr uint32_t kClockStepBackMs = 0x80000000u;

// Frame time bookkeeping of one step at now: returns the average of the
// non-zero recent frame times (5 when there are none) and the step's time,
// which is now + 1 when the previous step fell into the same millisecond.
// A frame counts for at most kMaxFrameMs; one that went back in time for 0.
struct FrameTiming {
    uint32_t averageMs;
    uint32_t now;
};
FrameTiming MeasureFrame(MotionState& motion, uint32_t now, MotionPlatform& platform);

// One frame step; view is stored through SetView with limits.
void StepMotion(MotionState& motion, InputState& input, ViewState& view, const ViewLimits& limits,
                uint32_t now, bool screensaverMode, MotionPlatform& platform);

// StillForMs when nothing is due.
constexpr uint32_t kStillForever = 0xFFFFFFFF;

// How long frame steps would leave the view and the cursor as they are if
// no input arrived: 0 while the view moves (a drag, coasting, a key target,
// automatic motion); otherwise the milliseconds until the cursor hides, a
// second after the pointer stopped, or automatic motion starts after the
// idle delay, whichever comes first; kStillForever when neither is due.
uint32_t StillForMs(const MotionState& motion, const InputState& input, uint32_t now,
                    bool screensaverMode);
