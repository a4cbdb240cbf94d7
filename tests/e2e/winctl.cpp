// winctl: what the end-to-end tests cannot do from X without a window
// manager. Finds a top-level window by its exact title and
//   maximize  asks it to maximise (as the title bar's button would)
//   text      prints the text of its static controls (a message box's message)
// Exit code 1 when no such window exists.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

BOOL CALLBACK PrintStatic(HWND child, LPARAM)
{
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0) {
        char text[2048] = {};
        if (GetWindowTextA(child, text, sizeof text) > 0) {
            std::fwrite(text, 1, std::strlen(text), stdout);
            std::fputc('\n', stdout);
        }
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: winctl maximize|text TITLE\n");
        return 2;
    }
    HWND window = FindWindowA(nullptr, argv[2]);
    if (!window) {
        return 1;
    }
    if (std::strcmp(argv[1], "maximize") == 0) {
        PostMessageA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        return 0;
    }
    if (std::strcmp(argv[1], "text") == 0) {
        EnumChildWindows(window, PrintStatic, 0);
        return 0;
    }
    return 2;
}
