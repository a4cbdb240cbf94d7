// A DirectDraw driver and its Direct3D interface as the device enumeration
// sees them, for machines Wine cannot stand for: secondary drivers with
// software devices, drivers without Direct3D, devices that render only some
// bit depths. Only what the enumeration calls does anything, and
// CreateSurface, which records what it was asked for and passes the request
// on to a real DirectDraw object; every other method answers E_NOTIMPL.
// Each object counts the references it hands out and gets back, so a test
// can check that every one was given back exactly once. The test owns the
// objects: a Release to zero does not delete them.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

#include <string>
#include <vector>

// References handed out (creation, AddRef, QueryInterface) and given back.
struct FakeReferences {
    long handedOut = 0;
    long released = 0;

    ULONG Add() { return static_cast<ULONG>(++handedOut - released); }
    ULONG Drop() { return static_cast<ULONG>(handedOut - ++released); }
};

struct FakeD3DDevice {
    std::string name;
    D3DDEVICEDESC7 desc;
};

class FakeDirect3D : public IDirect3D7 {
public:
    std::vector<FakeD3DDevice> devices;
    FakeReferences references;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references.Drop(); }
    HRESULT STDMETHODCALLTYPE EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context) override
    {
        char description[] = "fake device";
        for (FakeD3DDevice& device : devices) {
            D3DDEVICEDESC7 desc = device.desc;
            if (callback(description, &device.name[0], &desc, context) == D3DENUMRET_CANCEL) {
                break;
            }
        }
        return D3D_OK;
    }

    // Not used by the enumeration.
    HRESULT STDMETHODCALLTYPE CreateDevice(REFCLSID, IDirectDrawSurface7*, IDirect3DDevice7**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(D3DVERTEXBUFFERDESC*, IDirect3DVertexBuffer7**, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumZBufferFormats(REFCLSID, LPD3DENUMPIXELFORMATSCALLBACK, void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EvictManagedTextures() override { return E_NOTIMPL; }
};

class FakeDirectDraw : public IDirectDraw7 {
public:
    DDCAPS caps{};  // given as both the driver and the emulation capabilities
    std::vector<DDSURFACEDESC2> modes;
    FakeDirect3D* direct3D = nullptr;  // null: the driver has no Direct3D
    IDirectDraw7* surfacesFrom = nullptr;  // makes the surfaces asked for
    DWORD lockMadeWithCaps = 0;  // surfaces asked for with these caps come back locked
    std::vector<DDSURFACEDESC2> surfaceRequests;
    FakeReferences references;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (!IsEqualGUID(iid, IID_IDirect3D7) || !direct3D) {
            return E_NOINTERFACE;
        }
        direct3D->AddRef();
        *out = static_cast<IDirect3D7*>(direct3D);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references.Drop(); }
    HRESULT STDMETHODCALLTYPE GetCaps(DDCAPS* driver, DDCAPS* emulation) override
    {
        for (DDCAPS* out : {driver, emulation}) {
            if (!out || out->dwSize != sizeof(DDCAPS)) {
                return DDERR_INVALIDPARAMS;
            }
            *out = caps;
            out->dwSize = sizeof(DDCAPS);
        }
        return DD_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD, DDSURFACEDESC2*, void* context,
                                               LPDDENUMMODESCALLBACK2 callback) override
    {
        for (const DDSURFACEDESC2& mode : modes) {
            DDSURFACEDESC2 copy = mode;
            if (callback(&copy, context) == DDENUMRET_CANCEL) {
                break;
            }
        }
        return DD_OK;
    }

    HRESULT STDMETHODCALLTYPE CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface,
                                            IUnknown* outer) override
    {
        surfaceRequests.push_back(*desc);
        if (!surfacesFrom) {
            return E_NOTIMPL;
        }
        const HRESULT made = surfacesFrom->CreateSurface(desc, surface, outer);
        if (SUCCEEDED(made) && lockMadeWithCaps &&
            (desc->ddsCaps.dwCaps & lockMadeWithCaps) == lockMadeWithCaps) {
            DDSURFACEDESC2 locked = *desc;
            (*surface)->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr);
        }
        return made;
    }

    // Not used.
    HRESULT STDMETHODCALLTYPE Compact() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateClipper(DWORD, IDirectDrawClipper**, IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePalette(DWORD, PALETTEENTRY*, IDirectDrawPalette**, IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DuplicateSurface(IDirectDrawSurface7*, IDirectDrawSurface7**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumSurfaces(DWORD, DDSURFACEDESC2*, void*, LPDDENUMSURFACESCALLBACK7) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FlipToGDISurface() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDisplayMode(DDSURFACEDESC2*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFourCCCodes(DWORD*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetGDISurface(IDirectDrawSurface7**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMonitorFrequency(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetScanLine(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVerticalBlankStatus(WINBOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RestoreDisplayMode() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD, DWORD, DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD, HANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAvailableVidMem(DDSCAPS2*, DWORD*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSurfaceFromDC(HDC, IDirectDrawSurface7**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RestoreAllSurfaces() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDeviceIdentifier(DDDEVICEIDENTIFIER2*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE StartModeTest(SIZE*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EvaluateMode(DWORD, DWORD*) override { return E_NOTIMPL; }
};
