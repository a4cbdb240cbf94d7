#include "display/texture_rules.h"

#include <cstring>

#include "display/named_texture.h"

uint32_t NextPowerOfTwo(uint32_t value)
{
    uint32_t power = 1;
    while (power < value && power < 0x80000000u) {
        power <<= 1;
    }
    return power;
}

namespace {

constexpr uint32_t kAlphaMask4444 = 0xF000;

// A channel value of 8 bits placed under a mask: narrowed by the loss, or
// widened when the mask is wider than 8 bits, so no shift is ever negative.
uint32_t Place(uint32_t value, uint32_t mask, const ChannelPlacement& p)
{
    const uint32_t scaled = p.loss >= 0 ? value >> p.loss : value << -p.loss;
    return p.shift < 32 ? (scaled << p.shift) & mask : 0;
}

}  // namespace

TextureSize TextureSurfaceSize(uint32_t width, uint32_t height, uint32_t textureCaps,
                               uint32_t maxWidth, uint32_t maxHeight)
{
    if (textureCaps & kTextureCapsPow2) {
        width = NextPowerOfTwo(width);
        height = NextPowerOfTwo(height);
    }
    const uint32_t limitW = maxWidth ? maxWidth : 256;
    const uint32_t limitH = maxHeight ? maxHeight : 256;
    if (width >= limitW) {
        width = limitW;
    }
    if (height >= limitH) {
        height = limitH;
    }
    if (textureCaps & kTextureCapsSquareOnly) {
        if (width > height) {
            height = width;
        } else {
            width = height;
        }
    }
    return TextureSize{width, height};
}

uint32_t WantedTextureBits(uint32_t depth, uint32_t options)
{
    if (options & TEXOPT_DEPTH16) {
        return 16;
    }
    if (options & TEXOPT_DEPTH32) {
        return 32;
    }
    return depth;
}

bool TextureFormatFits(const DDPIXELFORMAT& f, uint32_t wantedBits, uint32_t alphaRequired)
{
    const bool hasAlpha = (f.dwFlags & kPixelFormatAlphaPixels) != 0;
    return (f.dwFlags & kPixelFormatNotColour) == 0 && f.dwRGBBitCount >= 16 && f.dwFourCC == 0 &&
           f.dwRGBAlphaBitMask != kAlphaMask4444 && hasAlpha == (alphaRequired != 0) &&
           f.dwRGBBitCount == wantedBits;
}

ChannelPlacement PlaceChannel(uint32_t mask)
{
    if (mask == 0) {
        return ChannelPlacement{0, 8};
    }
    int low = 0;
    while (!(mask & (1u << low))) {
        ++low;
    }
    int high = 31;
    while (!(mask & (1u << high))) {
        --high;
    }
    return ChannelPlacement{low, 8 - (high - low + 1)};
}

PixelConverter::PixelConverter(const DDPIXELFORMAT& f)
    : masks_{f.dwRBitMask, f.dwGBitMask, f.dwBBitMask, f.dwRGBAlphaBitMask}
{
    for (int c = 0; c < 4; ++c) {
        placements_[c] = PlaceChannel(masks_[c]);
    }
}

uint32_t PixelConverter::operator()(uint32_t source) const
{
    const uint32_t values[4] = {source >> 24, (source >> 16) & 0xFF, (source >> 8) & 0xFF,
                                source & 0xFF};
    uint32_t pixel = 0;
    for (int c = 0; c < 4; ++c) {
        pixel += Place(values[c], masks_[c], placements_[c]);
    }
    return pixel;
}

namespace {

// How a format's pixels come from the source words, chosen once per surface:
// the two common 32-bit layouts need no per-pixel mask arithmetic.
enum class Conversion {
    Copy,       // the format is the source layout, 0xRRGGBBAA
    Argb,       // 0xAARRGGBB: the source word turned right by one byte
    Xrgb,       // 0x00RRGGBB: the source word shifted right by one byte
    Masks,      // anything else, channel by channel
};

Conversion ChooseConversion(const DDPIXELFORMAT& f)
{
    if (f.dwRGBBitCount != 32) {
        return Conversion::Masks;
    }
    const uint32_t r = f.dwRBitMask, g = f.dwGBitMask, b = f.dwBBitMask, a = f.dwRGBAlphaBitMask;
    if (r == 0xFF000000u && g == 0x00FF0000u && b == 0x0000FF00u && a == 0x000000FFu) {
        return Conversion::Copy;
    }
    if (r == 0x00FF0000u && g == 0x0000FF00u && b == 0x000000FFu) {
        if (a == 0xFF000000u) {
            return Conversion::Argb;
        }
        if (a == 0) {
            return Conversion::Xrgb;
        }
    }
    return Conversion::Masks;
}

template <bool kWithAlpha>
void ShiftRow(const uint32_t* in, uint8_t* out, uint32_t width)
{
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t source = in[x];
        const uint32_t pixel = kWithAlpha ? (source >> 8) | (source << 24) : source >> 8;
        std::memcpy(out + size_t{x} * 4, &pixel, 4);
    }
}

void MaskRow(const PixelConverter& convert, bool wide, const uint32_t* in, uint8_t* out,
             uint32_t width)
{
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t pixel = convert(in[x]);
        if (wide) {
            std::memcpy(out + size_t{x} * 4, &pixel, 4);
        } else {
            const uint16_t narrow = static_cast<uint16_t>(pixel);
            std::memcpy(out + size_t{x} * 2, &narrow, 2);
        }
    }
}

}  // namespace

void ConvertPixels(const uint32_t* source, uint32_t width, uint32_t height,
                   const DDPIXELFORMAT& f, uint8_t* destination, int32_t pitch)
{
    const Conversion conversion = ChooseConversion(f);
    const PixelConverter convert(f);
    const bool wide = f.dwRGBBitCount == 32;
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t* in = source + static_cast<size_t>(y) * width;
        uint8_t* out = destination + static_cast<ptrdiff_t>(y) * pitch;
        switch (conversion) {
        case Conversion::Copy:
            std::memcpy(out, in, size_t{width} * 4);
            break;
        case Conversion::Argb:
            ShiftRow<true>(in, out, width);
            break;
        case Conversion::Xrgb:
            ShiftRow<false>(in, out, width);
            break;
        case Conversion::Masks:
            MaskRow(convert, wide, in, out, width);
            break;
        }
    }
}

bool FormatKeepsColours(const DDPIXELFORMAT& f)
{
    const auto eightBits = [](uint32_t mask) {
        const ChannelPlacement p = PlaceChannel(mask);
        return mask != 0 && p.loss == 0;
    };
    return (f.dwFlags & kPixelFormatNotColour) == 0 && f.dwFourCC == 0 && f.dwRGBBitCount == 32 &&
           eightBits(f.dwRBitMask) && eightBits(f.dwGBitMask) && eightBits(f.dwBBitMask);
}

void UnconvertPixels(const uint8_t* source, int32_t pitch, uint32_t width, uint32_t height,
                     const DDPIXELFORMAT& format, uint32_t* destination)
{
    const int red = PlaceChannel(format.dwRBitMask).shift;
    const int green = PlaceChannel(format.dwGBitMask).shift;
    const int blue = PlaceChannel(format.dwBBitMask).shift;
    for (uint32_t y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(source + ptrdiff_t{pitch} * y);
        uint32_t* out = destination + size_t{y} * width;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t p = row[x];
            out[x] = ((p >> red) & 0xFF) << 24 | ((p >> green) & 0xFF) << 16 |
                     ((p >> blue) & 0xFF) << 8 | 0xFF;
        }
    }
}
