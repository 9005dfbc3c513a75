// Paths handed over by later starts of the same installation.
#include "ui/commands.h"
#include "ui/hand_over.h"
#include "main_window/main_window.h"
#include "ui/views/folder_tree.h"

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
    // Inside a tree listing's drain no node could be expanded to reach the path: it waits
    // for the end of the listing, which posts this again.
    if (handedOver.empty() || tree->listing()) return;
    const std::wstring path = std::move(handedOver.front());
    handedOver.pop_front();
    if (!handedOver.empty()) PostMessageW(window(), MSG_OPEN_HANDED_OVER, 0, 0);
    openDroppedPath(path);
}

void MainWindow::comeToFront() {
    if (IsIconic(window())) ShowWindow(window(), SW_RESTORE);
    SetForegroundWindow(window());
}

}  // namespace melodrift
