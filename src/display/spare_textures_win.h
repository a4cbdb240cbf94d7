// Texture surfaces kept after their panorama has gone, for the next one to
// fill again. Memory new to the process costs a fault on first use for
// every page it holds, and a fresh 2048 x 2048 chain is one call of many
// page faults where filling a used one again is a fraction of a frame; a
// slideshow refills the surfaces of the panorama before last where their
// sizes and formats agree.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <cstdint>
#include <vector>

class SpareTextures {
public:
    SpareTextures() = default;
    SpareTextures(const SpareTextures&) = delete;
    SpareTextures& operator=(const SpareTextures&) = delete;
    ~SpareTextures() { Clear(); }

    // Takes the surface over and clears the caller's pointer; without the
    // memory to keep it, it is released.
    void Keep(IDirectDrawSurface7*& surface);

    // A kept surface made as desc asks (size, mip levels, pixel format,
    // memory), handed over with its reference; null when none is.
    IDirectDrawSurface7* Take(const DDSURFACEDESC2& desc);

    // Releases every kept surface; they then cost nothing.
    void Clear();

    bool Empty() const { return surfaces_.empty(); }

    // What the kept surfaces hold of the size limit, as their keeper counts
    // it, until they are let go.
    void SetCost(uint64_t cost) { cost_ = cost; }
    uint64_t Cost() const { return cost_; }

private:
    std::vector<IDirectDrawSurface7*> surfaces_;
    uint64_t cost_ = 0;
};
