// ReleaseTextureSurface (named_texture.h) for the Windows shell, where texture surfaces exist;
// host builds link texture_surface_null.cpp instead.
#include <ddraw.h>

#include "display/named_texture.h"

void ReleaseTextureSurface(IDirectDrawSurface7* surface)
{
    surface->Release();
}
