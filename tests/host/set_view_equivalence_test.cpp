// SetView, which casts corner rays only at the mesh cells they may hit,
// against the earlier SetView that tests every triangle (set_view_reference):
// the stored views must be the same bytes. Cylinders and spheres, every tile
// grid, mirrored spans, unset tilt limits, odd viewports, and settings and
// requests that are not finite numbers or far out of range.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "sample_scene.h"
#include "set_view_reference.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

struct Viewport {
    uint32_t width, height;
};

const std::vector<Viewport> kUsualViewports = {{800, 600}, {1200, 300}, {300, 1200}, {640, 480}};
// Tiny, one pixel wide or high, and empty (a minimised window).
const std::vector<Viewport> kOddViewports = {{2, 2},    {1, 1},    {3, 1}, {1, 977},
                                             {4000, 3}, {4095, 7}, {0, 0}};

std::vector<Viewport> AllViewports()
{
    std::vector<Viewport> all = kUsualViewports;
    all.insert(all.end(), kOddViewports.begin(), kOddViewports.end());
    return all;
}

struct SceneCase {
    std::string label;
    PanoSettings settings;
    uint32_t imageWidth, imageHeight;
};

PanoSettings Cylinder(double panMin, double panMax, double tiltMin, double tiltMax)
{
    PanoSettings s = SampleCylinderSettings();
    s.panMin = panMin;
    s.panMax = panMax;
    s.tiltMin = tiltMin;
    s.tiltMax = tiltMax;
    s.fovMin = 1;
    s.fovMax = 170;
    return s;
}

PanoSettings Sphere(double panMin, double panMax, double tiltMin, double tiltMax)
{
    PanoSettings s = Cylinder(panMin, panMax, tiltMin, tiltMax);
    s.spherical = 1;
    return s;
}

// Image sizes pick the tile grid: up to 2048, up to 4096 and above 4096
// pixels wide give 1, 2 and 4 tile columns, above 2048 high 2 tile rows.
std::vector<SceneCase> Cylinders()
{
    PanoSettings mirrored = Cylinder(60, 0, -20, 20);
    PanoSettings wraps = Cylinder(0, 360, -30, 30);
    wraps.panWraps = 1;
    return {
        {"sample cylinder, 2 tile columns", SampleCylinderSettings(), 2605, 635},
        {"cylinder over 180 degrees, 1 tile", Cylinder(0, 180, -30, 30), 1600, 800},
        {"cylinder over 200 degrees from pan 20", Cylinder(20, 220, -25, 35), 3000, 1000},
        {"cylinder over 360 degrees, no wrap, 4 tile columns", Cylinder(0, 360, -20, 20), 6000,
         1500},
        {"cylinder with both tilt limits unset", Cylinder(0, 120, -900, 900), 2000, 500},
        {"cylinder with only the lower limit", Cylinder(0, 90, -900, 25), 1800, 900},
        {"cylinder with only the upper limit", Cylinder(0, 90, -15, 900), 1800, 900},
        {"mirrored cylinder span", mirrored, 2000, 1200},
        {"tall cylinder, 2 tile rows", Cylinder(0, 40, -60, 60), 1800, 2500},
        {"narrow cylinder, 4 x 2 tiles", Cylinder(10, 11, -40, 40), 5000, 3000},
        {"cylinder up to the poles", Cylinder(0, 150, -90, 90), 2000, 1000},
        {"wrapping cylinder", wraps, 4000, 300},
    };
}

std::vector<SceneCase> Spheres()
{
    return {
        {"sphere with both poles, 2 x 2 tiles", Sphere(0, 180, -90, 90), 3000, 3000},
        {"sphere over 360 by 120, 4 x 2 tiles", Sphere(0, 360, -60, 60), 8000, 4000},
        {"sphere over 300 from -80 to 40", Sphere(-30, 270, -80, 40), 4096, 2048},
        {"sphere over 90 by 60", Sphere(0, 90, -30, 30), 1000, 700},
        {"sphere over 359 by 179", Sphere(0, 359, -89.5, 89.5), 4100, 2050},
        {"mirrored sphere", Sphere(100, -20, -45, 50), 2500, 1300},
        {"sphere past the poles", Sphere(0, 200, -100, 95), 3000, 1500},
        {"full sphere", FullSphereSettings(), 4096, 2048},
    };
}

// Settings a packer would refuse but a payload can still hold.
std::vector<SceneCase> RegularScenes()
{
    std::vector<SceneCase> scenes = Cylinders();
    for (SceneCase& sphere : Spheres()) {
        scenes.push_back(sphere);
    }
    return scenes;
}

std::vector<SceneCase> UnusualScenes()
{
    std::vector<SceneCase> scenes;
    const struct {
        const char* label;
        double panMin, panMax, tiltMin, tiltMax, fovMin, fovMax;
        int32_t spherical;
    } cases[] = {
        {"infinite pan limit", 0, kInf, -10, 10, 1, 170, 0},
        {"NaN pan limit", kNaN, 60, -10, 10, 1, 170, 0},
        {"NaN tilt limit", 0, 60, -10, kNaN, 1, 170, 0},
        {"infinite tilt limit", 0, 60, -kInf, 10, 1, 170, 1},
        {"huge pan span", -1e300, 1e300, -10, 10, 1, 170, 0},
        {"pan span of many turns", 0, 1e6, -10, 10, 1, 170, 0},
        {"huge tilt limits", 0, 60, -1e300, 1e300, 1, 170, 0},
        {"huge tilt limits on a sphere", 0, 60, -1e300, 1e300, 1, 170, 1},
        {"zero pan span", 30, 30, -10, 10, 1, 170, 0},
        {"tiny pan span", 0, 1e-6, -10, 10, 1e-9, 170, 0},
        {"tilt limits swapped", 0, 60, 10, -10, 1, 170, 0},
        {"NaN field-of-view limits", 0, 60, -10, 10, kNaN, kNaN, 0},
        {"infinite field-of-view limits", 0, 60, -10, 10, -kInf, kInf, 1},
        {"huge field-of-view limits", 0, 60, -10, 10, 1e300, 1e301, 0},
        {"tilt span beyond a turn", 0, 90, -400, 400, 1, 170, 1},
        {"pan span beyond a turn", 0, 500, -20, 20, 1, 170, 0},
        {"pan span just over a turn", 0, 362, -20, 20, 1, 170, 0},
    };
    for (const auto& c : cases) {
        PanoSettings s = Cylinder(c.panMin, c.panMax, c.tiltMin, c.tiltMax);
        s.fovMin = c.fovMin;
        s.fovMax = c.fovMax;
        s.spherical = c.spherical;
        scenes.push_back({c.label, s, 2605, 635});
    }
    return scenes;
}

struct Tally {
    long long requests = 0;
    long long rays = 0;
    int mismatches = 0;
};

std::string Describe(const ViewState& v)
{
    char text[160];
    std::snprintf(text, sizeof text, "{%a, %a, %a}", v.pan, v.tilt, v.fov);
    return text;
}

// One request on both, each from its own previous view as the frame step
// would; every difference is reported, the first few in detail.
void Compare(const ViewLimits& limits, double pan, double tilt, double fov, ViewState& reference,
             ViewState& fast, Tally& tally)
{
    const ViewState before = fast;
    set_view_reference::SetView(limits, pan, tilt, fov, reference);
    SetView(limits, pan, tilt, fov, fast);
    ++tally.requests;
    if (std::memcmp(&reference, &fast, sizeof fast) != 0) {
        if (++tally.mismatches <= 5) {
            ADD_FAILURE() << "request {" << Describe({pan, tilt, fov}) << "} from "
                          << Describe(before) << " in " << limits.viewportWidth << " x "
                          << limits.viewportHeight << ": reference " << Describe(reference)
                          << ", fast " << Describe(fast);
        }
        fast = reference;
    }
}

double Deg(double degrees) { return DegreesToRadians(degrees); }

// Pan from a tenth of the span before the left limit to a tenth past the
// right one, at several tilts and fields of view, plus the wrapped pans.
void Sweep(const ViewLimits& limits, const PanoExtent& e, int panSteps, ViewState& reference,
           ViewState& fast, Tally& tally)
{
    const double span = std::isfinite(e.panSpan) ? e.panSpan : kTwoPi;
    const double first = (std::isfinite(e.panMin) ? e.panMin : 0) - span / 10;
    for (const double tilt : {-89.0, -40.0, -6.0, 0.0, 3.0, 25.0, 89.0}) {
        for (const double fov : {0.5, 8.0, 20.0, 75.0, 140.0}) {
            for (int i = 0; i <= panSteps; ++i) {
                const double pan = first + (span * 1.2) * i / panSteps;
                Compare(limits, pan, Deg(tilt), Deg(fov), reference, fast, tally);
            }
            Compare(limits, e.panMin + kTwoPi, Deg(tilt), Deg(fov), reference, fast, tally);
            Compare(limits, e.panMax - 3 * kTwoPi, Deg(tilt), Deg(fov), reference, fast, tally);
        }
    }
}

// Random requests around the panorama, some far out or not finite.
void RandomRequests(const ViewLimits& limits, int count, std::mt19937_64& random,
                    ViewState& reference, ViewState& fast, Tally& tally)
{
    std::uniform_real_distribution<double> pan(-2 * kTwoPi, 3 * kTwoPi);
    std::uniform_real_distribution<double> tilt(-2.0, 2.0);
    std::uniform_real_distribution<double> fov(0.0, 3.5);
    std::uniform_int_distribution<int> odd(0, 39);
    const double extremes[] = {kNaN, kInf, -kInf, 1e300, -1e300, 1e20, -1e20, 0.0, -0.0, 7.0};
    for (int i = 0; i < count; ++i) {
        double request[3] = {pan(random), tilt(random), fov(random)};
        const int which = odd(random);
        if (which < 3) {
            request[which] = extremes[odd(random) % 10];
        }
        Compare(limits, request[0], request[1], request[2], reference, fast, tally);
    }
}

// Builds the scene in place (the mesh owns its arrays).
std::unique_ptr<Scene> MakeScene(const SceneCase& c)
{
    auto scene = std::make_unique<Scene>();
    BuildScene(*scene, c.settings, c.imageWidth, c.imageHeight);
    return scene;
}

// Each scene in each viewport: the sweep when panSteps > 0, then
// randomCount random requests.
void SweepScenes(const std::vector<SceneCase>& scenes, const std::vector<Viewport>& viewports,
                 int panSteps, int randomCount, Tally& tally)
{
    std::mt19937_64 random(20261208);
    for (const SceneCase& c : scenes) {
        const std::unique_ptr<Scene> scene = MakeScene(c);
        for (const Viewport& viewport : viewports) {
            SCOPED_TRACE(c.label + ", " + std::to_string(viewport.width) + " x " +
                         std::to_string(viewport.height));
            const ViewLimits limits = scene->Limits(viewport.width, viewport.height);
            ViewState reference = scene->view;
            ViewState fast = scene->view;
            if (panSteps > 0) {
                Sweep(limits, scene->extent, panSteps, reference, fast, tally);
            }
            RandomRequests(limits, randomCount, random, reference, fast, tally);
        }
    }
}

// A point of the mesh seen from the eye, as a view centred on it.
ViewState Aim(const PanoVertex& v, double fov)
{
    return ViewState{-std::atan2(v.x, v.z), std::atan2(v.y, std::hypot(v.x, v.z)), fov};
}

// Rays through the screen centre at vertices and triangle centres, and
// nudged off them by tiny angles, where a cell's bounds would first be too
// narrow; and rays through the corners of random views.
void CompareRays(const Scene& scene, Tally& tally)
{
    const ViewLimits limits = scene.Limits(800, 600);
    const PanoramaMesh& mesh = scene.mesh;
    std::mt19937_64 random(7);
    std::uniform_int_distribution<int> power(1, 40);
    std::uniform_int_distribution<int> sign(0, 1);
    const auto check = [&](const ViewState& state, int32_t px, int32_t py) {
        ++tally.rays;
        const bool expected = set_view_reference::RayHitsPanorama(limits, state, px, py);
        if (RayHitsPanorama(limits, state, px, py) != expected && ++tally.mismatches <= 5) {
            ADD_FAILURE() << "ray at " << px << ", " << py << " of view " << Describe(state)
                          << ": reference " << expected;
        }
    };
    for (int k = 0; k < kMaxTiles; ++k) {
        const PanoVertex* vertices = mesh.tileVertices[k].get();
        for (uint32_t i = 0; vertices && i + 2 < mesh.tileVertexCount[k]; i += 3) {
            PanoVertex middle = vertices[i];
            middle.x = (vertices[i].x + vertices[i + 1].x + vertices[i + 2].x) / 3;
            middle.y = (vertices[i].y + vertices[i + 1].y + vertices[i + 2].y) / 3;
            middle.z = (vertices[i].z + vertices[i + 1].z + vertices[i + 2].z) / 3;
            for (const PanoVertex& target : {vertices[i], vertices[i + 1], middle}) {
                const ViewState aimed = Aim(target, Deg(10));
                check(aimed, 400, 300);
                ViewState nudged = aimed;
                const double step = std::ldexp(1.0, -power(random));
                (sign(random) ? nudged.pan : nudged.tilt) += sign(random) ? step : -step;
                check(nudged, 400, 300);
            }
        }
    }
    std::uniform_real_distribution<double> pan(-kPi, kTwoPi);
    std::uniform_real_distribution<double> tilt(-kHalfPi, kHalfPi);
    std::uniform_real_distribution<double> fov(0.03, 3.0);
    for (int i = 0; i < 2000; ++i) {
        const ViewState state{pan(random), tilt(random), fov(random)};
        check(state, 0, 0);
        check(state, 799, 599);
    }
}

class SetViewEquivalence : public ::testing::Test {
protected:
    void TearDown() override
    {
        std::printf("[ compared ] %lld requests, %lld rays\n", tally_.requests, tally_.rays);
        EXPECT_EQ(tally_.mismatches, 0);
    }
    Tally tally_;
};

}  // namespace

// The reference's cost per request varies a hundredfold (long corner walks
// that test every triangle at each step), so the requests are shared out
// among several tests that can run side by side.
TEST_F(SetViewEquivalence, CylindersDenseSweep)
{
    SweepScenes(Cylinders(), kUsualViewports, 16, 0, tally_);
    EXPECT_GE(tally_.requests, 12 * 4 * 7 * 5 * 19);
}

TEST_F(SetViewEquivalence, SpheresDenseSweep)
{
    SweepScenes(Spheres(), kUsualViewports, 24, 0, tally_);
    EXPECT_GE(tally_.requests, 8 * 4 * 7 * 5 * 27);
}

TEST_F(SetViewEquivalence, OddViewportsSweep)
{
    SweepScenes(RegularScenes(), kOddViewports, 2, 0, tally_);
    EXPECT_GE(tally_.requests, 20 * 7 * 7 * 5 * 5);
}

TEST_F(SetViewEquivalence, CylindersRandomRequests)
{
    SweepScenes(Cylinders(), AllViewports(), 0, 60, tally_);
    EXPECT_GE(tally_.requests, 12 * 11 * 60);
}

TEST_F(SetViewEquivalence, SpheresRandomRequests)
{
    SweepScenes(Spheres(), AllViewports(), 0, 60, tally_);
    EXPECT_GE(tally_.requests, 8 * 11 * 60);
}

TEST_F(SetViewEquivalence, UnusualSettings)
{
    SweepScenes(UnusualScenes(), AllViewports(), 0, 10, tally_);
    EXPECT_GE(tally_.requests, 17 * 11 * 10);
}

TEST_F(SetViewEquivalence, BenchRequestsAtTheLimits)
{
    Scene scene;
    BuildScene(scene, SampleCylinderSettings(), 2605, 635);
    const ViewLimits limits = scene.Limits(800, 600);
    for (const double pan : {58.0, 30.0, 2.0, 55.0, 60.2, 0.0}) {
        ViewState reference = scene.view;
        ViewState fast = scene.view;
        Compare(limits, Deg(pan), Deg(3), Deg(10), reference, fast, tally_);
    }
}

TEST_F(SetViewEquivalence, FreedTileArrays)
{
    // Arrays freed after the build, as when the scene shuts down: both test
    // only the tiles that are left.
    for (const int freed : {0, 1}) {
        Scene scene;
        BuildScene(scene, SampleCylinderSettings(), 2605, 635);
        scene.mesh.tileVertices[freed].reset();
        const ViewLimits limits = scene.Limits(800, 600);
        ViewState reference = scene.view;
        ViewState fast = scene.view;
        Sweep(limits, scene.extent, 16, reference, fast, tally_);
    }
    EXPECT_GE(tally_.requests, 2 * 7 * 5 * 19);
}

TEST_F(SetViewEquivalence, RaysAtVerticesAndEdges)
{
    for (const SceneCase& c : RegularScenes()) {
        SCOPED_TRACE(c.label);
        CompareRays(*MakeScene(c), tally_);
    }
    EXPECT_GT(tally_.rays, 20 * 4000);
}

// Settings, image sizes and viewports drawn at random, the way the fuzz
// target reads them, with a few requests each.
TEST_F(SetViewEquivalence, RandomSettings)
{
    std::mt19937_64 random(99);
    std::uniform_real_distribution<double> angle(-400.0, 400.0);
    std::uniform_int_distribution<int> pick(0, 15);
    std::uniform_int_distribution<uint32_t> size(1, 16384);
    std::uniform_int_distribution<uint32_t> pixels(0, 4095);
    const double specials[] = {0, -0.0, 90, -90, 180, 360, 900, -900, 1e300, kNaN, kInf, -kInf};
    const auto value = [&] {
        const int p = pick(random);
        return p < 12 ? specials[p] : angle(random);
    };
    for (int i = 0; i < 60; ++i) {
        PanoSettings s = Cylinder(value(), value(), value(), value());
        s.fovMin = value();
        s.fovMax = value();
        s.spherical = pick(random) & 1;
        s.panWraps = pick(random) == 0;
        const std::unique_ptr<Scene> scene = MakeScene({"random", s, size(random), size(random)});
        const ViewLimits limits = scene->Limits(pixels(random), pixels(random));
        ViewState reference = scene->view;
        ViewState fast = scene->view;
        RandomRequests(limits, 4, random, reference, fast, tally_);
    }
}
