// The device surfaces of named textures: built from each texture's pixels
// whenever a device is created, released with it, looked up by name while
// drawing.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

#include <memory>

#include "display/named_texture.h"

// What the texture-format enumeration looks for.
struct TextureFormatQuery {
    DWORD wantedBits;
    DWORD alphaRequired;  // 1: the format must have alpha; 0: it must not
    DWORD found;
    DDPIXELFORMAT* result;
};

// Builds texture's surface for device (replacing any earlier one) in a
// size and format the device accepts, and fills it from the pixel buffer.
// A texture with mip levels gets a chain of them when the device filters
// between levels. A surface that cannot be filled is released.
HRESULT BuildTextureSurface(NamedTexture* texture, IDirect3DDevice7* device);

// The enumeration callback: copies the first fitting format into the query.
HRESULT CALLBACK MatchTextureFormat(DDPIXELFORMAT* format, void* query);

// Converts the pixel buffer on a system-memory staging surface of the
// texture's own size and blits it, scaled as needed, onto the surface.
// When the staging surface cannot be locked the texture loses its surface
// and the lock's failure is returned.
HRESULT CopyPixelBuffer(NamedTexture* texture);

// Gives up the texture's pixels (its buffer and mip levels) when its
// surface holds every one of them as they are: the whole chain at full size,
// in a format that keeps the colours. False, the pixels kept, otherwise.
bool ReleaseTexturePixels(NamedTexture* texture);

// RestoreNamedTextures, giving up each texture's pixels as soon as its
// surface holds them, so that the pixels and the surfaces of every texture
// never exist at once.
void RestoreNamedTexturesGivingUpPixels(IDirect3DDevice7* device);

// Reads the pixels of a texture that gave them up back from its surface,
// so that it can be built for the next device. Without success (no memory,
// a surface that cannot be locked) it is left without pixels.
HRESULT ReadBackTexturePixels(NamedTexture* texture);

// ReleaseNamedTextureSurfaces for a rebuild: each texture that gave up its
// pixels reads them back before its surface goes, one texture at a time, so
// that the pixels and the surfaces of every texture never exist at once. A
// failure leaves that texture without pixels.
void ReleaseNamedTextureSurfacesKeepingPixels();

struct StagingChain;
struct TextureFill;
class SpareTextures;

// Builds texture surfaces for one device one after another, keeping the
// staging surfaces from one texture to the next; with spares, a texture
// takes a kept surface of its size and format where there is one, and one
// that finds none lets them all go before its own is made.
class TextureSurfaceBuilder {
public:
    explicit TextureSurfaceBuilder(IDirect3DDevice7* device, SpareTextures* spares = nullptr);
    ~TextureSurfaceBuilder();
    TextureSurfaceBuilder(const TextureSurfaceBuilder&) = delete;
    TextureSurfaceBuilder& operator=(const TextureSurfaceBuilder&) = delete;

    // BuildTextureSurface; a failure leaves the texture without a surface.
    // givingUpPixels: then ReleaseTexturePixels.
    void Build(NamedTexture* texture, bool givingUpPixels);

    // Build, a part at a time, for a texture made beside the frames: each
    // call fills about pixels more (bands of rows, the levels in turn).
    // True once the texture is done, built or failed. A texture left before
    // it is done is released by its owner, and the builder with it.
    bool BuildPart(NamedTexture* texture, bool givingUpPixels, uint32_t pixels);

private:
    IDirect3DDevice7* device_;
    SpareTextures* spares_;
    std::unique_ptr<StagingChain> staging_;  // null without the memory: each build makes its own
    std::unique_ptr<TextureFill> fill_;      // the texture BuildPart has reached
};

// Can the device blend linearly between mip levels?
bool FiltersBetweenMipLevels(const D3DDEVICEDESC7& caps);

// DDERR_NOTFOUND when no texture has that name.
HRESULT RestoreNamedTexture(const char* name, IDirect3DDevice7* device);
// Builds every texture's surface; individual failures leave that texture without one.
HRESULT RestoreNamedTextures(IDirect3DDevice7* device);
// Releases every surface; the pixel buffers stay.
HRESULT ReleaseNamedTextureSurfaces();
// The texture's surface without an added reference, or null.
IDirectDrawSurface7* GetNamedTextureSurface(const char* name);
