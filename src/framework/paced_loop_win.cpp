// The message loop with paced frames: a frame only when a message may have
// changed the picture or the scene moves, at most one per refresh of the
// display, on an even beat; between frames the thread sleeps until a
// message comes or the next frame or change is due, so input is answered
// at once and a still picture costs nothing.
#include "framework/d3d_application_win.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstdint>

namespace {

// Waits of a millisecond or two need the system timer at its finest; the
// default on Windows is 15.6 ms, far coarser than a frame.
class FineTimer {
public:
    FineTimer() : set_(timeBeginPeriod(1) == TIMERR_NOERROR) {}
    ~FineTimer()
    {
        if (set_) {
            timeEndPeriod(1);
        }
    }
    FineTimer(const FineTimer&) = delete;
    FineTimer& operator=(const FineTimer&) = delete;

private:
    const bool set_;
};

// Milliseconds between refreshes of the display the window is on; 60 Hz
// when the display does not say (0 and 1 mean its default).
double RefreshPeriodMs(HWND window)
{
    HDC context = GetDC(window);
    const int hertz = context ? GetDeviceCaps(context, VREFRESH) : 0;
    if (context) {
        ReleaseDC(window, context);
    }
    return 1000.0 / (hertz > 1 ? hertz : 60);
}

// timeGetTime without its wrap after 49 days.
class LoopClock {
public:
    uint64_t Now()
    {
        const DWORD raw = timeGetTime();
        now_ += static_cast<DWORD>(raw - last_);
        last_ = raw;
        return now_;
    }

private:
    DWORD last_ = timeGetTime();
    uint64_t now_ = 0;
};

// Sleeps until a message arrives or ms have passed.
void WaitForMessage(DWORD ms)
{
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

}  // namespace

int CD3DApplication::PacedLoop(HACCEL accelerators)
{
    const FineTimer fineTimer;
    const double period = RefreshPeriodMs(window);
    LoopClock clock;
    double nextFrame = 0;  // the beat: when the next frame may be drawn
    bool changed = true;   // a message came since the last frame
    bool still = true;     // no frame since the scene last stood still
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return static_cast<int>(message.wParam);
            }
            Dispatch(accelerators, message);
            changed = true;
        }
        if (!isActive || !isReady) {
            WaitMessage();
            continue;
        }
        const uint64_t now = clock.Now();
        const DWORD stillFor = changed ? 0 : SceneStillForMs();
        if (stillFor != 0) {
            still = true;
            WaitForMessage(stillFor);
            continue;
        }
        if (still) {
            nextFrame = static_cast<double>(now);
        }
        const double early = nextFrame - static_cast<double>(now);
        if (early >= 1) {
            WaitForMessage(static_cast<DWORD>(early));
            continue;
        }
        if (still) {
            OnFramesResumed();
            still = false;
        }
        changed = false;
        if (FAILED(StepFrame())) {
            DestroyWindow(window);
        }
        // The next beat; a frame later than a whole period starts a new one
        // rather than a burst of frames to catch up.
        nextFrame = std::max(nextFrame + period, static_cast<double>(now));
    }
}
