// The frame step's answers to the cooperative-level test and to a lost
// surface. Losing exclusive mode and the flip chain is real: another
// thread's window takes the foreground from the full-screen window. Wine's
// DirectDraw never answers "exclusive mode already set" or "wrong mode", so
// those come from a fake DirectDraw object in the application's copy.
#include "application_test_app_win.h"

#include <ddraw.h>

#include "application_fake_directdraw_win.h"

using namespace apptest;

namespace {

// A top-level window on a thread of its own; activating it deactivates the
// application's thread.
class ThreadWindow {
public:
    ThreadWindow()
        : thread_([this] {
              window_ = CreateWindowA("STATIC", "Other program", WS_POPUP | WS_VISIBLE, 0, 0, 200,
                                      200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
              created_ = true;
              MSG message;
              while (GetMessageA(&message, nullptr, 0, 0) > 0) {
                  DispatchMessageA(&message);
              }
              DestroyWindow(window_);
          })
    {
        while (!created_) {
            Sleep(5);
        }
    }
    ~ThreadWindow()
    {
        PostThreadMessageA(GetWindowThreadProcessId(window_, nullptr), WM_QUIT, 0, 0);
        thread_.join();
    }
    ThreadWindow(const ThreadWindow&) = delete;
    ThreadWindow& operator=(const ThreadWindow&) = delete;

    HWND Handle() const { return window_; }

private:
    HWND window_ = nullptr;
    std::atomic<bool> created_{false};
    std::thread thread_;
};

TestApp::Step ToggleFullscreen()
{
    return Do([](TestApp& a) {
        SendMessageA(a.window, WM_COMMAND, CMD_TOGGLE_FULLSCREEN, 0);
        ASSERT_TRUE(a.display->fullscreen);
    });
}

}  // namespace

TEST(FrameStep, LostExclusiveModeDrawsNothingThenLostSurfacesAreRestored)
{
    TestApp app;
    StartApp(app);
    std::optional<ThreadWindow> other;
    const int exitCode = app.Run({
        WaitFrames(2),
        ToggleFullscreen(),
        WaitFrames(3),
        Do([&](TestApp&) {
            other.emplace();
            SetForegroundWindow(other->Handle());
        }),
        [](TestApp& a) { return a.directDraw->TestCooperativeLevel() == DDERR_NOEXCLUSIVEMODE; },
        Do([](TestApp& a) {
            // Wine minimises the full-screen window it deactivates, so the
            // loop itself waits; the step, asked all the same, draws nothing
            // and does not fail.
            const int frames = a.frames;
            EXPECT_EQ(a.StepFrame(), S_OK);
            EXPECT_EQ(a.frames, frames) << "drew without exclusive mode";
            EXPECT_EQ(a.restored, 0);
            ShowWindow(a.window, SW_RESTORE);
            SetForegroundWindow(a.window);
        }),
        WaitFrames(3),
        Do([](TestApp& a) {
            EXPECT_GE(a.restored, 1) << "the lost flip chain was not restored";
            EXPECT_EQ(a.display->primary->IsLost(), DD_OK);
            EXPECT_TRUE(a.display->fullscreen);
        }),
        Close(),
    });
    EXPECT_EQ(app.failure, "");
    EXPECT_EQ(exitCode, 0);
}

TEST(FrameStep, CooperativeLevelAnswers)
{
    enum class Outcome { WaitsWithoutDrawing, Rebuilds, EndsTheProgram };
    struct Case {
        const char* label;
        HRESULT answer;
        bool fullscreen;
        Outcome outcome;
    };
    const Case cases[] = {
        {"exclusive mode already set", DDERR_EXCLUSIVEMODEALREADYSET, false,
         Outcome::WaitsWithoutDrawing},
        {"no exclusive mode", DDERR_NOEXCLUSIVEMODE, false, Outcome::WaitsWithoutDrawing},
        {"desktop mode changed in a window", DDERR_WRONGMODE, false, Outcome::Rebuilds},
        {"wrong mode in full screen", DDERR_WRONGMODE, true, Outcome::EndsTheProgram},
        {"any other failure", DDERR_GENERIC, false, Outcome::EndsTheProgram},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TestApp app;
        app.windowTitle = "Frame step test";
        BoxAnswerer answerer(app.windowTitle);
        StartApp(app);
        FakeCooperativeDirectDraw fake(c.answer);
        int framesAtAnswer = 0, acquiredAtAnswer = 0;
        std::vector<TestApp::Step> script{WaitFrames(2)};
        if (c.fullscreen) {
            script.push_back(ToggleFullscreen());
            script.push_back(WaitFrames(2));
        }
        script.push_back(Do([&](TestApp& a) {
            framesAtAnswer = a.frames;
            acquiredAtAnswer = a.acquired;
            a.directDraw = &fake;
        }));
        script.push_back(WaitMs(300));
        script.push_back(Do([&](TestApp& a) {
            EXPECT_GT(fake.asked, 0);
            if (c.outcome == Outcome::WaitsWithoutDrawing) {
                EXPECT_EQ(a.frames, framesAtAnswer);
                EXPECT_EQ(a.acquired, acquiredAtAnswer);
                a.directDraw = a.display->directDraw;
            } else {
                EXPECT_EQ(fake.asked, 1) << "the rebuild did not replace the copy";
                EXPECT_EQ(a.acquired, acquiredAtAnswer + 1);
                EXPECT_EQ(a.directDraw, a.display->directDraw);
                EXPECT_GT(a.frames, framesAtAnswer);
            }
        }));
        script.push_back(WaitFrames(3));
        script.push_back(Close());
        const int exitCode = app.Run(script);
        answerer.Stop();

        EXPECT_EQ(exitCode, 0);
        EXPECT_TRUE(answerer.Seen().empty()) << "a message box: " << answerer.Seen()[0].text;
        EXPECT_EQ(app.display, nullptr);
        EXPECT_EQ(app.acquired, app.released);
        if (c.outcome == Outcome::EndsTheProgram) {
            EXPECT_EQ(fake.asked, 1);
            EXPECT_EQ(app.frames, framesAtAnswer) << "drew after the failure";
            EXPECT_FALSE(app.finished) << "the script ran on";
        } else {
            EXPECT_EQ(app.failure, "");
            EXPECT_GE(app.frames, framesAtAnswer + 3);
        }
    }
}
