#include "display/texture_surface_win.h"

#include <cstring>

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

// The system-memory surface the pixels are converted into before one Blt
// moves them into the texture. A restore keeps it from one texture to the
// next: the tiles mostly share a size and format, and a fresh surface per
// tile costs more than the conversion into it. A plain off-screen surface,
// not a texture: Wine blits it into a texture markedly faster.
class StagingSurface {
public:
    StagingSurface() = default;
    StagingSurface(const StagingSurface&) = delete;
    StagingSurface& operator=(const StagingSurface&) = delete;
    ~StagingSurface() { ReleaseAndClear(surface_); }

    // The surface for this size and format, made anew when either differs
    // from the last one; null when it cannot be made.
    IDirectDrawSurface7* For(IDirectDraw7* directDraw, DWORD width, DWORD height,
                             const DDPIXELFORMAT& format)
    {
        if (surface_ && directDraw == owner_ && width == width_ && height == height_ &&
            std::memcmp(&format, &format_, sizeof format) == 0) {
            return surface_;
        }
        ReleaseAndClear(surface_);
        DDSURFACEDESC2 desc;
        PrepareSurfaceDesc(desc, DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT,
                           DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
        desc.dwWidth = width;
        desc.dwHeight = height;
        desc.ddpfPixelFormat = format;
        if (FAILED(directDraw->CreateSurface(&desc, &surface_, nullptr))) {
            surface_ = nullptr;
            return nullptr;
        }
        owner_ = directDraw;
        width_ = width;
        height_ = height;
        format_ = format;
        return surface_;
    }

private:
    IDirectDrawSurface7* surface_ = nullptr;
    const IDirectDraw7* owner_ = nullptr;  // compared only; the surface keeps it alive
    DWORD width_ = 0;
    DWORD height_ = 0;
    DDPIXELFORMAT format_ = {};
};

bool FindFormat(IDirect3DDevice7* device, TextureFormatQuery& query)
{
    device->EnumTextureFormats(MatchTextureFormat, &query);
    if (!query.found) {
        query.wantedBits = 16;
        device->EnumTextureFormats(MatchTextureFormat, &query);
    }
    return query.found != 0;
}

HRESULT CopyThroughStaging(NamedTexture* texture, StagingSurface& staging)
{
    IDirectDraw7* directDraw = nullptr;
    texture->surface->GetDDInterface(reinterpret_cast<void**>(&directDraw));
    DDSURFACEDESC2 desc;
    PrepareSurfaceDesc(desc, 0, 0);
    texture->surface->GetSurfaceDesc(&desc);
    IDirectDrawSurface7* surface =
        directDraw ? staging.For(directDraw, texture->width, texture->height, desc.ddpfPixelFormat)
                   : nullptr;
    ReleaseAndClear(directDraw);
    if (!surface) {
        return S_OK;  // the texture keeps whatever it holds
    }
    TraceStage("texture-staging", texture->name);
    // A staging surface in system memory is normally free at once; give a
    // busy one (still read by the last Blt) a second, not forever.
    HRESULT locked = surface->Lock(nullptr, &desc, 0, nullptr);
    for (int tries = 0; locked == DDERR_WASSTILLDRAWING && tries < 1000; ++tries) {
        Sleep(1);
        locked = surface->Lock(nullptr, &desc, 0, nullptr);
    }
    if (SUCCEEDED(locked)) {
        ConvertPixels(texture->pixelBuffer, texture->width, texture->height, desc.ddpfPixelFormat,
                      static_cast<uint8_t*>(desc.lpSurface), desc.lPitch);
        surface->Unlock(nullptr);
    }
    TraceStage("texture-fill", texture->name);
    texture->surface->Blt(nullptr, surface, nullptr, DDBLT_WAIT, nullptr);
    TraceStage("texture-blt", texture->name);
    return S_OK;
}

HRESULT BuildWithStaging(NamedTexture* texture, IDirect3DDevice7* device, StagingSurface& staging)
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
    return texture->pixelBuffer ? CopyThroughStaging(texture, staging) : S_OK;
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
    StagingSurface staging;
    return BuildWithStaging(texture, device, staging);
}

HRESULT CopyPixelBuffer(NamedTexture* texture)
{
    StagingSurface staging;
    return CopyThroughStaging(texture, staging);
}

HRESULT RestoreNamedTexture(const char* name, IDirect3DDevice7* device)
{
    NamedTexture* texture = FindNamedTexture(name);
    return texture ? BuildTextureSurface(texture, device) : DDERR_NOTFOUND;
}

HRESULT RestoreNamedTextures(IDirect3DDevice7* device)
{
    StagingSurface staging;
    for (NamedTexture* texture = namedTextureList; texture; texture = texture->next) {
        BuildWithStaging(texture, device, staging);
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
