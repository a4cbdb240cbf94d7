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
        char name[kTileNameCapacity];
        TileTextureName(k, name);
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

// Cancelled once its tiles exist: a decode this large is far from done then.
TEST(BackgroundDecode, ACancelledDecodeEndsEarlyLeavesNoTilesAndTheSlotLoadsAgain)
{
    TempFile file(MakeTestJpeg(8192, 4096), ".jpg");
    DestroyAllNamedTextures();
    PanoramaImage image;
    image.firstTile = kMaxTiles;
    {
        BackgroundDecode decode;
        decode.Start(image, file.CPath(), 0, ImageMemoryLimit(kLargeAddressSpace), {});
        ASSERT_TRUE(decode.WaitForTiles(0));
        ASSERT_NE(namedTextureList, nullptr);
        decode.Cancel();
        EXPECT_FALSE(decode.Finish());
        EXPECT_STREQ(decode.FailureReason(), "cancelled");
        EXPECT_EQ(namedTextureList, nullptr);

        decode.Start(image, file.CPath(), 0, ImageMemoryLimit(kLargeAddressSpace), {});
        EXPECT_TRUE(decode.Finish()) << decode.FailureReason();
        EXPECT_NE(FindNamedTexture("panotexture16"), nullptr);
        DestroyAllNamedTextures();

        decode.Start(image, file.CPath(), 0, ImageMemoryLimit(kLargeAddressSpace), {});
        ASSERT_TRUE(decode.WaitForTiles(0));
    }
    EXPECT_EQ(namedTextureList, nullptr) << "its owner gone, the decode was cancelled";
}
