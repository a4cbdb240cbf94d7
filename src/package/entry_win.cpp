// The program's entry: reads the payload of its own executable into the
// start-up state.
#include <windows.h>

#include "package/module_path_win.h"
#include "package/payload.h"
#include "package/payload_anchor.h"
#include "package/startup_state.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
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
    state.screensaverMode = state.settings->screensaver != 0;
    state.fullscreenAtStart = state.settings->startFullscreen;
    state.imageOffset = FindPanoImage(path, payloadOffset);
    lstrcpynA(state.modulePath, path, sizeof state.modulePath);

    state.settings.reset();
    return 0;
}
