// The mesh: the sample cylinder's vertices across its tiles, column counts around half a circle,
// the full sphere's poles, the horizon with unset tilt limits, and the image starting at pan 0.
#include "viewer/panorama_mesh.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "sample_scene.h"

namespace {

// Whether v has the position (x, y, z) and the texture coordinates (tu, tv);
// a failure shows both, at the calling case's line.
testing::AssertionResult VertexNear(const PanoVertex& v, float x, float y, float z, float tu,
                                    float tv)
{
    const auto within = [](float a, float b) { return std::fabs(a - b) <= 1e-5f; };
    const auto same = [](float a, float b) {
        return std::fabs(a - b) <= 4 * FLT_EPSILON * std::fabs(b);
    };
    if (within(v.x, x) && within(v.y, y) && within(v.z, z) && same(v.tu, tu) && same(v.tv, tv)) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << "vertex (" << v.x << ", " << v.y << ", " << v.z << ") at (" << v.tu << ", " << v.tv
           << "), expected (" << x << ", " << y << ", " << z << ") at (" << tu << ", " << tv << ")";
}

}  // namespace

TEST(PanoramaMesh, SampleCylinder)
{
    Scene scene;
    BuildScene(scene, SampleCylinderSettings(), 2605, 635);
    EXPECT_EQ(scene.mesh.meshRows, 32u);
    EXPECT_EQ(scene.mesh.meshColumns, 48u);
    EXPECT_EQ(scene.mesh.tileVertexCount[0], 1600u);
    EXPECT_EQ(scene.mesh.tileVertexCount[1], 1600u);
    EXPECT_EQ(scene.mesh.tileVertices[2], nullptr);
    EXPECT_NEAR(HorizonFraction(scene.extent, 0.256168f), 0.5, 1e-5);

    const PanoVertex* tile0 = scene.mesh.tileVertices[0].get();
    EXPECT_TRUE(VertexNear(tile0[0], -0.867868f, -0.128084f, 0.496795f, 1, 0));
    EXPECT_TRUE(VertexNear(tile0[1], -0.867868f, -0.120079f, 0.496795f, 1, 0.03125f));
    // The row ends at the tile's image-left column, 24 columns further on.
    const float theta = -scene.extent.panSpan + 24 * (scene.extent.panSpan / 48);
    EXPECT_TRUE(VertexNear(tile0[48], std::sin(theta), -0.128084f, std::cos(theta), 0, 0));
    // Tile 1 starts where tile 0 ends: at the image's middle.
    EXPECT_TRUE(
        VertexNear(scene.mesh.tileVertices[1][0], tile0[48].x, tile0[48].y, tile0[48].z, 1, 0));
    // The last strip row ends at the image's bottom, y = +h0.
    const PanoVertex& last = tile0[1599];
    EXPECT_NEAR(last.y, 0.128084f, 1e-5f);
    EXPECT_FLOAT_EQ(last.tv, 1.0f);
}

TEST(PanoramaMesh, NormalsAndSecondCoordinatesRepeatTheFirst)
{
    Scene scene;
    BuildScene(scene, FullSphereSettings(), 4096, 2048);
    for (uint32_t k = 0; k < scene.image.tileCount; ++k) {
        for (uint32_t i = 0; i < scene.mesh.tileVertexCount[k]; ++i) {
            const PanoVertex& v = scene.mesh.tileVertices[k][i];
            ASSERT_EQ(v.nx, v.x);
            ASSERT_EQ(v.ny, v.y);
            ASSERT_EQ(v.nz, v.z);
            ASSERT_EQ(v.tu2, v.tu);
            ASSERT_EQ(v.tv2, v.tv);
        }
    }
}

TEST(PanoramaMesh, ColumnCountsAroundHalfACircle)
{
    struct Case {
        double panMax;
        uint32_t columns, vertices;
    };
    const Case cases[] = {{180.0, 48, 3136}, {180.01, 64, 4160}, {90.0, 48, 3136}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.panMax);
        PanoSettings s = SampleCylinderSettings();
        s.panMax = c.panMax;
        Scene scene;
        BuildScene(scene, s, 2000, 400);
        EXPECT_EQ(scene.mesh.meshColumns, c.columns);
        EXPECT_EQ(scene.mesh.tileVertexCount[0], c.vertices);
    }
}

TEST(PanoramaMesh, FullSpherePolesCollapse)
{
    Scene scene;
    BuildScene(scene, FullSphereSettings(), 4096, 2048);
    ASSERT_EQ(scene.image.tileColumns, 2);
    EXPECT_EQ(scene.mesh.meshColumns, 64u);
    // The first pair of the first row: ring 0 is the pole at y = -1.
    const PanoVertex* tile0 = scene.mesh.tileVertices[0].get();
    EXPECT_NEAR(tile0[0].y, -1.0f, 1e-6f);
    EXPECT_NEAR(std::hypot(tile0[0].x, tile0[0].z), 0.0f, 1e-6f);
    // The last pair's upper vertex is ring 32: the other pole.
    const PanoVertex& top = tile0[scene.mesh.tileVertexCount[0] - 1];
    EXPECT_NEAR(top.y, 1.0f, 1e-6f);
    EXPECT_NEAR(std::hypot(top.x, top.z), 0.0f, 1e-6f);
    // Ring 16 is the equator.
    const PanoVertex& equator = tile0[16 * 2 * 33];
    EXPECT_NEAR(equator.y, 0.0f, 1e-6f);
    EXPECT_NEAR(std::hypot(equator.x, equator.z), 1.0f, 1e-6f);
}

TEST(PanoramaMesh, HorizonRuleWithUnsetTiltLimits)
{
    PanoExtent e{};
    const float height = 0.3f;
    e.tiltMin = -kLimitUnset;
    e.tiltMax = kLimitUnset;
    EXPECT_EQ(HorizonFraction(e, height), 0.5);
    e.tiltMax = 0.1;
    EXPECT_DOUBLE_EQ(HorizonFraction(e, height), 1 - std::tan(0.1) / height);
    e.tiltMax = kLimitUnset;
    e.tiltMin = -0.05;
    EXPECT_DOUBLE_EQ(HorizonFraction(e, height), std::tan(0.05) / height);
    e.tiltMax = 0.2;
    EXPECT_DOUBLE_EQ(HorizonFraction(e, height),
                     (std::tan(0.05) / height + 1 - std::tan(0.2) / height) / 2);
}

TEST(PanoramaMesh, ImageStartsAtPanZeroWhateverPanMin)
{
    PanoSettings shifted = SampleCylinderSettings();
    shifted.panMin += 40;
    shifted.panMax += 40;
    Scene a, b;
    BuildScene(a, SampleCylinderSettings(), 2605, 635);
    BuildScene(b, shifted, 2605, 635);
    for (uint32_t i = 0; i < 1600; i += 97) {
        EXPECT_EQ(a.mesh.tileVertices[0][i].x, b.mesh.tileVertices[0][i].x);
        EXPECT_EQ(a.mesh.tileVertices[1][i].z, b.mesh.tileVertices[1][i].z);
    }
}
