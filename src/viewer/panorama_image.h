// Decoding the panorama JPEG from the executable into one to eight tiles,
// each the pixel buffer of a named 32-bit texture. Tile column 0 holds the
// image's right end, matching the mesh.
#pragma once

#include <cstdint>

#include "display/named_texture.h"
#include "package/viewer_options.h"
#include "platform/platform_types.h"
#include "viewer/image_memory.h"

constexpr int kMaxTiles = 8;

struct PanoramaImage {
    // Its tiles' textures are tile textures firstTile to firstTile + 7: 0
    // for the panorama shown first, kMaxTiles for the one shown beside it
    // while a slideshow switches.
    uint32_t firstTile = 0;
    uint32_t imageWidth = 0;
    uint32_t imageHeight = 0;
    int32_t tileColumns = 1;
    int32_t tileRows = 1;
    uint32_t tileCount = 0;
    // As decoded; owned by the tiles' named textures, which may give them up.
    uint32_t* tilePixels[kMaxTiles] = {};
    bool mipLevels = false;  // the tiles' textures carry chains of mip levels
};

// Told, on the decoding thread, how far a decode has come: TilesReady(0)
// once the image's size and tile grid are set and its tiles exist, then
// TilesReady(n) each time tiles 0 to n - 1 are final (their pixels and mip
// levels are not touched by the decode again).
class TileProgress {
public:
    virtual void TilesReady(uint32_t count) = 0;
    // Asked between batches of rows and between tiles: true ends the
    // decode as failed, "cancelled".
    virtual bool Cancelled() const { return false; }

protected:
    ~TileProgress() = default;
};

// What a load came to: loaded, or the reason it was not, in words for the
// stage trace and the tests (the user is shown only the generic message).
struct PanoramaLoad {
    bool loaded = false;
    char reason[200] = {};
    // Refused for memory that it would have within the budget's memoryAlone.
    bool needsRoom = false;
};

// Decodes the JPEG that starts at imageOffset in exePath into the tiles.
// Fails on an unreadable file, not a JPEG, an image that PlanImageLoad does
// not fit into the budget (needsRoom when it fits the budget's memoryAlone),
// a decoding error or lack of memory. With
// FEATURE_MIP_LEVELS, when they fit, each tile's texture gets its chain of
// mip levels; with FEATURE_SCALED_DECODE an image over the budget is decoded
// smaller (imageWidth and imageHeight are the decoded size). The upper row
// of tiles is final once the decode has passed it. A load that fails keeps
// the tile textures it made, which another thread may be reading: its
// owner destroys them once nothing reads them.
PanoramaLoad LoadPanorama(PanoramaImage& image, const char* exePath, int32_t imageOffset,
                          const ImageBudget& budget, const ViewerOptions& options = {},
                          TileProgress* progress = nullptr);

constexpr size_t kTileNameCapacity = 14;

// Name of tile texture k: "panotexture1" to "panotexture16"; the panorama
// shown first has the first eight.
void TileTextureName(uint32_t k, char (&name)[kTileNameCapacity]);

// The named texture of the image's tile k, or null.
NamedTexture* FindTileTexture(const PanoramaImage& image, uint32_t k);

// Destroys the image's tile textures (those it has made so far) with their
// pixels and surfaces; the image then has no tiles.
void DestroyTileTextures(PanoramaImage& image);

// Sets the tile grid for imageWidth x imageHeight: 4 columns above 4096
// pixels, 2 above 2048, else 1; 2 rows above 2048 pixels, else 1.
void ChooseTileGrid(PanoramaImage& image);

// Width of tile column tx and height of tile row ty: the last column and
// row take the remainder.
uint32_t TileWidth(const PanoramaImage& image, int tx);
uint32_t TileHeight(const PanoramaImage& image, int ty);

// Chooses the tile grid for the image size and creates the tile textures
// with their buffers; 0 or the failing status.
HRESULT CreateTileTextures(PanoramaImage& image);
