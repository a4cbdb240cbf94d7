// Values the program's entry sets once, before the viewer exists, and the
// viewer reads afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "package/pano_settings.h"
#include "package/payload.h"
#include "package/viewer_options.h"
#include "platform/platform_types.h"

enum NavigationCursor {
    CURSOR_LEFT,
    CURSOR_RIGHT,
    CURSOR_UP,
    CURSOR_DOWN,
    CURSOR_LEFTUP,
    CURSOR_RIGHTUP,
    CURSOR_LEFTDOWN,
    CURSOR_RIGHTDOWN,
    CURSOR_NAVISIZE,
    NAVIGATION_CURSOR_COUNT
};

// Resource names of the cursors, in the order the entry loads them.
extern const char* const kNavigationCursorNames[NAVIGATION_CURSOR_COUNT];

constexpr size_t kModulePathCapacity = 260;

struct StartupState {
    HINSTANCE instanceHandle = nullptr;
    HCURSOR cursors[NAVIGATION_CURSOR_COUNT] = {};
    std::unique_ptr<PanoSettings> settings;  // never null once the viewer exists
    ViewerOptions options;                    // none without an options record
    bool screensaverMode = false;
    // The window a live preview draws into (its handle); 0 outside a preview.
    uint64_t previewWindow = 0;
    int32_t fullscreenAtStart = 0;
    int32_t imageOffset = 0;  // -1: no image record; 0: executable unreadable
    // The panoramas after the first, with the slideshow option; else none.
    std::vector<FurtherPanorama> furtherPanoramas;
    char modulePath[kModulePathCapacity] = {};
};

// The one start-up state of the process.
extern StartupState startupState;

