// Prints what this executable finds in its own payload: the settings title
// and window size, and the image offset. Exit code 3 when there are no
// settings, as the viewer would end at once.
#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include "package/module_path_win.h"
#include "package/payload.h"
#include "package/payload_anchor.h"

int main()
{
    _setmode(_fileno(stdout), _O_BINARY);
    char path[MAX_PATH];
    if (!GetOwnModulePath(GetModuleHandleA(nullptr), path, sizeof path)) {
        return 2;
    }
    const uint32_t payloadOffset = payloadAnchor.payloadOffset;
    const auto settings = ReadPanoSettings(path, payloadOffset);
    std::printf("payloadOffset %u\n", static_cast<unsigned>(payloadOffset));
    if (!settings) {
        return 3;
    }
    std::printf("title %s\nwindow %d %d\nimage %d\n", settings->title,
                static_cast<int>(settings->windowWidth), static_cast<int>(settings->windowHeight),
                static_cast<int>(FindPanoImage(path, payloadOffset)));
    return 0;
}
