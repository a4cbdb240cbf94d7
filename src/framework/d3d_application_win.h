// CD3DApplication: the program's window, its message loop with idle-time
// rendering, the scene clock, pausing, and building and rebuilding the 3D
// environment. A derived class supplies the scene through the hooks.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

#include <memory>

#include "display/d3d_display_win.h"
#include "display/device_table_win.h"
#include "display/monitor_plan.h"
#include "framework/scene_clock.h"

class CD3DApplication {
public:
    CD3DApplication();
    CD3DApplication(const CD3DApplication&) = delete;
    CD3DApplication& operator=(const CD3DApplication&) = delete;

    // Hooks of the derived class; the base versions do nothing.
    virtual HRESULT PrepareScene();
    virtual HRESULT AcquireDeviceResources();
    virtual HRESULT ReleaseDeviceResources();
    virtual HRESULT DrawScene();
    virtual HRESULT AdvanceScene(float seconds);
    virtual HRESULT OnSurfacesRestored();
    virtual HRESULT ShutdownScene();
    // With paced frames: how long the scene stays as it is without input
    // (0: it moves now; INFINITE: until input comes), and the first frame
    // after it stood still, which must not count the still time as motion.
    virtual DWORD SceneStillForMs();
    virtual void OnFramesResumed();
    virtual LRESULT OnSuspendRequest(LPARAM lParam);
    virtual LRESULT OnResumeFromSuspend(LPARAM lParam);

    virtual HRESULT Startup(HINSTANCE instance, const char* commandLine);
    virtual int MainLoop();
    virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void SetPaused(bool pause);

    virtual ~CD3DApplication();

    HRESULT BuildEnvironment();
    HRESULT RebuildEnvironment();
    void TearDownEnvironment();
    HRESULT StepFrame();
    int ShowFrameworkError(HRESULT code, int kind);

    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);

    std::unique_ptr<CD3DDisplay> display;
    bool isActive = false;
    bool isReady = false;
    SceneClock clock;
    HWND window = nullptr;
    DeviceEntry* selectedDevice = nullptr;
    // Copies of the display's objects, refreshed after every build; never released here.
    IDirectDraw7* directDraw = nullptr;
    IDirect3D7* direct3D = nullptr;
    IDirect3DDevice7* renderDevice = nullptr;
    IDirectDrawSurface7* renderTarget = nullptr;
    const char* windowTitle = "Direct3D Application";
    // Set before Startup: the window becomes a borderless child filling this
    // window's client area, always windowed, and reports no error in a box.
    HWND parentWindow = nullptr;
    // Set before Startup: when not empty, the window is a borderless topmost
    // window over this area of the desktop (one view across several
    // monitors), always windowed and without a cursor.
    ScreenRect spanArea;
    DeviceConfirmHook confirmDevice = nullptr;
    // Nesting depth of SetPaused(true); frames are drawn only at 0.
    int pauseDepth = 0;
    // Frames only when a message came or the scene moves, never faster than
    // the display refreshes; else a frame whenever the queue is empty. Set
    // before MainLoop.
    bool pacedFrames = false;

protected:
    bool IsWindowed() const { return selectedDevice && selectedDevice->inWindow; }
    // The window covers the screen: full screen, or spanned over the desktop.
    bool CoversScreen() const { return !IsWindowed() || !spanArea.IsEmpty(); }
    // The window's place is given before start-up (a preview's parent area,
    // a spanned desktop): it keeps it, windowed, whatever the settings say.
    bool AreaIsGiven() const { return parentWindow || !spanArea.IsEmpty(); }
    // A rebuild is under way: what is released now is made again for the
    // next device.
    bool IsRebuilding() const { return building; }

private:
    LRESULT HandleCommand(HWND window, WPARAM wParam, LPARAM lParam);
    // MainLoop with paced frames.
    int PacedLoop(HACCEL accelerators);
    // TranslateAccelerator, else TranslateMessage and DispatchMessage.
    void Dispatch(HACCEL accelerators, MSG& message);
    // Sizing, the full-screen switch and a device change may rebuild now: the
    // application is active and ready, an environment stands (outside a build
    // its resources are held exactly then; leaving a menu loop makes the
    // application ready also under the fatal message of a failed start-up)
    // and no build is under way.
    bool CanRebuild() const { return isActive && isReady && resourcesHeld && !building; }
    // Gives back what AcquireDeviceResources made, once per acquisition.
    void ReleaseHeldResources();

    // The pause a granted suspend query took, until the resume or the
    // query-failed notice gives it back.
    bool suspendPaused = false;
    bool softwareFallbackUsed = false;
    // AcquireDeviceResources ran (also when it failed: it may have made
    // part) and ReleaseDeviceResources has not run since.
    bool resourcesHeld = false;
    // A build or rebuild is under way. Its message boxes (the fallback
    // warning, the fatal message) have no owner, so the window's messages
    // still arrive while they are shown.
    bool building = false;
    bool lastWindowedState = true;
    // A frame has reached the screen (the start-up trace's last stage).
    bool framePresented = false;
    // The window's style and place before it went full screen.
    LONG savedWindowStyle = 0;
    RECT savedWindowRect = {};
};
