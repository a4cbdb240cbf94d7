// The vector and matrix helpers: left-handed cross products, perspective and look-at matrices
// (a refusal leaves the matrix untouched), which way rotations turn and the order of products.
#include "math/d3d_math.h"

#include <gtest/gtest.h>

#include <cmath>

#include "row_vectors.h"

namespace {

const float* Elements(const D3DMATRIX& m) { return &m._11; }

// Whether v is (x, y, z) within tolerance; a failure shows both, at the
// calling case's line.
testing::AssertionResult VectorNear(const D3DVECTOR& v, float x, float y, float z,
                                    float tolerance = 1e-6f)
{
    if (std::fabs(v.x - x) <= tolerance && std::fabs(v.y - y) <= tolerance &&
        std::fabs(v.z - z) <= tolerance) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "(" << v.x << ", " << v.y << ", " << v.z
                                       << ") is not within " << tolerance << " of (" << x << ", "
                                       << y << ", " << z << ")";
}

D3DMATRIX Filled(float value)
{
    D3DMATRIX m;
    float* e = &m._11;
    for (int i = 0; i < 16; ++i) {
        e[i] = value + static_cast<float>(i);
    }
    return m;
}

testing::AssertionResult SameMatrix(const D3DMATRIX& a, const D3DMATRIX& b)
{
    for (int i = 0; i < 16; ++i) {
        if (Elements(a)[i] != Elements(b)[i]) {
            return testing::AssertionFailure()
                   << "element " << i << ": " << Elements(a)[i] << " != " << Elements(b)[i];
        }
    }
    return testing::AssertionSuccess();
}

const float kQuarterTurn = 1.5707963705062866f;

}  // namespace

TEST(VectorMath, CrossFollowsTheLeftHandedAxes)
{
    D3DVECTOR x, y, out;
    VecSet(x, 1, 0, 0);
    VecSet(y, 0, 1, 0);
    EXPECT_TRUE(VectorNear(VecCross(out, x, y), 0, 0, 1));
    EXPECT_TRUE(VectorNear(VecCross(out, y, x), 0, 0, -1));
    // The output may be one of the inputs.
    EXPECT_TRUE(VectorNear(VecCross(x, x, y), 0, 0, 1));
}

TEST(VectorMath, LengthAndDot)
{
    D3DVECTOR v, w;
    VecSet(v, 3, 4, 12);
    VecSet(w, 1, -2, 0.5f);
    EXPECT_FLOAT_EQ(VecLengthSq(v), 169.0f);
    EXPECT_FLOAT_EQ(VecLength(v), 13.0f);
    EXPECT_FLOAT_EQ(VecDot(v, w), 3 - 8 + 6);
}

TEST(MatrixMath, PerspectiveExampleNumbers)
{
    D3DMATRIX m = Filled(7);
    ASSERT_EQ(MatPerspective(m, kQuarterTurn, 0.75f, 1.0f, 101.0f), S_OK);
    D3DMATRIX expected{};
    expected._11 = 0.75f;
    expected._22 = 1.0f;
    expected._33 = 1.01f;
    expected._34 = 1.0f;
    expected._43 = -1.01f;
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(Elements(m)[i], Elements(expected)[i], 1e-6f) << "element " << i;
    }
}

TEST(MatrixMath, PerspectiveMapsNearToZeroAndFarToOne)
{
    D3DMATRIX m;
    ASSERT_EQ(MatPerspective(m, 1.0f, 1.0f, 0.1f, 22.0f), S_OK);
    for (const float z : {0.1f, 22.0f}) {
        const D3DVECTOR p = Transform(D3DVECTOR{0, 0, z}, m);
        const float w = z * m._34;
        EXPECT_NEAR(p.z / w, z == 0.1f ? 0.0f : 1.0f, 1e-5f);
    }
}

TEST(MatrixMath, NegativeFieldOfViewMirrorsBothAxes)
{
    D3DMATRIX m;
    ASSERT_EQ(MatPerspective(m, -0.5f, 0.75f, 0.1f, 22.0f), S_OK);
    EXPECT_LT(m._11, 0);
    EXPECT_LT(m._22, 0);
}

TEST(MatrixMath, PerspectiveRefusalLeavesTheMatrixUntouched)
{
    struct Case {
        const char* label;
        float fov, nearZ, farZ;
    };
    const Case cases[] = {
        {"depth range below 0.01", 1.0f, 0.1f, 0.105f},
        {"field of view of zero", 0.0f, 0.1f, 22.0f},
        {"field of view too small for a sine of 0.01", 0.019f, 0.1f, 22.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        D3DMATRIX m = Filled(3);
        EXPECT_EQ(MatPerspective(m, c.fov, 1.0f, c.nearZ, c.farZ), E_INVALIDARG);
        EXPECT_TRUE(SameMatrix(m, Filled(3)));
    }
}

TEST(MatrixMath, LookAtAlongZIsTheIdentity)
{
    D3DMATRIX m, identity;
    MatIdentity(identity);
    ASSERT_EQ(MatLookAt(m, D3DVECTOR{0, 0, 0}, D3DVECTOR{0, 0, 1}, D3DVECTOR{0, 1, 0}), S_OK);
    EXPECT_TRUE(SameMatrix(m, identity));
}

TEST(MatrixMath, LookAtStraightDownFallsBackToWorldZ)
{
    D3DMATRIX m = Filled(1);
    ASSERT_EQ(MatLookAt(m, D3DVECTOR{0, 0, 0}, D3DVECTOR{0, -1, 0}, D3DVECTOR{0, 1, 0}), S_OK);
    // Columns hold right R = (1, 0, 0), up U = (0, 0, 1), forward F = (0, -1, 0).
    EXPECT_TRUE(VectorNear(D3DVECTOR{m._11, m._21, m._31}, 1, 0, 0));
    EXPECT_TRUE(VectorNear(D3DVECTOR{m._12, m._22, m._32}, 0, 0, 1));
    EXPECT_TRUE(VectorNear(D3DVECTOR{m._13, m._23, m._33}, 0, -1, 0));
    EXPECT_TRUE(VectorNear(D3DVECTOR{m._41, m._42, m._43}, 0, 0, 0));
    EXPECT_EQ(m._44, 1.0f);
}

TEST(MatrixMath, LookAtMovesTheEyeToTheOrigin)
{
    D3DMATRIX m;
    const D3DVECTOR eye{1, 2, 3};
    ASSERT_EQ(MatLookAt(m, eye, D3DVECTOR{1, 2, 10}, D3DVECTOR{0, 1, 0}), S_OK);
    EXPECT_TRUE(VectorNear(Transform(eye, m), 0, 0, 0));
    EXPECT_TRUE(VectorNear(Transform(D3DVECTOR{1, 2, 10}, m), 0, 0, 7, 1e-5f));
}

TEST(MatrixMath, LookAtAtTheEyeIsRefusedAndLeavesTheMatrixUntouched)
{
    D3DMATRIX m = Filled(5);
    EXPECT_EQ(MatLookAt(m, D3DVECTOR{1, 1, 1}, D3DVECTOR{1, 1, 1}, D3DVECTOR{0, 1, 0}),
              E_INVALIDARG);
    EXPECT_TRUE(SameMatrix(m, Filled(5)));
}

TEST(MatrixMath, RotationsByZeroAreTheIdentity)
{
    D3DMATRIX identity, m;
    MatIdentity(identity);
    EXPECT_TRUE(SameMatrix(MatRotateX(m, 0.0f), identity));
    EXPECT_TRUE(SameMatrix(MatRotateY(m, 0.0f), identity));
}

TEST(MatrixMath, RotationsTurnTheWayTheViewerExpects)
{
    D3DMATRIX m;
    // X turns y towards +z; Y turns x towards -z.
    EXPECT_TRUE(VectorNear(Transform(D3DVECTOR{0, 1, 0}, MatRotateX(m, kQuarterTurn)), 0, 0, 1));
    EXPECT_TRUE(
        VectorNear(Transform(D3DVECTOR{1, 0, 0}, MatRotateY(m, kQuarterTurn)), 0, 0, -1));
    EXPECT_TRUE(VectorNear(Transform(D3DVECTOR{0, 0, 1}, MatRotateY(m, kQuarterTurn)), 1, 0, 0));
}

TEST(MatrixMath, MultiplicationAppliesTheLeftOperandFirst)
{
    D3DMATRIX rx, ry, xy, yx;
    MatRotateX(rx, kQuarterTurn);
    MatRotateY(ry, kQuarterTurn);
    MatMultiply(xy, rx, ry);
    MatMultiply(yx, ry, rx);
    // (0, 1, 0): X takes it to (0, 0, 1), then Y to (1, 0, 0).
    EXPECT_TRUE(VectorNear(Transform(D3DVECTOR{0, 1, 0}, xy), 1, 0, 0));
    // Y leaves it alone, then X takes it to (0, 0, 1).
    EXPECT_TRUE(VectorNear(Transform(D3DVECTOR{0, 1, 0}, yx), 0, 0, 1));
    bool differs = false;
    for (int i = 0; i < 16; ++i) {
        differs = differs || std::fabs(Elements(xy)[i] - Elements(yx)[i]) > 1e-3f;
    }
    EXPECT_TRUE(differs);
}

TEST(MatrixMath, MultiplyMatchesTheRowByColumnSum)
{
    const D3DMATRIX a = Filled(1), b = Filled(-4);
    D3DMATRIX out;
    MatMultiply(out, a, b);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += Elements(a)[r * 4 + k] * Elements(b)[k * 4 + c];
            }
            EXPECT_EQ(Elements(out)[r * 4 + c], sum) << r << "," << c;
        }
    }
}
