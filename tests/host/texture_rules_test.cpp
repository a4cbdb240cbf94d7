// The texture rules: the sizes a device accepts, the formats that fit, and conversion into every
// layout exactly as the plain per-pixel conversion, and back for formats that keep the colours.
#include "display/texture_rules.h"

#include <gtest/gtest.h>

#include <cstring>
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

namespace {

// The plain per-pixel conversion every layout must match byte for byte.
void ConvertOneByOne(const uint32_t* source, uint32_t width, uint32_t height,
                     const DDPIXELFORMAT& format, uint8_t* destination, int32_t pitch)
{
    const PixelConverter convert(format);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t pixel = convert(source[y * width + x]);
            uint8_t* out = destination + y * pitch;
            if (format.dwRGBBitCount == 32) {
                std::memcpy(out + x * 4, &pixel, 4);
            } else {
                const uint16_t narrow = static_cast<uint16_t>(pixel);
                std::memcpy(out + x * 2, &narrow, 2);
            }
        }
    }
}

}  // namespace

TEST(TextureRules, EveryLayoutConvertsAsThePlainConversion)
{
    struct Format {
        const char* label;
        DDPIXELFORMAT format;
    };
    // The RGB texture formats Wine's devices offer, then layouts of our own.
    const Format formats[] = {
        {"A8R8G8B8", k8888},
        {"X8R8G8B8", kX888},
        {"R5G6B5", k565},
        {"X1R5G5B5", RgbFormat(16, 0x7C00, 0x03E0, 0x001F, 0)},
        {"A1R5G5B5", k1555},
        {"A4R4G4B4", k4444},
        {"X4R4G4B4", RgbFormat(16, 0x0F00, 0x00F0, 0x000F, 0)},
        {"A8R3G3B2", RgbFormat(16, 0xE0, 0x1C, 0x03, 0xFF00)},
        {"R8G8B8A8, the source layout", RgbFormat(32, 0xFF000000, 0xFF0000, 0xFF00, 0xFF)},
        {"R8G8B8X8", RgbFormat(32, 0xFF000000, 0xFF0000, 0xFF00, 0)},
        {"A8B8G8R8", RgbFormat(32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000)},
        {"X8B8G8R8", RgbFormat(32, 0xFF, 0xFF00, 0xFF0000, 0)},
        {"B8G8R8A8", RgbFormat(32, 0xFF00, 0xFF0000, 0xFF000000, 0xFF)},
        {"A7R8G8B8", RgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0x7F000000)},
        {"A2R10G10B10", RgbFormat(32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000)},
        {"overlapping masks", RgbFormat(32, 0xFFFF0000, 0x00FFFF00, 0x0000FFFF, 0xFF)},
        {"no channels", RgbFormat(32, 0, 0, 0, 0)},
    };
    struct Size {
        uint32_t width, height, padding;
    };
    const Size sizes[] = {{1, 1, 0}, {3, 2, 2}, {17, 5, 6}, {64, 3, 0}, {1302, 4, 12}};
    for (const Format& f : formats) {
        for (const Size& s : sizes) {
            SCOPED_TRACE(::testing::Message() << f.label << ", " << s.width << " x " << s.height);
            std::vector<uint32_t> source(size_t{s.width} * s.height);
            uint32_t seed = s.width * 7919u + s.height;
            for (uint32_t& pixel : source) {
                seed = seed * 1664525u + 1013904223u;
                pixel = seed;
            }
            source[0] = 0xFFFFFFFF;
            source.back() = 0x00000000;
            const int32_t pitch =
                static_cast<int32_t>(s.width * (f.format.dwRGBBitCount / 8) + s.padding);
            std::vector<uint8_t> expected(size_t(pitch) * s.height, 0xEE);
            std::vector<uint8_t> converted(expected);
            ConvertOneByOne(source.data(), s.width, s.height, f.format, expected.data(), pitch);
            ConvertPixels(source.data(), s.width, s.height, f.format, converted.data(), pitch);
            EXPECT_EQ(std::memcmp(expected.data(), converted.data(), expected.size()), 0);
        }
    }
}

TEST(TextureRules, FormatsThatKeepTheColoursGiveThemBack)
{
    struct Case {
        const char* label;
        DDPIXELFORMAT format;
        bool keeps;
    };
    const Case cases[] = {
        {"X8R8G8B8", kX888, true},
        {"A8R8G8B8", k8888, true},
        {"A8B8G8R8", RgbFormat(32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000), true},
        {"R5G6B5", k565, false},
        {"A2R10G10B10", RgbFormat(32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000), false},
    };
    const uint32_t source[4] = {0xFF8040FF, 0x123456FF, 0x000000FF, 0xFFFFFFFF};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_EQ(FormatKeepsColours(c.format), c.keeps);
        if (!c.keeps) {
            continue;
        }
        uint32_t converted[2 * 3] = {};  // two rows of two, pitch of three pixels
        ConvertPixels(source, 2, 2, c.format, reinterpret_cast<uint8_t*>(converted), 12);
        uint32_t back[4] = {};
        UnconvertPixels(reinterpret_cast<const uint8_t*>(converted), 12, 2, 2, c.format, back);
        EXPECT_EQ(std::vector<uint32_t>(back, back + 4), std::vector<uint32_t>(source, source + 4));
    }
}
