// The loader against the row-by-row reference decoder: every pixel of every
// tile, over the colour layouts, subsamplings, encodings, odd widths and
// tile grids a panorama can come in.
#include <gtest/gtest.h>

#include <string>

#include "decode_reference.h"
#include "display/named_texture.h"
#include "temp_file.h"
#include "test_jpeg.h"
#include "viewer/image_memory.h"
#include "viewer/panorama_image.h"

namespace {

struct Case {
    const char* label;
    uint32_t width, height;
    TestJpegLayout layout;
    bool black;  // no colour conversion exists: every pixel black
};

TestJpegLayout Sampled(int horizontal, int vertical)
{
    TestJpegLayout layout;
    layout.horizontalSampling = horizontal;
    layout.verticalSampling = vertical;
    return layout;
}

TestJpegLayout Stored(StoredColour colour, int horizontal = 1, int vertical = 1)
{
    TestJpegLayout layout = Sampled(horizontal, vertical);
    layout.colour = colour;
    return layout;
}

TestJpegLayout Progressive(int horizontal, int vertical)
{
    TestJpegLayout layout = Sampled(horizontal, vertical);
    layout.progressive = true;
    return layout;
}

TestJpegLayout Restarts(int rows)
{
    TestJpegLayout layout = Sampled(2, 2);
    layout.restartRows = rows;
    return layout;
}

const Case kCases[] = {
    {"4:2:0", 333, 77, Sampled(2, 2), false},
    {"4:2:2", 333, 77, Sampled(2, 1), false},
    {"4:4:0", 333, 77, Sampled(1, 2), false},
    {"4:4:4", 333, 77, Sampled(1, 1), false},
    {"4:1:1", 333, 77, Sampled(4, 1), false},
    {"progressive 4:2:0", 333, 77, Progressive(2, 2), false},
    {"progressive 4:4:4", 333, 77, Progressive(1, 1), false},
    {"restart every block row", 333, 77, Restarts(1), false},
    {"restart every third block row", 333, 77, Restarts(3), false},
    {"grey", 333, 77, Stored(StoredColour::Grey), false},
    {"RGB without transform", 333, 77, Stored(StoredColour::Rgb), false},
    {"YCbCr with an ICC profile", 333, 77, Stored(StoredColour::YCbCrIcc, 2, 2), false},
    {"CMYK", 333, 77, Stored(StoredColour::Cmyk), false},
    {"YCCK", 333, 77, Stored(StoredColour::Ycck, 2, 2), false},
    {"two components", 333, 77, Stored(StoredColour::TwoChannels), true},
    {"width 1", 1, 40, Sampled(2, 2), false},
    {"width 3", 3, 40, Sampled(2, 1), false},
    {"1x1 grid at width 2048", 2048, 24, Sampled(2, 2), false},
    {"2x1 grid at width 2049", 2049, 24, Sampled(2, 2), false},
    {"2x1 grid at width 4096", 4096, 17, Sampled(2, 1), false},
    {"4x1 grid at width 4097", 4097, 24, Sampled(2, 2), false},
    {"4x1 grid at width 4099", 4099, 19, Sampled(1, 2), false},
    {"1x1 grid at height 2048", 21, 2048, Sampled(2, 2), false},
    {"1x2 grid at height 2049", 21, 2049, Sampled(2, 2), false},
    {"2x2 grid", 2049, 2049, Sampled(2, 2), false},
    {"4x2 grid", 4099, 2051, Sampled(2, 2), false},
    {"4x2 grid, progressive", 4097, 2049, Progressive(2, 2), false},
    {"2x1 grid, grey", 2051, 30, Stored(StoredColour::Grey), false},
    {"2x1 grid, YCCK", 2051, 30, Stored(StoredColour::Ycck, 2, 2), false},
    {"2x2 grid, CMYK", 2050, 2050, Stored(StoredColour::Cmyk), false},
    {"4x1 grid, two components", 4101, 20, Stored(StoredColour::TwoChannels), true},
    {"1x2 grid, CMYK", 19, 2049, Stored(StoredColour::Cmyk), false},
};

// Red, green and blue of a tile word. Alpha is left out: the reference
// leaves it as the tile's allocation had it, and nothing draws with it.
uint32_t Colour(uint32_t word) { return word >> 8; }

// Compares one tile word by word; reports the first differing pixel.
void ExpectSameTile(const uint32_t* loaded, const uint32_t* reference, uint32_t width,
                    uint32_t height, bool& anyColour)
{
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const size_t i = size_t{y} * width + x;
            anyColour = anyColour || Colour(reference[i]) != 0;
            if (Colour(loaded[i]) != Colour(reference[i])) {
                FAIL() << "pixel " << x << "," << y << " of the tile: loaded 0x" << std::hex
                       << Colour(loaded[i]) << ", reference 0x" << Colour(reference[i]);
            }
        }
    }
}

void ExpectSameDecoding(const Case& c)
{
    DestroyAllNamedTextures();
    const std::vector<uint8_t> jpeg = MakePatternJpeg(c.width, c.height, c.layout);
    ASSERT_FALSE(jpeg.empty());
    decode_reference::Tiles reference;
    ASSERT_TRUE(decode_reference::Decode(jpeg, reference));
    PanoramaImage loaded;
    TempFile file(jpeg, ".jpg");
    ASSERT_TRUE(LoadPanorama(loaded, file.CPath(), 0, ImageMemoryLimit(kLargeAddressSpace)).loaded);

    ASSERT_EQ(loaded.imageWidth, c.width);
    ASSERT_EQ(loaded.imageHeight, c.height);
    ASSERT_EQ(loaded.tileColumns, reference.image.tileColumns);
    ASSERT_EQ(loaded.tileRows, reference.image.tileRows);
    bool anyColour = false;
    for (uint32_t k = 0; k < loaded.tileCount; ++k) {
        char name[kTileNameCapacity];
        TileTextureName(k, name);
        SCOPED_TRACE(name);
        const NamedTexture* tile = FindNamedTexture(name);
        ASSERT_NE(tile, nullptr);
        ASSERT_EQ(tile->width * tile->height, reference.pixels[k].size());
        ExpectSameTile(loaded.tilePixels[k], reference.pixels[k].data(), tile->width,
                       tile->height, anyColour);
    }
    EXPECT_EQ(anyColour, !c.black);
}

}  // namespace

TEST(DecodeEquivalence, EveryPixelMatchesTheReference)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.label) + ", " + std::to_string(c.width) + "x" +
                     std::to_string(c.height));
        ExpectSameDecoding(c);
    }
    DestroyAllNamedTextures();
}
