#include "display/texture_rules.h"

#include <gtest/gtest.h>

#include <vector>

#include "display/named_texture.h"
#include "pixel_formats.h"

TEST(TextureRules, SizesTheDeviceAccepts)
{
    struct Case {
        const char* label;
        uint32_t width, height, caps, maxW, maxH;
        uint32_t expectedW, expectedH;
    };
    const Case cases[] = {
        {"powers of two", 1000, 700, kTextureCapsPow2, 2048, 2048, 1024, 1024},
        {"powers of two, then the maximum", 1000, 700, kTextureCapsPow2, 512, 512, 512, 512},
        {"a maximum of 0 reads as 256", 1000, 700, kTextureCapsPow2, 0, 0, 256, 256},
        {"square only", 512, 256, kTextureCapsSquareOnly, 4096, 4096, 512, 512},
        {"square only, taller", 100, 300, kTextureCapsSquareOnly, 4096, 4096, 300, 300},
        {"no rules", 1302, 635, 0, 4096, 4096, 1302, 635},
        {"empty and one-pixel sides", 0, 1, kTextureCapsPow2, 4096, 4096, 1, 1},
        {"at the maximum", 4096, 10, 0, 4096, 4096, 4096, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const TextureSize size = TextureSurfaceSize(c.width, c.height, c.caps, c.maxW, c.maxH);
        EXPECT_EQ(size.width, c.expectedW);
        EXPECT_EQ(size.height, c.expectedH);
    }
}

TEST(TextureRules, WantedBits)
{
    EXPECT_EQ(WantedTextureBits(32, TEXOPT_DEPTH32), 32u);
    EXPECT_EQ(WantedTextureBits(32, TEXOPT_DEPTH32 | TEXOPT_DEPTH16), 16u);
    EXPECT_EQ(WantedTextureBits(16, 0), 16u);
}

TEST(TextureRules, FormatMatch)
{
    EXPECT_TRUE(TextureFormatFits(kX888, 32, 0));
    EXPECT_FALSE(TextureFormatFits(k8888, 32, 0)) << "alpha where none is wanted";
    EXPECT_TRUE(TextureFormatFits(k8888, 32, 1));
    EXPECT_FALSE(TextureFormatFits(k565, 32, 0)) << "wrong depth";
    EXPECT_TRUE(TextureFormatFits(k565, 16, 0));
    EXPECT_FALSE(TextureFormatFits(k4444, 16, 1)) << "4-4-4-4 is never used";
    EXPECT_TRUE(TextureFormatFits(k1555, 16, 1));
    DDPIXELFORMAT fourCC = kX888;
    fourCC.dwFourCC = 0x31545844;
    EXPECT_FALSE(TextureFormatFits(fourCC, 32, 0));
    const DDPIXELFORMAT luminance = RgbFormat(16, 0xFF, 0, 0, 0, 0x20000);
    EXPECT_FALSE(TextureFormatFits(luminance, 16, 0));
    const DDPIXELFORMAT bump = RgbFormat(16, 0xFF, 0xFF00, 0, 0, 0x80000);
    EXPECT_FALSE(TextureFormatFits(bump, 16, 0));
    EXPECT_FALSE(TextureFormatFits(RgbFormat(8, 0xE0, 0x1C, 0x3, 0), 8, 0));
}

TEST(TextureRules, ExamplePixelConversions)
{
    EXPECT_EQ(PixelConverter(k565)(0xFF8040C0), 0xFC08u);
    EXPECT_EQ(PixelConverter(k8888)(0xFF8040C0), 0xC0FF8040u);
    EXPECT_EQ(PixelConverter(kX888)(0xFF8040C0), 0x00FF8040u);
    EXPECT_EQ(PixelConverter(k1555)(0xFF8040C0), 0x8000u | (0x1F << 10) | (0x10 << 5) | 0x08);
}

TEST(TextureRules, WideMasksAreWidenedNotShiftedNegatively)
{
    const DDPIXELFORMAT tenBits = RgbFormat(32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000);
    EXPECT_EQ(PlaceChannel(0x3FF00000).loss, -2);
    // 0xFF in ten bits is 0x3FC; in the two alpha bits it is 3.
    EXPECT_EQ(PixelConverter(tenBits)(0xFFFFFFFF), 0xC0000000u | 0x3FC00000u | 0x000FF000u | 0x3FCu);
    EXPECT_EQ(PixelConverter(tenBits)(0x01000000), 0x00400000u);
}

TEST(TextureRules, ConvertsRowsIntoThePitch)
{
    const std::vector<uint32_t> source = {0xFF0000FF, 0x00FF00FF, 0x0000FFFF,
                                          0xFFFFFFFF, 0x000000FF, 0x808080FF};
    std::vector<uint8_t> out(2 * 8, 0xEE);
    ConvertPixels(source.data(), 3, 2, k565, out.data(), 8);
    const auto at = [&](int x, int y) { return uint16_t(out[y * 8 + x * 2] | out[y * 8 + x * 2 + 1] << 8); };
    EXPECT_EQ(at(0, 0), 0xF800);
    EXPECT_EQ(at(1, 0), 0x07E0);
    EXPECT_EQ(at(2, 0), 0x001F);
    EXPECT_EQ(at(0, 1), 0xFFFF);
    EXPECT_EQ(at(1, 1), 0x0000);
    EXPECT_EQ(out[6], 0xEE) << "bytes past the row stay";
}
