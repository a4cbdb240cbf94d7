// Navigation input: the cursor each drag offset shows and when it hides, what keys, mouse and
// wheel do to the input state, what ends a screensaver, and where the window is placed.
#include "viewer/navigation.h"

#include <gtest/gtest.h>

TEST(NavigationCursor, OffsetsPickTheArrow)
{
    struct Case {
        int dx, dy;
        NavigationCursor expected;
    };
    const Case cases[] = {
        {20, 4, CURSOR_RIGHT},     {20, 5, CURSOR_RIGHTDOWN}, {5, 20, CURSOR_DOWN},
        {6, 20, CURSOR_RIGHTDOWN}, {-6, -20, CURSOR_LEFTUP},  {0, 0, CURSOR_NAVISIZE},
        {-20, 4, CURSOR_LEFT},     {-5, 20, CURSOR_DOWN},     {3, 0, CURSOR_RIGHT},
        {0, -3, CURSOR_UP},        {0, 3, CURSOR_DOWN},       {6, -20, CURSOR_RIGHTUP},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CursorForOffset(c.dx, c.dy, true), c.expected) << c.dx << "," << c.dy;
    }
    EXPECT_EQ(CursorForOffset(20, 4, false), CURSOR_NAVISIZE);
}

TEST(NavigationCursor, HiddenAfterASecondWithoutMovementAndNeverInScreensaverMode)
{
    InputState input;
    input.lastPointerMoveMs = 5000;
    EXPECT_EQ(SelectNavigationCursor(input, 20, 0, true, 5999, false), CursorAction::Show);
    EXPECT_EQ(input.currentCursor, CURSOR_RIGHT);
    EXPECT_EQ(SelectNavigationCursor(input, 20, 0, true, 6000, false), CursorAction::Hide);
    EXPECT_EQ(input.currentCursor, -1);
    EXPECT_EQ(SelectNavigationCursor(input, 20, 0, true, 5500, true), CursorAction::Leave);
    EXPECT_EQ(input.currentCursor, -1);
}

TEST(NavigationKeys, TargetsStepFromTheCurrentView)
{
    const ViewState view{1.0, 0.1, 0.4};
    struct Case {
        uint32_t key;
        double pan, tilt, fov;
    };
    const Case cases[] = {
        {KEY_RIGHT, 1.01, 0.1, 0.4},    {KEY_D, 1.01, 0.1, 0.4},       {KEY_NUMPAD6, 1.01, 0.1, 0.4},
        {KEY_LEFT, 0.99, 0.1, 0.4},     {KEY_A, 0.99, 0.1, 0.4},       {KEY_UP, 1.0, 0.09, 0.4},
        {KEY_W, 1.0, 0.09, 0.4},        {KEY_DOWN, 1.0, 0.11, 0.4},    {KEY_S, 1.0, 0.11, 0.4},
        {KEY_ADD, 1.0, 0.1, 0.4 / 1.04}, {KEY_SHIFT, 1.0, 0.1, 0.4 / 1.04},
        {KEY_SUBTRACT, 1.0, 0.1, 0.4 * 1.04}, {KEY_CONTROL, 1.0, 0.1, 0.4 * 1.04},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        InputState input;
        input.autoActive = true;
        // Auto-repeats count too: each message makes a fresh target.
        EXPECT_EQ(OnKeyDown(input, view, c.key, true, 700, false, true), InputAction::None);
        EXPECT_DOUBLE_EQ(input.targetPan, c.pan);
        EXPECT_DOUBLE_EQ(input.targetTilt, c.tilt);
        EXPECT_DOUBLE_EQ(input.targetFov, c.fov);
        EXPECT_TRUE(input.keyTargetActive);
        EXPECT_FALSE(input.autoActive);
        EXPECT_EQ(input.lastInteractionMs, 700u);
        OnKeyUp(input, c.key, false);
        EXPECT_FALSE(input.keyTargetActive);
    }
}

TEST(NavigationKeys, SpaceTogglesOnceWhenHeld)
{
    InputState input;
    const ViewState view{0, 0, 1};
    OnKeyDown(input, view, KEY_SPACE, false, 10, false, true);
    EXPECT_TRUE(input.autoActive);
    OnKeyDown(input, view, KEY_SPACE, true, 40, false, true);
    OnKeyDown(input, view, KEY_SPACE, true, 70, false, true);
    EXPECT_TRUE(input.autoActive);
    OnKeyDown(input, view, KEY_RETURN, false, 100, false, true);
    EXPECT_FALSE(input.autoActive);
    EXPECT_EQ(input.lastInteractionMs, 100u);
}

TEST(NavigationKeys, EscapeAndBackspace)
{
    InputState input;
    const ViewState view{0, 0, 1};
    EXPECT_EQ(OnKeyDown(input, view, KEY_ESCAPE, false, 0, false, true), InputAction::Close);
    EXPECT_EQ(OnKeyDown(input, view, KEY_BACK, false, 0, false, false), InputAction::LeaveFullscreen);
    input.dragging = true;
    EXPECT_EQ(OnKeyDown(input, view, KEY_ESCAPE, false, 0, false, false), InputAction::LeaveFullscreen);
    EXPECT_EQ(OnKeyDown(input, view, KEY_RIGHT, false, 0, false, true), InputAction::None);
    EXPECT_FALSE(input.keyTargetActive) << "keys do nothing during a drag";
}

TEST(NavigationMouse, DragBeginsAndEnds)
{
    InputState input;
    input.velocityX = 9;
    input.autoActive = true;
    EXPECT_EQ(OnLeftButtonDown(input, 100, 50, 1000, false), InputAction::None);
    EXPECT_TRUE(input.dragging);
    EXPECT_EQ(input.velocityX, 0);
    EXPECT_EQ(input.anchorX, 100);
    EXPECT_FALSE(input.autoActive);
    OnMouseMove(input, 130, 40, true, 1010, false);
    EXPECT_EQ(input.pointerX, 130);
    EXPECT_EQ(input.pointerY, 40);
    EXPECT_EQ(input.anchorX, 100);
    EXPECT_EQ(input.lastPointerMoveMs, 1010u);
    OnMouseMove(input, 130, 40, true, 1500, false);
    EXPECT_EQ(input.lastPointerMoveMs, 1010u) << "no movement, no new time";
    OnLeftButtonUp(input, 1600);
    EXPECT_FALSE(input.dragging);
    EXPECT_EQ(input.lastInteractionMs, 1600u);
    EXPECT_EQ(input.currentCursor, CURSOR_NAVISIZE);
}

TEST(NavigationMouse, LosingTheMouseEndsADragButNothingElse)
{
    InputState input;
    input.autoActive = true;
    OnMouseCaptureLost(input, 900);
    EXPECT_TRUE(input.autoActive) << "without a drag, automatic motion goes on";
    EXPECT_EQ(input.lastInteractionMs, kNever);

    OnLeftButtonDown(input, 100, 50, 1000, false);
    OnMouseMove(input, 300, 50, true, 1010, false);
    OnMouseCaptureLost(input, 1100);
    EXPECT_FALSE(input.dragging);
    EXPECT_EQ(input.lastInteractionMs, 1100u) << "the idle delay counts from here";
    EXPECT_EQ(input.currentCursor, CURSOR_NAVISIZE);
    const ViewState view{0, 0, 1.0};
    OnKeyDown(input, view, KEY_RIGHT, false, 1200, false, true);
    EXPECT_TRUE(input.keyTargetActive) << "keys work again";
}

TEST(NavigationScreensaver, OnlyKeysAndTheLeftButtonEndIt)
{
    InputState input;
    const ViewState view{0, 0, 1.0};
    OnMouseMove(input, 10, 10, false, 5, true);
    OnMouseWheel(input, view, -120, 6);
    EXPECT_DOUBLE_EQ(input.targetFov, 1.06) << "the wheel zooms in screensaver mode too";
    EXPECT_EQ(OnRightButtonUp(true, false), InputAction::None);
    EXPECT_EQ(OnKeyDown(input, view, KEY_RIGHT, false, 7, true, false), InputAction::Close);
    EXPECT_EQ(OnKeyUp(input, KEY_SHIFT, true), InputAction::Close);
    EXPECT_EQ(OnLeftButtonDown(input, 1, 1, 8, true), InputAction::Close);
    EXPECT_EQ(OnRightButtonUp(false, false), InputAction::LeaveFullscreen);
    EXPECT_EQ(OnRightButtonUp(false, true), InputAction::None);
}

TEST(NavigationWheel, ZoomsByAFactor)
{
    InputState input;
    const ViewState view{0.5, 0.2, 1.0};
    OnMouseWheel(input, view, 120, 10);
    EXPECT_DOUBLE_EQ(input.targetFov, 1.0 / 1.06);
    EXPECT_DOUBLE_EQ(input.targetPan, 0.5);
    OnMouseWheel(input, view, 0, 10);
    EXPECT_DOUBLE_EQ(input.targetFov, 1.0 / 1.06);
    input.dragging = true;
    OnMouseWheel(input, view, -120, 20);
    EXPECT_DOUBLE_EQ(input.targetFov, 1.0 / 1.06) << "no wheel during a drag";
}

TEST(WindowPlacement, CentredAndNeverNegative)
{
    const WindowPlacement p = CentreWindow(1024, 768, 800, 400);
    EXPECT_EQ(p.left, 112);
    EXPECT_EQ(p.top, 184);
    const WindowPlacement big = CentreWindow(1024, 768, 2000, 801);
    EXPECT_EQ(big.left, 0);
    EXPECT_EQ(big.top, 0);
    EXPECT_EQ(CentreWindow(1024, 768, 801, 401).left, 111) << "rounded toward zero";
}
