#include "display/d3d_display_win.h"

#include "display/com_release_win.h"
#include "display/device_table_win.h"
#include "display/surface_desc_win.h"
#include "framework/status_codes.h"

namespace {

HRESULT SurfaceFailure(HRESULT result, HRESULT otherwise)
{
    return result == DDERR_OUTOFVIDEOMEMORY ? DDERR_OUTOFVIDEOMEMORY : otherwise;
}

// Copies the frame into the window's client area through GDI, which draws
// wherever the window is, clipped to what is visible.
HRESULT CopyThroughGdi(IDirectDrawSurface7* frame, HWND window, int width, int height)
{
    HDC source = nullptr;
    const HRESULT got = frame->GetDC(&source);
    if (FAILED(got)) {
        return got;
    }
    HDC target = GetDC(window);
    const BOOL copied = target && BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
    if (target) {
        ReleaseDC(window, target);
    }
    frame->ReleaseDC(source);
    return copied ? DD_OK : E_FAIL;
}

}  // namespace

static_assert(STATUS_DD_OUTOFVIDEOMEMORY == DDERR_OUTOFVIDEOMEMORY);
static_assert(STATUS_DD_NOTFOUND == DDERR_NOTFOUND);

HRESULT CD3DDisplay::Open(HWND targetWindow, GUID* driverGuid, GUID* deviceGuid,
                          DDSURFACEDESC2* mode, DWORD flags)
{
    const bool wantFullscreen = (flags & DISPLAY_FULLSCREEN) != 0;
    if (!targetWindow || !deviceGuid || (wantFullscreen && !mode)) {
        return E_INVALIDARG;
    }
    window = targetWindow;
    fullscreen = wantFullscreen;
    HRESULT result = OpenDirectDraw(driverGuid);
    if (SUCCEEDED(result)) {
        result = fullscreen ? BuildFullscreenChain(*mode) : BuildWindowedSurfaces();
    }
    if (SUCCEEDED(result)) {
        result = OpenDevice(deviceGuid);
    }
    if (FAILED(result)) {
        Close();
    }
    return result;
}

HRESULT CD3DDisplay::OpenDirectDraw(GUID* driverGuid)
{
    directDraw = TakeEnumeratedDirectDraw(driverGuid);
    if (!directDraw && FAILED(DirectDrawCreateEx(driverGuid, reinterpret_cast<void**>(&directDraw),
                                                 IID_IDirectDraw7, nullptr))) {
        return FWERR_NO_DIRECTDRAW;
    }
    const DWORD level = fullscreen ? DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE
                                   : DDSCL_NORMAL;
    if (FAILED(directDraw->SetCooperativeLevel(window, level | DDSCL_FPUSETUP))) {
        return FWERR_COOPERATIVE_LEVEL;
    }
    DDSURFACEDESC2 desktop;
    PrepareSurfaceDesc(desktop, 0, 0);
    directDraw->GetDisplayMode(&desktop);
    if (desktop.ddpfPixelFormat.dwRGBBitCount <= 8) {
        return FWERR_DESKTOP_TOO_FEW_COLORS;
    }
    return S_OK;
}

HRESULT CD3DDisplay::BuildFullscreenChain(const DDSURFACEDESC2& mode)
{
    presentRect = RECT{0, 0, static_cast<LONG>(mode.dwWidth), static_cast<LONG>(mode.dwHeight)};
    bufferWidth = presentRect.right;
    bufferHeight = presentRect.bottom;
    if (FAILED(directDraw->SetDisplayMode(bufferWidth, bufferHeight,
                                          mode.ddpfPixelFormat.dwRGBBitCount, mode.dwRefreshRate, 0))) {
        return FWERR_BAD_DISPLAY_MODE;
    }
    DDSURFACEDESC2 desc;
    PrepareSurfaceDesc(desc, DDSD_CAPS | DDSD_BACKBUFFERCOUNT,
                       DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE);
    desc.dwBackBufferCount = 1;
    const HRESULT created = directDraw->CreateSurface(&desc, &primary, nullptr);
    if (FAILED(created)) {
        return SurfaceFailure(created, FWERR_NO_PRIMARY);
    }
    DDSCAPS2 caps = {};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    if (FAILED(primary->GetAttachedSurface(&caps, &backBuffer))) {
        return FWERR_NO_BACKBUFFER;
    }
    return S_OK;
}

HRESULT CD3DDisplay::BuildWindowedSurfaces()
{
    GetClientRect(window, &presentRect);
    POINT topLeft{presentRect.left, presentRect.top};
    POINT bottomRight{presentRect.right, presentRect.bottom};
    ClientToScreen(window, &topLeft);
    ClientToScreen(window, &bottomRight);
    presentRect = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    bufferWidth = presentRect.right - presentRect.left;
    bufferHeight = presentRect.bottom - presentRect.top;

    DDSURFACEDESC2 desc;
    PrepareSurfaceDesc(desc, DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
    HRESULT created = directDraw->CreateSurface(&desc, &primary, nullptr);
    if (FAILED(created)) {
        return SurfaceFailure(created, FWERR_NO_PRIMARY);
    }
    IDirectDrawClipper* clipper = nullptr;
    if (FAILED(directDraw->CreateClipper(0, &clipper, nullptr))) {
        return FWERR_NO_CLIPPER;
    }
    clipper->SetHWnd(0, window);
    primary->SetClipper(clipper);
    clipper->Release();  // the primary keeps it

    PrepareSurfaceDesc(desc, DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT,
                       DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
    // An even width: Wine hands out a device context on a surface of odd
    // width with its rows sheared. The frame is the buffer's left part.
    desc.dwWidth = bufferWidth + (bufferWidth & 1);
    desc.dwHeight = bufferHeight;
    created = directDraw->CreateSurface(&desc, &backBuffer, nullptr);
    if (FAILED(created)) {
        return SurfaceFailure(created, FWERR_NO_BACKBUFFER);
    }
    return S_OK;
}

HRESULT CD3DDisplay::OpenDevice(GUID* deviceGuid)
{
    if (FAILED(directDraw->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&direct3D)))) {
        return FWERR_NO_DIRECT3D;
    }
    if (FAILED(direct3D->CreateDevice(*deviceGuid, backBuffer, &device))) {
        return FWERR_DEVICE_CREATE_FAILED;
    }
    D3DVIEWPORT7 viewport = {0, 0, static_cast<DWORD>(bufferWidth),
                             static_cast<DWORD>(bufferHeight), 0.0f, 1.0f};
    if (FAILED(device->SetViewport(&viewport))) {
        return FWERR_NO_VIEWPORT;
    }
    return S_OK;
}

HRESULT CD3DDisplay::Close()
{
    if (directDraw) {
        directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
    }
    const ULONG deviceLeft = ReleaseAndClear(device);
    ReleaseAndClear(backBuffer);
    ReleaseAndClear(primary);
    ReleaseAndClear(direct3D);
    const ULONG directDrawLeft = ReleaseAndClear(directDraw);
    return deviceLeft || directDrawLeft ? FWERR_NONZERO_REFCOUNT : S_OK;
}

HRESULT CD3DDisplay::Present()
{
    if (!primary) {
        return FWERR_NOT_INITIALIZED;
    }
    if (fullscreen) {
        return primary->Flip(nullptr, DDFLIP_WAIT);
    }
    // The whole frame first: on Windows the primary surface spans every
    // monitor, those left of or above the primary one at negative
    // coordinates, and the clipper cuts what no monitor shows.
    RECT frame{0, 0, bufferWidth, bufferHeight};
    const HRESULT whole = primary->Blt(&presentRect, backBuffer, &frame, DDBLT_WAIT, nullptr);
    if (SUCCEEDED(whole) || whole == DDERR_SURFACELOST) {
        return whole;
    }
    // Wine's primary surface covers only the primary monitor and it refuses
    // a blit that reaches past it: a window partly off the screen, or on
    // another monitor, gets its frame through GDI instead.
    return CopyThroughGdi(backBuffer, window, bufferWidth, bufferHeight);
}

HRESULT CD3DDisplay::RestoreLostSurfaces()
{
    if (directDraw) {
        directDraw->RestoreAllSurfaces();
    }
    return S_OK;
}

void CD3DDisplay::TrackWindowPosition(int x, int y)
{
    if (!fullscreen) {
        presentRect = RECT{x, y, x + bufferWidth, y + bufferHeight};
    }
}

HRESULT CD3DDisplay::ShowDesktopSurface(bool redrawFrame)
{
    if (directDraw && fullscreen) {
        directDraw->FlipToGDISurface();
        if (redrawFrame) {
            DrawMenuBar(window);
            RedrawWindow(window, nullptr, nullptr, RDW_FRAME);
        }
    }
    return S_OK;
}
