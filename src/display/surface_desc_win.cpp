#include "display/surface_desc_win.h"

#include <cstring>

#ifndef _WIN64
// The viewer's description record; 136 bytes in the 64-bit build of the same
// sources, where its surface pointer (lpSurface) takes 8 bytes.
static_assert(sizeof(DDSURFACEDESC2) == 124);
#endif
static_assert(sizeof(DDPIXELFORMAT) == 32);

void PrepareSurfaceDesc(DDSURFACEDESC2& desc, DWORD flags, DWORD caps)
{
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = flags;
    desc.ddsCaps.dwCaps = caps;
    desc.ddpfPixelFormat.dwSize = sizeof desc.ddpfPixelFormat;
}
