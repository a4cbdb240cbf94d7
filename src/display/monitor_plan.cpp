#include "display/monitor_plan.h"

#include <algorithm>

namespace {

bool Overlap(const ScreenRect& a, const ScreenRect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

void MonitorList::Add(const ScreenRect& monitor)
{
    if (count < kMaxMonitors && !monitor.IsEmpty()) {
        monitors[count++] = monitor;
    }
}

MonitorList MonitorsToCover(const MonitorList& desktop, const ScreenRect& drawn)
{
    MonitorList covers;
    for (size_t i = 0; i < desktop.count; ++i) {
        if (!Overlap(desktop.monitors[i], drawn)) {
            covers.Add(desktop.monitors[i]);
        }
    }
    return covers;
}

ScreenRect SpanArea(const MonitorList& desktop)
{
    if (desktop.count == 0) {
        return {};
    }
    ScreenRect area = desktop.monitors[0];
    for (size_t i = 1; i < desktop.count; ++i) {
        const ScreenRect& m = desktop.monitors[i];
        area.left = std::min(area.left, m.left);
        area.top = std::min(area.top, m.top);
        area.right = std::max(area.right, m.right);
        area.bottom = std::max(area.bottom, m.bottom);
    }
    return area;
}
