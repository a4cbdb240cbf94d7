// The rules of texture surfaces that need no platform: the size a device
// accepts, which pixel format fits a texture, and the conversion of the
// 0xRRGGBBAA source pixels into a format's channels.
#pragma once

#include <cstdint>

#include "platform/platform_types.h"

// Texture capability bits of a device description (dpcTriCaps.dwTextureCaps).
constexpr uint32_t kTextureCapsPow2 = 0x2;
constexpr uint32_t kTextureCapsSquareOnly = 0x20;

// Pixel-format flag bits.
constexpr uint32_t kPixelFormatAlphaPixels = 0x1;
constexpr uint32_t kPixelFormatNotColour = 0xE0000;  // luminance, bump luminance, bump du/dv

struct TextureSize {
    uint32_t width;
    uint32_t height;
};

// The smallest power of two at least value (1 for 0), at most 2^31.
uint32_t NextPowerOfTwo(uint32_t value);

// Powers of two when the device asks for them, then the device's maximum
// (0 read as 256), then a square when the device asks for one.
TextureSize TextureSurfaceSize(uint32_t width, uint32_t height, uint32_t textureCaps,
                               uint32_t maxWidth, uint32_t maxHeight);

// Bits per pixel a texture asks for: 16 with TEXOPT_DEPTH16, else 32 with
// TEXOPT_DEPTH32, else its depth.
uint32_t WantedTextureBits(uint32_t depth, uint32_t options);

// Is this device format usable for the wanted bits and alpha requirement?
// Never a 4-4-4-4 format, a FourCC, a luminance or bump format, or one of
// fewer than 16 bits.
bool TextureFormatFits(const DDPIXELFORMAT& format, uint32_t wantedBits, uint32_t alphaRequired);

struct ChannelPlacement {
    int shift;  // zero bits below the mask
    int loss;   // 8 minus the mask's width; negative for masks wider than 8 bits
};

ChannelPlacement PlaceChannel(uint32_t mask);

// Turns source pixels (0xRRGGBBAA) into a format's channels.
class PixelConverter {
public:
    explicit PixelConverter(const DDPIXELFORMAT& format);
    uint32_t operator()(uint32_t source) const;

private:
    uint32_t masks_[4];
    ChannelPlacement placements_[4];
};

// Converts width x height source pixels, rows width apart, into rows pitch
// bytes apart: u32 pixels for 32-bit formats, u16 otherwise.
void ConvertPixels(const uint32_t* source, uint32_t width, uint32_t height,
                   const DDPIXELFORMAT& format, uint8_t* destination, int32_t pitch);

// Does a format keep the source pixels' colours as they are? 32 bits, with
// red, green and blue 8 bits each: then its pixels turn back into them.
bool FormatKeepsColours(const DDPIXELFORMAT& format);

// The source words (alpha 255) of width x height pixels of such a format,
// rows pitch bytes apart, into rows width apart.
void UnconvertPixels(const uint8_t* source, int32_t pitch, uint32_t width, uint32_t height,
                     const DDPIXELFORMAT& format, uint32_t* destination);
