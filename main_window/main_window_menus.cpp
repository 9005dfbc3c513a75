// The main window's toolbar commands that open menus and pop-ups, and dropped files.
#include "ui/commands.h"
#include "main_window/main_window.h"
#include "ui/views/folder_tree.h"
#include "ui/views/tool_bar.h"
#include "ui/views/volume_bar.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace melodrift {

namespace {

// A pop-up menu destroyed with its scope.
class PopupMenu {
public:
    PopupMenu() : menu_(CreatePopupMenu()) {}
    HMENU get() const { return menu_.get(); }

private:
    MenuHandle menu_;
};

// A menu takes "&" as the mark of the letter after it; a path shows its own "&" doubled.
std::wstring menuText(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        if (c == L'&') escaped += L'&';
        escaped += c;
    }
    return escaped;
}

}  // namespace

void MainWindow::onCommand(int id) {
    switch (id) {
    case ID_REPEAT: showRepeatMenu(); break;
    case ID_VOLUME: showVolumePopup(); break;
    case ID_FAVORITES: showFavoritesMenu(); break;
    case ID_PLAY: playSelected(); break;
    case ID_PAUSE: togglePause(); break;
    case ID_STOP:
        stopPlayback();
        setPauseChecked(false);
        break;
    case ID_PREV: playPrevious(); break;
    case ID_NEXT: playNext(); break;
    case ID_RANDOM: toggleRandom(); break;
    default: break;
    }
}

void MainWindow::showRepeatMenu() {
    const int mode = toolbar->repeatMode();
    PopupMenu menu;
    for (int i = RepeatNone; i <= RepeatSingle; ++i)
        AppendMenuW(menu.get(), MF_STRING | (i == mode ? MF_CHECKED : 0), 10 + i, repeatModeText(i));
    const POINT at = toolbar->buttonCorner(ID_REPEAT);
    const int chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, window(), nullptr);
    if (chosen > 9) toolbar->setRepeatMode(chosen - 10);
}

void MainWindow::showVolumePopup() {
    RECT bar{};
    GetWindowRect(toolbar->window(), &bar);
    volumeBar->showAt(bar.left, bar.bottom, toolbar->buttonsWidth(), bar.bottom - bar.top);
}

void MainWindow::showFavoritesMenu() {
    std::vector<std::wstring> paths;
    for (HTREEITEM favorite : tree->favoriteNodes()) paths.push_back(tree->nodePath(favorite));
    if (paths.empty()) return;
    PopupMenu menu;
    for (size_t i = 0; i < paths.size(); ++i) AppendMenuW(menu.get(), MF_STRING, i + 1, menuText(paths[i]).c_str());
    const POINT at = toolbar->buttonCorner(ID_FAVORITES);
    const int chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, window(), nullptr);
    if (chosen < 1 || chosen > static_cast<int>(paths.size())) return;
    tree->selectPath(paths[static_cast<size_t>(chosen - 1)]);
    if (HTREEITEM selected = tree->selectedNode()) tree->expand(selected);
}

void MainWindow::onDropFiles(HDROP drop) {
    // Only the first file counts, read at its full length (paths may pass MAX_PATH); a drop
    // without any file opens nothing.
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring name(length + 1, L'\0');
    if (length > 0 && DragQueryFileW(drop, 0, &name[0], length + 1) == length) {
        name.resize(length);
        openDroppedPath(name);
    }
    DragFinish(drop);
}

void MainWindow::openDroppedPath(const std::wstring& path) {
    if (tree->listing()) {
        // Met by a tree listing's drain: opened once the listing is over.
        handedOver.push_back(path);
        return;
    }
    if (openPath(path)) playSelected();
}

}  // namespace melodrift
