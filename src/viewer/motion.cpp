#include "viewer/motion.h"

#include <algorithm>
#include <cmath>

namespace {

bool OppositeSigns(double a, double b)
{
    return (a < 0 && b > 0) || (a > 0 && b < 0);
}

void ShowCursor(InputState& input, int32_t dx, int32_t dy, bool active, uint32_t now,
                bool screensaverMode, MotionPlatform& platform)
{
    const CursorAction action = SelectNavigationCursor(input, dx, dy, active, now, screensaverMode);
    platform.ApplyCursor(action, input.currentCursor);
}

int32_t Truncate(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int32_t>(std::trunc(std::clamp(value, -2e9, 2e9)));
}

// A velocity that a corrupt drag factor made infinite or NaN would never
// decay, and automatic motion would never start again.
double FiniteOrZero(double value)
{
    return std::isfinite(value) ? value : 0;
}

// One inertia step from velocity towards goal: the fraction of the gap closed
// grows with the frame time; a frame longer than half the inertia time closes
// the whole gap, never more, so a short inertia cannot swing the velocity
// past its goal and further away each frame.
double ApproachGoal(double velocity, double goal, double inertiaSeconds, double frameMs)
{
    if (frameMs / 1000 >= inertiaSeconds / 2) {
        return goal;
    }
    return velocity + (goal - velocity) / (inertiaSeconds / 2) * frameMs / 1000;
}

// Milliseconds from now until delayMs have passed since from; 0 once they
// have, kStillForever for a delay that never ends (NaN or beyond the clock).
uint32_t MsUntil(uint32_t from, double delayMs, uint32_t now)
{
    if (!(delayMs < kStillForever)) {
        return kStillForever;
    }
    const double left = delayMs - (now - from);
    return left > 0 ? static_cast<uint32_t>(std::ceil(left)) : 0;
}

// A drag velocity, held as a pointer offset in pixels: an offset of half the
// viewport width turns the view by one field of view per second.
struct Velocity {
    double x = 0;
    double y = 0;
};

// A drag takes over from the key target; without a drag it holds only until
// 700 ms after the last interaction.
void ExpireKeyTarget(InputState& input, uint32_t t)
{
    if (input.dragging) {
        input.keyTargetActive = false;
    }
    if (input.keyTargetActive && t - input.lastInteractionMs >= 700) {
        input.keyTargetActive = false;
    }
}

// The velocity a drag asks for: the pointer's offset from the anchor, at most
// h either way, times the drag factor, where 2 pixels or less count as none.
// Coasting asks for none, so it brakes.
Velocity DragGoal(const MotionState& motion, InputState& input, double h, uint32_t t)
{
    double dx = 0, dy = 0;
    if (input.dragging) {
        dx = static_cast<double>(input.pointerX) - input.anchorX;
        dy = static_cast<double>(input.pointerY) - input.anchorY;
        input.lastPointerMoveMs = t;
    } else {
        input.lastInteractionMs = t;  // coasting counts as interaction
    }
    dx = std::clamp(dx, -h, h) * motion.dragFactor;
    dy = std::clamp(dy, -h, h) * motion.dragFactor;
    if (std::fabs(dx) <= 2) {
        dx = 0;
    }
    if (std::fabs(dy) <= 2) {
        dy = 0;
    }
    return {dx, dy};
}

// One inertia step of the stored velocity towards the drag goal; without a
// goal it brakes towards the reverse of the velocity and stops at zero.
Velocity ApplyInertia(const MotionState& motion, const InputState& input, Velocity goal, double avg)
{
    // A negative or NaN inertia time from a damaged record means none.
    if (!(motion.inertiaSeconds > 0)) {
        return goal;
    }
    const bool braking = goal.x == 0 && goal.y == 0;
    const double goalX = braking ? -input.velocityX : goal.x;
    const double goalY = braking ? -input.velocityY : goal.y;
    const double s = std::min(avg, 1000.0);
    Velocity v{ApproachGoal(input.velocityX, goalX, motion.inertiaSeconds, s),
               ApproachGoal(input.velocityY, goalY, motion.inertiaSeconds, s)};
    if (braking) {
        if (OppositeSigns(v.x, input.velocityX)) {
            v.x = 0;
        }
        if (OppositeSigns(v.y, input.velocityY)) {
            v.y = 0;
        }
    }
    return v;
}

// A drag sets the velocity outright; coasting only slows it, and a component
// that would reverse stops instead.
void StoreVelocity(InputState& input, Velocity v)
{
    if (input.dragging) {
        input.velocityX = v.x;
        input.velocityY = v.y;
    } else {
        if (input.velocityX != 0) {
            input.velocityX = OppositeSigns(v.x, input.velocityX) ? 0 : v.x;
        }
        if (input.velocityY != 0) {
            input.velocityY = OppositeSigns(v.y, input.velocityY) ? 0 : v.y;
        }
    }
}

// The velocity of this frame from a drag or coasting, with inertia, and the
// cursor that shows it; zero when neither is going on. Below half a pixel in
// both directions the view stops.
Velocity StepVelocity(const MotionState& motion, InputState& input, double h, double avg,
                      uint32_t t, bool screensaverMode, MotionPlatform& platform)
{
    if (!(input.dragging || input.velocityX != 0 || input.velocityY != 0)) {
        return {};
    }
    const Velocity goal = DragGoal(motion, input, h, t);
    ShowCursor(input, Truncate(goal.x), Truncate(goal.y), input.dragging, t, screensaverMode,
               platform);
    Velocity v = ApplyInertia(motion, input, goal, avg);
    v.x = FiniteOrZero(v.x);
    v.y = FiniteOrZero(v.y);
    if (std::fabs(v.x) < 0.5 && std::fabs(v.y) < 0.5) {
        v = {};
    }
    StoreVelocity(input, v);
    return v;
}

// Automatic motion starts once the view has been left alone for the idle
// delay, or at once when nothing has touched it yet.
void StartAutoMotionWhenIdle(const MotionState& motion, InputState& input, Velocity v, uint32_t t)
{
    if (!input.dragging && v.x == 0 && v.y == 0 && !input.keyTargetActive &&
        (input.lastInteractionMs == kNever || t - input.lastInteractionMs >= motion.idleDelayMs) &&
        motion.autoMotionEnabled != 0) {
        input.autoActive = true;
    }
}

// One frame of automatic motion: pan wraps around the full circle; a
// component that the limits held back reverses, so the motion bounces.
void StepAutoMotion(MotionState& motion, ViewState& view, const ViewLimits& limits, double avg)
{
    const double s = avg / 1000;
    double pan = view.pan + motion.autoPanRate * s;
    const double tilt = view.tilt + motion.autoTiltRate * s;
    if (motion.autoZoomRate == 0) {
        motion.autoZoomRate = 1;
    }
    const double fov = view.fov * (s * (motion.autoZoomRate - 1) + 1);
    if (pan < 0) {
        pan += kTwoPi;
    } else if (pan >= kTwoPi) {
        pan -= kTwoPi;
    }
    SetView(limits, pan, tilt, fov, view);
    if ((motion.autoPanRate < 0 && view.pan > pan) || (motion.autoPanRate > 0 && view.pan < pan)) {
        motion.autoPanRate = -motion.autoPanRate;
    }
    if ((motion.autoTiltRate < 0 && view.tilt > tilt) ||
        (motion.autoTiltRate > 0 && view.tilt < tilt)) {
        motion.autoTiltRate = -motion.autoTiltRate;
    }
    if ((motion.autoZoomRate < 1 && view.fov > fov) ||
        (motion.autoZoomRate > 1 && view.fov < fov)) {
        motion.autoZoomRate = 1 / motion.autoZoomRate;
    }
}

}  // namespace

MotionState MotionFromSettings(const ViewerSettings& settings)
{
    MotionState motion;
    motion.inertiaSeconds = settings.inertiaSeconds;
    motion.dragFactor = settings.dragFactor;
    motion.autoMotionEnabled = settings.autoMotionEnabled;
    motion.autoPanRate = settings.autoPanRate;
    motion.autoTiltRate = settings.autoTiltRate;
    motion.autoZoomRate = settings.autoZoomRate;
    motion.idleDelayMs = settings.idleDelayMs;
    return motion;
}

FrameTiming MeasureFrame(MotionState& motion, uint32_t now, MotionPlatform& platform)
{
    uint32_t t = now;
    uint32_t d;
    if (t == motion.lastFrameMs) {
        platform.SleepOneMillisecond();
        d = 1;
        t = t + 1;
    } else {
        d = t - motion.lastFrameMs;
    }
    if (motion.lastFrameMs == 0 || d >= kClockStepBackMs) {
        d = 0;  // no step yet, or the wall clock was set back
    }
    // A pause (menu, window move, dialog, suspend) or a clock set forward
    // counts as one long frame, not as time to catch up.
    d = std::min(d, kMaxFrameMs);
    motion.lastFrameMs = t;
    motion.frameTimes[motion.frameTimeIndex] = d;
    motion.frameTimeIndex = (motion.frameTimeIndex + 1) % 4;
    uint64_t sum = 0;
    uint32_t count = 0;
    for (const uint32_t time : motion.frameTimes) {
        if (time != 0) {
            sum += time;
            ++count;
        }
    }
    const uint32_t average = count ? static_cast<uint32_t>(sum / count) : 0;
    return FrameTiming{average ? average : 5, t};
}

void StepMotion(MotionState& motion, InputState& input, ViewState& view, const ViewLimits& limits,
                uint32_t now, bool screensaverMode, MotionPlatform& platform)
{
    const FrameTiming timing = MeasureFrame(motion, now, platform);
    const uint32_t t = timing.now;
    const double avg = timing.averageMs;

    ExpireKeyTarget(input, t);
    // Half the viewport width: the pointer offset that turns one field of view per second.
    const double h = static_cast<double>(limits.viewportWidth / 2);
    const Velocity v = StepVelocity(motion, input, h, avg, t, screensaverMode, platform);
    StartAutoMotionWhenIdle(motion, input, v, t);

    if (input.dragging || ((v.x != 0 || v.y != 0) && !input.keyTargetActive && !input.autoActive)) {
        SetView(limits, view.pan + v.x / h * view.fov * avg / 1000,
                view.tilt + v.y / h * view.fov * avg / 1000, view.fov, view);
    } else if (input.keyTargetActive) {
        SetView(limits, input.targetPan, input.targetTilt, input.targetFov, view);
        ShowCursor(input, Truncate(v.x), Truncate(v.y), false, t, screensaverMode, platform);
    } else if (input.autoActive) {
        StepAutoMotion(motion, view, limits, avg);
        ShowCursor(input, Truncate(v.x), Truncate(v.y), false, t, screensaverMode, platform);
    } else {
        ShowCursor(input, 0, 0, false, t, screensaverMode, platform);
    }
}

uint32_t StillForMs(const MotionState& motion, const InputState& input, uint32_t now,
                    bool screensaverMode)
{
    if (input.dragging || input.velocityX != 0 || input.velocityY != 0 || input.keyTargetActive ||
        input.autoActive) {
        return 0;
    }
    uint32_t still = kStillForever;
    if (!screensaverMode && input.currentCursor >= 0 && input.lastPointerMoveMs != kNever) {
        still = std::min(still, MsUntil(input.lastPointerMoveMs, kCursorHideMs, now));
    }
    if (motion.autoMotionEnabled != 0) {
        still = input.lastInteractionMs == kNever
                    ? 0
                    : std::min(still, MsUntil(input.lastInteractionMs, motion.idleDelayMs, now));
    }
    return still;
}
