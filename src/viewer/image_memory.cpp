#include "viewer/image_memory.h"

#include <algorithm>

#include "display/mip_levels.h"
#include "display/texture_rules.h"
#include "viewer/panorama_image.h"

namespace {

// The surfaces are counted as a device that wants powers of two and has no
// maximum makes them: what today's devices, Wine's among them, ask for, and
// never less than a device without that demand makes. A maximum size only
// makes them smaller.
constexpr uint32_t kNoMaximum = 0x80000000u;

// Each texture is held twice: the runtime keeps a system-memory copy of a
// managed texture (and a software device's texture lives there), and the
// driver keeps its own; Wine's OpenGL holds it in the process too.
constexpr uint64_t kSurfaceCopies = 2;

constexpr uint64_t kBytesPerPixel = 4;
constexpr uint64_t kGiB = uint64_t{1} << 30;

}  // namespace

uint64_t ImageMemoryCost(uint32_t width, uint32_t height, bool mipLevels)
{
    PanoramaImage image;
    image.imageWidth = width;
    image.imageHeight = height;
    ChooseTileGrid(image);
    uint64_t tiles = 0, surfaces = 0, largestTile = 0, chains = 0, largestChain = 0;
    for (int ty = 0; ty < image.tileRows; ++ty) {
        for (int tx = 0; tx < image.tileColumns; ++tx) {
            const uint32_t w = TileWidth(image, tx), h = TileHeight(image, ty);
            const TextureSize surface =
                TextureSurfaceSize(w, h, kTextureCapsPow2, kNoMaximum, kNoMaximum);
            const uint64_t pixels = uint64_t{w} * h;
            tiles += pixels;
            surfaces += uint64_t{surface.width} * surface.height;
            largestTile = std::max(largestTile, pixels);
            const uint64_t chain = MipChainPixels(surface.width, surface.height);
            chains += chain;
            largestChain = std::max(largestChain, chain);
        }
    }
    if (mipLevels) {
        return (2 * chains + largestChain) * kBytesPerPixel;
    }
    return (tiles + kSurfaceCopies * surfaces + largestTile) * kBytesPerPixel;
}

uint32_t ScaledSide(uint32_t side, uint32_t scale)
{
    return static_cast<uint32_t>((uint64_t{side} * scale + kFullScale - 1) / kFullScale);
}

ImageLoadPlan PlanImageLoad(uint32_t width, uint32_t height, uint64_t decoderBytes,
                            const ViewerOptions& options, const ImageBudget& budget)
{
    const uint32_t smallest = options.Has(FEATURE_SCALED_DECODE) ? 1 : kFullScale;
    for (uint32_t scale = kFullScale; scale >= smallest; --scale) {
        const uint32_t w = ScaledSide(width, scale), h = ScaledSide(height, scale);
        if (w > budget.largestWidth && scale > smallest) {
            continue;
        }
        // At full size the coefficients (at most 8 bytes a pixel) and the
        // tiles always cost less than the device's part.
        const uint64_t decoding =
            scale < kFullScale ? decoderBytes + uint64_t{w} * h * kBytesPerPixel : 0;
        for (const bool levels : {true, false}) {
            if (levels && !options.Has(FEATURE_MIP_LEVELS)) {
                continue;
            }
            const uint64_t cost = std::max(ImageMemoryCost(w, h, levels), decoding);
            if (cost <= budget.memory) {
                return {true, levels, scale, w, h, cost};
            }
        }
    }
    return {false, false, kFullScale, width, height, ImageMemoryCost(width, height)};
}

uint64_t ImageMemoryLimit(uint64_t addressSpace)
{
    // The system reports a few pages less than the whole, kept at its ends.
    const uint64_t whole = (addressSpace + kGiB - 1) / kGiB * kGiB;
    return std::min(whole, kLargeAddressSpace) / 2;
}
