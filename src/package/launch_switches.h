// What a screensaver's command line asks for: run full screen (/s), the
// about box (/c or nothing), the live preview in a window of the Screen
// Saver Settings dialog (/p and its handle), or nothing at all.
#pragma once

#include <cstdint>

enum class Launch { Run, About, Preview, Nothing };

struct LaunchChoice {
    Launch launch = Launch::Nothing;
    // With Preview: the handle of the window to draw into, as written.
    uint64_t previewWindow = 0;
};

// Only the first two characters choose, in either case. /p is a preview
// only when previews are on and a decimal handle other than 0 follows after
// a blank or a colon; otherwise, like any other switch, it asks for nothing.
LaunchChoice DecideLaunch(const char* commandLine, bool previewsOn);
