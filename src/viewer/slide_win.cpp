#include "viewer/slide_win.h"

#include <algorithm>
#include <iterator>

#include "display/com_release_win.h"
#include "display/texture_surface_win.h"

namespace {

void SetStageState(IDirect3DDevice7* device, DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    device->SetTextureStageState(stage, type, value);
}

}  // namespace

void ConfigureSlide(Slide& slide, uint32_t index, const PanoSettings& settings)
{
    slide.index = index;
    slide.settings = ConvertSettings(settings);
    slide.view = slide.settings.view;
    slide.motion = MotionFromSettings(slide.settings);
    lstrcpynA(slide.title, settings.title, static_cast<int>(TitleLength(settings)) + 1);
    BuildWindowTitle(settings, slide.windowTitle);
    slide.textureCount = 0;
}

void FindSlideTiles(Slide& slide)
{
    for (uint32_t k = 0; k < kMaxTiles; ++k) {
        slide.tiles[k] = k < slide.image.tileCount ? FindTileTexture(slide.image, k) : nullptr;
    }
}

ViewLimits SlideLimits(const Slide& slide, uint32_t viewportWidth, uint32_t viewportHeight)
{
    return ViewLimits{slide.settings.extent, slide.mesh,    slide.image.tileRows,
                      slide.image.tileColumns, viewportWidth, viewportHeight};
}

void DrawSlideTiles(IDirect3DDevice7* device, const Slide& slide, DWORD mipFilter)
{
    const PanoramaImage& image = slide.image;
    SetStageState(device, 0, D3DTSS_MIPFILTER, image.mipLevels ? mipFilter : DWORD{D3DTFP_NONE});
    device->SetRenderState(D3DRENDERSTATE_WRAP0, image.tileColumns <= 1 ? 0 : D3DWRAP_U | D3DWRAP_V);
    DWORD first = 0;  // of the tile's strip in the vertex buffer
    for (uint32_t k = 0; k < image.tileCount; ++k) {
        device->SetTexture(0, slide.tiles[k] ? slide.tiles[k]->surface : nullptr);
        // Stage 0 reads the vertices' second coordinate pair.
        SetStageState(device, 0, D3DTSS_TEXCOORDINDEX, 1);
        SetStageState(device, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        SetStageState(device, 0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        SetStageState(device, 0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        SetStageState(device, 1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        SetStageState(device, 2, D3DTSS_COLOROP, D3DTOP_DISABLE);
        if (slide.vertexBuffer) {
            device->DrawPrimitiveVB(D3DPT_TRIANGLESTRIP, slide.vertexBuffer, first,
                                    slide.mesh.tileVertexCount[k], 0);
        } else {
            device->DrawPrimitive(D3DPT_TRIANGLESTRIP, kPanoVertexFormat,
                                  slide.mesh.tileVertices[k].get(), slide.mesh.tileVertexCount[k], 0);
        }
        first += slide.mesh.tileVertexCount[k];
    }
}

void MakeSlideVertexBuffer(IDirect3D7* direct3D, IDirect3DDevice7* device, Slide& slide)
{
    if (slide.vertexBuffer) {
        return;
    }
    const PanoramaMesh& mesh = slide.mesh;
    DWORD total = 0;
    for (uint32_t k = 0; k < slide.image.tileCount; ++k) {
        total += mesh.tileVertexCount[k];
    }
    if (total == 0) {
        return;
    }
    // A device that rasterizes in software reads its vertices from system
    // memory; a hardware one gets them where it draws best.
    D3DDEVICEDESC7 caps;
    const bool hardware =
        SUCCEEDED(device->GetCaps(&caps)) && (caps.dwDevCaps & D3DDEVCAPS_HWRASTERIZATION);
    D3DVERTEXBUFFERDESC desc{sizeof desc, D3DVBCAPS_WRITEONLY, kPanoVertexFormat, total};
    if (!hardware) {
        desc.dwCaps |= D3DVBCAPS_SYSTEMMEMORY;
    }
    void* data = nullptr;
    if (FAILED(direct3D->CreateVertexBuffer(&desc, &slide.vertexBuffer, 0))) {
        slide.vertexBuffer = nullptr;
        return;
    }
    if (FAILED(slide.vertexBuffer->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data, nullptr))) {
        ReleaseSlideVertexBuffer(slide);
        return;
    }
    auto* to = static_cast<PanoVertex*>(data);
    for (uint32_t k = 0; k < slide.image.tileCount; ++k) {
        to = std::copy_n(mesh.tileVertices[k].get(), mesh.tileVertexCount[k], to);
    }
    slide.vertexBuffer->Unlock();
}

void ReleaseSlideVertexBuffer(Slide& slide)
{
    ReleaseAndClear(slide.vertexBuffer);
}

void EmptySlide(Slide& slide)
{
    ReleaseSlideVertexBuffer(slide);
    slide.decode.Cancel();
    slide.decode.Finish();
    DestroyTileTextures(slide.image);
    std::fill(std::begin(slide.tiles), std::end(slide.tiles), nullptr);
    slide.textureCount = 0;
}
