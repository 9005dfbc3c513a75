// The folder tree on a real directory structure: lazy listing, node paths, navigation
// to a path, re-entry during a listing, refresh, the drives, and its context menu: what
// each node offers, what each command does, and the real pop-up from keyboard and mouse.
#include "archive/archive_engine.h"
#include "settings/settings_files.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "ui/views/explorer.h"
#include "ui/views/folder_tree.h"
#include "views/control_host.h"
#include "views/menu_watcher.h"

#include <cstring>
#include <string>

namespace melodrift {
namespace {

using Labels = std::vector<std::wstring>;
using Nodes = std::vector<HTREEITEM>;
using T = FolderTree;

class FolderTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The engine's name and patterns come from the settings: a fresh store gives 7z.dll
        // beside the test program, every format on.
        configStore.load(settingsDir.file(L"config.txt"));
        ASSERT_TRUE(ensureEngineLoaded());
        for (const wchar_t* name : {L"Alpha", L"Alpha\\Inner", L"Alpha\\Inner\\Deep", L"Empty", L"gamma"})
            ASSERT_TRUE(CreateDirectoryW(files.file(name).c_str(), nullptr));
        for (const wchar_t* name : {L"Alpha\\song.mp3", L"Alpha\\beta.zip", L"Disc.cue", L"hidden.cue", L"notes.txt"})
            test::writeBytes(files.file(name), "");
        SetFileAttributesW(files.file(L"hidden.cue").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesW(files.file(L"gamma").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
        // Ordinary paths lose trailing dots; only the literal form makes this name.
        ASSERT_TRUE(CreateDirectoryW(dots.c_str(), nullptr) && CreateDirectoryW((dots + L"\\Own").c_str(), nullptr));
        MoveWindow(tree.window(), 0, 0, 380, 560, TRUE);
        host.onNotify = [this](NMHDR* header) -> LRESULT {
            const auto& nm = *reinterpret_cast<NMTREEVIEWW*>(header);
            if (header->code == TVN_ITEMEXPANDINGW) return tree.onItemExpanding(nm);
            if (header->code == TVN_GETDISPINFOW) return tree.onGetDispInfo(*reinterpret_cast<NMTVDISPINFOW*>(header));
            if (header->code == TVN_SELCHANGEDW && nm.itemNew.hItem)
                selections.push_back(tree.nodePath(nm.itemNew.hItem));
            return 0;
        };
        host.onMessage[MSG_IS_PLAYING] = [this](WPARAM, LPARAM) -> LRESULT { return playing; };
        host.onMessage[MSG_SHOW_PLAYING] = [this](WPARAM, LPARAM) -> LRESULT { return ++showPlayingRequests, 0; };
    }
    void TearDown() override {
        host.onNotify = nullptr;
        // In its literal form, before the generic clean-up could take "..." for something else.
        RemoveDirectoryW((dots + L"\\Own").c_str());
        RemoveDirectoryW(dots.c_str());
    }

    HTREEITEM next(HTREEITEM node, UINT relation) const { return TreeView_GetNextItem(tree.window(), node, relation); }
    Nodes childrenOf(HTREEITEM node) const {
        Nodes nodes;
        for (HTREEITEM n = node ? next(node, TVGN_CHILD) : next(nullptr, TVGN_ROOT); n; n = next(n, TVGN_NEXT))
            nodes.push_back(n);
        return nodes;
    }
    Labels labelsUnder(HTREEITEM node) const {
        Labels labels;
        for (HTREEITEM n : childrenOf(node)) labels.push_back(tree.nodeLabel(n));
        return labels;
    }
    bool hasButton(HTREEITEM node) const {
        TVITEMW item{TVIF_CHILDREN, node};
        return SendMessageW(tree.window(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) && item.cChildren;
    }
    // Neither expanded nor holding children, but ready to list them.
    bool isCollapsed(HTREEITEM node) const {
        return !(TreeView_GetItemState(tree.window(), node, TVIS_EXPANDED) & TVIS_EXPANDED) &&
               childrenOf(node).empty() && hasButton(node);
    }
    bool expand(HTREEITEM node) { return TreeView_Expand(tree.window(), node, TVE_EXPAND); }
    HTREEITEM child(HTREEITEM node, const wchar_t* label) const { return tree.findChild(node, label); }
    HTREEITEM selected() const { return tree.selectedNode(); }
    HTREEITEM topOf(HTREEITEM node) const {
        while (HTREEITEM up = next(node, TVGN_PARENT)) node = up;
        return node;
    }
    HTREEITEM favorite(const std::wstring& path) { return tree.insertNode(TVI_ROOT, TVI_LAST, path, path, true); }
    HTREEITEM drive() const { return tree.findChild(nullptr, root.substr(0, 3)); }
    void run(UINT id, HTREEITEM node) { tree.runContextCommand(id, tree.contextTarget(node)); }
    // Runs the action from the listing's message pump while the node is listed, as a click would.
    bool expandWhile(HTREEITEM node, std::function<void()> action) {
        host.postAtNextDrain(std::move(action));
        const bool expanded = expand(node);
        EXPECT_EQ(std::exchange(host.postedRuns, 0), 1);
        return expanded;
    }

    test::TempDir settingsDir, files;
    const std::wstring root = files.path(), dots = L"\\\\?\\" + files.file(L"...");
    test::ControlHost host;
    FolderTree tree{host.window()};
    Labels selections;
    bool playing = false;
    int showPlayingRequests = 0;
};

TEST_F(FolderTreeTest, ExpansionListsDirectoriesArchivesAndSheetsAndACollapseDropsThem) {
    HTREEITEM top = favorite(root);
    EXPECT_TRUE(isCollapsed(top) && tree.isFavorite(top));
    ASSERT_TRUE(expand(top));
    // Hidden entries stay; "." and ".." never show, the directory "..." does; plain files do not.
    EXPECT_EQ(labelsUnder(top), (Labels{L"...", L"Alpha", L"Disc.cue", L"Empty", L"gamma", L"hidden.cue"}));
    for (HTREEITEM node : childrenOf(top)) {
        const std::wstring label = tree.nodeLabel(node);
        EXPECT_EQ(hasButton(node), label.find(L".cue") == std::wstring::npos) << testing::PrintToString(label);
        EXPECT_FALSE(tree.isFavorite(node));
    }
    EXPECT_TRUE(expand(child(top, L"Alpha")) && expand(child(top, L"...")));
    EXPECT_EQ(labelsUnder(child(top, L"Alpha")), (Labels{L"beta.zip", L"Inner"}));
    EXPECT_FALSE(hasButton(child(child(top, L"Alpha"), L"beta.zip")));
    EXPECT_EQ(labelsUnder(child(top, L"...")), Labels{L"Own"});
    EXPECT_FALSE(expand(child(top, L"Empty")));
    EXPECT_FALSE(hasButton(child(top, L"Empty")));
    // A collapse by the user drops the children, so that the next expansion reads afresh.
    test::writeBytes(files.file(L"Empty\\x.cue"), "");
    ASSERT_TRUE(CreateDirectoryW(files.file(L"Alpha\\Later").c_str(), nullptr));
    TreeView_SelectItem(tree.window(), top);
    SendMessageW(tree.window(), WM_KEYDOWN, VK_SUBTRACT, 0);
    EXPECT_TRUE(isCollapsed(top));
    ASSERT_TRUE(expand(top) && expand(child(top, L"Empty")) && expand(child(top, L"Alpha")));
    EXPECT_EQ(labelsUnder(child(top, L"Empty")), Labels{L"x.cue"});
    EXPECT_EQ(labelsUnder(child(top, L"Alpha")), (Labels{L"beta.zip", L"Inner", L"Later"}));
    HTREEITEM unnormalised = favorite(root + L"\\.\\Alpha");
    EXPECT_TRUE(expand(unnormalised));
    EXPECT_EQ(labelsUnder(unnormalised), (Labels{L"beta.zip", L"Inner", L"Later"}));
}

TEST_F(FolderTreeTest, LabelsLongerThanAPathComeBackWhole) {
    std::wstring longLabel = root;
    while (longLabel.size() < 700) longLabel += L"\\a-rather-long-directory-name";
    HTREEITEM top = favorite(longLabel);
    EXPECT_EQ(tree.nodeLabel(top), longLabel);
    EXPECT_EQ(tree.nodePath(tree.insertNode(top, TVI_LAST, L"", L"x", false)), longLabel + L"\\x");
}

TEST_F(FolderTreeTest, SelectPathExpandsDownToThePathAndReportsIt) {
    tree.addDrives(0);
    HTREEITEM top = favorite(root + L"\\Alpha");
    std::wstring lower = root;
    CharLowerBuffW(&lower[0], static_cast<DWORD>(lower.size()));
    const std::wstring alpha = root + L"\\Alpha", inner = alpha + L"\\Inner", deep = inner + L"\\Deep";
    const struct { std::wstring asked; bool found; std::wstring path; bool viaFavorite; size_t reports; } rows[] = {
        {deep, true, deep, true, 1},
        {deep, true, deep, true, 1},  // asked again, reported again: the list is read again
        {lower + L"\\ALPHA\\inner", true, inner, true, 1},  // the names as the directories have them
        {alpha + L"\\", true, alpha, true, 1},
        {alpha + L"\\Missing\\x", false, alpha, true, 1},  // the deepest ancestor
        {L"Q:\\nowhere\\at all", false, alpha, true, 0},
        {root, true, root, false, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.asked));
        const size_t before = selections.size();
        EXPECT_EQ(tree.selectPath(row.asked), row.found);
        EXPECT_EQ(tree.nodePath(selected()), row.path);
        EXPECT_EQ(topOf(selected()), row.viaFavorite ? top : drive());
        EXPECT_EQ(selections.size(), before + row.reports);
        EXPECT_EQ(selections.back(), row.path);
    }
}

TEST_F(FolderTreeTest, ExpansionRefreshOrRemovalDuringAListingLeavesNoStrayNodesNorABusyTree) {
    HTREEITEM top = favorite(root), kept = favorite(root + L"\\Empty");
    ASSERT_TRUE(expand(top) && CreateDirectoryW(files.file(L"gamma\\Sub").c_str(), nullptr));
    // A click on gamma while Alpha is listed stops both, leaving each as it was.
    bool nested = true;
    EXPECT_FALSE(expandWhile(child(top, L"Alpha"), [&] { nested = expand(child(top, L"gamma")); }));
    EXPECT_FALSE(nested);
    EXPECT_TRUE(isCollapsed(child(top, L"Alpha")) && isCollapsed(child(top, L"gamma")));
    EXPECT_TRUE(expand(child(top, L"gamma")));
    EXPECT_EQ(labelsUnder(child(top, L"gamma")), Labels{L"Sub"});
    // A refresh: the favourites back collapsed, the drives in front of them.
    tree.addDrives(0);
    EXPECT_FALSE(expandWhile(child(top, L"Alpha"), [&] { tree.refresh(); }));
    EXPECT_EQ(childrenOf(nullptr).back(), kept);
    EXPECT_EQ(labelsUnder(nullptr).front().substr(1), L":\\");
    EXPECT_TRUE(isCollapsed(top));
    ASSERT_TRUE(expand(top));
    // Removing another favourite lets the listing finish; removing the listed one stops it.
    EXPECT_TRUE(expandWhile(child(top, L"Alpha"), [&] { tree.removeFavorite(kept); }));
    EXPECT_EQ(labelsUnder(child(top, L"Alpha")), (Labels{L"beta.zip", L"Inner"}));
    kept = favorite(root + L"\\Empty");
    EXPECT_FALSE(expandWhile(child(top, L"gamma"), [&] { tree.removeFavorite(top); }));
    EXPECT_EQ(tree.favoriteNodes(), Nodes{kept});
    EXPECT_FALSE(expand(kept) || hasButton(kept)) << "listed and found empty, not refused as busy";
}

TEST_F(FolderTreeTest, DrivesComeFirstAndRefreshKeepsFavoritesCollapsedTheMaskAndTheSelection) {
    HTREEITEM top = favorite(root);
    tree.addDrives(0);
    const Labels all = labelsUnder(nullptr);
    EXPECT_EQ(all.front().substr(1), L":\\") << "a drive first";
    EXPECT_EQ(all.end()[-2], L"Z:\\");
    EXPECT_EQ(childrenOf(nullptr).back(), top);
    EXPECT_EQ(tree.favoriteNodes(), Nodes{top});
    EXPECT_TRUE(hasButton(drive()) && !tree.isFavorite(drive()));
    for (HTREEITEM node : childrenOf(nullptr))
        if (node != top) TreeView_DeleteItem(tree.window(), node);
    tree.addDrives(1u << ('Z' - 'A'));
    ASSERT_TRUE(expand(top));
    run(T::kMenuRefresh, top);
    EXPECT_TRUE(isCollapsed(top));
    ASSERT_TRUE(tree.selectPath(root + L"\\Alpha\\Inner"));
    tree.refresh();
    Labels withoutZ = all;
    withoutZ.erase(withoutZ.end() - 2);
    EXPECT_EQ(labelsUnder(nullptr), withoutZ);
    EXPECT_EQ(tree.nodePath(selected()), root + L"\\Alpha\\Inner");
    EXPECT_EQ(topOf(selected()), top) << "reselected through the favourite";
    EXPECT_EQ(selections.back(), root + L"\\Alpha\\Inner");
}

TEST_F(FolderTreeTest, ContextMenuOffersUpWhereThereIsOneAndThePlayingFolderWhileSomethingPlays) {
    tree.addDrives(0);
    ASSERT_TRUE(tree.selectPath(root + L"\\Alpha"));
    HTREEITEM underDrive = selected(), top = favorite(root), atDrive = favorite(L"C:\\");
    ASSERT_TRUE(expand(top));
    const UINT upward = T::kMenuUp, playingFolder = T::kMenuShowPlaying, add = T::kMenuAddFavorite,
               remove = T::kMenuRemoveFavorite;
    const struct { HTREEITEM node; bool playing; std::vector<UINT> ids; } rows[] = {
        {drive(), false, {add}}, {drive(), true, {playingFolder, add}},
        {underDrive, false, {upward, add}}, {underDrive, true, {upward, playingFolder, add}},
        {top, false, {upward, remove}}, {atDrive, false, {remove}}, {child(top, L"Alpha"), false, {upward, add}}};
    for (const auto& row : rows) {
        playing = row.playing;
        // Every node also offers the file manager, before the favourite, and a refresh.
        std::vector<UINT> ids, expected = row.ids;
        expected.insert(expected.end() - 1, T::kMenuExplorer);
        expected.push_back(T::kMenuRefresh);
        for (const auto& entry : tree.contextMenuEntries(tree.contextTarget(row.node)))
            if (entry.id) ids.push_back(entry.id);
        EXPECT_EQ(ids, expected) << testing::PrintToString(tree.nodePath(row.node)) << (row.playing ? ", playing" : "");
    }
    run(T::kMenuShowPlaying, top);
    run(0, top);  // a dismissed menu does nothing
    EXPECT_EQ(showPlayingRequests, 1);
}

TEST_F(FolderTreeTest, UpAndTheFavoriteCommandsDoTheirJob) {
    tree.addDrives(0);
    // Up: to the parent node, from just below a drive to the drive, from a favourite
    // (even written with a trailing separator) to its parent folder in the drive tree.
    ASSERT_TRUE(tree.selectPath(root + L"\\Alpha\\Inner"));
    run(T::kMenuUp, selected());
    HTREEITEM alpha = selected();
    EXPECT_EQ(selections.back(), root + L"\\Alpha");
    ASSERT_TRUE(tree.selectPath(root.substr(0, root.find(L'\\', 3))));
    run(T::kMenuUp, selected());
    EXPECT_EQ(selected(), drive());
    run(T::kMenuUp, favorite(root + L"\\Alpha\\Inner\\"));
    EXPECT_EQ(selected(), alpha);
    // Add: a last root node of the full path that lists like any other; the selection stays.
    const size_t reports = selections.size();
    run(T::kMenuAddFavorite, alpha);
    run(T::kMenuAddFavorite, alpha);
    const Nodes added = tree.favoriteNodes();
    ASSERT_EQ(added.size(), 3u);
    EXPECT_EQ(childrenOf(nullptr).back(), added[2]);
    EXPECT_EQ(tree.nodeLabel(added[2]), root + L"\\Alpha");
    EXPECT_TRUE(expand(added[1]));
    EXPECT_EQ(labelsUnder(added[1]), (Labels{L"beta.zip", L"Inner"}));
    EXPECT_EQ(selected(), alpha);
    EXPECT_EQ(selections.size(), reports);
    // Remove: only favourites, and of two alike only the one asked for.
    const size_t rootCount = childrenOf(nullptr).size();
    tree.removeFavorite(alpha);
    tree.removeFavorite(drive());
    EXPECT_EQ(childrenOf(nullptr).size(), rootCount);
    run(T::kMenuRemoveFavorite, added[1]);
    EXPECT_EQ(tree.favoriteNodes(), (Nodes{added[0], added[2]}));
    EXPECT_EQ(selected(), alpha);
}

TEST(ExplorerRequest, DirectoriesOpenInTheShellAndAnythingElseIsSelectedInItsFolder) {
    test::TempDir dir;
    const std::wstring file = dir.file(L"Disc One.cue");
    test::writeBytes(file, "");
    const ExplorerRequest::Kind shell = ExplorerRequest::OpenWithShell, select = ExplorerRequest::RunCommandLine;
    for (const auto& [path, kind, text] : {std::tuple{file, select, L"explorer /select,\"" + file + L"\""},
                                           {L"Q:\\gone\\x.zip", select, L"explorer /select,\"Q:\\gone\\x.zip\""},
                                           {dir.path(), shell, dir.path()}, {L"C:\\", shell, L"C:\\"}}) {
        EXPECT_EQ(explorerRequest(path).kind, kind) << testing::PrintToString(path);
        EXPECT_EQ(explorerRequest(path).text, text);
    }
}

TEST_F(FolderTreeTest, PopupOpensFromTheKeyboardAtTheSelectionOrUnderTheClickAndRunsTheChoice) {
    favorite(root);
    const auto labelCentre = [&](HTREEITEM node) {
        RECT text{};
        std::memcpy(&text, &node, sizeof node);  // the message takes the node in the rectangle's place
        SendMessageW(tree.window(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text));
        POINT centre{(text.left + text.right) / 2, (text.top + text.bottom) / 2};
        ClientToScreen(tree.window(), &centre);
        return MAKELPARAM(centre.x, centre.y);
    };
    // Nothing selected, or a click below every node: no menu.
    for (LPARAM at : {MAKELPARAM(-1, -1), labelCentre(childrenOf(nullptr)[0]) + MAKELPARAM(0, 200)}) {
        test::MenuWatcher watcher;
        EXPECT_EQ(tree.onContextMenu(at), 0);
        watcher.stop();
        EXPECT_FALSE(watcher.seen || selected());
    }
    ASSERT_TRUE(tree.selectPath(root + L"\\Alpha\\Inner"));
    HTREEITEM inner = selected(), alpha = next(inner, TVGN_PARENT);
    playing = true;
    Labels texts;
    for (const auto& entry : tree.contextMenuEntries(tree.contextTarget(inner))) texts.push_back(entry.text);
    test::MenuWatcher escape;
    tree.onContextMenu(MAKELPARAM(-1, -1));
    escape.stop();
    EXPECT_EQ(MAKELPARAM(escape.rect.left, escape.rect.top), labelCentre(inner));
    EXPECT_EQ(escape.texts, texts);
    EXPECT_TRUE(selected() == inner && showPlayingRequests == 0) << "Escape chose nothing";
    // A right click on Inner while Alpha is selected selects Inner; Down and Return choose "up".
    TreeView_SelectItem(tree.window(), alpha);
    test::MenuWatcher choose({VK_DOWN, VK_RETURN});
    tree.onContextMenu(labelCentre(inner));
    choose.stop();
    EXPECT_TRUE(choose.seen);
    EXPECT_EQ(Labels(selections.end() - 2, selections.end()), (Labels{root + L"\\Alpha\\Inner", root + L"\\Alpha"}));
    EXPECT_EQ(selected(), alpha);
}

}  // namespace
}  // namespace melodrift
