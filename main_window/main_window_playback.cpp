// The main window's playback control: the play list is the file list in its display
// order; one Player at a time plays an item of the current folder.
#include "library/folder.h"
#include "base/paths.h"
#include "playback/player.h"
#include "ui/commands.h"
#include "main_window/main_window.h"
#include "ui/views/file_list.h"
#include "ui/views/folder_tree.h"
#include "ui/views/status_bar.h"
#include "ui/views/tool_bar.h"
#include "ui/views/track_bar.h"
#include "ui/views/volume_bar.h"

#include <commctrl.h>
#include <shlwapi.h>

namespace melodrift {

namespace {
constexpr UINT kPositionPeriodMs = 1000;

int itemCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}
}  // namespace

bool MainWindow::isButtonChecked(int commandId) const {
    return SendMessageW(toolbar->window(), TB_ISBUTTONCHECKED, commandId, 0) != 0;
}

void MainWindow::setPauseChecked(bool checked) {
    SendMessageW(toolbar->window(), TB_CHECKBUTTON, ID_PAUSE, MAKELPARAM(checked ? TRUE : FALSE, 0));
}

void MainWindow::startTimer() {
    if (timerRunning) return;
    SetTimer(hwnd, POSITION_TIMER_ID, kPositionPeriodMs, nullptr);
    timerRunning = true;
}

void MainWindow::stopTimer() {
    if (!timerRunning) return;
    KillTimer(hwnd, POSITION_TIMER_ID);
    timerRunning = false;
}

void MainWindow::openFolderOfItem(HTREEITEM node) {
    const std::wstring path = tree->nodePath(node);
    // The old folder goes first: a listing in progress reads this flag after every drain.
    fileList->filling = false;
    folder.reset();
    folder = openFolder(path, pumpPendingMessages);
    if (folder) fileList->fill(folder);
    // Back in the playing folder, the playing item is marked again.
    if (player && lstrcmpiW(path.c_str(), player->folderPath().c_str()) == 0) fileList->selectName(player->itemName());
}

bool MainWindow::playIndex(int index) {
    if (index < 0 || !folder) return stopPlayback();
    const std::wstring name = fileList->itemText(index);
    // The new player is built while the old one still plays; the old one goes on assignment.
    player = folder->createPlayer(name, hwnd, MSG_GRAPH_EVENT, MSG_TRACK_END);
    if (!player) {
        stopPlayback();
        return false;
    }
    player->setVolume(volumeBar->volume());
    if (!player->play()) {
        stopPlayback();
        return false;
    }
    const int duration = player->duration();
    HWND seek = seekBar->window();
    EnableWindow(seek, TRUE);
    SendMessageW(seek, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(seek, TBM_SETRANGEMAX, TRUE, duration);
    SendMessageW(seek, TBM_SETPAGESIZE, 0, 1);
    statusBar->setTotal(duration);
    SendMessageW(statusBar->window(), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(name.c_str()));
    startTimer();
    return true;
}

bool MainWindow::stopPlayback() {
    player.reset();
    stopTimer();
    HWND seek = seekBar->window();
    SendMessageW(seek, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(seek, TBM_SETRANGEMAX, TRUE, 0);
    SendMessageW(seek, TBM_SETPAGESIZE, 0, 1);
    EnableWindow(seek, FALSE);
    statusBar->setTotal(-1);
    SendMessageW(statusBar->window(), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L""));
    return true;
}

void MainWindow::playSelected() {
    setPauseChecked(false);
    int index = fileList->currentIndex();
    if (index < 0) {
        if (itemCount(fileList->hwnd()) == 0) return;
        fileList->selectIndex(0);
        index = 0;
    }
    playIndex(index);
}

void MainWindow::togglePause() {
    // The toolbar has flipped the check button already.
    if (isButtonChecked(ID_PAUSE)) {
        if (!(player && player->stop())) setPauseChecked(false);
    } else {
        if (!(player && player->play())) setPauseChecked(true);
    }
}

void MainWindow::playNext() {
    int current = fileList->currentIndex();
    const int count = itemCount(fileList->hwnd());
    if (current < 0) {
        current = -1;
    } else if (current >= count - 1 && toolbar->repeatMode() == RepeatList) {
        if (isButtonChecked(ID_RANDOM)) {
            fileList->randomOrder = true;
            fileList->sortRows();  // a new order for the next pass
        }
        current = -1;
    }
    const int target = current + 1;
    if (target < count) {
        fileList->selectIndex(target);
        playSelected();
    } else {
        stopPlayback();
        setPauseChecked(false);
    }
}

void MainWindow::playPrevious() {
    const int current = fileList->currentIndex();
    const int count = itemCount(fileList->hwnd());
    int target;
    if (current < 0) target = count;
    else if (current == 0) target = toolbar->repeatMode() == RepeatList ? count : 0;
    else target = current;
    --target;
    if (target >= 0) {
        fileList->selectIndex(target);
        playSelected();
    } else {
        stopPlayback();
        setPauseChecked(false);
    }
}

void MainWindow::onTrackEnd() {
    if (toolbar->repeatMode() == RepeatSingle) {
        if (player) {
            player->stop();
            player->seek(0);
            player->play();
        }
        return;
    }
    playNext();
}

void MainWindow::toggleRandom() {
    fileList->randomOrder = isButtonChecked(ID_RANDOM);
    fileList->sortRows();
}

void MainWindow::onSeek(int scrollCode) {
    if (scrollCode == TB_THUMBPOSITION || scrollCode == TB_ENDTRACK) {
        if (player) player->seek(static_cast<int32_t>(SendMessageW(seekBar->window(), TBM_GETPOS, 0, 0)));
        startTimer();
    } else {
        // The refresh must not move the thumb while the user handles it.
        stopTimer();
    }
}

void MainWindow::refreshPosition() {
    const int position = player ? player->position() : 0;
    SendMessageW(seekBar->window(), TBM_SETPOS, TRUE, position);
    statusBar->showPosition(position);
}

bool MainWindow::openPath(const std::wstring& path) {
    std::wstring name = path;
    // A path that does not exist is judged by its name alone.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) attributes = 0;
    const bool isFolder = folderKind(path, attributes) != FolderKind::None;
    if (!isFolder) name = parentDirectory(path);
    if (!tree->selectPath(name.empty() ? std::wstring(L".") : name)) return false;
    if (isFolder) return false;
    return fileList->selectName(PathFindFileNameW(path.c_str()));
}

bool MainWindow::restoreLast(const std::wstring& folderPath, const std::wstring& fileName) {
    if (folderPath.empty() || !tree->selectPath(folderPath) || fileName.empty()) return false;
    return fileList->selectName(fileName);
}

void MainWindow::showPlaying() {
    if (!player || player->folderPath().empty() || !tree->selectPath(player->folderPath())) return;
    if (!player->itemName().empty()) fileList->selectName(player->itemName());
}

}  // namespace melodrift
