#pragma once

// A hidden top-level window of a plain class, to hold a bare control as the main window
// holds the program's.
#include "base/unique_handle.h"

#include <windows.h>

namespace melodrift::bench {

class HostWindow {
public:
    HostWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"melodrift-bench-host";
        RegisterClassW(&windowClass);  // fails harmlessly when the class is there
        window_.reset(CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                      nullptr, nullptr, windowClass.hInstance, nullptr));
    }

    HWND get() const { return window_.get(); }

private:
    WindowHandle window_;
};

}  // namespace melodrift::bench
