// The settings record: its conversion into the viewer's units, with single-precision pi, and the
// window title, which never reads past the title's terminator or its field.
#include "package/pano_settings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "payload_bytes.h"
#include "sample_scene.h"

namespace {

std::string WindowTitle(const PanoSettings& s)
{
    char buffer[kWindowTitleCapacity];
    std::memset(buffer, 'x', sizeof buffer);
    BuildWindowTitle(s, buffer);
    return buffer;
}

}  // namespace

TEST(PanoSettings, ConvertsDegreesWithSinglePrecisionPi)
{
    PanoSettings s{};
    s.panMax = 180.0;
    s.autoPanSpeed = 2.0;
    s.idleDelay = 5.0;
    const ViewerSettings v = ConvertSettings(s);
    EXPECT_EQ(v.extent.panMax, 3.1415927410125732);
    EXPECT_EQ(v.autoPanRate, 0.034906586011250816);
    EXPECT_EQ(v.idleDelayMs, 5000.0);
}

TEST(PanoSettings, ConvertsTheSampleRecord)
{
    PanoSettings s = SampleCylinderSettings();
    s.panWraps = 7;  // any non-zero value is true
    s.inertiaTime = 0.5;
    s.dragSpeed = 1.0;
    s.textColor = 0x00FF8000;
    s.autoMotion = 1;
    s.autoZoomFactor = 0;
    const ViewerSettings v = ConvertSettings(s);
    EXPECT_NEAR(v.extent.panSpan, 1.0508939154896, 1e-12);
    EXPECT_NEAR(v.extent.tiltSpan, 0.2547807725436, 1e-12);
    EXPECT_NEAR(v.view.fov, 0.382171, 1e-6);
    EXPECT_EQ(v.view.pan, s.initialPan * kPi / 180.0);
    EXPECT_FALSE(v.extent.spherical);
    EXPECT_TRUE(v.extent.panWraps);
    EXPECT_EQ(v.inertiaSeconds, 0.5);
    EXPECT_EQ(v.dragFactor, 1.0);
    EXPECT_EQ(v.autoMotionEnabled, 1);
    EXPECT_EQ(v.autoZoomRate, 0.0);  // the motion step reads 0 as 1
    EXPECT_EQ(v.textColor, 0x00FF8000u);
}

TEST(PanoSettings, WindowTitle)
{
    EXPECT_EQ(WindowTitle(SettingsNamed("")), "Panorama");
    EXPECT_EQ(WindowTitle(SettingsNamed("Harbour at dusk")), "Panorama - Harbour at dusk");
}

TEST(PanoSettings, TitleBytesAfterTheTerminatorAreNeverUsed)
{
    PanoSettings s = SettingsNamed("X");
    std::memcpy(s.title + 2, "leftover text", 13);
    EXPECT_EQ(WindowTitle(s), "Panorama - X");

    PanoSettings empty = SettingsNamed("");
    std::memcpy(empty.title + 1, "leftover", 8);
    EXPECT_EQ(TitleLength(empty), 0u);
    EXPECT_EQ(WindowTitle(empty), "Panorama");
}

TEST(PanoSettings, TitleWithoutTerminatorStopsAtTheField)
{
    PanoSettings s{};
    std::memset(s.title, 'a', sizeof s.title);
    s.screensaver = 0x41414141;  // would read on as text without the bound
    EXPECT_EQ(TitleLength(s), sizeof s.title);
    const std::string title = WindowTitle(s);
    EXPECT_EQ(title, "Panorama - " + std::string(sizeof s.title, 'a'));
}
