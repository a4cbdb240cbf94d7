#include "display/surface_desc_win.h"

#include <cstring>

static_assert(sizeof(DDSURFACEDESC2) == 124);
static_assert(sizeof(DDPIXELFORMAT) == 32);

void PrepareSurfaceDesc(DDSURFACEDESC2& desc, DWORD flags, DWORD caps)
{
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = flags;
    desc.ddsCaps.dwCaps = caps;
    desc.ddpfPixelFormat.dwSize = sizeof desc.ddpfPixelFormat;
}
