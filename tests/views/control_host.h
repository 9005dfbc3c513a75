#pragma once

// A top-level window standing in for the main window as the parent and owner
// of the controls under test. It records the volume messages it is sent and hands
// WM_NOTIFY to whatever handler a test installs.
#include "ui/commands.h"
#include "ui/window.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <vector>

namespace melodrift::test {

class ControlHost : public Window {
public:
    // Hidden unless asked: without a window manager, Wine waits up to two seconds for
    // every shown top-level window to be unmapped again.
    explicit ControlHost(bool visible = false, int width = 1100, int height = 600) {
        // Several suites share this program; registering the classes twice is harmless.
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
        InitCommonControlsEx(&controls);
        CreateWindowExW(0, MAKEINTATOM(atom()), L"controls", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, width,
                        height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
        if (visible) {
            ShowWindow(window(), SW_SHOW);
            UpdateWindow(window());
        }
    }
    ~ControlHost() override {
        if (IsWindow(window())) DestroyWindow(window());
    }

    LRESULT handleMessage(HWND h, UINT message, WPARAM w, LPARAM l) override {
        if (message == MSG_SET_VOLUME) {
            volumes.push_back(static_cast<int>(l));
            return 0;
        }
        if (message == WM_NOTIFY && onNotify) return onNotify(reinterpret_cast<NMHDR*>(l));
        return DefWindowProcW(h, message, w, l);
    }

    // A child window of the host, in host client coordinates.
    HWND addChild(const wchar_t* className) const {
        return CreateWindowExW(0, className, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, window(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }
    // A window's rectangle in the host's client coordinates.
    RECT childRect(HWND child) const {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    std::vector<int> volumes;
    std::function<LRESULT(NMHDR*)> onNotify;

private:
    static ATOM atom() {
        static const ATOM registered = registerWindowClass(
            0, nullptr, LoadCursorW(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
            L"melodrift-ControlHostTest", nullptr);
        return registered;
    }
};

}  // namespace melodrift::test
