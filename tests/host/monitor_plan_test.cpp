// Which monitors a screensaver covers in black and the area a spanned view
// fills, on desktops laid out as Windows reports them.
#include "display/monitor_plan.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

MonitorList Desktop(std::initializer_list<ScreenRect> monitors)
{
    MonitorList list;
    for (const ScreenRect& m : monitors) {
        list.Add(m);
    }
    return list;
}

std::string Text(const ScreenRect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

std::string Text(const MonitorList& list)
{
    std::string text;
    for (size_t i = 0; i < list.count; ++i) {
        text += Text(list.monitors[i]) + " ";
    }
    return text;
}

}  // namespace

TEST(MonitorPlan, CoversEveryOtherMonitorAndSpansTheirBounds)
{
    const ScreenRect primary{0, 0, 1920, 1080};
    const struct {
        const char* what;
        MonitorList desktop;
        const char* covers;
        const char* span;
    } cases[] = {
        {"one monitor", Desktop({primary}), "", "0,0-1920,1080"},
        {"one to the right, smaller", Desktop({primary, {1920, 0, 2944, 768}}),
         "1920,0-2944,768 ", "0,0-2944,1080"},
        {"left of and above the primary: negative coordinates",
         Desktop({{-1280, -200, 0, 824}, primary, {0, -1080, 1920, 0}}),
         "-1280,-200-0,824 0,-1080-1920,0 ", "-1280,-1080-1920,1080"},
        {"a mirror and an overlapping one are not covered: they show the picture",
         Desktop({primary, {0, 0, 1920, 1080}, {1800, 0, 3000, 1080}, {1920, 0, 3000, 1080}}),
         "1920,0-3000,1080 ", "0,0-3000,1080"},
        {"empty rectangles are no monitors", Desktop({primary, {1920, 0, 1920, 1080}}), "",
         "0,0-1920,1080"},
        {"no monitors at all", Desktop({}), "", "0,0-0,0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(MonitorsToCover(c.desktop, primary)), c.covers) << c.what;
        EXPECT_EQ(Text(SpanArea(c.desktop)), c.span) << c.what;
    }
}

TEST(MonitorPlan, ADesktopOfMoreMonitorsThanTheListHoldsKeepsTheFirst)
{
    MonitorList list;
    for (int i = 0; i < static_cast<int>(kMaxMonitors) + 4; ++i) {
        list.Add({i * 100, 0, i * 100 + 100, 100});
    }
    ASSERT_EQ(list.count, kMaxMonitors);
    EXPECT_EQ(Text(SpanArea(list)), "0,0-" + std::to_string(kMaxMonitors * 100) + ",100");
}
