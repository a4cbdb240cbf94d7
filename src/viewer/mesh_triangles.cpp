#include "viewer/mesh_triangles.h"

#include <cmath>

void SetMeshTriangle(MeshTriangles& triangles, uint32_t i, const D3DVECTOR& a, const D3DVECTOR& b,
                     const D3DVECTOR& c)
{
    triangles.ax[i] = a.x;
    triangles.ay[i] = a.y;
    triangles.az[i] = a.z;
    triangles.e1x[i] = b.x - a.x;
    triangles.e1y[i] = b.y - a.y;
    triangles.e1z[i] = b.z - a.z;
    triangles.e2x[i] = c.x - a.x;
    triangles.e2y[i] = c.y - a.y;
    triangles.e2z[i] = c.z - a.z;
}

// IntersectRayTriangle's arithmetic, operation for operation, without its
// early exits: each of its tests becomes one factor of the answer, false
// where it would have left with false, so NaN and infinite values decide
// as they do there. Behind the triangle it turns the corner's offset
// around by a change of sign, where the test subtracts the other way
// round: the same values but for the sign of a zero, which no comparison
// and no nonzero result can tell.
bool AnyTriangleHit(const MeshTriangles& s, uint32_t first, uint32_t end, const D3DVECTOR& origin,
                    const D3DVECTOR& direction)
{
    const float dx = direction.x, dy = direction.y, dz = direction.z;
    const float ox = origin.x, oy = origin.y, oz = origin.z;
    int hits = 0;
    for (uint32_t i = first; i < end; ++i) {
        const float e1x = s.e1x[i], e1y = s.e1y[i], e1z = s.e1z[i];
        const float e2x = s.e2x[i], e2y = s.e2y[i], e2z = s.e2z[i];
        const float px = dy * e2z - dz * e2y;
        const float py = dz * e2x - dx * e2z;
        const float pz = dx * e2y - dy * e2x;
        const float signedDet = e1x * px + e1y * py + e1z * pz;
        const float side = signedDet > 0 ? 1.0f : -1.0f;
        const float tx = (ox - s.ax[i]) * side;
        const float ty = (oy - s.ay[i]) * side;
        const float tz = (oz - s.az[i]) * side;
        const float det = std::fabs(signedDet);
        const float u = tx * px + ty * py + tz * pz;
        const float qx = ty * e1z - tz * e1y;
        const float qy = tz * e1x - tx * e1z;
        const float qz = tx * e1y - ty * e1x;
        const float v = dx * qx + dy * qy + dz * qz;
        const float t = (e2x * qx + e2y * qy + e2z * qz) * (1.0f / det);
        const bool accepted = !(det < kRayDeterminantMin) & !(u < 0.0f) & !(u > det) & !(v < 0.0f) &
                              !(u + v > det) & (t > 0);
        hits |= accepted;
    }
    return hits != 0;
}
