#include "package/startup_state.h"

const char* const kNavigationCursorNames[NAVIGATION_CURSOR_COUNT] = {
    "CRLEFT", "CRRIGHT", "CRUP", "CRDOWN", "CRLEFTUP", "CRRIGHTUP", "CRLEFTDOWN", "CRRIGHTDOWN",
    "NAVISIZE",
};

StartupState startupState;

