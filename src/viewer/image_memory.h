// What a panorama image costs the process, counted as the platform really
// holds it, and how much of the address space an image may take. The
// decode checks the cost against the limit from the frame header alone,
// before it allocates any tile.
#pragma once

#include <cstdint>

#include "package/viewer_options.h"

// The address space of a large-address-aware 32-bit program on a 64-bit
// system, and the most ImageMemoryLimit counts.
constexpr uint64_t kLargeAddressSpace = uint64_t{1} << 32;

// Bytes the image holds at its peak: the tiles, kept for the whole run, and
// what a device adds to them: every tile's texture surface at the size the
// device makes it, once in the runtime's managed copy and once in the
// driver's own, and the staging surface of the largest tile. The decoder's
// own buffers (for a progressive file, 2 bytes per component and pixel) are
// freed before the first surface is made and never come to as much.
//
// With mip levels every tile becomes a power-of-two chain; the tiles go as
// their chains are made and hold less than them. The chains are filled
// level by level through staging at their own size, which the device holds
// once (a stretched surface it holds twice), plus the staging chain of the
// largest tile. Chains given up to their textures come back one tile at a
// time on a rebuild, which costs no more.
uint64_t ImageMemoryCost(uint32_t width, uint32_t height, bool mipLevels = false);

// Scales the decoder offers, in eighths of the image's size.
constexpr uint32_t kFullScale = 8;

// A side of the image decoded at scale eighths, rounded up as the decoder
// rounds it.
uint32_t ScaledSide(uint32_t side, uint32_t scale);

// What an image may take: memory, and for a small window (the live
// preview) the widest image worth decoding. memoryAlone is what it could
// have with nothing else held (a slideshow's next panorama beside the one
// shown has less).
struct ImageBudget {
    // Not explicit: a memory limit alone is a budget.
    ImageBudget(uint64_t memoryLimit, uint32_t widest = UINT32_MAX)
        : memory(memoryLimit), largestWidth(widest), memoryAlone(memoryLimit)
    {
    }
    uint64_t memory;
    uint32_t largestWidth;
    uint64_t memoryAlone;
};

// How an image is loaded within a budget: at full size with mip levels when
// the options ask for them and they fit, else without; with scaled decode
// on, at the largest scale where one of the two fits and the image is no
// wider than the budget's widest (or at 1/8 when none is). A progressive file's
// coefficient buffers (decoderBytes, at full size whatever the scale) live
// beside the decoded tiles until the decode ends.
struct ImageLoadPlan {
    bool fits;
    bool mipLevels;
    uint32_t scale;  // eighths
    uint32_t width, height;  // as shown
    uint64_t cost;  // of the plan, or of the described load when nothing fits
};

ImageLoadPlan PlanImageLoad(uint32_t width, uint32_t height, uint64_t decoderBytes,
                            const ViewerOptions& options, const ImageBudget& budget);

// The most an image may cost in a process with this much address space:
// half of it, in whole GiB and counting at most kLargeAddressSpace. The
// other half holds the program, the system's and the driver's libraries,
// their heaps and the gaps between large blocks.
uint64_t ImageMemoryLimit(uint64_t addressSpace);
