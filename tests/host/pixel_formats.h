// Pixel formats that devices commonly offer, for the texture tests of both
// trees.
#pragma once

#include "display/texture_rules.h"

constexpr uint32_t kPixelFormatRgb = 0x40;

inline DDPIXELFORMAT RgbFormat(uint32_t bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a,
                               uint32_t flags = 0)
{
    DDPIXELFORMAT f{};
    f.dwSize = sizeof f;
    f.dwFlags = flags | kPixelFormatRgb | (a ? kPixelFormatAlphaPixels : 0);
    f.dwRGBBitCount = bits;
    f.dwRBitMask = r;
    f.dwGBitMask = g;
    f.dwBBitMask = b;
    f.dwRGBAlphaBitMask = a;
    return f;
}

const DDPIXELFORMAT k565 = RgbFormat(16, 0xF800, 0x07E0, 0x001F, 0);
const DDPIXELFORMAT k1555 = RgbFormat(16, 0x7C00, 0x03E0, 0x001F, 0x8000);
const DDPIXELFORMAT k4444 = RgbFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
const DDPIXELFORMAT k8888 = RgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
const DDPIXELFORMAT kX888 = RgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0);
