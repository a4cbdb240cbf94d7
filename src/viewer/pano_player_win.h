// CPanoPlayer: the panorama viewer. It loads the image and builds the mesh
// once, makes its device resources for every device, draws the tiles and
// the outlined title, and turns input into motion through the portable core.
#pragma once

#include <windows.h>

#include "framework/d3d_application_win.h"
#include "framework/monitor_covers_win.h"
#include "viewer/background_decode_win.h"
#include "viewer/motion.h"
#include "viewer/panorama_image.h"
#include "viewer/panorama_mesh.h"
#include "viewer/view_limits.h"

// The viewer's clock: wall-clock milliseconds, wrapping at 2^32.
uint32_t NowMs();

class CPanoPlayer : public CD3DApplication, private MotionPlatform {
public:
    CPanoPlayer();

    HRESULT Startup(HINSTANCE instance, const char* commandLine) override;
    HRESULT PrepareScene() override;
    HRESULT AcquireDeviceResources() override;
    HRESULT ReleaseDeviceResources() override;
    HRESULT DrawScene() override;
    HRESULT AdvanceScene(float seconds) override;
    HRESULT ShutdownScene() override;
    DWORD SceneStillForMs() override;
    void OnFramesResumed() override;
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    void StepMotion();
    void SetCamera();
    void DrawTitle();

    PanoramaImage image;
    PanoramaMesh mesh;
    PanoExtent extent{};
    ViewState view{};
    InputState input;
    MotionState motion;
    HFONT titleFont = nullptr;
    uint32_t textColor = 0;
    uint32_t shadowColor = 0;

private:
    void SleepOneMillisecond() override;
    void ApplyCursor(CursorAction action, int cursor) override;
    ViewLimits Limits() const;
    void ApplyInputAction(HWND window, InputAction action);
    void ShowNavigationCursor(int cursor);
    void ScaleTitle(UINT dpi);
    HRESULT BuildTexturesWhileDecoding();
    // Waits for the decode and traces its end, with the reason of a failure.
    bool FinishDecode();

    // Declared after the image it fills: it finishes before the image goes.
    BackgroundDecode decode_;
    // The black windows over the monitors a full-screen screensaver leaves.
    MonitorCovers covers_;
    D3DMATRIX projection_;  // the last projection the device accepted
    char title_[sizeof PanoSettings::title + 1] = {};  // the caption, NUL-terminated
    UINT titleDpi_ = 96;  // the DPI the title font and its place are scaled to
};
