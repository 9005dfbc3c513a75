#include "main_window/main_window.h"

#include "main_window/settings_keys.h"
#include "settings/settings_files.h"
#include "res/resource_ids.h"
#include "library/folder.h"
#include "playback/player.h"
#include "ui/commands.h"
#include "ui/hand_over.h"
#include "ui/views/file_list.h"
#include "ui/views/folder_tree.h"
#include "ui/views/rebar.h"
#include "ui/views/splitter.h"
#include "ui/views/status_bar.h"
#include "ui/views/tool_bar.h"
#include "ui/views/track_bar.h"
#include "ui/views/volume_bar.h"

#include <commctrl.h>
#include <shellapi.h>

namespace melodrift {

MainWindow::MainWindow() {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    const HICON icon = LoadIconW(module, MAKEINTRESOURCEW(IDI_MELODRIFT));
    // Registered once per process, so that a second window (in tests) finds the class.
    static const ATOM atom = registerWindowClass(0, icon, LoadCursorW(nullptr, IDC_ARROW),
        static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)), L"melodrift-MainWindow", icon);
    CreateWindowExW(WS_EX_WINDOWEDGE | WS_EX_ACCEPTFILES, MAKEINTATOM(atom), L"melodrift", WS_OVERLAPPEDWINDOW, 0, 0, 0,
        0, nullptr, nullptr, module, this);
    rethrowPendingException();
}

MainWindow::~MainWindow() = default;

void MainWindow::createChildren() {
    tree = std::make_unique<FolderTree>(window());
    fileList = std::make_unique<FileList>(window(), playablePatterns());
    splitter = std::make_unique<CSplitter>(window(), tree->window(), fileList->window());
    rebar = std::make_unique<Rebar>(window());
    toolbar = std::make_unique<ToolBar>(window());
    seekBar = std::make_unique<SeekBar>(window());
    volumeBar = std::make_unique<VolumeBar>(window());
    insertRebarBands();
    statusBar = std::make_unique<StatusBar>(window());
}

void MainWindow::insertRebarBands() {
    RECT bar{};
    GetWindowRect(toolbar->window(), &bar);
    const int width = toolbar->buttonsWidth();
    const int height = bar.bottom - bar.top;
    toolbar->leaveSizeToBand();
    rebar->addBand(toolbar->window(), width, width, height);
    rebar->addBand(seekBar->window(), 0, 10000, height);
}

void MainWindow::onSize(WPARAM sizeType, LPARAM clientSize) {
    const int rebarHeight = rebar ? rebar->resize(sizeType, clientSize) : 0;
    const int statusHeight = statusBar ? statusBar->resize(sizeType, clientSize) : 0;
    // Minimised, the children keep their places.
    if (sizeType == SIZE_MINIMIZED || !rebar) return;
    RECT area{};
    GetClientRect(window(), &area);
    area.top += rebarHeight;
    area.bottom -= statusHeight;
    splitter->layout(splitter->barPosition(), &area);
}

LRESULT MainWindow::onNotify(const NMHDR& header) {
    if (tree && header.hwndFrom == tree->window()) {
        const auto& notification = reinterpret_cast<const NMTREEVIEWW&>(header);
        if (header.code == TVN_ITEMEXPANDINGW) {
            const LRESULT answer = tree->onItemExpanding(notification);
            // Paths that arrived during the listing are opened now that the tree expands again.
            if (!tree->listing() && !handedOver.empty()) PostMessageW(window(), MSG_OPEN_HANDED_OVER, 0, 0);
            return answer;
        }
        if (header.code == TVN_GETDISPINFOW)
            return tree->onGetDispInfo(*reinterpret_cast<NMTVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        if (header.code == TVN_SELCHANGEDW) openFolderOfItem(notification.itemNew.hItem);
        return 0;
    }
    if (fileList && header.hwndFrom == fileList->window()) {
        if (header.code == NM_DBLCLK) {
            const int activated = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
            if (activated >= 0) fileList->selectIndex(activated);
            playSelected();
            return 0;
        }
        return fileList->onColumnClick(reinterpret_cast<const NMLISTVIEW&>(header));
    }
    if (seekBar && header.hwndFrom == seekBar->toolTipWindow()) {
        if (header.code == TTN_GETDISPINFOW)
            return seekBar->onSeekToolTip(reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(&header)));
        return 0;
    }
    if (toolbar && (header.hwndFrom == toolbar->window() || header.hwndFrom == toolbar->toolTipWindow())) {
        if (header.code == TTN_GETDISPINFOW)
            return toolbar->onToolTip(reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(&header)));
        return 0;
    }
    return 0;
}

LRESULT MainWindow::handleMessage(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: createChildren(); return 0;
    case WM_DESTROY:
        // Later starts no longer find a window that is closing; they wait for its lock.
        if (!installation.empty()) unmarkPlayerWindow(h, installation);
        saveSettings();
        PostQuitMessage(0);
        return 0;
    case WM_SIZE: onSize(wParam, lParam); return 0;
    case WM_CLOSE: DestroyWindow(h); return 0;
    case WM_ENDSESSION:
        // At log-off or shutdown no WM_DESTROY comes: the process is ended once this returns.
        if (wParam) {
            saveSettings();
            saveSettingsFiles();
        }
        return 0;
    case WM_NOTIFY: return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CONTEXTMENU:
        if (tree && reinterpret_cast<HWND>(wParam) == tree->window()) return tree->onContextMenu(lParam);
        return 0;
    case WM_COMMAND: onCommand(LOWORD(wParam)); return 0;
    case WM_TIMER:
        if (wParam == FOLLOW_TIMER_ID)
            followPlayback();
        else if (wParam == FINISHING_TIMER_ID)
            releaseFinished();
        else
            refreshPosition();
        return 0;
    case WM_HSCROLL:
        if (seekBar && reinterpret_cast<HWND>(lParam) == seekBar->window()) onSeek(LOWORD(wParam));
        return 0;
    case WM_DROPFILES: onDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_COPYDATA: return onHandOver(*reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
    case MSG_OPEN_HANDED_OVER: openHandedOverPath(); return 0;
    case MSG_GRAPH_EVENT:
        // Any process may post this to a window it finds by class: only the serial of the
        // current player has its events drained.
        if (player && lParam == LPARAM(player->serial())) player->handleGraphEvents();
        return 0;
    case MSG_TRACK_END:
        // A completion queued before its player was stopped or replaced must not move on.
        if (player && lParam == LPARAM(player->serial())) onTrackEnd();
        return 0;
    case MSG_SHOW_PLAYING: showPlaying(); return 0;
    case MSG_SET_VOLUME:
        if (player) player->setVolume(static_cast<int32_t>(lParam));
        return 0;
    case MSG_IS_PLAYING: return player ? 1 : 0;
    default: return DefWindowProcW(h, message, wParam, lParam);
    }
}

}  // namespace melodrift
