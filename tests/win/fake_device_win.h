// A Direct3D device that reports other capabilities and texture formats
// than Wine's, for the cases the real device cannot show: it answers
// GetCaps and EnumTextureFormats itself and hands out the render target of
// the real device it wraps, or one the test gives it. Nothing else is used
// by the code under test.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

#include <vector>

class FakeDevice : public IDirect3DDevice7 {
public:
    explicit FakeDevice(IDirect3DDevice7* real) : real_(real) { real_->GetCaps(&caps); }

    D3DDEVICEDESC7 caps;
    std::vector<DDPIXELFORMAT> formats;
    IDirectDrawSurface7* renderTarget = nullptr;  // instead of the real device's

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetCaps(D3DDEVICEDESC7* desc) override
    {
        *desc = caps;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback,
                                                 void* context) override
    {
        for (DDPIXELFORMAT& format : formats) {
            if (callback(&format, context) == D3DENUMRET_CANCEL) {
                break;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRenderTarget(IDirectDrawSurface7** surface) override
    {
        if (!renderTarget) {
            return real_->GetRenderTarget(surface);
        }
        renderTarget->AddRef();
        *surface = renderTarget;
        return S_OK;
    }

    // Not used by the texture code.
    HRESULT STDMETHODCALLTYPE BeginScene() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndScene() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D7**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRenderTarget(IDirectDrawSurface7*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clear(DWORD, D3DRECT*, DWORD, D3DCOLOR, D3DVALUE, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetViewport(D3DVIEWPORT7*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT7*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMaterial(D3DMATERIAL7*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL7*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetLight(DWORD, D3DLIGHT7*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLight(DWORD, D3DLIGHT7*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE, LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndStateBlock(LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PreLoad(IDirectDrawSurface7*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE, DWORD, void*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE, DWORD, void*, DWORD, WORD*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetClipStatus(D3DCLIPSTATUS*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipStatus(D3DCLIPSTATUS*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrawPrimitiveStrided(D3DPRIMITIVETYPE, DWORD, D3DDRAWPRIMITIVESTRIDEDDATA*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveStrided(D3DPRIMITIVETYPE, DWORD, D3DDRAWPRIMITIVESTRIDEDDATA*, DWORD, WORD*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrawPrimitiveVB(D3DPRIMITIVETYPE, IDirect3DVertexBuffer7*, DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE, IDirect3DVertexBuffer7*, DWORD, DWORD, WORD*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ComputeSphereVisibility(D3DVECTOR*, D3DVALUE*, DWORD, DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD, IDirectDrawSurface7**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD, IDirectDrawSurface7*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ValidateDevice(LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ApplyStateBlock(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CaptureStateBlock(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteStateBlock(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE, LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Load(IDirectDrawSurface7*, POINT*, IDirectDrawSurface7*, RECT*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD, WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD, WINBOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetClipPlane(DWORD, D3DVALUE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipPlane(DWORD, D3DVALUE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInfo(DWORD, void*, DWORD) override { return E_NOTIMPL; }

private:
    IDirect3DDevice7* real_;
};
