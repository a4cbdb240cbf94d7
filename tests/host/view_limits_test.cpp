// The view limits: a partial panorama's corner rays pull the pan inside, the field of view narrows
// to what fits and projects, wrapping scenes are only normalised, and bad input stays finite.
#include "viewer/view_limits.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "sample_scene.h"
#include "viewer/camera.h"

namespace {

double Deg(double radians) { return radians * 180.0 / kPi; }

ViewState Request(const Scene& scene, double panDeg, double tiltDeg, double fovDeg,
                  uint32_t width = 800, uint32_t height = 600)
{
    ViewState view = scene.view;
    SetView(scene.Limits(width, height), DegreesToRadians(panDeg), DegreesToRadians(tiltDeg),
            DegreesToRadians(fovDeg), view);
    return view;
}

class SampleCylinder : public ::testing::Test {
protected:
    void SetUp() override { BuildScene(scene_, SampleCylinderSettings(), 2605, 635); }
    Scene scene_;
};

class WrappingScenes : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        if (std::string(GetParam()) == "sphere") {
            BuildScene(scene_, FullSphereSettings(), 4096, 2048);
        } else {
            PanoSettings s = SampleCylinderSettings();
            s.panWraps = 1;
            s.panMax = 360;
            BuildScene(scene_, s, 4000, 300);
        }
    }
    Scene scene_;
};

}  // namespace

TEST_F(SampleCylinder, WideFieldOfViewIsNarrowedAndTiltCentred)
{
    const ViewState view = Request(scene_, 30.105892198993235, 0, 21.896793842409977);
    EXPECT_NEAR(Deg(view.fov), 19.2638, 1e-4);
    // Both tilt clamps apply; the second leaves the middle plus half the margin.
    EXPECT_NEAR(Deg(view.tilt), 0.075, 1e-9);
    EXPECT_NEAR(Deg(view.pan), 30.105892198993235, 1e-9);

    // A second request of the stored view changes nothing.
    const ViewState again = Request(scene_, Deg(view.pan), Deg(view.tilt), Deg(view.fov));
    EXPECT_NEAR(again.fov, view.fov, 1e-12);
    EXPECT_NEAR(again.tilt, view.tilt, 1e-12);
    EXPECT_NEAR(again.pan, view.pan, 1e-12);
}

TEST_F(SampleCylinder, CornerSearchPullsThePanInside)
{
    struct Case {
        const char* label;
        double pan, tilt, fov;
        double expectedPan;
        double tolerance;
    };
    const Case cases[] = {
        {"right limit: bottom-right corner pulled in", 58, 3, 10, 55.204, 0.004},
        {"left limit: bottom-left corner pulled in", 2, 3, 10, 5.023, 0.004},
        {"inside: unchanged", 55, 4, 8, 55, 1e-9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const ViewState view = Request(scene_, c.pan, c.tilt, c.fov);
        EXPECT_NEAR(Deg(view.pan), c.expectedPan, c.tolerance);
        EXPECT_NEAR(Deg(view.tilt), c.tilt, 1e-9);
        EXPECT_NEAR(Deg(view.fov), c.fov, 1e-9);
    }
    // The corner rays of the stored views hit the mesh.
    for (const double pan : {58.0, 2.0}) {
        const ViewState view = Request(scene_, pan, 3, 10);
        EXPECT_TRUE(RayHitsPanorama(scene_.Limits(), view, 799, 599));
        EXPECT_TRUE(RayHitsPanorama(scene_.Limits(), view, 0, 599));
    }
}

TEST(NarrowFieldOfView, ZoomStopsWhereTheProjectionStillWorksEvenAtAPanLimit)
{
    // A lower zoom limit below what the projection accepts: the view must
    // stop at the narrowest projectable field, with every corner inside.
    PanoSettings s = SampleCylinderSettings();
    s.fovMin = 1;
    Scene scene;
    BuildScene(scene, s, 2605, 635);
    struct Case {
        const char* label;
        double pan;
        uint32_t width, height;
    };
    const Case cases[] = {
        {"right pan limit", 60.2, 800, 600},
        {"left pan limit", 0, 800, 600},
        {"right pan limit, wide window", 60.2, 1200, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const ViewLimits limits = scene.Limits(c.width, c.height);
        ViewState view = scene.view;
        SetView(limits, DegreesToRadians(c.pan), 0, DegreesToRadians(0.5), view);
        EXPECT_DOUBLE_EQ(view.fov, NarrowestFov(c.width, c.height));
        D3DMATRIX projection{};
        EXPECT_TRUE(ProjectionMatrix(projection, view.fov, c.width, c.height));
        const int32_t right = static_cast<int32_t>(c.width) - 1;
        const int32_t bottom = static_cast<int32_t>(c.height) - 1;
        EXPECT_TRUE(RayHitsPanorama(limits, view, 0, 0));
        EXPECT_TRUE(RayHitsPanorama(limits, view, right, 0));
        EXPECT_TRUE(RayHitsPanorama(limits, view, 0, bottom));
        EXPECT_TRUE(RayHitsPanorama(limits, view, right, bottom));

        // Zooming out from there works at once.
        const double narrowest = view.fov;
        SetView(limits, view.pan, view.tilt, narrowest * 1.1, view);
        EXPECT_DOUBLE_EQ(view.fov, narrowest * 1.1);
    }
}

TEST_F(SampleCylinder, SimplePanClampWithoutTheSearch)
{
    // At the simple clamp (panMax - fov/2) the bottom-right corner misses.
    ViewState view{DegreesToRadians(60.21178439798647 - 5), DegreesToRadians(3),
                   DegreesToRadians(10)};
    EXPECT_FALSE(RayHitsPanorama(scene_.Limits(), view, 799, 599));
    EXPECT_TRUE(RayHitsPanorama(scene_.Limits(), view, 400, 300));
}

TEST_F(SampleCylinder, PanOnTheInnerSideIsNeverMovedByTheRightCorner)
{
    // Looking far down: the bottom-right corner misses the mesh, but a pan at
    // or left of the middle is not the right corner's to move.
    const ViewLimits limits = scene_.Limits();
    for (const double panDeg : {30.0, 20.0, 0.0}) {
        ViewState state{DegreesToRadians(panDeg), DegreesToRadians(40), DegreesToRadians(10)};
        ASSERT_FALSE(RayHitsPanorama(limits, state, 799, 599));
        PullPanInside(limits, state, 799, 599, true, 0.5f);
        EXPECT_EQ(state.pan, DegreesToRadians(panDeg));
    }
}

TEST_F(SampleCylinder, TopEdgeIsKeptAMarginAway)
{
    const ViewState view = Request(scene_, 30, -7, 8);
    const double h = DegreesToRadians(8) * 0.75 / 2;
    EXPECT_NEAR(view.tilt - h, scene_.extent.tiltMin + kEdgeMargin, 1e-12);
}

TEST_F(SampleCylinder, NonFiniteRequestsLeaveTheViewUnchanged)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const ViewState before = scene_.view;
    for (const ViewState& r : {ViewState{nan, 0, 0.3}, ViewState{0.5, inf, 0.3},
                               ViewState{0.5, 0, -inf}, ViewState{inf, nan, nan}}) {
        ViewState view = before;
        SetView(scene_.Limits(), r.pan, r.tilt, r.fov, view);
        EXPECT_EQ(view.pan, before.pan);
        EXPECT_EQ(view.tilt, before.tilt);
        EXPECT_EQ(view.fov, before.fov);
    }
}

TEST_P(WrappingScenes, PanIsOnlyNormalised)
{
    struct Case {
        double request, expected;
    };
    const Case cases[] = {
        {kTwoPi, 0.0},
        {-kPi - 0.1, kPi - 0.1},
        {7.0, 7.0 - kTwoPi},
        {-kPi, -kPi},
        {1.0, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        ViewState view = scene_.view;
        SetView(scene_.Limits(), c.request, 0.0, DegreesToRadians(30), view);
        EXPECT_NEAR(view.pan, c.expected, 1e-12);
    }
}

TEST_P(WrappingScenes, HugePanIsNormalisedAtOnce)
{
    for (const double pan : {1e300, -1e300, 1e20, -7e15}) {
        ViewState view = scene_.view;
        SetView(scene_.Limits(), pan, 0.0, DegreesToRadians(30), view);
        EXPECT_GE(view.pan, -kPi);
        EXPECT_LT(view.pan, kTwoPi);
    }
}

INSTANTIATE_TEST_SUITE_P(View, WrappingScenes, ::testing::Values("sphere", "wrapping cylinder"));

TEST(FullSphere, OnlyNormalisationAndTheSimpleClampsApply)
{
    Scene scene;
    BuildScene(scene, FullSphereSettings(), 4096, 2048);
    ViewState view = scene.view;
    SetView(scene.Limits(), 1.0, kHalfPi, DegreesToRadians(200), view);
    EXPECT_EQ(view.tilt, kHalfPi);
    EXPECT_EQ(view.fov, scene.extent.fovMax);
    SetView(scene.Limits(), 1.0, 2.0, DegreesToRadians(1), view);
    EXPECT_EQ(view.tilt, kHalfPi);
    EXPECT_EQ(view.fov, scene.extent.fovMin);
    SetView(scene.Limits(), 1.0, -2.0, DegreesToRadians(50), view);
    EXPECT_EQ(view.tilt, -kHalfPi);
}

TEST(WrappingCylinder, FieldOfViewAndTiltAreStillLimited)
{
    PanoSettings s = SampleCylinderSettings();
    s.panWraps = 1;
    Scene scene;
    BuildScene(scene, s, 2605, 635);
    ViewState view = scene.view;
    SetView(scene.Limits(), 100.0, 0.5, DegreesToRadians(90), view);
    EXPECT_NEAR(view.pan, 100.0 - 15 * kTwoPi, 1e-9);
    const double h = view.fov * 0.75 / 2;
    EXPECT_NEAR(2 * h, scene.extent.tiltSpan - kEdgeMargin, 1e-12);
    // Both tilt clamps apply; the second, from the top edge, wins.
    EXPECT_NEAR(view.tilt - h, scene.extent.tiltMin + kEdgeMargin, 1e-12);
}

TEST(DegenerateSettings, ViewCodeEndsAndStaysFinite)
{
    struct Case {
        const char* label;
        void (*change)(PanoSettings&);
    };
    const Case cases[] = {
        {"fov limits of zero", [](PanoSettings& s) { s.fovMin = s.fovMax = 0; }},
        {"empty pan span", [](PanoSettings& s) { s.panMax = s.panMin = 10; }},
        {"inverted pan span", [](PanoSettings& s) { s.panMin = 50, s.panMax = 10; }},
        {"empty tilt span", [](PanoSettings& s) { s.tiltMin = s.tiltMax = 0; }},
        {"infinite pan limit",
         [](PanoSettings& s) { s.panMax = std::numeric_limits<double>::infinity(); }},
        {"NaN limits", [](PanoSettings& s) { s.panMin = s.tiltMax = std::nan(""); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        PanoSettings s = SampleCylinderSettings();
        c.change(s);
        Scene scene;
        BuildScene(scene, s, 2605, 635);
        for (const double pan : {-3.0, 0.0, 0.5, 6.0}) {
            ViewState view{1.0, 0.0, 0.3};
            SetView(scene.Limits(), pan, 0.05, 0.2, view);
            EXPECT_TRUE(std::isfinite(view.pan) && std::isfinite(view.tilt) &&
                        std::isfinite(view.fov));
        }
    }
}

TEST(NarrowCylinder, FieldOfViewIsNarrowedToThePanSpan)
{
    // 30 degrees wide and 80 high: the pan span, not the height, limits the zoom.
    PanoSettings s = SampleCylinderSettings();
    s.panMax = 30;
    s.tiltMin = -40;
    s.tiltMax = 40;
    Scene scene;
    BuildScene(scene, s, 1000, 2700);
    const ViewState view = Request(scene, 20, 0, 60);
    EXPECT_EQ(view.fov, scene.extent.panMax - scene.extent.panMin);
    EXPECT_NEAR(Deg(view.pan), 15, 1e-9) << "the only pan that shows the whole span";
}
