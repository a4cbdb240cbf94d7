// The mesh's strip triangles as the corner rays' test takes them: the first
// corner and the two edges from it, rounded exactly as that test rounds
// them, one array per component, cell after cell. A scan of many triangles
// then runs several at a time, with the same answer as one after another.
#pragma once

#include <cstdint>

#include "platform/platform_types.h"
#include "viewer/mesh_cells.h"

constexpr uint32_t kMaxMeshTriangles = 2 * kMaxCellRows * kMaxCellColumns;

struct MeshTriangles {
    // The tile grid the strips were read in, and the cell grid.
    int32_t tileRows = 0;
    int32_t tileColumns = 0;
    uint32_t rows = 0;
    uint32_t columns = 0;
    // Triangle k (0 or 1) of cell (r, c) is at 2 x (r x columns + c) + k.
    float ax[kMaxMeshTriangles], ay[kMaxMeshTriangles], az[kMaxMeshTriangles];
    float e1x[kMaxMeshTriangles], e1y[kMaxMeshTriangles], e1z[kMaxMeshTriangles];
    float e2x[kMaxMeshTriangles], e2y[kMaxMeshTriangles], e2z[kMaxMeshTriangles];
};

// Stores triangle i with corners a, b and c.
void SetMeshTriangle(MeshTriangles& triangles, uint32_t i, const D3DVECTOR& a, const D3DVECTOR& b,
                     const D3DVECTOR& c);

// Whether the ray/triangle test accepts any of the triangles [first, end)
// at a positive distance.
bool AnyTriangleHit(const MeshTriangles& triangles, uint32_t first, uint32_t end,
                    const D3DVECTOR& origin, const D3DVECTOR& direction);
