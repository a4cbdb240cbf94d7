// CD3DApplication's start-up, plain message loop, frame step and pausing, and the building and
// rebuilding of the 3D environment with its one software fallback. Window messages are answered
// in window_messages_win.cpp, paced frames run in paced_loop_win.cpp.
#include "framework/d3d_application_win.h"

#include <mmsystem.h>
#include <new>

#include "framework/stage_trace_win.h"
#include "framework/status_codes.h"
#include "resources/resource_ids.h"

namespace {

// One application object per process; the window procedure reaches it here.
CD3DApplication* currentApp = nullptr;

constexpr LONG kFullscreenStyle = static_cast<LONG>(WS_POPUP | WS_VISIBLE | WS_SYSMENU);

// Sets a flag for the life of the scope and gives back its earlier value, so
// a build inside a rebuild leaves it set for the rest of the rebuild.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), earlier_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = earlier_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    const bool earlier_;
};

}  // namespace

CD3DApplication::CD3DApplication()
{
    currentApp = this;
}

CD3DApplication::~CD3DApplication()
{
    if (currentApp == this) {
        currentApp = nullptr;
    }
}

HRESULT CD3DApplication::PrepareScene() { return S_OK; }
HRESULT CD3DApplication::AcquireDeviceResources() { return S_OK; }
HRESULT CD3DApplication::ReleaseDeviceResources() { return S_OK; }
HRESULT CD3DApplication::DrawScene() { return S_OK; }
HRESULT CD3DApplication::AdvanceScene(float) { return S_OK; }
HRESULT CD3DApplication::OnSurfacesRestored() { return S_OK; }
HRESULT CD3DApplication::ShutdownScene() { return S_OK; }
DWORD CD3DApplication::SceneStillForMs() { return 0; }
void CD3DApplication::OnFramesResumed() {}

// A repeated query takes no second pause, and a resume without a query before
// it (newer Windows sends one after every wake) gives back nothing: a pause
// it did not take would otherwise never end.
LRESULT CD3DApplication::OnSuspendRequest(LPARAM)
{
    if (!suspendPaused) {
        suspendPaused = true;
        SetPaused(true);
    }
    return 1;
}

LRESULT CD3DApplication::OnResumeFromSuspend(LPARAM)
{
    if (suspendPaused) {
        suspendPaused = false;
        SetPaused(false);
    }
    return 1;
}

LRESULT CALLBACK CD3DApplication::StaticWindowProc(HWND window, UINT message, WPARAM wParam,
                                                   LPARAM lParam)
{
    if (currentApp) {
        return currentApp->HandleMessage(window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HRESULT CD3DApplication::Startup(HINSTANCE instance, const char*)
{
    HRESULT result = EnumerateDisplayDevices(confirmDevice);
    if (SUCCEEDED(result)) {
        result = ChooseDefaultDisplayDevice(&selectedDevice, 0);
    }
    TraceStage("devices-enumerated");
    if (SUCCEEDED(result)) {
        result = PrepareScene();
    }
    if (FAILED(result)) {
        ShowFrameworkError(result, ERRKIND_FATAL);
        return result;
    }
    display.reset(new (std::nothrow) CD3DDisplay);
    if (!display) {
        ShowFrameworkError(E_OUTOFMEMORY, ERRKIND_FATAL);
        return E_OUTOFMEMORY;
    }

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = StaticWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROGRAM));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "D3D Window";
    RegisterClassA(&windowClass);

    if (parentWindow) {
        RECT area = {};
        GetClientRect(parentWindow, &area);
        window = CreateWindowExA(0, "D3D Window", windowTitle, WS_CHILD | WS_VISIBLE, 0, 0,
                                 area.right, area.bottom, parentWindow, nullptr, instance, nullptr);
    } else if (!spanArea.IsEmpty()) {
        window = CreateWindowExA(WS_EX_TOPMOST, "D3D Window", windowTitle, WS_POPUP | WS_VISIBLE,
                                 spanArea.left, spanArea.top, spanArea.right - spanArea.left,
                                 spanArea.bottom - spanArea.top, nullptr, nullptr, instance,
                                 nullptr);
    } else {
        window = CreateWindowExA(0, "D3D Window", windowTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 CW_USEDEFAULT, CW_USEDEFAULT, 300, 300, nullptr, nullptr,
                                 instance, nullptr);
    }
    UpdateWindow(window);
    TraceStage("window-created");

    result = BuildEnvironment();
    if (FAILED(result)) {
        // Without a display the window was closed during the fallback
        // warning: the user has already ended the program.
        if (display) {
            ShowFrameworkError(result, ERRKIND_FATAL);
            TearDownEnvironment();
        }
        return E_FAIL;
    }
    clock.Start(timeGetTime());
    isReady = true;
    return S_OK;
}

int CD3DApplication::MainLoop()
{
    HACCEL accelerators = LoadAcceleratorsA(GetModuleHandleA(nullptr),
                                            MAKEINTRESOURCEA(IDR_ACCELERATORS));
    if (pacedFrames) {
        return PacedLoop(accelerators);
    }
    // WM_NULL until a message arrives: an empty queue leaves the record
    // unwritten, and the loop reads it at once.
    MSG message = {};
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    while (message.message != WM_QUIT) {
        const bool got = isActive ? PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != 0
                                  : GetMessageA(&message, nullptr, 0, 0) != -1;
        if (got) {
            Dispatch(accelerators, message);
        } else if (isActive && isReady && FAILED(StepFrame())) {
            DestroyWindow(window);
        }
    }
    return static_cast<int>(message.wParam);
}

void CD3DApplication::Dispatch(HACCEL accelerators, MSG& message)
{
    if (!TranslateAcceleratorA(window, accelerators, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

HRESULT CD3DApplication::StepFrame()
{
    const HRESULT level = directDraw->TestCooperativeLevel();
    if (level == DDERR_NOEXCLUSIVEMODE || level == DDERR_EXCLUSIVEMODEALREADYSET) {
        return S_OK;  // another program owns the screen for now
    }
    if (level == DDERR_WRONGMODE) {
        return IsWindowed() ? RebuildEnvironment() : level;
    }
    if (FAILED(level)) {
        return level;
    }
    HRESULT result = AdvanceScene(clock.Seconds(timeGetTime()));
    if (SUCCEEDED(result)) {
        result = DrawScene();
    }
    if (FAILED(result)) {
        return result;
    }
    if (parentWindow) {
        // The dialog that holds the preview moves it without a WM_MOVE.
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        display->TrackWindowPosition(origin.x, origin.y);
    }
    result = display->Present();
    if (SUCCEEDED(result) && !framePresented) {
        framePresented = true;
        TraceStage("first-frame-presented");
    }
    if (result == DDERR_SURFACELOST) {
        display->RestoreLostSurfaces();
        OnSurfacesRestored();
        return S_OK;
    }
    return result;
}

void CD3DApplication::SetPaused(bool pause)
{
    pauseDepth += pause ? 1 : -1;
    isReady = pauseDepth == 0;
    if (pause && pauseDepth == 1) {
        if (display) {
            display->ShowDesktopSurface(true);
        }
        clock.Stop(timeGetTime());
    }
    if (pauseDepth == 0) {
        clock.Resume(timeGetTime());
    }
}

HRESULT CD3DApplication::BuildEnvironment()
{
    const FlagScope busy(building);
    for (;;) {
        const DWORD flags = selectedDevice->inWindow ? 0 : DISPLAY_FULLSCREEN;
        HRESULT result = display->Open(window, selectedDevice->adapterGuid,
                                       selectedDevice->rasterizerGuid, &selectedDevice->chosenMode,
                                       flags);
        if (SUCCEEDED(result)) {
            TraceStage("device-opened");
            directDraw = display->directDraw;
            direct3D = display->direct3D;
            renderDevice = display->device;
            renderTarget = display->backBuffer;
            resourcesHeld = true;
            result = AcquireDeviceResources();
            if (SUCCEEDED(result)) {
                return S_OK;
            }
            ReleaseHeldResources();
            display->Close();
        }
        // The copies would point at released objects: nobody may draw now.
        directDraw = nullptr;
        direct3D = nullptr;
        renderDevice = nullptr;
        renderTarget = nullptr;
        if (result == APPERR_SCENE_FAILED || !selectedDevice->hardwareRaster) {
            return result;
        }
        ShowFrameworkError(result, ERRKIND_FALLBACK);
        // Closing the window while the warning was up tore the environment
        // down: there is nothing left to open.
        if (!display) {
            return result;
        }
        // One fallback per process, and only when a software device exists.
        if (softwareFallbackUsed ||
            FAILED(ChooseDefaultDisplayDevice(&selectedDevice, DEVCHOICE_SOFTWARE_ONLY))) {
            return result;
        }
        softwareFallbackUsed = true;
    }
}

HRESULT CD3DApplication::RebuildEnvironment()
{
    const FlagScope busy(building);
    ReleaseHeldResources();
    HRESULT result = display->Close();
    if (SUCCEEDED(result)) {
        const bool windowed = selectedDevice->inWindow != 0;
        if (windowed != lastWindowedState) {
            if (windowed) {
                SetWindowLongA(window, GWL_STYLE, savedWindowStyle);
                SetWindowPos(window, HWND_NOTOPMOST, savedWindowRect.left, savedWindowRect.top,
                             savedWindowRect.right - savedWindowRect.left,
                             savedWindowRect.bottom - savedWindowRect.top, SWP_SHOWWINDOW);
            } else {
                savedWindowStyle = GetWindowLongA(window, GWL_STYLE);
                GetWindowRect(window, &savedWindowRect);
                SetWindowLongA(window, GWL_STYLE, kFullscreenStyle);
            }
            lastWindowedState = windowed;
        }
        result = BuildEnvironment();
    }
    // Without a display the window was closed during the fallback warning.
    if (FAILED(result) && display) {
        ShowFrameworkError(result, ERRKIND_FATAL);
        SendMessageA(window, WM_CLOSE, 0, 0);
    }
    return result;
}

void CD3DApplication::TearDownEnvironment()
{
    isActive = false;
    isReady = false;
    if (display) {
        ReleaseHeldResources();
        display.reset();  // closes it
        ShutdownScene();
    }
    ReleaseDisplayDevices();
}

void CD3DApplication::ReleaseHeldResources()
{
    if (resourcesHeld) {
        resourcesHeld = false;
        ReleaseDeviceResources();
    }
}

int CD3DApplication::ShowFrameworkError(HRESULT code, int kind)
{
    // A box from the little picture of another program's dialog would stand
    // in front of that dialog: a child window ends without one.
    if (parentWindow) {
        return IDOK;
    }
    char text[kErrorTextCapacity];
    ComposeFrameworkError(code, kind, text);
    return MessageBoxA(nullptr, text, windowTitle, MB_OK | ErrorIcon(kind));
}
