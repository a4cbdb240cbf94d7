// Surface descriptions for DirectDraw calls.
#pragma once

#include <ddraw.h>

// Zeroes the whole description and sets its size, flags, capabilities and
// pixel-format size, ready for CreateSurface or GetSurfaceDesc.
void PrepareSurfaceDesc(DDSURFACEDESC2& desc, DWORD flags, DWORD caps);
