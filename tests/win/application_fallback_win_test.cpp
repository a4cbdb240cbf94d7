// The one-time software fallback: a hardware device that cannot be used is
// replaced by the software device after a warning, also when the window is
// closed, resized or sent commands while the warning is up; and a start-up
// whose every device fails gives back all it took.
#include "application_test_app_win.h"

#include <ddraw.h>

using namespace apptest;

namespace {

const char kWarningText[] = "There was insufficient video memory to use the\nhardware device."
                            "\n\nSwitching to software rasterizer.";
const char kFatalText[] = "There was insufficient video memory to use the\nhardware device."
                          "\n\nThis sample will now exit.";

// The desktop's own mode at another bit depth, which Wine can set.
void ChooseFullscreenAt16Bits(TestApp& app)
{
    TreatRgbDeviceAsSoftware();
    app.selectedDevice->inWindow = 0;
    ChooseMode(*app.selectedDevice,
               ModeKey{static_cast<uint32_t>(GetSystemMetrics(SM_CXSCREEN)),
                       static_cast<uint32_t>(GetSystemMetrics(SM_CYSCREEN)), 16});
}

int DesktopBits()
{
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

HWND AppWindow(const char* title) { return FindWindowA("D3D Window", title); }

// Waits up to two seconds for a condition that another thread brings about.
bool WaitFor(const std::function<bool()>& condition)
{
    for (int tries = 0; tries < 400; ++tries) {
        if (condition()) {
            return true;
        }
        Sleep(5);
    }
    return condition();
}

// Interference from another thread while the warning is up.
void CloseAppWindow(const char* title)
{
    HWND window = AppWindow(title);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([=] { return !IsWindow(window); })) << "the window was not closed";
}

constexpr int kResizedWidth = 520, kResizedHeight = 380;

// A real resize, then the full-screen switch and the change-device command.
// Nothing may block: a rebuild started under the warning would show a
// second box and never return to this thread.
void ResizeToggleAndChangeDevice(const char* title)
{
    HWND window = AppWindow(title);
    SetWindowPos(window, nullptr, 0, 0, kResizedWidth, kResizedHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_ASYNCWINDOWPOS);
    EXPECT_TRUE(WaitFor([=] {
        RECT r;
        GetWindowRect(window, &r);
        return r.right - r.left == kResizedWidth && r.bottom - r.top == kResizedHeight;
    })) << "the resize did not arrive";
    DWORD_PTR result = 0;
    for (WPARAM command : {WPARAM{CMD_TOGGLE_FULLSCREEN}, WPARAM{CMD_CHANGE_DEVICE}}) {
        EXPECT_NE(SendMessageTimeoutA(window, WM_COMMAND, command, 0, SMTO_NORMAL, 3000, &result),
                  0)
            << "command " << command << " did not return";
    }
}

// A resize under the warning is not lost: the back buffer of the build
// that follows has the new client size.
TestApp::Step CheckBufferFollowsResize()
{
    return Do([](TestApp& a) {
        RECT outer, client;
        GetWindowRect(a.window, &outer);
        GetClientRect(a.window, &client);
        EXPECT_EQ(outer.right - outer.left, kResizedWidth);
        EXPECT_EQ(a.display->bufferWidth, client.right);
        EXPECT_EQ(a.display->bufferHeight, client.bottom);
    });
}

}  // namespace

// Wine offers a T&L HAL, a HAL and an RGB device; the default is the T&L HAL
// and the RGB device stands in for the software one.
TEST(SoftwareFallback, WarnsThenDrawsWithTheSoftwareDevice)
{
    struct Case {
        const char* label;
        FailOn failOn;
        bool fullscreenAtStart;
        const char* warning;
    };
    const Case cases[] = {
        {"device resources fail on the hardware device", FailOn::HardwareDevices, false,
         kWarningText},
        {"the hardware device cannot set its full-screen mode", FailOn::Nothing, true,
         "Bad display mode\n\nSwitching to software rasterizer."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TestApp app;
        app.windowTitle = "Fallback test";
        app.failOn = c.failOn;
        app.prepare = [&](TestApp& a) {
            TreatRgbDeviceAsSoftware();
            if (c.fullscreenAtStart) {
                // A mode the screen does not offer.
                a.selectedDevice->inWindow = 0;
                a.selectedDevice->chosenMode.dwWidth = 123;
                a.selectedDevice->chosenMode.dwHeight = 45;
            }
        };
        BoxAnswerer answerer(app.windowTitle);
        StartApp(app);
        answerer.Stop();
        ASSERT_EQ(answerer.Seen().size(), 1u);
        EXPECT_EQ(answerer.Seen()[0].text, c.warning);
        EXPECT_EQ(answerer.Seen()[0].icon, LoadIconA(nullptr, IDI_WARNING));
        EXPECT_EQ(app.selectedDevice->hardwareRaster, 0u);
        EXPECT_EQ(app.selectedDevice->inWindow, 1u);
        EXPECT_FALSE(app.display->fullscreen);

        const int exitCode = app.Run({WaitFrames(3), Close()});
        EXPECT_EQ(app.failure, "");
        EXPECT_EQ(exitCode, 0);
        EXPECT_GE(app.frames, 3);
        EXPECT_EQ(app.acquired, app.released);
        EXPECT_EQ(app.acquiredOverHeld, 0);
    }
}

// The warning has no owner, so the viewer's window goes on receiving
// messages while it is up: at start-up, and in a rebuild of the running
// program (the windowed rebuild after a desktop mode change, which keeps
// the application ready).
TEST(SoftwareFallback, WarningSurvivesWhatTheWindowReceivesMeanwhile)
{
    enum class Context { Startup, RunningRebuild };
    enum class Meanwhile { Close, ResizeToggleAndChangeDevice };
    struct Case {
        const char* label;
        Context context;
        Meanwhile meanwhile;
    };
    const Case cases[] = {
        {"closed at start-up", Context::Startup, Meanwhile::Close},
        {"resized and sent commands at start-up", Context::Startup,
         Meanwhile::ResizeToggleAndChangeDevice},
        {"closed in a rebuild", Context::RunningRebuild, Meanwhile::Close},
        {"resized and sent commands in a rebuild", Context::RunningRebuild,
         Meanwhile::ResizeToggleAndChangeDevice},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        static const char kTitle[] = "Fallback interference test";
        const bool closes = c.meanwhile == Meanwhile::Close;
        TestApp app;
        app.windowTitle = kTitle;
        app.prepare = [](TestApp&) { TreatRgbDeviceAsSoftware(); };
        BoxAnswerer answerer(kTitle, [&] {
            if (closes) {
                CloseAppWindow(kTitle);
            } else {
                ResizeToggleAndChangeDevice(kTitle);
            }
        });

        HRESULT built = E_UNEXPECTED;
        int exitCode = -1;
        if (c.context == Context::Startup) {
            app.failOn = FailOn::HardwareDevices;
            built = app.Startup(GetModuleHandleA(nullptr), "");
            if (SUCCEEDED(built)) {
                exitCode = app.Run({WaitFrames(3), CheckBufferFollowsResize(), Close()});
            } else {
                EXPECT_TRUE(TakeQuitMessage()) << "the close posted no quit message";
            }
        } else {
            StartApp(app);
            exitCode = app.Run({
                WaitFrames(2),
                Do([&](TestApp& a) {
                    a.failOn = FailOn::HardwareDevices;
                    // What the frame step does on a changed desktop mode.
                    built = a.RebuildEnvironment();
                }),
                WaitFrames(3),
                CheckBufferFollowsResize(),
                Close(),
            });
            EXPECT_EQ(exitCode, 0);
        }
        answerer.Stop();
        EXPECT_EQ(app.failure, "");
        ASSERT_FALSE(answerer.Seen().empty());
        EXPECT_EQ(answerer.Seen().size(), 1u) << "only the warning, no fatal message";
        EXPECT_EQ(answerer.Seen()[0].text, kWarningText);
        EXPECT_EQ(answerer.ChangeDeviceDialogs(), 0);
        // No acquisition over one that was not given back: no device's
        // objects were overwritten by a nested rebuild.
        EXPECT_EQ(app.acquiredOverHeld, 0);
        EXPECT_EQ(app.acquired, app.released);
        // Each acquisition, on a hardware device or not: the working device
        // of a running program, the failing one, then the software device
        // unless the window was closed.
        std::vector<bool> expectedAcquisitions{true};
        if (c.context == Context::RunningRebuild) {
            expectedAcquisitions.push_back(true);
        }
        if (!closes) {
            expectedAcquisitions.push_back(false);
        }
        EXPECT_EQ(app.acquiredHardware, expectedAcquisitions);
        if (closes) {
            EXPECT_TRUE(FAILED(built)) << std::hex << built;
            EXPECT_EQ(app.display, nullptr);
            EXPECT_EQ(app.shutdowns, 1);
            EXPECT_FALSE(IsWindow(app.window));
        } else {
            EXPECT_EQ(built, S_OK);
            EXPECT_EQ(exitCode, 0);
            EXPECT_EQ(app.selectedDevice->inWindow, 1u) << "the full-screen switch was taken";
            EXPECT_GE(app.frames, 3);
        }
    }
}

// Every device fails: the warning, then the fatal message; start-up fails
// and gives back the device resources, the display and exclusive mode. A
// menu left under the fatal message makes the application ready again, but
// nothing stands to rebuild: a resize or a command there starts no build.
TEST(StartupFailure, EveryDeviceFailsThenEverythingIsGivenBack)
{
    struct Case {
        const char* label;
        bool fullscreen;
        bool meddleUnderFatalMessage;
    };
    const Case cases[] = {{"in a window", false, false},
                          {"full screen at 16 bits", true, false},
                          {"a menu left, resized and sent commands under the fatal message",
                           false, true}};
    const int desktopBits = DesktopBits();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        static const char kTitle[] = "Startup failure test";
        TestApp app;
        app.windowTitle = kTitle;
        app.failOn = FailOn::EveryDevice;
        app.prepare = c.fullscreen ? ChooseFullscreenAt16Bits
                                   : [](TestApp&) { TreatRgbDeviceAsSoftware(); };
        std::vector<int> bitsAtAcquire;
        app.onAcquire = [&](TestApp&) { bitsAtAcquire.push_back(DesktopBits()); };
        int boxes = 0;
        BoxAnswerer answerer(kTitle, [&] {
            if (++boxes == 2 && c.meddleUnderFatalMessage) {
                DWORD_PTR result = 0;
                for (UINT message : {WM_ENTERMENULOOP, WM_EXITMENULOOP}) {
                    SendMessageTimeoutA(AppWindow(kTitle), message, FALSE, 0, SMTO_NORMAL, 3000,
                                        &result);
                }
                ResizeToggleAndChangeDevice(kTitle);
            }
        });
        EXPECT_EQ(app.Startup(GetModuleHandleA(nullptr), ""), E_FAIL);
        answerer.Stop();

        ASSERT_EQ(answerer.Seen().size(), 2u);
        EXPECT_EQ(answerer.ChangeDeviceDialogs(), 0);
        EXPECT_EQ(answerer.Seen()[0].text, kWarningText);
        EXPECT_EQ(answerer.Seen()[0].icon, LoadIconA(nullptr, IDI_WARNING));
        EXPECT_EQ(answerer.Seen()[1].text, kFatalText);
        EXPECT_EQ(answerer.Seen()[1].icon, LoadIconA(nullptr, IDI_ERROR));
        EXPECT_EQ(app.acquiredHardware, (std::vector<bool>{true, false}));
        EXPECT_EQ(bitsAtAcquire, (std::vector<int>{c.fullscreen ? 16 : desktopBits, desktopBits}))
            << "the hardware device ran in its own mode, the software device in a window";
        EXPECT_EQ(app.acquired, app.released);
        EXPECT_EQ(app.display, nullptr);
        EXPECT_EQ(app.directDraw, nullptr);
        EXPECT_EQ(app.renderDevice, nullptr);
        EXPECT_EQ(app.shutdowns, 1);
        EXPECT_FALSE(app.isReady);

        // Exclusive mode is given back: the desktop has its own mode again
        // and another DirectDraw object takes exclusive mode on the window
        // (Wine grants that to a second object anyway; Windows would not).
        EXPECT_EQ(DesktopBits(), desktopBits);
        ASSERT_TRUE(IsWindow(app.window)) << "start-up leaves the window to its caller";
        IDirectDraw7* other = nullptr;
        ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&other), IID_IDirectDraw7,
                                     nullptr),
                  S_OK);
        EXPECT_EQ(other->SetCooperativeLevel(app.window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE),
                  DD_OK);
        EXPECT_EQ(other->SetCooperativeLevel(app.window, DDSCL_NORMAL), DD_OK);
        EXPECT_EQ(other->Release(), 0u);

        DestroyWindow(app.window);
        EXPECT_TRUE(TakeQuitMessage());
        EXPECT_EQ(app.acquired, app.released) << "the window's end released nothing twice";
    }
}
