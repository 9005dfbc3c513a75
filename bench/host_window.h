#pragma once

// A hidden top-level window of a plain class, to hold a bare control as the main window
// holds the program's.
#include "base/paths.h"
#include "base/unique_handle.h"
#include "bench/timing.h"
#include "settings/settings_files.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace melodrift::bench {

class HostWindow {
public:
    HostWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"melodrift-bench-host";
        RegisterClassW(&windowClass);  // fails harmlessly when the class is there
        window_.reset(CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
            nullptr, windowClass.hInstance, nullptr));
    }

    HWND get() const { return window_.get(); }

private:
    WindowHandle window_;
};

// The common controls, and scratch settings in a folder of the given name, so the
// defaults apply and nothing of a real installation is read or written.
inline void prepareMainWindowRun(const wchar_t* scratchName) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);
    const std::wstring scratch = joinPath(tempDirectory(), scratchName);
    CreateDirectoryW(scratch.c_str(), nullptr);
    configStore.load(joinPath(scratch, L"config.txt"));
    stateStore.load(joinPath(scratch, L"state.txt"));
}

}  // namespace melodrift::bench
