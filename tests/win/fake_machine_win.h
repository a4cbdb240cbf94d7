// A fake machine for the device table: drivers with their display modes and
// Direct3D devices, found by the enumeration in place of the platform's
// DirectDrawEnumerateExA and DirectDrawCreateEx while the machine exists.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "display/device_table_win.h"
#include "fake_directdraw_win.h"

inline DDSURFACEDESC2 Mode(const ModeKey& key)
{
    DDSURFACEDESC2 mode{};
    mode.dwSize = sizeof mode;
    mode.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    mode.dwWidth = key.width;
    mode.dwHeight = key.height;
    mode.dwRefreshRate = 60;
    mode.ddpfPixelFormat.dwSize = sizeof mode.ddpfPixelFormat;
    mode.ddpfPixelFormat.dwFlags = DDPF_RGB;
    mode.ddpfPixelFormat.dwRGBBitCount = key.bits;
    return mode;
}

// One DirectDraw driver of a fake machine, with its Direct3D interface.
struct FakeDriver {
    GUID guid{};
    bool primary = true;
    std::string description;
    std::string name = "display";
    bool createFails = false;
    FakeDirectDraw directDraw;
    FakeDirect3D direct3D;

    FakeDriver() { directDraw.direct3D = &direct3D; }

    FakeDriver& Device(const std::string& deviceName, const GUID& deviceGuid, DWORD devCaps,
                       DWORD renderDepths)
    {
        D3DDEVICEDESC7 desc{};
        desc.deviceGUID = deviceGuid;
        desc.dwDevCaps = devCaps;
        desc.dwDeviceRenderBitDepth = renderDepths;
        direct3D.devices.push_back(FakeD3DDevice{deviceName, desc});
        return *this;
    }
    FakeDriver& Modes(const std::vector<ModeKey>& keys)
    {
        for (const ModeKey& key : keys) {
            directDraw.modes.push_back(Mode(key));
        }
        return *this;
    }
    FakeDriver& WithoutDirect3D()
    {
        directDraw.direct3D = nullptr;
        return *this;
    }
};

// The drivers the enumeration finds while the machine exists.
class FakeMachine {
public:
    FakeMachine()
    {
        current = this;
        const DisplayDriverFunctions functions{EnumerateDrivers, CreateDirectDraw};
        SetDisplayDriverFunctions(&functions);
    }
    ~FakeMachine()
    {
        SetDisplayDriverFunctions(nullptr);
        current = nullptr;
    }
    FakeMachine(const FakeMachine&) = delete;
    FakeMachine& operator=(const FakeMachine&) = delete;

    FakeDriver& Primary(DWORD caps2 = DDCAPS2_CANRENDERWINDOWED)
    {
        return Add(nullptr, "Primary Display Driver", caps2);
    }
    FakeDriver& Secondary(const GUID& guid, const std::string& description,
                          DWORD caps2 = DDCAPS2_CANRENDERWINDOWED)
    {
        return Add(&guid, description, caps2);
    }

    // Every reference the enumeration took it gave back, exactly once, once
    // the primary driver's kept object is taken as the display would.
    void ExpectEveryReferenceReturned() const
    {
        if (IDirectDraw7* kept = TakeEnumeratedDirectDraw(nullptr)) {
            kept->Release();
        }
        for (const auto& driver : drivers_) {
            SCOPED_TRACE(driver->description);
            const FakeReferences& dd = driver->directDraw.references;
            const FakeReferences& d3d = driver->direct3D.references;
            EXPECT_EQ(dd.handedOut, dd.released) << "IDirectDraw7";
            EXPECT_EQ(d3d.handedOut, d3d.released) << "IDirect3D7";
            EXPECT_EQ(dd.handedOut > 0, !driver->createFails) << "every driver is tried";
            EXPECT_EQ(d3d.handedOut > 0, !driver->createFails && driver->directDraw.direct3D);
        }
    }

    DWORD enumerateFlags = 0;
    void* enumerateContext = reinterpret_cast<void*>(1);

private:
    FakeDriver& Add(const GUID* guid, const std::string& description, DWORD caps2)
    {
        drivers_.push_back(std::make_unique<FakeDriver>());
        FakeDriver& driver = *drivers_.back();
        driver.primary = guid == nullptr;
        driver.guid = guid ? *guid : GUID{};
        driver.description = description;
        driver.directDraw.caps.dwSize = sizeof(DDCAPS);
        driver.directDraw.caps.dwCaps2 = caps2;
        return driver;
    }

    static HRESULT WINAPI EnumerateDrivers(LPDDENUMCALLBACKEXA callback, void* context, DWORD flags)
    {
        current->enumerateFlags = flags;
        current->enumerateContext = context;
        for (const auto& driver : current->drivers_) {
            if (!callback(driver->primary ? nullptr : &driver->guid, &driver->description[0],
                          &driver->name[0], context, nullptr)) {
                break;
            }
        }
        return DD_OK;
    }

    // A driver that cannot be created still leaves its object in *out, as a
    // careless driver may: the caller must not release what it was not given.
    static HRESULT WINAPI CreateDirectDraw(GUID* guid, void** out, REFIID iid, IUnknown* outer)
    {
        *out = nullptr;
        for (const auto& driver : current->drivers_) {
            const bool matches = guid ? !driver->primary && IsEqualGUID(*guid, driver->guid)
                                      : driver->primary;
            if (!matches || outer || !IsEqualGUID(iid, IID_IDirectDraw7)) {
                continue;
            }
            *out = static_cast<IDirectDraw7*>(&driver->directDraw);
            if (driver->createFails) {
                return DDERR_NODIRECTDRAWHW;
            }
            driver->directDraw.AddRef();
            return DD_OK;
        }
        return DDERR_NODIRECTDRAWHW;
    }

    static inline FakeMachine* current = nullptr;
    std::vector<std::unique_ptr<FakeDriver>> drivers_;
};
