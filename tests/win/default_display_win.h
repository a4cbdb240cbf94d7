// Wine's default display device and the pixels of its surfaces, for the
// tests that draw for real.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include <cstring>

#include "display/device_table_win.h"

// Enumerates the devices afresh and returns the default one. On a machine
// without one the test is marked skipped, with the reason, and the result is
// null: the caller returns at once.
inline DeviceEntry* DefaultDevice()
{
    DeviceEntry* device = nullptr;
    const HRESULT enumerated = EnumerateDisplayDevices(nullptr);
    const HRESULT chosen =
        SUCCEEDED(enumerated) ? ChooseDefaultDisplayDevice(&device, 0) : enumerated;
    if (FAILED(chosen)) {
        [chosen] {
            GTEST_SKIP() << "no Direct3D device to draw with (0x" << std::hex << chosen << ")";
        }();
        return nullptr;
    }
    return device;
}

// The bits of the pixel at (x, y) of a surface; 0xDEADBEEF when it cannot
// be locked.
inline DWORD SurfacePixel(IDirectDrawSurface7* surface, int x, int y)
{
    RECT rect{x, y, x + 1, y + 1};
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(surface->Lock(&rect, &desc, DDLOCK_READONLY | DDLOCK_WAIT, nullptr))) {
        return 0xDEADBEEF;
    }
    DWORD pixel = 0;
    std::memcpy(&pixel, desc.lpSurface, desc.ddpfPixelFormat.dwRGBBitCount / 8);
    surface->Unlock(&rect);
    return pixel;
}
