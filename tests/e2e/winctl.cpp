// winctl: what the end-to-end and soak tests cannot do from X without a
// window manager. Finds a top-level window by its exact title and
//   maximize  asks it to maximise (as the title bar's button would)
//   minimize  asks it to minimise (the title bar's button)
//   restore   asks it to restore a minimised window (a click on its task)
//   resize W H  gives it an outer size of W x H (as a drag of its border ends)
//   close     posts WM_CLOSE (the title bar's close button)
//   activate  restores it if minimised and makes it the foreground window
//             (as a click on its task would)
//   text      prints the text of its static controls (a message box's message)
//   items     prints the items of its combo boxes, one per line
//   state     prints what its thread is in and how it shows: "menu" (a menu
//             loop, also with no menu open), "movesize", "iconic"
// Exit code 1 when no such window exists. Without a title:
//   windows CLASS  prints one line per visible top-level window of that class
//                  (#32770 dialogs, #32768 menus): its title, a tab and the
//                  text of its static controls joined by " / "
//   release        lets go of the left button where Wine still holds it, and
//                  prints "left up" or "left down": a press that ends a
//                  program leaves its release to no window of Wine's, and
//                  Wine then holds the button down for the next program
//   click X Y      posts a left button press and release to the window at
//                  desktop point X, Y: Wine keeps the pointer on the monitor
//                  of an exclusive full-screen window, so X cannot click on
//                  another monitor then
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

BOOL CALLBACK PrintComboItems(HWND child, LPARAM)
{
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "ComboBox") != 0) {
        return TRUE;
    }
    // Wine hands another process a combo box's items in UTF-16 only.
    const LRESULT count = SendMessageW(child, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        if (SendMessageW(child, CB_GETLBTEXTLEN, i, 0) < 256) {
            SendMessageW(child, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            std::printf("%ls\n", text);
        }
    }
    return TRUE;
}

BOOL CALLBACK JoinStatic(HWND child, LPARAM joined)
{
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    char text[2048] = {};
    if (lstrcmpiA(className, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) {
        std::string& line = *reinterpret_cast<std::string*>(joined);
        if (!line.empty()) {
            line += " / ";
        }
        for (const char* c = text; *c; ++c) {
            line += (*c == '\r' || *c == '\n') ? ' ' : *c;
        }
    }
    return TRUE;
}

BOOL CALLBACK PrintOfClass(HWND window, LPARAM wanted)
{
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (IsWindowVisible(window) && lstrcmpA(className, reinterpret_cast<const char*>(wanted)) == 0) {
        char title[256] = {};
        GetWindowTextA(window, title, sizeof title);
        std::string text;
        EnumChildWindows(window, JoinStatic, reinterpret_cast<LPARAM>(&text));
        std::printf("%s\t%s\n", title, text.c_str());
    }
    return TRUE;
}

void PrintState(HWND window)
{
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
    std::string words;
    const auto add = [&words](bool on, const char* word) {
        if (on) {
            words += words.empty() ? "" : " ";
            words += word;
        }
    };
    add((thread.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0, "menu");
    add((thread.flags & GUI_INMOVESIZE) != 0, "movesize");
    add(IsIconic(window) != 0, "iconic");
    std::printf("%s\n", words.c_str());
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: winctl maximize|minimize|restore|close|activate|text|state TITLE\n"
                 "       winctl resize TITLE WIDTH HEIGHT\n"
                 "       winctl windows CLASS\n"
                 "       winctl release\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "release") == 0) {
        if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) {
            INPUT up = {};
            up.type = INPUT_MOUSE;
            up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
            SendInput(1, &up, sizeof up);
        }
        std::printf("left %s\n", GetAsyncKeyState(VK_LBUTTON) & 0x8000 ? "down" : "up");
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "click") == 0) {
        POINT at{std::atoi(argv[2]), std::atoi(argv[3])};
        HWND target = WindowFromPoint(at);
        if (!target) {
            return 1;
        }
        ScreenToClient(target, &at);
        const LPARAM where = MAKELPARAM(at.x, at.y);
        PostMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, where);
        PostMessageA(target, WM_LBUTTONUP, 0, where);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "windows") == 0) {
        EnumWindows(PrintOfClass, reinterpret_cast<LPARAM>(argv[2]));
        return 0;
    }
    const bool resize = argc == 5 && std::strcmp(argv[1], "resize") == 0;
    if (argc != 3 && !resize) {
        return Usage();
    }
    HWND window = FindWindowA(nullptr, argv[2]);
    if (!window) {
        return 1;
    }
    if (resize) {
        const int width = std::atoi(argv[3]);
        const int height = std::atoi(argv[4]);
        SetWindowPos(window, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    const struct {
        const char* verb;
        UINT message;
        WPARAM command;
    } posted[] = {
        {"maximize", WM_SYSCOMMAND, SC_MAXIMIZE},
        {"minimize", WM_SYSCOMMAND, SC_MINIMIZE},
        {"restore", WM_SYSCOMMAND, SC_RESTORE},
        {"close", WM_CLOSE, 0},
    };
    for (const auto& entry : posted) {
        if (std::strcmp(argv[1], entry.verb) == 0) {
            PostMessageA(window, entry.message, entry.command, 0);
            return 0;
        }
    }
    if (std::strcmp(argv[1], "activate") == 0) {
        if (IsIconic(window)) {
            SendMessageTimeoutA(window, WM_SYSCOMMAND, SC_RESTORE, 0, SMTO_ABORTIFHUNG, 5000,
                                nullptr);
        }
        SetForegroundWindow(window);
        return 0;
    }
    if (std::strcmp(argv[1], "text") == 0) {
        EnumChildWindows(window, PrintStatic, 0);
        return 0;
    }
    if (std::strcmp(argv[1], "items") == 0) {
        EnumChildWindows(window, PrintComboItems, 0);
        return 0;
    }
    if (std::strcmp(argv[1], "state") == 0) {
        PrintState(window);
        return 0;
    }
    return Usage();
}
