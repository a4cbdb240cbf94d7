// The camera: projection and view transforms from the view and the viewport.
#pragma once

#include <cstdint>

#include "platform/platform_types.h"

constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 22.0f;

// Viewport height over width, in single precision.
float ViewportAspect(uint32_t width, uint32_t height);

// Perspective whose field-of-view argument is negative, which mirrors both
// screen axes so the inside of the mesh shows the image upright and
// unmirrored; fov acts as the horizontal field of view. Returns false and
// leaves m as it was when the view is too narrow or the viewport empty, so
// the previous projection stays in force.
bool ProjectionMatrix(D3DMATRIX& m, double fov, uint32_t width, uint32_t height);

// The narrowest horizontal field of view ProjectionMatrix accepts for a
// viewport that is not empty: aspect x fov must be about 1.15 degrees or more.
double NarrowestFov(uint32_t width, uint32_t height);

// Turns the world so the screen centre shows angle -pan and tilt.
void ViewMatrix(D3DMATRIX& m, double pan, double tilt);
