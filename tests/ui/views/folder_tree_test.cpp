// The folder tree on real directories: listing, navigation, re-entry, refresh, drives, context menu.
#include "archive/archive_engine.h"
#include "settings/settings_files.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "ui/commands.h"
#include "ui/views/explorer.h"
#include "ui/views/folder_tree.h"
#include "ui/views/control_host.h"

#include <cstring>

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
        host.onMessage[MSG_SHOW_PLAYING] = [this](WPARAM, LPARAM) -> LRESULT { return ++showPlayingRequests, 0; };
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
    std::pair<int, int> icons(HTREEITEM node) const {
        TVITEMW item{TVIF_IMAGE | TVIF_SELECTEDIMAGE, node};
        TreeView_GetItem(tree.window(), &item);
        return {item.iImage, item.iSelectedImage};
    }
    bool hasButton(HTREEITEM node) const {
        TVITEMW item{TVIF_CHILDREN, node};
        return TreeView_GetItem(tree.window(), &item) && item.cChildren;
    }
    bool isCollapsed(HTREEITEM node) const {  // neither expanded nor holding children, but ready to list them
        return !(TreeView_GetItemState(tree.window(), node, TVIS_EXPANDED) & TVIS_EXPANDED) &&
               children(node).empty() && hasButton(node);
    }
    bool expand(HTREEITEM node) { return TreeView_Expand(tree.window(), node, TVE_EXPAND); }
    HTREEITEM child(HTREEITEM node, const wchar_t* label) const { return tree.findChild(node, label); }
    HTREEITEM topOf(HTREEITEM node) const {
        while (HTREEITEM up = TreeView_GetParent(tree.window(), node)) node = up;
        return node;
    }
    HTREEITEM favorite(const std::wstring& path) { return tree.insertNode(TVI_ROOT, TVI_LAST, path, path, true); }
    HTREEITEM drive() const { return tree.findChild(nullptr, root.substr(0, 3)); }
    void run(UINT id, HTREEITEM node) { tree.runContextCommand(id, tree.contextTarget(node)); }
    bool expandWhile(HTREEITEM node, std::function<void()> action) {  // the action runs from the listing's pump
        host.postAtNextDrain(std::move(action));
        return expand(node);
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
    EXPECT_TRUE(isCollapsed(top) && tree.isFavorite(top) && expand(top));
    // Hidden entries stay; "." and ".." never show, "..x" does; plain files do not; sheets have no button.
    EXPECT_EQ(labels(top), (Labels{L"..x", L"Alpha", L"Disc.cue", L"Empty", L"gamma", L"hidden.cue"}));
    Labels buttons;
    for (HTREEITEM node : children(top))
        if (hasButton(node) && !tree.isFavorite(node)) buttons.push_back(tree.nodeLabel(node));
    EXPECT_EQ(buttons, (Labels{L"..x", L"Alpha", L"Empty", L"gamma"}));
    EXPECT_TRUE(expand(child(top, L"Alpha")) && !expand(child(top, L"Empty")) && !hasButton(child(top, L"Empty")));
    EXPECT_EQ(labels(child(top, L"Alpha")), (Labels{L"beta.zip", L"Inner"}));  // the archive through 7z.dll
    // A collapse by the user drops the children, so that the next expansion reads afresh.
    test::writeBytes(files.file(L"Empty\\x.cue"), "");
    TreeView_SelectItem(tree.window(), top);
    SendMessageW(tree.window(), WM_KEYDOWN, VK_SUBTRACT, 0);
    EXPECT_TRUE(isCollapsed(top) && expand(top) && expand(child(top, L"Empty")));
    EXPECT_EQ(labels(child(top, L"Empty")), Labels{L"x.cue"});
    HTREEITEM unnormalised = favorite(root + L"\\.\\Alpha");
    EXPECT_TRUE(expand(unnormalised));
    EXPECT_EQ(labels(unnormalised), (Labels{L"beta.zip", L"Inner"}));
    // A path the shell cannot read as written still shows the icon of its kind.
    HTREEITEM alpha = child(top, L"Alpha");
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + files.file(L"Alpha\\Inner\\R.E.M.")).c_str(), nullptr) &&
                expand(alpha) && expand(child(alpha, L"Inner")));
    for (const auto& [node, like] : {std::pair{unnormalised, alpha}, {child(unnormalised, L"Inner"), alpha},
                                     {child(child(alpha, L"Inner"), L"R.E.M."), alpha},
                                     {child(unnormalised, L"beta.zip"), child(alpha, L"beta.zip")}})
        EXPECT_EQ(icons(node).first, icons(like).first) << testing::PrintToString(tree.nodePath(node));
}

TEST_F(FolderTreeTest, SelectPathExpandsDownToThePathAndRefreshKeepsTheMaskAndTheSelection) {
    tree.addDrives(0);
    HTREEITEM top = favorite(root + L"\\Alpha");
    std::wstring lower = root;
    CharLowerBuffW(&lower[0], static_cast<DWORD>(lower.size()));
    const std::wstring alpha = root + L"\\Alpha", inner = alpha + L"\\Inner", deep = inner + L"\\Deep";
    const std::wstring odd = inner + L"\\R.E.M.\\...";  // names that normalisation would change
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + inner + L"\\R.E.M.").c_str(), nullptr) &&
                CreateDirectoryW((L"\\\\?\\" + odd).c_str(), nullptr));
    const struct { std::wstring asked; bool found; std::wstring path; bool viaFavorite; size_t reports; } rows[] = {
        {deep, true, deep, true, 1}, {deep, true, deep, true, 1},  // asked again, reported again
        {odd, true, odd, true, 1},
        {lower + L"\\ALPHA\\inner", true, inner, true, 1},         // the names as the directories have them
        {alpha + L"\\Missing\\x", false, alpha, true, 1},          // the deepest ancestor
        {L"Q:\\nowhere\\at all", false, alpha, true, 0}, {root, true, root, false, 1}};
    for (const auto& row : rows) {
        const size_t before = selections.size();
        EXPECT_EQ(tree.selectPath(row.asked), row.found) << testing::PrintToString(row.asked);
        EXPECT_EQ(tree.nodePath(tree.selectedNode()), row.path);
        EXPECT_TRUE(topOf(tree.selectedNode()) == (row.viaFavorite ? top : drive()) &&
                    selections.size() == before + row.reports && selections.back() == row.path);
    }
    // A refresh: drives first without the hidden ones, favourites collapsed, the selection kept.
    const Labels roots = labels(nullptr);
    EXPECT_TRUE(roots.front().substr(1) == L":\\" && roots.end()[-2] == L"Z:\\" && roots.back() == alpha);
    for (HTREEITEM node : children(nullptr))
        if (node != top) TreeView_DeleteItem(tree.window(), node);
    tree.addDrives(1u << ('Z' - 'A'));
    ASSERT_TRUE(tree.selectPath(inner));
    HTREEITEM empty = favorite(root + L"\\Empty");  // found empty, it lists again after a refresh
    ASSERT_FALSE(expand(empty));
    test::writeBytes(files.file(L"Empty\\x.cue"), "");
    tree.refresh();
    Labels kept(roots.begin(), roots.end() - 2);
    kept.insert(kept.end(), {alpha, root + L"\\Empty"});
    EXPECT_EQ(labels(nullptr), kept);
    EXPECT_TRUE(tree.nodePath(tree.selectedNode()) == inner && topOf(tree.selectedNode()) == top);
    EXPECT_TRUE(expand(empty) && labels(empty) == Labels{L"x.cue"});
    HTREEITEM band = favorite(inner + L"\\R.E.M.");
    EXPECT_TRUE(expand(band) && labels(band) == Labels{L"..."});
}

TEST_F(FolderTreeTest, ExpansionRefreshOrRemovalDuringAListingLeavesNoStrayNodesNorABusyTree) {
    HTREEITEM top = favorite(root), kept = favorite(root + L"\\Empty");
    ASSERT_TRUE(expand(top) && CreateDirectoryW(files.file(L"gamma\\Sub").c_str(), nullptr));
    bool nested = true;  // a click on gamma while Alpha is listed stops both, leaving each as it was
    EXPECT_FALSE(expandWhile(child(top, L"Alpha"), [&] { nested = expand(child(top, L"gamma")); }) || nested);
    EXPECT_TRUE(isCollapsed(child(top, L"Alpha")) && isCollapsed(child(top, L"gamma")) && expand(child(top, L"gamma")));
    EXPECT_EQ(labels(child(top, L"gamma")), Labels{L"Sub"});
    EXPECT_FALSE(expandWhile(child(top, L"Alpha"), [&] { tree.refresh(); }));
    EXPECT_TRUE(labels(nullptr).front() == L"C:\\" && children(nullptr).back() == kept && isCollapsed(top));
    ASSERT_TRUE(expand(top));
    // Removing another favourite lets the listing finish; removing the listed one stops it.
    EXPECT_TRUE(expandWhile(child(top, L"Alpha"), [&] { tree.removeFavorite(kept); }));
    EXPECT_EQ(labels(child(top, L"Alpha")), (Labels{L"beta.zip", L"Inner"}));
    kept = favorite(root + L"\\Empty");
    EXPECT_FALSE(expandWhile(child(top, L"gamma"), [&] { tree.removeFavorite(top); }));
    EXPECT_EQ(tree.favoriteNodes(), Nodes{kept});
    EXPECT_FALSE(expand(kept) || hasButton(kept)) << "listed and found empty, not refused as busy";
}

TEST_F(FolderTreeTest, ContextMenuOffersWhatEachNodeCanDoAndEachCommandDoesItsJob) {
    tree.addDrives(0);
    ASSERT_TRUE(tree.selectPath(root + L"\\Alpha\\Inner"));
    HTREEITEM inner = tree.selectedNode(), alpha = TreeView_GetParent(tree.window(), inner);
    HTREEITEM top = favorite(root), atDrive = favorite(L"C:\\"), slashed = favorite(root + L"\\Alpha\\Inner\\");
    ASSERT_TRUE(expand(top));
    const UINT up = T::kMenuUp, playingFolder = T::kMenuShowPlaying, add = T::kMenuAddFavorite,
               remove = T::kMenuRemoveFavorite;
    // Up goes to the parent node, from a favourite to the parent of the folder it names.
    const struct { HTREEITEM node; bool playing; std::vector<UINT> ids; std::wstring upTo; } rows[] = {
        {drive(), false, {add}}, {drive(), true, {playingFolder, add}},
        {inner, true, {up, playingFolder, add}, root + L"\\Alpha"},
        {top, false, {up, remove}, root.substr(0, root.rfind(L'\\'))}, {atDrive, false, {remove}},
        {slashed, false, {up, remove}, root + L"\\Alpha"}, {child(top, L"Alpha"), false, {up, add}, root}};
    for (const auto& row : rows) {  // every node also offers the file manager, before the favourite, and a refresh
        playing = row.playing;
        std::vector<UINT> ids, expected = row.ids;
        expected.insert(expected.end() - 1, T::kMenuExplorer);
        expected.push_back(T::kMenuRefresh);
        for (const auto& entry : tree.contextMenuEntries(tree.contextTarget(row.node)))
            if (entry.id) ids.push_back(entry.id);
        EXPECT_EQ(ids, expected) << testing::PrintToString(tree.nodePath(row.node)) << row.playing;
        if (ids[0] != up) continue;
        run(up, row.node);
        EXPECT_EQ(tree.nodePath(tree.selectedNode()), row.upTo);
    }
    ASSERT_EQ(tree.selectedNode(), top);
    run(playingFolder, top);
    run(0, top);  // a dismissed menu does nothing
    EXPECT_EQ(showPlayingRequests, 1);
    // Add makes a last root node that lists; remove takes, of two alike, the one asked.
    const size_t reports = selections.size();
    run(add, alpha);
    run(add, alpha);
    const Nodes added = tree.favoriteNodes();
    ASSERT_EQ(added.size(), 5u);
    EXPECT_TRUE(children(nullptr).back() == added[4] && tree.nodeLabel(added[4]) == root + L"\\Alpha");
    EXPECT_TRUE(expand(added[3]));
    EXPECT_EQ(labels(added[3]), (Labels{L"beta.zip", L"Inner"}));
    const size_t rootCount = children(nullptr).size();
    run(remove, added[3]);
    EXPECT_EQ(children(nullptr).size(), rootCount - 1);
    EXPECT_EQ(tree.favoriteNodes(), (Nodes{added[0], added[1], added[2], added[4]}));
    EXPECT_TRUE(selections.size() == reports && tree.selectedNode() == top) << "the selection stays";
}

TEST(ExplorerRequest, DirectoriesOpenInTheShellAndAnythingElseIsSelectedInItsFolder) {
    const ExplorerRequest::Kind shell = ExplorerRequest::OpenWithShell, select = ExplorerRequest::RunCommandLine;
    test::TempDir dir;
    using Row = std::tuple<std::wstring, ExplorerRequest::Kind, std::wstring>;
    for (const auto& [path, kind, text] : {Row{L"Q:\\gone\\x.zip", select, L"explorer /select,\"Q:\\gone\\x.zip\""},
                                           Row{dir.path(), shell, dir.path()}, Row{L"C:\\", shell, L"C:\\"}})
        EXPECT_TRUE(explorerRequest(path).kind == kind && explorerRequest(path).text == text) << path.c_str();
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
    test::MenuWatcher none;  // a click below every node: no menu
    EXPECT_EQ(tree.onContextMenu(labelCentre(TreeView_GetRoot(tree.window())) + MAKELPARAM(0, 200)), 0);
    none.stop();
    EXPECT_FALSE(none.seen || tree.selectedNode());
    ASSERT_TRUE(tree.selectPath(root + L"\\Alpha\\Inner"));
    HTREEITEM inner = tree.selectedNode(), alpha = TreeView_GetParent(tree.window(), inner);
    playing = true;
    test::MenuWatcher escape;
    tree.onContextMenu(MAKELPARAM(-1, -1));
    escape.stop();
    EXPECT_TRUE(MAKELPARAM(escape.rect.left, escape.rect.top) == labelCentre(inner));
    EXPECT_EQ(escape.texts, (Labels{L"上へ", L"演奏中のフォルダへ", L"", L"エクスプローラを開く", L"", L"お気に入りに追加", L"",
                                    L"最新の情報に更新"}));
    EXPECT_TRUE(tree.selectedNode() == inner && showPlayingRequests == 0) << "Escape chose nothing";
    // A right click on Inner while Alpha is selected selects Inner; Down and Return choose "up".
    TreeView_SelectItem(tree.window(), alpha);
    test::MenuWatcher choose({VK_DOWN, VK_RETURN});
    tree.onContextMenu(labelCentre(inner));
    choose.stop();
    EXPECT_TRUE(choose.seen && tree.selectedNode() == alpha);
    EXPECT_EQ(Labels(selections.end() - 2, selections.end()), (Labels{root + L"\\Alpha\\Inner", root + L"\\Alpha"}));
}

}  // namespace
}  // namespace melodrift
