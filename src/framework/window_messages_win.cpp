// The framework's answer to every window message: activity and readiness,
// pausing around menus and suspension, the still clock while the window is
// dragged, the full-screen switch, the change-device dialog and the end.
#include "framework/d3d_application_win.h"

#include <mmsystem.h>

#include "display/change_device_dialog_win.h"
#include "resources/resource_ids.h"

LRESULT CD3DApplication::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        TearDownEnvironment();
        PostQuitMessage(0);
        return 0;
    case WM_MOVE:
        // A child's place is in its parent's coordinates: a frame finds it.
        if (display && isActive && isReady && IsWindowed() && !parentWindow) {
            display->TrackWindowPosition(static_cast<short>(LOWORD(lParam)),
                                         static_cast<short>(HIWORD(lParam)));
        }
        break;
    case WM_SIZE:
        isActive = !(wParam == SIZE_MINIMIZED || wParam == SIZE_MAXHIDE);
        if (CanRebuild() && IsWindowed()) {
            // The back buffer has the client area's size.
            isReady = false;
            if (FAILED(RebuildEnvironment())) {
                return 0;
            }
            isReady = true;
        }
        break;
    case WM_PAINT:
        if (display && !isReady) {
            if (IsWindowed()) {
                display->Present();
            } else {
                display->ShowDesktopSurface(true);
            }
        }
        break;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SETCURSOR:
        if (isActive && isReady && CoversScreen()) {
            SetCursor(nullptr);
            return 1;
        }
        break;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{100, 100};
        break;
    case WM_NCHITTEST:
        if (!IsWindowed()) {
            return HTCLIENT;
        }
        break;
    case WM_COMMAND:
        return HandleCommand(hwnd, wParam, lParam);
    case WM_SYSCOMMAND:
        if ((wParam == SC_SIZE || wParam == SC_MOVE || wParam == SC_MAXIMIZE ||
             wParam == SC_MONITORPOWER) &&
            CoversScreen()) {
            return 1;
        }
        break;
    case WM_ENTERMENULOOP:
        SetPaused(true);
        break;
    case WM_EXITMENULOOP:
        SetPaused(false);
        break;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMQUERYSUSPEND) {
            return OnSuspendRequest(lParam);
        }
        // A suspension that another program vetoed never comes: resume.
        if (wParam == PBT_APMRESUMESUSPEND || wParam == PBT_APMQUERYSUSPENDFAILED) {
            return OnResumeFromSuspend(lParam);
        }
        break;
    case WM_ENTERSIZEMOVE:
        clock.Stop(timeGetTime());
        break;
    case WM_EXITSIZEMOVE:
        clock.Resume(timeGetTime());
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CD3DApplication::HandleCommand(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case CMD_CHANGE_DEVICE:
        if (CanRebuild()) {
            SetPaused(true);
            if (FAILED(RunChangeDeviceDialog(&selectedDevice))) {
                SetPaused(false);
            } else if (SUCCEEDED(RebuildEnvironment())) {
                SetPaused(false);
            }
        }
        return 0;
    case CMD_TOGGLE_FULLSCREEN:
        if (CanRebuild()) {
            isReady = false;
            selectedDevice->inWindow = !selectedDevice->inWindow;
            if (SUCCEEDED(RebuildEnvironment())) {
                isReady = true;
            }
        }
        return 0;
    case CMD_EXIT:
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    default:
        return DefWindowProcA(hwnd, WM_COMMAND, wParam, lParam);
    }
}
