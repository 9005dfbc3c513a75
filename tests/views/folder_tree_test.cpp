// The folder tree on a real directory structure: lazy listing, paths of nodes,
// navigation to a path, re-entry during a listing, refresh and the drive list.
#include "settings/settings_files.h"
#include "archive/archive_engine.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "ui/paced_pump.h"
#include "ui/views/folder_tree.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace melodrift {
namespace {

constexpr UINT kRunPosted = WM_APP + 40;

// Stands in for the main window: routes the tree's notifications as it does, and runs
// a posted action when the message pump of a listing delivers it.
class TreeHost : public Window {
public:
    TreeHost() {
        CreateWindowExW(0, MAKEINTATOM(atom()), L"folder tree test", WS_OVERLAPPEDWINDOW, 0, 0, 400,
                        600, nullptr, nullptr, GetModuleHandleW(nullptr), this);
        tree = std::make_unique<FolderTree>(window());
        MoveWindow(tree->window(), 0, 0, 380, 560, TRUE);
    }
    ~TreeHost() override {
        tree.reset();
        if (IsWindow(window())) DestroyWindow(window());
    }
    static ATOM atom() {
        static const ATOM registered = registerWindowClass(0, nullptr, LoadCursorW(nullptr, IDC_ARROW),
                                                           nullptr, L"melodrift-FolderTreeTest", nullptr);
        return registered;
    }
    // The action runs from the next message pump, as a click would.
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
            if (nm.hdr.code == TVN_SELCHANGEDW && nm.itemNew.hItem) selections.push_back(tree->nodePath(nm.itemNew.hItem));
            return 0;
        }
        if (message == kRunPosted) {
            if (auto action = std::exchange(posted, nullptr)) action();
            ++postedRuns;
            return 0;
        }
        return DefWindowProcW(h, message, w, l);
    }

    std::unique_ptr<FolderTree> tree;
    std::function<void()> posted;
    std::vector<std::wstring> selections;
    int postedRuns = 0;
};

class FolderTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool controlsReady = [] {
            INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
            return InitCommonControlsEx(&init) != FALSE;
        }();
        ASSERT_TRUE(controlsReady);
        // The archive engine's name and patterns come from the settings; a fresh store
        // gives the defaults: 7z.dll beside the test program, every format on.
        configStore.load(settingsDir.file(L"config.txt"));
        ASSERT_TRUE(ensureEngineLoaded()) << "7z.dll beside the test program";

        root = files.path();
        makeDir(L"Alpha");
        makeDir(L"Alpha\\Inner");
        makeDir(L"Alpha\\Inner\\Deep");
        test::writeBytes(files.file(L"Alpha\\song.mp3"), "ID3");
        test::writeBytes(files.file(L"beta.zip"), "PK");
        test::writeBytes(files.file(L"Disc.cue"), "FILE \"a.wav\" WAVE\r\n");
        test::writeBytes(files.file(L"hidden.cue"), "");
        SetFileAttributesW(files.file(L"hidden.cue").c_str(), FILE_ATTRIBUTE_HIDDEN);
        makeDir(L"Empty");
        makeDir(L"gamma");
        SetFileAttributesW(files.file(L"gamma").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
        test::writeBytes(files.file(L"song.mp3"), "ID3");
        test::writeBytes(files.file(L"notes.txt"), "text");
        // Ordinary paths lose trailing dots; only the literal form makes this name.
        ASSERT_TRUE(CreateDirectoryW(dotsLiteralPath().c_str(), nullptr));
    }

    void TearDown() override {
        // Removed here in its literal form, before the generic clean-up could take
        // "..." for something else.
        RemoveDirectoryW(dotsLiteralPath().c_str());
    }

    void makeDir(const std::wstring& relative) { ASSERT_TRUE(CreateDirectoryW(files.file(relative).c_str(), nullptr)); }
    std::wstring dotsLiteralPath() const { return L"\\\\?\\" + files.file(L"..."); }

    HWND control() const { return host.tree->window(); }
    FolderTree& tree() { return *host.tree; }

    HTREEITEM next(HTREEITEM node, UINT relation) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessageW(control(), TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(node)));
    }
    std::vector<HTREEITEM> childrenOf(HTREEITEM node) const {
        std::vector<HTREEITEM> nodes;
        for (HTREEITEM n = next(node, node == TVI_ROOT ? TVGN_ROOT : TVGN_CHILD); n; n = next(n, TVGN_NEXT))
            nodes.push_back(n);
        return nodes;
    }
    std::wstring label(HTREEITEM node) const {
        wchar_t text[1024] = L"";
        TVITEMW item{};
        item.mask = TVIF_TEXT;
        item.hItem = node;
        item.pszText = text;
        item.cchTextMax = 1024;
        SendMessageW(control(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    std::vector<std::wstring> labelsUnder(HTREEITEM node) const {
        std::vector<std::wstring> labels;
        for (HTREEITEM n : childrenOf(node)) labels.push_back(label(n));
        return labels;
    }
    TVITEMW itemState(HTREEITEM node) const {
        TVITEMW item{};
        item.mask = TVIF_STATE | TVIF_CHILDREN | TVIF_PARAM;
        item.stateMask = TVIS_EXPANDED | TVIS_SELECTED;
        item.hItem = node;
        SendMessageW(control(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return item;
    }
    bool hasButton(HTREEITEM node) const { return itemState(node).cChildren != 0; }
    bool isExpanded(HTREEITEM node) const { return (itemState(node).state & TVIS_EXPANDED) != 0; }
    bool expand(HTREEITEM node) {
        return SendMessageW(control(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node)) != 0;
    }
    // As the user collapses: the keyboard's minus key on the selected node.
    void collapseByUser(HTREEITEM node) {
        SendMessageW(control(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
        SendMessageW(control(), WM_KEYDOWN, VK_SUBTRACT, 0);
    }
    HTREEITEM child(HTREEITEM parent, const std::wstring& name) const {
        for (HTREEITEM n : childrenOf(parent))
            if (label(n) == name) return n;
        return nullptr;
    }
    HTREEITEM selected() const { return next(nullptr, TVGN_CARET); }
    HTREEITEM addFavoriteRoot() { return tree().insertNode(TVI_ROOT, TVI_LAST, root, root, true); }
    HTREEITEM expandedFavorite() {
        HTREEITEM favorite = addFavoriteRoot();
        EXPECT_TRUE(expand(favorite));
        return favorite;
    }

    test::TempDir settingsDir;
    test::TempDir files;
    std::wstring root;
    TreeHost host;
};

class FolderTreeExpansion : public FolderTreeTest {};
class FolderTreePaths : public FolderTreeTest {};
class FolderTreeSelectPath : public FolderTreeTest {};
class FolderTreeReentry : public FolderTreeTest {};
class FolderTreeRefresh : public FolderTreeTest {};
class FolderTreeDrives : public FolderTreeTest {};

TEST_F(FolderTreeExpansion, ListsDirectoriesArchivesAndSheetsSortedButNoPlainFiles) {
    HTREEITEM favorite = addFavoriteRoot();
    ASSERT_NE(favorite, nullptr);
    EXPECT_TRUE(hasButton(favorite));
    EXPECT_EQ(itemState(favorite).lParam, 1);

    EXPECT_TRUE(expand(favorite));
    EXPECT_TRUE(isExpanded(favorite));
    // Hidden entries stay; "." and ".." never show, the directory "..." does.
    const std::vector<std::wstring> expected = {L"...",   L"Alpha", L"beta.zip",  L"Disc.cue",
                                                L"Empty", L"gamma", L"hidden.cue"};
    EXPECT_EQ(labelsUnder(favorite), expected);
    for (HTREEITEM node : childrenOf(favorite)) {
        const std::wstring name = label(node);
        const bool leaf = name == L"beta.zip" || name == L"Disc.cue" || name == L"hidden.cue";
        EXPECT_EQ(hasButton(node), !leaf) << "node " << testing::PrintToString(name);
        EXPECT_EQ(itemState(node).lParam, 0);
    }
    // Below Alpha the MP3 file is not a node.
    HTREEITEM alpha = child(favorite, L"Alpha");
    EXPECT_TRUE(expand(alpha));
    EXPECT_EQ(labelsUnder(alpha), std::vector<std::wstring>{L"Inner"});
}

TEST_F(FolderTreeExpansion, EmptyDirectoryLosesItsButtonAndIsListedAnewLater) {
    HTREEITEM favorite = expandedFavorite();
    HTREEITEM empty = child(favorite, L"Empty");
    ASSERT_NE(empty, nullptr);

    EXPECT_FALSE(expand(empty));
    EXPECT_FALSE(hasButton(empty));
    EXPECT_FALSE(isExpanded(empty));
    EXPECT_TRUE(childrenOf(empty).empty());

    // Once its parent was collapsed and expanded again, the directory is read again.
    test::writeBytes(files.file(L"Empty\\x.cue"), "");
    collapseByUser(favorite);
    EXPECT_FALSE(isExpanded(favorite));
    EXPECT_TRUE(childrenOf(favorite).empty()) << "a collapse drops the children";
    ASSERT_TRUE(expand(favorite));
    empty = child(favorite, L"Empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(hasButton(empty));
    EXPECT_TRUE(expand(empty));
    EXPECT_EQ(labelsUnder(empty), std::vector<std::wstring>{L"x.cue"});
}

TEST_F(FolderTreeExpansion, CollapseAndExpandShowsDirectoriesMadeInBetween) {
    HTREEITEM favorite = expandedFavorite();
    HTREEITEM alpha = child(favorite, L"Alpha");
    ASSERT_TRUE(expand(alpha));
    makeDir(L"Alpha\\Later");

    collapseByUser(alpha);
    EXPECT_TRUE(childrenOf(alpha).empty());
    ASSERT_TRUE(expand(alpha));
    EXPECT_EQ(labelsUnder(alpha), (std::vector<std::wstring>{L"Inner", L"Later"}));
}

TEST_F(FolderTreeExpansion, DirectoryOfThreeDotsListsItsOwnContents) {
    ASSERT_TRUE(CreateDirectoryW((dotsLiteralPath() + L"\\Own").c_str(), nullptr));
    HTREEITEM favorite = expandedFavorite();
    HTREEITEM dots = child(favorite, L"...");
    ASSERT_NE(dots, nullptr);
    EXPECT_TRUE(expand(dots));
    EXPECT_EQ(labelsUnder(dots), std::vector<std::wstring>{L"Own"});
    RemoveDirectoryW((dotsLiteralPath() + L"\\Own").c_str());
}

TEST_F(FolderTreePaths, NestedNodesJoinTheirLabelsUnderTheFavorite) {
    HTREEITEM favorite = expandedFavorite();
    HTREEITEM alpha = child(favorite, L"Alpha");
    ASSERT_TRUE(expand(alpha));
    HTREEITEM inner = child(alpha, L"Inner");
    ASSERT_NE(inner, nullptr);

    EXPECT_EQ(tree().nodePath(favorite), root);
    EXPECT_EQ(tree().nodePath(inner), root + L"\\Alpha\\Inner");
    EXPECT_EQ(tree().nodeLabel(inner), L"Inner");
    EXPECT_EQ(tree().nodePath(nullptr), L"");
}

TEST_F(FolderTreePaths, DriveRootAndItsChildrenGetOneSeparator) {
    tree().addDrives(0);
    HTREEITEM drive = tree().findChild(TVI_ROOT, L"C:\\");
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(tree().nodePath(drive), L"C:\\");
    ASSERT_TRUE(expand(drive));
    const std::vector<HTREEITEM> below = childrenOf(drive);
    ASSERT_FALSE(below.empty());
    EXPECT_EQ(tree().nodePath(below.front()), L"C:\\" + label(below.front()));
}

TEST_F(FolderTreeExpansion, FavoriteWrittenUnnormalisedStillLists) {
    const std::wstring written = root + L"\\.\\Alpha";
    HTREEITEM favorite = tree().insertNode(TVI_ROOT, TVI_LAST, written, written, true);
    EXPECT_TRUE(expand(favorite));
    EXPECT_EQ(labelsUnder(favorite), std::vector<std::wstring>{L"Inner"});
}

TEST_F(FolderTreePaths, LabelsLongerThanAPathBufferComeBackWhole) {
    std::wstring longLabel = root;
    while (longLabel.size() < 700) longLabel += L"\\a-rather-long-directory-name";
    HTREEITEM favorite = tree().insertNode(TVI_ROOT, TVI_LAST, longLabel, longLabel, true);
    ASSERT_NE(favorite, nullptr);
    HTREEITEM below = tree().insertNode(favorite, TVI_LAST, longLabel + L"\\x", L"x", false);

    EXPECT_EQ(tree().nodeLabel(favorite), longLabel);
    EXPECT_EQ(tree().nodePath(below), longLabel + L"\\x");
    EXPECT_EQ(tree().favoriteNodes(), std::vector<HTREEITEM>{favorite});
}

TEST_F(FolderTreeSelectPath, NestedPathExpandsDownToItAndReportsTheSelection) {
    HTREEITEM favorite = addFavoriteRoot();
    const std::wstring target = root + L"\\Alpha\\Inner\\Deep";

    EXPECT_TRUE(tree().selectPath(target));
    ASSERT_NE(selected(), nullptr);
    EXPECT_EQ(tree().nodePath(selected()), target);
    EXPECT_TRUE(isExpanded(favorite));
    EXPECT_TRUE(isExpanded(child(favorite, L"Alpha")));
    ASSERT_FALSE(host.selections.empty());
    EXPECT_EQ(host.selections.back(), target);

    // Asking again for the selected node reports it again, so the list is reloaded.
    const size_t reports = host.selections.size();
    EXPECT_TRUE(tree().selectPath(target));
    EXPECT_EQ(host.selections.size(), reports + 1);
    EXPECT_EQ(host.selections.back(), target);
}

TEST_F(FolderTreeSelectPath, PathUnderADriveIsReachedThroughTheDriveNodes) {
    tree().addDrives(0);
    const std::wstring target = root + L"\\Alpha\\Inner";
    EXPECT_TRUE(tree().selectPath(target));
    EXPECT_EQ(tree().nodePath(selected()), target);
    HTREEITEM top = selected();
    while (next(top, TVGN_PARENT)) top = next(top, TVGN_PARENT);
    EXPECT_EQ(top, tree().findChild(TVI_ROOT, root.substr(0, 3)));
}

TEST_F(FolderTreeSelectPath, FavoriteIsPreferredOverTheSameFolderUnderItsDrive) {
    tree().addDrives(0);
    HTREEITEM favorite = addFavoriteRoot();
    EXPECT_TRUE(tree().selectPath(root));
    EXPECT_EQ(selected(), favorite);
}

TEST_F(FolderTreeSelectPath, LetterCaseOfTheAskedPathDoesNotMatter) {
    HTREEITEM favorite = addFavoriteRoot();
    std::wstring asked = root + L"\\ALPHA\\inner";
    CharLowerBuffW(&asked[0], static_cast<DWORD>(root.size()));

    EXPECT_TRUE(tree().selectPath(asked));
    // The node keeps the names as the directory has them.
    EXPECT_EQ(tree().nodePath(selected()), root + L"\\Alpha\\Inner");
    EXPECT_EQ(next(next(selected(), TVGN_PARENT), TVGN_PARENT), favorite);
}

TEST_F(FolderTreeSelectPath, TrailingSeparatorNamesTheSameFolder) {
    addFavoriteRoot();
    EXPECT_TRUE(tree().selectPath(root + L"\\Alpha\\"));
    EXPECT_EQ(tree().nodePath(selected()), root + L"\\Alpha");
}

TEST_F(FolderTreeSelectPath, MissingPathSelectsTheDeepestAncestorAndFails) {
    addFavoriteRoot();
    EXPECT_FALSE(tree().selectPath(root + L"\\Alpha\\Missing\\x"));
    EXPECT_EQ(tree().nodePath(selected()), root + L"\\Alpha");
}

TEST_F(FolderTreeSelectPath, PathOutsideEveryRootChangesNothing) {
    HTREEITEM favorite = addFavoriteRoot();
    SendMessageW(control(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(favorite));
    const size_t reports = host.selections.size();

    EXPECT_FALSE(tree().selectPath(L"Q:\\nowhere\\at all"));
    EXPECT_EQ(selected(), favorite);
    EXPECT_EQ(host.selections.size(), reports);
}

TEST_F(FolderTreeReentry, SecondExpansionDuringAListingStopsBoth) {
    HTREEITEM favorite = expandedFavorite();
    HTREEITEM alpha = child(favorite, L"Alpha");
    HTREEITEM gamma = child(favorite, L"gamma");
    makeDir(L"gamma\\Sub");

    // The click on gamma arrives while Alpha is being listed.
    bool nestedResult = true;
    host.post([&] { nestedResult = expand(gamma); });
    EXPECT_FALSE(expand(alpha));
    EXPECT_EQ(host.postedRuns, 1);
    EXPECT_FALSE(nestedResult);

    // Neither expanded; the interrupted listing left nothing behind and no button lost.
    EXPECT_FALSE(isExpanded(alpha));
    EXPECT_TRUE(childrenOf(alpha).empty());
    EXPECT_TRUE(hasButton(alpha));
    EXPECT_FALSE(isExpanded(gamma));
    EXPECT_TRUE(childrenOf(gamma).empty());
    EXPECT_TRUE(hasButton(gamma));

    // The user expands again, and each listing runs once.
    EXPECT_TRUE(expand(alpha));
    EXPECT_EQ(labelsUnder(alpha), std::vector<std::wstring>{L"Inner"});
    EXPECT_TRUE(expand(gamma));
    EXPECT_EQ(labelsUnder(gamma), std::vector<std::wstring>{L"Sub"});
}

TEST_F(FolderTreeReentry, RefreshDuringAListingLeavesNoStrayNodes) {
    tree().addDrives(0);
    HTREEITEM favorite = expandedFavorite();
    HTREEITEM alpha = child(favorite, L"Alpha");

    host.post([&] { tree().refresh(); });
    EXPECT_FALSE(expand(alpha));
    EXPECT_EQ(host.postedRuns, 1);

    // The favourite survived, collapsed and empty; the drives are back in front of it.
    const std::vector<HTREEITEM> roots = childrenOf(TVI_ROOT);
    ASSERT_FALSE(roots.empty());
    EXPECT_EQ(roots.back(), favorite);
    EXPECT_EQ(label(roots.front()).substr(1), L":\\");
    EXPECT_FALSE(isExpanded(favorite));
    EXPECT_TRUE(childrenOf(favorite).empty());
    // And the tree is not left busy.
    ASSERT_TRUE(expand(favorite));
    EXPECT_EQ(labelsUnder(favorite).size(), 7u);
}

TEST_F(FolderTreeRefresh, KeepsFavoritesCollapsedRereadsDrivesAndReselects) {
    const DWORD hideZ = 1u << ('Z' - 'A');
    tree().addDrives(hideZ);
    HTREEITEM favorite = addFavoriteRoot();
    const std::wstring target = root + L"\\Alpha\\Inner";
    ASSERT_TRUE(tree().selectPath(target));
    const size_t rootCount = childrenOf(TVI_ROOT).size();

    tree().refresh();

    const std::vector<HTREEITEM> roots = childrenOf(TVI_ROOT);
    EXPECT_EQ(roots.size(), rootCount);
    EXPECT_EQ(roots.back(), favorite);
    EXPECT_EQ(tree().findChild(TVI_ROOT, L"Z:\\"), nullptr) << "the mask still applies";
    EXPECT_NE(tree().findChild(TVI_ROOT, L"C:\\"), nullptr);
    ASSERT_NE(selected(), nullptr);
    EXPECT_EQ(tree().nodePath(selected()), target);
    EXPECT_EQ(host.selections.back(), target);
}

TEST_F(FolderTreeRefresh, FavoritesAreDroppedToCollapsedNodes) {
    HTREEITEM favorite = expandedFavorite();
    tree().refresh();
    EXPECT_FALSE(isExpanded(favorite));
    EXPECT_TRUE(childrenOf(favorite).empty());
    EXPECT_TRUE(hasButton(favorite));
    EXPECT_TRUE(expand(favorite));
}

TEST_F(FolderTreeDrives, HiddenMaskLeavesItsDrivesOut) {
    tree().addDrives(0);
    std::vector<std::wstring> all = labelsUnder(TVI_ROOT);
    EXPECT_NE(std::find(all.begin(), all.end(), L"C:\\"), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), L"Z:\\"), all.end());
    for (HTREEITEM drive : childrenOf(TVI_ROOT)) EXPECT_TRUE(hasButton(drive));

    for (HTREEITEM drive : childrenOf(TVI_ROOT)) SendMessageW(control(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(drive));
    tree().addDrives(1u << ('Z' - 'A'));
    std::vector<std::wstring> shown = labelsUnder(TVI_ROOT);
    EXPECT_NE(std::find(shown.begin(), shown.end(), L"C:\\"), shown.end());
    EXPECT_EQ(std::find(shown.begin(), shown.end(), L"Z:\\"), shown.end());
    EXPECT_EQ(shown.size() + 1, all.size());
}

TEST_F(FolderTreeDrives, DrivesStandBeforeFavoritesAddedEarlier) {
    HTREEITEM favorite = addFavoriteRoot();
    tree().addDrives(0);
    const std::vector<HTREEITEM> roots = childrenOf(TVI_ROOT);
    ASSERT_GE(roots.size(), 3u);
    EXPECT_EQ(roots.back(), favorite);
    EXPECT_EQ(label(roots.front()).substr(1), L":\\");
    EXPECT_EQ(tree().favoriteNodes(), std::vector<HTREEITEM>{favorite});
    EXPECT_FALSE(tree().isFavorite(roots.front()));
}

}  // namespace
}  // namespace melodrift
