// The device table's platform-free rules: the order of display modes, which depths a device
// renders into, the default mode, the choice of the default device, and a label without text.
#include "display/device_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

TEST(DeviceRules, ModesSortByWidthThenHeightThenDepth)
{
    std::vector<ModeKey> modes = {{800, 600, 32}, {640, 480, 32}, {800, 600, 16},
                                  {1024, 768, 16}, {640, 400, 16}, {640, 480, 16}};
    std::sort(modes.begin(), modes.end(),
              [](const ModeKey& a, const ModeKey& b) { return CompareModeKeys(a, b) < 0; });
    std::string order;
    for (const ModeKey& m : modes) {
        order += std::to_string(m.width) + "x" + std::to_string(m.height) + "x" +
                 std::to_string(m.bits) + " ";
    }
    EXPECT_EQ(order, "640x400x16 640x480x16 640x480x32 800x600x16 800x600x32 1024x768x16 ");
    EXPECT_EQ(CompareModeKeys({640, 480, 16}, {640, 480, 16}), 0);
    EXPECT_EQ(CompareModeKeys({0x80000000u, 1, 1}, {1, 1, 1}), 1) << "widths compare unsigned";
}

TEST(DeviceRules, RenderDepthFilter)
{
    EXPECT_TRUE(DeviceRendersDepth(16, kRenderDepth16));
    EXPECT_FALSE(DeviceRendersDepth(32, kRenderDepth16));
    EXPECT_TRUE(DeviceRendersDepth(24, kRenderDepth24 | kRenderDepth32));
    EXPECT_TRUE(DeviceRendersDepth(32, kRenderDepth24 | kRenderDepth32));
    EXPECT_FALSE(DeviceRendersDepth(8, 0xFFFFFFFF));
    EXPECT_FALSE(DeviceRendersDepth(15, 0xFFFFFFFF));
}

TEST(DeviceRules, DefaultModeIsTheLast640x480x16)
{
    const ModeKey modes[] = {{640, 480, 16}, {640, 480, 32}, {640, 480, 16}, {800, 600, 16}};
    const auto key = [](const ModeKey& m) { return m; };
    EXPECT_EQ(LastModeIndex(modes, 4, key, kDefaultMode), 2);
    EXPECT_EQ(LastModeIndex(modes + 3, 1, key, kDefaultMode), -1);
}

TEST(DeviceRules, DefaultDeviceByClass)
{
    const DeviceFacts tnl{true, true, true, false};
    const DeviceFacts hal{true, true, false, false};
    const DeviceFacts rgb{true, false, false, false};
    const DeviceFacts ref{true, false, false, true};
    const DeviceFacts secondaryHal{false, true, false, false};
    struct Case {
        const char* label;
        std::vector<DeviceFacts> devices;
        uint32_t flags;
        int expected;
    };
    const Case cases[] = {
        {"T&L HAL before plain HAL", {rgb, hal, tnl, ref}, 0, 2},
        {"last of a class wins", {hal, rgb, hal}, 0, 2},
        {"software before reference", {ref, rgb}, 0, 1},
        {"software only skips hardware", {tnl, hal, rgb, ref}, DEVCHOICE_SOFTWARE_ONLY, 2},
        {"reference only without other software", {tnl, ref}, DEVCHOICE_SOFTWARE_ONLY, 1},
        {"never a device without windowed rendering", {secondaryHal, rgb}, 0, 1},
        {"nothing window-capable", {secondaryHal}, 0, -1},
        {"no software device", {tnl, hal}, DEVCHOICE_SOFTWARE_ONLY, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(ChooseDefaultDeviceIndex(c.devices.data(), c.devices.size(), c.flags), c.expected);
    }
}

// The cut at 38 characters is proven where the table fills its labels; a
// driver that gives no text at all cannot be faked there.
TEST(DeviceRules, ALabelWithoutTextIsEmpty)
{
    char label[kDeviceLabelCapacity];
    std::memset(label, 'x', sizeof label);
    CopyDeviceLabel(label, nullptr);
    EXPECT_STREQ(label, "");
}
