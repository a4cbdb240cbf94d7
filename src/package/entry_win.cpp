// The program's entry: reads the payload of its own executable, decides
// between viewer and screensaver, answers the screensaver switches and runs
// the viewer.
#include <windows.h>

#include <memory>
#include <new>

#include "framework/stage_trace_win.h"
#include "package/launch_switches.h"
#include "package/module_path_win.h"
#include "package/payload.h"
#include "package/payload_anchor.h"
#include "package/startup_state.h"
#include "resources/resource_ids.h"
#include "viewer/pano_player_win.h"

namespace {

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, 1);
    }
    return FALSE;
}

void ShowAboutBox(HINSTANCE instance)
{
    DialogBoxParamA(instance, MAKEINTRESOURCEA(DLG_ABOUT), nullptr, AboutDialogProc, 0);
}

int RunViewer(HINSTANCE instance, char* commandLine)
{
    std::unique_ptr<CPanoPlayer> viewer(new (std::nothrow) CPanoPlayer);
    if (!viewer || FAILED(viewer->Startup(instance, commandLine))) {
        return 0;  // the framework has reported the failure
    }
    return viewer->MainLoop();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    StartStageTrace();
    StartupState& state = startupState;
    state.instanceHandle = instance;
    for (int i = 0; i < NAVIGATION_CURSOR_COUNT; ++i) {
        state.cursors[i] = LoadCursorA(instance, kNavigationCursorNames[i]);
    }

    char path[kModulePathCapacity];
    if (!GetOwnModulePath(instance, path, sizeof path)) {
        return 0;
    }
    const uint32_t payloadOffset = payloadAnchor.payloadOffset;
    state.settings = ReadPanoSettings(path, payloadOffset);
    if (!state.settings) {
        return 0;
    }
    TraceStage("settings-read");
    state.screensaverMode = state.settings->screensaver != 0;
    state.fullscreenAtStart = state.settings->startFullscreen;
    state.options = ReadViewerOptions(path, payloadOffset);
    const LaunchChoice choice = state.screensaverMode
                                    ? DecideLaunch(commandLine, state.options.Has(FEATURE_PREVIEW))
                                    : LaunchChoice{Launch::Run, 0};
    Launch launch = choice.launch;
    if (launch == Launch::Preview) {
        // A handle that names no window leaves nothing to draw into.
        const auto parent = reinterpret_cast<HWND>(static_cast<uintptr_t>(choice.previewWindow));
        if (IsWindow(parent)) {
            state.previewWindow = choice.previewWindow;
        } else {
            launch = Launch::Nothing;
        }
    } else if (state.screensaverMode) {
        // The mutex stays open until the process ends: its name marks a
        // running screensaver. A preview takes none: the dialog starts the
        // screensaver itself while its preview runs.
        SetLastError(0);
        CreateMutexA(nullptr, FALSE, "Zyllora Screensaver");
        if (GetLastError() != 0) {
            return 0;
        }
    }
    state.imageOffset = FindPanoImage(path, payloadOffset);
    if (state.options.Has(FEATURE_SLIDESHOW)) {
        state.furtherPanoramas = ReadFurtherPanoramas(path, payloadOffset);
    }
    lstrcpynA(state.modulePath, path, sizeof state.modulePath);

    int exitCode = 0;
    if (launch == Launch::About) {
        ShowAboutBox(instance);
    } else if (launch == Launch::Run || launch == Launch::Preview) {
        exitCode = RunViewer(instance, commandLine);
    }
    state.settings.reset();
    return exitCode;
}
