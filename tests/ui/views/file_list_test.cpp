// The file list on real folders: rows, column orders, shuffle, selection, nested fills.
#include "ui/views/file_list.h"

#include "library/folder.h"
#include "main_window/settings_keys.h"
#include "support/temp_dir.h"
#include "ui/views/list_text.h"
#include "ui/views/control_host.h"

#include <algorithm>

namespace melodrift {
namespace {

using Names = std::vector<std::wstring>;

class FileListTest : public ::testing::Test {
protected:
    // Sized without writing (gigabytes cost nothing), last written at the given local time.
    void makeFile(const wchar_t* name, int64_t size, SYSTEMTIME local = {2000, 1, 0, 1}) {
        FILETIME localTime, utc;
        ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
        ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
        FileHandle file(CreateFileW(dir.file(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(SetFilePointerEx(file.get(), LARGE_INTEGER{.QuadPart = size}, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.get()));
        ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &utc));
    }
    Names rows(int lastColumn = 0) const {  // each row's cells joined by '|'
        Names texts(list.itemCount());
        for (int row = 0; row < list.itemCount(); ++row)
            for (int column = 0; column <= lastColumn; ++column) {
                wchar_t text[64] = L"";
                ListView_GetItemText(list.window(), row, column, text, 64);
                texts[row] += (column ? L"|" : L"") + std::wstring(text);
            }
        return texts;
    }
    void clickColumn(int column) {
        list.onColumnClick({{list.window(), FileList::kControlId, LVN_COLUMNCLICK}, -1, column});
    }
    void fillFrom(const std::wstring& path) { list.fill(openFolder(path, pumpPendingMessages)); }

    test::TempDir dir;
    test::ControlHost host;
    FileList list{host.window(), playablePatterns()};
};

// Named and sized so that name order is none of the other orders, nor size order that of the texts.
TEST_F(FileListTest, RowsShowEachPlayableFileAndEveryColumnSortsBothWays) {
    makeFile(L"b.mp3", 1002003, {2009, 3, 0, 7, 5, 4, 9});
    makeFile(L"C.wav", 4294967296, {1999, 12, 0, 31, 23, 59, 58});
    makeFile(L"A.ogg", 999, {2024, 1, 0, 2});
    makeFile(L"d.aac", 4294967295, {2030, 6, 0, 30, 18, 1, 2});
    makeFile(L"e.wma", 0, {2015, 10, 0, 11, 12, 13, 14});
    makeFile(L"notes.txt", 10);
    fillFrom(dir.path());
    EXPECT_EQ(rows(3), (Names{L"A.ogg|999|ogg|2024/01/02 00:00:00", L"b.mp3|1,002,003|mp3|2009/03/07 05:04:09",
                           L"C.wav|>4GB|wav|1999/12/31 23:59:58", L"d.aac|4,294,967,295|aac|2030/06/30 18:01:02",
                           L"e.wma|0|wma|2015/10/11 12:13:14"}));
    EXPECT_EQ(formatLocalTime(FILETIME{0, 0x80000000u}), L"") << "beyond the calendar";
    // The same column turns round, another keeps the direction, a new fill (-1) keeps the order.
    const std::pair<int, std::wstring> steps[] = {
        {0, L"edCbA"},
        {1, L"CdbAe"},
        {2, L"eCAbd"},
        {3, L"dAebC"},
        {3, L"CbeAd"},
        {-1, L"CbeAd"},
    };
    for (const auto& [column, initials] : steps) {
        column < 0 ? fillFrom(dir.path()) : clickColumn(column);
        std::wstring order;
        for (const std::wstring& name : rows()) order += name[0];
        EXPECT_EQ(order, initials) << "after column " << column;
    }
}

TEST_F(FileListTest, SheetTracksKeepWholeNamesAndTheSelectionFallsBackToTheFirstSelectedRow) {
    // Track names have no length limit; the control gives out 268 characters at first.
    test::writeBytes(dir.file(L"live.cue"),
        "PERFORMER \"Band\"\r\nFILE \"tone.wav\" WAVE\r\nTRACK 01 AUDIO\r\n"
        "TITLE \"Intro\"\r\nINDEX 01 00:00:00\r\nTRACK 02 AUDIO\r\nTITLE \"" +
            std::string(300, 'x') + "\"\r\nINDEX 01 01:00:00\r\n");
    const std::wstring longName = L"02 " + std::wstring(300, L'x') + L" - Band";
    fillFrom(dir.file(L"live.cue"));
    EXPECT_EQ((Names{rows(3)[0], list.itemText(1), list.itemText(2), list.itemText(-1)}),
        (Names{L"01 Intro - Band||cue|", longName, L"", L""}));
    EXPECT_EQ(list.currentIndex(), -1);
    EXPECT_TRUE(list.selectName(longName));
    EXPECT_EQ(list.currentIndex(), 1);
    EXPECT_FALSE(list.selectName(longName.substr(0, 268)));
    ListView_SetItemState(list.window(), 1, 0, LVIS_SELECTED);  // without a selected mark the first selected row
    ListView_SetItemState(list.window(), 0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.currentIndex(), 0);
}

TEST_F(FileListTest, RandomOrderIsANewPermutationEachTimeAndTheSelectionIsScrolledTo) {
    Names byName, last;
    for (wchar_t name[] = L"a.mp3"; name[0] <= L'z'; ++name[0]) makeFile(byName.emplace_back(name).c_str(), name[0]);
    list.setRandomOrder(true);
    list.sortRows();  // nothing to shuffle yet
    const std::pair<const char*, std::function<void()>> reorders[] = {
        {"a fill", [&] { fillFrom(dir.path()); }},
        {"a shuffle", [&] { list.sortRows(); }},
        {"a column click", [&] { clickColumn(1); }},
    };
    for (const auto& [after, reorder] : reorders) {
        SCOPED_TRACE(after);
        reorder();
        Names now = rows(), sorted = now;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, byName) << "every row once";
        EXPECT_NE(now, byName);
        EXPECT_NE(now, last);
        last = now;
    }
    const std::wstring first = list.itemText(list.drawNextShuffle());  // the next shuffle's first, known before it
    EXPECT_EQ(list.itemText(list.drawNextShuffle()), first) << "drawn once";
    list.sortRows();
    EXPECT_EQ(list.itemText(0), first);
    clickColumn(1);  // leaving random order sorts by the column chosen before it, here size descending
    list.setRandomOrder(false);
    list.sortRows();
    EXPECT_EQ(rows(), Names(byName.rbegin(), byName.rend()));
    MoveWindow(list.window(), 0, 0, 680, 120, TRUE);
    list.selectIndex(25);
    const int top = ListView_GetTopIndex(list.window());
    EXPECT_GT(top, 0);
    EXPECT_GE(top + ListView_GetCountPerPage(list.window()), 25);
}

// Queued before the listing or after its second row; a click orders all the rows.
TEST_F(FileListTest, WhatArrivesInsideAFillLeavesOnlyTheLastOnesRowsInTheOrderAsked) {
    for (const wchar_t* name : {L"1.mp3", L"2.mp3", L"3.mp3", L"4.mp3"}) makeFile(name, 1);
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"sub").c_str(), nullptr));
    for (const wchar_t* name : {L"sub\\z.wav", L"sub\\x.wav", L"sub\\y.wav"}) makeFile(name, 1);
    std::shared_ptr<Folder> current;
    const auto select = [&](bool drop) {
        current = drop ? nullptr : openFolder(dir.file(L"sub"), pumpPendingMessages);
        drop ? list.stopFilling() : list.fill(current);
    };
    const Names sub{L"x.wav", L"y.wav", L"z.wav"};
    const struct {
        const char* what;
        bool midway;
        std::function<void()> action;
        Names rows;
        int inserted;
    } cases[] = {
        {"a selection queued before", false, [&] { select(false); }, sub, 3},
        {"a selection after two rows", true, [&] { select(false); }, sub, 2 + 3},
        {"the folder dropped", false, [&] { select(true); }, {}, 0},
        {"a shuffle drawn after two rows", true, [&] { list.drawNextShuffle(); },
            {L"1.mp3", L"2.mp3", L"3.mp3", L"4.mp3"}, 4},
        {"a click after two rows", true, [&] { clickColumn(0); }, {L"4.mp3", L"3.mp3", L"2.mp3", L"1.mp3"}, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        current = openFolder(dir.path(), pumpPendingMessages);
        int inserted = 0;
        host.onMessage[WM_NOTIFY] = [&](WPARAM, LPARAM header) {
            if (reinterpret_cast<NMHDR*>(header)->code == LVN_INSERTITEM && ++inserted == 2 && c.midway)
                host.postAtNextDrain(c.action);
            return LRESULT{0};
        };
        if (!c.midway) host.postAtNextDrain(c.action);
        list.fill(current);
        EXPECT_EQ(rows(), c.rows);
        EXPECT_FALSE(list.filling());
        EXPECT_EQ(inserted, c.inserted) << "nothing added afterwards";
    }
}

}  // namespace
}  // namespace melodrift
