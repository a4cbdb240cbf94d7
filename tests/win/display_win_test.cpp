// The device table and CD3DDisplay against Wine's real DirectDraw and
// Direct3D on the Xvfb display.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "display/d3d_display_win.h"
#include "display/device_table_win.h"
#include "framework/status_codes.h"
#include "default_display_win.h"
#include "test_window_win.h"

namespace {

// The colour at screen position (x, y) of the primary surface, 0xRRGGBB.
DWORD PrimaryPixel(IDirectDrawSurface7* primary, int x, int y)
{
    return SurfacePixel(primary, x, y) & 0xFFFFFF;
}

// The colour at screen position (x, y) as GDI sees the desktop, 0xRRGGBB:
// Wine keeps what DirectDraw blits to its primary surface apart from it.
DWORD ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return (DWORD{GetRValue(c)} << 16) | (DWORD{GetGValue(c)} << 8) | GetBValue(c);
}

// The device's mode of the desktop's size, or null.
const DDSURFACEDESC2* DesktopMode(const DeviceEntry& device)
{
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const DDSURFACEDESC2* found = nullptr;
    for (DWORD i = 0; i < device.modeTotal; ++i) {
        const DDSURFACEDESC2& m = device.modeList[i];
        if (int(m.dwWidth) == width && int(m.dwHeight) == height) {
            found = &m;
        }
    }
    return found;
}

// Exclusive full-screen mode takes a window over: DirectDraw puts its own
// procedure in place of the window's and keeps the window above all others.
bool HeldExclusively(HWND window, LONG_PTR ownProcedure)
{
    return GetWindowLongPtrA(window, GWLP_WNDPROC) != ownProcedure ||
           (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

}  // namespace

TEST(DeviceTable, WinesDevicesAreAcceptedAndTheDefaultIsTheTnLHal)
{
    DeviceEntry* device = DefaultDevice();
    if (!device) {
        return;
    }
    EXPECT_TRUE(IsEqualGUID(*device->rasterizerGuid, IID_IDirect3DTnLHalDevice));
    EXPECT_EQ(device->inWindow, 1u);
    EXPECT_EQ(device->windowCapable, 1u);
    EXPECT_EQ(device->adapterGuid, nullptr);

    DeviceEntry* entries = nullptr;
    DWORD count = 0;
    GetDisplayDevices(&entries, &count);
    ASSERT_GE(count, 2u);
    ASSERT_LE(count, kMaxDisplayDevices);
    for (DWORD i = 0; i < count; ++i) {
        const DeviceEntry& e = entries[i];
        SCOPED_TRACE(e.label);
        EXPECT_LE(std::strlen(e.label), 38u);
        EXPECT_EQ(e.rasterizerGuid, &e.rasterizerGuidStore);
        ASSERT_GE(e.modeTotal, 1u);
        for (DWORD m = 0; m < e.modeTotal; ++m) {
            EXPECT_TRUE(DeviceRendersDepth(e.modeList[m].ddpfPixelFormat.dwRGBBitCount,
                                           e.rasterizerDesc.dwDeviceRenderBitDepth));
            if (m > 0) {
                EXPECT_LE(CompareDisplayModes(e.modeList[m - 1], e.modeList[m]), 0);
            }
        }
    }

    // Wine's secondary drivers offer hardware devices: listed under the
    // driver's description, never windowed, never the default.
    int secondary = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (entries[i].adapterGuid) {
            ++secondary;
            EXPECT_EQ(entries[i].adapterGuid, &entries[i].adapterGuidStore);
            EXPECT_EQ(entries[i].windowCapable, 0u);
            EXPECT_NE(entries[i].hardwareRaster, 0u);
            EXPECT_NE(&entries[i], device);
        }
    }
    EXPECT_GT(secondary, 0);

    // Every device of Wine's claims hardware rasterization, so there is no
    // software device to fall back to.
    DeviceEntry* software = nullptr;
    EXPECT_EQ(ChooseDefaultDisplayDevice(&software, DEVCHOICE_SOFTWARE_ONLY), APPERR_NO_D3D_DEVICES);
    EXPECT_EQ(software, nullptr);
    EXPECT_EQ(ChooseDefaultDisplayDevice(nullptr, 0), E_INVALIDARG);
}

TEST(Display, PresentBeforeOpenAndMissingArguments)
{
    CD3DDisplay display;
    EXPECT_EQ(display.Present(), FWERR_NOT_INITIALIZED);
    EXPECT_EQ(display.Close(), S_OK);
    DeviceEntry* device = DefaultDevice();
    if (!device) {
        return;
    }
    TestWindow window(400, 300);
    EXPECT_EQ(display.Open(nullptr, nullptr, device->rasterizerGuid, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(display.Open(window.Handle(), nullptr, nullptr, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(display.Open(window.Handle(), nullptr, device->rasterizerGuid, nullptr,
                           DISPLAY_FULLSCREEN),
              E_INVALIDARG);
    EXPECT_EQ(display.directDraw, nullptr);
}

TEST(Display, WindowedFrameReachesTheScreen)
{
    DeviceEntry* device = DefaultDevice();
    if (!device) {
        return;
    }
    TestWindow window(400, 300);
    CD3DDisplay display;
    ASSERT_EQ(display.Open(window.Handle(), device->adapterGuid, device->rasterizerGuid,
                           &device->chosenMode, 0),
              S_OK);
    RECT client;
    GetClientRect(window.Handle(), &client);
    EXPECT_EQ(display.bufferWidth, client.right);
    EXPECT_EQ(display.bufferHeight, client.bottom);
    POINT origin{0, 0};
    ClientToScreen(window.Handle(), &origin);
    EXPECT_EQ(display.presentRect.left, origin.x);
    EXPECT_EQ(display.presentRect.top, origin.y);

    ASSERT_EQ(display.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FF8040, 1.0f, 0), S_OK);
    ASSERT_EQ(display.Present(), S_OK);
    EXPECT_EQ(PrimaryPixel(display.primary, origin.x + 10, origin.y + 10), 0xFF8040u);
    EXPECT_EQ(PrimaryPixel(display.primary, origin.x + client.right - 2,
                           origin.y + client.bottom - 2),
              0xFF8040u);

    // The destination follows the window; the buffer keeps its size.
    display.TrackWindowPosition(origin.x + 30, origin.y + 20);
    EXPECT_EQ(display.presentRect.left, origin.x + 30);
    EXPECT_EQ(display.presentRect.top, origin.y + 20);
    EXPECT_EQ(display.presentRect.right - display.presentRect.left, client.right);

    EXPECT_EQ(display.Close(), S_OK);
    EXPECT_EQ(display.device, nullptr);
    EXPECT_EQ(display.directDraw, nullptr);
    EXPECT_EQ(display.Present(), FWERR_NOT_INITIALIZED);
}

// Windows may hang over any edge of the screen: the part on the screen
// shows the matching part of the frame, and a window wholly off the screen
// presents nothing without an error.
TEST(Display, WindowPartlyOffTheScreenShowsItsVisiblePart)
{
    DeviceEntry* device = DefaultDevice();
    if (!device) {
        return;
    }
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        const char* label;
        int x, y;
    };
    const Case cases[] = {
        {"over the left edge", -150, 100},
        {"over the top edge", 100, -150},
        {"over the right edge", screenWidth - 200, 100},
        {"over the bottom edge", 100, screenHeight - 120},
        {"beyond the right edge", screenWidth + 50, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TestWindow window(400, 300, c.x, c.y);
        CD3DDisplay display;
        ASSERT_EQ(display.Open(window.Handle(), device->adapterGuid, device->rasterizerGuid,
                               &device->chosenMode, 0),
                  S_OK);
        // The frame's left half orange, its right half blue.
        D3DRECT left{0, 0, display.bufferWidth / 2, display.bufferHeight};
        D3DRECT right{display.bufferWidth / 2, 0, display.bufferWidth, display.bufferHeight};
        ASSERT_EQ(display.device->Clear(1, &left, D3DCLEAR_TARGET, 0x00FF8040, 1.0f, 0), S_OK);
        ASSERT_EQ(display.device->Clear(1, &right, D3DCLEAR_TARGET, 0x002040FF, 1.0f, 0), S_OK);
        EXPECT_EQ(display.Present(), S_OK);

        // Every corner of the client area that lies on the screen shows its half.
        const RECT& target = display.presentRect;
        int seen = 0;
        for (const POINT corner : {POINT{target.left + 2, target.top + 2},
                                   POINT{target.right - 3, target.top + 2},
                                   POINT{target.left + 2, target.bottom - 3},
                                   POINT{target.right - 3, target.bottom - 3}}) {
            if (corner.x < 0 || corner.y < 0 || corner.x >= screenWidth || corner.y >= screenHeight) {
                continue;
            }
            const bool leftHalf = corner.x - target.left < display.bufferWidth / 2;
            EXPECT_EQ(ScreenPixel(corner.x, corner.y), leftHalf ? 0xFF8040u : 0x2040FFu)
                << "at " << corner.x << ", " << corner.y;
            ++seen;
        }
        EXPECT_EQ(seen, c.x > screenWidth ? 0 : 2) << "two corners on the screen";
        EXPECT_EQ(display.Close(), S_OK);
    }
}

TEST(Display, FullscreenAtTheDesktopModeAndBack)
{
    DeviceEntry* device = DefaultDevice();
    if (!device) {
        return;
    }
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const DDSURFACEDESC2* desktopMode = DesktopMode(*device);
    ASSERT_NE(desktopMode, nullptr);
    DDSURFACEDESC2 mode = *desktopMode;
    TestWindow window(400, 300);
    const LONG_PTR ownProcedure = GetWindowLongPtrA(window.Handle(), GWLP_WNDPROC);
    CD3DDisplay display;
    ASSERT_EQ(display.Open(window.Handle(), device->adapterGuid, device->rasterizerGuid, &mode,
                           DISPLAY_FULLSCREEN),
              S_OK);
    EXPECT_TRUE(HeldExclusively(window.Handle(), ownProcedure));
    EXPECT_TRUE(display.fullscreen);
    EXPECT_EQ(display.bufferWidth, width);
    EXPECT_EQ(display.presentRect.bottom, height);
    EXPECT_EQ(display.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x0000FF00, 1.0f, 0), S_OK);
    EXPECT_EQ(display.Present(), S_OK);
    display.TrackWindowPosition(50, 50);
    EXPECT_EQ(display.presentRect.left, 0);
    EXPECT_EQ(display.ShowDesktopSurface(true), S_OK);
    EXPECT_EQ(display.Close(), S_OK);
    EXPECT_FALSE(HeldExclusively(window.Handle(), ownProcedure)) << "exclusive mode given back";
}

TEST(Display, FullscreenModeThatCannotBeSetLeavesNothingBehind)
{
    DeviceEntry* device = DefaultDevice();
    if (!device) {
        return;
    }
    const DDSURFACEDESC2* desktopMode = DesktopMode(*device);
    ASSERT_NE(desktopMode, nullptr);
    DDSURFACEDESC2 mode = *desktopMode;
    TestWindow window(400, 300);
    const LONG_PTR ownProcedure = GetWindowLongPtrA(window.Handle(), GWLP_WNDPROC);
    const LONG ownStyle = GetWindowLongA(window.Handle(), GWL_STYLE);
    ASSERT_FALSE(HeldExclusively(window.Handle(), ownProcedure));

    // A made-up mode: exclusive mode is taken, then the mode switch fails.
    CD3DDisplay display;
    mode.dwWidth = 123;
    mode.dwHeight = 45;
    EXPECT_EQ(display.Open(window.Handle(), device->adapterGuid, device->rasterizerGuid, &mode,
                           DISPLAY_FULLSCREEN),
              FWERR_BAD_DISPLAY_MODE);
    EXPECT_EQ(display.directDraw, nullptr);
    EXPECT_EQ(display.direct3D, nullptr);
    EXPECT_EQ(display.device, nullptr);
    EXPECT_EQ(display.primary, nullptr);
    EXPECT_EQ(display.backBuffer, nullptr);
    EXPECT_EQ(display.Present(), FWERR_NOT_INITIALIZED);
    EXPECT_EQ(display.Close(), S_OK) << "nothing left to release";

    // Exclusive mode was given back: the window is its own again, and the
    // desktop kept its mode.
    EXPECT_FALSE(HeldExclusively(window.Handle(), ownProcedure));
    EXPECT_EQ(GetWindowLongA(window.Handle(), GWL_STYLE), ownStyle);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), int(desktopMode->dwWidth));
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), int(desktopMode->dwHeight));
}
