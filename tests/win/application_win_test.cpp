// CD3DApplication in a real window under Wine: a small application draws
// frames while a script, run from timer messages inside its own message
// loop, minimises, pauses, resizes, toggles full screen, drives the
// change-device dialog and ends the program.
#include "application_test_app_win.h"

using namespace apptest;

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

MessageBoxSeen ShowAndRead(CD3DApplication& app, HRESULT code, int kind)
{
    BoxAnswerer answerer(app.windowTitle);
    EXPECT_EQ(app.ShowFrameworkError(code, kind), IDOK);
    answerer.Stop();
    EXPECT_EQ(answerer.Seen().size(), 1u);
    return answerer.Seen().empty() ? MessageBoxSeen{} : answerer.Seen().front();
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
