// CD3DApplication in a real window under Wine: a small application draws
// frames while a script, run from timer messages inside its own message
// loop, minimises, pauses, resizes, toggles full screen, drives the
// change-device dialog and ends the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <mmsystem.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "display/device_table_win.h"
#include "framework/d3d_application_win.h"
#include "framework/status_codes.h"
#include "resources/resource_ids.h"

namespace {

constexpr UINT_PTR kScriptTimer = 77;
constexpr DWORD kScriptTimeoutMs = 20000;

class TestApp : public CD3DApplication {
public:
    // A step returns true when it is done; the next one runs on the next tick.
    using Step = std::function<bool(TestApp&)>;

    HRESULT AcquireDeviceResources() override
    {
        ++acquired;
        return S_OK;
    }
    HRESULT ReleaseDeviceResources() override
    {
        ++released;
        return S_OK;
    }
    HRESULT AdvanceScene(float seconds) override
    {
        sceneSeconds = seconds;
        return S_OK;
    }
    HRESULT DrawScene() override
    {
        ++frames;
        renderDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00336699, 1.0f, 0);
        return S_OK;
    }
    HRESULT ShutdownScene() override
    {
        ++shutdowns;
        return S_OK;
    }
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_TIMER && wParam == kScriptTimer) {
            RunScript();
            return 0;
        }
        return CD3DApplication::HandleMessage(hwnd, message, wParam, lParam);
    }

    // Runs the steps inside MainLoop; returns MainLoop's result.
    int Run(std::vector<Step> script)
    {
        steps = std::move(script);
        startTick = timeGetTime();
        SetTimer(window, kScriptTimer, 20, nullptr);
        return MainLoop();
    }

    int frames = 0, acquired = 0, released = 0, shutdowns = 0;
    float sceneSeconds = -1;
    bool finished = false;
    std::string failure;

private:
    // After the last step the program must end by itself; a run that
    // outlives the time limit fails and is closed.
    void RunScript()
    {
        if (timeGetTime() - startTick > kScriptTimeoutMs) {
            if (failure.empty()) {
                failure = finished ? "still running after the script" : "timed out at step " + std::to_string(next);
            }
            PostMessageA(window, WM_CLOSE, 0, 0);
            return;
        }
        if (next < steps.size() && steps[next](*this)) {
            ++next;
        }
        finished = next == steps.size();
    }

    std::vector<Step> steps;
    size_t next = 0;
    DWORD startTick = 0;
};

// Steps.
TestApp::Step WaitFrames(int count)
{
    auto start = std::make_shared<int>(-1);
    return [=](TestApp& app) {
        if (*start < 0) {
            *start = app.frames;
        }
        return app.frames >= *start + count;
    };
}

TestApp::Step WaitMs(DWORD ms)
{
    auto start = std::make_shared<std::optional<DWORD>>();
    return [=](TestApp&) {
        if (!*start) {
            *start = timeGetTime();
        }
        return timeGetTime() - **start >= ms;
    };
}

TestApp::Step Do(std::function<void(TestApp&)> action)
{
    return [=](TestApp& app) {
        action(app);
        return true;
    };
}

TestApp::Step Close()
{
    return Do([](TestApp& app) { PostMessageA(app.window, WM_CLOSE, 0, 0); });
}

struct AppRun {
    TestApp app;
    int exitCode = -1;
};

void StartApp(TestApp& app)
{
    ASSERT_EQ(app.Startup(GetModuleHandleA(nullptr), ""), S_OK);
    ASSERT_NE(app.window, nullptr);
    ASSERT_TRUE(app.isReady);
}

DWORD WindowStyle(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }

}  // namespace

TEST(Application, FramesWhileActiveNoneWhileMinimised)
{
    TestApp app;
    StartApp(app);
    int framesWhenMinimised = -1, framesAfterWait = -1;
    const int exitCode = app.Run({
        WaitFrames(5),
        Do([](TestApp& a) { ShowWindow(a.window, SW_MINIMIZE); }),
        Do([&](TestApp& a) { framesWhenMinimised = a.frames; }),
        WaitMs(300),
        Do([&](TestApp& a) {
            framesAfterWait = a.frames;
            EXPECT_FALSE(a.isActive);
            ShowWindow(a.window, SW_RESTORE);
        }),
        WaitFrames(5),
        Close(),
    });
    EXPECT_EQ(app.failure, "");
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(framesAfterWait, framesWhenMinimised);
    EXPECT_GT(app.frames, framesAfterWait);
    // Clean teardown: every acquisition released, the scene shut down once.
    EXPECT_EQ(app.acquired, app.released);
    EXPECT_EQ(app.shutdowns, 1);
    EXPECT_EQ(app.display, nullptr);
    EXPECT_FALSE(IsWindow(app.window));
}

TEST(Application, SceneClockStandsStillWhilePausedAndWhileMoving)
{
    TestApp app;
    StartApp(app);
    float before = 0, afterPause = 0, beforeMove = 0, afterMove = 0;
    DWORD wallBefore = 0, wallAfter = 0;
    app.Run({
        WaitFrames(3),
        Do([&](TestApp& a) {
            before = a.sceneSeconds;
            wallBefore = timeGetTime();
            a.SetPaused(true);
            EXPECT_FALSE(a.isReady);
        }),
        WaitMs(400),
        Do([](TestApp& a) { a.SetPaused(false); }),
        WaitFrames(2),
        Do([&](TestApp& a) {
            afterPause = a.sceneSeconds;
            wallAfter = timeGetTime();
            SendMessageA(a.window, WM_ENTERSIZEMOVE, 0, 0);
        }),
        Do([&](TestApp& a) { beforeMove = a.sceneSeconds; }),
        WaitMs(400),
        Do([](TestApp& a) { SendMessageA(a.window, WM_EXITSIZEMOVE, 0, 0); }),
        WaitFrames(2),
        Do([&](TestApp& a) { afterMove = a.sceneSeconds; }),
        Close(),
    });
    EXPECT_EQ(app.failure, "");
    EXPECT_GE(wallAfter - wallBefore, 400u);
    EXPECT_LT(afterPause - before, 0.25f) << "the 0.4 s pause was counted";
    EXPECT_GE(afterPause, before);
    EXPECT_LT(afterMove - beforeMove, 0.25f) << "the 0.4 s move loop was counted";
}

LRESULT SendPower(TestApp& app, WPARAM event)
{
    return SendMessageA(app.window, WM_POWERBROADCAST, event, 0);
}

// Newer Windows sends the resume without a query before it, and a vetoed
// query is followed by a failure notice instead of a resume: whatever the
// order, only the pause the query took is given back.
TEST(Application, PowerEventsGiveBackOnlyThePauseTheSuspendQueryTook)
{
    TestApp app;
    StartApp(app);
    int framesAtEnd = 0;
    app.Run({
        WaitFrames(2),
        Do([](TestApp& a) {
            SCOPED_TRACE("a resume without a query");
            EXPECT_EQ(SendPower(a, PBT_APMRESUMESUSPEND), 1);
            EXPECT_EQ(a.pauseDepth, 0);
            EXPECT_TRUE(a.isReady);
        }),
        Do([](TestApp& a) {
            SCOPED_TRACE("query, query again, resume, a second resume");
            EXPECT_EQ(SendPower(a, PBT_APMQUERYSUSPEND), 1) << "the suspension is granted";
            EXPECT_EQ(SendPower(a, PBT_APMQUERYSUSPEND), 1);
            EXPECT_EQ(a.pauseDepth, 1);
            EXPECT_FALSE(a.isReady);
            SendPower(a, PBT_APMRESUMESUSPEND);
            EXPECT_EQ(a.pauseDepth, 0);
            EXPECT_TRUE(a.isReady);
            SendPower(a, PBT_APMRESUMESUSPEND);
            EXPECT_EQ(a.pauseDepth, 0);
        }),
        Do([](TestApp& a) {
            SCOPED_TRACE("query, then the query-failed notice, then a resume");
            SendPower(a, PBT_APMQUERYSUSPEND);
            EXPECT_FALSE(a.isReady);
            SendPower(a, PBT_APMQUERYSUSPENDFAILED);
            EXPECT_EQ(a.pauseDepth, 0);
            EXPECT_TRUE(a.isReady);
            SendPower(a, PBT_APMRESUMESUSPEND);
            EXPECT_EQ(a.pauseDepth, 0);
        }),
        Do([](TestApp& a) {
            SCOPED_TRACE("a stray resume during a menu's pause");
            SendMessageA(a.window, WM_ENTERMENULOOP, FALSE, 0);
            SendPower(a, PBT_APMRESUMESUSPEND);
            EXPECT_EQ(a.pauseDepth, 1);
            EXPECT_FALSE(a.isReady);
            SendMessageA(a.window, WM_EXITMENULOOP, FALSE, 0);
            EXPECT_EQ(a.pauseDepth, 0);
        }),
        Do([&](TestApp& a) { framesAtEnd = a.frames; }),
        WaitFrames(3),
        Close(),
    });
    EXPECT_EQ(app.failure, "") << "the viewer stopped drawing after the power events";
    EXPECT_GE(app.frames, framesAtEnd + 3);
}

TEST(Application, ResizingAWindowRebuildsTheBackBuffer)
{
    TestApp app;
    StartApp(app);
    int acquiredBefore = 0;
    app.Run({
        WaitFrames(2),
        Do([&](TestApp& a) {
            acquiredBefore = a.acquired;
            SetWindowPos(a.window, nullptr, 0, 0, 500, 350, SWP_NOMOVE | SWP_NOZORDER);
        }),
        WaitFrames(2),
        Do([&](TestApp& a) {
            RECT client;
            GetClientRect(a.window, &client);
            EXPECT_GT(a.acquired, acquiredBefore);
            EXPECT_EQ(a.display->bufferWidth, client.right);
            EXPECT_EQ(a.display->bufferHeight, client.bottom);
        }),
        Close(),
    });
    EXPECT_EQ(app.failure, "");
}

TEST(Application, FullscreenToggleSwitchesStyleAndPresentationAndBack)
{
    TestApp app;
    StartApp(app);
    DWORD windowedStyle = 0;
    app.Run({
        WaitFrames(2),
        Do([&](TestApp& a) {
            windowedStyle = WindowStyle(a.window);
            SendMessageA(a.window, WM_COMMAND, CMD_TOGGLE_FULLSCREEN, 0);
            EXPECT_TRUE(a.display->fullscreen);
            EXPECT_EQ(a.selectedDevice->inWindow, 0u);
            // The system adds WS_CLIPSIBLINGS to every top-level window.
            EXPECT_EQ(WindowStyle(a.window) & ~DWORD{WS_CLIPSIBLINGS}, 0x90080000u);
            EXPECT_TRUE(a.isReady);
        }),
        WaitFrames(3),
        Do([&](TestApp& a) {
            SendMessageA(a.window, WM_COMMAND, CMD_TOGGLE_FULLSCREEN, 0);
            EXPECT_FALSE(a.display->fullscreen);
            EXPECT_EQ(a.selectedDevice->inWindow, 1u);
            EXPECT_EQ(WindowStyle(a.window), windowedStyle);
        }),
        WaitFrames(3),
        Close(),
    });
    EXPECT_EQ(app.failure, "");
    EXPECT_EQ(windowedStyle & WS_OVERLAPPEDWINDOW, DWORD{WS_OVERLAPPEDWINDOW});
}

TEST(Application, AltXEndsTheLoopWithZero)
{
    TestApp app;
    StartApp(app);
    const int exitCode = app.Run({
        WaitFrames(2),
        Do([](TestApp& a) {
            // Alt+X as the keyboard delivers it: Alt held, then a system key.
            BYTE keys[256];
            GetKeyboardState(keys);
            keys[VK_MENU] = 0x80;
            SetKeyboardState(keys);
            PostMessageA(a.window, WM_SYSKEYDOWN, 'X', 0x20000001);
        }),
    });
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(app.failure, "");
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(app.display, nullptr);
    EXPECT_EQ(app.shutdowns, 1);
}

TEST(Application, ChangeDeviceDialogCancelThenConfirm)
{
    TestApp app;
    StartApp(app);
    DeviceEntry* entries = nullptr;
    DWORD count = 0;
    GetDisplayDevices(&entries, &count);
    ASSERT_GE(count, 2u);
    DeviceEntry* const initial = app.selectedDevice;
    DeviceEntry* const other = &entries[1] == initial ? &entries[0] : &entries[1];
    const auto dialog = [] { return FindWindowA(nullptr, "Change device"); };
    const auto pickOther = [=](HWND d) {
        SendDlgItemMessageA(d, CTL_DEVICE_LIST, CB_SETCURSEL, other - entries, 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(CTL_DEVICE_LIST, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, CTL_DEVICE_LIST)));
    };
    int acquiredBefore = 0;
    app.Run({
        WaitFrames(2),
        Do([](TestApp& a) { PostMessageA(a.window, WM_KEYDOWN, VK_F2, 1); }),
        [&](TestApp&) { return dialog() != nullptr; },
        Do([&](TestApp& a) {
            HWND d = dialog();
            EXPECT_FALSE(a.isReady) << "paused while the dialog is open";
            EXPECT_EQ(SendDlgItemMessageA(d, CTL_DEVICE_LIST, CB_GETCOUNT, 0, 0), LRESULT(count));
            EXPECT_EQ(SendDlgItemMessageA(d, CTL_DEVICE_LIST, CB_GETCURSEL, 0, 0),
                      LRESULT(initial - entries));
            pickOther(d);
            // Checking the window box disables the mode list at once.
            SendDlgItemMessageA(d, CTL_WINDOWED, BM_CLICK, 0, 0);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(d, CTL_MODE_LIST)),
                      SendDlgItemMessageA(d, CTL_WINDOWED, BM_GETCHECK, 0, 0) != BST_CHECKED);
            SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
        }),
        [&](TestApp& a) { return dialog() == nullptr && a.isReady; },
        Do([&](TestApp& a) {
            EXPECT_EQ(a.selectedDevice, initial) << "Cancel writes nothing";
            acquiredBefore = a.acquired;
            PostMessageA(a.window, WM_KEYDOWN, VK_F2, 1);
        }),
        [&](TestApp&) { return dialog() != nullptr; },
        Do([&](TestApp&) {
            HWND d = dialog();
            pickOther(d);
            EXPECT_EQ(SendDlgItemMessageA(d, CTL_WINDOWED, BM_GETCHECK, 0, 0),
                      other->inWindow ? BST_CHECKED : BST_UNCHECKED);
            SendMessageA(d, WM_COMMAND, IDOK, 0);
        }),
        [&](TestApp& a) { return dialog() == nullptr && a.isReady; },
        WaitFrames(2),
        Do([&](TestApp& a) {
            EXPECT_EQ(a.selectedDevice, other);
            EXPECT_GT(a.acquired, acquiredBefore) << "a confirmed change rebuilds";
        }),
        Close(),
    });
    EXPECT_EQ(app.failure, "");
}

namespace {

struct MessageBoxSeen {
    std::string text;
    HICON icon = nullptr;
};

// Waits on another thread for a message box with the caption, reads it and
// presses OK.
DWORD WINAPI AnswerMessageBox(void* context)
{
    auto* seen = static_cast<std::pair<const char*, MessageBoxSeen>*>(context);
    for (int tries = 0; tries < 500; ++tries) {
        if (HWND box = FindWindowA("#32770", seen->first)) {
            char text[1024] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            seen->second.text = text;
            // Wine's message box keeps its icon in control 1088.
            seen->second.icon =
                reinterpret_cast<HICON>(SendDlgItemMessageA(box, 1088, STM_GETICON, 0, 0));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(10);
    }
    return 1;
}

MessageBoxSeen ShowAndRead(CD3DApplication& app, HRESULT code, int kind)
{
    std::pair<const char*, MessageBoxSeen> seen{app.windowTitle, {}};
    HANDLE reader = CreateThread(nullptr, 0, AnswerMessageBox, &seen, 0, nullptr);
    EXPECT_EQ(app.ShowFrameworkError(code, kind), IDOK);
    WaitForSingleObject(reader, 10000);
    CloseHandle(reader);
    return seen.second;
}

}  // namespace

TEST(FrameworkError, MessageBoxCarriesTextIconAndTitle)
{
    CD3DApplication app;
    app.windowTitle = "Panorama - Error test";
    const MessageBoxSeen fallback = ShowAndRead(app, FWERR_DEVICE_CREATE_FAILED, ERRKIND_FALLBACK);
    EXPECT_EQ(fallback.text,
              "Could not create the Direct3DDevice object."
              "\nThe 3D hardware chipset may not support\nrendering in the current display mode."
              "\n\nSwitching to software rasterizer.");
    EXPECT_EQ(fallback.icon, LoadIconA(nullptr, IDI_WARNING));

    const MessageBoxSeen fatal = ShowAndRead(app, E_FAIL, ERRKIND_FATAL);
    EXPECT_EQ(fatal.text, "Generic application error.\n\nEnable debug output for detailed "
                          "information.\n\nThis sample will now exit.");
    EXPECT_EQ(fatal.icon, LoadIconA(nullptr, IDI_ERROR));
}
