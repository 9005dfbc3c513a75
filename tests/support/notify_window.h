#pragma once

#include "ui/window.h"

namespace melodrift::test {

// Stands in for the main window as a player's receiver: drains the graph's events on the
// graph-event message and counts completions.
class NotifyWindow : public Window {
public:
    static constexpr UINT kGraphEvent = WM_APP;
    static constexpr UINT kTrackEnd = WM_APP + 1;
    NotifyWindow();
    ~NotifyWindow() override;
    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // Waits, pumping messages, until more than `seen` completions have arrived.
    bool waitForCompletion(int seen, unsigned timeoutMs = 60000);
    int completions = 0;
    int graphEvents = 0;
};

}  // namespace melodrift::test
