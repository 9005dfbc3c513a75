// The file list on real folders: what its rows show, the column orders, the shuffle,
// selection, fills started inside fills and the playable patterns it reads.
#include "ui/views/file_list.h"

#include "base/unique_handle.h"
#include "library/folder.h"
#include "main_window/settings_keys.h"
#include "settings/settings_files.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "ui/views/list_text.h"
#include "views/control_host.h"

#include <algorithm>
#include <set>
#include <string>

namespace melodrift {
namespace {

using Names = std::vector<std::wstring>;

// An empty file of the given size (never written, so gigabytes cost nothing), last
// written at the given local wall-clock time.
void makeFile(const std::wstring& path, int64_t size, SYSTEMTIME local = {2000, 1, 0, 1}) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    FILETIME localTime, utc;
    LARGE_INTEGER end;
    end.QuadPart = size;
    ASSERT_TRUE(file && SystemTimeToFileTime(&local, &localTime) && LocalFileTimeToFileTime(&localTime, &utc));
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()) &&
                SetFileTime(file.get(), nullptr, nullptr, &utc));
}

class FileListTest : public ::testing::Test {
protected:
    // The cells of each row from column 0 to `last`, joined by '|'.
    Names rows(int last = 0) const {
        Names texts(list.itemCount());
        for (int row = 0; row < list.itemCount(); ++row)
            for (int column = 0; column <= last; ++column) {
                wchar_t text[64] = L"";
                ListView_GetItemText(list.window(), row, column, text, 64);
                texts[row] += (column ? L"|" : L"") + std::wstring(text);
            }
        return texts;
    }
    void clickColumn(int column) {
        NMLISTVIEW click{{list.window(), FileList::kControlId, LVN_COLUMNCLICK}, -1, column};
        list.onColumnClick(click);
    }
    void fillFrom(const std::wstring& path, FileList& into) { into.fill(openFolder(path, pumpPendingMessages)); }
    void fillFrom(const std::wstring& path) { fillFrom(path, list); }

    test::TempDir dir;
    test::ControlHost host;
    FileList list{host.window(), playablePatterns()};
};

// Named and sized so that name order is none of the other orders, nor size order that
// of the texts; one file is not playable.
TEST_F(FileListTest, RowsShowEachPlayableFileAndEveryColumnSortsBothWays) {
    makeFile(dir.file(L"b.mp3"), 1002003, {2009, 3, 0, 7, 5, 4, 9});
    makeFile(dir.file(L"C.wav"), 4294967296, {1999, 12, 0, 31, 23, 59, 58});
    makeFile(dir.file(L"A.ogg"), 999, {2024, 1, 0, 2});
    makeFile(dir.file(L"d.aac"), 4294967295, {2030, 6, 0, 30, 18, 1, 2});
    makeFile(dir.file(L"e.wma"), 0, {2015, 10, 0, 11, 12, 13, 14});
    makeFile(dir.file(L"notes.txt"), 10);
    fillFrom(dir.path());
    EXPECT_EQ(rows(3), (Names{L"A.ogg|999|ogg|2024/01/02 00:00:00", L"b.mp3|1,002,003|mp3|2009/03/07 05:04:09",
                              L"C.wav|>4GB|wav|1999/12/31 23:59:58", L"d.aac|4,294,967,295|aac|2030/06/30 18:01:02",
                              L"e.wma|0|wma|2015/10/11 12:13:14"}));
    EXPECT_FALSE(list.filling());
    EXPECT_EQ(formatLocalTime(FILETIME{0, 0x80000000u}), L"") << "beyond the calendar";
    // Cumulative: the same column turns round, another keeps the direction, and a new
    // fill (-1) keeps the order. The rows are named by their first letters.
    const std::pair<int, std::wstring> steps[] = {{0, L"edCbA"}, {0, L"AbCde"}, {1, L"eAbdC"}, {1, L"CdbAe"},
                                                  {2, L"eCAbd"}, {3, L"dAebC"}, {3, L"CbeAd"}, {-1, L"CbeAd"}};
    for (const auto& [column, initials] : steps) {
        column < 0 ? fillFrom(dir.path()) : clickColumn(column);
        std::wstring order;
        for (const std::wstring& name : rows()) order += name[0];
        EXPECT_EQ(order, initials) << "after column " << column;
    }
    int widths[4] = {200, 50, 61, 77}, out[4] = {};
    list.setColumnWidths(widths);
    list.columnWidths(out);
    EXPECT_TRUE(std::equal(widths, widths + 4, out));
}

TEST_F(FileListTest, SheetTracksWholeNamesSelectionAndEmptyFolders) {
    // Track names have no length limit; the control gives out 268 characters at first.
    std::string sheet = "PERFORMER \"Band\"\r\nFILE \"tone.wav\" WAVE\r\n", x(300, 'x');
    const std::string titles[] = {"Intro", x + "B", x + "A"};
    for (int i = 0; i < 3; ++i)
        sheet += "  TRACK 0" + std::to_string(i + 1) + " AUDIO\r\n    TITLE \"" + titles[i] + "\"\r\n    INDEX 01 0" +
                 std::to_string(i) + ":00:00\r\n";
    test::writeBytes(dir.file(L"live.cue"), sheet);
    const std::wstring longName = L"03 " + std::wstring(300, L'x') + L"A - Band";
    fillFrom(dir.file(L"live.cue"));
    EXPECT_EQ(rows(3)[0], L"01 Intro - Band||cue|") << "no size, no time";
    EXPECT_EQ(list.itemText(2), longName);
    EXPECT_EQ(list.itemText(3) + list.itemText(-1), L"");
    EXPECT_EQ(list.currentIndex(), -1);
    EXPECT_TRUE(list.selectName(longName));
    EXPECT_EQ(list.currentIndex(), 2);
    EXPECT_FALSE(list.selectName(longName.substr(0, 268)));
    EXPECT_TRUE(list.selectName(L"01 INTRO - band"));
    list.selectIndex(-1);
    EXPECT_EQ(list.currentIndex(), 0);
    // Without a selected mark the first selected row counts.
    ListView_SetItemState(list.window(), 0, 0, LVIS_SELECTED);
    EXPECT_EQ(list.currentIndex(), -1);
    ListView_SetItemState(list.window(), 1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.currentIndex(), 1);
    fillFrom(dir.file(L"gone"));
    EXPECT_EQ(list.itemCount(), 0);
}

TEST_F(FileListTest, RandomOrderIsANewPermutationEachTimeAndScrollsToTheSelection) {
    Names byName, last;
    for (wchar_t c = L'a'; c <= L'z'; ++c) makeFile(dir.file(byName.emplace_back(1, c) += L".mp3"), c - L'a');
    list.setRandomOrder(true);
    list.sortRows();  // nothing to shuffle yet
    const auto expectNewShuffle = [&](const char* after) {
        Names now = rows(), sorted = now;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, byName) << after << ": every row once";
        EXPECT_NE(now, byName) << after;
        EXPECT_NE(now, last) << after;
        last = now;
    };
    fillFrom(dir.path());
    expectNewShuffle("a fill");
    list.sortRows();
    expectNewShuffle("a shuffle");
    clickColumn(1);
    expectNewShuffle("a column click");
    // Leaving random order sorts by the column chosen before it, here size descending.
    clickColumn(1);
    list.setRandomOrder(false);
    list.sortRows();
    EXPECT_EQ(rows(), Names(byName.rbegin(), byName.rend()));
    MoveWindow(list.window(), 0, 0, 680, 120, TRUE);
    list.selectIndex(25);
    EXPECT_GT(ListView_GetTopIndex(list.window()), 0);
    EXPECT_LE(25, ListView_GetTopIndex(list.window()) + ListView_GetCountPerPage(list.window()));
}

TEST(FileListShuffle, TheGeneratorRepeatsItsSequenceForTheSameSeedOnly) {
    XorShift seeds[3] = {{1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 5}};
    std::vector<uint32_t> runs[3];
    for (int i = 0; i < 3000; ++i) runs[i % 3].push_back(seeds[i % 3].next());
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_NE(runs[0], runs[2]);
    EXPECT_EQ(std::set<uint32_t>(runs[0].begin(), runs[0].end()).size(), 1000u) << "no short cycle";
}

// A selection that arrives while a folder is listed (queued before the listing, or
// after its second row), or the folder dropped: only what came last stays.
TEST_F(FileListTest, AFillStartedOrStoppedInsideAFillLeavesOnlyTheLastOnesRows) {
    test::TempDir second;
    for (const wchar_t* name : {L"1.mp3", L"2.mp3", L"3.mp3", L"4.mp3"}) makeFile(dir.file(name), 1);
    for (const wchar_t* name : {L"z.wav", L"x.wav", L"y.wav"}) makeFile(second.file(name), 1);
    const Names secondRows{L"x.wav", L"y.wav", L"z.wav"};
    for (const auto& [midway, drop] : {std::pair{false, false}, {true, false}, {false, true}}) {
        SCOPED_TRACE(testing::Message() << "midway " << midway << ", drop " << drop);
        std::shared_ptr<Folder> current = openFolder(dir.path(), pumpPendingMessages);
        const auto select = [&, drop = drop] {
            current = drop ? nullptr : openFolder(second.path(), pumpPendingMessages);
            drop ? list.stopFilling() : list.fill(current);
        };
        int inserted = 0;
        host.onNotify = [&, midway = midway](NMHDR* header) {
            if (header->code == LVN_INSERTITEM && ++inserted == 2 && midway) host.postAtNextDrain(select);
            return LRESULT{0};
        };
        if (!midway) host.postAtNextDrain(select);
        list.fill(current);
        EXPECT_EQ(rows(), drop ? Names{} : secondRows);
        EXPECT_FALSE(list.filling());
        EXPECT_EQ(inserted, drop ? 0 : midway ? 2 + 3 : 3) << "nothing added after the second listing";
        host.onNotify = nullptr;
    }
}

TEST_F(FileListTest, PlayablePatternsAreReadFromTheSettingsWhenTheListIsMade) {
    const SettingsStore saved = configStore;
    for (const wchar_t* name : {L"a.mp3", L"b.txt", L"c.md", L"d.flac"}) makeFile(dir.file(name), 1);
    configStore.entry(L"Playable") = L"*.txt;;*.md;";
    FileList custom(host.window(), playablePatterns());
    configStore.entry(L"Playable") = L"*.flac";
    fillFrom(dir.path(), custom);
    EXPECT_EQ(custom.itemText(0) + L"," + custom.itemText(1) + L"," + custom.itemText(2), L"b.txt,c.md,");
    configStore = saved;
}

}  // namespace
}  // namespace melodrift
