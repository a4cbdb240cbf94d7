// CD3DDisplay: everything DirectDraw 7 and Direct3D 7 need to draw into one
// window, windowed (an off-screen back buffer blitted to the window's place
// on the desktop) or full screen (a flip chain in exclusive mode).
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

constexpr DWORD DISPLAY_FULLSCREEN = 1;

class CD3DDisplay {
public:
    CD3DDisplay() = default;
    ~CD3DDisplay() { Close(); }
    CD3DDisplay(const CD3DDisplay&) = delete;
    CD3DDisplay& operator=(const CD3DDisplay&) = delete;

    // Opens DirectDraw, the surfaces, the device and its viewport; on failure
    // releases what it made and returns the failing step's code.
    HRESULT Open(HWND window, GUID* driverGuid, GUID* deviceGuid, DDSURFACEDESC2* mode, DWORD flags);
    // Releases everything; FWERR_NONZERO_REFCOUNT when the device or the
    // DirectDraw object kept references.
    HRESULT Close();
    HRESULT Present();
    HRESULT RestoreLostSurfaces();
    void TrackWindowPosition(int x, int y);
    HRESULT ShowDesktopSurface(bool redrawFrame);

    // Owned by the display; borrowers never release them.
    IDirectDraw7* directDraw = nullptr;
    IDirect3D7* direct3D = nullptr;
    IDirect3DDevice7* device = nullptr;
    IDirectDrawSurface7* primary = nullptr;
    IDirectDrawSurface7* backBuffer = nullptr;

    HWND window = nullptr;
    bool fullscreen = false;
    int bufferWidth = 0;
    int bufferHeight = 0;
    RECT presentRect = {};

private:
    HRESULT OpenDirectDraw(GUID* driverGuid);
    HRESULT BuildFullscreenChain(const DDSURFACEDESC2& mode);
    HRESULT BuildWindowedSurfaces();
    HRESULT OpenDevice(GUID* deviceGuid);
};
