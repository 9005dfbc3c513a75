#pragma once

#include "ui/window.h"

#include <commctrl.h>

#include <deque>
#include <memory>
#include <string>

namespace melodrift {

class FolderTree;
class FileList;
class CSplitter;
class Rebar;
class ToolBar;
class SeekBar;
class VolumeBar;
class StatusBar;
class Folder;
class Player;

// The program's only top-level window: it owns every control, lays them out, routes
// their notifications and the toolbar's commands, and brings the settings back at
// start and puts them into the stores when it is destroyed.
class MainWindow : public Window {
public:
    static constexpr UINT_PTR POSITION_TIMER_ID = 1;
    // Follows playback into the next track of a run and makes the next item ready ahead.
    static constexpr UINT_PTR FOLLOW_TIMER_ID = 2;
    // Ends the player that reached its end once its last sound has been heard.
    static constexpr UINT_PTR FINISHING_TIMER_ID = 3;

    MainWindow();
    ~MainWindow() override;

    // commandLinePath is the path to open (and play); null means there is none.
    void restoreSettings(const std::wstring* commandLinePath);
    // From now on later starts of the installation find this window and hand it their
    // paths; it stops on WM_DESTROY.
    void acceptHandOvers(const std::wstring& installationName);
    void saveSettings();

    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

    // For tests, which drive the window by messages and read the controls back.
    FolderTree* folderTree() const { return tree.get(); }
    FileList* fileListView() const { return fileList.get(); }
    CSplitter* splitterBar() const { return splitter.get(); }
    ToolBar* toolBar() const { return toolbar.get(); }
    SeekBar* seekBarControl() const { return seekBar.get(); }
    VolumeBar* volumeBarPopup() const { return volumeBar.get(); }
    StatusBar* statusBarControl() const { return statusBar.get(); }
    Rebar* rebarControl() const { return rebar.get(); }
    const std::shared_ptr<Folder>& currentFolder() const { return folder; }
    const std::shared_ptr<Player>& currentPlayer() const { return player; }
    const std::shared_ptr<Player>& nextPlayer() const { return preparedPlayer; }
    bool positionTimerRunning() const { return timerRunning; }

private:
    // Children, in the order WM_CREATE makes them.
    void createChildren();
    void insertRebarBands();
    void onSize(WPARAM sizeType, LPARAM clientSize);
    LRESULT onNotify(const NMHDR& header);
    void onCommand(int id);
    void showRepeatMenu();
    void showVolumePopup();
    void showFavoritesMenu();
    void onDropFiles(HDROP drop);
    void openDroppedPath(const std::wstring& path);
    bool onHandOver(const COPYDATASTRUCT& data);
    void openHandedOverPath();
    void comeToFront();

    // Playback control; the play list is the file list in its display order.
    void openFolderOfItem(HTREEITEM node);
    bool playIndex(int index);
    bool stopPlayback();
    bool cannotPlay(const std::wstring& name);
    void showPlayingItem();
    bool showsFolderOf(const Player& playing) const;
    bool isPrepared(const std::wstring& name) const;
    void planRun(Player& planned, int row);
    void followPlayback();
    void showFollowedItem();
    int nextRow();
    void prepareNext(int remaining);
    std::shared_ptr<Player> takePrepared(const std::wstring& name);
    bool playRow(int row);
    void endPlayback(const std::wstring& passedOver);
    void playSelected();
    void togglePause();
    void playNext();
    void playPrevious();
    void onTrackEnd();
    void releaseFinished();
    void toggleRandom();
    void onSeek(int scrollCode);
    void refreshPosition();
    bool openPath(const std::wstring& path);
    bool restoreLast(const std::wstring& folderPath, const std::wstring& fileName);
    void showPlaying();
    void setPauseChecked(bool checked);
    bool isButtonChecked(int commandId) const;
    void startTimer();
    void stopTimer();

    // Members are destroyed in reverse: the player goes first, then the folder, then
    // the controls.
    std::unique_ptr<FolderTree> tree;
    std::unique_ptr<FileList> fileList;
    std::unique_ptr<CSplitter> splitter;
    std::unique_ptr<Rebar> rebar;
    std::unique_ptr<ToolBar> toolbar;
    std::unique_ptr<SeekBar> seekBar;
    std::unique_ptr<VolumeBar> volumeBar;
    std::unique_ptr<StatusBar> statusBar;
    std::shared_ptr<Folder> folder;
    std::shared_ptr<Player> player;
    std::shared_ptr<Player> preparedPlayer;   // the next item, made ready before the playing one ends
    std::shared_ptr<Player> finishingPlayer;  // the item that ended, until its last sound is heard
    bool timerRunning = false;
    std::wstring installation;            // empty until acceptHandOvers
    std::deque<std::wstring> handedOver;  // paths waiting for the main loop
};

}  // namespace melodrift
