#include "display/texture_surface_win.h"

#include "display/com_release_win.h"
#include "display/surface_desc_win.h"
#include "display/texture_rules.h"
#include "framework/stage_trace_win.h"

namespace {

constexpr DWORD kTextureDescFlags =
    DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE;

// The DirectDraw object behind a device's render target; a new reference.
IDirectDraw7* DirectDrawOf(IDirect3DDevice7* device)
{
    IDirectDrawSurface7* target = nullptr;
    if (FAILED(device->GetRenderTarget(&target))) {
        return nullptr;
    }
    IDirectDraw7* directDraw = nullptr;
    target->GetDDInterface(reinterpret_cast<void**>(&directDraw));
    target->Release();
    return directDraw;
}

bool FindFormat(IDirect3DDevice7* device, TextureFormatQuery& query)
{
    device->EnumTextureFormats(MatchTextureFormat, &query);
    if (!query.found) {
        query.wantedBits = 16;
        device->EnumTextureFormats(MatchTextureFormat, &query);
    }
    return query.found != 0;
}

}  // namespace

HRESULT CALLBACK MatchTextureFormat(DDPIXELFORMAT* format, void* context)
{
    auto* query = static_cast<TextureFormatQuery*>(context);
    if (!format || !query) {
        return D3DENUMRET_OK;
    }
    if (!TextureFormatFits(*format, query->wantedBits, query->alphaRequired)) {
        return D3DENUMRET_OK;
    }
    *query->result = *format;
    query->found = 1;
    return D3DENUMRET_CANCEL;
}

HRESULT BuildTextureSurface(NamedTexture* texture, IDirect3DDevice7* device)
{
    ReleaseAndClear(texture->surface);
    if (!device) {
        return E_INVALIDARG;
    }
    D3DDEVICEDESC7 caps;
    if (FAILED(device->GetCaps(&caps))) {
        return E_FAIL;
    }
    DDSURFACEDESC2 desc;
    PrepareSurfaceDesc(desc, 0, 0);
    desc.dwFlags = kTextureDescFlags;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    desc.dwTextureStage = texture->stage;
    if (IsEqualGUID(caps.deviceGUID, IID_IDirect3DHALDevice) ||
        IsEqualGUID(caps.deviceGUID, IID_IDirect3DTnLHalDevice)) {
        desc.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
    } else {
        desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
    }
    const TextureSize size =
        TextureSurfaceSize(texture->width, texture->height, caps.dpcTriCaps.dwTextureCaps,
                           caps.dwMaxTextureWidth, caps.dwMaxTextureHeight);
    desc.dwWidth = size.width;
    desc.dwHeight = size.height;

    TextureFormatQuery query{WantedTextureBits(texture->depth, texture->options),
                             texture->alphaWanted, 0, &desc.ddpfPixelFormat};
    if (!FindFormat(device, query)) {
        return E_FAIL;
    }
    IDirectDraw7* directDraw = DirectDrawOf(device);
    if (!directDraw) {
        return E_FAIL;
    }
    const HRESULT created = directDraw->CreateSurface(&desc, &texture->surface, nullptr);
    directDraw->Release();
    if (FAILED(created)) {
        texture->surface = nullptr;
        return created;
    }
    TraceStage("texture-create", texture->name);
    return texture->pixelBuffer ? CopyPixelBuffer(texture) : S_OK;
}

HRESULT CopyPixelBuffer(NamedTexture* texture)
{
    IDirectDraw7* directDraw = nullptr;
    texture->surface->GetDDInterface(reinterpret_cast<void**>(&directDraw));
    DDSURFACEDESC2 desc;
    PrepareSurfaceDesc(desc, 0, 0);
    texture->surface->GetSurfaceDesc(&desc);
    desc.dwWidth = texture->width;
    desc.dwHeight = texture->height;
    desc.dwFlags = kTextureDescFlags;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
    desc.ddsCaps.dwCaps2 = 0;
    IDirectDrawSurface7* staging = nullptr;
    if (!directDraw || FAILED(directDraw->CreateSurface(&desc, &staging, nullptr))) {
        ReleaseAndClear(directDraw);
        return S_OK;  // the texture keeps whatever it holds
    }
    TraceStage("texture-staging", texture->name);
    // A staging surface in system memory is normally free at once; give a
    // busy one a second, not forever.
    HRESULT locked = staging->Lock(nullptr, &desc, 0, nullptr);
    for (int tries = 0; locked == DDERR_WASSTILLDRAWING && tries < 1000; ++tries) {
        Sleep(1);
        locked = staging->Lock(nullptr, &desc, 0, nullptr);
    }
    if (SUCCEEDED(locked)) {
        ConvertPixels(texture->pixelBuffer, texture->width, texture->height, desc.ddpfPixelFormat,
                      static_cast<uint8_t*>(desc.lpSurface), desc.lPitch);
        staging->Unlock(nullptr);
    }
    TraceStage("texture-fill", texture->name);
    texture->surface->Blt(nullptr, staging, nullptr, DDBLT_WAIT, nullptr);
    TraceStage("texture-blt", texture->name);
    staging->Release();
    directDraw->Release();
    return S_OK;
}

HRESULT RestoreNamedTexture(const char* name, IDirect3DDevice7* device)
{
    NamedTexture* texture = FindNamedTexture(name);
    return texture ? BuildTextureSurface(texture, device) : DDERR_NOTFOUND;
}

HRESULT RestoreNamedTextures(IDirect3DDevice7* device)
{
    for (NamedTexture* texture = namedTextureList; texture; texture = texture->next) {
        RestoreNamedTexture(texture->name, device);
    }
    return S_OK;
}

HRESULT ReleaseNamedTextureSurfaces()
{
    for (NamedTexture* texture = namedTextureList; texture; texture = texture->next) {
        ReleaseAndClear(texture->surface);
    }
    return S_OK;
}

IDirectDrawSurface7* GetNamedTextureSurface(const char* name)
{
    const NamedTexture* texture = FindNamedTexture(name);
    return texture ? texture->surface : nullptr;
}
