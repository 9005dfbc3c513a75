#include "support/notify_window.h"

#include "playback/player.h"
#include "support/wait.h"

namespace melodrift::test {

NotifyWindow::NotifyWindow() {
    static const ATOM atom = registerWindowClass(0, nullptr, nullptr, nullptr, L"melodrift-TestNotify", nullptr);
    CreateWindowExW(0, MAKEINTATOM(atom), L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr),
                    this);
}

NotifyWindow::~NotifyWindow() {
    if (IsWindow(window())) DestroyWindow(window());
}

LRESULT NotifyWindow::handleMessage(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kGraphEvent) return ++graphEvents, reinterpret_cast<Player*>(lParam)->handleGraphEvents();
    if (message == kTrackEnd) return ++completions, 0;
    return DefWindowProcW(h, message, wParam, lParam);
}

bool NotifyWindow::waitForCompletion(int seen, unsigned timeoutMs) {
    return waitUntil([&] { return completions > seen; }, timeoutMs);
}

}  // namespace melodrift::test
