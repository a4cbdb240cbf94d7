#include "viewer/navigation.h"

#include <cstdlib>

namespace {

void SetTarget(InputState& input, double pan, double tilt, double fov)
{
    input.targetPan = pan;
    input.targetTilt = tilt;
    input.targetFov = fov;
}

}  // namespace

bool IsNavigationKey(uint32_t key)
{
    switch (key) {
    case KEY_ADD: case KEY_SHIFT: case KEY_SUBTRACT: case KEY_CONTROL:
    case KEY_LEFT: case KEY_NUMPAD4: case KEY_A:
    case KEY_RIGHT: case KEY_NUMPAD6: case KEY_D:
    case KEY_UP: case KEY_NUMPAD8: case KEY_W:
    case KEY_DOWN: case KEY_NUMPAD2: case KEY_S:
        return true;
    default:
        return false;
    }
}

NavigationCursor CursorForOffset(int32_t dx, int32_t dy, bool active)
{
    if (!active || (dx == 0 && dy == 0)) {
        return CURSOR_NAVISIZE;
    }
    const int64_t a = std::llabs(dy);
    const bool down = dy >= 0;
    if (int64_t{dx} > 4 * a) {
        return CURSOR_RIGHT;
    }
    if (-int64_t{dx} > 4 * a) {
        return CURSOR_LEFT;
    }
    if (4 * int64_t{dx} > a) {
        return down ? CURSOR_RIGHTDOWN : CURSOR_RIGHTUP;
    }
    if (-4 * int64_t{dx} > a) {
        return down ? CURSOR_LEFTDOWN : CURSOR_LEFTUP;
    }
    return down ? CURSOR_DOWN : CURSOR_UP;
}

CursorAction SelectNavigationCursor(InputState& input, int32_t dx, int32_t dy, bool active,
                                    uint32_t now, bool screensaverMode)
{
    if (screensaverMode) {
        input.currentCursor = -1;
        return CursorAction::Leave;
    }
    if (now - input.lastPointerMoveMs >= kCursorHideMs) {
        input.currentCursor = -1;
        return CursorAction::Hide;
    }
    input.currentCursor = CursorForOffset(dx, dy, active);
    return CursorAction::Show;
}

InputAction OnKeyDown(InputState& input, const ViewState& view, uint32_t key, bool autoRepeat,
                      uint32_t now, bool screensaverMode, bool inWindow)
{
    if (screensaverMode) {
        return InputAction::Close;
    }
    if (key == KEY_ESCAPE || key == KEY_BACK) {
        return inWindow ? InputAction::Close : InputAction::LeaveFullscreen;
    }
    if (input.dragging) {
        return InputAction::None;
    }
    if (IsNavigationKey(key)) {
        const double step = view.fov / 40;
        double pan = view.pan, tilt = view.tilt, fov = view.fov;
        switch (key) {
        case KEY_ADD: case KEY_SHIFT: fov = view.fov / 1.04; break;
        case KEY_SUBTRACT: case KEY_CONTROL: fov = view.fov * 1.04; break;
        case KEY_LEFT: case KEY_NUMPAD4: case KEY_A: pan = view.pan - step; break;
        case KEY_RIGHT: case KEY_NUMPAD6: case KEY_D: pan = view.pan + step; break;
        case KEY_UP: case KEY_NUMPAD8: case KEY_W: tilt = view.tilt - step; break;
        default: tilt = view.tilt + step; break;
        }
        SetTarget(input, pan, tilt, fov);
        input.lastInteractionMs = now;
        input.autoActive = false;
        input.keyTargetActive = true;
        return InputAction::None;
    }
    if ((key == KEY_RETURN || key == KEY_SPACE) && !autoRepeat) {
        input.autoActive = !input.autoActive;
        input.lastInteractionMs = now;
    }
    return InputAction::None;
}

InputAction OnKeyUp(InputState& input, uint32_t key, bool screensaverMode)
{
    if (screensaverMode) {
        return InputAction::Close;
    }
    if (!input.dragging && IsNavigationKey(key)) {
        input.keyTargetActive = false;
    }
    return InputAction::None;
}

void OnMouseWheel(InputState& input, const ViewState& view, int delta, uint32_t now)
{
    if (input.dragging) {
        return;
    }
    SetTarget(input, view.pan, view.tilt, delta >= 0 ? view.fov / 1.06 : view.fov * 1.06);
    input.keyTargetActive = true;
    input.lastInteractionMs = now;
}

InputAction OnLeftButtonDown(InputState& input, int32_t x, int32_t y, uint32_t now,
                             bool screensaverMode)
{
    if (screensaverMode) {
        return InputAction::Close;
    }
    input.velocityX = input.velocityY = 0;
    input.anchorX = input.pointerX = x;
    input.anchorY = input.pointerY = y;
    input.autoActive = false;
    input.dragging = true;
    input.lastInteractionMs = now;
    return InputAction::None;
}

void OnLeftButtonUp(InputState& input, uint32_t now)
{
    if (input.dragging) {
        input.lastInteractionMs = now;
    }
    input.autoActive = false;
    input.dragging = false;
    input.currentCursor = CURSOR_NAVISIZE;
}

void OnMouseCaptureLost(InputState& input, uint32_t now)
{
    if (input.dragging) {
        OnLeftButtonUp(input, now);
    }
}

void OnMouseMove(InputState& input, int32_t x, int32_t y, bool leftButton, uint32_t now,
                 bool screensaverMode)
{
    if (x != input.lastMoveX || y != input.lastMoveY) {
        input.lastPointerMoveMs = now;
        input.lastMoveX = x;
        input.lastMoveY = y;
    }
    if (!leftButton) {
        return;
    }
    input.pointerX = x;
    input.pointerY = y;
    if (screensaverMode) {
        input.autoActive = false;
        input.dragging = true;
        input.lastInteractionMs = now;
    }
}

InputAction OnRightButtonUp(bool screensaverMode, bool inWindow)
{
    return !screensaverMode && !inWindow ? InputAction::LeaveFullscreen : InputAction::None;
}

WindowPlacement CentreWindow(int32_t screenWidth, int32_t screenHeight, int32_t width, int32_t height)
{
    const int32_t left = (screenWidth - width) / 2;
    const int32_t top = (screenHeight - height) / 2;
    return WindowPlacement{left < 0 ? 0 : left, top < 0 ? 0 : top};
}
