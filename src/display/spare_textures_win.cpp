#include "display/spare_textures_win.h"

#include <new>

#include "display/com_release_win.h"
#include "display/surface_desc_win.h"

namespace {

DWORD MipLevelsOf(const DDSURFACEDESC2& desc)
{
    return (desc.dwFlags & DDSD_MIPMAPCOUNT) && desc.dwMipMapCount > 1 ? desc.dwMipMapCount : 1;
}

bool SameFormat(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b)
{
    return a.dwFlags == b.dwFlags && a.dwRGBBitCount == b.dwRGBBitCount &&
           a.dwRBitMask == b.dwRBitMask && a.dwGBitMask == b.dwGBitMask &&
           a.dwBBitMask == b.dwBBitMask && a.dwRGBAlphaBitMask == b.dwRGBAlphaBitMask;
}

// Would a surface described by made serve as one created from wanted? The
// runtime adds caps of its own to a surface (a managed texture tells it
// lives in system memory, where it keeps its copy); only the kind counts.
bool Serves(const DDSURFACEDESC2& made, const DDSURFACEDESC2& wanted)
{
    const bool managed = (made.ddsCaps.dwCaps2 & DDSCAPS2_TEXTUREMANAGE) != 0;
    const bool inSystemMemory = (made.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY) != 0;
    return made.dwWidth == wanted.dwWidth && made.dwHeight == wanted.dwHeight &&
           MipLevelsOf(made) == MipLevelsOf(wanted) &&
           SameFormat(made.ddpfPixelFormat, wanted.ddpfPixelFormat) &&
           (made.ddsCaps.dwCaps & DDSCAPS_TEXTURE) != 0 &&
           managed == ((wanted.ddsCaps.dwCaps2 & DDSCAPS2_TEXTUREMANAGE) != 0) &&
           (managed || inSystemMemory == ((wanted.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY) != 0));
}

}  // namespace

void SpareTextures::Keep(IDirectDrawSurface7*& surface)
{
    if (!surface) {
        return;
    }
    try {
        surfaces_.push_back(surface);
        surface = nullptr;
    } catch (const std::bad_alloc&) {
        ReleaseAndClear(surface);
    }
}

IDirectDrawSurface7* SpareTextures::Take(const DDSURFACEDESC2& desc)
{
    for (auto it = surfaces_.begin(); it != surfaces_.end(); ++it) {
        DDSURFACEDESC2 made;
        PrepareSurfaceDesc(made, 0, 0);
        if (SUCCEEDED((*it)->GetSurfaceDesc(&made)) && Serves(made, desc)) {
            IDirectDrawSurface7* surface = *it;
            surfaces_.erase(it);
            return surface;
        }
    }
    return nullptr;
}

void SpareTextures::Clear()
{
    for (IDirectDrawSurface7*& surface : surfaces_) {
        ReleaseAndClear(surface);
    }
    surfaces_.clear();
    cost_ = 0;
}
