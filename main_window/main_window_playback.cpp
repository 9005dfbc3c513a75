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

#include <utility>
#include <vector>

namespace melodrift {

namespace {
constexpr UINT kPositionPeriodMs = 1000;
// Often enough that a track played on into without a break shows within a second of its start.
constexpr UINT kFollowPeriodMs = 200;
// The next item is made ready this long before the playing one ends; earlier it would hold a
// second graph (and an archive entry's data) for the whole item.
constexpr int kPrepareAheadSeconds = 10;
// The last seconds of a track, in which the run is planned again from the list as it is now.
constexpr int kReplanSeconds = 2;
// A sheet holds at most 99 tracks: no run goes further.
constexpr int kRunLookAhead = 99;
// How long a player that reached its end lives on: the renderer reports the end while the sound
// system still holds the last of it, which a teardown would cut off.
constexpr UINT kFinishingMs = 1000;
const wchar_t kCannotPlay[] = L"再生できません: ";
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
    if (player && showsFolderOf(*player)) fileList->selectName(player->itemName());
}

bool MainWindow::playIndex(int index) {
    if (index < 0 || !folder) return stopPlayback();
    const std::wstring name = fileList->itemText(index);
    // Made ready ahead for this row, or built now while the old one still plays; the old one
    // goes on assignment.
    std::shared_ptr<Player> next = takePrepared(name);
    if (!next) next = folder->createPlayer(name, window(), MSG_GRAPH_EVENT, MSG_TRACK_END);
    player = std::move(next);
    if (!player) return cannotPlay(name);
    player->setVolume(volumeBar->volume());
    // Before play: a graph not yet running takes its new stop without a break.
    planRun(*player, index);
    if (!player->play()) return cannotPlay(name);
    showPlayingItem();
    startTimer();
    SetTimer(window(), FOLLOW_TIMER_ID, kFollowPeriodMs, nullptr);
    return true;
}

bool MainWindow::cannotPlay(const std::wstring& name) {
    stopPlayback();
    statusBar->setItemName(kCannotPlay + name);
    return false;
}

void MainWindow::showPlayingItem() {
    const int duration = player->duration();
    seekBar->startItem(duration);
    statusBar->setTotal(duration);
    statusBar->setItemName(player->itemName());
}

bool MainWindow::showsFolderOf(const Player& playing) const {
    return folder && lstrcmpiW(folder->path().c_str(), playing.folderPath().c_str()) == 0;
}

bool MainWindow::isPrepared(const std::wstring& name) const {
    return preparedPlayer && showsFolderOf(*preparedPlayer) && preparedPlayer->itemName() == name;
}

void MainWindow::planRun(Player& planned, int row) {
    // Only what the list plays next goes on without a break: not under single repeat, and not
    // from another folder's rows.
    std::vector<std::wstring> next;
    if (toolbar->repeatMode() != RepeatSingle && showsFolderOf(planned))
        for (int r = row + 1; r < fileList->itemCount() && r <= row + kRunLookAhead; ++r)
            next.push_back(fileList->itemText(r));
    planned.planRun(next);
}

void MainWindow::followPlayback() {
    if (!player) return;
    if (player->followRun(false) > 0) showFollowedItem();
    const int remaining = player->duration() - player->position();
    // The list may have changed since the run was planned; near the track's end the run follows it.
    if (remaining <= kReplanSeconds) planRun(*player, fileList->currentIndex());
    prepareNext(remaining);
}

void MainWindow::showFollowedItem() {
    if (showsFolderOf(*player)) fileList->selectName(player->itemName());
    showPlayingItem();
    refreshPosition();
}

int MainWindow::nextRow() {
    if (toolbar->repeatMode() == RepeatSingle) return -1;
    const int count = fileList->itemCount();
    const int current = fileList->currentIndex();
    if (current < count - 1) return current + 1;
    // After the last row only list repeat goes on. A random pass is shuffled when it starts, by an order drawn now:
    // its first row is known, and made ready, before the pass begins.
    if (toolbar->repeatMode() != RepeatList || count == 0) return -1;
    return isButtonChecked(ID_RANDOM) ? fileList->drawNextShuffle() : 0;
}

void MainWindow::prepareNext(int remaining) {
    const int row = nextRow();
    // A run that goes on into the next row needs no second player.
    if (row < 0 || !folder || player->itemsAhead() > 0) {
        preparedPlayer.reset();
        return;
    }
    const std::wstring name = fileList->itemText(row);
    if (isPrepared(name)) return;
    preparedPlayer.reset();  // made for a row that is no longer next
    if (remaining > kPrepareAheadSeconds) return;
    preparedPlayer = folder->createPlayer(name, window(), MSG_GRAPH_EVENT, MSG_TRACK_END);
    if (!preparedPlayer) return;
    preparedPlayer->setVolume(volumeBar->volume());
    planRun(*preparedPlayer, row);
    // One that cannot be made ready is kept all the same: it is passed over when its turn comes.
    (void)preparedPlayer->cue();
}

std::shared_ptr<Player> MainWindow::takePrepared(const std::wstring& name) {
    const bool ready = isPrepared(name);
    std::shared_ptr<Player> prepared = std::move(preparedPlayer);  // leaves none prepared
    return ready ? prepared : nullptr;
}

bool MainWindow::stopPlayback() {
    player.reset();
    preparedPlayer.reset();
    KillTimer(window(), FOLLOW_TIMER_ID);
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
    // An item that cannot play is passed over; after one pass over the list playback stops.
    std::wstring passedOver;
    for (int attempts = fileList->itemCount(); attempts > 0; --attempts) {
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
        if (target >= count) break;
        if (playRow(target)) return;
        passedOver = fileList->itemText(target);
    }
    endPlayback(passedOver);
}

void MainWindow::playPrevious() {
    std::wstring passedOver;
    for (int attempts = fileList->itemCount(); attempts > 0; --attempts) {
        const int current = fileList->currentIndex();
        const int count = fileList->itemCount();
        int target;
        if (current < 0)
            target = count;
        else if (current == 0)
            target = toolbar->repeatMode() == RepeatList ? count : 0;
        else
            target = current;
        --target;
        if (target < 0) break;
        if (playRow(target)) return;
        passedOver = fileList->itemText(target);
    }
    endPlayback(passedOver);
}

bool MainWindow::playRow(int row) {
    fileList->selectIndex(row);
    setPauseChecked(false);
    return playIndex(row);
}

void MainWindow::endPlayback(const std::wstring& passedOver) {
    // The last item passed over stays named, so that the user sees why nothing plays.
    if (passedOver.empty())
        stopPlayback();
    else
        cannotPlay(passedOver);
    setPauseChecked(false);
}

void MainWindow::onTrackEnd() {
    // At the end of a run the list first shows its last track, from which the next item is found.
    if (player && player->followRun(true) > 0) showFollowedItem();
    if (toolbar->repeatMode() == RepeatSingle) {
        if (player) {
            player->stop();
            player->seek(0);
            player->play();
            refreshPosition();
        }
        return;
    }
    // The ended player lives on a moment while the next one starts, so that its last sound is heard.
    finishingPlayer = player;
    SetTimer(window(), FINISHING_TIMER_ID, kFinishingMs, nullptr);
    playNext();
}

void MainWindow::releaseFinished() {
    KillTimer(window(), FINISHING_TIMER_ID);
    finishingPlayer.reset();
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
