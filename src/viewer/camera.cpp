#include "viewer/camera.h"

#include "math/d3d_math.h"

namespace {

// The perspective needs |sin(angle / 2)| >= 0.01, so the vertical angle must
// reach 2 asin(0.01) = 0.0200007 radians; a little more survives the rounding
// to single precision.
constexpr double kNarrowestVerticalAngle = 0.020002;

}  // namespace

float ViewportAspect(uint32_t width, uint32_t height)
{
    return static_cast<float>(height) / static_cast<float>(width);
}

bool ProjectionMatrix(D3DMATRIX& m, double fov, uint32_t width, uint32_t height)
{
    if (width == 0 || height == 0) {
        return false;
    }
    const float aspect = ViewportAspect(width, height);
    const float fovArgument = static_cast<float>(-(aspect * fov));
    return MatPerspective(m, fovArgument, aspect, kNearPlane, kFarPlane) == S_OK;
}

double NarrowestFov(uint32_t width, uint32_t height)
{
    return kNarrowestVerticalAngle / ViewportAspect(width, height);
}

void ViewMatrix(D3DMATRIX& m, double pan, double tilt)
{
    D3DMATRIX turn, lift;
    MatRotateY(turn, static_cast<float>(pan));
    MatRotateX(lift, static_cast<float>(tilt));
    MatMultiply(m, turn, lift);
}
