// The folder tree on real directories: listing, navigation, re-entry, refresh, drives, context menu.
#include "ui/views/folder_tree.h"
#include "archive/archive_engine.h"
#include "settings/settings_files.h"
#include "support/temp_dir.h"
#include "ui/commands.h"
#include "ui/views/control_host.h"
#include "ui/views/explorer.h"

namespace melodrift {
namespace {

using Labels = std::vector<std::wstring>;
using Nodes = std::vector<HTREEITEM>;
using T = FolderTree;

class FolderTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        configStore.load(settingsDir.file(L"config.txt"));  // a fresh store: 7z.dll beside us, every format on
        ASSERT_TRUE(ensureEngineLoaded());
        for (const wchar_t* name : {L"..x", L"Alpha", L"Alpha\\Inner", L"Alpha\\Inner\\Deep", L"Empty", L"gamma"})
            ASSERT_TRUE(CreateDirectoryW(files.file(name).c_str(), nullptr));
        for (const wchar_t* name : {L"Alpha\\song.mp3", L"Alpha\\beta.zip", L"Disc.cue", L"hidden.cue", L"notes.txt"})
            test::writeBytes(files.file(name), "");
        SetFileAttributesW(files.file(L"hidden.cue").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesW(files.file(L"gamma").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
        MoveWindow(tree.window(), 0, 0, 380, 560, TRUE);
        host.onMessage[WM_NOTIFY] = [this](WPARAM, LPARAM header) -> LRESULT {
            auto& nm = *reinterpret_cast<NMTREEVIEWW*>(header);
            if (nm.hdr.code == TVN_ITEMEXPANDINGW) return tree.onItemExpanding(nm);
            if (nm.hdr.code == TVN_GETDISPINFOW) return tree.onGetDispInfo(*reinterpret_cast<NMTVDISPINFOW*>(header));
            if (nm.hdr.code == TVN_SELCHANGEDW && nm.itemNew.hItem)
                selections.push_back(tree.nodePath(nm.itemNew.hItem));
            return 0;
        };
        host.onMessage[MSG_IS_PLAYING] = [this](WPARAM, LPARAM) -> LRESULT { return playing; };
        host.onMessage[MSG_SHOW_PLAYING] = [this](WPARAM, LPARAM) -> LRESULT {
            ++showPlayingRequests;
            return 0;
        };
    }

    Nodes children(HTREEITEM node) const {
        Nodes nodes;
        for (HTREEITEM n = TreeView_GetChild(tree.window(), node); n; n = TreeView_GetNextSibling(tree.window(), n))
            nodes.push_back(n);
        return nodes;
    }
    Labels labels(HTREEITEM node) const {
        Labels labels;
        for (HTREEITEM n : children(node)) labels.push_back(tree.nodeLabel(n));
        return labels;
    }
    int icon(HTREEITEM node) const {
        TVITEMW item{TVIF_IMAGE, node};
        TreeView_GetItem(tree.window(), &item);
        return item.iImage;
    }
    // Neither expanded nor holding children, but ready to list them.
    bool isCollapsed(HTREEITEM node) const { return !tree.isExpandedOrEmpty(node) && children(node).empty(); }
    // Expands the node as a click would; it lists children, or finds none or is stopped.
    void expand(HTREEITEM node, bool lists = true) {
        const bool expanded = TreeView_Expand(tree.window(), node, TVE_EXPAND);
        EXPECT_EQ(expanded, lists) << testing::PrintToString(tree.nodePath(node));
    }
    void expandWhile(HTREEITEM node, bool lists, std::function<void()> action) {
        host.postAtNextDrain(std::move(action));
        expand(node, lists);
    }
    HTREEITEM topOf(HTREEITEM node) const {
        while (HTREEITEM up = TreeView_GetParent(tree.window(), node)) node = up;
        return node;
    }
    HTREEITEM favorite(const std::wstring& path) { return tree.insertNode(TVI_ROOT, TVI_LAST, path, path, true); }
    HTREEITEM drive() const { return tree.findChild(nullptr, root.substr(0, 3)); }
    void run(UINT id, HTREEITEM node) { tree.runContextCommand(id, tree.contextTarget(node)); }
    RECT labelOnScreen(HTREEITEM node) const {
        RECT label{};
        TreeView_GetItemRect(tree.window(), node, &label, TRUE);
        MapWindowPoints(tree.window(), nullptr, reinterpret_cast<POINT*>(&label), 2);
        return label;
    }
    // Names that normalisation would change: Alpha\Inner\R.E.M.\...
    void makeOddDirectories() {
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + files.file(L"Alpha\\Inner\\R.E.M.")).c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + files.file(L"Alpha\\Inner\\R.E.M.\\...")).c_str(), nullptr));
    }

    test::TempDir settingsDir, files;
    const std::wstring root = files.path();
    test::ControlHost host;
    FolderTree tree{host.window()};
    Labels selections;
    bool playing = false;
    int showPlayingRequests = 0;
};

TEST_F(FolderTreeTest, ExpansionListsDirectoriesArchivesAndSheetsAndACollapseDropsThem) {
    HTREEITEM top = favorite(root);
    expand(top);
    // Hidden entries stay; "." and ".." never show, "..x" does; plain files do not.
    EXPECT_EQ(labels(top), (Labels{L"..x", L"Alpha", L"Disc.cue", L"Empty", L"gamma", L"hidden.cue"}));
    EXPECT_TRUE(tree.isExpandedOrEmpty(tree.findChild(top, L"Disc.cue"))) << "a sheet has no button";
    expand(tree.findChild(top, L"Alpha"));
    EXPECT_EQ(labels(tree.findChild(top, L"Alpha")), (Labels{L"beta.zip", L"Inner"}));  // the archive through 7z.dll
    expand(tree.findChild(top, L"Empty"), false);
    // A collapse by the user drops the children, so that the next expansion reads afresh.
    test::writeBytes(files.file(L"Empty\\x.cue"), "");
    TreeView_SelectItem(tree.window(), top);
    SendMessageW(tree.window(), WM_KEYDOWN, VK_SUBTRACT, 0);
    expand(top);
    expand(tree.findChild(top, L"Empty"));
    EXPECT_EQ(labels(tree.findChild(top, L"Empty")), Labels{L"x.cue"});
}

TEST_F(FolderTreeTest, PathsInOddFormsListAndShowTheIconsOfTheirKind) {
    makeOddDirectories();
    HTREEITEM top = favorite(root);
    expand(top);
    HTREEITEM alpha = tree.findChild(top, L"Alpha");
    expand(alpha);
    expand(tree.findChild(alpha, L"Inner"));
    HTREEITEM unnormalised = favorite(root + L"\\.\\Alpha");
    expand(unnormalised);
    EXPECT_EQ(labels(unnormalised), (Labels{L"beta.zip", L"Inner"}));
    const std::pair<HTREEITEM, HTREEITEM> alike[] = {
        {unnormalised, alpha},
        {tree.findChild(tree.findChild(alpha, L"Inner"), L"R.E.M."), alpha},  // the shell cannot read it as written
        {tree.findChild(unnormalised, L"beta.zip"), tree.findChild(alpha, L"beta.zip")},
    };
    for (const auto& [node, like] : alike) {
        SCOPED_TRACE(testing::PrintToString(tree.nodePath(node)));
        EXPECT_EQ(icon(node), icon(like));
    }
}

TEST_F(FolderTreeTest, SelectPathExpandsDownToThePathOrItsDeepestAncestor) {
    makeOddDirectories();
    tree.addDrives(0);
    HTREEITEM top = favorite(root + L"\\Alpha");
    const std::wstring alpha = root + L"\\Alpha", inner = alpha + L"\\Inner", deep = inner + L"\\Deep";
    const std::wstring odd = inner + L"\\R.E.M.\\...";
    // Asked, selected, whether found, whether under the favourite (else the drive), how many selections reported.
    using Row = std::tuple<const char*, std::wstring, std::wstring, bool, bool, size_t>;
    const Row rows[] = {
        {"a folder in a favourite", deep, deep, true, true, 1},
        {"the same again, reported again", deep, deep, true, true, 1},
        {"names that normalisation would change", odd, odd, true, true, 1},
        {"the names as the directories have them", root + L"\\ALPHA\\inner", inner, true, true, 1},
        {"a missing folder: its deepest ancestor", alpha + L"\\Missing\\x", alpha, false, true, 1},
        {"a missing drive: nothing changes", L"Q:\\nowhere\\at all", alpha, false, true, 0},
        {"outside every favourite: on its drive", root, root, true, false, 1},
    };
    for (const auto& [what, asked, path, found, viaFavorite, reports] : rows) {
        SCOPED_TRACE(what);
        const size_t before = selections.size();
        const bool selected = tree.selectPath(asked);
        EXPECT_EQ(selected, found);
        EXPECT_EQ(tree.nodePath(tree.selectedNode()), path);
        EXPECT_EQ(topOf(tree.selectedNode()), viaFavorite ? top : drive());
        EXPECT_EQ(selections.size(), before + reports);
    }
}

// The drives first, then the favourites collapsed; a favourite found empty lists again.
TEST_F(FolderTreeTest, ARefreshKeepsTheDriveMaskTheFavouritesAndTheSelection) {
    tree.addDrives(0);
    HTREEITEM top = favorite(root + L"\\Alpha");
    const Labels roots = labels(nullptr);
    for (HTREEITEM node : children(nullptr))
        if (node != top) TreeView_DeleteItem(tree.window(), node);
    tree.addDrives(1u << ('Z' - 'A'));
    tree.selectPath(root + L"\\Alpha\\Inner");
    HTREEITEM empty = favorite(root + L"\\Empty");
    expand(empty, false);
    test::writeBytes(files.file(L"Empty\\x.cue"), "");
    tree.refresh();
    Labels kept(roots.begin(), roots.end() - 2);
    kept.insert(kept.end(), {root + L"\\Alpha", root + L"\\Empty"});
    EXPECT_EQ(labels(nullptr), kept);
    EXPECT_EQ(tree.nodePath(tree.selectedNode()), root + L"\\Alpha\\Inner");
    EXPECT_EQ(topOf(tree.selectedNode()), top);
    expand(empty);
    EXPECT_EQ(labels(empty), Labels{L"x.cue"});
}

TEST_F(FolderTreeTest, ExpansionRefreshOrRemovalDuringAListingLeavesNoStrayNodesNorABusyTree) {
    HTREEITEM top = favorite(root), kept = favorite(root + L"\\Empty");
    expand(top);
    ASSERT_TRUE(CreateDirectoryW(files.file(L"gamma\\Sub").c_str(), nullptr));
    // A click on gamma while Alpha is listed stops both, leaving each as it was.
    bool nested = true;
    expandWhile(tree.findChild(top, L"Alpha"), false,
        [&] { nested = TreeView_Expand(tree.window(), tree.findChild(top, L"gamma"), TVE_EXPAND); });
    EXPECT_FALSE(nested);
    EXPECT_TRUE(isCollapsed(tree.findChild(top, L"Alpha")));
    EXPECT_TRUE(isCollapsed(tree.findChild(top, L"gamma")));
    expand(tree.findChild(top, L"gamma"));
    EXPECT_EQ(labels(tree.findChild(top, L"gamma")), Labels{L"Sub"});
    expandWhile(tree.findChild(top, L"Alpha"), false, [&] { tree.refresh(); });
    EXPECT_TRUE(isCollapsed(top));
    expand(top);
    // Removing another favourite lets the listing finish; removing the listed one stops it.
    expandWhile(tree.findChild(top, L"Alpha"), true, [&] { tree.removeFavorite(kept); });
    EXPECT_EQ(labels(tree.findChild(top, L"Alpha")), (Labels{L"beta.zip", L"Inner"}));
    kept = favorite(root + L"\\Empty");
    expandWhile(tree.findChild(top, L"gamma"), false, [&] { tree.removeFavorite(top); });
    EXPECT_EQ(tree.favoriteNodes(), Nodes{kept});
    expand(kept, false);
    EXPECT_TRUE(tree.isExpandedOrEmpty(kept)) << "listed and found empty, not refused as busy";
}

// Every node also offers the file manager and a refresh; up from a favourite goes to its folder's parent.
TEST_F(FolderTreeTest, TheContextMenuOffersWhatEachNodeCanDoAndUpGoesToTheParent) {
    tree.addDrives(0);
    tree.selectPath(root + L"\\Alpha\\Inner");
    HTREEITEM inner = tree.selectedNode();
    HTREEITEM top = favorite(root), atDrive = favorite(L"C:\\"), slashed = favorite(root + L"\\Alpha\\Inner\\");
    expand(top);
    const UINT up = T::kMenuUp, playingFolder = T::kMenuShowPlaying, add = T::kMenuAddFavorite;
    const UINT remove = T::kMenuRemoveFavorite;
    // While playing or not, the commands offered, where up goes.
    using Row = std::tuple<const char*, HTREEITEM, bool, std::vector<UINT>, std::wstring>;
    const Row rows[] = {
        {"a drive while playing", drive(), true, {playingFolder, add}, L""},
        {"a folder on a drive", inner, true, {up, playingFolder, add}, root + L"\\Alpha"},
        {"a favourite", top, false, {up, remove}, root.substr(0, root.rfind(L'\\'))},
        {"a favourite drive", atDrive, false, {remove}, L""},
        {"a favourite ending in a backslash", slashed, false, {up, remove}, root + L"\\Alpha"},
        {"a folder in a favourite", tree.findChild(top, L"Alpha"), false, {up, add}, root},
    };
    for (const auto& [what, node, whilePlaying, offered, upTo] : rows) {
        SCOPED_TRACE(what);
        playing = whilePlaying;
        std::vector<UINT> ids, expected = offered;
        expected.insert(expected.end() - 1, T::kMenuExplorer);
        expected.push_back(T::kMenuRefresh);
        for (const auto& entry : tree.contextMenuEntries(tree.contextTarget(node)))
            if (entry.id) ids.push_back(entry.id);
        EXPECT_EQ(ids, expected);
        if (offered[0] != up) continue;
        run(up, node);
        EXPECT_EQ(tree.nodePath(tree.selectedNode()), upTo);
    }
}

TEST_F(FolderTreeTest, TheContextCommandsShowThePlayingFolderAndAddOrRemoveTheFavouriteAsked) {
    HTREEITEM top = favorite(root);
    expand(top);
    TreeView_SelectItem(tree.window(), top);
    run(T::kMenuShowPlaying, top);
    run(0, top);  // a dismissed menu does nothing
    EXPECT_EQ(showPlayingRequests, 1);
    const size_t reports = selections.size();
    run(T::kMenuAddFavorite, tree.findChild(top, L"Alpha"));
    run(T::kMenuAddFavorite, tree.findChild(top, L"Alpha"));
    const Nodes added = tree.favoriteNodes();
    ASSERT_EQ(added.size(), 3u);
    EXPECT_EQ(tree.nodeLabel(added[2]), root + L"\\Alpha");
    expand(added[1]);
    EXPECT_EQ(labels(added[1]), (Labels{L"beta.zip", L"Inner"}));
    run(T::kMenuRemoveFavorite, added[1]);
    EXPECT_EQ(children(nullptr), (Nodes{added[0], added[2]}));
    EXPECT_EQ(selections.size(), reports);
    EXPECT_EQ(tree.selectedNode(), top);
}

TEST(ExplorerRequest, DirectoriesOpenInTheShellAndAnythingElseIsSelectedInItsFolder) {
    const ExplorerRequest drive = explorerRequest(L"C:\\"), gone = explorerRequest(L"Q:\\gone\\x.zip");
    EXPECT_EQ(drive.kind, ExplorerRequest::OpenWithShell);
    EXPECT_EQ(drive.text, L"C:\\");
    EXPECT_EQ(gone.kind, ExplorerRequest::RunCommandLine);
    EXPECT_EQ(gone.text, L"explorer /select,\"Q:\\gone\\x.zip\"");
}

TEST_F(FolderTreeTest, PopupOpensFromTheKeyboardAtTheSelectionOrUnderTheClickAndRunsTheChoice) {
    const RECT first = labelOnScreen(favorite(root));
    test::MenuWatcher none;  // a click below every node: no menu
    tree.onContextMenu(MAKELPARAM(first.left + 2, first.bottom + 200));
    none.stop();
    EXPECT_FALSE(none.seen);
    EXPECT_EQ(tree.selectedNode(), nullptr);
    tree.selectPath(root + L"\\Alpha\\Inner");
    HTREEITEM inner = tree.selectedNode(), alpha = TreeView_GetParent(tree.window(), inner);
    const RECT label = labelOnScreen(inner);
    playing = true;
    test::MenuWatcher escape;
    tree.onContextMenu(MAKELPARAM(-1, -1));
    escape.stop();
    EXPECT_TRUE(PtInRect(&label, POINT{escape.rect.left, escape.rect.top})) << "on the selected node's label";
    EXPECT_EQ(escape.texts, (Labels{L"上へ", L"演奏中のフォルダへ", L"", L"エクスプローラを開く", L"",
                                L"お気に入りに追加", L"", L"最新の情報に更新"}));
    EXPECT_EQ(tree.selectedNode(), inner) << "Escape chose nothing";
    EXPECT_EQ(showPlayingRequests, 0);
    // A right click on Inner while Alpha is selected selects Inner; Down and Return choose "up".
    TreeView_SelectItem(tree.window(), alpha);
    test::MenuWatcher choose({VK_DOWN, VK_RETURN});
    tree.onContextMenu(MAKELPARAM(label.left + 2, label.top + 2));
    choose.stop();
    EXPECT_TRUE(choose.seen);
    EXPECT_EQ(tree.selectedNode(), alpha);
    EXPECT_EQ(Labels(selections.end() - 2, selections.end()), (Labels{root + L"\\Alpha\\Inner", root + L"\\Alpha"}));
}

}  // namespace
}  // namespace melodrift
