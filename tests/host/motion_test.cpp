// The frame step: frame times, bounded across clock steps and pauses; the drag with inertia; key
// targets; automatic motion after the idle delay, bouncing at limits or crossing a full circle.
#include "viewer/motion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "sample_scene.h"

namespace {

class RecordingPlatform : public MotionPlatform {
public:
    void SleepOneMillisecond() override { ++sleeps; }
    void ApplyCursor(CursorAction action, int cursor) override
    {
        lastAction = action;
        lastCursor = cursor;
    }
    int sleeps = 0;
    CursorAction lastAction = CursorAction::Leave;
    int lastCursor = -2;
};

// Frame times that average to avgMs on the next step at now.
void SteadyFrames(MotionState& motion, uint32_t avgMs, uint32_t now)
{
    motion.lastFrameMs = now - avgMs;
    for (uint32_t& time : motion.frameTimes) {
        time = avgMs;
    }
}

class Motion : public ::testing::Test {
protected:
    void UseSphere() { BuildScene(scene_, FullSphereSettings(), 4096, 2048); }
    void UseSample() { BuildScene(scene_, SampleCylinderSettings(), 2605, 635); }

    void Step(uint32_t now, uint32_t width = 800, uint32_t height = 600)
    {
        StepMotion(motion_, input_, scene_.view, scene_.Limits(width, height), now, false, platform_);
    }

    Scene scene_;
    MotionState motion_;
    InputState input_;
    RecordingPlatform platform_;
};

}  // namespace

TEST_F(Motion, FirstFrameAdvancesAutomaticMotionByFiveMilliseconds)
{
    UseSphere();
    PanoSettings s = FullSphereSettings();
    s.autoMotion = 1;
    s.autoPanSpeed = 2.0;
    s.autoZoomFactor = 0;
    motion_ = MotionFromSettings(ConvertSettings(s));
    scene_.view = ViewState{1.0, 0.0, DegreesToRadians(75)};
    Step(123456);
    EXPECT_TRUE(input_.autoActive);
    EXPECT_DOUBLE_EQ(scene_.view.pan, 1.0 + 0.034906586011250816 * 0.005);
    EXPECT_EQ(motion_.autoZoomRate, 1.0) << "a zoom factor of 0 counts as 1";
    EXPECT_EQ(platform_.lastAction, CursorAction::Hide);
}

TEST_F(Motion, FrameTimes)
{
    // Two steps in the same millisecond: the second sleeps and counts 1 ms.
    MotionState m;
    EXPECT_EQ(MeasureFrame(m, 5000, platform_).averageMs, 5u);
    const FrameTiming same = MeasureFrame(m, 5000, platform_);
    EXPECT_EQ(platform_.sleeps, 1);
    EXPECT_EQ(same.now, 5001u);
    EXPECT_EQ(same.averageMs, 1u);

    MotionState slow;
    slow.lastFrameMs = 1000;
    slow.frameTimes[1] = slow.frameTimes[2] = slow.frameTimes[3] = 3000;
    EXPECT_EQ(MeasureFrame(slow, 1010, platform_).averageMs, 2252u);

    // The clock wraps: differences are unsigned.
    MotionState wrapping;
    wrapping.lastFrameMs = 0xFFFFFFF0u;
    EXPECT_EQ(MeasureFrame(wrapping, 0x10, platform_).averageMs, 0x20u);
}

// Measured frames count for at most 250 ms each; the ring is set directly
// here to show that automatic motion, unlike inertia, takes the average as it is.
TEST_F(Motion, AutomaticMotionTakesTheAverageFrameTimeUncapped)
{
    UseSphere();
    motion_.autoMotionEnabled = 1;
    motion_.autoPanRate = 0.01;
    motion_.lastFrameMs = 1000;
    motion_.frameTimes[1] = motion_.frameTimes[2] = motion_.frameTimes[3] = 3000;
    scene_.view = ViewState{1.0, 0.0, 1.0};
    Step(1010);
    EXPECT_DOUBLE_EQ(scene_.view.pan, 1.0 + 0.01 * 2.252);
}

TEST_F(Motion, DragIsRateControl)
{
    UseSphere();
    scene_.view = ViewState{1.0, 0.2, 0.8};
    OnLeftButtonDown(input_, 400, 300, 990, false);
    OnMouseMove(input_, 500, 350, true, 995, false);
    SteadyFrames(motion_, 10, 1000);
    Step(1000);
    EXPECT_DOUBLE_EQ(scene_.view.pan, 1.0 + 100.0 / 400 * 0.8 * 0.01);
    EXPECT_DOUBLE_EQ(scene_.view.tilt, 0.2 + 50.0 / 400 * 0.8 * 0.01);
    EXPECT_EQ(platform_.lastCursor, CURSOR_RIGHTDOWN);
    EXPECT_EQ(input_.lastPointerMoveMs, 1000u) << "the cursor stays during a drag";
}

TEST_F(Motion, DeadZoneAndClamp)
{
    struct Case {
        const char* label;
        int dx, dy;
        uint32_t width, height;
        double panGrowth, tiltGrowth;
        int cursor;
    };
    const Case cases[] = {
        {"(2, 2) does nothing", 2, 2, 800, 600, 0, 0, CURSOR_NAVISIZE},
        {"(3, 1) moves only the pan", 3, 1, 800, 600, 3.0 / 400 * 0.01, 0, CURSOR_RIGHT},
        {"(0, 300) in 800 x 400 is not clamped", 0, 300, 800, 400, 0, 300.0 / 400 * 0.01, CURSOR_DOWN},
        {"(0, 500) is clamped to half the width", 0, 500, 800, 400, 0, 400.0 / 400 * 0.01, CURSOR_DOWN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        UseSphere();
        motion_ = MotionState{};
        input_ = InputState{};
        scene_.view = ViewState{1.0, 0.0, 1.0};
        OnLeftButtonDown(input_, 100, 100, 990, false);
        OnMouseMove(input_, 100 + c.dx, 100 + c.dy, true, 995, false);
        SteadyFrames(motion_, 10, 1000);
        Step(1000, c.width, c.height);
        EXPECT_DOUBLE_EQ(scene_.view.pan, 1.0 + c.panGrowth);
        EXPECT_DOUBLE_EQ(scene_.view.tilt, c.tiltGrowth);
        EXPECT_EQ(platform_.lastCursor, c.cursor);
    }
}

TEST_F(Motion, InertiaApproachesAndBrakes)
{
    UseSphere();
    motion_.inertiaSeconds = 0.5;
    OnLeftButtonDown(input_, 100, 100, 990, false);
    OnMouseMove(input_, 200, 100, true, 995, false);
    SteadyFrames(motion_, 10, 1000);
    Step(1000);
    EXPECT_DOUBLE_EQ(input_.velocityX, 4.0);

    input_ = InputState{};
    input_.velocityX = 50;
    input_.lastPointerMoveMs = 1000;
    SteadyFrames(motion_, 10, 2000);
    Step(2000);
    EXPECT_DOUBLE_EQ(input_.velocityX, 46.0);
    EXPECT_EQ(input_.lastInteractionMs, 2000u) << "coasting counts as interaction";

    // Without inertia the view stops on the first frame after release.
    motion_.inertiaSeconds = 0;
    input_.velocityX = 50;
    SteadyFrames(motion_, 10, 3000);
    Step(3000);
    EXPECT_EQ(input_.velocityX, 0.0);
}

TEST_F(Motion, AutomaticPanBouncesAtTheRightLimit)
{
    UseSample();
    motion_.autoMotionEnabled = 1;
    motion_.autoPanRate = DegreesToRadians(2);
    ViewState atLimit{};
    SetView(scene_.Limits(), DegreesToRadians(60), 0, DegreesToRadians(10), atLimit);
    scene_.view = atLimit;
    SteadyFrames(motion_, 20, 5000);
    Step(5000);
    EXPECT_LE(scene_.view.pan, atLimit.pan + 1e-12);
    EXPECT_LT(motion_.autoPanRate, 0) << "the view turns back";
    Step(5020);
    EXPECT_LT(scene_.view.pan, atLimit.pan);
}

TEST_F(Motion, ZoomFactorTurnsAtTheLargestFieldOfView)
{
    UseSphere();
    motion_.autoMotionEnabled = 1;
    motion_.autoZoomRate = 2;
    scene_.view = ViewState{1.0, 0.0, scene_.extent.fovMax};
    SteadyFrames(motion_, 20, 5000);
    Step(5000);
    EXPECT_EQ(motion_.autoZoomRate, 0.5);
}

TEST_F(Motion, KeyTargetHoldsFor700Milliseconds)
{
    UseSphere();
    motion_.autoMotionEnabled = 1;
    motion_.autoPanRate = 0.1;
    motion_.idleDelayMs = 5000;
    scene_.view = ViewState{1.0, 0.0, 1.0};
    input_.autoActive = true;
    OnMouseWheel(input_, scene_.view, 120, 1000);
    SteadyFrames(motion_, 10, 1010);
    Step(1010);
    EXPECT_DOUBLE_EQ(scene_.view.fov, 1.0 / 1.06);
    EXPECT_TRUE(input_.keyTargetActive);
    SteadyFrames(motion_, 10, 1700);
    Step(1700);
    EXPECT_FALSE(input_.keyTargetActive) << "expired after 700 ms";
    // The wheel left automatic motion on: it continues from the new view.
    EXPECT_TRUE(input_.autoActive);
    EXPECT_DOUBLE_EQ(scene_.view.pan, 1.0 + 0.1 * 0.01);
}

TEST_F(Motion, IdleDelayStartsAutomaticMotion)
{
    UseSphere();
    motion_.autoMotionEnabled = 1;
    motion_.idleDelayMs = 5000;
    input_.lastInteractionMs = 10000;
    SteadyFrames(motion_, 10, 14999);
    Step(14999);
    EXPECT_FALSE(input_.autoActive);
    Step(15000);
    EXPECT_TRUE(input_.autoActive);
}

TEST_F(Motion, AutomaticPanReachingTwoPiIsRequestedAsZero)
{
    UseSphere();
    motion_.autoMotionEnabled = 1;
    motion_.autoPanRate = 1.0;
    scene_.view = ViewState{kTwoPi - 0.01, 0.0, 1.0};
    SteadyFrames(motion_, 10, 1000);
    Step(1000);
    EXPECT_NEAR(scene_.view.pan, 0.0, 1e-12);
}

namespace {

// A wrapping 360 degree cylinder: SetView only normalises its pan, so the
// motion step's own wrap at 2 pi is what keeps the turn going.
PanoSettings FullCircleCylinderSettings()
{
    PanoSettings s = SampleCylinderSettings();
    s.panMax = 360;
    s.panWraps = 1;
    return s;
}

}  // namespace

TEST_F(Motion, AutomaticPanCrossesTheSeamOfAFullCircleWithoutTurningBack)
{
    BuildScene(scene_, FullCircleCylinderSettings(), 4800, 600);
    motion_.autoMotionEnabled = 1;
    motion_.autoPanRate = 1.0;
    scene_.view.pan = kTwoPi - 0.005;
    SteadyFrames(motion_, 10, 1000);
    Step(1000);
    EXPECT_NEAR(scene_.view.pan, 0.005, 1e-9) << "the pan crossed the seam";
    EXPECT_GT(motion_.autoPanRate, 0) << "the seam is no limit to bounce at";
    Step(1010);
    EXPECT_NEAR(scene_.view.pan, 0.015, 1e-9);

    // The same going left: below 0 the pan comes in at the other end.
    motion_.autoPanRate = -1.0;
    scene_.view.pan = 0.005;
    SteadyFrames(motion_, 10, 2000);
    Step(2000);
    EXPECT_NEAR(scene_.view.pan, kTwoPi - 0.005, 1e-9);
    EXPECT_LT(motion_.autoPanRate, 0);
}

// An inertia time shorter than a frame must not swing the velocity past
// its goal: it reaches the pointer offset and, after release, stops.
TEST_F(Motion, ShortInertiaSettlesWithoutOvershootAtAnyFrameTime)
{
    for (const double inertia : {0.001, 0.01, 0.02, 0.05, 0.2}) {
        for (const uint32_t frameMs : {1u, 5u, 16u, 33u, 100u, 250u}) {
            SCOPED_TRACE("inertia " + std::to_string(inertia) + " s, frames of " +
                         std::to_string(frameMs) + " ms");
            UseSphere();
            motion_ = MotionState{};
            motion_.inertiaSeconds = inertia;
            motion_.autoMotionEnabled = 1;
            motion_.idleDelayMs = 500;
            input_ = InputState{};
            uint32_t now = 10000;
            OnLeftButtonDown(input_, 100, 100, now, false);
            OnMouseMove(input_, 200, 100, true, now, false);
            SteadyFrames(motion_, frameMs, now);
            double previous = 0;
            for (int frame = 0; frame < 2000; ++frame, now += frameMs) {
                Step(now);
                ASSERT_GE(input_.velocityX, previous) << "frame " << frame;
                ASSERT_LE(input_.velocityX, 100.0) << "frame " << frame;
                previous = input_.velocityX;
            }
            EXPECT_NEAR(input_.velocityX, 100.0, 1.0);

            OnLeftButtonUp(input_, now);
            for (int frame = 0; frame < 2000 && input_.velocityX != 0; ++frame, now += frameMs) {
                Step(now);
                ASSERT_GE(input_.velocityX, 0.0) << "braking never reverses";
                ASSERT_LE(input_.velocityX, previous) << "braking never speeds up";
                previous = input_.velocityX;
            }
            EXPECT_EQ(input_.velocityX, 0.0);
            EXPECT_EQ(input_.velocityY, 0.0);
            EXPECT_TRUE(std::isfinite(scene_.view.pan));
            // Idle after the coasting: automatic motion starts again.
            for (int frame = 0; frame < 5000 && !input_.autoActive; ++frame, now += frameMs) {
                Step(now);
            }
            EXPECT_TRUE(input_.autoActive);
        }
    }
}

TEST_F(Motion, InertiaWindowIsCappedAtOneSecond)
{
    UseSphere();
    motion_.inertiaSeconds = 4;
    OnLeftButtonDown(input_, 100, 100, 990, false);
    OnMouseMove(input_, 200, 100, true, 995, false);
    // An average of 2252 ms, of which inertia counts 1000: with a time
    // constant of 2 s that is half the way to the offset of 100.
    motion_.lastFrameMs = 1000;
    motion_.frameTimes[1] = motion_.frameTimes[2] = motion_.frameTimes[3] = 3000;
    Step(1010);
    EXPECT_DOUBLE_EQ(input_.velocityX, 50.0);
}

// Motion settings from a damaged record: the view and the velocities stay
// finite, and automatic motion still starts after the idle delay.
TEST_F(Motion, NonFiniteMotionSettingsNeverReachTheView)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* label;
        double dragFactor, inertia;
    };
    const Case cases[] = {
        {"infinite drag factor", inf, 0},
        {"NaN drag factor", nan, 0.5},
        {"NaN inertia", 1, nan},
        {"negative inertia", 1, -0.5},
        {"infinite inertia", 1, inf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        UseSphere();
        motion_ = MotionState{};
        motion_.dragFactor = c.dragFactor;
        motion_.inertiaSeconds = c.inertia;
        motion_.autoMotionEnabled = 1;
        motion_.autoPanRate = 0.1;
        motion_.idleDelayMs = 200;
        input_ = InputState{};
        const ViewState start = scene_.view;
        uint32_t now = 5000;
        OnLeftButtonDown(input_, 100, 100, now, false);
        OnMouseMove(input_, 300, 150, true, now, false);
        SteadyFrames(motion_, 16, now);
        for (int frame = 0; frame < 10; ++frame, now += 16) {
            Step(now);
        }
        OnLeftButtonUp(input_, now);
        for (int frame = 0; frame < 100; ++frame, now += 16) {
            Step(now);
            ASSERT_TRUE(std::isfinite(input_.velocityX) && std::isfinite(input_.velocityY));
            ASSERT_TRUE(std::isfinite(scene_.view.pan) && std::isfinite(scene_.view.tilt) &&
                        std::isfinite(scene_.view.fov));
        }
        EXPECT_TRUE(input_.autoActive);
        EXPECT_NE(scene_.view.pan, start.pan) << "automatic motion turns the view";
    }
}

namespace {

// How far a view moved, in radians of pan and as a factor of the field of view.
struct Change {
    double pan, zoom;
};

}  // namespace

// Neither a clock set back nor a long pause moves the view by more than
// one ordinary step: the first frame after either counts for at most 250 ms.
TEST_F(Motion, ClockStepsAndPausesMoveTheViewByOrdinarySteps)
{
    struct Case {
        const char* label;
        uint32_t gapMs;  // from the last steady frame to the next one, as unsigned
    };
    const Case cases[] = {
        {"the clock set back by 1 ms", static_cast<uint32_t>(-1)},
        {"the clock set back by an hour", static_cast<uint32_t>(-3600000)},
        {"a 6 s menu pause", 6000},
        {"the clock set forward by a day", 86400000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        UseSphere();
        motion_ = MotionState{};
        motion_.autoMotionEnabled = 1;
        motion_.autoPanRate = DegreesToRadians(10);
        motion_.autoZoomRate = 1.5;
        input_ = InputState{};
        scene_.view = ViewState{1.0, 0.0, 1.0};
        uint32_t now = 100000;
        SteadyFrames(motion_, 16, now);
        Step(now);
        const ViewState before = scene_.view;
        now += c.gapMs;
        // The gap, then the frames whose average still holds it.
        for (int frame = 0; frame < 4; ++frame, now += 16) {
            Step(now);
        }
        const Change change{scene_.view.pan - before.pan, scene_.view.fov / before.fov};
        // Four frames of at most (250 + 3 x 16) / 4 ms each.
        const double bound = 4 * (250 + 3 * 16) / 4.0 / 1000;
        EXPECT_GT(change.pan, 0) << "the view turns on the way it went";
        EXPECT_LE(change.pan, motion_.autoPanRate * bound + 1e-12);
        EXPECT_LE(change.zoom, std::pow(1 + 0.5 * (250 + 3 * 16) / 4.0 / 1000, 4) + 1e-12);
        EXPECT_LT(scene_.view.fov, scene_.extent.fovMax) << "the zoom did not snap to its limit";
    }
}

TEST_F(Motion, FrameTimesAreBoundedAndNeverNegative)
{
    MotionState m;
    m.lastFrameMs = 1000;
    EXPECT_EQ(MeasureFrame(m, 7000, platform_).averageMs, kMaxFrameMs) << "a 6 s pause";
    EXPECT_EQ(m.lastFrameMs, 7000u);
    EXPECT_EQ(MeasureFrame(m, 6999, platform_).averageMs, kMaxFrameMs)
        << "a step back adds no frame time: the 250 ms stays the only one";
    EXPECT_EQ(m.lastFrameMs, 6999u) << "the next frame is measured from the new time";
    EXPECT_EQ(MeasureFrame(m, 7009, platform_).averageMs, (kMaxFrameMs + 10) / 2);
}

TEST_F(Motion, DragThroughAPauseIsNotFlung)
{
    UseSphere();
    scene_.view = ViewState{1.0, 0.0, 0.8};
    OnLeftButtonDown(input_, 400, 300, 990, false);
    OnMouseMove(input_, 500, 300, true, 995, false);
    SteadyFrames(motion_, 16, 1000);
    Step(1000);
    const double before = scene_.view.pan;
    Step(1000 + 30000);  // the window was held still for half a minute
    const uint32_t avg = (kMaxFrameMs + 3 * 16) / 4;
    EXPECT_DOUBLE_EQ(scene_.view.pan, before + 100.0 / 400 * 0.8 * avg / 1000);
}

TEST_F(Motion, StillTimeLastsUntilTheStepThatChangesSomething)
{
    UseSphere();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        InputState input;
        int32_t autoMotion;
        double idleDelayMs;
        uint32_t expected;  // at 12000
    };
    const InputState untouched;
    const InputState pointer{.currentCursor = 0, .lastInteractionMs = 10000, .lastPointerMoveMs = 11500};
    const Case cases[] = {
        {"dragging", {.dragging = true}, 0, 0, 0},
        {"coasting", {.velocityX = 3}, 0, 0, 0},
        {"key target", {.keyTargetActive = true}, 0, 0, 0},
        {"automatic motion", {.autoActive = true}, 1, 0, 0},
        {"never touched, automatic motion on", untouched, 1, 5000, 0},
        {"cursor hides first", pointer, 1, 5000, 500},
        {"idle delay ends first", pointer, 1, 2300, 300},
        {"nothing due", untouched, 0, 5000, kStillForever},
        {"a delay that never ends", pointer, 1, nan, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        motion_.autoMotionEnabled = c.autoMotion;
        motion_.idleDelayMs = c.idleDelayMs;
        const uint32_t still = StillForMs(motion_, c.input, 12000, false);
        EXPECT_EQ(still, c.expected);
        if (still == 0 || still == kStillForever) {
            continue;
        }
        // The step just before changes neither view nor cursor; the one at the end does.
        input_ = c.input;
        const ViewState before = scene_.view;
        SteadyFrames(motion_, 10, 12000 + still - 1);
        Step(12000 + still - 1);
        EXPECT_EQ(scene_.view.pan, before.pan);
        EXPECT_FALSE(input_.autoActive);
        EXPECT_EQ(platform_.lastAction, CursorAction::Show);
        Step(12000 + still);
        EXPECT_TRUE(input_.autoActive || platform_.lastAction == CursorAction::Hide);
    }
    EXPECT_EQ(StillForMs(motion_, pointer, 12000, true), kStillForever) << "a screensaver shows no cursor";
}
