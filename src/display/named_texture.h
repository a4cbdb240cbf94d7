// Named textures: each keeps its source pixels in system memory and, while a
// device exists, a texture surface built from them, so textures survive the
// loss and re-creation of the device. The registry itself needs no device.
#pragma once

#include <cstdint>

#include "platform/platform_types.h"

enum TextureOption : uint32_t {
    TEXOPT_DEPTH32 = 0x4,  // 32 bits per pixel (else 16)
    TEXOPT_DEPTH16 = 0x8,  // asks for 16 bits when the surface is built; wins over DEPTH32
    TEXOPT_ALPHA = 0x10,   // a format with alpha is wanted
};

constexpr size_t kTextureNameCapacity = 80;

// Mip levels below a texture's pixel buffer, enough for a 65536-pixel top.
constexpr int kMaxMipLevels = 16;

struct NamedTexture {
    NamedTexture* next;
    char name[kTextureNameCapacity];  // at most 79 characters, compared without regard to case
    uint32_t width;
    uint32_t height;
    uint32_t stage;
    uint32_t depth;  // 16 or 32
    uint32_t options;
    uint32_t alphaWanted;
    IDirectDrawSurface7* surface;  // owned, one reference; null without a device
    uint32_t* pixelBuffer;         // owned (malloc); width x height words 0xRRGGBBAA, rows from the top
    // Mip levels below the pixel buffer, each half the size of the one above
    // (at least 1): mipPixels[i] is level i + 1, owned (malloc), in the
    // pixel buffer's format. None unless BuildMipLevels made them or they
    // were read back from a surface with levels.
    uint32_t mipLevelCount;
    uint32_t* mipPixels[kMaxMipLevels];
};

// Most recently created container first.
extern NamedTexture* namedTextureList;

// 0; E_INVALIDARG for a null name or one longer than 79 characters; E_FAIL
// when a container of that name exists; E_OUTOFMEMORY.
HRESULT CreateNamedTexture(const char* name, uint32_t width, uint32_t height, uint32_t stage,
                           uint32_t options);

// The newest container whose name equals name without regard to case.
NamedTexture* FindNamedTexture(const char* name);

// Frees the mip levels; the texture then has none.
void FreeMipLevels(NamedTexture& texture);

// Frees the pixel buffer and the mip levels.
void FreeTexturePixels(NamedTexture& texture);

// Releases the surface, frees the pixels and mip levels, unlinks and frees the container.
void DestroyNamedTexture(NamedTexture* texture);

// Destroys every container; the process does this at exit.
void DestroyAllNamedTextures();

// Gives up the texture surface's reference. Defined by the platform shell;
// without a device layer no surface ever exists.
void ReleaseTextureSurface(IDirectDrawSurface7* surface);
