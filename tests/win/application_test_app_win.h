// A small CD3DApplication for tests in a real window under Wine: it counts
// what the framework asks of it and runs a script of steps from timer
// messages inside its own message loop. Also a helper that answers the
// framework's message boxes from another thread.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <mmsystem.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "display/device_table_win.h"
#include "framework/d3d_application_win.h"
#include "framework/status_codes.h"
#include "resources/resource_ids.h"

namespace apptest {

constexpr UINT_PTR kScriptTimer = 77;
constexpr DWORD kScriptTimeoutMs = 20000;

// Which devices the application's device resources fail on.
enum class FailOn { Nothing, HardwareDevices, EveryDevice };

// What a failing AcquireDeviceResources reports: the hardware device's video
// memory ran out.
constexpr HRESULT kAcquireFailure = DDERR_OUTOFVIDEOMEMORY;

class TestApp : public CD3DApplication {
public:
    // A step returns true when it is done; the next one runs on the next tick.
    using Step = std::function<bool(TestApp&)>;

    HRESULT PrepareScene() override
    {
        if (prepare) {
            prepare(*this);
        }
        return S_OK;
    }
    HRESULT AcquireDeviceResources() override
    {
        if (onAcquire) {
            onAcquire(*this);
        }
        ++acquired;
        if (held) {
            ++acquiredOverHeld;  // the last acquisition's objects were never given back
        }
        held = true;
        acquiredHardware.push_back(selectedDevice->hardwareRaster != 0);
        const bool fail = failOn == FailOn::EveryDevice ||
                          (failOn == FailOn::HardwareDevices && selectedDevice->hardwareRaster);
        return fail ? kAcquireFailure : S_OK;
    }
    HRESULT ReleaseDeviceResources() override
    {
        ++released;
        held = false;
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
    HRESULT OnSurfacesRestored() override
    {
        ++restored;
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
        if (message == WM_ENTERSIZEMOVE) {
            ++sizeMoveLoops;
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

    // Runs in PrepareScene, e.g. to choose full screen for the first build.
    std::function<void(TestApp&)> prepare;
    // Runs at the start of every AcquireDeviceResources.
    std::function<void(TestApp&)> onAcquire;
    FailOn failOn = FailOn::Nothing;
    int frames = 0, acquired = 0, released = 0, restored = 0, shutdowns = 0;
    int acquiredOverHeld = 0, sizeMoveLoops = 0;
    bool held = false;
    // For each acquisition: was it on a hardware device?
    std::vector<bool> acquiredHardware;
    float sceneSeconds = -1;
    bool finished = false;
    std::string failure;

private:
    // After the last step the program must end by itself; a run that
    // outlives the time limit fails and is closed. A step that shows a
    // message box runs on while the box's own loop delivers further ticks:
    // those wait for it.
    void RunScript()
    {
        if (inStep) {
            return;
        }
        if (timeGetTime() - startTick > kScriptTimeoutMs) {
            if (failure.empty()) {
                failure = finished ? "still running after the script"
                                   : "timed out at step " + std::to_string(next);
            }
            PostMessageA(window, WM_CLOSE, 0, 0);
            return;
        }
        inStep = true;
        const bool done = next < steps.size() && steps[next](*this);
        inStep = false;
        if (done) {
            ++next;
        }
        finished = next == steps.size();
    }

    std::vector<Step> steps;
    size_t next = 0;
    bool inStep = false;
    DWORD startTick = 0;
};

// Steps.
inline TestApp::Step WaitFrames(int count)
{
    auto start = std::make_shared<int>(-1);
    return [=](TestApp& app) {
        if (*start < 0) {
            *start = app.frames;
        }
        return app.frames >= *start + count;
    };
}

inline TestApp::Step WaitMs(DWORD ms)
{
    auto start = std::make_shared<std::optional<DWORD>>();
    return [=](TestApp&) {
        if (!*start) {
            *start = timeGetTime();
        }
        return timeGetTime() - **start >= ms;
    };
}

inline TestApp::Step Do(std::function<void(TestApp&)> action)
{
    return [=](TestApp& app) {
        action(app);
        return true;
    };
}

inline TestApp::Step Close()
{
    return Do([](TestApp& app) { PostMessageA(app.window, WM_CLOSE, 0, 0); });
}

inline void StartApp(TestApp& app)
{
    ASSERT_EQ(app.Startup(GetModuleHandleA(nullptr), ""), S_OK);
    ASSERT_NE(app.window, nullptr);
    ASSERT_TRUE(app.isReady);
}

// Wine's three devices on the primary driver all report hardware
// rasterization, so it has no software device to fall back to. Its RGB
// device is the software rasterizer on Windows: the device table is told
// so, after enumeration (in PrepareScene, say).
inline void TreatRgbDeviceAsSoftware()
{
    DeviceEntry* entries = nullptr;
    DWORD count = 0;
    GetDisplayDevices(&entries, &count);
    for (DWORD i = 0; i < count; ++i) {
        if (IsEqualGUID(entries[i].rasterizerGuidStore, IID_IDirect3DRGBDevice)) {
            entries[i].hardwareRaster = 0;
        }
    }
}

inline DWORD WindowStyle(HWND window)
{
    return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
}

// Takes the quit message that a destroyed window left in this thread's
// queue, so that the next test's loop does not end at once; true when there
// was one.
inline bool TakeQuitMessage()
{
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

struct MessageBoxSeen {
    std::string text;
    HICON icon = nullptr;
};

// Answers, on a thread of its own, every message box with the caption while
// it lives: reads its text and icon, runs whileShown with the box still up
// (on that thread), then presses OK unless the box has gone by itself. A
// change-device dialog that opens meanwhile is counted and cancelled.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::string caption, std::function<void()> whileShown = {})
        : caption_(std::move(caption)), whileShown_(std::move(whileShown)),
          thread_([this] { Answer(); })
    {
    }
    ~BoxAnswerer() { Stop(); }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // Ends the thread; the results are complete afterwards.
    void Stop()
    {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    const std::vector<MessageBoxSeen>& Seen() const { return seen_; }
    int ChangeDeviceDialogs() const { return changeDeviceDialogs_; }

private:
    void Answer()
    {
        while (!stop_) {
            if (HWND dialog = FindWindowA("#32770", "Change device")) {
                ++changeDeviceDialogs_;
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                WaitUntilGone(dialog);
            }
            if (HWND box = FindWindowA("#32770", caption_.c_str())) {
                MessageBoxSeen seen;
                char text[1024] = {};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                seen.text = text;
                // Wine's message box keeps its icon in control 1088.
                seen.icon = reinterpret_cast<HICON>(
                    SendDlgItemMessageA(box, 1088, STM_GETICON, 0, 0));
                seen_.push_back(seen);
                if (whileShown_) {
                    whileShown_();
                }
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                WaitUntilGone(box);
            }
            Sleep(5);
        }
    }
    static void WaitUntilGone(HWND window)
    {
        for (int tries = 0; tries < 1000 && IsWindow(window); ++tries) {
            Sleep(5);
        }
    }

    const std::string caption_;
    const std::function<void()> whileShown_;
    std::vector<MessageBoxSeen> seen_;
    int changeDeviceDialogs_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace apptest
