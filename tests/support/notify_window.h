#pragma once

#include "playback/player.h"
#include "support/wait.h"
#include "ui/window.h"

namespace melodrift::test {

// The main window's stand-in as a player's receiver: drains its current player's events, counts completions.
class NotifyWindow : public Window {
public:
    static constexpr UINT kGraphEvent = WM_APP;
    static constexpr UINT kTrackEnd = WM_APP + 1;
    NotifyWindow() {
        static const ATOM atom = registerWindowClass(0, nullptr, nullptr, nullptr, L"melodrift-TestNotify", nullptr);
        CreateWindowExW(
            0, MAKEINTATOM(atom), L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    }
    ~NotifyWindow() override {
        if (IsWindow(window())) DestroyWindow(window());
    }
    LRESULT handleMessage(HWND h, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kGraphEvent) {
            ++graphEvents;
            if (current && lParam == LPARAM(current->serial())) current->handleGraphEvents();
            return 0;
        }
        if (message == kTrackEnd) return lastCompleted = lParam, ++completions, 0;
        return DefWindowProcW(h, message, wParam, lParam);
    }
    // Waits, pumping messages, until more than `seen` completions have arrived.
    bool waitForCompletion(int seen, unsigned timeoutMs = 60000) {
        return waitUntil([&] { return completions > seen; }, timeoutMs);
    }
    Player* current = nullptr;
    int completions = 0;
    LPARAM lastCompleted = 0;
    int graphEvents = 0;
};

}  // namespace melodrift::test
