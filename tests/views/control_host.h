#pragma once

// A top-level window standing in for the main window as the parent and owner of the
// controls under test: it records the volume messages, hands WM_NOTIFY and the messages
// a test installs handlers for to those handlers, and runs actions posted to it.
#include "support/wait.h"
#include "ui/commands.h"
#include "ui/paced_pump.h"
#include "ui/window.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <utility>
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
        static const ATOM atom = registerWindowClass(0, nullptr, LoadCursorW(nullptr, IDC_ARROW),
                                                     reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                                                     L"melodrift-ControlHostTest", nullptr);
        onMessage[MSG_SET_VOLUME] = [this](WPARAM, LPARAM volume) { return volumes.push_back(int(volume)), 0; };
        onMessage[kRunPosted] = [this](WPARAM, LPARAM) { return ++postedRuns, std::exchange(posted_, [] {})(), 0; };
        CreateWindowExW(0, MAKEINTATOM(atom), L"controls", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, width,
                        height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
        if (visible) ShowWindow(window(), SW_SHOW), UpdateWindow(window());
    }
    ~ControlHost() override {
        if (IsWindow(window())) DestroyWindow(window());
    }

    LRESULT handleMessage(HWND h, UINT message, WPARAM w, LPARAM l) override {
        if (message == WM_NOTIFY && onNotify) return onNotify(reinterpret_cast<NMHDR*>(l));
        const auto handler = onMessage.find(message);
        return handler == onMessage.end() ? DefWindowProcW(h, message, w, l) : handler->second(w, l);
    }

    // Runs the action from a long listing's next drain of the queue, as a click would.
    void postAtNextDrain(std::function<void()> action) {
        ASSERT_TRUE(waitUntil(messageDrainIsDue));
        posted_ = std::move(action);
        PostMessageW(window(), kRunPosted, 0, 0);
    }
    // A child window of the host, and a window's rectangle in the host's client coordinates.
    HWND addChild(const wchar_t* className) const {
        return CreateWindowExW(0, className, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, window(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }
    RECT childRect(HWND child) const {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    std::vector<int> volumes;
    std::function<LRESULT(NMHDR*)> onNotify;
    std::map<UINT, std::function<LRESULT(WPARAM, LPARAM)>> onMessage;
    int postedRuns = 0;

private:
    static constexpr UINT kRunPosted = WM_APP + 60;
    std::function<void()> posted_ = [] {};
};

}  // namespace melodrift::test
