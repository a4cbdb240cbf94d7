// The decode on its own thread gives the window thread exactly what a decode
// on the window thread gives, and its failures.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "display/named_texture.h"
#include "temp_file.h"
#include "test_jpeg.h"
#include "viewer/background_decode_win.h"
#include "viewer/image_memory.h"

namespace {

std::vector<std::vector<uint32_t>> TileCopies(const PanoramaImage& image)
{
    std::vector<std::vector<uint32_t>> tiles;
    for (uint32_t k = 0; k < image.tileCount; ++k) {
        char name[13];
        TileTextureName(static_cast<int>(k), name);
        const NamedTexture* tile = FindNamedTexture(name);
        const uint32_t* pixels = image.tilePixels[k];
        tiles.emplace_back(pixels, pixels + size_t{tile->width} * tile->height);
    }
    return tiles;
}

}  // namespace

TEST(BackgroundDecode, GivesTheTilesOfADecodeOnTheWindowThread)
{
    // Eight tiles, restart markers: every part of the decoder runs.
    TestJpegLayout layout;
    layout.restartRows = 3;
    TempFile file(MakePatternJpeg(4200, 2100, layout), ".jpg");
    DestroyAllNamedTextures();
    PanoramaImage direct;
    ASSERT_TRUE(LoadPanorama(direct, file.CPath(), 0, ImageMemoryLimit(kLargeAddressSpace)).loaded);
    ASSERT_EQ(direct.tileCount, 8u);
    const std::vector<std::vector<uint32_t>> expected = TileCopies(direct);

    DestroyAllNamedTextures();
    PanoramaImage image;
    BackgroundDecode decode;
    decode.Start(image, file.CPath(), 0, ImageMemoryLimit(kLargeAddressSpace), {});
    ASSERT_TRUE(decode.Finish());
    EXPECT_TRUE(decode.Finish()) << "a second wait gives the same answer";
    EXPECT_EQ(image.imageWidth, 4200u);
    EXPECT_EQ(image.imageHeight, 2100u);
    EXPECT_TRUE(TileCopies(image) == expected);
    DestroyAllNamedTextures();
}

TEST(BackgroundDecode, ReportsAFailedDecode)
{
    const std::vector<uint8_t> cut = [] {
        std::vector<uint8_t> whole = MakeTestJpeg(512, 256);
        whole.resize(whole.size() * 2 / 3);
        return whole;
    }();
    const std::vector<uint8_t> notJpeg(1000, 0x42);
    for (const std::vector<uint8_t>* bytes : {&notJpeg, &cut}) {
        TempFile file(*bytes, ".jpg");
        PanoramaImage direct;
        const bool expected = LoadPanorama(direct, file.CPath(), 0, ImageMemoryLimit(kLargeAddressSpace)).loaded;
        EXPECT_EQ(expected, bytes == &cut) << "a cut file shows what arrived; a non-JPEG fails";
        DestroyAllNamedTextures();
        PanoramaImage image;
        BackgroundDecode decode;
        decode.Start(image, file.CPath(), 0, ImageMemoryLimit(kLargeAddressSpace), {});
        EXPECT_EQ(decode.Finish(), expected);
        DestroyAllNamedTextures();
    }
    BackgroundDecode never;
    EXPECT_FALSE(never.Finish()) << "nothing was started";
}

TEST(BackgroundDecode, EndsBeforeItsOwnerGoes)
{
    TempFile file(MakeTestJpeg(2048, 1024), ".jpg");
    PanoramaImage image;
    {
        BackgroundDecode decode;
        decode.Start(image, file.CPath(), 0, ImageMemoryLimit(kLargeAddressSpace), {});
    }
    EXPECT_EQ(image.imageWidth, 2048u) << "the decode had ended when its owner was gone";
    EXPECT_NE(image.tilePixels[0], nullptr);
    DestroyAllNamedTextures();
}
