// The camera: the projection of the sample view, refusals that keep the previous matrix, what
// the screen centre shows, and the narrowest field of view the projection accepts.
#include "viewer/camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "package/pano_settings.h"
#include "row_vectors.h"

TEST(Camera, ProjectionOfTheSampleView)
{
    D3DMATRIX m{};
    ASSERT_TRUE(ProjectionMatrix(m, DegreesToRadians(21.896793842409977), 800, 600));
    EXPECT_NEAR(m._11, -5.19738f, 1e-4f);
    EXPECT_NEAR(m._22, -6.92984f, 1e-4f);
    EXPECT_NEAR(m._33, 1.004566f, 1e-6f);
    EXPECT_EQ(m._34, 1.0f);
    EXPECT_NEAR(m._43, -0.1004566f, 1e-7f);
    EXPECT_EQ(m._12, 0.0f);
    EXPECT_EQ(m._44, 0.0f);
}

TEST(Camera, RefusedProjectionKeepsThePreviousOne)
{
    D3DMATRIX m{};
    ASSERT_TRUE(ProjectionMatrix(m, 1.0, 800, 600));
    const D3DMATRIX before = m;
    EXPECT_FALSE(ProjectionMatrix(m, DegreesToRadians(1.0), 800, 600));
    EXPECT_FALSE(ProjectionMatrix(m, 1.0, 0, 600));
    EXPECT_FALSE(ProjectionMatrix(m, 1.0, 800, 0));
    EXPECT_EQ(std::memcmp(&m, &before, sizeof m), 0);
}

TEST(Camera, ScreenCentreShowsMinusPanAndTilt)
{
    // A surface point at angle theta and tilt e lies in view direction
    // theta + pan, e - tilt: the point at -pan, tilt is straight ahead.
    const double pan = 0.7, tilt = 0.2;
    D3DMATRIX view;
    ViewMatrix(view, pan, tilt);
    const double theta = -pan;
    const D3DVECTOR ahead = Transform({static_cast<float>(std::cos(tilt) * std::sin(theta)),
                                       static_cast<float>(std::sin(tilt)),
                                       static_cast<float>(std::cos(tilt) * std::cos(theta))},
                                      view);
    EXPECT_NEAR(ahead.x, 0.0f, 1e-6f);
    EXPECT_NEAR(ahead.y, 0.0f, 1e-6f);
    EXPECT_NEAR(ahead.z, 1.0f, 1e-6f);
}

TEST(Camera, NarrowestFovIsTheEdgeOfWhatTheProjectionAccepts)
{
    struct Case {
        const char* label;
        uint32_t width, height;
    };
    const Case cases[] = {
        {"800 x 600", 800, 600},  {"1024 x 768", 1024, 768}, {"1920 x 1080", 1920, 1080},
        {"tall 300 x 1000", 300, 1000}, {"one pixel", 1, 1},   {"a strip", 4000, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const double narrowest = NarrowestFov(c.width, c.height);
        D3DMATRIX m{};
        EXPECT_TRUE(ProjectionMatrix(m, narrowest, c.width, c.height));
        EXPECT_FALSE(ProjectionMatrix(m, narrowest * 0.999, c.width, c.height));
    }
    // About 1.15 degrees of vertical angle.
    EXPECT_NEAR(NarrowestFov(800, 600) * 0.75, DegreesToRadians(1.146), 1e-4);
}
