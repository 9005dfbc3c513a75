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
    explicit MenuWatcher(std::vector<WPARAM> keys = {VK_ESCAPE}) : keys_(std::move(keys)) {
        thread_ = std::thread([this] { watch(); });
    }
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
        const DWORD start = GetTickCount();
        HWND menu = nullptr;
        while (!stopping_ && GetTickCount() - start < 20000) {
            menu = FindWindowW(L"#32768", nullptr);
            if (menu && IsWindowVisible(menu)) break;
            menu = nullptr;
            Sleep(20);
        }
        if (!menu) return;
        seen = true;
        GetWindowRect(menu, &rect);
        DWORD_PTR handle = 0;
        if (SendMessageTimeoutW(menu, MN_GETHMENU, 0, 0, SMTO_ABORTIFHUNG, 5000, &handle) && handle) {
            HMENU popup = reinterpret_cast<HMENU>(handle);
            for (int i = 0, n = GetMenuItemCount(popup); i < n; ++i) {
                wchar_t text[128] = L"";
                GetMenuStringW(popup, i, text, 128, MF_BYPOSITION);
                texts.push_back(text);
            }
        }
        for (WPARAM key : keys_) PostMessageW(menu, WM_KEYDOWN, key, 0);
        // Should the keys not reach the menu's loop, it is cancelled all the same.
        const DWORD posted = GetTickCount();
        while (IsWindow(menu) && IsWindowVisible(menu) && GetTickCount() - posted < 10000) Sleep(20);
        if (IsWindow(menu) && IsWindowVisible(menu)) PostMessageW(menu, WM_CANCELMODE, 0, 0);
    }

    std::vector<WPARAM> keys_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace melodrift::test
