// Paths handed over by later starts of the same installation.
#include "ui/commands.h"
#include "ui/hand_over.h"
#include "ui/main_window/main_window.h"

namespace melodrift {

void MainWindow::acceptHandOvers(const std::wstring& installationName) {
    installation = installationName;
    markPlayerWindow(window(), installation);
}

bool MainWindow::onHandOver(const COPYDATASTRUCT& data) {
    std::optional<std::wstring> path = handedOverPath(data);
    if (!path) return false;
    comeToFront();
    // Opened from the main loop, as a dropped file is: the sender waits only for the
    // answer, and a folder listing must not run inside another process's send.
    if (!path->empty()) {
        handedOver.push_back(std::move(*path));
        PostMessageW(window(), MSG_OPEN_HANDED_OVER, 0, 0);
    }
    return true;
}

void MainWindow::openHandedOverPath() {
    if (handedOver.empty()) return;
    const std::wstring path = std::move(handedOver.front());
    handedOver.pop_front();
    openDroppedPath(path);
}

void MainWindow::comeToFront() {
    if (IsIconic(window())) ShowWindow(window(), SW_RESTORE);
    SetForegroundWindow(window());
}

}  // namespace melodrift
