// The file list: what a fill from real folders shows, the orders of the column clicks
// and of the shuffle, selection, long names, nested fills and the patterns it reads.
#include "ui/views/file_list.h"

#include "main_window/settings_keys.h"

#include "settings/settings_files.h"
#include "base/unique_handle.h"
#include "library/folder.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "ui/paced_pump.h"
#include "ui/views/list_text.h"
#include "ui/views/xor_shift.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace melodrift {
namespace {

using Names = std::vector<std::wstring>;
using Row = std::array<std::wstring, 4>;

constexpr UINT kRunHandler = WM_APP + 40;

// Stands in for the main window: parent of the list, routing the list's notifications
// to it as the main window does, and running a test's handler from the message queue.
class ParentWindow : public Window {
public:
    ParentWindow() {
        static const ATOM atom = registerWindowClass(0, nullptr, LoadCursorW(nullptr, IDC_ARROW),
                                                     reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                                                     L"melodrift-FileListTest", nullptr);
        CreateWindowExW(0, MAKEINTATOM(atom), L"file list", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500,
                        nullptr, nullptr, GetModuleHandleW(nullptr), this);
    }
    ~ParentWindow() override {
        if (IsWindow(window())) DestroyWindow(window());
    }

    LRESULT handleMessage(HWND h, UINT message, WPARAM w, LPARAM l) override {
        if (message == kRunHandler && onPosted) {
            onPosted();
            return 0;
        }
        if (message == WM_NOTIFY && list && reinterpret_cast<NMHDR*>(l)->hwndFrom == list->window()) {
            const NMHDR& header = *reinterpret_cast<NMHDR*>(l);
            if (header.code == LVN_INSERTITEM && onInsert) onInsert();
            if (header.code == NM_DBLCLK) return 0;
            return list->onColumnClick(*reinterpret_cast<NMLISTVIEW*>(l));
        }
        return DefWindowProcW(h, message, w, l);
    }

    FileList* list = nullptr;
    std::function<void()> onPosted;
    std::function<void()> onInsert;
};

// --- files with known sizes and times --------------------------------------------------

void makeFile(const std::wstring& path, int64_t size) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file);
    LARGE_INTEGER end;
    end.QuadPart = size;
    // Never written, so a file of gigabytes costs nothing on disk.
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.get()));
}

// A write time given as local wall-clock time.
void setLocalWriteTime(const std::wstring& path, WORD year, WORD month, WORD day, WORD hour, WORD minute,
                       WORD second) {
    SYSTEMTIME local{};
    local.wYear = year;
    local.wMonth = month;
    local.wDay = day;
    local.wHour = hour;
    local.wMinute = minute;
    local.wSecond = second;
    FILETIME localTime, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
    FileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &utc));
}

std::string cueSheet(const std::vector<std::string>& titles) {
    std::string text = "PERFORMER \"Band\"\r\nFILE \"tone.wav\" WAVE\r\n";
    for (size_t i = 0; i < titles.size(); ++i) {
        char track[32], index[32];
        wsprintfA(track, "  TRACK %02u AUDIO\r\n", unsigned(i + 1));
        wsprintfA(index, "    INDEX 01 %02u:00:00\r\n", unsigned(i));
        text += track + ("    TITLE \"" + titles[i] + "\"\r\n") + index;
    }
    return text;
}

// --- reading the control back ------------------------------------------------------------

int rowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring cell(HWND list, int row, int column) {
    std::vector<wchar_t> text(4096);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text.data();
}

Names columnTexts(HWND list, int column) {
    Names texts;
    for (int row = 0; row < rowCount(list); ++row) texts.push_back(cell(list, row, column));
    return texts;
}

std::vector<Row> rows(HWND list) {
    std::vector<Row> all;
    for (int row = 0; row < rowCount(list); ++row)
        all.push_back({cell(list, row, 0), cell(list, row, 1), cell(list, row, 2), cell(list, row, 3)});
    return all;
}

std::vector<int32_t> rowKeys(HWND list) {
    std::vector<int32_t> keys;
    for (int row = 0; row < rowCount(list); ++row) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        keys.push_back(static_cast<int32_t>(item.lParam));
    }
    return keys;
}

UINT rowState(HWND list, int row) {
    return static_cast<UINT>(
        SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED | LVIS_FOCUSED));
}

Names sorted(Names names) {
    std::sort(names.begin(), names.end());
    return names;
}

class FileListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
        InitCommonControlsEx(&controls);
    }

    void SetUp() override {
        ASSERT_NE(parent.window(), nullptr);
        ASSERT_NE(list.window(), nullptr);
        parent.list = &list;
        MoveWindow(list.window(), 0, 0, 680, 460, TRUE);
        const int widths[4] = {220, 120, 80, 180};
        for (int i = 0; i < 4; ++i) SendMessageW(list.window(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), widths[i]);
    }

    void TearDown() override { parent.list = nullptr; }

    // A click on a column's header, as the mouse delivers it.
    void clickHeader(int column) {
        HWND header = reinterpret_cast<HWND>(SendMessageW(list.window(), LVM_GETHEADER, 0, 0));
        RECT r{};
        ASSERT_TRUE(SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&r)));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(header, WM_LBUTTONUP, 0, at);
    }

    // A click on a row's name, as the mouse delivers it.
    void clickRow(int row) {
        RECT r{};
        r.left = LVIR_LABEL;
        ASSERT_TRUE(SendMessageW(list.window(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r)));
        const LPARAM at = MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2);
        SendMessageW(list.window(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(list.window(), WM_LBUTTONUP, 0, at);
    }

    void fillFrom(const std::wstring& path) {
        std::shared_ptr<Folder> folder = openFolder(path, pumpPendingMessages);
        ASSERT_TRUE(folder);
        list.fill(folder);
    }

    // Files a.mp3 … of the given sizes, in name order.
    void makeFiles(const std::vector<int64_t>& sizes) {
        for (size_t i = 0; i < sizes.size(); ++i) {
            const std::wstring name = std::wstring(1, wchar_t(L'a' + i)) + L".mp3";
            makeFile(dir.file(name), sizes[i]);
        }
    }

    test::TempDir dir;
    ParentWindow parent;
    FileList list{parent.window(), playablePatterns()};
};

// --- what a row shows ----------------------------------------------------------------------

TEST(FileListSizeText, BytesWithThousandsSeparatorsAndNoUnit) {
    EXPECT_EQ(formatSize(0), L"0");
    EXPECT_EQ(formatSize(999), L"999");
    EXPECT_EQ(formatSize(1000), L"1,000");
    EXPECT_EQ(formatSize(1023), L"1,023");
    EXPECT_EQ(formatSize(1024), L"1,024");
    EXPECT_EQ(formatSize(1002003), L"1,002,003");  // inner groups keep their zeros
    EXPECT_EQ(formatSize(1234567), L"1,234,567");
    EXPECT_EQ(formatSize(4294967295u), L"4,294,967,295");
}

TEST(FileListSizeText, FourGibibytesAndMoreAreNotCounted) {
    EXPECT_EQ(formatSize(4294967296ull), L">4GB");
    EXPECT_EQ(formatSize(5368709120ull), L">4GB");
    EXPECT_EQ(formatSize(~0ull), L">4GB");
}

TEST(FileListTimeText, ZeroTimeHasNoText) { EXPECT_EQ(formatLocalTime(FILETIME{}), L""); }

TEST(FileListTimeText, TimeBeyondTheCalendarHasNoText) {
    // FileTimeToSystemTime refuses values with the top bit set.
    EXPECT_EQ(formatLocalTime(FILETIME{0, 0x80000000u}), L"");
}

TEST_F(FileListTest, ControlIsAReportListWithFourTitledColumns) {
    wchar_t className[64];
    GetClassNameW(list.window(), className, 64);
    EXPECT_STREQ(className, L"SysListView32");
    EXPECT_EQ(GetParent(list.window()), parent.window());
    EXPECT_EQ(GetDlgCtrlID(list.window()), 200);
    const LONG style = GetWindowLongW(list.window(), GWL_STYLE);
    EXPECT_EQ(style & 0x5000000D, 0x5000000D);
    EXPECT_TRUE(GetWindowLongW(list.window(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(SendMessageW(list.window(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & 0x421, 0x421);

    const wchar_t* titles[4] = {L"ファイル名", L"サイズ", L"種類", L"更新日時"};
    const int formats[4] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_LEFT, LVCFMT_LEFT};
    for (int i = 0; i < 4; ++i) {
        wchar_t title[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_FMT;
        column.pszText = title;
        column.cchTextMax = 64;
        ASSERT_TRUE(SendMessageW(list.window(), LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(title, titles[i]) << "column " << i;
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, formats[i]) << "column " << i;
    }
    LVCOLUMNW fifth{};
    fifth.mask = LVCF_FMT;
    EXPECT_FALSE(SendMessageW(list.window(), LVM_GETCOLUMNW, 4, reinterpret_cast<LPARAM>(&fifth)));
}

TEST_F(FileListTest, ColumnWidthsAreReadFromTheControl) {
    const int widths[4] = {200, 50, 61, 77};
    for (int i = 0; i < 4; ++i) SendMessageW(list.window(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), widths[i]);
    int out[4] = {-1, -1, -1, -1};
    list.columnWidths(out);
    EXPECT_EQ(std::vector<int>(out, out + 4), std::vector<int>(widths, widths + 4));
}

TEST_F(FileListTest, RowsShowNameSizeTypeAndLocalTimeOfEachPlayableFile) {
    makeFile(dir.file(L"a.mp3"), 0);
    makeFile(dir.file(L"b.wav"), 1023);
    makeFile(dir.file(L"c.ogg"), 1024);
    makeFile(dir.file(L"d.wma"), 3456789);
    makeFile(dir.file(L"e.aac"), 5LL << 30);
    makeFile(dir.file(L"notes.txt"), 10);  // not playable
    setLocalWriteTime(dir.file(L"a.mp3"), 2009, 3, 7, 5, 4, 9);
    setLocalWriteTime(dir.file(L"b.wav"), 1999, 12, 31, 23, 59, 58);
    setLocalWriteTime(dir.file(L"c.ogg"), 2024, 1, 2, 0, 0, 0);
    setLocalWriteTime(dir.file(L"d.wma"), 2015, 10, 11, 12, 13, 14);
    setLocalWriteTime(dir.file(L"e.aac"), 2030, 6, 30, 18, 1, 2);

    fillFrom(dir.path());

    const std::vector<Row> expected{
        {L"a.mp3", L"0", L"mp3", L"2009/03/07 05:04:09"},
        {L"b.wav", L"1,023", L"wav", L"1999/12/31 23:59:58"},
        {L"c.ogg", L"1,024", L"ogg", L"2024/01/02 00:00:00"},
        {L"d.wma", L"3,456,789", L"wma", L"2015/10/11 12:13:14"},
        {L"e.aac", L">4GB", L"aac", L"2030/06/30 18:01:02"},
    };
    EXPECT_EQ(rows(list.window()), expected);
    EXPECT_FALSE(list.filling());
}

TEST_F(FileListTest, CueTracksHaveNoSizeOrTimeAndSortByTitle) {
    test::writeBytes(dir.file(L"live.cue"), cueSheet({"Intro", "Zebra", "Apple"}));
    fillFrom(dir.file(L"live.cue"));
    const std::vector<Row> expected{
        {L"01 Intro - Band", L"", L"cue", L""},
        {L"02 Zebra - Band", L"", L"cue", L""},
        {L"03 Apple - Band", L"", L"cue", L""},
    };
    EXPECT_EQ(rows(list.window()), expected);
    clickHeader(0);
    EXPECT_EQ(columnTexts(list.window(), 0), (Names{L"03 Apple - Band", L"02 Zebra - Band", L"01 Intro - Band"}));
}

TEST_F(FileListTest, FillReplacesTheRowsAndAFolderWithoutItemsEmptiesTheList) {
    makeFiles({1, 2, 3});
    fillFrom(dir.path());
    ASSERT_EQ(rowCount(list.window()), 3);

    test::TempDir other;
    makeFile(other.file(L"only.wav"), 7);
    fillFrom(other.path());
    EXPECT_EQ(columnTexts(list.window(), 0), Names{L"only.wav"});

    fillFrom(dir.file(L"gone"));
    EXPECT_EQ(rowCount(list.window()), 0);
}

// --- orders ------------------------------------------------------------------------------------

TEST_F(FileListTest, NamesSortAscendingAtFirstRegardlessOfCaseAndASecondClickTurnsThemRound) {
    for (const wchar_t* name : {L"b.mp3", L"C.wav", L"A.ogg", L"d.aac"}) makeFile(dir.file(name), 1);
    fillFrom(dir.path());
    EXPECT_EQ(columnTexts(list.window(), 0), (Names{L"A.ogg", L"b.mp3", L"C.wav", L"d.aac"}));
    clickHeader(0);
    EXPECT_EQ(columnTexts(list.window(), 0), (Names{L"d.aac", L"C.wav", L"b.mp3", L"A.ogg"}));
    clickHeader(0);
    EXPECT_EQ(columnTexts(list.window(), 0), (Names{L"A.ogg", L"b.mp3", L"C.wav", L"d.aac"}));
}

TEST_F(FileListTest, SizesSortByValueNotByText) {
    // Named so that name order is none of the size orders.
    makeFile(dir.file(L"a.mp3"), 12345);
    makeFile(dir.file(L"b.mp3"), 5LL << 30);
    makeFile(dir.file(L"c.mp3"), 999);
    makeFile(dir.file(L"d.mp3"), 0);
    makeFile(dir.file(L"e.mp3"), 1000);
    makeFile(dir.file(L"f.mp3"), 2000000);
    fillFrom(dir.path());

    clickHeader(1);  // another column: the direction stays ascending
    EXPECT_EQ(columnTexts(list.window(), 1), (Names{L"0", L"999", L"1,000", L"12,345", L"2,000,000", L">4GB"}));
    clickHeader(1);
    EXPECT_EQ(columnTexts(list.window(), 1), (Names{L">4GB", L"2,000,000", L"12,345", L"1,000", L"999", L"0"}));
}

TEST_F(FileListTest, ChangingTheColumnKeepsTheDirection) {
    makeFile(dir.file(L"a.wav"), 3);
    makeFile(dir.file(L"b.mp3"), 1);
    makeFile(dir.file(L"c.ogg"), 2);
    fillFrom(dir.path());
    clickHeader(1);
    clickHeader(1);  // size, descending
    ASSERT_EQ(columnTexts(list.window(), 1), (Names{L"3", L"2", L"1"}));
    clickHeader(2);  // type, still descending
    EXPECT_EQ(columnTexts(list.window(), 2), (Names{L"wav", L"ogg", L"mp3"}));
}

TEST_F(FileListTest, TimesSortChronologically) {
    makeFiles({1, 1, 1, 1});
    setLocalWriteTime(dir.file(L"a.mp3"), 2010, 1, 1, 0, 0, 0);
    setLocalWriteTime(dir.file(L"b.mp3"), 1999, 12, 31, 23, 59, 59);
    setLocalWriteTime(dir.file(L"c.mp3"), 2010, 1, 1, 0, 0, 1);
    setLocalWriteTime(dir.file(L"d.mp3"), 2003, 5, 20, 10, 0, 0);
    fillFrom(dir.path());

    clickHeader(3);
    EXPECT_EQ(columnTexts(list.window(), 0), (Names{L"b.mp3", L"d.mp3", L"a.mp3", L"c.mp3"}));
    clickHeader(3);
    EXPECT_EQ(columnTexts(list.window(), 0), (Names{L"c.mp3", L"a.mp3", L"d.mp3", L"b.mp3"}));
}

TEST_F(FileListTest, TheColumnOrderOutlastsANewFill) {
    makeFiles({5, 1, 3});
    fillFrom(dir.path());
    clickHeader(1);
    clickHeader(1);
    fillFrom(dir.path());
    EXPECT_EQ(columnTexts(list.window(), 1), (Names{L"5", L"3", L"1"}));
}

// --- random order -------------------------------------------------------------------------------

TEST(FileListShuffle, GeneratorGivesItsKnownFirstResultsFromASmallSeed) {
    XorShift random;
    random.x = 1;
    random.y = 2;
    random.z = 3;
    random.w = 4;
    EXPECT_EQ(random.next(), 34821u);
    EXPECT_EQ(random.next(), 104455u);
    EXPECT_EQ(random.next(), 4u);
}

class FileListRandom : public FileListTest {
protected:
    void SetUp() override {
        FileListTest::SetUp();
        std::vector<int64_t> sizes(26);
        for (size_t i = 0; i < sizes.size(); ++i) sizes[i] = int64_t(i);
        makeFiles(sizes);
        for (size_t i = 0; i < sizes.size(); ++i) inNameOrder.push_back(std::wstring(1, wchar_t(L'a' + i)) + L".mp3");
    }

    // Each row once, not in name order.
    void expectEveryRowOnce(const Names& names) {
        EXPECT_EQ(sorted(names), inNameOrder);
        EXPECT_NE(names, inNameOrder);
    }
    // As above, after sortRows: the rows stand in the order of their keys, compared as
    // signed numbers.
    void expectShuffled(const Names& names) {
        expectEveryRowOnce(names);
        const std::vector<int32_t> keys = rowKeys(list.window());
        EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    }

    Names inNameOrder;
};

TEST_F(FileListRandom, EveryShuffleHoldsEveryRowOnceInANewOrder) {
    fillFrom(dir.path());
    ASSERT_EQ(columnTexts(list.window(), 0), inNameOrder);

    list.setRandomOrder(true);
    list.sortRows();
    const Names first = columnTexts(list.window(), 0);
    expectShuffled(first);

    list.sortRows();
    const Names second = columnTexts(list.window(), 0);
    expectShuffled(second);
    EXPECT_NE(second, first);

    clickHeader(2);
    const Names third = columnTexts(list.window(), 0);
    expectShuffled(third);
    EXPECT_NE(third, second);

    fillFrom(dir.path());
    const Names fourth = columnTexts(list.window(), 0);
    expectEveryRowOnce(fourth);
    EXPECT_NE(fourth, third);
}

TEST_F(FileListRandom, LeavingRandomOrderSortsByTheColumnChosenBefore) {
    fillFrom(dir.path());
    clickHeader(1);
    clickHeader(1);  // size, descending
    list.setRandomOrder(true);
    list.sortRows();
    list.setRandomOrder(false);
    list.sortRows();
    Names descending(inNameOrder.rbegin(), inNameOrder.rend());
    EXPECT_EQ(columnTexts(list.window(), 0), descending);
}

TEST_F(FileListTest, ShufflingAnEmptyListDoesNothing) {
    list.setRandomOrder(true);
    list.sortRows();
    EXPECT_EQ(rowCount(list.window()), 0);
}

// --- selection -------------------------------------------------------------------------------

TEST_F(FileListTest, CurrentIndexFollowsSelectIndexAndClicks) {
    makeFiles({1, 2, 3, 4, 5});
    fillFrom(dir.path());
    EXPECT_EQ(list.currentIndex(), -1);

    list.selectIndex(3);
    EXPECT_EQ(list.currentIndex(), 3);
    EXPECT_EQ(rowState(list.window(), 3), UINT(LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_EQ(SendMessageW(list.window(), LVM_GETSELECTIONMARK, 0, 0), 3);

    list.selectIndex(-1);
    EXPECT_EQ(list.currentIndex(), 3);

    clickRow(1);
    EXPECT_EQ(list.currentIndex(), 1);
    EXPECT_EQ(rowState(list.window(), 3) & LVIS_SELECTED, 0u);
}

TEST_F(FileListTest, CurrentIndexFallsBackToTheFirstSelectedRowWhenTheMarkIsNot) {
    makeFiles({1, 2, 3, 4, 5});
    fillFrom(dir.path());
    list.selectIndex(4);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    SendMessageW(list.window(), LVM_SETITEMSTATE, 4, reinterpret_cast<LPARAM>(&state));  // deselect
    EXPECT_EQ(list.currentIndex(), -1);
    state.state = LVIS_SELECTED;
    SendMessageW(list.window(), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(list.currentIndex(), 2);
}

TEST_F(FileListTest, SelectedRowIsScrolledIntoView) {
    std::vector<int64_t> sizes(26, 1);
    makeFiles(sizes);
    fillFrom(dir.path());
    MoveWindow(list.window(), 0, 0, 680, 120, TRUE);
    list.selectIndex(25);
    const int top = static_cast<int>(SendMessageW(list.window(), LVM_GETTOPINDEX, 0, 0));
    const int perPage = static_cast<int>(SendMessageW(list.window(), LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_GT(top, 0);
    EXPECT_LE(25, top + perPage);
}

TEST_F(FileListTest, SelectNameIgnoresLetterCase) {
    for (const wchar_t* name : {L"Alpha.mp3", L"beta.wav", L"Gamma.ogg"}) makeFile(dir.file(name), 1);
    fillFrom(dir.path());
    EXPECT_TRUE(list.selectName(L"BETA.WAV"));
    EXPECT_EQ(list.currentIndex(), 1);
    EXPECT_TRUE(list.selectName(L"gamma.OGG"));
    EXPECT_EQ(list.currentIndex(), 2);
    EXPECT_FALSE(list.selectName(L"beta"));
    EXPECT_EQ(list.currentIndex(), 2);
}

TEST_F(FileListTest, ItemTextIsColumnZeroAndEmptyOutsideTheRows) {
    makeFiles({7, 8});
    fillFrom(dir.path());
    EXPECT_EQ(list.itemText(0), L"a.mp3");
    EXPECT_EQ(list.itemText(1), L"b.mp3");
    EXPECT_EQ(list.itemText(2), L"");
    EXPECT_EQ(list.itemText(-1), L"");
}

TEST_F(FileListTest, LongNamesAreReadBackWhole) {
    // Entry paths inside archives and sheet titles have no length limit.
    const std::string longTitle(300, 'x');
    test::writeBytes(dir.file(L"long.cue"), cueSheet({"short", longTitle + "B", longTitle + "A"}));
    std::shared_ptr<Folder> sheet = openFolder(dir.file(L"long.cue"), pumpPendingMessages);
    ASSERT_TRUE(sheet);
    Names names;
    FolderItem item;
    const bool keepGoing = true;
    while (sheet->nextItem({}, item, keepGoing)) names.push_back(item.name);
    ASSERT_EQ(names.size(), 3u);
    ASSERT_GT(names[2].size(), 300u);

    fillFrom(dir.file(L"long.cue"));
    EXPECT_EQ(list.itemText(1), names[1]);
    EXPECT_EQ(list.itemText(2), names[2]);
    EXPECT_TRUE(list.selectName(names[2]));
    EXPECT_EQ(list.currentIndex(), 2);
    EXPECT_FALSE(list.selectName(names[2].substr(0, 268)));
}

// --- fills inside fills ------------------------------------------------------------------------

class FileListNestedFill : public FileListTest {
protected:
    void SetUp() override {
        FileListTest::SetUp();
        for (const wchar_t* name : {L"first1.mp3", L"first2.mp3", L"first3.mp3", L"first4.mp3"})
            makeFile(dir.file(name), 1);
        for (const wchar_t* name : {L"z.wav", L"x.wav", L"y.wav"}) makeFile(second.file(name), 1);
        current = openFolder(dir.path(), pumpPendingMessages);
        ASSERT_TRUE(current);
    }

    // What the main window does on a second selection: drop the folder being listed
    // and fill from the new one.
    void selectSecond() {
        current = openFolder(second.path(), pumpPendingMessages);
        list.fill(current);
    }

    test::TempDir second;
    std::shared_ptr<Folder> current;
};

TEST_F(FileListNestedFill, SelectionWaitingInTheQueueLeavesOnlyTheSecondFoldersRows) {
    parent.onPosted = [this] { selectSecond(); };
    ASSERT_TRUE(test::waitUntil(messageDrainIsDue));
    PostMessageW(parent.window(), kRunHandler, 0, 0);
    list.fill(current);
    EXPECT_EQ(columnTexts(list.window(), 0), (Names{L"x.wav", L"y.wav", L"z.wav"}));
    EXPECT_FALSE(list.filling());
}

TEST_F(FileListNestedFill, SelectionInTheMiddleOfAListingLeavesOnlyTheSecondFoldersRows) {
    // Once the first listing has shown two rows, the next drain starts the second.
    int inserted = 0;
    parent.onInsert = [&] {
        if (++inserted != 2) return;
        ASSERT_TRUE(test::waitUntil(messageDrainIsDue));
        PostMessageW(parent.window(), kRunHandler, 0, 0);
    };
    parent.onPosted = [this] { selectSecond(); };
    list.fill(current);
    EXPECT_EQ(inserted, 2 + 3);  // nothing added after the second listing
    EXPECT_EQ(columnTexts(list.window(), 0), (Names{L"x.wav", L"y.wav", L"z.wav"}));
    EXPECT_FALSE(list.filling());
}

TEST_F(FileListNestedFill, FolderDroppedWithoutANewFillStopsTheListingUnsorted) {
    parent.onPosted = [this] {
        current.reset();
        list.stopFilling();
    };
    ASSERT_TRUE(test::waitUntil(messageDrainIsDue));
    PostMessageW(parent.window(), kRunHandler, 0, 0);
    list.fill(current);
    EXPECT_EQ(rowCount(list.window()), 0);
    EXPECT_FALSE(list.filling());
}

// --- the playable patterns ----------------------------------------------------------------------

class FileListPatterns : public FileListTest {
protected:
    void SetUp() override {
        saved = configStore;
        FileListTest::SetUp();
        for (const wchar_t* name : {L"a.mp3", L"b.txt", L"c.md", L"d.wav", L"e.ogg", L"f.flac"})
            makeFile(dir.file(name), 1);
    }
    void TearDown() override {
        FileListTest::TearDown();
        configStore = saved;
    }

    SettingsStore saved;
};

TEST_F(FileListPatterns, MissingKeyGetsTheDefaultRecordedInTheStore) {
    test::TempDir empty;
    configStore.load(empty.file(L"none-config.txt"));
    ParentWindow owner;
    FileList fresh(owner.window(), playablePatterns());
    const auto& entries = configStore.entries();
    const auto found = entries.find(L"Playable");
    ASSERT_NE(found, entries.end());
    EXPECT_EQ(found->second, L"*.mp?;*.wma;*.asf;*.wav;*.og?;*.aac");
    EXPECT_TRUE(configStore.dirty());

    fresh.fill(openFolder(dir.path(), pumpPendingMessages));
    EXPECT_EQ(columnTexts(fresh.window(), 0), (Names{L"a.mp3", L"d.wav", L"e.ogg"}));
}

TEST_F(FileListPatterns, StoredPatternsAreSplitAtSemicolonsAndReadOnlyAtConstruction) {
    configStore.entry(L"Playable") = L"*.txt;;*.md;";
    ParentWindow owner;
    FileList custom(owner.window(), playablePatterns());
    custom.fill(openFolder(dir.path(), pumpPendingMessages));
    EXPECT_EQ(columnTexts(custom.window(), 0), (Names{L"b.txt", L"c.md"}));

    configStore.entry(L"Playable") = L"*.flac";
    custom.fill(openFolder(dir.path(), pumpPendingMessages));
    EXPECT_EQ(columnTexts(custom.window(), 0), (Names{L"b.txt", L"c.md"}));
}

}  // namespace
}  // namespace melodrift
