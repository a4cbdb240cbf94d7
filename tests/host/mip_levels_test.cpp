// Mip levels: halving matches the plain channel-by-channel average bit for bit, and an odd tile
// becomes a power-of-two chain down to one pixel without its edges bleeding into each other.
#include "display/mip_levels.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

namespace {

// The plain 2 x 2 average, channel by channel, that the packed arithmetic
// must match bit for bit.
uint32_t PlainAverage(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    uint32_t word = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const auto at = [shift](uint32_t p) { return (p >> shift) & 0xFF; };
        word |= ((at(a) + at(b) + at(c) + at(d) + 2) / 4) << shift;
    }
    return word;
}

}  // namespace

TEST(MipLevels, HalvingMatchesThePlainAverageOfEveryChannel)
{
    std::mt19937 random(5);
    const TextureSize shapes[] = {{64, 32}, {1, 16}, {16, 1}, {2, 2}};
    for (const TextureSize& shape : shapes) {
        std::vector<uint32_t> from(size_t{shape.width} * shape.height);
        for (uint32_t& p : from) {
            p = random();
        }
        const TextureSize half = MipLevelSize(shape.width, shape.height, 1);
        std::vector<uint32_t> to(size_t{half.width} * half.height);
        HalvePixels(from.data(), shape.width, shape.height, to.data());
        const uint32_t right = shape.width > 1 ? 1 : 0;
        const uint32_t below = shape.height > 1 ? shape.width : 0;
        for (uint32_t y = 0; y < half.height; ++y) {
            for (uint32_t x = 0; x < half.width; ++x) {
                const uint32_t* p = &from[size_t{2 * y} * shape.width + 2 * x];
                ASSERT_EQ(to[y * half.width + x], PlainAverage(p[0], p[right], p[below], p[below + right]))
                    << shape.width << "x" << shape.height << " at " << x << "," << y;
            }
        }
    }
}

TEST(MipLevels, AnOddTileBecomesAPowerOfTwoChainDownToOnePixel)
{
    // 3 x 5: the left column red, the rest blue. Every level keeps the
    // colours apart at the edges (nothing wraps round) and the last level
    // is their mix.
    const uint32_t red = 0xFF0000FF, blue = 0x0000FFFF;
    NamedTexture texture{};
    texture.width = 3;
    texture.height = 5;
    texture.pixelBuffer = static_cast<uint32_t*>(std::malloc(15 * sizeof(uint32_t)));
    for (int i = 0; i < 15; ++i) {
        texture.pixelBuffer[i] = i % 3 == 0 ? red : blue;
    }
    ASSERT_EQ(BuildMipLevels(texture), S_OK);
    EXPECT_EQ(texture.width, 4u);
    EXPECT_EQ(texture.height, 8u);
    ASSERT_EQ(texture.mipLevelCount, 3u);  // 2 x 4, 1 x 2, 1 x 1
    for (uint32_t y = 0; y < 8; ++y) {
        EXPECT_EQ(texture.pixelBuffer[y * 4], red) << y;
        EXPECT_EQ(texture.pixelBuffer[y * 4 + 3], blue) << y;
    }
    const uint32_t last = MipLevelPixels(texture, 3)[0];
    EXPECT_GT(last >> 24, 0x20u) << std::hex << last;
    EXPECT_GT((last >> 8) & 0xFF, 0x80u) << std::hex << last;
    EXPECT_EQ(last & 0xFF, 0xFFu) << std::hex << last;
    FreeTexturePixels(texture);
}
