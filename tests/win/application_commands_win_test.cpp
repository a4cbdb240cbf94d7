// The framework's window commands and system commands: what is refused while
// minimised, paused or full screen, what a full-screen window does with size
// messages and hit tests, and the smallest window.
#include "application_test_app_win.h"

using namespace apptest;

namespace {

TestApp::Step ToggleFullscreen()
{
    return Do([](TestApp& a) { SendMessageA(a.window, WM_COMMAND, CMD_TOGGLE_FULLSCREEN, 0); });
}

LRESULT HitTest(HWND window, POINT at)
{
    return SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
}

// A point on the title bar and one beside the window.
POINT TitleBarPoint(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, r.top + GetSystemMetrics(SM_CYFRAME) + 2};
}

POINT OutsidePoint(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return POINT{r.right + 20, r.bottom + 20};
}

}  // namespace

TEST(WindowCommands, FullscreenSwitchAndDeviceChangeRefusedWhileMinimisedOrPaused)
{
    struct Case {
        const char* label;
        std::function<void(TestApp&)> enter, leave;
    };
    const Case cases[] = {
        {"minimised", [](TestApp& a) { ShowWindow(a.window, SW_MINIMIZE); },
         [](TestApp& a) { ShowWindow(a.window, SW_RESTORE); }},
        {"paused", [](TestApp& a) { a.SetPaused(true); }, [](TestApp& a) { a.SetPaused(false); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TestApp app;
        app.windowTitle = "Refused commands test";
        BoxAnswerer answerer(app.windowTitle);
        StartApp(app);
        app.Run({
            WaitFrames(2),
            Do(c.enter),
            Do([](TestApp& a) {
                EXPECT_FALSE(a.isActive && a.isReady);
                const int acquired = a.acquired;
                for (WPARAM command : {WPARAM{CMD_TOGGLE_FULLSCREEN}, WPARAM{CMD_CHANGE_DEVICE}}) {
                    SCOPED_TRACE(command);
                    EXPECT_EQ(SendMessageA(a.window, WM_COMMAND, command, 0), 0);
                    EXPECT_EQ(a.acquired, acquired) << "rebuilt";
                    EXPECT_EQ(a.selectedDevice->inWindow, 1u);
                    EXPECT_FALSE(a.display->fullscreen);
                }
            }),
            Do(c.leave),
            WaitFrames(2),
            Close(),
        });
        answerer.Stop();
        EXPECT_EQ(app.failure, "");
        EXPECT_EQ(answerer.ChangeDeviceDialogs(), 0);
        EXPECT_EQ(app.pauseDepth, 0);
    }
}

TEST(WindowCommands, FullscreenIgnoresSizesAndRefusesSystemCommands)
{
    struct Command {
        const char* label;
        WPARAM command;
    };
    const Command refused[] = {
        {"SC_SIZE", SC_SIZE},
        {"SC_MOVE", SC_MOVE},
        {"SC_MAXIMIZE", SC_MAXIMIZE},
        {"SC_MONITORPOWER", SC_MONITORPOWER},
    };
    TestApp app;
    StartApp(app);
    app.Run({
        WaitFrames(2),
        ToggleFullscreen(),
        WaitFrames(2),
        Do([&](TestApp& a) {
            ASSERT_TRUE(a.display->fullscreen);
            const int acquired = a.acquired;
            SendMessageA(a.window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
            SetWindowPos(a.window, nullptr, 0, 0, 500, 350, SWP_NOMOVE | SWP_NOZORDER);
            EXPECT_TRUE(a.isActive);
            SendMessageA(a.window, WM_SIZE, SIZE_MINIMIZED, 0);
            EXPECT_FALSE(a.isActive);
            SendMessageA(a.window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
            EXPECT_TRUE(a.isActive);
            EXPECT_EQ(a.acquired, acquired) << "a size message rebuilt in full screen";

            for (const Command& c : refused) {
                SCOPED_TRACE(c.label);
                EXPECT_EQ(SendMessageA(a.window, WM_SYSCOMMAND, c.command, 0), 1);
            }
            EXPECT_EQ(a.sizeMoveLoops, 0) << "a move or size loop ran";
            EXPECT_FALSE(IsZoomed(a.window));
            EXPECT_EQ(a.acquired, acquired);

            EXPECT_EQ(HitTest(a.window, TitleBarPoint(a.window)), HTCLIENT);
            EXPECT_EQ(HitTest(a.window, OutsidePoint(a.window)), HTCLIENT);
        }),
        WaitFrames(2),
        ToggleFullscreen(),
        WaitFrames(2),
        Do([](TestApp& a) {
            ASSERT_FALSE(a.display->fullscreen);
            EXPECT_EQ(HitTest(a.window, TitleBarPoint(a.window)), HTCAPTION);
            EXPECT_EQ(HitTest(a.window, OutsidePoint(a.window)), HTNOWHERE);
            EXPECT_NE(SendMessageA(a.window, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 1);

            // The system's move and size loops from the keyboard: sizing
            // starts when an arrow key picks the border; Escape ends both.
            struct Loop {
                WPARAM command;
                std::vector<WPARAM> keys;
            };
            const Loop loops[] = {{SC_MOVE, {VK_ESCAPE}}, {SC_SIZE, {VK_RIGHT, VK_ESCAPE}}};
            for (const Loop& loop : loops) {
                SCOPED_TRACE(loop.command);
                const int loopsBefore = a.sizeMoveLoops;
                for (WPARAM key : loop.keys) {
                    PostMessageA(a.window, WM_KEYDOWN, key, 0);
                }
                EXPECT_NE(SendMessageA(a.window, WM_SYSCOMMAND, loop.command, 0), 1);
                EXPECT_EQ(a.sizeMoveLoops, loopsBefore + 1);
            }

            const int acquired = a.acquired;
            EXPECT_NE(SendMessageA(a.window, WM_SYSCOMMAND, SC_MAXIMIZE, 0), 1);
            EXPECT_TRUE(IsZoomed(a.window));
            EXPECT_GT(a.acquired, acquired) << "the maximised window was not rebuilt";
            SendMessageA(a.window, WM_SYSCOMMAND, SC_RESTORE, 0);
        }),
        WaitFrames(2),
        Close(),
    });
    EXPECT_EQ(app.failure, "");
}

TEST(WindowCommands, WindowIsAtLeast100By100)
{
    TestApp app;
    StartApp(app);
    app.Run({
        WaitFrames(2),
        Do([](TestApp& a) {
            MINMAXINFO info = {};
            SendMessageA(a.window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
            EXPECT_EQ(info.ptMinTrackSize.x, 100);
            EXPECT_EQ(info.ptMinTrackSize.y, 100);

            SetWindowPos(a.window, nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
            RECT r;
            GetWindowRect(a.window, &r);
            EXPECT_EQ(r.right - r.left, 100);
            EXPECT_EQ(r.bottom - r.top, 100);
        }),
        WaitFrames(2),
        Do([](TestApp& a) {
            RECT client;
            GetClientRect(a.window, &client);
            EXPECT_EQ(a.display->bufferWidth, client.right);
            EXPECT_EQ(a.display->bufferHeight, client.bottom);
        }),
        Close(),
    });
    EXPECT_EQ(app.failure, "");
}
