// The framework's status codes and the texts of its message boxes.
#pragma once

#include <cstddef>

#include "platform/platform_types.h"

constexpr HRESULT Status(unsigned long value) { return static_cast<HRESULT>(value); }

constexpr HRESULT APPERR_DDRAW_CREATE_FAILED = Status(0x81000001);
constexpr HRESULT APPERR_ENUMERATION_FAILED = Status(0x81000002);
constexpr HRESULT APPERR_NO_COMPATIBLE_DEVICES = Status(0x81000003);
constexpr HRESULT APPERR_NO_D3D_DEVICES = Status(0x81000004);
// The scene's own content failed (the panorama did not decode): no other
// device would mend it. Shown with the generic text.
constexpr HRESULT APPERR_SCENE_FAILED = Status(0x81000005);

constexpr HRESULT FWERR_GENERIC = Status(0x82000000);
constexpr HRESULT FWERR_NO_DIRECTDRAW = Status(0x82000001);
constexpr HRESULT FWERR_COOPERATIVE_LEVEL = Status(0x82000002);
constexpr HRESULT FWERR_NO_DIRECT3D = Status(0x82000003);
constexpr HRESULT FWERR_DEVICE_CREATE_FAILED = Status(0x82000004);
constexpr HRESULT FWERR_NO_ZBUFFER = Status(0x82000005);
constexpr HRESULT FWERR_BAD_ZBUFFER_DEPTH = Status(0x82000006);
constexpr HRESULT FWERR_NO_VIEWPORT = Status(0x82000007);
constexpr HRESULT FWERR_NO_PRIMARY = Status(0x82000008);
constexpr HRESULT FWERR_NO_CLIPPER = Status(0x82000009);
constexpr HRESULT FWERR_BAD_DISPLAY_MODE = Status(0x8200000A);
constexpr HRESULT FWERR_NO_BACKBUFFER = Status(0x8200000B);
constexpr HRESULT FWERR_NONZERO_REFCOUNT = Status(0x8200000C);
constexpr HRESULT FWERR_NO_RENDER_TARGET = Status(0x8200000D);
constexpr HRESULT FWERR_DESKTOP_TOO_FEW_COLORS = Status(0x8200000E);
constexpr HRESULT FWERR_NOT_INITIALIZED = Status(0x8200000F);

// DirectDraw's own codes that the framework names; the Windows build
// checks them against <ddraw.h>.
constexpr HRESULT STATUS_DD_OUTOFVIDEOMEMORY = Status(0x8876017C);
constexpr HRESULT STATUS_DD_NOTFOUND = Status(0x887600FF);

enum ErrorKind : int {
    ERRKIND_FATAL = 1,     // the program ends
    ERRKIND_FALLBACK = 2,  // the software rasterizer is tried instead
};

constexpr size_t kErrorTextCapacity = 512;

// The message for code and kind: the code's text (or the generic one), the
// chipset line for a failed device with the fallback kind, then the kind's
// ending.
void ComposeFrameworkError(HRESULT code, int kind, char (&text)[kErrorTextCapacity]);

// MB_ICONERROR for the fatal kind, MB_ICONWARNING for the fallback.
unsigned ErrorIcon(int kind);
