// Where a ray from the eye can meet the mesh: for every mesh row a band of
// elevation and for every mesh column a band of azimuth, each widened by
// what single-precision rounding can add, so that a ray outside a cell's
// bands can be accepted by neither of the cell's two triangles. A corner ray
// then runs the ray/triangle test only on the few cells whose bands hold it.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "platform/platform_types.h"

constexpr uint32_t kMaxCellRows = 32;
constexpr uint32_t kMaxCellColumns = 64;

// The ray/triangle test accepts a triangle only when its determinant is at
// least this in absolute value.
constexpr float kRayDeterminantMin = 0.0001f;

// The mesh builder's values: vertex (ring r, meridian c) is
// (radius_r x sin_c, y_r, radius_r x cos_c), each product in single precision.
struct MeshRing {
    float radius;
    float y;
};

struct MeshMeridian {
    float sinTheta;
    float cosTheta;
};

struct CellRow {
    bool live;    // false: every triangle has a vertex that is not a finite number
    bool polar;   // no azimuth band: a ring on or across the axis, or columns out of order
    double elevationLow, elevationHigh;
    double minHorizontal;  // least distance from the axis of a point of a cell
    double minDistance;    // least distance from the eye of a point of a cell
    double edgeLength;     // bound of the 1-norm of any edge, as rounded
    double detCap;         // bound of the exact determinant per unit of direction
    double detError;       // bound of the determinant's rounding per unit of direction
    double detFloor;       // and what underflow may add to it
    double sideError;      // bound of the rounding of u plus that of v, the same way
    double sideFloor;
};

struct MeshCells {
    // Set once the whole mesh is built from these values; any later change to
    // a tile's array clears it.
    bool ready = false;
    int32_t tileRows = 0;
    int32_t tileColumns = 0;
    uint32_t rows = 0;
    uint32_t columns = 0;
    // Azimuths grow with the column here; mirrored meshes store them negated.
    bool mirrored = false;
    double azimuthStart = 0;
    double columnLow[kMaxCellColumns] = {};
    double columnHigh[kMaxCellColumns] = {};
    CellRow row[kMaxCellRows] = {};
};

// Fills cells from rows + 1 rings and columns + 1 meridians of a mesh built in
// tileRows x tileColumns tiles. Leaves cells not ready when the mesh is too
// irregular for bands (a corner ray then tests every triangle).
void BuildMeshCells(MeshCells& cells, const MeshRing* rings, uint32_t rows,
                    const MeshMeridian* meridians, uint32_t columns, int32_t tileRows,
                    int32_t tileColumns);

// A finite ray direction seen from the eye, forwards or backwards.
struct RayBearing {
    double azimuth;    // in the cells' frame, from azimuthStart within one turn
    double elevation;
    double largest;    // largest absolute component of the direction
};

RayBearing BearingOf(const MeshCells& cells, const D3DVECTOR& direction, bool backwards);

struct ColumnSpan {
    uint32_t first;
    uint32_t end;
};

// The columns of a row whose cells may accept a ray, as up to six spans.
struct ColumnSpans {
    ColumnSpan span[6];
    int count;
};

// Row r's candidate columns for a ray with these bearings forwards and
// backwards: the triangle test also accepts hits behind the eye.
ColumnSpans CandidateColumns(const MeshCells& cells, uint32_t r, const RayBearing& forwards,
                             const RayBearing& backwards);

// Calls test(row, first, end) on every span of cells [first, end) of a row
// whose triangles may accept a ray along the finite direction from the eye,
// until one call returns true.
template <typename SpanTest>
bool AnyCandidateSpan(const MeshCells& cells, const D3DVECTOR& direction, SpanTest&& test)
{
    const RayBearing forwards = BearingOf(cells, direction, false);
    const RayBearing backwards = BearingOf(cells, direction, true);
    for (uint32_t r = 0; r < cells.rows; ++r) {
        const ColumnSpans spans = CandidateColumns(cells, r, forwards, backwards);
        for (int k = 0; k < spans.count; ++k) {
            if (test(r, spans.span[k].first, spans.span[k].end)) {
                return true;
            }
        }
    }
    return false;
}
