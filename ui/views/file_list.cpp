#include "ui/views/file_list.h"

#include "library/folder.h"
#include "base/paths.h"
#include "ui/views/list_text.h"
#include "ui/views/redraw_pause.h"
#include "ui/window_update_lock.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <utility>

namespace melodrift {

namespace {

constexpr int kColumnCount = 4;
constexpr int kSizeColumn = 1;
// Most cells fit; longer ones (archive entry paths) make the buffer grow.
constexpr size_t kFirstTextBuffer = 269;

// The cell's whole text: the control only says how much it copied, so a buffer that
// came back full is doubled and the read repeated.
std::wstring cellText(HWND list, int row, int column) {
    std::wstring text(kFirstTextBuffer, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = &text[0];
        item.cchTextMax = static_cast<int>(text.size());
        // ListView_GetItemText does not pass on how much was copied.
        const size_t length = static_cast<size_t>(
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < text.size()) {
            text.resize(length);
            return text;
        }
        text.assign(text.size() * 2, L'\0');
    }
}

void setCellText(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    ListView_SetItem(list, &item);
}

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Size cells are digits with commas: a longer number is a larger one. An empty cell
// (code unit 0) comes before numbers and ">4GB" after them.
int compareSizeTexts(const std::wstring& a, const std::wstring& b) {
    const wchar_t firstA = a.empty() ? L'\0' : a[0];
    const wchar_t firstB = b.empty() ? L'\0' : b[0];
    if (!isDigit(firstA) || !isDigit(firstB)) return int(firstA) - int(firstB);
    if (a.size() != b.size()) return static_cast<int>(a.size()) - static_cast<int>(b.size());
    return lstrcmpW(a.c_str(), b.c_str());
}

int compareInts(int32_t a, int32_t b) { return a < b ? -1 : a > b ? 1 : 0; }

int CALLBACK compareKeys(LPARAM key1, LPARAM key2, LPARAM) {
    return compareInts(static_cast<int32_t>(key1), static_cast<int32_t>(key2));
}

// Rows whose keys are their indexes into a table of ranks (given as the sort's
// parameter), as a fill leaves them.
int CALLBACK compareRanks(LPARAM index1, LPARAM index2, LPARAM table) {
    const auto& ranks = *reinterpret_cast<const std::vector<int32_t>*>(table);
    const size_t a = static_cast<size_t>(index1), b = static_cast<size_t>(index2);
    if (a >= ranks.size() || b >= ranks.size()) return compareInts(static_cast<int32_t>(a), static_cast<int32_t>(b));
    return compareInts(ranks[a], ranks[b]);
}

}  // namespace

FileList::FileList(HWND mainWindow, std::vector<std::wstring> patterns)
    : Control(CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
          WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 0, 0, mainWindow,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)), GetModuleHandleW(nullptr), nullptr)),
      patterns_(std::move(patterns)) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    random_.x = now.dwLowDateTime;
    random_.y = now.dwHighDateTime;
    random_.z = counter.LowPart;
    random_.w = static_cast<uint32_t>(counter.HighPart);
    // The first results of a fresh seed are poorly mixed.
    for (int i = 0; i < 100; ++i) random_.next();

    ListView_SetExtendedListViewStyle(window(), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    insertColumns();
}

void FileList::insertColumns() {
    struct Column {
        const wchar_t* title;
        int format;
    };
    static const Column columns[kColumnCount] = {
        {L"ファイル名", LVCFMT_LEFT},
        {L"サイズ", LVCFMT_RIGHT},
        {L"種類", LVCFMT_LEFT},
        {L"更新日時", LVCFMT_LEFT},
    };
    // Widths are the main window's to set, from the saved state.
    for (int i = 0; i < kColumnCount; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_TEXT;
        column.fmt = columns[i].format;
        column.pszText = const_cast<wchar_t*>(columns[i].title);
        ListView_InsertColumn(window(), i, &column);
    }
}

void FileList::fill(const std::shared_ptr<Folder>& folder) {
    // The caller's pointer may be reset by a handler that runs inside nextItem.
    const std::shared_ptr<Folder> keep = folder;
    filling_ = true;
    sortAsked_ = false;
    nextShuffleFirst_ = -1;
    WindowUpdateLock lock(window());
    RedrawPause pause(window());
    ListView_DeleteAllItems(window());
    FolderItem item;
    // The sort column's texts by row key, kept as the rows go in, so that the order is
    // worked out without reading any cell back.
    std::vector<std::wstring> sortTexts;
    // A fill started from inside nextItem clears `filling` when it ends, which stops
    // this one: its rows are gone and the newer ones stay.
    while (keep && keep->nextItem(patterns_, item, filling_)) {
        const int row = static_cast<int>(sortTexts.size());
        sortTexts.push_back(addRow(row, item));
    }
    if (filling_) {
        filling_ = false;
        // A click meanwhile may have chosen another column or the random order: the
        // texts kept are then not the ones to sort by.
        if (std::exchange(sortAsked_, false))
            sortRows();
        else
            sortFilledRows(sortTexts);
    }
}

std::wstring FileList::addRow(int row, const FolderItem& item) {
    const std::wstring texts[kColumnCount] = {item.name,
        item.size == FolderItem::kNoSize ? std::wstring() : formatSize(item.size), item.type,
        formatLocalTime(item.modified)};
    LVITEMW entry{};
    entry.mask = LVIF_TEXT | LVIF_PARAM;
    entry.iItem = row;
    entry.pszText = const_cast<wchar_t*>(texts[0].c_str());
    entry.lParam = row;
    ListView_InsertItem(window(), &entry);
    for (int column = 1; column < kColumnCount; ++column) setCellText(window(), row, column, texts[column]);
    return texts[sortColumn_];
}

int FileList::itemCount() const { return ListView_GetItemCount(window()); }

std::wstring FileList::itemText(int row) const {
    if (row < 0 || row >= itemCount()) return {};
    return cellText(window(), row, 0);
}

int FileList::currentIndex() const {
    const int mark = ListView_GetSelectionMark(window());
    if (mark >= 0 && ListView_GetItemState(window(), mark, LVIS_SELECTED)) return mark;
    return ListView_GetNextItem(window(), -1, LVNI_SELECTED);
}

void FileList::selectIndex(int row) {
    if (row < 0) return;
    ListView_SetItemState(window(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(window(), row);
    ListView_EnsureVisible(window(), row, FALSE);
}

bool FileList::selectName(const std::wstring& name) {
    const int count = itemCount();
    for (int row = 0; row < count; ++row) {
        if (lstrcmpiW(cellText(window(), row, 0).c_str(), name.c_str()) == 0) {
            selectIndex(row);
            return true;
        }
    }
    return false;
}

void FileList::columnWidths(int out[4]) const {
    for (int i = 0; i < kColumnCount; ++i) out[i] = ListView_GetColumnWidth(window(), i);
}

void FileList::setColumnWidths(const int widths[4]) {
    for (int i = 0; i < kColumnCount; ++i) ListView_SetColumnWidth(window(), i, LOWORD(widths[i]));
}

void FileList::sortRows() {
    if (filling_) {
        sortAsked_ = true;
        return;
    }
    if (randomOrder_)
        shuffleRows();
    else
        sortByColumn();
}

std::vector<int> FileList::orderOf(const std::vector<std::wstring>& texts) const {
    std::vector<int> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    const bool bySize = sortColumn_ == kSizeColumn;
    const bool ascending = ascending_;
    std::stable_sort(order.begin(), order.end(), [&](int row1, int row2) {
        const std::wstring& a = texts[static_cast<size_t>(row1)];
        const std::wstring& b = texts[static_cast<size_t>(row2)];
        const int result = bySize ? compareSizeTexts(a, b) : lstrcmpiW(a.c_str(), b.c_str());
        return ascending ? result < 0 : result > 0;
    });
    return order;
}

// Each cell is read once and the order worked out here; the control then only has to
// follow the rows' keys. (A comparison that reads cells while the control sorts sees
// rows move under it.)
void FileList::sortByColumn() {
    const int count = itemCount();
    if (count <= 0) return;
    std::vector<std::wstring> texts;
    texts.reserve(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row) texts.push_back(cellText(window(), row, sortColumn_));
    const std::vector<int> order = orderOf(texts);
    for (int rank = 0; rank < count; ++rank) setRowKey(order[static_cast<size_t>(rank)], rank);
    nextShuffleFirst_ = -1;
    ListView_SortItems(window(), &compareKeys, 0);
}

// As sortRows, for rows just filled: their keys are still their indexes into
// sortTexts, so one table of ranks orders them without a message per row.
void FileList::sortFilledRows(const std::vector<std::wstring>& sortTexts) {
    std::vector<int32_t> ranks(sortTexts.size());
    if (randomOrder_) {
        for (int32_t& rank : ranks) rank = static_cast<int32_t>(random_.next());
    } else {
        const std::vector<int> order = orderOf(sortTexts);
        for (size_t rank = 0; rank < order.size(); ++rank)
            ranks[static_cast<size_t>(order[rank])] = static_cast<int32_t>(rank);
    }
    ListView_SortItems(window(), &compareRanks, reinterpret_cast<LPARAM>(&ranks));
}

void FileList::shuffleRows() {
    // Fresh keys every time (or those drawn ahead for this shuffle): the previous order plays no part in the next.
    if (drawNextShuffle() < 0) return;
    nextShuffleFirst_ = -1;
    ListView_SortItems(window(), &compareKeys, 0);
}

int FileList::drawNextShuffle() {
    const int count = itemCount();
    // While a fill runs, its rows' keys are its own indexes into the texts it sorts by.
    if (count <= 0 || filling_) return -1;
    if (nextShuffleFirst_ >= 0) return nextShuffleFirst_;
    // Below 2^30, so that a key tied with the lowest can be raised by one: the first row is then the only lowest,
    // whatever the control does with ties.
    std::vector<int32_t> keys(static_cast<size_t>(count));
    for (int32_t& key : keys) key = static_cast<int32_t>(random_.next() >> 2);
    const auto lowest = std::min_element(keys.begin(), keys.end());
    nextShuffleFirst_ = static_cast<int>(lowest - keys.begin());
    for (size_t row = 0; row < keys.size(); ++row) {
        if (keys[row] == *lowest && static_cast<int>(row) != nextShuffleFirst_) ++keys[row];
        setRowKey(static_cast<int>(row), keys[row]);
    }
    return nextShuffleFirst_;
}

void FileList::setRowKey(int row, LPARAM key) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = key;
    ListView_SetItem(window(), &item);
}

LRESULT FileList::onColumnClick(const NMLISTVIEW& nm) {
    // Every notification of the list comes here; only the header is read before the
    // code says the rest of the structure is there.
    if (nm.hdr.code != LVN_COLUMNCLICK) return 0;
    if (nm.iSubItem == sortColumn_)
        ascending_ = !ascending_;
    else
        sortColumn_ = nm.iSubItem;
    sortRows();
    return 0;
}

}  // namespace melodrift
