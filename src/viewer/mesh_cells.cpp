#include "viewer/mesh_cells.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

// Why a cell outside a ray's bands cannot be hit. The eye is at the origin
// (the corner ray's origin is exactly zero whenever its direction is finite),
// so the triangle test on corners a, b, c computes, in single precision,
// det = e1 . (D x e2), u = -a . (D x e2) and v = D . (-a x e1) (all three
// negated when det <= 0), with e1 = b - a and e2 = c - a as rounded. Each
// rounding is relative, at most 2^-24, so the computed det, u and v are off
// by at most 8 x 2^-24 x |D|max times the sum of |x_i| |y_j| over i != j for
// (x, y) = (e1, e2), (a, e2) and (a, e1) respectively. An accepted triangle
// has det >= 0.0001f, u >= 0, v >= 0 and u + v <= det, so the exact
// barycentric coordinates of the point X where the line along D meets the
// triangle's plane are all above -tau, with tau = 2^-23 + (2 det error +
// u error + v error) / (0.0001f - det error). X then lies within
// distance = edge x (3 tau + (1 + 3 tau) 2^-24) of a point Y of the cell, the
// last term for the rounding of e1 and e2. X is the direction scaled by a
// nonzero factor of either sign, so the direction, or its opposite, is within
// asin(distance / |Y|) < pi/2 x distance / |Y| of Y in elevation, and within
// the same with the distance from the axis in azimuth. The bands below hold
// every such Y; the margins add these angles. And the exact det is at most
// |D|max times the same sum for (e1, e2): when that plus its error stays
// below 0.0001f, no triangle of the row is accepted at all. A product that
// underflows adds at most 2^-149 instead, times the factors it later meets.

namespace {

constexpr double kUnit = 5.9604644775390625e-08;  // 2^-24
constexpr double kRounding = 8 * kUnit;
// Covers the rounding of the vertices' azimuths and elevations and of this
// file's own double arithmetic, many times over.
constexpr double kAngleSlack = 1e-6;
constexpr double kSlack = 1e-9;
// A product that underflows in single precision is off by at most this,
// however small the factors.
constexpr double kTiny = 1.401298464324817e-45;  // 2^-149
constexpr double kTurn = 6.283185307179586;
constexpr double kQuarterTurn = 1.5707963267948966;
constexpr double kRayThreshold = kRayDeterminantMin;
// Regular meshes: narrow columns, at most a little over one turn in all.
constexpr double kWidestColumn = 1.0;
constexpr double kWidestMesh = kTurn + 0.5;
// With at most this margin a ray's azimuth needs looking up only at its
// value and one turn either side.
constexpr double kWidestAzimuthMargin = 0.5;
// Rings closer to the axis give the row no azimuth band.
constexpr double kLeastRadius = 1e-30;
constexpr double kAbove = 2.0;  // beyond any elevation

bool IsFinite(const MeshRing& ring) { return std::isfinite(ring.radius) && std::isfinite(ring.y); }

bool IsFinite(const MeshMeridian& m)
{
    return std::isfinite(m.sinTheta) && std::isfinite(m.cosTheta);
}

struct MeridianSpread {
    double leastNorm, largestNorm;  // of (sin, cos) as rounded
    double sinStep, cosStep;        // largest change from one meridian to the next
    double largestSin, largestCos;  // largest absolute values
    double chord;                   // cosine of half the widest column
};

// Elevation band of a row whose rings both lie off the axis: the elevation of
// a point of a cell lies between those of its corners, seen at their own
// distance from the axis or at that distance shrunk by the chord.
void RegularBand(CellRow& row, const MeshRing& a, const MeshRing& b, const MeridianSpread& s)
{
    double low = kAbove;
    double high = -kAbove;
    for (const MeshRing& ring : {a, b}) {
        const double nearest = ring.radius * s.leastNorm * (1 - kUnit) * (1 - kSlack);
        const double farthest = ring.radius * s.largestNorm * (1 + kUnit) * (1 + kSlack);
        for (const double e :
             {std::atan2(ring.y, nearest * s.chord), std::atan2(ring.y, farthest)}) {
            low = std::min(low, e);
            high = std::max(high, e);
        }
    }
    row.elevationLow = low - kAngleSlack;
    row.elevationHigh = high + kAngleSlack;
    row.minHorizontal =
        std::min(a.radius, b.radius) * s.leastNorm * (1 - kUnit) * s.chord * (1 - kSlack);
}

// A row touching the axis: only the side of the horizon and how far from it.
void PolarBand(CellRow& row, const MeshRing& a, const MeshRing& b, double farthest)
{
    row.elevationLow = -kAbove;
    row.elevationHigh = kAbove;
    if (a.y > 0 && b.y > 0) {
        row.elevationLow = std::atan2(std::min(a.y, b.y), farthest) - kAngleSlack;
    } else if (a.y < 0 && b.y < 0) {
        row.elevationHigh = std::atan2(std::max(a.y, b.y), farthest) + kAngleSlack;
    }
    row.minHorizontal = 0;
}

struct Bound3 {
    double x, y, z;
};

// Sum of |a_i| |b_j| over i != j: bounds the 1-norm of a x b, and the terms
// rounded in a dot product with a cross product of a and b.
double Crossed(const Bound3& a, const Bound3& b)
{
    return a.x * (b.y + b.z) + a.y * (b.x + b.z) + a.z * (b.x + b.y);
}

CellRow RowBetween(const MeshRing& a, const MeshRing& b, const MeridianSpread& s, bool banded)
{
    CellRow row{};
    row.live = IsFinite(a) && IsFinite(b);
    if (!row.live) {
        return row;
    }
    const double radius = std::max(std::fabs(a.radius), std::fabs(b.radius));
    row.polar = !banded || !(a.radius >= kLeastRadius && b.radius >= kLeastRadius);
    if (row.polar) {
        PolarBand(row, a, b, radius * s.largestNorm * (1 + kUnit) * (1 + kSlack));
    } else {
        RegularBand(row, a, b, s);
    }
    const bool oneSide = (a.y > 0 && b.y > 0) || (a.y < 0 && b.y < 0);
    const double height = oneSide ? std::min(std::fabs(a.y), std::fabs(b.y)) * (1 - kSlack) : 0;
    row.minDistance = std::max(row.minHorizontal, height);

    // Bounds of the absolute coordinates of a corner (A), of any edge (E)
    // and of e2, which always joins two vertices of one ring (R), each
    // vertex coordinate rounded once from radius x sin or cos.
    const double radiusStep = std::fabs(static_cast<double>(b.radius) - a.radius);
    const double yStep = std::fabs(static_cast<double>(b.y) - a.y);
    const double grow = (1 + kUnit) * (1 + kSlack);
    const Bound3 corner{radius * s.largestSin * grow, std::max(std::fabs(a.y), std::fabs(b.y)),
                        radius * s.largestCos * grow};
    const Bound3 ring{radius * (s.sinStep + 2 * kUnit * s.largestSin) * grow, 0,
                      radius * (s.cosStep + 2 * kUnit * s.largestCos) * grow};
    const Bound3 edge{ring.x + radiusStep * s.largestSin * grow, yStep * grow,
                      ring.z + radiusStep * s.largestCos * grow};
    row.edgeLength = edge.x + edge.y + edge.z;
    row.detCap = Crossed(edge, ring);
    row.detError = kRounding * Crossed(edge, ring);
    row.sideError = kRounding * (Crossed(corner, ring) + Crossed(corner, edge)) + 16 * kTiny;
    // Underflowing products inside p and q, times the factors they meet.
    row.detFloor = 4 * kTiny * (row.edgeLength + 2);
    row.sideFloor = 4 * kTiny * (2 * (corner.x + corner.y + corner.z) + 4);
    return row;
}

MeridianSpread SpreadOf(const MeshMeridian* meridians, uint32_t columns)
{
    MeridianSpread spread{std::numeric_limits<double>::infinity(), 0, 0, 0, 0, 0, 0};
    for (uint32_t c = 0; c <= columns; ++c) {
        const MeshMeridian& m = meridians[c];
        const double norm = std::hypot(m.sinTheta, m.cosTheta);
        spread.leastNorm = std::min(spread.leastNorm, norm);
        spread.largestNorm = std::max(spread.largestNorm, norm);
        spread.largestSin = std::max(spread.largestSin, std::fabs(static_cast<double>(m.sinTheta)));
        spread.largestCos = std::max(spread.largestCos, std::fabs(static_cast<double>(m.cosTheta)));
        if (c > 0) {
            const MeshMeridian& previous = meridians[c - 1];
            spread.sinStep = std::max(
                spread.sinStep, std::fabs(static_cast<double>(m.sinTheta) - previous.sinTheta));
            spread.cosStep = std::max(
                spread.cosStep, std::fabs(static_cast<double>(m.cosTheta) - previous.cosTheta));
        }
    }
    return spread;
}

// Azimuth bands of the columns; false when the meridians do not turn one way
// in narrow steps, and the rows then get no azimuth bands.
bool BuildColumnBands(MeshCells& cells, const MeshMeridian* meridians, const bool* dead,
                      uint32_t columns, MeridianSpread& spread)
{
    if (!(spread.leastNorm > 0.5)) {
        return false;
    }
    double azimuth[kMaxCellColumns + 1];
    for (uint32_t c = 0; c <= columns; ++c) {
        azimuth[c] = std::atan2(meridians[c].sinTheta, meridians[c].cosTheta);
    }
    double sign = 0;
    for (uint32_t c = 0; c < columns && sign == 0; ++c) {
        if (!dead[c]) {
            sign = std::remainder(azimuth[c + 1] - azimuth[c], kTurn) < 0 ? -1.0 : 1.0;
        }
    }
    const double start = sign * azimuth[0];
    double widest = 0;
    double at = start;
    for (uint32_t c = 0; c < columns; ++c) {
        const double step = sign * std::remainder(azimuth[c + 1] - azimuth[c], kTurn);
        if (!(dead[c] || (step > 0 && step <= kWidestColumn))) {
            return false;
        }
        cells.columnLow[c] = at - kAngleSlack;
        at += dead[c] ? 0 : step;
        cells.columnHigh[c] = at + kAngleSlack;
        widest = std::max(widest, step);
    }
    if (at - start > kWidestMesh) {
        return false;
    }
    cells.mirrored = sign < 0;
    cells.azimuthStart = cells.columnLow[0];
    spread.chord = std::cos(widest / 2 + kAngleSlack);
    return true;
}

// Whether every triangle of the row has a determinant below the ray test's
// threshold for a ray whose largest component is `largest`: then no triangle
// of the row is accepted, whatever the ray's direction.
bool CannotReachThreshold(const CellRow& row, double largest)
{
    const double detError = row.detError * largest + row.detFloor;
    return row.detCap * largest * (1 + kSlack) + detError < kRayThreshold;
}

struct Margins {
    double elevation;
    double azimuth;
};

// How far, in angle, a ray whose largest component is `largest` may lie
// outside a cell's bands and still have one of its triangles accepted.
Margins MarginsFor(const CellRow& row, double largest)
{
    constexpr double kNone = std::numeric_limits<double>::infinity();
    const double detError = row.detError * largest + row.detFloor;
    const double leastDet = kRayThreshold - detError;
    if (!(leastDet > 0)) {
        return {kNone, kNone};
    }
    const double tau =
        2 * kUnit + (2 * detError + row.sideError * largest + row.sideFloor) / leastDet;
    const double distance = row.edgeLength * (3 * tau + (1 + 3 * tau) * kUnit) * (1 + kSlack);
    Margins margins{kNone, kNone};
    if (distance < row.minDistance) {
        margins.elevation = kQuarterTurn * distance / row.minDistance;
    }
    if (!row.polar && distance < row.minHorizontal) {
        margins.azimuth = kQuarterTurn * distance / row.minHorizontal;
    }
    return margins;
}

}  // namespace

void BuildMeshCells(MeshCells& cells, const MeshRing* rings, uint32_t rows,
                    const MeshMeridian* meridians, uint32_t columns, int32_t tileRows,
                    int32_t tileColumns)
{
    cells = MeshCells{};
    if (rows == 0 || rows > kMaxCellRows || columns == 0 || columns > kMaxCellColumns ||
        tileRows <= 0 || tileColumns <= 0 || rows % tileRows != 0 || columns % tileColumns != 0) {
        return;
    }
    cells.tileRows = tileRows;
    cells.tileColumns = tileColumns;
    cells.rows = rows;
    cells.columns = columns;
    // Two equal meridians give every triangle between them a zero edge, and
    // with it a zero determinant: such a column is never hit.
    bool dead[kMaxCellColumns];
    bool anyColumn = false;
    for (uint32_t c = 0; c < columns; ++c) {
        dead[c] = meridians[c].sinTheta == meridians[c + 1].sinTheta &&
                  meridians[c].cosTheta == meridians[c + 1].cosTheta;
        anyColumn = anyColumn || !dead[c];
    }
    bool anyRow = false;
    for (uint32_t r = 0; r < rows; ++r) {
        anyRow = anyRow || (IsFinite(rings[r]) && IsFinite(rings[r + 1]));
    }
    const MeshMeridian* end = meridians + columns + 1;
    if (!anyRow || !anyColumn ||
        std::none_of(meridians, end, [](const MeshMeridian& m) { return IsFinite(m); })) {
        // Every triangle has a vertex that is not a finite number or a zero
        // edge: none can be accepted, and no row is live.
        cells.ready = true;
        return;
    }
    if (!std::all_of(meridians, end, [](const MeshMeridian& m) { return IsFinite(m); })) {
        return;
    }
    MeridianSpread spread = SpreadOf(meridians, columns);
    const bool banded = BuildColumnBands(cells, meridians, dead, columns, spread);
    for (uint32_t r = 0; r < rows; ++r) {
        cells.row[r] = RowBetween(rings[r], rings[r + 1], spread, banded);
    }
    cells.ready = true;
}

RayBearing BearingOf(const MeshCells& cells, const D3DVECTOR& direction, bool backwards)
{
    const double sign = backwards ? -1.0 : 1.0;
    const double x = sign * direction.x;
    const double y = sign * direction.y;
    const double z = sign * direction.z;
    double azimuth = std::atan2(x, z);
    if (cells.mirrored) {
        azimuth = -azimuth;
    }
    double offset = std::fmod(azimuth - cells.azimuthStart, kTurn);
    if (offset < 0) {
        offset += kTurn;
    }
    RayBearing bearing;
    bearing.azimuth = cells.azimuthStart + offset;
    bearing.elevation = std::atan2(y, std::hypot(x, z));
    bearing.largest = std::max({std::fabs(x), std::fabs(y), std::fabs(z)});
    return bearing;
}

ColumnSpans CandidateColumns(const MeshCells& cells, uint32_t r, const RayBearing& forwards,
                             const RayBearing& backwards)
{
    ColumnSpans spans{};
    const CellRow& row = cells.row[r];
    if (!row.live || CannotReachThreshold(row, forwards.largest)) {
        return spans;
    }
    const Margins margins = MarginsFor(row, forwards.largest);
    for (const RayBearing* bearing : {&forwards, &backwards}) {
        if (bearing->elevation < row.elevationLow - margins.elevation ||
            bearing->elevation > row.elevationHigh + margins.elevation) {
            continue;
        }
        if (row.polar || !(margins.azimuth <= kWidestAzimuthMargin)) {
            spans.span[0] = ColumnSpan{0, cells.columns};
            spans.count = 1;
            return spans;
        }
        const double* low = cells.columnLow;
        const double* high = cells.columnHigh;
        for (const double shift : {-kTurn, 0.0, kTurn}) {
            const double azimuth = bearing->azimuth + shift;
            const auto first =
                std::lower_bound(high, high + cells.columns, azimuth - margins.azimuth);
            const auto end = std::upper_bound(low, low + cells.columns, azimuth + margins.azimuth);
            if (first - high < end - low) {
                spans.span[spans.count++] = ColumnSpan{static_cast<uint32_t>(first - high),
                                                       static_cast<uint32_t>(end - low)};
            }
        }
    }
    return spans;
}
