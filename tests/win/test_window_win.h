// A plain top-level window for tests, destroyed with the object.
#pragma once

#include <windows.h>

class TestWindow {
public:
    TestWindow(int width, int height, int x = 100, int y = 100)
    {
        static const ATOM registered = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = DefWindowProcA;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "PanoTestWindow";
            windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
            return RegisterClassA(&windowClass);
        }();
        (void)registered;
        handle_ = CreateWindowA("PanoTestWindow", "test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                                width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        Pump();
    }
    ~TestWindow() { DestroyWindow(handle_); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return handle_; }

    static void Pump()
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

private:
    HWND handle_;
};
