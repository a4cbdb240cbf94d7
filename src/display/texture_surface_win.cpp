#include "display/texture_surface_win.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "display/com_release_win.h"
#include "display/mip_levels.h"
#include "display/spare_textures_win.h"
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

// Where one picture of a texture goes: a surface of the texture (its top
// or a mip level) and the pixels that fill it.
struct LevelSource {
    const char* name;  // for the stage trace
    const uint32_t* pixels;
    uint32_t width;
    uint32_t height;
};

// Locks a system-memory surface, giving a busy one (still read by the last
// Blt) a second, not forever.
HRESULT LockForWriting(IDirectDrawSurface7* surface, DDSURFACEDESC2& desc)
{
    HRESULT locked = surface->Lock(nullptr, &desc, 0, nullptr);
    for (int tries = 0; locked == DDERR_WASSTILLDRAWING && tries < 1000; ++tries) {
        Sleep(1);
        locked = surface->Lock(nullptr, &desc, 0, nullptr);
    }
    return locked;
}

// Converts up to rows of the pixels from row top on the staging surface
// and blits them onto target: a band of rows onto a target of the pixels'
// own size, otherwise the whole picture, scaled as needed. copied: the rows
// that went. Without a staging surface the target keeps whatever it holds;
// a staging surface that cannot be locked is the failure.
HRESULT CopyRowsThroughStaging(IDirectDrawSurface7* target, const LevelSource& source,
                               uint32_t top, uint32_t rows, IDirectDraw7* directDraw,
                               StagingSurface& staging, uint32_t& copied)
{
    DDSURFACEDESC2 desc;
    PrepareSurfaceDesc(desc, 0, 0);
    target->GetSurfaceDesc(&desc);
    const bool ownSize = desc.dwWidth == source.width && desc.dwHeight == source.height;
    const uint32_t bottom = ownSize ? std::min(top + rows, source.height) : source.height;
    copied = bottom - top;
    IDirectDrawSurface7* surface =
        directDraw ? staging.For(directDraw, source.width, source.height, desc.ddpfPixelFormat)
                   : nullptr;
    if (!surface) {
        return S_OK;
    }
    TraceStage("texture-staging", source.name);
    const HRESULT locked = LockForWriting(surface, desc);
    if (FAILED(locked)) {
        return locked;  // it still holds the last texture's pixels
    }
    ConvertPixels(source.pixels + size_t{top} * source.width, source.width, bottom - top,
                  desc.ddpfPixelFormat,
                  static_cast<uint8_t*>(desc.lpSurface) +
                      static_cast<ptrdiff_t>(desc.lPitch) * static_cast<ptrdiff_t>(top),
                  desc.lPitch);
    surface->Unlock(nullptr);
    TraceStage("texture-fill", source.name);
    if (top == 0 && bottom == source.height) {
        target->Blt(nullptr, surface, nullptr, DDBLT_WAIT, nullptr);
    } else {
        RECT band = {0, static_cast<LONG>(top), static_cast<LONG>(source.width),
                     static_cast<LONG>(bottom)};
        target->Blt(&band, surface, &band, DDBLT_WAIT, nullptr);
    }
    TraceStage("texture-blt", source.name);
    return S_OK;
}

HRESULT CopyThroughStaging(IDirectDrawSurface7* target, const LevelSource& source,
                           IDirectDraw7* directDraw, StagingSurface& staging)
{
    uint32_t copied = 0;
    return CopyRowsThroughStaging(target, source, 0, source.height, directDraw, staging, copied);
}

}  // namespace

// Staging surfaces for a whole chain, one per level, kept from one texture
// to the next like the single one of a texture without levels. Filled
// through staging, level by level, Wine keeps one copy of each level where
// a locked level stays twice: in its system-memory copy and in OpenGL.
struct StagingChain {
    StagingSurface levels[kMaxMipLevels + 1];
};

namespace {

// The first of the texture's levels that fits a surface of this size.
uint32_t FirstFittingLevel(const NamedTexture& texture, const TextureSize& size)
{
    uint32_t level = 0;
    for (; level < texture.mipLevelCount; ++level) {
        const TextureSize at = MipLevelSize(texture.width, texture.height, level);
        if (at.width <= size.width && at.height <= size.height) {
            break;
        }
    }
    return level;
}

// The surfaces of a texture's mip chain, top first, each with a reference
// of its own; only the top one for a texture without levels.
class MipChainSurfaces {
public:
    explicit MipChainSurfaces(IDirectDrawSurface7* top)
    {
        if (!top) {
            return;
        }
        top->AddRef();
        levels_.push_back(top);
        for (;;) {
            DDSCAPS2 caps = {};
            caps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP;
            IDirectDrawSurface7* next = nullptr;
            if (FAILED(levels_.back()->GetAttachedSurface(&caps, &next)) || !next) {
                break;
            }
            levels_.push_back(next);
        }
    }
    ~MipChainSurfaces()
    {
        for (IDirectDrawSurface7*& level : levels_) {
            ReleaseAndClear(level);
        }
    }
    MipChainSurfaces(const MipChainSurfaces&) = delete;
    MipChainSurfaces& operator=(const MipChainSurfaces&) = delete;

    size_t Size() const { return levels_.size(); }
    IDirectDrawSurface7* operator[](size_t i) const { return levels_[i]; }

private:
    std::vector<IDirectDrawSurface7*> levels_;
};

}  // namespace

// A texture being filled: the surfaces of its chain (only the top for a
// surface without levels), and the level and row the filling has reached.
struct TextureFill {
    TextureFill(NamedTexture* filled, uint32_t firstLevel)
        : texture(filled), first(firstLevel), chain(filled->surface)
    {
    }
    // The surface's levels that the texture's pixels fill, from its level first on.
    size_t Levels() const
    {
        return std::min<size_t>(chain.Size(), texture->mipLevelCount + 1 - first);
    }

    NamedTexture* texture;
    uint32_t first;  // the texture's level that the surface's top holds
    MipChainSurfaces chain;
    size_t level = 0;  // of the chain
    uint32_t row = 0;  // of that level
};

namespace {

// Fills about the next pixels of the surface's levels, a band of rows after
// another (a scaled level whole), the next level on while pixels are left.
// Done once every level is filled.
HRESULT FillPart(TextureFill& fill, uint64_t pixels, IDirectDraw7* directDraw,
                 StagingChain& staging, bool& done)
{
    const NamedTexture& texture = *fill.texture;
    while (fill.level < fill.Levels() && pixels > 0) {
        const uint32_t level = fill.first + static_cast<uint32_t>(fill.level);
        const TextureSize size = MipLevelSize(texture.width, texture.height, level);
        const auto wanted = static_cast<uint32_t>(
            std::clamp<uint64_t>(pixels / size.width, 1, size.height - fill.row));
        uint32_t rows = 0;
        const HRESULT result = CopyRowsThroughStaging(
            fill.chain[fill.level],
            {texture.name, MipLevelPixels(texture, level), size.width, size.height}, fill.row,
            wanted, directDraw, staging.levels[fill.level], rows);
        if (FAILED(result)) {
            return result;
        }
        pixels -= std::min<uint64_t>(pixels, uint64_t{rows} * size.width);
        fill.row += rows;
        if (fill.row == size.height) {
            ++fill.level;
            fill.row = 0;
        }
    }
    done = fill.level == fill.Levels();
    return S_OK;
}

// Does the texture's surface hold every one of its pixels as they are: the
// whole chain at full size in a format that keeps the colours?
bool SurfaceHoldsAllPixels(const NamedTexture& texture, const MipChainSurfaces& chain)
{
    if (chain.Size() != texture.mipLevelCount + 1) {
        return false;
    }
    DDSURFACEDESC2 desc;
    PrepareSurfaceDesc(desc, 0, 0);
    return SUCCEEDED(chain[0]->GetSurfaceDesc(&desc)) && desc.dwWidth == texture.width &&
           desc.dwHeight == texture.height && FormatKeepsColours(desc.ddpfPixelFormat);
}

// Makes the texture's surface, or takes a spare of its kind, not yet
// filled; first: the texture's level that its top holds.
HRESULT MakeTextureSurface(NamedTexture* texture, IDirect3DDevice7* device, SpareTextures* spares,
                           uint32_t& first)
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
    const auto sizeFor = [&caps](uint32_t width, uint32_t height) {
        return TextureSurfaceSize(width, height, caps.dpcTriCaps.dwTextureCaps,
                                  caps.dwMaxTextureWidth, caps.dwMaxTextureHeight);
    };
    TextureSize size = sizeFor(texture->width, texture->height);
    // A texture with mip levels, on a device that filters between them,
    // gets a chain from its first level that fits the device.
    const bool chain = texture->mipLevelCount > 0 && FiltersBetweenMipLevels(caps);
    first = chain ? FirstFittingLevel(*texture, size) : 0;
    if (first > 0) {
        const TextureSize top = MipLevelSize(texture->width, texture->height, first);
        size = sizeFor(top.width, top.height);
    }
    desc.dwWidth = size.width;
    desc.dwHeight = size.height;
    if (chain) {
        desc.dwFlags |= DDSD_MIPMAPCOUNT;
        desc.dwMipMapCount = texture->mipLevelCount + 1 - first;
        desc.ddsCaps.dwCaps |= DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
    }

    TextureFormatQuery query{WantedTextureBits(texture->depth, texture->options),
                             texture->alphaWanted, 0, &desc.ddpfPixelFormat};
    if (!FindFormat(device, query)) {
        return E_FAIL;
    }
    IDirectDraw7* directDraw = DirectDrawOf(device);
    if (!directDraw) {
        return E_FAIL;
    }
    texture->surface = spares ? spares->Take(desc) : nullptr;
    const bool reused = texture->surface != nullptr;
    if (!reused && spares) {
        // Spares are kept to save making a surface anew; once one must be
        // made they go first, so that their memory never adds to it.
        spares->Clear();
    }
    HRESULT result =
        reused ? S_OK : directDraw->CreateSurface(&desc, &texture->surface, nullptr);
    if (FAILED(result)) {
        texture->surface = nullptr;
    } else {
        TraceStage(reused ? "texture-refill" : "texture-create", texture->name);
    }
    directDraw->Release();
    return result;
}

// Fills the texture's new surface: all of it, or the next part of about
// pixels. A surface that cannot be filled is released, never half filled.
HRESULT FillSurface(TextureFill& fill, uint64_t pixels, IDirect3DDevice7* device,
                    StagingChain& staging, bool& done)
{
    done = true;
    if (!fill.texture->pixelBuffer) {
        return S_OK;
    }
    IDirectDraw7* directDraw = DirectDrawOf(device);
    const HRESULT result = FillPart(fill, pixels, directDraw, staging, done);
    ReleaseAndClear(directDraw);
    if (FAILED(result)) {
        done = true;
        ReleaseAndClear(fill.texture->surface);
    }
    return result;
}

HRESULT BuildWithStaging(NamedTexture* texture, IDirect3DDevice7* device, StagingChain& staging,
                         SpareTextures* spares = nullptr)
{
    uint32_t first = 0;
    HRESULT result = MakeTextureSurface(texture, device, spares, first);
    if (SUCCEEDED(result)) {
        TextureFill fill(texture, first);
        bool done = false;
        result = FillSurface(fill, UINT64_MAX, device, staging, done);
    }
    return result;
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
    StagingChain staging;
    return BuildWithStaging(texture, device, staging);
}

TextureSurfaceBuilder::TextureSurfaceBuilder(IDirect3DDevice7* device, SpareTextures* spares)
    : device_(device), spares_(spares), staging_(new (std::nothrow) StagingChain)
{
}

bool TextureSurfaceBuilder::BuildPart(NamedTexture* texture, bool givingUpPixels, uint32_t pixels)
{
    if (!staging_) {
        Build(texture, givingUpPixels);
        return true;
    }
    if (!fill_ || fill_->texture != texture) {
        fill_.reset();
        uint32_t first = 0;
        if (FAILED(MakeTextureSurface(texture, device_, spares_, first))) {
            return true;
        }
        fill_.reset(new (std::nothrow) TextureFill(texture, first));
        if (!fill_) {
            ReleaseAndClear(texture->surface);
            return true;
        }
    }
    bool done = false;
    FillSurface(*fill_, pixels, device_, *staging_, done);
    if (done) {
        fill_.reset();
        if (givingUpPixels) {
            ReleaseTexturePixels(texture);
        }
    }
    return done;
}

TextureSurfaceBuilder::~TextureSurfaceBuilder() = default;

void TextureSurfaceBuilder::Build(NamedTexture* texture, bool givingUpPixels)
{
    if (!staging_) {
        BuildTextureSurface(texture, device_);
    } else {
        BuildWithStaging(texture, device_, *staging_, spares_);
    }
    if (givingUpPixels) {
        ReleaseTexturePixels(texture);
    }
}

HRESULT CopyPixelBuffer(NamedTexture* texture)
{
    IDirectDraw7* directDraw = nullptr;
    texture->surface->GetDDInterface(reinterpret_cast<void**>(&directDraw));
    StagingSurface staging;
    const HRESULT result = CopyThroughStaging(
        texture->surface, {texture->name, texture->pixelBuffer, texture->width, texture->height},
        directDraw, staging);
    ReleaseAndClear(directDraw);
    if (FAILED(result)) {
        ReleaseAndClear(texture->surface);
    }
    return result;
}

bool ReleaseTexturePixels(NamedTexture* texture)
{
    if (!texture->pixelBuffer || !texture->surface ||
        !SurfaceHoldsAllPixels(*texture, MipChainSurfaces(texture->surface))) {
        return false;
    }
    FreeTexturePixels(*texture);
    return true;
}

HRESULT ReadBackTexturePixels(NamedTexture* texture)
{
    if (texture->pixelBuffer || !texture->surface) {
        return S_OK;
    }
    TraceStage("texture-read-back", texture->name);
    const MipChainSurfaces chain(texture->surface);
    const uint32_t levels = static_cast<uint32_t>(std::min<size_t>(chain.Size(), kMaxMipLevels + 1));
    HRESULT result = S_OK;
    for (uint32_t level = 0; level < levels && SUCCEEDED(result); ++level) {
        const TextureSize size = MipLevelSize(texture->width, texture->height, level);
        auto* pixels =
            static_cast<uint32_t*>(std::malloc(size_t{size.width} * size.height * sizeof(uint32_t)));
        if (level == 0) {
            texture->pixelBuffer = pixels;
        } else {
            texture->mipPixels[texture->mipLevelCount++] = pixels;
        }
        DDSURFACEDESC2 desc;
        PrepareSurfaceDesc(desc, 0, 0);
        result = !pixels ? E_OUTOFMEMORY
                         : chain[level]->Lock(nullptr, &desc, DDLOCK_READONLY | DDLOCK_WAIT, nullptr);
        if (SUCCEEDED(result)) {
            UnconvertPixels(static_cast<const uint8_t*>(desc.lpSurface), desc.lPitch, size.width,
                            size.height, desc.ddpfPixelFormat, pixels);
            chain[level]->Unlock(nullptr);
        }
    }
    if (FAILED(result)) {
        FreeTexturePixels(*texture);
    }
    return result;
}

bool FiltersBetweenMipLevels(const D3DDEVICEDESC7& caps)
{
    return (caps.dpcTriCaps.dwTextureFilterCaps & D3DPTFILTERCAPS_MIPFLINEAR) != 0;
}

HRESULT RestoreNamedTexture(const char* name, IDirect3DDevice7* device)
{
    NamedTexture* texture = FindNamedTexture(name);
    return texture ? BuildTextureSurface(texture, device) : DDERR_NOTFOUND;
}

HRESULT RestoreNamedTextures(IDirect3DDevice7* device)
{
    TextureSurfaceBuilder builder(device);
    for (NamedTexture* texture = namedTextureList; texture; texture = texture->next) {
        builder.Build(texture, false);
    }
    return S_OK;
}

void RestoreNamedTexturesGivingUpPixels(IDirect3DDevice7* device)
{
    TextureSurfaceBuilder builder(device);
    for (NamedTexture* texture = namedTextureList; texture; texture = texture->next) {
        builder.Build(texture, true);
    }
}

void ReleaseNamedTextureSurfacesKeepingPixels()
{
    for (NamedTexture* texture = namedTextureList; texture; texture = texture->next) {
        ReadBackTexturePixels(texture);
        ReleaseAndClear(texture->surface);
    }
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
