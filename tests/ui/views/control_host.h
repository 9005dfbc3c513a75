#pragma once

#include "support/wait.h"
#include "ui/paced_pump.h"
#include "ui/window.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace melodrift::test {

// A stand-in main window: messages go to the handlers a test installs; actions can be posted into a listing's pump.
class ControlHost : public Window {
public:
    // Never shown: without a window manager, Wine waits for a shown window to unmap.
    ControlHost() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
        InitCommonControlsEx(&controls);
        static const ATOM atom = registerWindowClass(0, nullptr, LoadCursorW(nullptr, IDC_ARROW),
            reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), L"melodrift-ControlHostTest", nullptr);
        onMessage[kRunPosted] = [this](WPARAM, LPARAM) {
            std::exchange(posted_, [] {})();
            return LRESULT{0};
        };
        CreateWindowExW(0, MAKEINTATOM(atom), L"controls", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 1100, 600,
            nullptr, nullptr, GetModuleHandleW(nullptr), this);
    }
    ~ControlHost() override { DestroyWindow(window()); }

    LRESULT handleMessage(HWND h, UINT message, WPARAM w, LPARAM l) override {
        const auto handler = onMessage.find(message);
        return handler == onMessage.end() ? DefWindowProcW(h, message, w, l) : handler->second(w, l);
    }
    // Runs the action from a long listing's next drain of the queue, as a click would.
    void postAtNextDrain(std::function<void()> action) {
        ASSERT_TRUE(waitUntil(messageDrainIsDue));
        posted_ = std::move(action);
        PostMessageW(window(), kRunPosted, 0, 0);
    }

    std::map<UINT, std::function<LRESULT(WPARAM, LPARAM)>> onMessage;

private:
    static constexpr UINT kRunPosted = WM_APP + 60;
    std::function<void()> posted_ = [] {};
};

// Watches from another thread for the pop-up menu the UI thread opens, notes where it stands
// and what it offers, then sends it keys, so that a test never hangs in the menu's own loop.
class MenuWatcher {
public:
    explicit MenuWatcher(std::vector<WPARAM> keys = {VK_ESCAPE})
        : keys_(std::move(keys)), thread_([this] { watch(); }) {}
    ~MenuWatcher() { stop(); }
    void stop() {
        stopping_ = true;
        if (thread_.joinable()) thread_.join();
    }

    bool seen = false;
    RECT rect{};
    std::vector<std::wstring> texts;  // empty for a separator

private:
    void watch() {
        HWND menu = nullptr;
        const auto shown = [&] { return IsWindow(menu) && IsWindowVisible(menu); };
        const auto shownOrStopping = [&] {
            menu = FindWindowW(L"#32768", nullptr);
            return shown() || stopping_;
        };
        waitUntil(shownOrStopping, 20000);
        seen = shown();
        if (!seen) return;
        GetWindowRect(menu, &rect);
        DWORD_PTR popup = 0;
        SendMessageTimeoutW(menu, MN_GETHMENU, 0, 0, SMTO_ABORTIFHUNG, 5000, &popup);
        for (int i = 0; i < GetMenuItemCount(reinterpret_cast<HMENU>(popup)); ++i) {
            wchar_t text[128] = L"";
            GetMenuStringW(reinterpret_cast<HMENU>(popup), i, text, 128, MF_BYPOSITION);
            texts.push_back(text);
        }
        for (WPARAM key : keys_) PostMessageW(menu, WM_KEYDOWN, key, 0);
        // Should the keys not reach the menu's loop, it is cancelled all the same.
        if (!waitUntil([&] { return !shown(); }, 10000)) PostMessageW(menu, WM_CANCELMODE, 0, 0);
    }

    std::vector<WPARAM> keys_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace melodrift::test
