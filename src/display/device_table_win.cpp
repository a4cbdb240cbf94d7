#include "display/device_table_win.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "display/com_release_win.h"
#include "framework/status_codes.h"

namespace {

struct DeviceTable {
    DeviceEntry entries[kMaxDisplayDevices];
    DWORD accepted;
    DWORD seen;
    DeviceConfirmHook hook;
    // Secondary drivers can never hold the default device, so they are
    // enumerated only when the whole table is asked for.
    bool secondariesPending;
    // The primary driver's object, kept for the display's first open:
    // setting a driver up again costs a tenth of a second under Wine.
    IDirectDraw7* keptPrimary;
};

DeviceTable table;

const DisplayDriverFunctions kPlatformFunctions{DirectDrawEnumerateExA, DirectDrawCreateEx};
DisplayDriverFunctions driverFunctions = kPlatformFunctions;

// What all devices of one driver share, while that driver is enumerated.
struct DriverTemplate {
    DeviceEntry shared;
    DDSURFACEDESC2* modes = nullptr;
    DWORD modeCount = 0;
    DWORD modeCapacity = 0;
    ~DriverTemplate() { delete[] modes; }
};

bool AppendMode(DriverTemplate& driver, const DDSURFACEDESC2& mode)
{
    if (driver.modeCount == driver.modeCapacity) {
        const DWORD capacity = driver.modeCapacity ? driver.modeCapacity * 2 : 32;
        auto* grown = new (std::nothrow) DDSURFACEDESC2[capacity];
        if (!grown) {
            return false;
        }
        std::copy(driver.modes, driver.modes + driver.modeCount, grown);
        delete[] driver.modes;
        driver.modes = grown;
        driver.modeCapacity = capacity;
    }
    driver.modes[driver.modeCount++] = mode;
    return true;
}

HRESULT WINAPI OnDisplayMode(DDSURFACEDESC2* mode, void* context)
{
    if (mode) {
        AppendMode(*static_cast<DriverTemplate*>(context), *mode);
    }
    return DDENUMRET_OK;
}

// Keeps the driver's modes this device can render into; false when none.
bool KeepRenderableModes(DeviceEntry& entry, const DriverTemplate& driver)
{
    const DWORD depths = entry.rasterizerDesc.dwDeviceRenderBitDepth;
    DWORD kept = 0;
    for (DWORD i = 0; i < driver.modeCount; ++i) {
        kept += DeviceRendersDepth(ModeKeyOf(driver.modes[i]).bits, depths) ? 1 : 0;
    }
    if (kept == 0) {
        return false;
    }
    entry.modeList = new (std::nothrow) DDSURFACEDESC2[kept];
    if (!entry.modeList) {
        return false;
    }
    for (DWORD i = 0; i < driver.modeCount; ++i) {
        if (DeviceRendersDepth(ModeKeyOf(driver.modes[i]).bits, depths)) {
            entry.modeList[entry.modeTotal++] = driver.modes[i];
        }
    }
    return true;
}

HRESULT WINAPI OnDevice(char*, char* deviceName, D3DDEVICEDESC7* desc, void* context)
{
    ++table.seen;
    if (!desc || table.accepted >= kMaxDisplayDevices) {
        return D3DENUMRET_OK;
    }
    const DriverTemplate& driver = *static_cast<DriverTemplate*>(context);
    DeviceEntry& entry = table.entries[table.accepted];
    std::memset(&entry, 0, sizeof entry);
    entry.hardwareRaster = desc->dwDevCaps & D3DDEVCAPS_HWRASTERIZATION;
    entry.rasterizerDesc = *desc;
    entry.windowCapable = driver.shared.windowCapable;
    entry.adapterCaps = driver.shared.adapterCaps;
    entry.emulationCaps = driver.shared.emulationCaps;
    entry.rasterizerGuidStore = desc->deviceGUID;
    entry.rasterizerGuid = &entry.rasterizerGuidStore;
    if (driver.shared.adapterGuid) {
        entry.adapterGuidStore = driver.shared.adapterGuidStore;
        entry.adapterGuid = &entry.adapterGuidStore;
        std::memcpy(entry.label, driver.shared.label, sizeof entry.label);
    } else {
        CopyDeviceLabel(entry.label, deviceName);
    }
    // Software devices are offered only on the primary display driver.
    const bool rejected = (entry.adapterGuid && !entry.hardwareRaster) ||
                          (table.hook && table.hook(&entry.adapterCaps, &entry.rasterizerDesc) < 0) ||
                          !KeepRenderableModes(entry, driver);
    if (rejected) {
        delete[] entry.modeList;
        std::memset(&entry, 0, sizeof entry);
        return D3DENUMRET_OK;
    }
    ChooseMode(entry, kDefaultMode);
    entry.inWindow = entry.windowCapable;
    ++table.accepted;
    return D3DENUMRET_OK;
}

// Steps through one driver's capabilities, modes and Direct3D devices into
// the table. The caller keeps its reference to the DirectDraw object.
void EnumerateDriver(IDirectDraw7* directDraw, GUID* driverGuid, const char* description)
{
    IDirect3D7* direct3D = nullptr;
    if (FAILED(directDraw->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&direct3D)))) {
        return;
    }
    {
        DriverTemplate driver;
        std::memset(&driver.shared, 0, sizeof driver.shared);
        CopyDeviceLabel(driver.shared.label, description);
        driver.shared.adapterCaps.dwSize = sizeof(DDCAPS);
        driver.shared.emulationCaps.dwSize = sizeof(DDCAPS);
        directDraw->GetCaps(&driver.shared.adapterCaps, &driver.shared.emulationCaps);
        if (driverGuid) {
            driver.shared.adapterGuidStore = *driverGuid;
            driver.shared.adapterGuid = &driver.shared.adapterGuidStore;
        }
        driver.shared.windowCapable =
            (driver.shared.adapterCaps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED) && !driverGuid ? 1 : 0;
        directDraw->EnumDisplayModes(0, nullptr, &driver, OnDisplayMode);
        std::sort(driver.modes, driver.modes + driver.modeCount,
                  [](const DDSURFACEDESC2& a, const DDSURFACEDESC2& b) {
                      return CompareDisplayModes(a, b) < 0;
                  });
        direct3D->EnumDevices(OnDevice, &driver);
    }
    direct3D->Release();
}

// The primary display driver has been enumerated on its own already.
BOOL WINAPI OnSecondaryDriver(GUID* driverGuid, char* description, char*, void*, HMONITOR)
{
    if (!driverGuid) {
        return TRUE;
    }
    IDirectDraw7* directDraw = nullptr;
    if (SUCCEEDED(driverFunctions.createDirectDraw(driverGuid, reinterpret_cast<void**>(&directDraw),
                                                   IID_IDirectDraw7, nullptr))) {
        EnumerateDriver(directDraw, driverGuid, description);
        directDraw->Release();
    }
    return TRUE;
}

void EnumerateSecondaryDrivers()
{
    table.secondariesPending = false;
    driverFunctions.enumerateDrivers(OnSecondaryDriver, nullptr,
                                     DDENUM_ATTACHEDSECONDARYDEVICES |
                                         DDENUM_DETACHEDSECONDARYDEVICES |
                                         DDENUM_NONDISPLAYDEVICES);
}

}  // namespace

static_assert(sizeof(DDCAPS) == 380);
#ifndef _WIN64
// The viewer's mode records. The 64-bit build of the same sources has 136
// bytes: the record holds a pointer (lpSurface).
static_assert(sizeof(DDSURFACEDESC2) == 124);
#endif

ModeKey ModeKeyOf(const DDSURFACEDESC2& mode)
{
    return ModeKey{mode.dwWidth, mode.dwHeight, mode.ddpfPixelFormat.dwRGBBitCount};
}

void ChooseMode(DeviceEntry& device, const ModeKey& wanted)
{
    const int found = LastModeIndex(device.modeList, device.modeTotal, ModeKeyOf, wanted);
    if (found >= 0) {
        device.chosenMode = device.modeList[found];
        device.modeIndex = static_cast<DWORD>(found);
    }
}

int CompareDisplayModes(const DDSURFACEDESC2& a, const DDSURFACEDESC2& b)
{
    return CompareModeKeys(ModeKeyOf(a), ModeKeyOf(b));
}

void SetDisplayDriverFunctions(const DisplayDriverFunctions* functions)
{
    driverFunctions = functions ? *functions : kPlatformFunctions;
}

HRESULT EnumerateDisplayDevices(DeviceConfirmHook hook)
{
    // A second enumeration (another application object) starts afresh.
    ReleaseDisplayDevices();
    std::memset(&table, 0, sizeof table);
    table.hook = hook;
    IDirectDraw7* primary = nullptr;
    if (SUCCEEDED(driverFunctions.createDirectDraw(nullptr, reinterpret_cast<void**>(&primary),
                                                   IID_IDirectDraw7, nullptr))) {
        EnumerateDriver(primary, nullptr, "");
    } else {
        primary = nullptr;  // a failed creation hands over nothing to release
    }
    if (table.accepted > 0) {
        table.keptPrimary = primary;
        table.secondariesPending = true;
        return S_OK;
    }
    ReleaseAndClear(primary);
    EnumerateSecondaryDrivers();
    if (table.seen == 0) {
        return APPERR_ENUMERATION_FAILED;
    }
    return table.accepted == 0 ? APPERR_NO_COMPATIBLE_DEVICES : S_OK;
}

IDirectDraw7* TakeEnumeratedDirectDraw(const GUID* driverGuid)
{
    IDirectDraw7* kept = nullptr;
    if (!driverGuid) {
        std::swap(kept, table.keptPrimary);
    }
    return kept;
}

void GetDisplayDevices(DeviceEntry** first, DWORD* count)
{
    if (table.secondariesPending) {
        EnumerateSecondaryDrivers();
    }
    if (first) {
        *first = table.entries;
    }
    if (count) {
        *count = table.accepted;
    }
}

HRESULT ChooseDefaultDisplayDevice(DeviceEntry** selected, DWORD flags)
{
    if (!selected) {
        return E_INVALIDARG;
    }
    DeviceFacts facts[kMaxDisplayDevices];
    for (DWORD i = 0; i < table.accepted; ++i) {
        const DeviceEntry& e = table.entries[i];
        facts[i] = DeviceFacts{e.windowCapable != 0, e.hardwareRaster != 0,
                               IsEqualGUID(e.rasterizerGuidStore, IID_IDirect3DTnLHalDevice) != 0,
                               IsEqualGUID(e.rasterizerGuidStore, IID_IDirect3DRefDevice) != 0};
    }
    const int chosen = ChooseDefaultDeviceIndex(facts, table.accepted, flags);
    if (chosen < 0) {
        return APPERR_NO_D3D_DEVICES;
    }
    *selected = &table.entries[chosen];
    (*selected)->inWindow = 1;
    return S_OK;
}

void ReleaseDisplayDevices()
{
    ReleaseAndClear(table.keptPrimary);
    table.secondariesPending = false;
    for (DWORD i = 0; i < table.accepted; ++i) {
        delete[] table.entries[i].modeList;
        table.entries[i].modeList = nullptr;
    }
}
