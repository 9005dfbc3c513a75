// The folder tree's context menu: which entries a node gets, what each command does
// to the tree, the favourites, the file manager's command line, and the real pop-up
// menu opened from the keyboard and from a right click.
#include "settings/settings_files.h"
#include "archive/archive_engine.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "ui/paced_pump.h"
#include "ui/commands.h"
#include "ui/views/explorer.h"
#include "ui/views/folder_tree.h"
#include "ui/window.h"

#include "views/menu_watcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace melodrift {
namespace {

using Entries = std::vector<FolderTree::MenuEntry>;
using test::MenuWatcher;
constexpr UINT kRunPosted = WM_APP + 41;

const FolderTree::MenuEntry kSeparator{0, L""};
const FolderTree::MenuEntry kUp{10, L"上へ"};
const FolderTree::MenuEntry kShowPlaying{11, L"演奏中のフォルダへ"};
const FolderTree::MenuEntry kExplorer{12, L"エクスプローラを開く"};
const FolderTree::MenuEntry kAddFavorite{13, L"お気に入りに追加"};
const FolderTree::MenuEntry kRemoveFavorite{14, L"お気に入りから削除"};
const FolderTree::MenuEntry kRefresh{15, L"最新の情報に更新"};

// Stands in for the main window: routes the tree's notifications and its context
// menu, answers whether something plays and counts the requests to show it.
class MenuHost : public Window {
public:
    MenuHost() {
        CreateWindowExW(0, MAKEINTATOM(atom()), L"tree context menu test", WS_OVERLAPPEDWINDOW, 0, 0, 400, 600,
                        nullptr, nullptr, GetModuleHandleW(nullptr), this);
        tree = std::make_unique<FolderTree>(window());
        MoveWindow(tree->window(), 0, 0, 380, 560, TRUE);
    }
    ~MenuHost() override {
        tree.reset();
        if (IsWindow(window())) DestroyWindow(window());
    }
    static ATOM atom() {
        static const ATOM registered = registerWindowClass(0, nullptr, LoadCursorW(nullptr, IDC_ARROW), nullptr,
                                                           L"melodrift-TreeContextMenuTest", nullptr);
        return registered;
    }
    // Posted once a listing's next pump is due to drain, so that it runs from there.
    void post(std::function<void()> action) {
        ASSERT_TRUE(test::waitUntil(messageDrainIsDue));
        posted = std::move(action);
        PostMessageW(window(), kRunPosted, 0, 0);
    }
    LRESULT handleMessage(HWND h, UINT message, WPARAM w, LPARAM l) override {
        if (message == WM_NOTIFY && tree && reinterpret_cast<NMHDR*>(l)->hwndFrom == tree->window()) {
            const auto& nm = *reinterpret_cast<NMTREEVIEWW*>(l);
            if (nm.hdr.code == TVN_ITEMEXPANDINGW) return tree->onItemExpanding(nm);
            if (nm.hdr.code == TVN_GETDISPINFOW) return tree->onGetDispInfo(*reinterpret_cast<NMTVDISPINFOW*>(l));
            if (nm.hdr.code == TVN_SELCHANGEDW && nm.itemNew.hItem)
                selections.push_back(tree->nodePath(nm.itemNew.hItem));
            return 0;
        }
        switch (message) {
        case WM_CONTEXTMENU:
            if (tree && reinterpret_cast<HWND>(w) == tree->window()) return tree->onContextMenu(l);
            break;
        case MSG_IS_PLAYING:
            return playing ? 1 : 0;
        case MSG_SHOW_PLAYING:
            ++showPlayingRequests;
            return 0;
        case kRunPosted:
            if (auto action = std::exchange(posted, nullptr)) action();
            ++postedRuns;
            return 0;
        default:
            break;
        }
        return DefWindowProcW(h, message, w, l);
    }

    std::unique_ptr<FolderTree> tree;
    std::function<void()> posted;
    std::vector<std::wstring> selections;
    bool playing = false;
    int showPlayingRequests = 0;
    int postedRuns = 0;
};

class TreeContextMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool controlsReady = [] {
            INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
            return InitCommonControlsEx(&init) != FALSE;
        }();
        ASSERT_TRUE(controlsReady);
        configStore.load(settingsDir.file(L"config.txt"));
        ASSERT_TRUE(ensureEngineLoaded()) << "7z.dll beside the test program";

        root = files.path();
        ASSERT_TRUE(CreateDirectoryW(files.file(L"Alpha").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(files.file(L"Alpha\\Inner").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(files.file(L"Alpha\\Inner\\Deep").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(files.file(L"Other").c_str(), nullptr));
        test::writeBytes(files.file(L"Alpha\\beta.zip"), "PK");
        test::writeBytes(files.file(L"Disc.cue"), "FILE \"a.wav\" WAVE\r\n");
    }

    HWND control() const { return host.tree->window(); }
    FolderTree& tree() { return *host.tree; }

    HTREEITEM next(HTREEITEM node, UINT relation) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessageW(control(), TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(node)));
    }
    std::vector<HTREEITEM> roots() const {
        std::vector<HTREEITEM> nodes;
        for (HTREEITEM n = next(nullptr, TVGN_ROOT); n; n = next(n, TVGN_NEXT)) nodes.push_back(n);
        return nodes;
    }
    HTREEITEM firstChild(HTREEITEM node) const { return next(node, TVGN_CHILD); }
    HTREEITEM selected() const { return next(nullptr, TVGN_CARET); }
    HTREEITEM topOf(HTREEITEM node) const {
        while (HTREEITEM up = next(node, TVGN_PARENT)) node = up;
        return node;
    }
    TVITEMW itemState(HTREEITEM node) const {
        TVITEMW item{};
        item.mask = TVIF_STATE | TVIF_CHILDREN | TVIF_PARAM;
        item.stateMask = TVIS_EXPANDED;
        item.hItem = node;
        SendMessageW(control(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return item;
    }
    bool isExpanded(HTREEITEM node) const { return (itemState(node).state & TVIS_EXPANDED) != 0; }
    bool expand(HTREEITEM node) {
        return SendMessageW(control(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node)) != 0;
    }
    HTREEITEM favorite(const std::wstring& path) { return tree().insertNode(TVI_ROOT, TVI_LAST, path, path, true); }
    // Selects a path below the drive nodes and returns its node.
    HTREEITEM underDrives(const std::wstring& path) {
        tree().addDrives(0);
        EXPECT_TRUE(tree().selectPath(path));
        return selected();
    }
    Entries entriesFor(HTREEITEM node) { return tree().contextMenuEntries(tree().contextTarget(node)); }
    void run(UINT id, HTREEITEM node) { tree().runContextCommand(id, tree().contextTarget(node)); }

    // The centre of a node's label on the screen.
    POINT labelCentre(HTREEITEM node) const {
        // The message takes the node in the rectangle's place.
        RECT text{};
        std::memcpy(&text, &node, sizeof node);
        EXPECT_TRUE(SendMessageW(control(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text)));
        POINT centre{(text.left + text.right) / 2, (text.top + text.bottom) / 2};
        ClientToScreen(control(), &centre);
        return centre;
    }

    test::TempDir settingsDir;
    test::TempDir files;
    std::wstring root;
    MenuHost host;
};

class TreeContextMenuEntries : public TreeContextMenuTest {};
class TreeContextMenuCommands : public TreeContextMenuTest {};
class TreeContextMenuFavorites : public TreeContextMenuTest {};
class TreeContextMenuPopup : public TreeContextMenuTest {};

TEST_F(TreeContextMenuEntries, DriveNodeHasNoWayUp) {
    tree().addDrives(0);
    HTREEITEM drive = tree().findChild(TVI_ROOT, L"C:\\");
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(entriesFor(drive), (Entries{kExplorer, kSeparator, kAddFavorite, kSeparator, kRefresh}));
}

TEST_F(TreeContextMenuEntries, DirectoryUnderADriveGoesUp) {
    HTREEITEM alpha = underDrives(root + L"\\Alpha");
    EXPECT_EQ(entriesFor(alpha), (Entries{kUp, kSeparator, kExplorer, kSeparator, kAddFavorite, kSeparator, kRefresh}));
}

TEST_F(TreeContextMenuEntries, FavoriteGoesUpToItsParentFolderAndCanBeRemoved) {
    HTREEITEM node = favorite(root + L"\\Alpha");
    EXPECT_EQ(entriesFor(node),
              (Entries{kUp, kSeparator, kExplorer, kSeparator, kRemoveFavorite, kSeparator, kRefresh}));
    const FolderTree::ContextTarget target = tree().contextTarget(node);
    EXPECT_EQ(target.parent, nullptr);
    EXPECT_EQ(target.upPath, root);
}

TEST_F(TreeContextMenuEntries, FavoriteAtADriveRootHasNoWayUp) {
    HTREEITEM node = favorite(L"C:\\");
    EXPECT_EQ(entriesFor(node), (Entries{kExplorer, kSeparator, kRemoveFavorite, kSeparator, kRefresh}));
}

TEST_F(TreeContextMenuEntries, FavoriteWrittenWithATrailingSeparatorGoesUpToItsRealParent) {
    HTREEITEM node = favorite(root + L"\\Alpha\\");
    EXPECT_EQ(tree().contextTarget(node).upPath, root);
}

TEST_F(TreeContextMenuEntries, NodeBelowAFavoriteIsNoFavoriteItself) {
    HTREEITEM top = favorite(root);
    ASSERT_TRUE(expand(top));
    HTREEITEM below = tree().findChild(top, L"Alpha");
    ASSERT_NE(below, nullptr);
    EXPECT_EQ(entriesFor(below), (Entries{kUp, kSeparator, kExplorer, kSeparator, kAddFavorite, kSeparator, kRefresh}));
}

TEST_F(TreeContextMenuEntries, PlayingFolderIsOfferedOnlyWhileSomethingPlays) {
    tree().addDrives(0);
    HTREEITEM drive = tree().findChild(TVI_ROOT, L"C:\\");
    host.playing = true;
    EXPECT_EQ(entriesFor(drive),
              (Entries{kShowPlaying, kSeparator, kExplorer, kSeparator, kAddFavorite, kSeparator, kRefresh}));
    HTREEITEM alpha = underDrives(root + L"\\Alpha");
    EXPECT_EQ(entriesFor(alpha), (Entries{kUp, kShowPlaying, kSeparator, kExplorer, kSeparator, kAddFavorite,
                                          kSeparator, kRefresh}));
    host.playing = false;
    EXPECT_EQ(entriesFor(alpha), (Entries{kUp, kSeparator, kExplorer, kSeparator, kAddFavorite, kSeparator, kRefresh}));
}

TEST_F(TreeContextMenuCommands, ShowPlayingAsksTheMainWindow) {
    host.playing = true;
    HTREEITEM node = favorite(root);
    run(FolderTree::kMenuShowPlaying, node);
    EXPECT_EQ(host.showPlayingRequests, 1);
    run(0, node);  // a dismissed menu does nothing
    EXPECT_EQ(host.showPlayingRequests, 1);
}

TEST_F(TreeContextMenuCommands, UpFromAChildSelectsItsParentNode) {
    HTREEITEM inner = underDrives(root + L"\\Alpha\\Inner");
    HTREEITEM alpha = next(inner, TVGN_PARENT);
    run(FolderTree::kMenuUp, inner);
    EXPECT_EQ(selected(), alpha);
    EXPECT_EQ(host.selections.back(), root + L"\\Alpha");

    // From the folder just below the drive, up is the drive node.
    HTREEITEM drive = tree().findChild(TVI_ROOT, root.substr(0, 3));
    ASSERT_TRUE(tree().selectPath(root.substr(0, root.find(L'\\', 3))));
    HTREEITEM first = selected();
    ASSERT_EQ(next(first, TVGN_PARENT), drive);
    run(FolderTree::kMenuUp, first);
    EXPECT_EQ(selected(), drive);
}

TEST_F(TreeContextMenuCommands, UpFromAFavoriteLeadsIntoTheDriveTree) {
    tree().addDrives(0);
    HTREEITEM node = favorite(root + L"\\Alpha\\Inner");
    SendMessageW(control(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));

    run(FolderTree::kMenuUp, node);
    ASSERT_NE(selected(), nullptr);
    EXPECT_EQ(tree().nodePath(selected()), root + L"\\Alpha");
    EXPECT_EQ(topOf(selected()), tree().findChild(TVI_ROOT, root.substr(0, 3)));
    EXPECT_EQ(host.selections.back(), root + L"\\Alpha");
}

TEST_F(TreeContextMenuCommands, RefreshKeepsFavoritesCollapsedAndTheSelection) {
    tree().addDrives(0);
    HTREEITEM node = favorite(root);
    ASSERT_TRUE(tree().selectPath(root + L"\\Alpha\\Inner"));
    ASSERT_TRUE(isExpanded(node));
    const size_t rootCount = roots().size();

    run(FolderTree::kMenuRefresh, selected());
    EXPECT_EQ(roots().size(), rootCount);
    EXPECT_EQ(roots().back(), node);
    EXPECT_TRUE(tree().isFavorite(node));
    EXPECT_EQ(tree().nodePath(selected()), root + L"\\Alpha\\Inner");
    // The selection went back through the favourite, so only that path is open again.
    EXPECT_EQ(topOf(selected()), node);
    EXPECT_EQ(host.selections.back(), root + L"\\Alpha\\Inner");
}

TEST_F(TreeContextMenuFavorites, AddedFavoriteComesLastWithItsFullPathAndTheSelectionStays) {
    HTREEITEM alpha = underDrives(root + L"\\Alpha");
    const size_t reports = host.selections.size();

    run(FolderTree::kMenuAddFavorite, alpha);
    const std::vector<HTREEITEM> after = roots();
    HTREEITEM added = after.back();
    EXPECT_EQ(tree().nodeLabel(added), root + L"\\Alpha");
    EXPECT_EQ(tree().nodePath(added), root + L"\\Alpha");
    EXPECT_EQ(itemState(added).lParam & 1, 1);
    EXPECT_NE(itemState(added).cChildren, 0);
    EXPECT_EQ(selected(), alpha);
    EXPECT_EQ(host.selections.size(), reports);
    // It lists like any other node.
    ASSERT_TRUE(expand(added));
    EXPECT_EQ(tree().nodeLabel(firstChild(added)), L"beta.zip");
}

TEST_F(TreeContextMenuFavorites, SameFolderTwiceGivesTwoAndRemovingOneLeavesTheOther) {
    HTREEITEM alpha = underDrives(root + L"\\Alpha");
    HTREEITEM first = tree().addFavorite(alpha);
    HTREEITEM second = tree().addFavorite(alpha);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(tree().favoriteNodes(), (std::vector<HTREEITEM>{first, second}));

    ASSERT_TRUE(expand(first));
    run(FolderTree::kMenuRemoveFavorite, first);
    EXPECT_EQ(tree().favoriteNodes(), std::vector<HTREEITEM>{second});
    EXPECT_EQ(tree().nodePath(second), root + L"\\Alpha");
    EXPECT_EQ(selected(), alpha);
}

TEST_F(TreeContextMenuFavorites, RemoveLeavesNodesThatAreNoFavorites) {
    HTREEITEM alpha = underDrives(root + L"\\Alpha");
    const size_t rootCount = roots().size();
    tree().removeFavorite(alpha);
    tree().removeFavorite(topOf(alpha));
    EXPECT_EQ(roots().size(), rootCount);
    EXPECT_EQ(selected(), alpha);
}

TEST_F(TreeContextMenuFavorites, RemovingTheSelectedFavoriteMovesTheSelectionOn) {
    HTREEITEM kept = favorite(root + L"\\Other");
    HTREEITEM node = favorite(root + L"\\Alpha");
    ASSERT_TRUE(tree().selectPath(root + L"\\Alpha\\Inner"));
    ASSERT_EQ(topOf(selected()), node);

    run(FolderTree::kMenuRemoveFavorite, node);
    EXPECT_EQ(roots(), std::vector<HTREEITEM>{kept});
    EXPECT_EQ(selected(), kept);
    EXPECT_EQ(host.selections.back(), root + L"\\Other");
}

TEST_F(TreeContextMenuFavorites, RemovingAFavoriteWhileItsFolderIsListedStopsTheListing) {
    HTREEITEM kept = favorite(root + L"\\Other");
    HTREEITEM node = favorite(root);
    ASSERT_TRUE(expand(node));
    HTREEITEM alpha = tree().findChild(node, L"Alpha");

    host.post([&] { tree().removeFavorite(node); });
    EXPECT_FALSE(expand(alpha));
    EXPECT_EQ(host.postedRuns, 1);
    EXPECT_EQ(roots(), std::vector<HTREEITEM>{kept});
    // The tree is not left busy.
    EXPECT_FALSE(expand(kept));
    EXPECT_EQ(itemState(kept).cChildren, 0) << "listed, found empty, not refused as busy";
    EXPECT_TRUE(tree().selectPath(root + L"\\Other"));
}

TEST_F(TreeContextMenuFavorites, RemovingAnotherFavoriteDuringAListingLetsItFinish) {
    HTREEITEM other = favorite(root + L"\\Other");
    HTREEITEM node = favorite(root + L"\\Alpha");

    host.post([&] { tree().removeFavorite(other); });
    EXPECT_TRUE(expand(node));
    EXPECT_EQ(host.postedRuns, 1);
    EXPECT_EQ(roots(), std::vector<HTREEITEM>{node});
    EXPECT_TRUE(isExpanded(node));
    EXPECT_EQ(tree().nodeLabel(firstChild(node)), L"beta.zip");
    EXPECT_EQ(tree().nodeLabel(next(firstChild(node), TVGN_NEXT)), L"Inner");
    EXPECT_EQ(next(next(firstChild(node), TVGN_NEXT), TVGN_NEXT), nullptr);
}

TEST(ExplorerRequest, FileIsSelectedInItsFolderByTheCommandLine) {
    test::TempDir dir;
    const std::wstring file = dir.file(L"Disc One.cue");
    test::writeBytes(file, "");
    const ExplorerRequest request = explorerRequest(file);
    EXPECT_EQ(request.kind, ExplorerRequest::RunCommandLine);
    EXPECT_EQ(request.text, L"explorer /select,\"" + file + L"\"");
    EXPECT_EQ(std::wstring(L"explorer /select,\"").size(), 18u);
}

TEST(ExplorerRequest, PathThatCannotBeExaminedIsSelectedToo) {
    EXPECT_EQ(explorerRequest(L"Q:\\gone\\x.zip").text, L"explorer /select,\"Q:\\gone\\x.zip\"");
    EXPECT_EQ(explorerRequest(L"Q:\\gone\\x.zip").kind, ExplorerRequest::RunCommandLine);
}

TEST(ExplorerRequest, DirectoryAndDriveRootAreOpenedByTheShell) {
    test::TempDir dir;
    const ExplorerRequest folder = explorerRequest(dir.path());
    EXPECT_EQ(folder.kind, ExplorerRequest::OpenWithShell);
    EXPECT_EQ(folder.text, dir.path());
    const ExplorerRequest drive = explorerRequest(L"C:\\");
    EXPECT_EQ(drive.kind, ExplorerRequest::OpenWithShell);
    EXPECT_EQ(drive.text, L"C:\\");
}

TEST_F(TreeContextMenuPopup, KeyboardOpensTheMenuAtTheSelectedLabelsCentre) {
    HTREEITEM alpha = underDrives(root + L"\\Alpha");
    host.playing = true;
    const POINT centre = labelCentre(alpha);
    const size_t rootCount = roots().size();

    MenuWatcher watcher;
    EXPECT_EQ(SendMessageW(host.window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control()), MAKELPARAM(-1, -1)), 0);
    watcher.stop();

    ASSERT_TRUE(watcher.seen);
    EXPECT_EQ(watcher.rect.left, centre.x);
    EXPECT_EQ(watcher.rect.top, centre.y);
    const std::vector<std::wstring> expected = {kUp.text,    kShowPlaying.text, L"", kExplorer.text, L"",
                                                kAddFavorite.text, L"",       kRefresh.text};
    EXPECT_EQ(watcher.texts, expected);
    // Escape chose nothing.
    EXPECT_EQ(selected(), alpha);
    EXPECT_EQ(roots().size(), rootCount);
    EXPECT_EQ(host.showPlayingRequests, 0);
}

TEST_F(TreeContextMenuPopup, KeyboardWithNothingSelectedShowsNothing) {
    favorite(root);
    ASSERT_EQ(selected(), nullptr);
    MenuWatcher watcher;
    EXPECT_EQ(tree().onContextMenu(MAKELPARAM(-1, -1)), 0);
    watcher.stop();
    EXPECT_FALSE(watcher.seen);
}

TEST_F(TreeContextMenuPopup, RightClickSelectsTheNodeAndRunsTheChosenEntry) {
    HTREEITEM inner = underDrives(root + L"\\Alpha\\Inner");
    HTREEITEM alpha = next(inner, TVGN_PARENT);
    SendMessageW(control(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(alpha));
    const POINT click = labelCentre(inner);

    // Down picks the first entry, "上へ", and Return chooses it.
    MenuWatcher watcher({VK_DOWN, VK_RETURN});
    tree().onContextMenu(MAKELPARAM(click.x, click.y));
    watcher.stop();

    ASSERT_TRUE(watcher.seen);
    EXPECT_EQ(watcher.texts.front(), kUp.text);
    // The click selected Inner, then "up" went back to Alpha.
    ASSERT_GE(host.selections.size(), 2u);
    EXPECT_EQ(host.selections[host.selections.size() - 2], root + L"\\Alpha\\Inner");
    EXPECT_EQ(host.selections.back(), root + L"\\Alpha");
    EXPECT_EQ(selected(), alpha);
}

TEST_F(TreeContextMenuPopup, RightClickOutsideEveryNodeShowsNothing) {
    favorite(root);
    RECT client{};
    GetClientRect(control(), &client);
    POINT empty{client.right / 2, client.bottom - 10};
    ClientToScreen(control(), &empty);
    MenuWatcher watcher;
    EXPECT_EQ(tree().onContextMenu(MAKELPARAM(empty.x, empty.y)), 0);
    watcher.stop();
    EXPECT_FALSE(watcher.seen);
    EXPECT_EQ(selected(), nullptr);
}

}  // namespace
}  // namespace melodrift
