// The scan of many triangles at once answers as the ray/triangle test does
// for each, also on the values where rounding, signed zeros, infinities and
// NaN decide.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "viewer/mesh_triangles.h"
#include "viewer/view_limits.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

bool SingleTest(const D3DVECTOR& origin, const D3DVECTOR& direction, const D3DVECTOR& a,
                const D3DVECTOR& b, const D3DVECTOR& c)
{
    float t, u, v;
    return IntersectRayTriangle(origin, direction, a, b, c, t, u, v) && t > 0;
}

// Mostly ordinary coordinates, now and then one that tests an edge.
float Coordinate(std::mt19937& random)
{
    static const float specials[] = {0.0f, -0.0f, 1.0f, -1.0f, 1e-30f, -1e-30f, 1e30f, -1e30f,
                                     kInf, -kInf, kNaN, 1e-45f, 0.0001f, 3e38f};
    std::uniform_int_distribution<int> pick(0, 19);
    const int k = pick(random);
    if (k < static_cast<int>(std::size(specials)) && pick(random) < 3) {
        return specials[k];
    }
    // Small integers make exact zeros and ties in the differences.
    if (pick(random) < 6) {
        return static_cast<float>(pick(random) - 10);
    }
    return std::uniform_real_distribution<float>(-2.0f, 2.0f)(random);
}

D3DVECTOR Vector(std::mt19937& random)
{
    return D3DVECTOR{Coordinate(random), Coordinate(random), Coordinate(random)};
}

}  // namespace

TEST(MeshTriangles, EachTriangleAnswersAsTheSingleTest)
{
    std::mt19937 random(20261208);
    auto triangles = std::make_unique<MeshTriangles>();
    int accepted = 0;
    for (int round = 0; round < 200000; ++round) {
        const D3DVECTOR origin = round % 4 == 0 ? Vector(random) : D3DVECTOR{0, 0, 0};
        const D3DVECTOR direction = Vector(random);
        const D3DVECTOR a = Vector(random), b = Vector(random), c = Vector(random);
        SetMeshTriangle(*triangles, 7, a, b, c);
        const bool expected = SingleTest(origin, direction, a, b, c);
        accepted += expected;
        ASSERT_EQ(AnyTriangleHit(*triangles, 7, 8, origin, direction), expected) << "round " << round;
    }
    EXPECT_GT(accepted, 10000) << "both answers are common";
}

TEST(MeshTriangles, AnyTriangleOfTheRange)
{
    auto triangles = std::make_unique<MeshTriangles>();
    // A triangle straight ahead along +z, and one behind the eye.
    const D3DVECTOR ahead[] = {{-1, -1, 5}, {1, -1, 5}, {0, 1, 5}};
    const D3DVECTOR behind[] = {{-1, -1, -5}, {1, -1, -5}, {0, 1, -5}};
    for (uint32_t i = 0; i < 40; ++i) {
        const D3DVECTOR* corners = i == 25 ? ahead : behind;
        SetMeshTriangle(*triangles, i, corners[0], corners[1], corners[2]);
    }
    const D3DVECTOR eye{0, 0, 0};
    const D3DVECTOR forwards{0, 0, 1};
    EXPECT_TRUE(AnyTriangleHit(*triangles, 0, 40, eye, forwards));
    EXPECT_TRUE(AnyTriangleHit(*triangles, 25, 26, eye, forwards));
    EXPECT_FALSE(AnyTriangleHit(*triangles, 0, 25, eye, forwards));
    EXPECT_FALSE(AnyTriangleHit(*triangles, 26, 40, eye, forwards));
    EXPECT_FALSE(AnyTriangleHit(*triangles, 25, 25, eye, forwards)) << "an empty range";
}
