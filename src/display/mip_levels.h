// Mip levels of a named texture, made from its pixels without a device: a
// power-of-two top level, since devices that filter between levels mostly
// want power-of-two chains, and below it each level the 2 x 2 average of
// the one above, down to 1 x 1.
#pragma once

#include <cstdint>

#include "display/named_texture.h"
#include "display/texture_rules.h"

// Levels of a full chain of a width x height top, the top included.
uint32_t MipChainLength(uint32_t width, uint32_t height);

// Size of level `level` below a width x height top: halved, at least 1.
TextureSize MipLevelSize(uint32_t width, uint32_t height, uint32_t level);

// Pixels of a texture's level; level 0 is the pixel buffer.
const uint32_t* MipLevelPixels(const NamedTexture& texture, uint32_t level);

// Words a full chain of a width x height top holds, the top included.
uint64_t MipChainPixels(uint32_t width, uint32_t height);

// from (width x height) bilinearly onto to (toWidth x toHeight), pixel
// centres matched and the edges clamped, so nothing from the opposite edge
// bleeds in. For enlarging: each side at most doubles.
void ResamplePixels(const uint32_t* from, uint32_t width, uint32_t height, uint32_t* to,
                    uint32_t toWidth, uint32_t toHeight);

// The level below from (width x height, each side even or 1): every pixel
// the rounded average of the 2 x 2 (or 2 x 1) pixels above it.
void HalvePixels(const uint32_t* from, uint32_t width, uint32_t height, uint32_t* to);

// Gives texture a full chain: its pixel buffer resampled to powers of two
// when it is not (width and height grow to match), then every level below.
// E_OUTOFMEMORY leaves it without levels.
HRESULT BuildMipLevels(NamedTexture& texture);
