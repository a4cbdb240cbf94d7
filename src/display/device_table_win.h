// The process-wide table of usable Direct3D devices: every DirectDraw
// driver's Direct3D devices with the display modes they can render into,
// and the choice of the default device.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

#include "display/device_rules.h"

// An application's device filter: a negative result rejects the device.
typedef HRESULT (*DeviceConfirmHook)(DDCAPS* adapterCaps, D3DDEVICEDESC7* deviceDesc);

struct DeviceEntry {
    char label[kDeviceLabelCapacity];  // device name (primary driver) or driver description
    GUID* rasterizerGuid;              // points at rasterizerGuidStore
    D3DDEVICEDESC7 rasterizerDesc;
    DWORD hardwareRaster;  // D3DDEVCAPS_HWRASTERIZATION of the description
    GUID* adapterGuid;     // null for the primary display driver, else adapterGuidStore
    DDCAPS adapterCaps;
    DDCAPS emulationCaps;
    DDSURFACEDESC2 chosenMode;  // the full-screen mode to use
    DWORD inWindow;             // 1: in a desktop window; 0: full screen in chosenMode
    GUID rasterizerGuidStore;
    GUID adapterGuidStore;
    DDSURFACEDESC2* modeList;  // owned; the modes this device renders into, sorted
    DWORD modeTotal;
    DWORD modeIndex;      // index of the mode last copied into chosenMode
    DWORD windowCapable;  // primary driver that can render windowed
};

constexpr DWORD kMaxDisplayDevices = 20;

// The platform functions the enumeration calls: the real ones, unless a test
// has put fakes in their place to stand for another machine.
struct DisplayDriverFunctions {
    decltype(&DirectDrawEnumerateExA) enumerateDrivers;
    decltype(&DirectDrawCreateEx) createDirectDraw;
};

// The following enumerations use functions; null goes back to the real ones.
void SetDisplayDriverFunctions(const DisplayDriverFunctions* functions);

// Fills the table, replacing what an earlier call found. 0; APPERR_ENUMERATION_FAILED when no driver
// reported a Direct3D device; APPERR_NO_COMPATIBLE_DEVICES when none was
// accepted. Devices beyond the table's 20 entries are ignored. The primary
// display driver comes first; when it has usable devices, the other drivers
// are enumerated by the first GetDisplayDevices, and the primary driver's
// DirectDraw object is kept for TakeEnumeratedDirectDraw.
HRESULT EnumerateDisplayDevices(DeviceConfirmHook hook);

// The DirectDraw object the enumeration kept for the driver (null: the
// primary display driver), with its reference; null when none is kept. The
// object is handed out once.
IDirectDraw7* TakeEnumeratedDirectDraw(const GUID* driverGuid);

// The whole table and its accepted count; either pointer may be null.
void GetDisplayDevices(DeviceEntry** first, DWORD* count);

// Points *selected at the default entry and sets its inWindow. E_INVALIDARG
// for a null pointer; APPERR_NO_D3D_DEVICES when no entry qualifies.
HRESULT ChooseDefaultDisplayDevice(DeviceEntry** selected, DWORD flags);

// Frees every entry's mode list and the kept DirectDraw object.
void ReleaseDisplayDevices();

// Copies the last of the device's modes equal to wanted into chosenMode;
// leaves the choice alone when none matches.
void ChooseMode(DeviceEntry& device, const ModeKey& wanted);

int CompareDisplayModes(const DDSURFACEDESC2& a, const DDSURFACEDESC2& b);

// The width, height and bit depth of a mode record.
ModeKey ModeKeyOf(const DDSURFACEDESC2& mode);
