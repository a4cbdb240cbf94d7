// Keeping the view inside the panorama: every view change is normalised and
// clamped here, and for a partial panorama the pan is pulled in until the
// rays through the screen corners hit the mesh.
#pragma once

#include <cstdint>

#include "platform/platform_types.h"
#include "viewer/panorama_mesh.h"
#include "viewer/view_state.h"

// Gap kept between the view and the top and bottom limits (0.15 degrees).
constexpr double kEdgeMargin = 0.0026179939508438107;

struct ViewLimits {
    const PanoExtent& extent;
    const PanoramaMesh& mesh;
    int32_t tileRows;
    int32_t tileColumns;
    uint32_t viewportWidth;
    uint32_t viewportHeight;
};

// Normalises and clamps the requested view and stores it in view. A request
// with a non-finite component, or limits that make the result non-finite,
// leave view unchanged.
void SetView(const ViewLimits& limits, double pan, double tilt, double fov, ViewState& view);

void ClampView(const ViewLimits& limits, ViewState& state);

// Moves the pan inwards until the ray through pixel (px, py) hits the mesh;
// stepDegrees is +0.5 for the right corners and -0.5 for the left ones.
void PullPanInside(const ViewLimits& limits, ViewState& state, int32_t px, int32_t py,
                   bool rightSide, float stepDegrees);

// Does the ray from the eye through pixel (px, py) hit the mesh in front?
bool RayHitsPanorama(const ViewLimits& limits, const ViewState& state, int32_t px, int32_t py);

// Moller-Trumbore, accepting both faces; on a hit gives the distance t and
// the barycentric u, v.
bool IntersectRayTriangle(const D3DVECTOR& origin, const D3DVECTOR& direction, const D3DVECTOR& a,
                          const D3DVECTOR& b, const D3DVECTOR& c, float& t, float& u, float& v);
