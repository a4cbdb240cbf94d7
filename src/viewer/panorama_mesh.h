// The inside of the unit cylinder or sphere that carries the panorama: one
// triangle strip per image tile, with texture coordinates into that tile.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform_types.h"
#include "viewer/mesh_cells.h"
#include "viewer/mesh_triangles.h"
#include "viewer/panorama_image.h"
#include "viewer/view_state.h"

// Position, normal (equal to the position) and two equal texture-coordinate
// pairs: D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2.
struct PanoVertex {
    float x, y, z;
    float nx, ny, nz;
    float tu, tv;
    float tu2, tv2;
};
static_assert(sizeof(PanoVertex) == 40);

inline D3DVECTOR VertexPosition(const PanoVertex& v)
{
    return D3DVECTOR{v.x, v.y, v.z};
}

constexpr uint32_t kPanoVertexFormat = 0x212;

// A tilt limit of +-900 degrees tells the cylinder that the edge is not given.
constexpr double kLimitUnset = DegreesToRadians(900.0);

struct PanoramaMesh {
    uint32_t meshRows = 0;
    uint32_t meshColumns = 0;
    std::unique_ptr<PanoVertex[]> tileVertices[kMaxTiles];
    uint32_t tileVertexCount[kMaxTiles] = {};
    // Where rays can meet the strips, for the view limits' corner rays.
    MeshCells cells;
    // The strips' triangles for the same rays; null until the whole mesh is
    // built, and again after any tile's strip is rebuilt alone.
    std::unique_ptr<MeshTriangles> triangles;
};

// The fraction of the image height above the horizon on the cylinder.
double HorizonFraction(const PanoExtent& extent, float imageHeightOnCylinder);

// Builds every tile's strip, replacing any earlier arrays, and the cells'
// bounds; E_OUTOFMEMORY when an array cannot be allocated.
HRESULT BuildPanoramaMesh(PanoramaMesh& mesh, const PanoExtent& extent, const PanoramaImage& image);

struct StripParameters {
    float rowAngle;               // tilt of one mesh row on the sphere
    float imageHeightOnCylinder;  // image height when its width wraps over panSpan
    float rowHeight;              // imageHeightOnCylinder / meshRows
    float columnAngle;            // panSpan / meshColumns
};

// Builds tile k's strip over mesh rows [firstRow, endRow) and mesh columns
// [firstColumn, lastColumn]; E_OUTOFMEMORY when it cannot be allocated. The
// mesh's cell bounds no longer apply afterwards.
HRESULT BuildTileStrips(PanoramaMesh& mesh, const PanoExtent& extent, int k, uint32_t firstRow,
                        uint32_t endRow, uint32_t firstColumn, uint32_t lastColumn,
                        const StripParameters& parameters);
