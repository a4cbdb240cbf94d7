// Texture surfaces on Wine's device, and on a device with other
// capabilities and formats (FakeDevice).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "display/d3d_display_win.h"
#include "display/device_table_win.h"
#include "display/mip_levels.h"
#include "display/spare_textures_win.h"
#include "display/surface_desc_win.h"
#include "display/texture_rules.h"
#include "display/texture_surface_win.h"
#include "default_display_win.h"
#include "fake_device_win.h"
#include "fake_directdraw_win.h"
#include "fake_render_target_win.h"
#include "pixel_formats.h"
#include "test_window_win.h"

namespace {

class TextureSurfaces : public ::testing::Test {
protected:
    void SetUp() override
    {
        DestroyAllNamedTextures();
        DeviceEntry* device = DefaultDevice();
        if (!device) {
            return;
        }
        ASSERT_EQ(display_.Open(window_.Handle(), device->adapterGuid, device->rasterizerGuid,
                                &device->chosenMode, 0),
                  S_OK);
    }
    void TearDown() override
    {
        DestroyAllNamedTextures();
        EXPECT_EQ(display_.Close(), S_OK) << "every surface released";
    }

    // A texture of the given size whose every pixel is colour.
    NamedTexture* Texture(const char* name, DWORD width, DWORD height, DWORD options,
                          uint32_t colour)
    {
        EXPECT_EQ(CreateNamedTexture(name, width, height, 0, options), S_OK);
        NamedTexture* texture = FindNamedTexture(name);
        texture->pixelBuffer = static_cast<uint32_t*>(std::malloc(size_t{width} * height * 4));
        for (DWORD i = 0; i < width * height; ++i) {
            texture->pixelBuffer[i] = colour;
        }
        return texture;
    }

    static DDSURFACEDESC2 Desc(IDirectDrawSurface7* surface)
    {
        DDSURFACEDESC2 desc;
        PrepareSurfaceDesc(desc, 0, 0);
        surface->GetSurfaceDesc(&desc);
        return desc;
    }

    // The mip level below this one (null at the bottom), for this one's
    // reference.
    static IDirectDrawSurface7* NextLevel(IDirectDrawSurface7* level)
    {
        DDSCAPS2 caps = {};
        caps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP;
        IDirectDrawSurface7* next = nullptr;
        if (FAILED(level->GetAttachedSurface(&caps, &next))) {
            next = nullptr;
        }
        level->Release();
        return next;
    }

    TestWindow window_{320, 240};
    CD3DDisplay display_;
};

}  // namespace

TEST_F(TextureSurfaces, ThirtyTwoBitTextureReadsBackPixelExact)
{
    NamedTexture* texture = Texture("big", 1000, 700, TEXOPT_DEPTH32, 0x000000FF);
    for (DWORD y = 0; y < 700; ++y) {
        for (DWORD x = 0; x < 1000; ++x) {
            texture->pixelBuffer[y * 1000 + x] = (x & 0xFF) << 24 | (y & 0xFF) << 16 | 0x5AFF;
        }
    }
    // Wine's device asks for powers of two: the pixels are scaled onto a
    // 1024 x 1024 surface, which keeps the corners.
    ASSERT_EQ(RestoreNamedTexture("big", display_.device), S_OK);
    ASSERT_NE(texture->surface, nullptr);
    DDSURFACEDESC2 desc = Desc(texture->surface);
    EXPECT_EQ(desc.dwWidth, 1024u);
    EXPECT_EQ(desc.dwHeight, 1024u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 32u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwFlags & DDPF_ALPHAPIXELS, 0u);
    const PixelConverter convert(desc.ddpfPixelFormat);
    EXPECT_EQ(SurfacePixel(texture->surface, 0, 0) & 0xFFFFFF, convert(texture->pixelBuffer[0]));
    EXPECT_EQ(SurfacePixel(texture->surface, 1023, 1023) & 0xFFFFFF,
              convert(texture->pixelBuffer[699 * 1000 + 999]));

    // Without that rule no scaling applies and every pixel is exact.
    FakeDevice anySize(display_.device);
    anySize.caps.dpcTriCaps.dwTextureCaps &= ~DWORD{D3DPTEXTURECAPS_POW2};
    anySize.formats = {kX888};
    ASSERT_EQ(BuildTextureSurface(texture, &anySize), S_OK);
    desc = Desc(texture->surface);
    ASSERT_EQ(desc.dwWidth, 1000u);
    ASSERT_EQ(desc.dwHeight, 700u);
    for (const POINT p : {POINT{0, 0}, POINT{999, 0}, POINT{0, 699}, POINT{517, 333}, POINT{999, 699}}) {
        // The unused top byte of the format is the surface's own business.
        EXPECT_EQ(SurfacePixel(texture->surface, p.x, p.y) & 0xFFFFFF,
                  convert(texture->pixelBuffer[p.y * 1000 + p.x]))
            << p.x << "," << p.y;
    }
    EXPECT_EQ(GetNamedTextureSurface("BIG"), texture->surface);
    EXPECT_EQ(ReleaseNamedTextureSurfaces(), S_OK);
    EXPECT_EQ(GetNamedTextureSurface("big"), nullptr);
    EXPECT_NE(texture->pixelBuffer, nullptr) << "the pixels stay";
}

TEST_F(TextureSurfaces, SizeRulesOfTheDevice)
{
    struct Case {
        const char* label;
        DWORD textureCaps, maxW, maxH;
        DWORD width, height;
        DWORD expectedW, expectedH;
    };
    const Case cases[] = {
        {"powers of two", D3DPTEXTURECAPS_POW2, 2048, 2048, 1000, 700, 1024, 1024},
        {"powers of two within a maximum of 0, read as 256", D3DPTEXTURECAPS_POW2, 0, 0, 1000, 700,
         256, 256},
        {"square only", D3DPTEXTURECAPS_SQUAREONLY, 4096, 4096, 512, 256, 512, 512},
    };
    FakeDevice fake(display_.device);
    fake.formats = {kX888};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fake.caps.dpcTriCaps.dwTextureCaps = c.textureCaps;
        fake.caps.dwMaxTextureWidth = c.maxW;
        fake.caps.dwMaxTextureHeight = c.maxH;
        NamedTexture* texture = Texture(c.label, c.width, c.height, TEXOPT_DEPTH32, 0xFF8040FF);
        ASSERT_EQ(BuildTextureSurface(texture, &fake), S_OK);
        const DDSURFACEDESC2 desc = Desc(texture->surface);
        EXPECT_EQ(desc.dwWidth, c.expectedW);
        EXPECT_EQ(desc.dwHeight, c.expectedH);
        // The scaled copy of a plain colour is that colour everywhere.
        EXPECT_EQ(SurfacePixel(texture->surface, c.expectedW - 1, c.expectedH - 1) & 0xFFFFFF, 0xFF8040u);
    }
}

TEST_F(TextureSurfaces, FormatsAndTheirPixels)
{
    FakeDevice fake(display_.device);

    // No 32-bit format without alpha: the second pass takes 5-6-5.
    fake.formats = {k4444, k8888, k565};
    NamedTexture* narrow = Texture("narrow", 64, 32, TEXOPT_DEPTH32, 0xFF8040C0);
    ASSERT_EQ(BuildTextureSurface(narrow, &fake), S_OK);
    EXPECT_EQ(Desc(narrow->surface).ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(SurfacePixel(narrow->surface, 5, 5), 0xFC08u);

    // Alpha wanted: 8-8-8-8 with alpha in the top byte.
    NamedTexture* alpha = Texture("alpha", 64, 32, TEXOPT_DEPTH32 | TEXOPT_ALPHA, 0xFF8040C0);
    ASSERT_EQ(BuildTextureSurface(alpha, &fake), S_OK);
    EXPECT_EQ(SurfacePixel(alpha->surface, 63, 31), 0xC0FF8040u);

    // Only 4-4-4-4 offers alpha at 16 bits, and it is never used.
    fake.formats = {k4444, k565};
    NamedTexture* none = Texture("none", 8, 8, TEXOPT_DEPTH16 | TEXOPT_ALPHA, 0xFFFFFFFF);
    EXPECT_EQ(BuildTextureSurface(none, &fake), E_FAIL);
    EXPECT_EQ(none->surface, nullptr);
}

TEST_F(TextureSurfaces, MemoryPlacementFollowsTheDevice)
{
    struct Case {
        const char* label;
        GUID device;
        DWORD caps;
        DWORD caps2;
    };
    const Case cases[] = {
        {"HAL: managed by the platform", IID_IDirect3DHALDevice, DDSCAPS_TEXTURE,
         DDSCAPS2_TEXTUREMANAGE},
        {"T&L HAL: managed by the platform", IID_IDirect3DTnLHalDevice, DDSCAPS_TEXTURE,
         DDSCAPS2_TEXTUREMANAGE},
        {"RGB: system memory", IID_IDirect3DRGBDevice, DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY, 0},
        {"reference: system memory", IID_IDirect3DRefDevice,
         DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY, 0},
    };
    // Wine lists its managed textures in system memory as well, so what it
    // reports cannot show everything asked for. The device's render target
    // leads to a DirectDraw object that records each request and has Wine's
    // object make the surface.
    FakeDirectDraw recorder;
    recorder.surfacesFrom = display_.directDraw;
    FakeRenderTarget target;
    target.directDraw = &recorder;
    FakeDevice fake(display_.device);
    fake.formats = {kX888};
    fake.renderTarget = &target;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fake.caps.deviceGUID = c.device;
        recorder.surfaceRequests.clear();
        NamedTexture* texture = Texture(c.label, 64, 32, TEXOPT_DEPTH32, 0xFF8040FF);
        ASSERT_EQ(BuildTextureSurface(texture, &fake), S_OK);
        ASSERT_EQ(recorder.surfaceRequests.size(), 2u) << "the texture surface, then its staging";
        const DDSCAPS2& asked = recorder.surfaceRequests[0].ddsCaps;
        EXPECT_EQ(asked.dwCaps, c.caps);
        EXPECT_EQ(asked.dwCaps2, c.caps2);

        const DDSCAPS2 made = Desc(texture->surface).ddsCaps;
        EXPECT_EQ(made.dwCaps & c.caps, c.caps);
        EXPECT_EQ(made.dwCaps2 & DDSCAPS2_TEXTUREMANAGE, c.caps2);
        EXPECT_EQ(SurfacePixel(texture->surface, 63, 31) & 0xFFFFFF, 0xFF8040u);
    }
    for (const FakeReferences* references : {&target.references, &recorder.references}) {
        EXPECT_GT(references->handedOut, 0);
        EXPECT_EQ(references->handedOut, references->released);
    }
}

TEST_F(TextureSurfaces, LookupsByName)
{
    Texture("one", 4, 4, TEXOPT_DEPTH32, 0);
    EXPECT_EQ(RestoreNamedTexture("missing", display_.device), DDERR_NOTFOUND);
    EXPECT_EQ(GetNamedTextureSurface("missing"), nullptr);
    EXPECT_EQ(RestoreNamedTextures(display_.device), S_OK);
    EXPECT_NE(GetNamedTextureSurface("one"), nullptr);
    EXPECT_EQ(BuildTextureSurface(FindNamedTexture("one"), nullptr), E_INVALIDARG);
    EXPECT_EQ(GetNamedTextureSurface("one"), nullptr) << "the old surface is released first";
}

namespace {

HRESULT CALLBACK CollectFormat(DDPIXELFORMAT* format, void* formats)
{
    static_cast<std::vector<DDPIXELFORMAT>*>(formats)->push_back(*format);
    return D3DENUMRET_OK;
}

}  // namespace

TEST_F(TextureSurfaces, EveryUsableFormatOfTheDeviceReadsBackAsThePlainConversion)
{
    std::vector<DDPIXELFORMAT> offered;
    ASSERT_EQ(display_.device->EnumTextureFormats(CollectFormat, &offered), S_OK);
    // Each format the texture rules can choose, alone on a device that takes
    // any size, so the surface holds the staging pixels unscaled.
    FakeDevice fake(display_.device);
    fake.caps.dpcTriCaps.dwTextureCaps &= ~DWORD{D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY};
    constexpr DWORD kWidth = 37, kHeight = 13;
    int tested = 0;
    bool testedX888 = false;
    for (const DDPIXELFORMAT& format : offered) {
        const DWORD alpha = (format.dwFlags & DDPF_ALPHAPIXELS) ? 1 : 0;
        if (!TextureFormatFits(format, format.dwRGBBitCount, alpha)) {
            continue;
        }
        SCOPED_TRACE(::testing::Message()
                     << format.dwRGBBitCount << "-bit " << std::hex << format.dwRBitMask << " "
                     << format.dwGBitMask << " " << format.dwBBitMask << " "
                     << format.dwRGBAlphaBitMask);
        fake.formats = {format};
        const DWORD depth = format.dwRGBBitCount == 16 ? TEXOPT_DEPTH16 : TEXOPT_DEPTH32;
        const DWORD options = alpha ? depth | TEXOPT_ALPHA : depth;
        const std::string name = "format" + std::to_string(tested);
        NamedTexture* texture = Texture(name.c_str(), kWidth, kHeight, options, 0);
        uint32_t seed = 12345u + tested;
        for (DWORD i = 0; i < kWidth * kHeight; ++i) {
            seed = seed * 1664525u + 1013904223u;
            texture->pixelBuffer[i] = seed;
        }
        ASSERT_EQ(BuildTextureSurface(texture, &fake), S_OK);
        ASSERT_EQ(Desc(texture->surface).dwWidth, kWidth);
        // Bits outside the channels are the surface's own business.
        const DWORD used = format.dwRBitMask | format.dwGBitMask | format.dwBBitMask |
                           format.dwRGBAlphaBitMask;
        const PixelConverter convert(format);
        DDSURFACEDESC2 desc;
        PrepareSurfaceDesc(desc, 0, 0);
        ASSERT_EQ(texture->surface->Lock(nullptr, &desc, DDLOCK_READONLY | DDLOCK_WAIT, nullptr), S_OK);
        const DWORD bytes = format.dwRGBBitCount / 8;
        int differing = 0;
        for (DWORD y = 0; y < kHeight; ++y) {
            const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + y * desc.lPitch;
            for (DWORD x = 0; x < kWidth; ++x) {
                DWORD pixel = 0;
                std::memcpy(&pixel, row + x * bytes, bytes);
                const DWORD expected = convert(texture->pixelBuffer[y * kWidth + x]) & used;
                differing += (pixel & used) != expected;
            }
        }
        texture->surface->Unlock(nullptr);
        EXPECT_EQ(differing, 0);
        testedX888 = testedX888 || (format.dwRGBBitCount == 32 && !alpha &&
                                    format.dwRBitMask == 0xFF0000 && format.dwBBitMask == 0xFF);
        ++tested;
    }
    EXPECT_GE(tested, 3) << "32-bit and 16-bit formats, with and without alpha";
    EXPECT_TRUE(testedX888) << "the format the viewer's tiles take";
}

TEST_F(TextureSurfaces, ARestoreFillsEveryTextureWithItsOwnPixels)
{
    // One staging surface serves textures of one size and format in turn;
    // another size or format takes a new one.
    struct Case {
        const char* name;
        DWORD width, height, options;
        uint32_t colour;
        DWORD expected;
    };
    const Case cases[] = {
        {"first", 64, 32, TEXOPT_DEPTH32, 0xFF8040FF, 0xFF8040},
        {"same size", 64, 32, TEXOPT_DEPTH32, 0x10E0C0FF, 0x10E0C0},
        {"smaller", 32, 16, TEXOPT_DEPTH32, 0x204060FF, 0x204060},
        {"16-bit", 32, 16, TEXOPT_DEPTH16, 0xFF8040C0, 0xFC08},
        {"back to the first size", 64, 32, TEXOPT_DEPTH32, 0x0000FFFF, 0x0000FF},
    };
    FakeDevice fake(display_.device);
    fake.caps.dpcTriCaps.dwTextureCaps &= ~DWORD{D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY};
    fake.formats = {kX888, k565};
    for (const Case& c : cases) {
        Texture(c.name, c.width, c.height, c.options, c.colour);
    }
    ASSERT_EQ(RestoreNamedTextures(&fake), S_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IDirectDrawSurface7* surface = GetNamedTextureSurface(c.name);
        ASSERT_NE(surface, nullptr);
        const DWORD used = c.options & TEXOPT_DEPTH16 ? 0xFFFF : 0xFFFFFF;
        EXPECT_EQ(SurfacePixel(surface, 0, 0) & used, c.expected);
        EXPECT_EQ(SurfacePixel(surface, c.width - 1, c.height - 1) & used, c.expected);
    }
}

TEST_F(TextureSurfaces, AStagingSurfaceThatCannotBeLockedLeavesTheTextureWithoutSurface)
{
    // The staging surface comes back already locked, so the build's own
    // lock fails: nothing may be copied from it into the texture.
    FakeDirectDraw recorder;
    recorder.surfacesFrom = display_.directDraw;
    recorder.lockMadeWithCaps = DDSCAPS_OFFSCREENPLAIN;
    FakeRenderTarget target;
    target.directDraw = &recorder;
    FakeDevice fake(display_.device);
    fake.formats = {kX888};
    fake.renderTarget = &target;
    NamedTexture* texture = Texture("busy", 64, 32, TEXOPT_DEPTH32, 0xFF8040FF);
    EXPECT_TRUE(FAILED(BuildTextureSurface(texture, &fake)));
    EXPECT_EQ(texture->surface, nullptr);
    EXPECT_EQ(recorder.surfaceRequests.size(), 2u) << "the texture and its staging surface";
}

TEST_F(TextureSurfaces, MipChainsHoldEveryLevelAndGiveThePixelsBackWhenTheyHoldThemAll)
{
    struct Case {
        const char* label;
        DWORD filterCaps;  // 0: the device's own
        DWORD maxSize;
        DWORD levels, firstLevel;
        bool pixelsGivenUp;
    };
    const Case cases[] = {
        {"the device's own caps", 0, 4096, 7, 0, true},
        {"a maximum of 32: from the level that fits", 0, 32, 6, 1, false},
        {"no filtering between levels: the top alone", D3DPTFILTERCAPS_LINEAR, 4096, 1, 0, false},
    };
    FakeDevice fake(display_.device);
    fake.formats = {kX888};
    const DWORD ownFilterCaps = fake.caps.dpcTriCaps.dwTextureFilterCaps;
    ASSERT_NE(ownFilterCaps & D3DPTFILTERCAPS_MIPFLINEAR, 0u) << "Wine filters between levels";
    // Built whole, or part-wise in bands that end within rows and levels.
    for (const bool partWise : {false, true})
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SCOPED_TRACE(partWise ? "part-wise" : "whole");
        fake.caps.dpcTriCaps.dwTextureFilterCaps = c.filterCaps ? c.filterCaps : ownFilterCaps;
        fake.caps.dwMaxTextureWidth = fake.caps.dwMaxTextureHeight = c.maxSize;
        const std::string name = std::string(c.label) + (partWise ? " part-wise" : "");
        NamedTexture* texture = Texture(name.c_str(), 64, 32, TEXOPT_DEPTH32, 0);
        for (DWORD i = 0; i < 64 * 32; ++i) {
            texture->pixelBuffer[i] = (i * 0x9E3779B1u) | 0xFF;
        }
        ASSERT_EQ(BuildMipLevels(*texture), S_OK);
        std::vector<std::vector<uint32_t>> levels;
        for (uint32_t level = 0; level <= texture->mipLevelCount; ++level) {
            const TextureSize size = MipLevelSize(64, 32, level);
            const uint32_t* pixels = MipLevelPixels(*texture, level);
            levels.emplace_back(pixels, pixels + size.width * size.height);
        }
        if (partWise) {
            TextureSurfaceBuilder builder(&fake);
            int parts = 1;
            while (!builder.BuildPart(texture, false, 64 * 5 + 3)) {
                ++parts;
            }
            EXPECT_GT(parts, 1);
        } else {
            ASSERT_EQ(BuildTextureSurface(texture, &fake), S_OK);
        }
        ASSERT_NE(texture->surface, nullptr);
        const PixelConverter convert(Desc(texture->surface).ddpfPixelFormat);
        IDirectDrawSurface7* level = texture->surface;
        level->AddRef();
        DWORD count = 0;
        for (; level; ++count) {
            const TextureSize size = MipLevelSize(64, 32, c.firstLevel + count);
            EXPECT_EQ(Desc(level).dwWidth, size.width) << count;
            EXPECT_EQ(Desc(level).dwHeight, size.height) << count;
            EXPECT_EQ(SurfacePixel(level, size.width - 1, size.height - 1) & 0xFFFFFF,
                      convert(levels[c.firstLevel + count].back()))
                << count;
            level = NextLevel(level);
        }
        EXPECT_EQ(count, c.levels);

        ASSERT_EQ(ReleaseTexturePixels(texture), c.pixelsGivenUp);
        ASSERT_EQ(ReadBackTexturePixels(texture), S_OK);
        for (uint32_t i = 0; i < levels.size(); ++i) {
            const uint32_t* pixels = MipLevelPixels(*texture, i);
            ASSERT_NE(pixels, nullptr) << i;
            EXPECT_TRUE(std::equal(levels[i].begin(), levels[i].end(), pixels)) << i;
        }
    }
}

TEST_F(TextureSurfaces, AKeptSurfaceServesATextureOfItsKindAloneAndTakesItsPixels)
{
    struct Case {
        const char* label;
        DWORD width, height, options;
        bool mipLevels, takesIt;
    };
    const Case cases[] = {
        {"another size", 128, 128, TEXOPT_DEPTH32, true, false},
        {"16 bits a pixel", 256, 128, TEXOPT_DEPTH16, true, false},
        {"without mip levels", 256, 128, TEXOPT_DEPTH32, false, false},
        {"its own kind", 256, 128, TEXOPT_DEPTH32, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        // A mip chain, as the viewer's tiles have, on Wine's own device.
        const std::string goneName = std::string("gone ") + c.label;
        NamedTexture* gone = Texture(goneName.c_str(), 256, 128, TEXOPT_DEPTH32, 0x102030FF);
        ASSERT_EQ(BuildMipLevels(*gone), S_OK);
        ASSERT_EQ(RestoreNamedTexture(goneName.c_str(), display_.device), S_OK);
        IDirectDrawSurface7* const kept = gone->surface;
        kept->AddRef();  // alive to be told apart, whatever the spares do
        SpareTextures spares;
        spares.Keep(gone->surface);
        ASSERT_EQ(gone->surface, nullptr);

        NamedTexture* texture = Texture(c.label, c.width, c.height, c.options, 0x4080C0FF);
        if (c.mipLevels) {
            ASSERT_EQ(BuildMipLevels(*texture), S_OK);
        }
        TextureSurfaceBuilder(display_.device, &spares).Build(texture, false);
        ASSERT_NE(texture->surface, nullptr);
        EXPECT_EQ(texture->surface == kept, c.takesIt);
        EXPECT_TRUE(spares.Empty());
        EXPECT_EQ(kept->Release(), c.takesIt ? 1u : 0u) << "taken, or let go before one was made";
    }
    // Filled again: every level has the new pixels, none of the old.
    IDirectDrawSurface7* level = GetNamedTextureSurface("its own kind");
    level->AddRef();
    const PixelConverter convert(Desc(level).ddpfPixelFormat);
    for (DWORD count = 0; level; ++count) {
        EXPECT_EQ(SurfacePixel(level, 0, 0) & 0xFFFFFF, convert(0x4080C0FF)) << count;
        level = NextLevel(level);
    }
}
