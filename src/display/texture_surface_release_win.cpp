#include <ddraw.h>

#include "display/named_texture.h"

void ReleaseTextureSurface(IDirectDrawSurface7* surface)
{
    surface->Release();
}
