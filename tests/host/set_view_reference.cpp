#include "set_view_reference.h"

#include <algorithm>
#include <cmath>

#include "math/d3d_math.h"
#include "viewer/camera.h"

// Calls between these functions name the namespace: the arguments' global
// types would otherwise also find the viewer's own SetView and friends.
namespace set_view_reference {

namespace {

constexpr double kRayEpsilon = static_cast<double>(0.0001f);
constexpr float kSearchTolerance = 0.01f;

// The walk moves the pan by half a degree towards the middle; within the
// normalised range [-pi, 2pi) it cannot take more steps than this, whatever
// the settings.
constexpr int kMaxWalkSteps = 1100;

D3DVECTOR Position(const PanoVertex& v)
{
    return D3DVECTOR{v.x, v.y, v.z};
}

D3DVECTOR Sub(const D3DVECTOR& a, const D3DVECTOR& b)
{
    return D3DVECTOR{a.x - b.x, a.y - b.y, a.z - b.z};
}

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
    const D3DVECTOR e1 = Sub(b, a);
    const D3DVECTOR e2 = Sub(c, a);
    D3DVECTOR p;
    VecCross(p, direction, e2);
    float det = VecDot(e1, p);
    D3DVECTOR tv;
    if (det > 0) {
        tv = Sub(origin, a);
    } else {
        tv = Sub(a, origin);
        det = -det;
    }
    if (det < kRayEpsilon) {
        return false;
    }
    u = VecDot(tv, p);
    if (u < 0.0f || u > det) {
        return false;
    }
    D3DVECTOR q;
    VecCross(q, tv, e1);
    v = VecDot(direction, q);
    if (v < 0.0f || u + v > det) {
        return false;
    }
    t = VecDot(e2, q);
    const float inverse = 1.0f / det;
    t *= inverse;
    u *= inverse;
    v *= inverse;
    return true;
}

bool RayHitsPanorama(const ViewLimits& limits, const ViewState& state, int32_t px, int32_t py)
{
    const uint32_t w = limits.viewportWidth;
    const uint32_t h = limits.viewportHeight;
    D3DMATRIX projection;
    if (!ProjectionMatrix(projection, state.fov, w, h)) {
        // No ray can be formed for this view; leave the pan where the angle
        // limits put it.
        return true;
    }
    const double dx = (2.0 * px / w - 1.0) / projection._11;
    const double dy = -(2.0 * py / h - 1.0) / projection._22;

    D3DMATRIX lift, turn, inverse;
    MatRotateX(lift, static_cast<float>(-state.tilt));
    MatRotateY(turn, static_cast<float>(-state.pan));
    MatMultiply(inverse, lift, turn);
    const D3DVECTOR direction{
        static_cast<float>(dx * inverse._11 + dy * inverse._21 + inverse._31),
        static_cast<float>(dx * inverse._12 + dy * inverse._22 + inverse._32),
        static_cast<float>(dx * inverse._13 + dy * inverse._23 + inverse._33)};
    const D3DVECTOR origin{inverse._41, inverse._42, inverse._43};

    const PanoramaMesh& mesh = limits.mesh;
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
                float t, u, v;
                if (set_view_reference::IntersectRayTriangle(origin, direction, Position(row[j]),
                                                             Position(row[j + 1]),
                                                             Position(row[j + 2]), t, u, v) &&
                    t > 0) {
                    return true;
                }
            }
        }
    }
    return false;
}

void PullPanInside(const ViewLimits& limits, ViewState& state, int32_t px, int32_t py,
                   bool rightSide, float stepDegrees)
{
    const double half = limits.extent.panSpan * 0.5;
    const auto outside = [&] { return rightSide ? state.pan > half : state.pan < half; };
    const auto hits = [&] {
        return set_view_reference::RayHitsPanorama(limits, state, px, py);
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
    set_view_reference::PullPanInside(limits, state, right, row, true, 0.5f);
    set_view_reference::PullPanInside(limits, state, 0, row, false, -0.5f);
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
        set_view_reference::ClampView(limits, state);
        set_view_reference::ClampView(limits, state);
    }
    // Limits that are not finite numbers give no view worth showing.
    if (IsFinite(state.pan, state.tilt, state.fov)) {
        view = state;
    }
}

}  // namespace set_view_reference
