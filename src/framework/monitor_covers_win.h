// The desktop's monitors as Windows lists them, and the black windows a
// screensaver lays over the monitors it does not draw on.
#pragma once

#include <windows.h>

#include "display/monitor_plan.h"

// Every monitor of the desktop, in Windows' order.
MonitorList ListMonitors();

// The monitor that holds most of the window.
ScreenRect MonitorOfWindow(HWND window);

// Black topmost windows without a cursor, each over one monitor. They never
// take the focus; a left click or a key on one reaches the screensaver's
// window as if it were made there, so it ends the screensaver the same way.
class MonitorCovers {
public:
    MonitorCovers() = default;
    MonitorCovers(const MonitorCovers&) = delete;
    MonitorCovers& operator=(const MonitorCovers&) = delete;
    ~MonitorCovers() { Remove(); }

    void Cover(HWND screensaver, const MonitorList& monitors);
    void Remove();

private:
    HWND windows_[kMaxMonitors] = {};
    size_t count_ = 0;
};
