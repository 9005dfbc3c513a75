// The main window's playback control: the play list is the file list in its display
// order; one Player at a time plays an item of the current folder.
#include "library/folder.h"
#include "base/paths.h"
#include "playback/player.h"
#include "ui/paced_pump.h"
#include "ui/commands.h"
#include "main_window/main_window.h"
#include "main_window/settings_keys.h"
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
}  // namespace

bool MainWindow::isButtonChecked(int commandId) const { return toolbar->isChecked(commandId - ID_PLAY); }

void MainWindow::setPauseChecked(bool checked) { toolbar->setChecked(ID_PAUSE - ID_PLAY, checked); }

void MainWindow::startTimer() {
    if (timerRunning) return;
    SetTimer(window(), POSITION_TIMER_ID, kPositionPeriodMs, nullptr);
    timerRunning = true;
}

void MainWindow::stopTimer() {
    if (!timerRunning) return;
    KillTimer(window(), POSITION_TIMER_ID);
    timerRunning = false;
}

void MainWindow::openFolderOfItem(HTREEITEM node) {
    const std::wstring path = tree->nodePath(node);
    // The old folder goes first: a listing in progress reads this flag after every drain.
    fileList->stopFilling();
    folder.reset();
    const std::shared_ptr<Folder> opened = openFolder(path, pumpMessagesWhenDue, playablePatterns());
    folder = opened;
    if (folder) fileList->fill(folder);
    // A node selected during the fill has shown its own folder: its rows are not ours to mark.
    if (folder != opened) return;
    // Back in the playing folder, the playing item is marked again.
    if (player && lstrcmpiW(path.c_str(), player->folderPath().c_str()) == 0) fileList->selectName(player->itemName());
}

bool MainWindow::playIndex(int index) {
    if (index < 0 || !folder) return stopPlayback();
    const std::wstring name = fileList->itemText(index);
    // The new player is built while the old one still plays; the old one goes on assignment.
    player = folder->createPlayer(name, window(), MSG_GRAPH_EVENT, MSG_TRACK_END);
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
    seekBar->startItem(duration);
    statusBar->setTotal(duration);
    statusBar->setItemName(name);
    startTimer();
    return true;
}

bool MainWindow::stopPlayback() {
    player.reset();
    stopTimer();
    seekBar->stopItem();
    statusBar->setTotal(-1);
    statusBar->setItemName(std::wstring());
    return true;
}

void MainWindow::playSelected() {
    setPauseChecked(false);
    int index = fileList->currentIndex();
    if (index < 0) {
        if (fileList->itemCount() == 0) return;
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
    const int count = fileList->itemCount();
    if (current < 0) {
        current = -1;
    } else if (current >= count - 1 && toolbar->repeatMode() == RepeatList) {
        if (isButtonChecked(ID_RANDOM)) {
            fileList->setRandomOrder(true);
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
    const int count = fileList->itemCount();
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
            refreshPosition();
        }
        return;
    }
    playNext();
}

void MainWindow::toggleRandom() {
    fileList->setRandomOrder(isButtonChecked(ID_RANDOM));
    fileList->sortRows();
}

void MainWindow::onSeek(int scrollCode) {
    if (scrollCode == TB_THUMBPOSITION || scrollCode == TB_ENDTRACK) {
        if (player) player->seek(seekBar->position());
        startTimer();
    } else {
        // The refresh must not move the thumb while the user handles it.
        stopTimer();
    }
}

void MainWindow::refreshPosition() {
    const int position = player ? player->position() : 0;
    seekBar->setPosition(position);
    statusBar->showPosition(position);
}

bool MainWindow::openPath(const std::wstring& path) {
    std::wstring name = path;
    // A path that does not exist is judged by its name alone. Read as the file system spells
    // it, a folder named "R.E.M." is found as itself, not as "R.E.M".
    DWORD attributes = GetFileAttributesW(literalPath(path).c_str());
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
