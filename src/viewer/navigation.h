// Navigation input: what mouse, wheel and keys do to the viewer's input
// state, and which cursor shows. The shell turns window messages into these
// calls and applies the returned actions; time comes in as NowMs values.
#pragma once

#include <cstdint>

#include "package/startup_state.h"
#include "viewer/view_state.h"

constexpr uint32_t kNever = 0xFFFFFFFF;
// The navigation cursor hides this long after the pointer last moved.
constexpr uint32_t kCursorHideMs = 1000;

struct InputState {
    bool dragging = false;
    int32_t anchorX = -1, anchorY = -1;
    int32_t pointerX = -1, pointerY = -1;
    int32_t lastMoveX = -1, lastMoveY = -1;
    int currentCursor = -1;  // a NavigationCursor, or -1 for none
    uint32_t lastInteractionMs = kNever;
    uint32_t lastPointerMoveMs = kNever;
    double velocityX = 0, velocityY = 0;
    bool autoActive = false;
    bool keyTargetActive = false;
    double targetPan = 0, targetTilt = 0, targetFov = 0;
};

// What the shell must do after an input message.
enum class InputAction {
    None,
    Close,             // send WM_CLOSE
    LeaveFullscreen,   // send the full-screen toggle, then restore the window
};

// What the shell must do with the cursor.
enum class CursorAction {
    Leave,  // leave the shown cursor alone
    Hide,   // show no cursor
    Show,   // show currentCursor
};

// Virtual-key codes the viewer reacts to.
enum : uint32_t {
    KEY_BACK = 0x08, KEY_RETURN = 0x0D, KEY_SHIFT = 0x10, KEY_CONTROL = 0x11, KEY_ESCAPE = 0x1B,
    KEY_SPACE = 0x20, KEY_LEFT = 0x25, KEY_UP = 0x26, KEY_RIGHT = 0x27, KEY_DOWN = 0x28,
    KEY_A = 0x41, KEY_D = 0x44, KEY_S = 0x53, KEY_W = 0x57, KEY_NUMPAD2 = 0x62,
    KEY_NUMPAD4 = 0x64, KEY_NUMPAD6 = 0x66, KEY_NUMPAD8 = 0x68, KEY_ADD = 0x6B, KEY_SUBTRACT = 0x6D,
};

bool IsNavigationKey(uint32_t key);

// Chooses currentCursor for a pointer offset; see CursorAction.
CursorAction SelectNavigationCursor(InputState& input, int32_t dx, int32_t dy, bool active,
                                    uint32_t now, bool screensaverMode);

// The cursor of an offset while navigating: horizontal arrows within
// atan(1/4) of the horizontal, vertical ones within that of the vertical,
// diagonals between; "NAVISIZE" when inactive or still.
NavigationCursor CursorForOffset(int32_t dx, int32_t dy, bool active);

// The target of a navigation key starts from the current view, changing
// one component by a step of fov / 40 (or a zoom factor of 1.04).
InputAction OnKeyDown(InputState& input, const ViewState& view, uint32_t key, bool autoRepeat,
                      uint32_t now, bool screensaverMode, bool inWindow);
InputAction OnKeyUp(InputState& input, uint32_t key, bool screensaverMode);
void OnMouseWheel(InputState& input, const ViewState& view, int delta, uint32_t now);
// In screensaver mode a press ends the program; otherwise a drag begins.
InputAction OnLeftButtonDown(InputState& input, int32_t x, int32_t y, uint32_t now,
                             bool screensaverMode);
void OnLeftButtonUp(InputState& input, uint32_t now);
// The window lost the mouse (a dialog, a menu or another window took it):
// a drag in progress ends as if the button had been released, because the
// release itself will never arrive.
void OnMouseCaptureLost(InputState& input, uint32_t now);
void OnMouseMove(InputState& input, int32_t x, int32_t y, bool leftButton, uint32_t now,
                 bool screensaverMode);
InputAction OnRightButtonUp(bool screensaverMode, bool inWindow);

// Top-left position that centres an outer window size on the screen.
struct WindowPlacement {
    int32_t left, top;
};
WindowPlacement CentreWindow(int32_t screenWidth, int32_t screenHeight, int32_t width, int32_t height);
