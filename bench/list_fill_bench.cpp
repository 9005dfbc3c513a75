// Times showing a 10,000-file directory in the file list, from selecting its tree node
// to the sorted rows, against a bare loop that finds the files and inserts one row each
// (with the same cells) into a plain list view with its redraw off, then has the
// control order them; the two alternate. Absolute times depend on the machine and on
// Wine; the ratio is what to read. Two more series split the real path: the directory
// listing alone (with its message pumps and the cell texts) and the file list's sort
// of its filled rows alone.
#include "settings/settings_files.h"
#include "base/unique_handle.h"
#include "library/folder.h"
#include "base/paths.h"
#include "main_window/main_window.h"
#include "ui/views/file_list.h"
#include "ui/views/folder_tree.h"
#include "ui/views/list_text.h"

#include "bench/host_window.h"
#include "bench/timing.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <numeric>
#include <string>
#include <vector>

namespace melodrift {

using bench::median;
using bench::nowMs;
namespace {

constexpr int kFileCount = 10000;
constexpr int kDefaultRepetitions = 9;
constexpr wchar_t kPlayable[] = L"*.mp?;*.wma;*.asf;*.wav;*.og?;*.aac;*.flac;*.opus;*.m4a;*.wv;*.ape;*.tak";

std::wstring fileName(int index) {
    wchar_t name[32];
    swprintf(name, 32, L"track%05d.mp3", index);
    return name;
}

// Files are made in order, so the last one standing means the set is complete. Their
// sizes differ, so the size column is not one text repeated.
bool provideFiles(const std::wstring& dir) {
    CreateDirectoryW(dir.c_str(), nullptr);
    if (GetFileAttributesW(joinPath(dir, fileName(kFileCount)).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    std::printf("making %d files...\n", kFileCount);
    const std::string bytes(64, 'x');
    for (int i = 1; i <= kFileCount; ++i) {
        FileHandle file(
            CreateFileW(joinPath(dir, fileName(i)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), bytes.data(), 1 + i % 64, &written, nullptr)) return false;
    }
    return true;
}

// One row's texts as the file list shows them, and its place in name order.
struct Row {
    std::wstring name, size, type, time;
    LPARAM key = 0;
};

// The directory in the order the search returns it (which is the order the real list
// inserts in), with the rank each row ends up at after sorting by name.
std::vector<Row> prepareRows(const std::wstring& dir, const std::vector<std::wstring>& patterns) {
    std::vector<Row> rows;
    WIN32_FIND_DATAW entry;
    FindHandle search(FindFirstFileW(joinPath(dir, L"*").c_str(), &entry));
    if (!search) return rows;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!matchesAnyPattern(entry.cFileName, patterns)) continue;
        const wchar_t* dot = std::wcsrchr(entry.cFileName, L'.');
        const uint64_t size = (uint64_t(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        rows.push_back(
            {entry.cFileName, formatSize(size), dot ? dot + 1 : L"", formatLocalTime(entry.ftLastWriteTime)});
    } while (FindNextFileW(search.get(), &entry));
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
        [&](size_t a, size_t b) { return lstrcmpiW(rows[a].name.c_str(), rows[b].name.c_str()) < 0; });
    for (size_t rank = 0; rank < order.size(); ++rank) rows[order[rank]].key = static_cast<LPARAM>(rank);
    return rows;
}

int CALLBACK compareKeys(LPARAM key1, LPARAM key2, LPARAM) { return key1 < key2 ? -1 : key1 > key2 ? 1 : 0; }

// A hidden top-level window holding a list view made like the file list's control:
// same styles, extended styles, columns and size.
class BareList {
public:
    explicit BareList(SIZE size) {
        list_.reset(CreateWindowExW(WS_EX_CLIENTEDGE, L"SysListView32", nullptr,
            WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, size.cx, size.cy, host_.get(),
            nullptr, GetModuleHandleW(nullptr), nullptr));
        SendMessageW(list(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
        static const wchar_t* const titles[] = {L"ファイル名", L"サイズ", L"種類", L"更新日時"};
        for (int i = 0; i < 4; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_FMT | LVCF_TEXT;
            column.fmt = i == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
            column.pszText = const_cast<wchar_t*>(titles[i]);
            SendMessageW(list(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
        }
    }

    HWND list() const { return list_.get(); }

    // Finds the files and inserts one row each, the cells' texts taken from rows (in
    // the order the search returns them), with the redraw off; then has the control
    // order them by key. Turning the redraw back on is timed too. Returns the rows
    // inserted; the time of the sort alone goes to sortMs.
    int fill(const std::wstring& dir, const std::vector<Row>& rows, double& sortMs) {
        SendMessageW(list(), WM_SETREDRAW, FALSE, 0);
        SendMessageW(list(), LVM_DELETEALLITEMS, 0, 0);
        int index = 0;
        WIN32_FIND_DATAW entry;
        FindHandle search(FindFirstFileW(joinPath(dir, L"*").c_str(), &entry));
        if (search) {
            do {
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                if (index >= static_cast<int>(rows.size())) break;
                const Row& row = rows[static_cast<size_t>(index)];
                LVITEMW item{};
                item.mask = LVIF_TEXT | LVIF_PARAM;
                item.iItem = index;
                item.pszText = entry.cFileName;
                item.lParam = row.key;
                SendMessageW(list(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
                setText(index, 1, row.size);
                setText(index, 2, row.type);
                setText(index, 3, row.time);
                ++index;
            } while (FindNextFileW(search.get(), &entry));
        }
        const double sortStart = nowMs();
        SendMessageW(list(), LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&compareKeys));
        sortMs = nowMs() - sortStart;
        SendMessageW(list(), WM_SETREDRAW, TRUE, 0);
        return index;
    }

private:
    void setText(int row, int column, const std::wstring& text) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        SendMessageW(list(), LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }

    bench::HostWindow host_;  // declared first: the list, its child, goes before it
    WindowHandle list_;
};

int itemCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

// What the real path does apart from the control: open the directory, list it through
// the folder (with its message pumps) and make each row's cell texts.
int listWithTexts(const std::wstring& dir, const std::vector<std::wstring>& patterns) {
    const std::shared_ptr<Folder> folder = openFolder(dir, pumpPendingMessages);
    if (!folder) return 0;
    FolderItem item;
    const bool keepGoing = true;
    int count = 0;
    size_t characters = 0;  // keeps the texts from being optimised away
    while (folder->nextItem(patterns, item, keepGoing)) {
        characters += formatSize(item.size).size() + item.type.size() + formatLocalTime(item.modified).size();
        ++count;
    }
    return characters ? count : 0;
}

int run(const std::wstring& dir, int repetitions) {
    if (!provideFiles(dir)) {
        std::printf("cannot make the files in %ls\n", dir.c_str());
        return 1;
    }
    bench::prepareMainWindowRun(L"melodrift-list-fill-settings");

    MainWindow mainWindow;
    FolderTree& tree = *mainWindow.folderTree();
    FileList& fileList = *mainWindow.fileListView();
    const HTREEITEM node = tree.insertNode(TVI_ROOT, TVI_LAST, dir, dir, true);
    if (!node) {
        std::printf("cannot insert the tree node\n");
        return 1;
    }

    const std::vector<std::wstring> patterns = splitString(kPlayable, L';');
    const std::vector<Row> rows = prepareRows(dir, patterns);
    if (static_cast<int>(rows.size()) != kFileCount) {
        std::printf("the directory holds %d playable files, not %d\n", static_cast<int>(rows.size()), kFileCount);
        return 1;
    }
    RECT listRect{};
    GetWindowRect(fileList.window(), &listRect);
    BareList bare({listRect.right - listRect.left, listRect.bottom - listRect.top});

    std::vector<double> realTimes, bareTimes, bareSortTimes, listingTimes, sortTimes;
    bool complete = true;

    auto timeReal = [&] {
        // Deselecting opens nothing and empties the list, so every pass starts from an
        // empty list and the selection below is a change the control reports.
        TreeView_SelectItem(tree.window(), nullptr);
        const double start = nowMs();
        TreeView_SelectItem(tree.window(), node);
        realTimes.push_back(nowMs() - start);
        if (itemCount(fileList.window()) != kFileCount) {
            std::printf("the file list shows %d rows, not %d\n", itemCount(fileList.window()), kFileCount);
            complete = false;
        }
        // The list's own sort again, on its filled rows (by name, ascending, as the fill).
        const double sortStart = nowMs();
        fileList.sortRows();
        sortTimes.push_back(nowMs() - sortStart);
    };
    auto timeBare = [&] {
        double sortMs = 0;
        const double start = nowMs();
        const int count = bare.fill(dir, rows, sortMs);
        bareTimes.push_back(nowMs() - start);
        bareSortTimes.push_back(sortMs);
        if (count != kFileCount || itemCount(bare.list()) != kFileCount) {
            std::printf("the bare list holds %d rows, not %d\n", itemCount(bare.list()), kFileCount);
            complete = false;
        }
    };
    auto timeListing = [&] {
        const double start = nowMs();
        const int count = listWithTexts(dir, patterns);
        listingTimes.push_back(nowMs() - start);
        if (count != kFileCount) {
            std::printf("the listing saw %d files, not %d\n", count, kFileCount);
            complete = false;
        }
    };

    // One untimed pass of each, so that none pays alone for a cold cache or first use.
    timeReal();
    timeBare();
    timeListing();
    for (auto* times : {&realTimes, &bareTimes, &bareSortTimes, &listingTimes, &sortTimes}) times->clear();
    bench::alternate(repetitions, timeReal, [&] {
        timeBare();
        timeListing();
    });
    if (!complete) return 1;

    const double realMedian = median(realTimes);
    const double bareMedian = median(bareTimes);
    std::printf("directory: %ls (%d files), %d passes each\n", dir.c_str(), kFileCount, repetitions);
    std::printf("select node -> rows shown    median %9.2f ms\n", realMedian);
    std::printf("bare find + insert + sort    median %9.2f ms\n", bareMedian);
    std::printf("of the real path:\n");
    std::printf("  listing + cell texts only  median %9.2f ms\n", median(listingTimes));
    std::printf("  FileList::sortRows again   median %9.2f ms\n", median(sortTimes));
    std::printf("of the bare loop:\n");
    std::printf("  LVM_SORTITEMS by key       median %9.2f ms\n", median(bareSortTimes));
    std::printf("ratio list_fill %.2f\n", realMedian / bareMedian);
    return 0;
}

}  // namespace
}  // namespace melodrift

// Arguments: [directory [passes]]. The directory is made, or reused when it is complete.
int wmain(int argc, wchar_t** argv) {
    const std::wstring dir = argc > 1 ? std::wstring(argv[1])
                                      : melodrift::joinPath(melodrift::bench::tempDirectory(), L"melodrift-list-fill");
    const int repetitions = argc > 2 ? std::max(1, _wtoi(argv[2])) : melodrift::kDefaultRepetitions;
    return melodrift::run(dir, repetitions);
}
