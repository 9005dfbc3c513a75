#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace melodrift::test {

// Watches from another thread for the pop-up menu the UI thread opens, notes where it
// stands and what it offers, then sends it keys (Escape unless told otherwise), so that
// a test can never hang in the menu's own loop.
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
    template <class Condition> static void waitFor(Condition condition, DWORD ms) {
        for (const DWORD start = GetTickCount(); !condition() && GetTickCount() - start < ms;) Sleep(20);
    }
    void watch() {
        HWND menu = nullptr;
        const auto shown = [&] { return IsWindow(menu) && IsWindowVisible(menu); };
        waitFor([&] { return stopping_ || (menu = FindWindowW(L"#32768", nullptr), shown()); }, 20000);
        if (!(seen = shown())) return;
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
        waitFor([&] { return !shown(); }, 10000);
        if (shown()) PostMessageW(menu, WM_CANCELMODE, 0, 0);
    }

    std::vector<WPARAM> keys_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace melodrift::test
