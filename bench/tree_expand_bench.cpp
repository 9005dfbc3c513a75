// Times expanding a tree node over a directory of 5,000 sub-directories, from the
// expand request to the listed and sorted children, against a bare loop that finds the
// sub-directories and inserts one item each into a plain tree view with its redraw
// off, alternating the two. Absolute times depend on the machine and on Wine; the
// ratio is what to read.
#include "settings/settings_files.h"
#include "base/unique_handle.h"
#include "base/paths.h"
#include "main_window/main_window.h"
#include "ui/views/folder_tree.h"

#include "bench/host_window.h"
#include "bench/timing.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace melodrift {

using bench::median;
using bench::nowMs;
namespace {

constexpr int kDirectoryCount = 5000;
constexpr int kDefaultRepetitions = 9;

std::wstring directoryName(int index) {
    wchar_t name[32];
    swprintf(name, 32, L"album%05d", index);
    return name;
}

// Made in order, so the last one standing means the set is complete.
bool provideDirectories(const std::wstring& dir) {
    CreateDirectoryW(dir.c_str(), nullptr);
    if (GetFileAttributesW(joinPath(dir, directoryName(kDirectoryCount)).c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    std::printf("making %d directories...\n", kDirectoryCount);
    for (int i = 1; i <= kDirectoryCount; ++i) {
        const std::wstring path = joinPath(dir, directoryName(i));
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return true;
}

// A hidden top-level window holding a tree view made like the folder tree's control.
class BareTree {
public:
    explicit BareTree(SIZE size) {
        tree_.reset(CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, nullptr, 0x50000037, 0, 0, size.cx, size.cy,
            host_.get(), nullptr, GetModuleHandleW(nullptr), nullptr));
    }

    HWND tree() const { return tree_.get(); }

    // Finds the sub-directories and inserts one item each at the top level, where they
    // show as the children of an expanded node do; returns how many. Turning the
    // redraw back on is timed too: that is where the control lays the items out.
    int fill(const std::wstring& dir) {
        SendMessageW(tree(), WM_SETREDRAW, FALSE, 0);
        int count = 0;
        WIN32_FIND_DATAW entry;
        FindHandle search(FindFirstFileW(joinPath(dir, L"*").c_str(), &entry));
        if (search) {
            do {
                if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
                if (!std::wcscmp(entry.cFileName, L".") || !std::wcscmp(entry.cFileName, L"..")) continue;
                TVINSERTSTRUCTW insert{};
                insert.hParent = TVI_ROOT;
                insert.hInsertAfter = TVI_LAST;
                insert.item.mask = TVIF_TEXT;
                insert.item.pszText = entry.cFileName;
                if (SendMessageW(tree(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert))) ++count;
            } while (FindNextFileW(search.get(), &entry));
        }
        SendMessageW(tree(), WM_SETREDRAW, TRUE, 0);
        return count;
    }
    void clear() { SendMessageW(tree(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }

private:
    bench::HostWindow host_;  // declared first: the tree, its child, goes before it
    WindowHandle tree_;
};

int childCount(HWND tree, HTREEITEM node) {
    int count = 0;
    for (HTREEITEM child = TreeView_GetChild(tree, node); child; child = TreeView_GetNextSibling(tree, child)) ++count;
    return count;
}

int run(const std::wstring& dir, int repetitions) {
    if (!provideDirectories(dir)) {
        std::printf("cannot make the directories in %ls\n", dir.c_str());
        return 1;
    }
    bench::prepareMainWindowRun(L"melodrift-tree-expand-settings");

    MainWindow mainWindow;
    FolderTree& tree = *mainWindow.folderTree();
    const HTREEITEM node = tree.insertNode(TVI_ROOT, TVI_LAST, dir, dir, true);
    // A node of the same folder that is listed but never expanded.
    const HTREEITEM listedNode = tree.insertNode(TVI_ROOT, TVI_LAST, dir, dir, true);
    if (!node || !listedNode) {
        std::printf("cannot insert the tree node\n");
        return 1;
    }
    RECT treeRect{};
    GetWindowRect(tree.window(), &treeRect);
    BareTree bare(
        {std::max<LONG>(treeRect.right - treeRect.left, 200), std::max<LONG>(treeRect.bottom - treeRect.top, 400)});

    std::vector<double> realTimes, bareTimes, listingTimes;
    bool complete = true;
    auto timeReal = [&] {
        const double start = nowMs();
        TreeView_Expand(tree.window(), node, TVE_EXPAND);
        realTimes.push_back(nowMs() - start);
        const int shown = childCount(tree.window(), node);
        if (shown != kDirectoryCount || !(TreeView_GetItemState(tree.window(), node, TVIS_EXPANDED) & TVIS_EXPANDED)) {
            std::printf("the tree shows %d children, not %d expanded\n", shown, kDirectoryCount);
            complete = false;
        }
        // Discards the children, so that the next expansion lists them again.
        TreeView_Expand(tree.window(), node, TVE_COLLAPSE | TVE_COLLAPSERESET);
    };
    // The listing alone, without the control's expansion.
    auto timeListing = [&] {
        bool cancelled = false;
        const double start = nowMs();
        const int count = tree.listChildren(listedNode, cancelled);
        listingTimes.push_back(nowMs() - start);
        if (count != kDirectoryCount) complete = false;
        tree.deleteChildren(listedNode);
    };
    auto timeBare = [&] {
        const double start = nowMs();
        const int count = bare.fill(dir);
        bareTimes.push_back(nowMs() - start);
        if (count != kDirectoryCount) {
            std::printf("the bare loop inserted %d items, not %d\n", count, kDirectoryCount);
            complete = false;
        }
        bare.clear();
    };

    // One untimed pass of each, so that neither pays alone for a cold cache or first use.
    timeReal();
    timeBare();
    timeListing();
    realTimes.clear();
    bareTimes.clear();
    listingTimes.clear();
    bench::alternate(repetitions, timeReal, [&] {
        timeBare();
        timeListing();
    });
    if (!complete) return 1;

    const double realMedian = median(realTimes);
    const double bareMedian = median(bareTimes);
    std::printf("directory: %ls (%d sub-directories), %d passes each\n", dir.c_str(), kDirectoryCount, repetitions);
    std::printf("expand node -> children listed  median %9.2f ms\n", realMedian);
    std::printf("bare find + insert, redraw off  median %9.2f ms\n", bareMedian);
    std::printf("of the expansion:\n");
    std::printf("  FolderTree::listChildren      median %9.2f ms\n", median(listingTimes));
    std::printf("ratio tree_expand %.2f\n", realMedian / bareMedian);
    return 0;
}

}  // namespace
}  // namespace melodrift

// Arguments: [directory [passes]]; an empty directory argument takes the default. The
// directory is made, or reused when it is complete.
int wmain(int argc, wchar_t** argv) {
    const std::wstring dir = argc > 1 && *argv[1]
                                 ? std::wstring(argv[1])
                                 : melodrift::joinPath(melodrift::bench::tempDirectory(), L"melodrift-tree-expand");
    const int repetitions = argc > 2 ? std::max(1, _wtoi(argv[2])) : melodrift::kDefaultRepetitions;
    return melodrift::run(dir, repetitions);
}
