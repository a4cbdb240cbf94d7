#include "framework/monitor_covers_win.h"

namespace {

constexpr char kCoverClass[] = "Pano Monitor Cover";

ScreenRect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info)) {
        reinterpret_cast<MonitorList*>(list)->Add(FromRect(info.rcMonitor));
    }
    return TRUE;
}

LRESULT CALLBACK CoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        PostMessageA(reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_USERDATA)), message,
                     wParam, lParam);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

MonitorList ListMonitors()
{
    MonitorList list;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list));
    return list;
}

ScreenRect MonitorOfWindow(HWND window)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info);
    return FromRect(info.rcMonitor);
}

void MonitorCovers::Cover(HWND screensaver, const MonitorList& monitors)
{
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA coverClass = {};
    coverClass.lpfnWndProc = CoverProc;
    coverClass.hInstance = instance;
    coverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    coverClass.lpszClassName = kCoverClass;
    RegisterClassA(&coverClass);  // fails harmlessly when already registered
    for (size_t i = 0; i < monitors.count && count_ < kMaxMonitors; ++i) {
        const ScreenRect& m = monitors.monitors[i];
        HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                     kCoverClass, "", WS_POPUP, m.left, m.top, m.right - m.left,
                                     m.bottom - m.top, nullptr, nullptr, instance, nullptr);
        if (cover) {
            SetWindowLongPtrA(cover, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(screensaver));
            ShowWindow(cover, SW_SHOWNOACTIVATE);
            windows_[count_++] = cover;
        }
    }
}

void MonitorCovers::Remove()
{
    while (count_ > 0) {
        DestroyWindow(windows_[--count_]);
    }
}
