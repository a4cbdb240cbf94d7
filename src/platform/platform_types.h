// Platform type and status names used by the portable core.
// On Windows they come from the real headers; on other hosts this file
// defines the same names with the same layout, so the core compiles and is
// tested natively.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#include <d3dtypes.h>
#else

typedef int32_t HRESULT;

#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)0x80004005)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
struct HICON__;
typedef HICON__* HCURSOR;

// Only ever held by the core, never called: the shell owns every surface call.
struct IDirectDrawSurface7;

typedef uint32_t DWORD;

// The fields of DirectDraw's pixel format that the texture rules read; the
// real structure has unions around the bit count and the masks.
struct DDPIXELFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    DWORD dwRGBBitCount;
    DWORD dwRBitMask;
    DWORD dwGBitMask;
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
};

typedef float D3DVALUE;

struct D3DVECTOR {
    D3DVALUE x, y, z;
};

struct D3DMATRIX {
    D3DVALUE _11, _12, _13, _14;
    D3DVALUE _21, _22, _23, _24;
    D3DVALUE _31, _32, _33, _34;
    D3DVALUE _41, _42, _43, _44;
};

#endif

static_assert(sizeof(HRESULT) == 4, "status codes are 32-bit");
static_assert(sizeof(DDPIXELFORMAT) == 32 && offsetof(DDPIXELFORMAT, dwRGBAlphaBitMask) == 28,
              "DDPIXELFORMAT is eight 32-bit fields");
static_assert(sizeof(D3DVECTOR) == 12 && offsetof(D3DVECTOR, z) == 8, "D3DVECTOR is x, y, z");
static_assert(sizeof(D3DMATRIX) == 64 && offsetof(D3DMATRIX, _21) == 16 &&
                  offsetof(D3DMATRIX, _44) == 60,
              "D3DMATRIX is sixteen floats, row by row");
