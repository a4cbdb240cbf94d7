#include "viewer/view_limits.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "math/d3d_math.h"
#include "viewer/camera.h"
#include "viewer/mesh_triangles.h"

namespace {

constexpr float kSearchTolerance = 0.01f;

// The walk moves the pan by half a degree towards the middle; within the
// normalised range [-pi, 2pi) it cannot take more steps than this, whatever
// the settings.
constexpr int kMaxWalkSteps = 1100;

bool IsFinite(double pan, double tilt, double fov)
{
    return std::isfinite(pan) && std::isfinite(tilt) && std::isfinite(fov);
}

// Into [-pi, 2pi). A huge pan is first brought near the range so the loops
// stay short.
double NormalisePan(double pan)
{
    if (std::fabs(pan) > 8 * kTwoPi) {
        pan = std::fmod(pan, kTwoPi);
    }
    while (pan < -kPi) {
        pan += kTwoPi;
    }
    while (pan >= kTwoPi) {
        pan -= kTwoPi;
    }
    return pan;
}

}  // namespace

bool IntersectRayTriangle(const D3DVECTOR& origin, const D3DVECTOR& direction, const D3DVECTOR& a,
                          const D3DVECTOR& b, const D3DVECTOR& c, float& t, float& u, float& v)
{
    // Vector differences, VecCross and VecDot written out component by
    // component, operation for operation, so that the corner rays' hot loop
    // keeps them in registers: e1 = b - a, e2 = c - a, p = direction x e2.
    const float e1x = b.x - a.x, e1y = b.y - a.y, e1z = b.z - a.z;
    const float e2x = c.x - a.x, e2y = c.y - a.y, e2z = c.z - a.z;
    const float px = direction.y * e2z - direction.z * e2y;
    const float py = direction.z * e2x - direction.x * e2z;
    const float pz = direction.x * e2y - direction.y * e2x;
    float det = e1x * px + e1y * py + e1z * pz;
    float tx, ty, tz;
    if (det > 0) {
        tx = origin.x - a.x;
        ty = origin.y - a.y;
        tz = origin.z - a.z;
    } else {
        tx = a.x - origin.x;
        ty = a.y - origin.y;
        tz = a.z - origin.z;
        det = -det;
    }
    if (det < kRayDeterminantMin) {
        return false;
    }
    const float uRaw = tx * px + ty * py + tz * pz;
    if (uRaw < 0.0f || uRaw > det) {
        return false;
    }
    // q = tv x e1
    const float qx = ty * e1z - tz * e1y;
    const float qy = tz * e1x - tx * e1z;
    const float qz = tx * e1y - ty * e1x;
    const float vRaw = direction.x * qx + direction.y * qy + direction.z * qz;
    if (vRaw < 0.0f || uRaw + vRaw > det) {
        return false;
    }
    const float inverse = 1.0f / det;
    t = (e2x * qx + e2y * qy + e2z * qz) * inverse;
    u = uRaw * inverse;
    v = vRaw * inverse;
    return true;
}

namespace {

// The parts of a corner ray that stay fixed while a corner search moves only
// the pan.
struct CornerRay {
    bool formed;  // false when the projection refuses the field of view
    double dx, dy;
    D3DMATRIX lift;
};

CornerRay MakeCornerRay(const ViewLimits& limits, const ViewState& state, int32_t px, int32_t py)
{
    const uint32_t w = limits.viewportWidth;
    const uint32_t h = limits.viewportHeight;
    CornerRay ray{};
    D3DMATRIX projection;
    ray.formed = ProjectionMatrix(projection, state.fov, w, h);
    if (!ray.formed) {
        return ray;
    }
    ray.dx = (2.0 * px / w - 1.0) / projection._11;
    ray.dy = -(2.0 * py / h - 1.0) / projection._22;
    MatRotateX(ray.lift, static_cast<float>(-state.tilt));
    return ray;
}

bool IsFinite(const D3DVECTOR& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool HitsStripTriangle(const D3DVECTOR& origin, const D3DVECTOR& direction, const PanoVertex* first)
{
    float t, u, v;
    return IntersectRayTriangle(origin, direction, VertexPosition(first[0]),
                                VertexPosition(first[1]), VertexPosition(first[2]), t, u, v) &&
           t > 0;
}

// Whether the mesh's triangle arrays are those of the tiles the limits read.
bool TrianglesFit(const ViewLimits& limits)
{
    const PanoramaMesh& mesh = limits.mesh;
    const MeshTriangles* triangles = mesh.triangles.get();
    if (!(triangles && triangles->tileRows == limits.tileRows &&
          triangles->tileColumns == limits.tileColumns && triangles->rows == mesh.meshRows &&
          triangles->columns == mesh.meshColumns)) {
        return false;
    }
    // Arrays freed since (when the scene shuts down) leave the scan, which
    // skips them.
    for (int k = 0; k < limits.tileRows * limits.tileColumns; ++k) {
        if (!mesh.tileVertices[k]) {
            return false;
        }
    }
    return true;
}

// Every strip triangle of every tile, for meshes without cell bounds.
bool HitsAnyTriangle(const ViewLimits& limits, const D3DVECTOR& origin, const D3DVECTOR& direction)
{
    const PanoramaMesh& mesh = limits.mesh;
    if (TrianglesFit(limits)) {
        return AnyTriangleHit(*mesh.triangles, 0, 2 * mesh.meshRows * mesh.meshColumns, origin,
                              direction);
    }
    const uint32_t rowsPerTile = mesh.meshRows / limits.tileRows;
    const uint32_t columnsPerTile = mesh.meshColumns / limits.tileColumns;
    const int tiles = limits.tileRows * limits.tileColumns;
    for (int k = 0; k < tiles; ++k) {
        const PanoVertex* vertices = mesh.tileVertices[k].get();
        if (!vertices) {
            continue;
        }
        for (uint32_t i = 0; i < rowsPerTile; ++i) {
            const PanoVertex* row = vertices + i * 2 * (columnsPerTile + 1);
            for (uint32_t j = 0; j < 2 * columnsPerTile; ++j) {
                if (HitsStripTriangle(origin, direction, row + j)) {
                    return true;
                }
            }
        }
    }
    return false;
}

// Cell bounds made for the mesh the limits read.
bool CellsFit(const ViewLimits& limits)
{
    const PanoramaMesh& mesh = limits.mesh;
    const MeshCells& cells = mesh.cells;
    return cells.ready && cells.tileRows == limits.tileRows &&
           cells.tileColumns == limits.tileColumns && cells.rows == mesh.meshRows &&
           cells.columns == mesh.meshColumns && TrianglesFit(limits);
}

// Only the cells whose bounds hold the ray: the same triangle test on the
// same vertices as the scan of every triangle, and the same answer, since
// that scan stops at any accepted triangle.
bool HitsCandidateCell(const ViewLimits& limits, const D3DVECTOR& origin,
                       const D3DVECTOR& direction)
{
    const MeshTriangles& triangles = *limits.mesh.triangles;
    const uint32_t columns = triangles.columns;
    const auto hitsSpan = [&](uint32_t r, uint32_t first, uint32_t end) {
        return AnyTriangleHit(triangles, 2 * (r * columns + first), 2 * (r * columns + end), origin,
                              direction);
    };
    return AnyCandidateSpan(limits.mesh.cells, direction, hitsSpan);
}

// The ray for the view turned by `turnAngle`, the negated pan in single
// precision.
bool CastCornerRay(const ViewLimits& limits, const CornerRay& ray, float turnAngle)
{
    if (!ray.formed) {
        // No ray can be formed for this view; leave the pan where the angle
        // limits put it.
        return true;
    }
    D3DMATRIX turn, inverse;
    MatRotateY(turn, turnAngle);
    MatMultiply(inverse, ray.lift, turn);
    const D3DVECTOR direction{
        static_cast<float>(ray.dx * inverse._11 + ray.dy * inverse._21 + inverse._31),
        static_cast<float>(ray.dx * inverse._12 + ray.dy * inverse._22 + inverse._32),
        static_cast<float>(ray.dx * inverse._13 + ray.dy * inverse._23 + inverse._33)};
    // A direction that is not finite makes every determinant infinite or NaN,
    // and the triangle test then never gives a positive distance. A finite one
    // needs finite rotations, whose translation row is then exactly zero: the
    // eye the cell bounds assume.
    if (!IsFinite(direction)) {
        return false;
    }
    const D3DVECTOR origin{inverse._41, inverse._42, inverse._43};
    if (!CellsFit(limits)) {
        return HitsAnyTriangle(limits, origin, direction);
    }
    return HitsCandidateCell(limits, origin, direction);
}

}  // namespace

bool RayHitsPanorama(const ViewLimits& limits, const ViewState& state, int32_t px, int32_t py)
{
    return CastCornerRay(limits, MakeCornerRay(limits, state, px, py),
                         static_cast<float>(-state.pan));
}

void PullPanInside(const ViewLimits& limits, ViewState& state, int32_t px, int32_t py,
                   bool rightSide, float stepDegrees)
{
    const double half = limits.extent.panSpan * 0.5;
    const auto outside = [&] { return rightSide ? state.pan > half : state.pan < half; };
    // Only the pan changes during the search.
    const CornerRay ray = MakeCornerRay(limits, state, px, py);
    // A step too small to change the pan in single precision, far from the
    // range, casts the same ray again.
    bool cast = false;
    float lastAngle = 0;
    bool lastHit = false;
    const auto hits = [&] {
        const float angle = static_cast<float>(-state.pan);
        if (!cast || std::memcmp(&angle, &lastAngle, sizeof angle) != 0) {
            lastHit = CastCornerRay(limits, ray, angle);
            lastAngle = angle;
            cast = true;
        }
        return lastHit;
    };
    float step = stepDegrees;

    if (hits()) {
        return;
    }
    bool moved = false;
    for (int walked = 0;; ++walked) {
        if (!outside() || walked == kMaxWalkSteps) {
            if (!moved) {
                return;
            }
            break;
        }
        state.pan -= DegreesToRadians(step);
        moved = true;
        if (hits()) {
            break;
        }
    }
    step /= 2;
    state.pan += DegreesToRadians(step);
    while (std::fabs(step) > kSearchTolerance) {
        step /= 2;
        if (!hits() && outside()) {
            state.pan -= DegreesToRadians(step);
        } else {
            state.pan += DegreesToRadians(step);
        }
    }
    if (hits()) {
        return;
    }
    if (outside()) {
        state.pan -= DegreesToRadians(step);
    }
}

void ClampView(const ViewLimits& limits, ViewState& state)
{
    const PanoExtent& e = limits.extent;
    const float aspect = ViewportAspect(limits.viewportWidth, limits.viewportHeight);
    if (e.tiltSpan >= kPi && e.panSpan >= kTwoPi && e.spherical) {
        return;
    }
    if (state.fov < e.fovMin) {
        state.fov = e.fovMin;
    }
    if (e.panMax - e.panMin < state.fov) {
        state.fov = e.panMax - e.panMin;
    }
    double vfov = aspect * state.fov;
    if (vfov > e.tiltSpan - kEdgeMargin) {
        state.fov = (e.tiltSpan - kEdgeMargin) / aspect;
        vfov = e.tiltSpan - kEdgeMargin;
    }
    const double h = vfov / 2;
    if (e.tiltMax - kEdgeMargin < state.tilt + h) {
        state.tilt = e.tiltMax - h - kEdgeMargin;
    }
    if (e.tiltMin + kEdgeMargin > state.tilt - h) {
        state.tilt = e.tiltMin + h + kEdgeMargin;
    }
    if (e.panWraps) {
        return;
    }
    const double hf = state.fov / 2;
    if (e.panMin + hf > state.pan) {
        state.pan = e.panMin + hf;
    }
    if (e.panMax - hf < state.pan) {
        state.pan = e.panMax - hf;
    }
    if (!std::isfinite(e.panSpan)) {
        return;  // no middle to pull towards
    }
    const int32_t right = static_cast<int32_t>(limits.viewportWidth) - 1;
    const int32_t row = state.tilt < 0 ? 0 : static_cast<int32_t>(limits.viewportHeight) - 1;
    PullPanInside(limits, state, right, row, true, 0.5f);
    PullPanInside(limits, state, 0, row, false, -0.5f);
}

void SetView(const ViewLimits& limits, double pan, double tilt, double fov, ViewState& view)
{
    if (!IsFinite(pan, tilt, fov)) {
        return;
    }
    pan = NormalisePan(pan);
    if (tilt < -kHalfPi) {
        tilt = -kHalfPi;
    } else if (tilt >= kHalfPi) {
        tilt = kHalfPi;
    }
    if (fov < limits.extent.fovMin) {
        fov = limits.extent.fovMin;
    } else if (fov > limits.extent.fovMax) {
        fov = limits.extent.fovMax;
    }
    ViewState state{pan, tilt, fov};
    // A zero-sized viewport (a minimised window) gives no corners to test.
    if (limits.viewportWidth > 0 && limits.viewportHeight > 0) {
        // Narrower, the projection would keep the previous view on screen
        // while the pan limits followed this one.
        state.fov = std::max(state.fov, NarrowestFov(limits.viewportWidth, limits.viewportHeight));
        ClampView(limits, state);
        ClampView(limits, state);
    }
    // Limits that are not finite numbers give no view worth showing.
    if (IsFinite(state.pan, state.tilt, state.fov)) {
        view = state;
    }
}
