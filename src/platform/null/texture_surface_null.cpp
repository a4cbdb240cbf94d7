// Hosts without a display layer never build texture surfaces, so there is
// never one to release.
#include "display/named_texture.h"

void ReleaseTextureSurface(IDirectDrawSurface7*) {}
