#include "viewer/panorama_mesh.h"

#include <cmath>
#include <new>

namespace {

bool IsGiven(double tiltLimit)
{
    return tiltLimit != kLimitUnset && tiltLimit != -kLimitUnset;
}

MeshRing RingAt(const PanoExtent& extent, const StripParameters& p, float h0, uint32_t r)
{
    if (extent.spherical) {
        const float phi = static_cast<float>(extent.tiltMin + kHalfPi + r * p.rowAngle);
        return {static_cast<float>(std::sin(phi)), static_cast<float>(-std::cos(phi))};
    }
    return {1.0f, static_cast<float>(r * p.rowHeight - h0)};
}

MeshMeridian MeridianAt(const PanoExtent& extent, const StripParameters& p, uint32_t c)
{
    const float theta = static_cast<float>(c * p.columnAngle - extent.panSpan);
    return {static_cast<float>(std::sin(theta)), static_cast<float>(std::cos(theta))};
}

// Height of the image's top row below the horizon, on the cylinder.
float HorizonOffset(const PanoExtent& extent, const StripParameters& p)
{
    return static_cast<float>(HorizonFraction(extent, p.imageHeightOnCylinder) *
                              p.imageHeightOnCylinder);
}

PanoVertex MakeVertex(const MeshRing& ring, const MeshMeridian& m, float tu, float tv)
{
    const float x = ring.radius * m.sinTheta;
    const float z = ring.radius * m.cosTheta;
    return PanoVertex{x, ring.y, z, x, ring.y, z, tu, tv, tu, tv};
}

void BuildCells(PanoramaMesh& mesh, const PanoExtent& extent, const StripParameters& p,
                const PanoramaImage& image)
{
    MeshRing rings[kMaxCellRows + 1];
    MeshMeridian meridians[kMaxCellColumns + 1];
    const float h0 = HorizonOffset(extent, p);
    for (uint32_t r = 0; r <= mesh.meshRows; ++r) {
        rings[r] = RingAt(extent, p, h0, r);
    }
    for (uint32_t c = 0; c <= mesh.meshColumns; ++c) {
        meridians[c] = MeridianAt(extent, p, c);
    }
    BuildMeshCells(mesh.cells, rings, mesh.meshRows, meridians, mesh.meshColumns, image.tileRows,
                   image.tileColumns);
}

// Copies each cell's two strip triangles out of the tiles' arrays.
void BuildTriangles(PanoramaMesh& mesh, const PanoramaImage& image)
{
    mesh.triangles.reset();
    if (mesh.meshRows > kMaxCellRows || mesh.meshColumns > kMaxCellColumns) {
        return;
    }
    mesh.triangles.reset(new (std::nothrow) MeshTriangles);
    if (!mesh.triangles) {
        return;
    }
    MeshTriangles& triangles = *mesh.triangles;
    triangles.tileRows = image.tileRows;
    triangles.tileColumns = image.tileColumns;
    triangles.rows = mesh.meshRows;
    triangles.columns = mesh.meshColumns;
    const uint32_t rowsPerTile = mesh.meshRows / image.tileRows;
    const uint32_t columnsPerTile = mesh.meshColumns / image.tileColumns;
    for (uint32_t r = 0; r < mesh.meshRows; ++r) {
        for (uint32_t c = 0; c < mesh.meshColumns; ++c) {
            const PanoVertex* cell =
                mesh.tileVertices[r / rowsPerTile * image.tileColumns + c / columnsPerTile].get() +
                r % rowsPerTile * 2 * (columnsPerTile + 1) + 2 * (c % columnsPerTile);
            const uint32_t i = 2 * (r * mesh.meshColumns + c);
            SetMeshTriangle(triangles, i, VertexPosition(cell[0]), VertexPosition(cell[1]),
                            VertexPosition(cell[2]));
            SetMeshTriangle(triangles, i + 1, VertexPosition(cell[1]), VertexPosition(cell[2]),
                            VertexPosition(cell[3]));
        }
    }
}

}  // namespace

double HorizonFraction(const PanoExtent& extent, float imageHeightOnCylinder)
{
    const bool minGiven = IsGiven(extent.tiltMin);
    const bool maxGiven = IsGiven(extent.tiltMax);
    const double a = std::tan(-extent.tiltMin) / imageHeightOnCylinder;
    const double b = 1.0 - std::tan(extent.tiltMax) / imageHeightOnCylinder;
    if (minGiven && maxGiven) {
        return (a + b) / 2;
    }
    if (minGiven) {
        return a;
    }
    if (maxGiven) {
        return b;
    }
    return 0.5;
}

HRESULT BuildTileStrips(PanoramaMesh& mesh, const PanoExtent& extent, int k, uint32_t firstRow,
                        uint32_t endRow, uint32_t firstColumn, uint32_t lastColumn,
                        const StripParameters& p)
{
    mesh.cells.ready = false;
    mesh.triangles.reset();
    const uint32_t nRows = endRow - firstRow;
    const uint32_t nCols = lastColumn - firstColumn;
    const uint32_t count = (nCols + 1) * nRows * 2;
    mesh.tileVertices[k].reset(new (std::nothrow) PanoVertex[count]);
    mesh.tileVertexCount[k] = mesh.tileVertices[k] ? count : 0;
    if (!mesh.tileVertices[k]) {
        return E_OUTOFMEMORY;
    }
    const float h0 = HorizonOffset(extent, p);
    PanoVertex* out = mesh.tileVertices[k].get();
    for (uint32_t r = firstRow; r < endRow; ++r) {
        const uint32_t lr = r - firstRow;
        const MeshRing lower = RingAt(extent, p, h0, r);
        const MeshRing upper = RingAt(extent, p, h0, r + 1);
        const float tvLower = static_cast<float>(lr) / nRows;
        const float tvUpper = static_cast<float>(lr + 1) / nRows;
        for (uint32_t c = firstColumn; c <= lastColumn; ++c) {
            const MeshMeridian meridian = MeridianAt(extent, p, c);
            const float tu = 1.0f - static_cast<float>(c - firstColumn) / nCols;
            *out++ = MakeVertex(lower, meridian, tu, tvLower);
            *out++ = MakeVertex(upper, meridian, tu, tvUpper);
        }
    }
    return S_OK;
}

HRESULT BuildPanoramaMesh(PanoramaMesh& mesh, const PanoExtent& extent, const PanoramaImage& image)
{
    mesh.meshRows = 32;
    mesh.meshColumns = extent.panSpan > kPi ? 64 : 48;
    StripParameters p;
    p.rowAngle = static_cast<float>(extent.tiltSpan / mesh.meshRows);
    p.imageHeightOnCylinder =
        static_cast<float>(image.imageHeight * extent.panSpan / image.imageWidth);
    p.rowHeight = p.imageHeightOnCylinder / mesh.meshRows;
    p.columnAngle = static_cast<float>(extent.panSpan / mesh.meshColumns);

    for (auto& vertices : mesh.tileVertices) {
        vertices.reset();
    }
    for (uint32_t& count : mesh.tileVertexCount) {
        count = 0;
    }
    const uint32_t rowsPerTile = mesh.meshRows / image.tileRows;
    const uint32_t columnsPerTile = mesh.meshColumns / image.tileColumns;
    for (int ty = 0; ty < image.tileRows; ++ty) {
        for (int tx = 0; tx < image.tileColumns; ++tx) {
            const uint32_t firstRow = ty * rowsPerTile;
            const uint32_t firstColumn = tx * columnsPerTile;
            const HRESULT status =
                BuildTileStrips(mesh, extent, ty * image.tileColumns + tx, firstRow,
                                firstRow + rowsPerTile, firstColumn, firstColumn + columnsPerTile, p);
            if (FAILED(status)) {
                return status;
            }
        }
    }
    BuildCells(mesh, extent, p, image);
    BuildTriangles(mesh, image);
    return S_OK;
}
