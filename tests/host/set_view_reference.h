// SetView as it was before the corner rays used the mesh's cell bounds: every
// corner ray rebuilds its transforms and tests every strip triangle of every
// tile. Kept unchanged as the yardstick the faster SetView must match bit for
// bit.
#pragma once

#include <cstdint>

#include "viewer/view_limits.h"

namespace set_view_reference {

void SetView(const ViewLimits& limits, double pan, double tilt, double fov, ViewState& view);

void ClampView(const ViewLimits& limits, ViewState& state);

void PullPanInside(const ViewLimits& limits, ViewState& state, int32_t px, int32_t py,
                   bool rightSide, float stepDegrees);

bool RayHitsPanorama(const ViewLimits& limits, const ViewState& state, int32_t px, int32_t py);

bool IntersectRayTriangle(const D3DVECTOR& origin, const D3DVECTOR& direction, const D3DVECTOR& a,
                          const D3DVECTOR& b, const D3DVECTOR& c, float& t, float& u, float& v);

}  // namespace set_view_reference
