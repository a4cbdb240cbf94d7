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
// usage: first_frame_anchor IMAGE_WIDTH IMAGE_HEIGHT WINDOW_WIDTH WINDOW_HEIGHT
#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "display/com_release_win.h"
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
        ReleaseAndClear(stagingSurface_);
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

    bool BuildTextures(DWORD imageWidth, DWORD imageHeight)
    {
        tiles_ = TileGrid(imageWidth, imageHeight);
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

    void ReleaseStaging() { ReleaseAndClear(stagingSurface_); }

    void DrawAndPresent()
    {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        if (SUCCEEDED(device_->BeginScene())) {
            // One screen-space quad per tile, side by side across the window.
            const float step = static_cast<float>(client_.right) / static_cast<float>(tiles_.size());
            const float bottom = static_cast<float>(client_.bottom);
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
        if (FAILED(directDraw_->CreateSurface(&desc, &tile.texture, nullptr))) {
            return false;
        }
        TraceStage("texture-create");

        if (!stagingSurface_ || tile.width != stagingWidth_ || tile.height != stagingHeight_) {
            ReleaseAndClear(stagingSurface_);
            desc = SurfaceDesc(flags, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
            desc.dwWidth = tile.width;
            desc.dwHeight = tile.height;
            desc.ddpfPixelFormat = format;
            if (FAILED(directDraw_->CreateSurface(&desc, &stagingSurface_, nullptr))) {
                stagingSurface_ = nullptr;
                return false;
            }
            stagingWidth_ = tile.width;
            stagingHeight_ = tile.height;
        }
        const bool locked =
            SUCCEEDED(stagingSurface_->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr));
        if (locked) {
            for (DWORD y = 0; y < tile.height; ++y) {
                std::memcpy(static_cast<uint8_t*>(desc.lpSurface) + size_t{y} * desc.lPitch,
                            source + size_t{y} * tile.width, size_t{tile.width} * 4);
            }
            stagingSurface_->Unlock(nullptr);
        }
        TraceStage("texture-fill");
        const bool copied = locked && SUCCEEDED(tile.texture->Blt(nullptr, stagingSurface_, nullptr,
                                                                  DDBLT_WAIT, nullptr));
        TraceStage("texture-blt");
        return copied;
    }

    HWND window_ = nullptr;
    RECT client_ = {};
    bool managed_ = false;
    // The staging surface, kept while tiles share its size.
    IDirectDrawSurface7* stagingSurface_ = nullptr;
    DWORD stagingWidth_ = 0;
    DWORD stagingHeight_ = 0;
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
    if (__argc != 5) {
        MessageBoxA(nullptr,
                    "usage: first_frame_anchor IMAGE_WIDTH IMAGE_HEIGHT WINDOW_WIDTH WINDOW_HEIGHT",
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
            if (anchor.BuildTextures(imageWidth, imageHeight)) {
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
