// preview_host: plays the Screen Saver Settings dialog's part for a live
// preview. It opens a window titled "Preview host" with a little monitor
// picture (a black 152 x 112 child area), starts SCREENSAVER /p with the
// area's handle, prints the area's place on the screen as "area X Y W H",
// keeps the window for SECONDS, prints whether the screensaver is "running"
// or "ended" then, destroys the window as the dialog does when it closes,
// and prints the screensaver's end: "exit CODE", or "exit timeout" when it
// has not ended 10 s later (it is then killed). Exit code 0 when the
// screensaver ended by itself.
//   preview_host SCREENSAVER SECONDS
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kAreaWidth = 152, kAreaHeight = 112;

// Keeps the window's messages flowing for ms milliseconds.
void PumpFor(DWORD ms)
{
    const DWORD end = GetTickCount() + ms;
    for (DWORD now = GetTickCount(); static_cast<LONG>(end - now) > 0; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: preview_host SCREENSAVER SECONDS\n");
        return 2;
    }
    // Both keep their painting off their children, as the dialog does.
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "PreviewHostArea";
    RegisterClassA(&windowClass);
    HWND host = CreateWindowExA(0, "STATIC", "Preview host",
                                WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 400,
                                300, nullptr, nullptr, nullptr, nullptr);
    HWND area = CreateWindowExA(0, "PreviewHostArea", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                40, 40, kAreaWidth, kAreaHeight, host, nullptr,
                                windowClass.hInstance, nullptr);
    if (!host || !area) {
        std::fprintf(stderr, "preview_host: cannot make the window\n");
        return 2;
    }
    PumpFor(500);
    std::string commandLine = std::string("\"") + argv[1] + "\" /p " +
                              std::to_string(reinterpret_cast<uintptr_t>(area));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "preview_host: cannot start %s\n", argv[1]);
        return 2;
    }
    POINT origin{0, 0};
    ClientToScreen(area, &origin);
    std::printf("area %ld %ld %d %d\n", origin.x, origin.y, kAreaWidth, kAreaHeight);
    std::fflush(stdout);
    PumpFor(static_cast<DWORD>(std::atoi(argv[2]) * 1000));
    std::printf("%s when the host closes\n",
                WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0 ? "ended" : "running");
    DestroyWindow(host);
    PumpFor(100);
    DWORD code = 0;
    const bool ended = WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process.hProcess, &code);
    if (ended) {
        std::printf("exit %lu\n", code);
    } else {
        std::printf("exit timeout\n");
        TerminateProcess(process.hProcess, 1);
    }
    std::fflush(stdout);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended ? 0 : 1;
}
