// first_frame_anchor: the least a Direct3D 7 program does to show textures of
// a panorama's tile sizes, as the floor the viewer's first frame is measured
// against. It opens a window of the viewer's size with the same windowed
// surfaces (primary with clipper, 3D back buffer), opens the T&L HAL device
// (else HAL, else RGB), creates one 32-bit texture per tile of the viewer's
// tile grid for the image size (sized by the viewer's rule: powers of two,
// the maximum and squares as the device asks), fills each through a plain system-memory staging surface of
// the tile's own size (kept while tiles share a size) with a row memcpy and
// one Blt, as the viewer does, draws every texture once, presents and then
// waits for WM_CLOSE.
//
// Nothing is decoded: one source buffer of the largest tile, already in the
// device's layout, feeds every tile. Stages go to the stage trace
// (PANO_TRACE), so the times compare with the viewer's.
//
// With "mip" it does the work of a viewer with mip levels: every texture is
// a power-of-two chain down to one pixel, each level filled through a
// staging surface of its size (kept from tile to tile), sampled trilinearly.
//
// usage: first_frame_anchor IMAGE_WIDTH IMAGE_HEIGHT WINDOW_WIDTH WINDOW_HEIGHT [mip]
#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "display/com_release_win.h"
#include "display/mip_levels.h"
#include "display/surface_desc_win.h"
#include "display/texture_rules.h"
#include "framework/stage_trace_win.h"
#include "viewer/panorama_image.h"

namespace {

struct Tile {
    DWORD width;
    DWORD height;
    IDirectDrawSurface7* texture;
};

// The viewer's tile grid and tile sizes for the image.
std::vector<Tile> TileGrid(DWORD width, DWORD height)
{
    PanoramaImage image;
    image.imageWidth = width;
    image.imageHeight = height;
    ChooseTileGrid(image);
    const DWORD columns = static_cast<DWORD>(image.tileColumns);
    const DWORD rows = static_cast<DWORD>(image.tileRows);
    std::vector<Tile> tiles;
    for (DWORD ty = 0; ty < rows; ++ty) {
        for (DWORD tx = 0; tx < columns; ++tx) {
            const DWORD w = tx == columns - 1 ? width - tx * (width / columns) : width / columns;
            const DWORD h = ty == rows - 1 ? height - ty * (height / rows) : height / rows;
            tiles.push_back(Tile{w, h, nullptr});
        }
    }
    return tiles;
}

HRESULT CALLBACK FindX8R8G8B8(DDPIXELFORMAT* format, void* found)
{
    if (format->dwRGBBitCount == 32 && !(format->dwFlags & DDPF_ALPHAPIXELS) &&
        format->dwRBitMask == 0xFF0000 && format->dwGBitMask == 0xFF00 && format->dwBBitMask == 0xFF) {
        *static_cast<DDPIXELFORMAT*>(found) = *format;
        return D3DENUMRET_CANCEL;
    }
    return D3DENUMRET_OK;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

DDSURFACEDESC2 SurfaceDesc(DWORD flags, DWORD caps)
{
    DDSURFACEDESC2 desc;
    PrepareSurfaceDesc(desc, flags, caps);
    return desc;
}

class Anchor {
public:
    Anchor() = default;
    Anchor(const Anchor&) = delete;
    Anchor& operator=(const Anchor&) = delete;
    ~Anchor()
    {
        ReleaseStaging();
        for (Tile& tile : tiles_) {
            ReleaseAndClear(tile.texture);
        }
        ReleaseAndClear(device_);
        ReleaseAndClear(direct3D_);
        ReleaseAndClear(backBuffer_);
        ReleaseAndClear(primary_);
        ReleaseAndClear(directDraw_);
    }

    bool OpenDisplay(HWND window)
    {
        window_ = window;
        if (FAILED(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&directDraw_),
                                      IID_IDirectDraw7, nullptr)) ||
            FAILED(directDraw_->SetCooperativeLevel(window, DDSCL_NORMAL | DDSCL_FPUSETUP))) {
            return false;
        }
        DDSURFACEDESC2 desc = SurfaceDesc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
        if (FAILED(directDraw_->CreateSurface(&desc, &primary_, nullptr))) {
            return false;
        }
        IDirectDrawClipper* clipper = nullptr;
        if (FAILED(directDraw_->CreateClipper(0, &clipper, nullptr))) {
            return false;
        }
        clipper->SetHWnd(0, window);
        primary_->SetClipper(clipper);
        clipper->Release();

        GetClientRect(window, &client_);
        desc = SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT,
                           DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
        desc.dwWidth = static_cast<DWORD>(client_.right);
        desc.dwHeight = static_cast<DWORD>(client_.bottom);
        if (FAILED(directDraw_->CreateSurface(&desc, &backBuffer_, nullptr)) ||
            FAILED(directDraw_->QueryInterface(IID_IDirect3D7,
                                               reinterpret_cast<void**>(&direct3D_)))) {
            return false;
        }
        for (const GUID* guid :
             {&IID_IDirect3DTnLHalDevice, &IID_IDirect3DHALDevice, &IID_IDirect3DRGBDevice}) {
            if (SUCCEEDED(direct3D_->CreateDevice(*guid, backBuffer_, &device_))) {
                managed_ = guid != &IID_IDirect3DRGBDevice;
                break;
            }
        }
        if (!device_) {
            return false;
        }
        D3DVIEWPORT7 viewport = {0, 0, desc.dwWidth, desc.dwHeight, 0.0f, 1.0f};
        return SUCCEEDED(device_->SetViewport(&viewport));
    }

    bool BuildTextures(DWORD imageWidth, DWORD imageHeight, bool mipLevels)
    {
        mipLevels_ = mipLevels;
        tiles_ = TileGrid(imageWidth, imageHeight);
        if (mipLevels_) {
            for (Tile& tile : tiles_) {
                tile.width = NextPowerOfTwo(tile.width);
                tile.height = NextPowerOfTwo(tile.height);
            }
        }
        D3DDEVICEDESC7 caps;
        DDPIXELFORMAT format = {};
        if (FAILED(device_->GetCaps(&caps)) ||
            FAILED(device_->EnumTextureFormats(FindX8R8G8B8, &format)) || format.dwSize == 0) {
            return false;
        }
        DWORD largest = 0;
        for (const Tile& tile : tiles_) {
            largest = tile.width * tile.height > largest ? tile.width * tile.height : largest;
        }
        // A gradient, so the drawn frame is not a flat colour.
        std::vector<uint32_t> source(largest);
        for (DWORD i = 0; i < largest; ++i) {
            source[i] = (i * 2654435761u) >> 8;
        }
        for (Tile& tile : tiles_) {
            if (!BuildTexture(tile, caps, format, source.data())) {
                return false;
            }
        }
        return true;
    }

    void ReleaseStaging()
    {
        for (Staging& staging : staging_) {
            ReleaseAndClear(staging.surface);
        }
    }

    void DrawAndPresent()
    {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        if (SUCCEEDED(device_->BeginScene())) {
            // One screen-space quad per tile, side by side across the window.
            const float step = static_cast<float>(client_.right) / static_cast<float>(tiles_.size());
            const float bottom = static_cast<float>(client_.bottom);
            if (mipLevels_) {
                device_->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
            }
            for (size_t k = 0; k < tiles_.size(); ++k) {
                const float left = step * static_cast<float>(k);
                struct Vertex {
                    float x, y, z, rhw, u, v;
                };
                const Vertex quad[4] = {{left, 0, 0.5f, 1, 0, 0},
                                        {left + step, 0, 0.5f, 1, 1, 0},
                                        {left, bottom, 0.5f, 1, 0, 1},
                                        {left + step, bottom, 0.5f, 1, 1, 1}};
                device_->SetTexture(0, tiles_[k].texture);
                device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZRHW | D3DFVF_TEX1,
                                       const_cast<Vertex*>(quad), 4, 0);
            }
            device_->EndScene();
        }
        POINT origin{0, 0};
        ClientToScreen(window_, &origin);
        RECT onScreen{origin.x, origin.y, origin.x + client_.right, origin.y + client_.bottom};
        if (SUCCEEDED(primary_->Blt(&onScreen, backBuffer_, nullptr, DDBLT_WAIT, nullptr))) {
            TraceStage("first-frame-presented");
        }
    }

private:
    bool BuildTexture(Tile& tile, const D3DDEVICEDESC7& caps, const DDPIXELFORMAT& format,
                      const uint32_t* source)
    {
        const TextureSize size =
            TextureSurfaceSize(tile.width, tile.height, caps.dpcTriCaps.dwTextureCaps,
                               caps.dwMaxTextureWidth, caps.dwMaxTextureHeight);
        const DWORD flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        DDSURFACEDESC2 desc = SurfaceDesc(flags, DDSCAPS_TEXTURE);
        if (managed_) {
            desc.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
        } else {
            desc.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
        }
        desc.dwWidth = size.width;
        desc.dwHeight = size.height;
        desc.ddpfPixelFormat = format;
        const DWORD levels = mipLevels_ ? MipChainLength(size.width, size.height) : 1;
        if (mipLevels_) {
            desc.dwFlags |= DDSD_MIPMAPCOUNT;
            desc.dwMipMapCount = levels;
            desc.ddsCaps.dwCaps |= DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
        }
        if (FAILED(directDraw_->CreateSurface(&desc, &tile.texture, nullptr))) {
            return false;
        }
        TraceStage("texture-create");
        IDirectDrawSurface7* level = tile.texture;
        level->AddRef();
        bool filled = true;
        for (DWORD i = 0; level && filled; ++i) {
            const TextureSize at = MipLevelSize(tile.width, tile.height, i);
            filled = FillLevel(level, staging_[i], at, format, source);
            IDirectDrawSurface7* next = nullptr;
            DDSCAPS2 caps2 = {};
            caps2.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP;
            if (i + 1 == levels || FAILED(level->GetAttachedSurface(&caps2, &next))) {
                next = nullptr;
            }
            level->Release();
            level = next;
        }
        ReleaseAndClear(level);
        return filled;
    }

    // A surface of the source's size, kept while the size stays.
    struct Staging {
        IDirectDrawSurface7* surface = nullptr;
        DWORD width = 0;
        DWORD height = 0;
    };

    bool FillLevel(IDirectDrawSurface7* level, Staging& staging, TextureSize size,
                   const DDPIXELFORMAT& format, const uint32_t* source)
    {
        DDSURFACEDESC2 desc;
        if (!staging.surface || size.width != staging.width || size.height != staging.height) {
            ReleaseAndClear(staging.surface);
            desc = SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT,
                               DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
            desc.dwWidth = size.width;
            desc.dwHeight = size.height;
            desc.ddpfPixelFormat = format;
            if (FAILED(directDraw_->CreateSurface(&desc, &staging.surface, nullptr))) {
                staging.surface = nullptr;
                return false;
            }
            staging.width = size.width;
            staging.height = size.height;
        }
        desc = SurfaceDesc(0, 0);
        const bool locked = SUCCEEDED(staging.surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr));
        if (locked) {
            for (DWORD y = 0; y < size.height; ++y) {
                std::memcpy(static_cast<uint8_t*>(desc.lpSurface) + size_t{y} * desc.lPitch,
                            source + size_t{y} * size.width, size_t{size.width} * 4);
            }
            staging.surface->Unlock(nullptr);
        }
        TraceStage("texture-fill");
        const bool copied =
            locked && SUCCEEDED(level->Blt(nullptr, staging.surface, nullptr, DDBLT_WAIT, nullptr));
        TraceStage("texture-blt");
        return copied;
    }

    HWND window_ = nullptr;
    RECT client_ = {};
    bool managed_ = false;
    bool mipLevels_ = false;
    Staging staging_[kMaxMipLevels + 1];  // one per level
    IDirectDraw7* directDraw_ = nullptr;
    IDirectDrawSurface7* primary_ = nullptr;
    IDirectDrawSurface7* backBuffer_ = nullptr;
    IDirect3D7* direct3D_ = nullptr;
    IDirect3DDevice7* device_ = nullptr;
    std::vector<Tile> tiles_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    StartStageTrace();
    if (__argc != 5 && !(__argc == 6 && lstrcmpA(__argv[5], "mip") == 0)) {
        MessageBoxA(nullptr,
                    "usage: first_frame_anchor IMAGE_WIDTH IMAGE_HEIGHT WINDOW_WIDTH WINDOW_HEIGHT [mip]",
                    "first_frame_anchor", MB_OK);
        return 2;
    }
    const DWORD imageWidth = std::strtoul(__argv[1], nullptr, 10);
    const DWORD imageHeight = std::strtoul(__argv[2], nullptr, 10);
    const int windowWidth = std::atoi(__argv[3]);
    const int windowHeight = std::atoi(__argv[4]);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "First frame anchor";
    RegisterClassA(&windowClass);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - windowWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - windowHeight) / 2;
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "First frame anchor",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, left, top, windowWidth,
                                  windowHeight, nullptr, nullptr, instance, nullptr);
    UpdateWindow(window);
    TraceStage("window-created");

    int status = 1;
    {
        Anchor anchor;
        if (anchor.OpenDisplay(window)) {
            TraceStage("device-opened");
            if (anchor.BuildTextures(imageWidth, imageHeight, __argc == 6)) {
                anchor.ReleaseStaging();
                TraceStage("textures-built");
                anchor.DrawAndPresent();
                status = 0;
            }
        }
        MSG message;
        while (status == 0 && GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (IsWindow(window)) {
        DestroyWindow(window);
    }
    return status;
}
