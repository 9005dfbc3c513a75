// The real main window, built from settings files, driven by window messages and read
// back from its controls.
#include "settings/settings_files.h"
#include "library/folder.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "ui/commands.h"
#include "main_window/main_window.h"
#include "ui/views/file_list.h"
#include "ui/views/folder_tree.h"
#include "ui/views/rebar.h"
#include "ui/views/splitter.h"
#include "ui/views/status_bar.h"
#include "ui/views/tool_bar.h"
#include "ui/views/track_bar.h"
#include "ui/views/volume_bar.h"
#include "views/menu_watcher.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>

namespace melodrift {
namespace {

using test::TempDir;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
        InitCommonControlsEx(&controls);
    }
    void TearDown() override {
        if (window && IsWindow(window->window())) DestroyWindow(window->window());
        window.reset();
        // WM_DESTROY posted the quit; it must not end the next test's loops.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    // Loads both stores from files holding these lines, then builds and restores the window.
    void start(const std::wstring& config = L"", const std::wstring& state = L"") {
        test::writeBytes(configPath, test::utf16le(config));
        test::writeBytes(statePath, test::utf16le(state));
        configStore.load(configPath);
        stateStore.load(statePath);
        window = std::make_unique<MainWindow>();
        ASSERT_TRUE(IsWindow(window->window()));
        window->restoreSettings(nullptr);
    }

    void close() {
        SendMessageW(window->window(), WM_CLOSE, 0, 0);
        ASSERT_FALSE(IsWindow(window->window()));
    }

    std::vector<std::wstring> rootLabels() const {
        std::vector<std::wstring> labels;
        FolderTree* tree = window->folderTree();
        for (HTREEITEM node = TreeView_GetRoot(tree->window()); node; node = TreeView_GetNextSibling(tree->window(), node))
            labels.push_back(tree->nodeLabel(node));
        return labels;
    }

    RECT childRect(HWND child) const {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window->window(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    TempDir dir;
    std::wstring configPath = dir.file(L"melodrift-config.txt");
    std::wstring statePath = dir.file(L"melodrift-state.txt");
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, FirstStartShowsEveryDefault) {
    start();
    WINDOWPLACEMENT placement{sizeof placement};
    GetWindowPlacement(window->window(), &placement);
    EXPECT_EQ(placement.showCmd, UINT(SW_SHOWNORMAL));
    EXPECT_EQ(placement.rcNormalPosition.left, 0);
    EXPECT_EQ(placement.rcNormalPosition.right, 640);
    EXPECT_EQ(placement.rcNormalPosition.bottom, 480);
    EXPECT_TRUE(IsWindowVisible(window->window()));

    // The splitter sits at two fifths of the client width.
    RECT client{};
    GetClientRect(window->window(), &client);
    EXPECT_EQ(window->splitterBar()->barPosition(), client.right * 2 / 5);

    int widths[4];
    window->fileListView()->columnWidths(widths);
    EXPECT_EQ(widths[0], 200);
    EXPECT_EQ(widths[1], 50);
    EXPECT_EQ(widths[3], 50);
    EXPECT_FALSE(window->toolBar()->isChecked(ID_RANDOM - ID_PLAY));
    EXPECT_EQ(window->toolBar()->repeatMode(), RepeatNone);
    EXPECT_EQ(window->volumeBarPopup()->volume(), 0);
    EXPECT_EQ(SendMessageW(window->volumeBarPopup()->trackBarWindow(), TBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(rootLabels(), (std::vector<std::wstring>{L"C:\\", L"Z:\\"}));
    EXPECT_EQ(TreeView_GetSelection(window->folderTree()->window()), nullptr);
    EXPECT_FALSE(IsWindowEnabled(window->seekBarControl()->window()));
}

TEST_F(MainWindowTest, StoredStateIsAppliedWithItsClampsAndDriveMask) {
    start(L"Hidden=z9!\r\nFavorite[00]=" + dir.path() + L"\r\n",
          L"Volume=-20000\r\nRepeat=2\r\nRandom=1\r\nFileList.Column[0]=65656\r\nMainWnd.Splitter=120\r\n");
    EXPECT_EQ(rootLabels(), (std::vector<std::wstring>{L"C:\\", dir.path()}));
    EXPECT_EQ(window->volumeBarPopup()->volume(), -10000);
    EXPECT_EQ(SendMessageW(window->volumeBarPopup()->trackBarWindow(), TBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(window->toolBar()->repeatMode(), RepeatSingle);
    EXPECT_TRUE(window->toolBar()->isChecked(ID_RANDOM - ID_PLAY));
    EXPECT_TRUE(window->fileListView()->randomOrder());
    int widths[4];
    window->fileListView()->columnWidths(widths);
    EXPECT_EQ(widths[0], 120);  // the low 16 bits of 65656
    EXPECT_EQ(window->splitterBar()->barPosition(), 120);
}

TEST_F(MainWindowTest, LayoutKeepsTheTimePartAtTwoHundredAndIgnoresMinimising) {
    start();
    SetWindowPos(window->window(), nullptr, 0, 0, 900, 500, SWP_NOZORDER | SWP_NOMOVE);
    int edges[2] = {};
    SendMessageW(window->statusBarControl()->window(), SB_GETPARTS, 2, reinterpret_cast<LPARAM>(edges));
    RECT client{};
    GetClientRect(window->window(), &client);
    EXPECT_EQ(edges[0], client.right - 200);
    EXPECT_EQ(edges[1], -1);

    // The panes fill the space between the rebar and the status bar.
    const RECT rebar = childRect(window->rebarControl()->window());
    const RECT status = childRect(window->statusBarControl()->window());
    const RECT tree = childRect(window->folderTree()->window());
    const RECT list = childRect(window->fileListView()->window());
    EXPECT_EQ(tree.top, rebar.bottom);
    EXPECT_EQ(tree.bottom, status.top);
    EXPECT_EQ(list.right, client.right);
    EXPECT_EQ(list.left - tree.right, 4);
    // The seek bar takes the rest of the toolbar's row.
    const RECT toolbar = childRect(window->toolBar()->window());
    const RECT seek = childRect(window->seekBarControl()->window());
    EXPECT_GE(seek.left, toolbar.right);
    EXPECT_GT(seek.right - seek.left, 300) << seek.left << ".." << seek.right;
    EXPECT_GE(seek.top, rebar.top);
    EXPECT_LE(seek.bottom, rebar.bottom);

    const RECT before = childRect(window->fileListView()->window());
    SendMessageW(window->window(), WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
    const RECT after = childRect(window->fileListView()->window());
    EXPECT_TRUE(EqualRect(&before, &after));

    // Narrower than the time part: the name part is 0 wide.
    SendMessageW(window->window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(150, 300));
    SendMessageW(window->statusBarControl()->window(), SB_GETPARTS, 2, reinterpret_cast<LPARAM>(edges));
    EXPECT_EQ(edges[0], 0);
}

TEST_F(MainWindowTest, SelectingATreeNodeFillsTheListFromItsFolder) {
    test::writeBytes(dir.file(L"a.mp3"), "x");
    test::writeBytes(dir.file(L"b.wav"), "xy");
    test::writeBytes(dir.file(L"notes.txt"), "z");
    start(L"Favorite[00]=" + dir.path() + L"\r\n");
    ASSERT_TRUE(window->folderTree()->selectPath(dir.path()));
    ASSERT_TRUE(window->currentFolder());
    EXPECT_EQ(window->currentFolder()->path(), dir.path());
    EXPECT_EQ(ListView_GetItemCount(window->fileListView()->window()), 2);
}

TEST_F(MainWindowTest, RestoresTheLastFolderAndFileWithoutPlaying) {
    test::writeBytes(dir.file(L"a.mp3"), "x");
    test::writeBytes(dir.file(L"B.wav"), "xy");
    start(L"Favorite[00]=" + dir.path() + L"\r\n", L"LastFolder=" + dir.path() + L"\r\nLastFile=b.WAV\r\n");
    FileList* list = window->fileListView();
    ASSERT_GE(list->currentIndex(), 0);
    EXPECT_EQ(list->itemText(list->currentIndex()), L"B.wav");
    EXPECT_EQ(SendMessageW(window->window(), MSG_IS_PLAYING, 0, 0), 0);
}

TEST_F(MainWindowTest, ContextMenuOfAnotherWindowAndFavouritesWithoutFavouritesDoNothing) {
    start();
    EXPECT_EQ(SendMessageW(window->window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window->fileListView()->window()),
                           MAKELPARAM(10, 10)),
              0);
    // No favourite: no menu, so the command returns at once instead of tracking one.
    SendMessageW(window->window(), WM_COMMAND, ID_FAVORITES, 0);
    SUCCEED();
}

TEST_F(MainWindowTest, VolumeButtonOpensThePopupUnderTheToolbar) {
    start(L"", L"Volume=-2929\r\n");
    SendMessageW(window->window(), WM_COMMAND, ID_VOLUME, 0);
    HWND popup = window->volumeBarPopup()->window();
    ASSERT_TRUE(IsWindowVisible(popup));
    RECT toolbar{}, shown{};
    GetWindowRect(window->toolBar()->window(), &toolbar);
    GetWindowRect(popup, &shown);
    EXPECT_EQ(shown.left, toolbar.left);
    EXPECT_EQ(shown.top, toolbar.bottom);
    EXPECT_EQ(shown.bottom - shown.top, toolbar.bottom - toolbar.top);
    EXPECT_EQ(SendMessageW(window->volumeBarPopup()->trackBarWindow(), TBM_GETPOS, 0, 0), 50);
    ShowWindow(popup, SW_HIDE);
}

TEST_F(MainWindowTest, ClosingPutsStateIntoTheStoresAndLeavesCaseOnlyFavouriteChangesAlone) {
    const std::wstring upper = dir.path();
    std::wstring lower = upper;
    CharLowerW(&lower[0]);
    start(L"Favorite[00]=" + lower + L"\r\nHidden=\r\nPlayable=*.mp3\r\n", L"Volume=-3000\r\nRepeat=1\r\n");
    close();
    EXPECT_EQ(configStore.getString(L"Favorite[00]", nullptr), lower);
    EXPECT_EQ(stateStore.getString(L"Volume", nullptr), L"-3000");
    EXPECT_EQ(stateStore.getString(L"Repeat", nullptr), L"1");
    EXPECT_EQ(stateStore.getString(L"Random", nullptr), L"0");
    EXPECT_EQ(stateStore.getString(L"MainWnd.Pos.right", nullptr), L"640");
    EXPECT_TRUE(stateStore.dirty());
}

TEST_F(MainWindowTest, RemovedFavouritesStayRemovedAndUnreachableOnesAreLeftAlone) {
    test::TempDir a, b, c;
    start(L"Favorite[00]=" + a.path() + L"\r\nFavorite[01]=" + b.path() + L"\r\nFavorite[02]=" + c.path() +
          L"\r\nFavorite[04]=D:\\kept\r\n");
    FolderTree* tree = window->folderTree();
    ASSERT_EQ(tree->favoriteNodes().size(), 3u);
    tree->removeFavorite(tree->favoriteNodes()[0]);
    close();
    EXPECT_EQ(configStore.getString(L"Favorite[00]", nullptr), b.path());
    EXPECT_EQ(configStore.getString(L"Favorite[01]", nullptr), c.path());
    EXPECT_EQ(configStore.getString(L"Favorite[02]", nullptr), L"");
    // Beyond the first empty key nothing is read, so nothing there is touched.
    EXPECT_EQ(configStore.getString(L"Favorite[04]", nullptr), L"D:\\kept");
}

TEST_F(MainWindowTest, FavouritesMenuSelectsAndExpandsTheChosenFavourite) {
    test::TempDir a, b;
    test::writeBytes(b.file(L"song.mp3"), "x");
    ASSERT_TRUE(CreateDirectoryW(b.file(L"inner").c_str(), nullptr));
    start(L"Favorite[00]=" + a.path() + L"\r\nFavorite[01]=" + b.path() + L"\r\n");
    test::MenuWatcher watcher({VK_DOWN, VK_DOWN, VK_RETURN});
    SendMessageW(window->window(), WM_COMMAND, ID_FAVORITES, 0);
    watcher.stop();
    ASSERT_TRUE(watcher.seen);
    EXPECT_EQ(watcher.texts, (std::vector<std::wstring>{a.path(), b.path()}));
    ASSERT_TRUE(window->currentFolder());
    EXPECT_EQ(window->currentFolder()->path(), b.path());
    HTREEITEM selected = TreeView_GetSelection(window->folderTree()->window());
    EXPECT_TRUE(TreeView_GetItemState(window->folderTree()->window(), selected, TVIS_EXPANDED) & TVIS_EXPANDED);
}

}  // namespace
}  // namespace melodrift
