#include "viewer/pano_player_win.h"

#include <sys/timeb.h>

#include <algorithm>

#include "display/com_release_win.h"
#include "display/texture_surface_win.h"
#include "framework/microseconds_win.h"
#include "framework/stage_trace_win.h"
#include "framework/status_codes.h"
#include "math/d3d_math.h"
#include "package/startup_state.h"
#include "resources/resource_ids.h"
#include "viewer/camera.h"
#include "viewer/image_memory.h"

namespace {

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
    confirmDevice = AcceptEveryDevice;
    MatIdentity(projection_);
    pacedFrames = startupState.options.Has(FEATURE_PACED_FRAMES);
    budget_ = ImageBudget(ImageMemoryLimit(AddressSpace()));
    decodeOptions_ = startupState.options;
    if (startupState.previewWindow != 0) {
        // The little picture moves from the start, shows no title, and needs
        // no image wider than a window many times its size would.
        parentWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(startupState.previewWindow));
        titled_ = false;
        budget_.largestWidth = kPreviewImageWidth;
        decodeOptions_.features |= FEATURE_SCALED_DECODE;
    } else if (startupState.screensaverMode && startupState.options.monitors == MonitorUse::Span) {
        spanArea = SpanArea(ListMonitors());
    }
    next_->image.firstTile = kMaxTiles;
    if (!startupState.furtherPanoramas.empty()) {
        slideshow_ = std::make_unique<Slideshow>(
            static_cast<uint32_t>(startupState.furtherPanoramas.size() + 1),
            startupState.options.order, NowMs());
    }
    TraceStage("decode-start");
    StartSlide(*shown_, 0, budget_);
    windowTitle = shown_->windowTitle;
}

ViewLimits CPanoPlayer::Limits(const Slide& slide) const
{
    D3DVIEWPORT7 viewport = {};
    if (renderDevice) {
        renderDevice->GetViewport(&viewport);
    }
    return SlideLimits(slide, viewport.dwWidth, viewport.dwHeight);
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
        if (!shown_->decode.WaitForTiles(0)) {
            FinishDecode();
            return E_FAIL;
        }
        TraceStage("tile-grid-set");
    } else if (!FinishDecode()) {
        return E_FAIL;
    }
    FindSlideTiles(*shown_);
    const HRESULT built = BuildPanoramaMesh(shown_->mesh, shown_->settings.extent, shown_->image);
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
    const PanoramaImage& image = shown_->image;
    for (uint32_t k = 0; k < image.tileCount && shown_->decode.WaitForTiles(k + 1); ++k) {
        builder.Build(shown_->tiles[k], givingUpPixels);
    }
    return FinishDecode() ? S_OK : APPERR_SCENE_FAILED;
}

bool CPanoPlayer::FinishDecode()
{
    const bool decoded = shown_->decode.Finish();
    if (decoded) {
        TraceStage("decode-end");
    } else {
        TraceStage("decode-failed", shown_->decode.FailureReason());
    }
    return decoded;
}

HRESULT CPanoPlayer::AcquireDeviceResources()
{
    if (shown_->decode.Pending()) {
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
    MakeVertexBuffer(*shown_);
    for (DWORD stage = 0; stage < 3; ++stage) {
        SetStageState(renderDevice, stage, D3DTSS_ADDRESS, D3DTADDRESS_WRAP);
        SetStageState(renderDevice, stage, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
        SetStageState(renderDevice, stage, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    }
    D3DDEVICEDESC7 caps;
    mipFiltering_ = SUCCEEDED(renderDevice->GetCaps(&caps)) && FiltersBetweenMipLevels(caps);
    SetView(Limits(*shown_), shown_->view.pan, shown_->view.tilt, shown_->view.fov, shown_->view);
    SetCamera(*shown_);
    return S_OK;
}

// Once per slide and device, where the options ask for it; a slide without
// one is drawn from its mesh's arrays.
void CPanoPlayer::MakeVertexBuffer(Slide& slide)
{
    if (startupState.options.Has(FEATURE_VERTEX_BUFFERS)) {
        MakeSlideVertexBuffer(direct3D, renderDevice, slide);
    }
}

HRESULT CPanoPlayer::ReleaseDeviceResources()
{
    // The next slide starts again on the new device: its decode may still
    // add to the texture registry, which the release walks.
    DropNextSlide();
    nextBuilder_.reset();
    spares_.Clear();
    ReleaseAndClear(still_);
    for (Slide& slide : slides_) {
        ReleaseSlideVertexBuffer(slide);
    }
    if (IsRebuilding()) {
        ReleaseNamedTextureSurfacesKeepingPixels();
        TraceStage("textures-read-back");
    } else {
        ReleaseNamedTextureSurfaces();
    }
    return S_OK;
}

void CPanoPlayer::SetCamera(const Slide& slide)
{
    const ViewLimits limits = Limits(slide);
    ProjectionMatrix(projection_, slide.view.fov, limits.viewportWidth, limits.viewportHeight);
    renderDevice->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection_);
    D3DMATRIX turn;
    ViewMatrix(turn, slide.view.pan, slide.view.tilt);
    renderDevice->SetTransform(D3DTRANSFORMSTATE_VIEW, &turn);
}

HRESULT CPanoPlayer::DrawScene()
{
    renderDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    if (shownGone_ && still_) {
        renderTarget->Blt(nullptr, still_, nullptr, DDBLT_WAIT, nullptr);
    }
    if (FAILED(renderDevice->BeginScene())) {
        return S_OK;
    }
    SetStageState(renderDevice, 0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    SetStageState(renderDevice, 0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetStageState(renderDevice, 0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    SetStageState(renderDevice, 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    SetStageState(renderDevice, 0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetStageState(renderDevice, 1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetStageState(renderDevice, 0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
    if (!shownGone_) {
        DrawSlideTiles(renderDevice, *shown_, MipFilter());
    }
    if (fade_ > 0) {
        DrawFadingSlide();
    }
    renderDevice->EndScene();
    // A still holds its panorama's title.
    if (titled_ && shown_->title[0] != '\0' && !shownGone_) {
        DrawTitle();
    }
    if (nextSlide_ == NextSlide::TakesStill) {
        TakeStill();
    }
    return S_OK;
}

// Between mip levels where the device can; during a crossfade, which draws
// two scenes a frame, from the nearest level alone: half the texture reads,
// for a frame near an ordinary one, and no difference to see in the blend.
DWORD CPanoPlayer::MipFilter() const
{
    if (!mipFiltering_) {
        return D3DTFP_NONE;
    }
    return fade_ > 0 ? D3DTFP_POINT : D3DTFP_LINEAR;
}

// The next slide over the shown one, at the fade's opacity, through its own
// camera; the shown slide's camera is back for the next frame.
void CPanoPlayer::DrawFadingSlide()
{
    const DWORD opacity = static_cast<DWORD>(fade_ * 255.0f + 0.5f);
    renderDevice->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, opacity << 24);
    renderDevice->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    renderDevice->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    renderDevice->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    SetStageState(renderDevice, 0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    SetCamera(*next_);
    DrawSlideTiles(renderDevice, *next_, MipFilter());
    SetStageState(renderDevice, 0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    renderDevice->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
    SetCamera(*shown_);
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
    HGDIOBJ previous = SelectObject(context, titleFont_);
    SetBkMode(context, TRANSPARENT);
    const char* title = shown_->title;
    const int length = lstrlenA(title);
    const uint32_t shadowColor = shown_->settings.shadowColor;
    const uint32_t textColor = shown_->settings.textColor;
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
        ExtTextOutA(context, pass.x, pass.y, 0, nullptr, title, length, nullptr);
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
        DeleteObject(titleFont_);
        titleFont_ = scaled;
    }
}

HRESULT CPanoPlayer::ShutdownScene()
{
    char pan[32];
    wsprintfA(pan, "pan %d mdeg", static_cast<int>(shown_->view.pan * 180000 / kPi));
    TraceStage("view-at-end", pan);
    char frames[200];
    wsprintfA(frames,
              "ordinary %u us (median), %u us (99th percentile), longest %u us; "
              "switching %u frames, %u us (99th percentile), longest %u us",
              frameTimes_.OrdinaryMedianUs(), frameTimes_.OrdinaryP99Us(),
              frameTimes_.LongestOrdinaryUs(), frameTimes_.SwitchingFrames(),
              frameTimes_.SwitchingP99Us(), frameTimes_.LongestSwitchingUs());
    TraceStage("frame-times", frames);
    for (Slide& slide : slides_) {
        for (auto& vertices : slide.mesh.tileVertices) {
            vertices.reset();
        }
    }
    DeleteObject(titleFont_);
    titleFont_ = nullptr;
    return S_OK;
}

HRESULT CPanoPlayer::AdvanceScene(float)
{
    CountFrame();
    StepMotion();
    AdvanceSlideshow();
    SetCamera(*shown_);
    return S_OK;
}

void CPanoPlayer::StepMotion()
{
    ::StepMotion(shown_->motion, input_, shown_->view, Limits(*shown_), NowMs(),
                 startupState.screensaverMode, *this);
}

DWORD CPanoPlayer::SceneStillForMs()
{
    const DWORD still = StillForMs(shown_->motion, input_, NowMs(), startupState.screensaverMode);
    return slideshow_ ? std::min<DWORD>(still, SlideshowStillForMs()) : still;
}

// The still time was no frame: the first step after it counts for none.
void CPanoPlayer::OnFramesResumed()
{
    shown_->motion.lastFrameMs = 0;
    lastFrameUs_ = 0;
}

// A frame of more than this many microseconds is traced with what the
// slideshow was doing, to tell where such frames come from.
constexpr uint32_t kLongFrameUs = 100000;

void CPanoPlayer::DescribePhase(FramePhase phase, char (&text)[kPhaseTextSize])
{
    static const char* const kNextSlide[] = {"none", "decoding", "texturing", "ready",
                                             "waits-for-room", "takes-still"};
    wsprintfA(text, "%s%s", kNextSlide[static_cast<int>(phase.next)],
              phase.fading ? " fading" : "");
}

// The time since the last frame step: a frame of a switch when that step
// worked at one (its work is in this frame's time) or the fade runs.
void CPanoPlayer::CountFrame()
{
    const int64_t now = MicrosecondsNow();
    if (lastFrameUs_ != 0) {
        const auto us = static_cast<uint32_t>(std::min<int64_t>(now - lastFrameUs_, UINT32_MAX));
        const FramePhase phase{nextSlide_, fade_ > 0};
        if (frameTimes_.Add(us, switching_ || phase.fading)) {
            longestPhase_ = phase;
        }
        if (us > kLongFrameUs) {
            char name[kPhaseTextSize];
            DescribePhase(phase, name);
            char text[kPhaseTextSize + 16];
            wsprintfA(text, "%u us %s", us, name);
            TraceStage("long-frame", text);
        }
    }
    if (switched_) {
        // The frame that switched is in: the switch is over.
        switched_ = false;
        char name[kPhaseTextSize];
        DescribePhase(longestPhase_, name);
        longestPhase_ = {};
        char longest[kPhaseTextSize + 24];
        wsprintfA(longest, "longest %u us %s", frameTimes_.TakeLongestOfSwitchUs(), name);
        TraceStage("switch-frames", longest);
    }
    lastFrameUs_ = now;
    switching_ = false;
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
        OnMouseWheel(input_, shown_->view, static_cast<short>(HIWORD(wParam)), NowMs());
        break;
    case WM_RBUTTONUP:
        ApplyInputAction(hwnd, OnRightButtonUp(screensaver, inWindow));
        break;
    case WM_MOUSEMOVE:
        ShowNavigationCursor(input_.currentCursor);
        OnMouseMove(input_, x, y, (wParam & MK_LBUTTON) != 0, NowMs(), screensaver);
        break;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        SetCapture(hwnd);
        if (OnLeftButtonDown(input_, x, y, NowMs(), screensaver) == InputAction::Close) {
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
        } else {
            ShowNavigationCursor(input_.currentCursor);
        }
        break;
    case WM_LBUTTONUP:
        ReleaseCapture();
        OnLeftButtonUp(input_, NowMs());
        ShowNavigationCursor(input_.currentCursor);
        break;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
        OnMouseCaptureLost(input_, NowMs());
        break;
    case WM_KEYDOWN:
        if (slideshow_ && !screensaver && (wParam == VK_NEXT || wParam == VK_PRIOR)) {
            TurnSlides(wParam == VK_NEXT);
            return 0;
        }
        ApplyInputAction(hwnd, OnKeyDown(input_, shown_->view, static_cast<uint32_t>(wParam),
                                         (lParam & (1 << 30)) != 0, NowMs(), screensaver, inWindow));
        break;
    case WM_KEYUP:
        ApplyInputAction(hwnd, OnKeyUp(input_, static_cast<uint32_t>(wParam), screensaver));
        break;
    default:
        break;
    }
    return CD3DApplication::HandleMessage(hwnd, message, wParam, lParam);
}
