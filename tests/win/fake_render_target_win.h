// A render target whose only use is to lead to a DirectDraw object of the
// test's choice (GetDDInterface), so a test can see the surface
// descriptions the texture code asks that object for. Every other method
// answers E_NOTIMPL. It counts its references like the other fakes.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include "fake_directdraw_win.h"

class FakeRenderTarget : public IDirectDrawSurface7 {
public:
    IDirectDraw7* directDraw = nullptr;
    FakeReferences references;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references.Drop(); }
    HRESULT STDMETHODCALLTYPE GetDDInterface(void** out) override
    {
        *out = directDraw;
        if (!directDraw) {
            return DDERR_INVALIDOBJECT;
        }
        directDraw->AddRef();
        return DD_OK;
    }

    // Not used.
    HRESULT STDMETHODCALLTYPE AddAttachedSurface(IDirectDrawSurface7*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddOverlayDirtyRect(RECT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Blt(RECT*, IDirectDrawSurface7*, RECT*, DWORD, DDBLTFX*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BltBatch(DDBLTBATCH*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BltFast(DWORD, DWORD, IDirectDrawSurface7*, RECT*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteAttachedSurface(DWORD, IDirectDrawSurface7*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAttachedSurfaces(void*, LPDDENUMSURFACESCALLBACK7) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumOverlayZOrders(DWORD, void*, LPDDENUMSURFACESCALLBACK7) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Flip(IDirectDrawSurface7*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(DDSCAPS2*, IDirectDrawSurface7**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBltStatus(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCaps(DDSCAPS2*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipper(IDirectDrawClipper**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetColorKey(DWORD, DDCOLORKEY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDC(HDC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFlipStatus(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOverlayPosition(LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPalette(IDirectDrawPalette**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPixelFormat(DDPIXELFORMAT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(DDSURFACEDESC2*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(IDirectDraw*, DDSURFACEDESC2*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsLost() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Lock(RECT*, DDSURFACEDESC2*, DWORD, HANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Restore() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetClipper(IDirectDrawClipper*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetColorKey(DWORD, DDCOLORKEY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetOverlayPosition(LONG, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPalette(IDirectDrawPalette*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unlock(RECT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UpdateOverlay(RECT*, IDirectDrawSurface7*, RECT*, DWORD, DDOVERLAYFX*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UpdateOverlayDisplay(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UpdateOverlayZOrder(DWORD, IDirectDrawSurface7*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PageLock(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PageUnlock(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSurfaceDesc(DDSURFACEDESC2*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, void*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, void*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUniquenessValue(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ChangeUniquenessValue() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPriority(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPriority(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetLOD(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLOD(DWORD*) override { return E_NOTIMPL; }
};
