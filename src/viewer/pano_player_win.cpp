#include "viewer/pano_player_win.h"

#include <sys/timeb.h>

#include "display/texture_surface_win.h"
#include "framework/stage_trace_win.h"
#include "framework/status_codes.h"
#include "math/d3d_math.h"
#include "package/startup_state.h"
#include "resources/resource_ids.h"
#include "viewer/camera.h"
#include "viewer/image_memory.h"

namespace {

// The window title: "Panorama", or "Panorama - " and the panorama's title.
char windowTitleBuffer[kWindowTitleCapacity];

HRESULT AcceptEveryDevice(DDCAPS*, D3DDEVICEDESC7*) { return S_OK; }

COLORREF GdiColour(uint32_t rgb)
{
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// The desktop's size and depth as a display mode.
ModeKey DesktopMode()
{
    HDC screen = GetDC(nullptr);
    const ModeKey mode{static_cast<uint32_t>(GetDeviceCaps(screen, HORZRES)),
                       static_cast<uint32_t>(GetDeviceCaps(screen, VERTRES)),
                       static_cast<uint32_t>(GetDeviceCaps(screen, PLANES) *
                                             GetDeviceCaps(screen, BITSPIXEL))};
    ReleaseDC(nullptr, screen);
    return mode;
}

// The address space the system gives this process: 2 GiB to a 32-bit
// program on a 32-bit system (3 with its large-address option), 4 GiB on a
// 64-bit one, where the viewer is large-address-aware.
uint64_t AddressSpace()
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? status.ullTotalVirtual : uint64_t{1} << 31;
}

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The DPI at which a window's pixels are its pixels.
constexpr int kBaseDpi = 96;

// The window's DPI: GetDpiForWindow where the system has it (Windows 10
// from 1607), looked up at run time so that the viewer still starts on
// older systems; else the screen's.
UINT WindowDpi(HWND window)
{
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (dpiForWindow) {
        if (const UINT dpi = dpiForWindow(window)) {
            return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

// The widest image a live preview decodes: the dialog's picture is about
// 150 pixels wide, a few times that on a high-DPI screen, and shows a part
// of the panorama.
constexpr uint32_t kPreviewImageWidth = 2048;

// Keys, mouse buttons and wheel, and the commands the accelerators make of
// keys.
bool IsInput(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || message == WM_COMMAND;
}

void SetStageState(IDirect3DDevice7* device, DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    device->SetTextureStageState(stage, type, value);
}

}  // namespace

uint32_t NowMs()
{
    __timeb64 now;
    _ftime64(&now);
    return static_cast<uint32_t>(now.time * 1000 + now.millitm);
}

CPanoPlayer::CPanoPlayer()
{
    const PanoSettings& settings = *startupState.settings;
    BuildWindowTitle(settings, windowTitleBuffer);
    lstrcpynA(title_, settings.title, static_cast<int>(TitleLength(settings)) + 1);
    windowTitle = windowTitleBuffer;
    confirmDevice = AcceptEveryDevice;

    const ViewerSettings converted = ConvertSettings(settings);
    textColor = converted.textColor;
    shadowColor = converted.shadowColor;
    view = converted.view;
    extent = converted.extent;
    motion = MotionFromSettings(converted);
    MatIdentity(projection_);
    pacedFrames = startupState.options.Has(FEATURE_PACED_FRAMES);
    ImageBudget budget(ImageMemoryLimit(AddressSpace()));
    ViewerOptions decodeOptions = startupState.options;
    if (startupState.previewWindow != 0) {
        // The little picture moves from the start, shows no title, and needs
        // no image wider than a window many times its size would.
        parentWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(startupState.previewWindow));
        motion.autoMotionEnabled = 1;
        title_[0] = '\0';
        budget.largestWidth = kPreviewImageWidth;
        decodeOptions.features |= FEATURE_SCALED_DECODE;
    } else if (startupState.screensaverMode && startupState.options.monitors == MonitorUse::Span) {
        spanArea = SpanArea(ListMonitors());
    }
    TraceStage("decode-start");
    decode_.Start(image, startupState.modulePath, startupState.imageOffset, budget, decodeOptions);
}

ViewLimits CPanoPlayer::Limits() const
{
    D3DVIEWPORT7 viewport = {};
    if (renderDevice) {
        renderDevice->GetViewport(&viewport);
    }
    return ViewLimits{extent, mesh, image.tileRows, image.tileColumns, viewport.dwWidth,
                      viewport.dwHeight};
}

HRESULT CPanoPlayer::Startup(HINSTANCE instance, const char* commandLine)
{
    const HRESULT result = CD3DApplication::Startup(instance, commandLine);
    if (SUCCEEDED(result) && startupState.screensaverMode && !IsWindowed() &&
        startupState.options.monitors == MonitorUse::Black) {
        covers_.Cover(window, MonitorsToCover(ListMonitors(), MonitorOfWindow(window)));
    }
    return result;
}

HRESULT CPanoPlayer::PrepareScene()
{
    ChooseMode(*selectedDevice, DesktopMode());
    const bool fullscreen =
        (startupState.screensaverMode || startupState.fullscreenAtStart) && !AreaIsGiven();
    selectedDevice->inWindow = fullscreen ? 0 : 1;
    // With textures built while decoding, the window opens once the tile
    // grid is set: the mesh needs no more.
    if (startupState.options.Has(FEATURE_TEXTURES_WHILE_DECODING)) {
        if (!decode_.WaitForTiles(0)) {
            FinishDecode();
            return E_FAIL;
        }
        TraceStage("tile-grid-set");
    } else if (!FinishDecode()) {
        return E_FAIL;
    }
    const HRESULT built = BuildPanoramaMesh(mesh, extent, image);
    TraceStage("mesh-built");
    return built;
}

// The first build while the image still decodes: each tile's texture as
// soon as the tile is final, in the tiles' order. A decode that fails is the
// scene's failure, which no other device would mend.
HRESULT CPanoPlayer::BuildTexturesWhileDecoding()
{
    const bool givingUpPixels = startupState.options.Has(FEATURE_PIXELS_IN_TEXTURES);
    TextureSurfaceBuilder builder(renderDevice);
    for (uint32_t k = 0; k < image.tileCount && decode_.WaitForTiles(k + 1); ++k) {
        builder.Build(FindTileTexture(k), givingUpPixels);
    }
    return FinishDecode() ? S_OK : APPERR_SCENE_FAILED;
}

bool CPanoPlayer::FinishDecode()
{
    const bool decoded = decode_.Finish();
    if (decoded) {
        TraceStage("decode-end");
    } else {
        TraceStage("decode-failed", decode_.FailureReason());
    }
    return decoded;
}

HRESULT CPanoPlayer::AcquireDeviceResources()
{
    if (decode_.Pending()) {
        const HRESULT built = BuildTexturesWhileDecoding();
        if (FAILED(built)) {
            return built;
        }
    } else if (startupState.options.Has(FEATURE_PIXELS_IN_TEXTURES)) {
        RestoreNamedTexturesGivingUpPixels(renderDevice);
    } else {
        RestoreNamedTextures(renderDevice);
    }
    TraceStage("textures-built");
    for (DWORD stage = 0; stage < 3; ++stage) {
        SetStageState(renderDevice, stage, D3DTSS_ADDRESS, D3DTADDRESS_WRAP);
        SetStageState(renderDevice, stage, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
        SetStageState(renderDevice, stage, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    }
    D3DDEVICEDESC7 caps;
    if (image.mipLevels && SUCCEEDED(renderDevice->GetCaps(&caps)) &&
        FiltersBetweenMipLevels(caps)) {
        SetStageState(renderDevice, 0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    }
    SetCamera();
    SetView(Limits(), view.pan, view.tilt, view.fov, view);
    return S_OK;
}

HRESULT CPanoPlayer::ReleaseDeviceResources()
{
    if (IsRebuilding()) {
        ReleaseNamedTextureSurfacesKeepingPixels();
        TraceStage("textures-read-back");
    } else {
        ReleaseNamedTextureSurfaces();
    }
    return S_OK;
}

void CPanoPlayer::SetCamera()
{
    const ViewLimits limits = Limits();
    ProjectionMatrix(projection_, view.fov, limits.viewportWidth, limits.viewportHeight);
    renderDevice->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection_);
    D3DMATRIX turn;
    ViewMatrix(turn, view.pan, view.tilt);
    renderDevice->SetTransform(D3DTRANSFORMSTATE_VIEW, &turn);
}

HRESULT CPanoPlayer::DrawScene()
{
    renderDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    if (FAILED(renderDevice->BeginScene())) {
        return S_OK;
    }
    renderDevice->SetRenderState(D3DRENDERSTATE_WRAP0,
                                 image.tileColumns <= 1 ? 0 : D3DWRAP_U | D3DWRAP_V);
    SetStageState(renderDevice, 0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    SetStageState(renderDevice, 0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetStageState(renderDevice, 0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    SetStageState(renderDevice, 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    SetStageState(renderDevice, 0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetStageState(renderDevice, 1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetStageState(renderDevice, 0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
    for (uint32_t k = 0; k < image.tileCount; ++k) {
        char name[13];
        TileTextureName(static_cast<int>(k), name);
        renderDevice->SetTexture(0, GetNamedTextureSurface(name));
        // Stage 0 reads the vertices' second coordinate pair.
        SetStageState(renderDevice, 0, D3DTSS_TEXCOORDINDEX, 1);
        SetStageState(renderDevice, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        SetStageState(renderDevice, 0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        SetStageState(renderDevice, 0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        SetStageState(renderDevice, 1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        SetStageState(renderDevice, 2, D3DTSS_COLOROP, D3DTOP_DISABLE);
        renderDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, kPanoVertexFormat, mesh.tileVertices[k].get(),
                                    mesh.tileVertexCount[k], 0);
    }
    renderDevice->EndScene();
    if (title_[0] != '\0') {
        DrawTitle();
    }
    return S_OK;
}

// A one-pixel outline, then the text, 4 pixels from the corner (pixels at
// 96 DPI, scaled to the window's), all through one device context: each one
// makes the driver copy the whole back buffer out of the device and back in.
void CPanoPlayer::DrawTitle()
{
    HDC context = nullptr;
    if (FAILED(renderTarget->GetDC(&context))) {
        return;
    }
    HGDIOBJ previous = SelectObject(context, titleFont);
    SetBkMode(context, TRANSPARENT);
    const int length = lstrlenA(title_);
    const int px = MulDiv(1, static_cast<int>(titleDpi_), kBaseDpi);  // a pixel at 96 DPI
    const int at = 4 * px;
    const struct {
        int x, y;
        uint32_t colour;
    } passes[] = {{at, at - px, shadowColor}, {at, at + px, shadowColor},
                  {at - px, at, shadowColor}, {at + px, at, shadowColor},
                  {at, at, textColor}};
    for (const auto& pass : passes) {
        SetTextColor(context, GdiColour(pass.colour));
        ExtTextOutA(context, pass.x, pass.y, 0, nullptr, title_, length, nullptr);
    }
    SelectObject(context, previous);
    renderTarget->ReleaseDC(context);
}

// The title in 12-pixel bold Tahoma at 96 DPI, scaled to the window's.
void CPanoPlayer::ScaleTitle(UINT dpi)
{
    titleDpi_ = dpi;
    LOGFONTA font = {};
    font.lfHeight = -MulDiv(12, static_cast<int>(dpi), kBaseDpi);
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEVICE_PRECIS;
    lstrcpyA(font.lfFaceName, "Tahoma");
    if (HFONT scaled = CreateFontIndirectA(&font)) {
        DeleteObject(titleFont);
        titleFont = scaled;
    }
}

HRESULT CPanoPlayer::ShutdownScene()
{
    char pan[32];
    wsprintfA(pan, "pan %d mdeg", static_cast<int>(view.pan * 180000 / kPi));
    TraceStage("view-at-end", pan);
    for (auto& vertices : mesh.tileVertices) {
        vertices.reset();
    }
    DeleteObject(titleFont);
    titleFont = nullptr;
    return S_OK;
}

HRESULT CPanoPlayer::AdvanceScene(float)
{
    StepMotion();
    SetCamera();
    return S_OK;
}

void CPanoPlayer::StepMotion()
{
    ::StepMotion(motion, input, view, Limits(), NowMs(), startupState.screensaverMode, *this);
}

DWORD CPanoPlayer::SceneStillForMs()
{
    return StillForMs(motion, input, NowMs(), startupState.screensaverMode);
}

// The still time was no frame: the first step after it counts for none.
void CPanoPlayer::OnFramesResumed()
{
    motion.lastFrameMs = 0;
}

void CPanoPlayer::SleepOneMillisecond()
{
    Sleep(1);
}

void CPanoPlayer::ApplyCursor(CursorAction action, int cursor)
{
    if (action == CursorAction::Show) {
        ShowNavigationCursor(cursor);
    } else if (action == CursorAction::Hide) {
        SetCursor(nullptr);
    }
}

void CPanoPlayer::ShowNavigationCursor(int cursor)
{
    SetCursor(cursor >= 0 ? startupState.cursors[cursor] : nullptr);
}

void CPanoPlayer::ApplyInputAction(HWND hwnd, InputAction action)
{
    if (action == InputAction::Close) {
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
    } else if (action == InputAction::LeaveFullscreen) {
        SendMessageA(hwnd, WM_COMMAND, CMD_TOGGLE_FULLSCREEN, 0);
        ShowWindow(hwnd, SW_RESTORE);
    }
}

LRESULT CPanoPlayer::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int32_t x = static_cast<short>(LOWORD(lParam));
    const int32_t y = static_cast<short>(HIWORD(lParam));
    if (parentWindow && IsInput(message)) {
        return DefWindowProcA(hwnd, message, wParam, lParam);  // the preview only shows
    }
    const bool screensaver = startupState.screensaverMode;
    const bool inWindow = selectedDevice && selectedDevice->inWindow;
    // A screensaver ends on every key, also on the system keys (Alt, F10)
    // and on the keys the accelerator table turns into commands (F2, Alt+X).
    if (screensaver && (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP ||
                        (message == WM_COMMAND && HIWORD(wParam) == 1))) {
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    switch (message) {
    case WM_DESTROY:
        covers_.Remove();
        break;
    case WM_CREATE: {
        const UINT dpi = WindowDpi(hwnd);
        ScaleTitle(dpi);
        if (AreaIsGiven()) {
            break;
        }
        // The stored size counts pixels at 96 DPI: the window keeps the
        // physical size it has there.
        const PanoSettings& s = *startupState.settings;
        const int width = MulDiv(s.windowWidth, static_cast<int>(dpi), kBaseDpi);
        const int height = MulDiv(s.windowHeight, static_cast<int>(dpi), kBaseDpi);
        const WindowPlacement place = CentreWindow(GetSystemMetrics(SM_CXSCREEN),
                                                   GetSystemMetrics(SM_CYSCREEN), width, height);
        SetWindowPos(hwnd, nullptr, place.left, place.top, width, height, SWP_SHOWWINDOW);
        break;
    }
    case WM_DPICHANGED: {
        // Moved to a monitor of another DPI: the size Windows suggests.
        ScaleTitle(HIWORD(wParam));
        if (inWindow && !AreaIsGiven()) {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return 0;
    }
    case WM_SIZE:
        if (wParam == SIZE_MAXIMIZED && selectedDevice) {
            ChooseMode(*selectedDevice, DesktopMode());
            SendMessageA(hwnd, WM_COMMAND, CMD_TOGGLE_FULLSCREEN, 0);
        }
        break;
    case WM_MOUSEWHEEL:
        OnMouseWheel(input, view, static_cast<short>(HIWORD(wParam)), NowMs());
        break;
    case WM_RBUTTONUP:
        ApplyInputAction(hwnd, OnRightButtonUp(screensaver, inWindow));
        break;
    case WM_MOUSEMOVE:
        ShowNavigationCursor(input.currentCursor);
        OnMouseMove(input, x, y, (wParam & MK_LBUTTON) != 0, NowMs(), screensaver);
        break;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        SetCapture(hwnd);
        if (OnLeftButtonDown(input, x, y, NowMs(), screensaver) == InputAction::Close) {
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
        } else {
            ShowNavigationCursor(input.currentCursor);
        }
        break;
    case WM_LBUTTONUP:
        ReleaseCapture();
        OnLeftButtonUp(input, NowMs());
        ShowNavigationCursor(input.currentCursor);
        break;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
        OnMouseCaptureLost(input, NowMs());
        break;
    case WM_KEYDOWN:
        ApplyInputAction(hwnd, OnKeyDown(input, view, static_cast<uint32_t>(wParam),
                                         (lParam & (1 << 30)) != 0, NowMs(), screensaver, inWindow));
        break;
    case WM_KEYUP:
        ApplyInputAction(hwnd, OnKeyUp(input, static_cast<uint32_t>(wParam), screensaver));
        break;
    default:
        break;
    }
    return CD3DApplication::HandleMessage(hwnd, message, wParam, lParam);
}
