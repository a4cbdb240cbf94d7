#include "display/mip_levels.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Weights in 1/256: enough for 8-bit channels.
constexpr uint32_t kOne = 256;

// Where destination index d of n samples reads from a source of m: the two
// neighbours and the second one's weight.
struct Tap {
    uint32_t first;
    uint32_t second;
    uint32_t weight;
};

std::vector<Tap> Taps(uint32_t m, uint32_t n)
{
    std::vector<Tap> taps(n);
    for (uint32_t d = 0; d < n; ++d) {
        const double at = std::max(0.0, (d + 0.5) * m / n - 0.5);
        const auto first = std::min(static_cast<uint32_t>(at), m - 1);
        taps[d] = {first, std::min(first + 1, m - 1),
                   static_cast<uint32_t>((at - first) * kOne + 0.5)};
    }
    return taps;
}

// A word's bytes 0 and 2, and 1 and 3, each in a lane of 16 bits: room to
// add or weigh two channels at a time without carrying into the next.
uint32_t EvenBytes(uint32_t p) { return p & 0x00FF00FFu; }
uint32_t OddBytes(uint32_t p) { return (p >> 8) & 0x00FF00FFu; }

// Lanes back into a word.
uint32_t Word(uint32_t even, uint32_t odd) { return (even & 0x00FF00FFu) | (odd & 0x00FF00FFu) << 8; }

// a and b mixed, weight/256 of b, channel by channel and rounded; a lane
// holds 255 * 256.
uint32_t Blend(uint32_t a, uint32_t b, uint32_t weight)
{
    const uint32_t keep = kOne - weight;
    return Word((EvenBytes(a) * keep + EvenBytes(b) * weight + 0x00800080u) >> 8,
                (OddBytes(a) * keep + OddBytes(b) * weight + 0x00800080u) >> 8);
}

// One source row resampled across.
void ResampleRow(const uint32_t* row, const std::vector<Tap>& taps, uint32_t* out)
{
    for (size_t x = 0; x < taps.size(); ++x) {
        out[x] = Blend(row[taps[x].first], row[taps[x].second], taps[x].weight);
    }
}

// The rounded average of four words, channel by channel.
uint32_t Average4(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return Word((EvenBytes(a) + EvenBytes(b) + EvenBytes(c) + EvenBytes(d) + 0x00020002u) >> 2,
                (OddBytes(a) + OddBytes(b) + OddBytes(c) + OddBytes(d) + 0x00020002u) >> 2);
}

uint32_t* AllocatePixels(TextureSize size)
{
    return static_cast<uint32_t*>(std::malloc(size_t{size.width} * size.height * sizeof(uint32_t)));
}

}  // namespace

uint32_t MipChainLength(uint32_t width, uint32_t height)
{
    uint32_t levels = 1;
    for (uint32_t side = std::max(width, height); side > 1; side >>= 1) {
        ++levels;
    }
    return levels;
}

TextureSize MipLevelSize(uint32_t width, uint32_t height, uint32_t level)
{
    return {std::max(width >> level, 1u), std::max(height >> level, 1u)};
}

const uint32_t* MipLevelPixels(const NamedTexture& texture, uint32_t level)
{
    return level == 0 ? texture.pixelBuffer : texture.mipPixels[level - 1];
}

uint64_t MipChainPixels(uint32_t width, uint32_t height)
{
    uint64_t pixels = 0;
    for (uint32_t level = 0; level < MipChainLength(width, height); ++level) {
        const TextureSize size = MipLevelSize(width, height, level);
        pixels += uint64_t{size.width} * size.height;
    }
    return pixels;
}

void ResamplePixels(const uint32_t* from, uint32_t width, uint32_t height, uint32_t* to,
                    uint32_t toWidth, uint32_t toHeight)
{
    const std::vector<Tap> across = Taps(width, toWidth);
    const std::vector<Tap> down = Taps(height, toHeight);
    // The two source rows of the current output row, resampled across;
    // neighbouring output rows mostly share them.
    std::vector<uint32_t> upper(toWidth), lower(toWidth);
    uint32_t upperRow = UINT32_MAX, lowerRow = UINT32_MAX;
    for (uint32_t y = 0; y < toHeight; ++y) {
        const Tap& tap = down[y];
        if (tap.first != upperRow) {
            if (tap.first == lowerRow) {
                std::swap(upper, lower);
                std::swap(upperRow, lowerRow);
            } else {
                ResampleRow(from + size_t{tap.first} * width, across, upper.data());
                upperRow = tap.first;
            }
        }
        if (tap.second != lowerRow) {
            ResampleRow(from + size_t{tap.second} * width, across, lower.data());
            lowerRow = tap.second;
        }
        uint32_t* out = to + size_t{y} * toWidth;
        for (uint32_t x = 0; x < toWidth; ++x) {
            out[x] = Blend(upper[x], lower[x], tap.weight);
        }
    }
}

void HalvePixels(const uint32_t* from, uint32_t width, uint32_t height, uint32_t* to)
{
    const TextureSize half = MipLevelSize(width, height, 1);
    const uint32_t right = width > 1 ? 1 : 0;
    const size_t below = height > 1 ? width : 0;
    for (uint32_t y = 0; y < half.height; ++y) {
        const uint32_t* row = from + size_t{2 * y} * width;
        for (uint32_t x = 0; x < half.width; ++x) {
            const uint32_t* p = row + 2 * x;
            to[size_t{y} * half.width + x] = Average4(p[0], p[right], p[below], p[below + right]);
        }
    }
}

HRESULT BuildMipLevels(NamedTexture& texture)
{
    FreeMipLevels(texture);
    if (!texture.pixelBuffer) {
        return E_INVALIDARG;
    }
    const TextureSize top{NextPowerOfTwo(texture.width), NextPowerOfTwo(texture.height)};
    if (top.width != texture.width || top.height != texture.height) {
        uint32_t* resampled = AllocatePixels(top);
        if (!resampled) {
            return E_OUTOFMEMORY;
        }
        ResamplePixels(texture.pixelBuffer, texture.width, texture.height, resampled, top.width,
                       top.height);
        std::free(texture.pixelBuffer);
        texture.pixelBuffer = resampled;
        texture.width = top.width;
        texture.height = top.height;
    }
    const uint32_t below = std::min<uint32_t>(MipChainLength(top.width, top.height) - 1, kMaxMipLevels);
    for (uint32_t level = 1; level <= below; ++level) {
        uint32_t* pixels = AllocatePixels(MipLevelSize(top.width, top.height, level));
        if (!pixels) {
            FreeMipLevels(texture);
            return E_OUTOFMEMORY;
        }
        const TextureSize above = MipLevelSize(top.width, top.height, level - 1);
        HalvePixels(MipLevelPixels(texture, level - 1), above.width, above.height, pixels);
        texture.mipPixels[texture.mipLevelCount++] = pixels;
    }
    return S_OK;
}
