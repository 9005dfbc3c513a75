// What the main window brings back from the settings at start and puts into them when
// it is destroyed.
#include "settings/settings_files.h"
#include "playback/player.h"
#include "ui/commands.h"
#include "main_window/main_window.h"
#include "main_window/settings_keys.h"
#include "base/paths.h"
#include "ui/views/file_list.h"
#include "ui/views/folder_tree.h"
#include "ui/views/splitter.h"
#include "ui/views/tool_bar.h"
#include "ui/views/volume_bar.h"

#include <commctrl.h>

namespace melodrift {

namespace {

constexpr int kColumnDefaults[4] = {200, 50, 50, 50};
constexpr wchar_t kDefaultPatterns[] = L"*.mp?;*.wma;*.asf;*.wav;*.og?;*.aac;*.flac;*.opus;*.m4a;*.wv;*.ape;*.tak";

std::wstring decimal(int value) {
    wchar_t text[16];
    wsprintfW(text, L"%d", value);
    return text;
}

// State keys assigned as text.
void putState(const wchar_t* key, int value) { stateStore.entry(key) = decimal(value); }

}  // namespace

std::vector<std::wstring> playablePatterns() {
    return splitString(configStore.getString(L"Playable", kDefaultPatterns), L';');
}

DWORD driveMaskFromLetters(const std::wstring& text) {
    DWORD mask = 0;
    for (wchar_t c : text) {
        if (c >= L'A' && c <= L'Z')
            mask |= 1u << (c - L'A');
        else if (c >= L'a' && c <= L'z')
            mask |= 1u << (c - L'a');
    }
    return mask;
}

std::wstring favoriteKey(int index) {
    wchar_t key[32];
    wsprintfW(key, L"Favorite[%02d]", index);
    return key;
}

std::wstring columnKey(int index) {
    wchar_t key[32];
    wsprintfW(key, L"FileList.Column[%d]", index);
    return key;
}

void MainWindow::restoreSettings(const std::wstring* commandLinePath) {
    tree->addDrives(driveMaskFromLetters(configStore.getString(L"Hidden", L"")));
    // The list of favourites ends at the first empty or missing key.
    for (int n = 0;; ++n) {
        const std::wstring path = configStore.getString(favoriteKey(n), L"");
        if (path.empty()) break;
        tree->insertNode(TVI_ROOT, TVI_LAST, path, path, true);
    }

    splitter->setPendingPosition(stateStore.getInt(L"MainWnd.Splitter", -1));

    // The button is checked by the low 16 bits, and the list follows the button: a value
    // such as 65536 must not shuffle the list behind an unchecked button (saved as 0).
    const bool random = LOWORD(stateStore.getInt(L"Random", 0)) != 0;
    toolbar->setChecked(ID_RANDOM - ID_PLAY, random);
    fileList->setRandomOrder(random);
    fileList->sortRows();

    const int repeat = stateStore.getInt(L"Repeat", 0);
    if (repeat >= RepeatNone && repeat <= RepeatSingle) toolbar->setRepeatMode(repeat);

    volumeBar->setVolume(stateStore.getInt(L"Volume", 0));

    int widths[4];
    for (int i = 0; i < 4; ++i) widths[i] = stateStore.getInt(columnKey(i), kColumnDefaults[i]);
    fileList->setColumnWidths(widths);

    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    // A placement is normal, minimised or maximised; any other show command (an empty
    // value reads as SW_HIDE) would leave a window the user can never reach.
    placement.showCmd = stateStore.getInt(L"MainWnd.ShowCmd", SW_SHOWNORMAL);
    if (placement.showCmd != SW_SHOWMINIMIZED && placement.showCmd != SW_SHOWMAXIMIZED)
        placement.showCmd = SW_SHOWNORMAL;
    placement.ptMinPosition = {stateStore.getInt(L"MainWnd.MinPos.x", 0), stateStore.getInt(L"MainWnd.MinPos.y", 0)};
    placement.ptMaxPosition = {stateStore.getInt(L"MainWnd.MaxPos.x", 0), stateStore.getInt(L"MainWnd.MaxPos.y", 0)};
    placement.rcNormalPosition = {stateStore.getInt(L"MainWnd.Pos.left", 0), stateStore.getInt(L"MainWnd.Pos.top", 0),
        stateStore.getInt(L"MainWnd.Pos.right", 640), stateStore.getInt(L"MainWnd.Pos.bottom", 480)};
    SetWindowPlacement(window(), &placement);

    // A path on the command line is opened, and played when it is a file; without one
    // the last folder and file come back, not playing.
    if (commandLinePath) {
        if (openPath(*commandLinePath)) {
            setPauseChecked(false);
            playSelected();
        }
    } else {
        const std::wstring lastFolder = stateStore.getString(L"LastFolder", L"");
        const std::wstring lastFile = stateStore.getString(L"LastFile", L"");
        restoreLast(lastFolder, lastFile);
    }
}

void MainWindow::saveSettings() {
    const auto favorites = tree->favoriteNodes();
    for (size_t k = 0; k < favorites.size(); ++k) {
        const std::wstring key = favoriteKey(static_cast<int>(k));
        const std::wstring path = tree->nodePath(favorites[k]);
        if (lstrcmpiW(configStore.getString(key, L"").c_str(), path.c_str()) != 0) {
            configStore.entry(key) = path;
        }
    }
    // A favourite removed in the tree must not come back at the next start: the keys
    // after the last favourite are emptied up to the first that already is.
    for (int n = static_cast<int>(favorites.size());; ++n) {
        const auto stored = configStore.entries().find(favoriteKey(n));
        if (stored == configStore.entries().end() || stored->second.empty()) break;
        configStore.entry(favoriteKey(n)).clear();
    }

    if (player) {
        stateStore.entry(L"LastFolder") = player->folderPath();
        stateStore.entry(L"LastFile") = player->itemName();
    } else {
        stateStore.entry(L"LastFolder") = tree->nodePath(tree->selectedNode());
        const int current = fileList->currentIndex();
        stateStore.entry(L"LastFile") = folder && current >= 0 ? fileList->itemText(current) : std::wstring();
    }

    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window(), &placement);
    putState(L"MainWnd.ShowCmd", placement.showCmd);
    putState(L"MainWnd.MinPos.x", placement.ptMinPosition.x);
    putState(L"MainWnd.MinPos.y", placement.ptMinPosition.y);
    putState(L"MainWnd.MaxPos.x", placement.ptMaxPosition.x);
    putState(L"MainWnd.MaxPos.y", placement.ptMaxPosition.y);
    putState(L"MainWnd.Pos.left", placement.rcNormalPosition.left);
    putState(L"MainWnd.Pos.top", placement.rcNormalPosition.top);
    stateStore.setInt(L"MainWnd.Pos.right", placement.rcNormalPosition.right);
    stateStore.setInt(L"MainWnd.Pos.bottom", placement.rcNormalPosition.bottom);

    stateStore.setInt(L"MainWnd.Splitter", splitter->barPosition());
    int widths[4];
    fileList->columnWidths(widths);
    for (int i = 0; i < 4; ++i) stateStore.setInt(columnKey(i), widths[i]);
    stateStore.setInt(L"Random", toolbar->isChecked(ID_RANDOM - ID_PLAY) ? 1 : 0);
    stateStore.setInt(L"Repeat", toolbar->repeatMode());
    stateStore.setInt(L"Volume", volumeBar->volume());
}

}  // namespace melodrift
