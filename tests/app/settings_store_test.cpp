// The settings store against real files: what load accepts, what save writes, and
// when a file is rewritten at all.
#include "settings/settings_store.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <vector>

namespace melodrift {
namespace {

using test::TempDir;
using test::utf16le;

using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

Entries entriesOf(const SettingsStore& store) {
    return Entries(store.entries().begin(), store.entries().end());
}

class SettingsFile : public ::testing::Test {
protected:
    SettingsStore loadText(const std::wstring& text, bool withMark = true) {
        test::writeBytes(path, utf16le(text, withMark));
        SettingsStore store;
        store.load(path);
        return store;
    }

    TempDir dir;
    std::wstring path = dir.file(L"player-config.txt");
};

TEST_F(SettingsFile, MissingFileGivesAnEmptyUnchangedStoreThatDefaultsFill) {
    SettingsStore store;
    store.load(path);
    EXPECT_TRUE(store.entries().empty());
    EXPECT_FALSE(store.dirty());
    EXPECT_EQ(store.fileName(), path);

    EXPECT_EQ(store.getInt(L"Volume", 0), 0);
    EXPECT_TRUE(store.dirty());
    ASSERT_TRUE(store.save());
    EXPECT_EQ(test::readBytes(path), utf16le(L"Volume=0\r\n"));
}

TEST_F(SettingsFile, FirstEqualsSignSplitsAndNothingIsTrimmed) {
    SettingsStore store = loadText(L"a=b=c\r\n a = b\r\n=x\r\nabc\r\n\tTab\t=\t\r\n");
    EXPECT_EQ(entriesOf(store), (Entries{{L"", L"x"}, {L"\tTab\t", L"\t"}, {L" a ", L" b"}, {L"a", L"b=c"}}));
    EXPECT_FALSE(store.dirty());
}

TEST_F(SettingsFile, AllLineEndsAndAMissingMarkLoadTheSame) {
    const Entries expected{{L"Random", L"1"}, {L"Repeat", L"2"}, {L"Volume", L"-5000"}};
    EXPECT_EQ(entriesOf(loadText(L"Random=1\r\nRepeat=2\r\nVolume=-5000\r\n")), expected);
    EXPECT_EQ(entriesOf(loadText(L"Random=1\nRepeat=2\nVolume=-5000")), expected);
    EXPECT_EQ(entriesOf(loadText(L"Random=1\rRepeat=2\rVolume=-5000\r")), expected);
    EXPECT_EQ(entriesOf(loadText(L"Random=1\r\n\r\n\nRepeat=2\n\rVolume=-5000", false)), expected);
}

TEST_F(SettingsFile, OnlyOneLeadingMarkIsSkipped) {
    // A second mark belongs to the first key.
    SettingsStore store = loadText(L"\xFEFFkey=v\r\n");
    EXPECT_EQ(entriesOf(store), (Entries{{L"\xFEFFkey", L"v"}}));
}

TEST_F(SettingsFile, LaterDuplicateWinsAndIsSavedOnce) {
    SettingsStore store = loadText(L"Repeat=1\r\nRepeat=2\r\n");
    EXPECT_EQ(store.getInt(L"Repeat", 0), 2);
    store.setInt(L"Random", 0);
    ASSERT_TRUE(store.save());
    EXPECT_EQ(test::readBytes(path), utf16le(L"Random=0\r\nRepeat=2\r\n"));
}

TEST_F(SettingsFile, TrailingOddByteIsDropped) {
    test::writeBytes(path, utf16le(L"Volume=12") + "3");
    SettingsStore store;
    store.load(path);
    EXPECT_EQ(store.getInt(L"Volume", 0), 12);
}

TEST_F(SettingsFile, FileOfOneHundredMillionBytesIsNotRead) {
    test::writeBytes(path, utf16le(L"Volume=-42\r\n"));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size{};
    size.QuadPart = 100000000;
    ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);

    SettingsStore store;
    store.load(path);
    EXPECT_TRUE(store.entries().empty());
    EXPECT_FALSE(store.dirty());
}

TEST_F(SettingsFile, SaveWritesMarkSortedLinesAndCrLfAfterEveryEntry) {
    SettingsStore store;
    store.load(path);
    store.setInt(L"Volume", -1);
    store.setInt(L"Random", 1);
    store.setInt(L"FileList.Column[0]", 200);
    store.getString(L"LastFile", L"曲 = 1.mp3");
    ASSERT_TRUE(store.save());
    EXPECT_EQ(test::readBytes(path),
              utf16le(L"FileList.Column[0]=200\r\nLastFile=曲 = 1.mp3\r\nRandom=1\r\nVolume=-1\r\n"));

    SettingsStore reread;
    reread.load(path);
    EXPECT_EQ(entriesOf(reread), entriesOf(store));
}

TEST_F(SettingsFile, KeysSortByUnsignedCodeUnitsCaseSensitively) {
    SettingsStore store;
    store.load(path);
    for (const wchar_t* key : {L"volume", L"Volume", L"Vol", L"\xFF21", L"\x00E9", L"a", L"Z", L"Volume2"})
        store.setInt(key, 1);
    std::vector<std::wstring> keys;
    for (const auto& entry : store.entries()) keys.push_back(entry.first);
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"Vol", L"Volume", L"Volume2", L"Z", L"a", L"volume", L"\x00E9",
                                               L"\xFF21"}));
}

TEST_F(SettingsFile, UnchangedStoreIsNotRewritten) {
    test::writeBytes(path, utf16le(L"Hidden=cd\r\nPlayable=*.mp3\r\nVolume=x\r\n", false));
    test::ageFile(path);
    const std::string bytes = test::readBytes(path);
    const test::FileTimes times = test::fileTimes(path);

    SettingsStore store;
    store.load(path);
    store.getString(L"Hidden", L"");
    store.getString(L"Playable", L"*.wav");
    store.getInt(L"Volume", 5);
    store.entry(L"Hidden");
    EXPECT_FALSE(store.dirty());
    EXPECT_TRUE(store.save());

    EXPECT_EQ(test::readBytes(path), bytes);
    EXPECT_TRUE(test::fileTimes(path) == times);
}

TEST_F(SettingsFile, SettingTheSameValueStillRewrites) {
    test::writeBytes(path, utf16le(L"Volume=-300\r\n"));
    test::ageFile(path);
    const test::FileTimes times = test::fileTimes(path);

    SettingsStore store;
    store.load(path);
    store.setInt(L"Volume", -300);
    EXPECT_TRUE(store.dirty());
    ASSERT_TRUE(store.save());
    EXPECT_FALSE(test::fileTimes(path) == times);
    EXPECT_EQ(test::readBytes(path), utf16le(L"Volume=-300\r\n"));
}

TEST_F(SettingsFile, EntryInsertsEmptyWithoutMarkingAndMarkDirtyMakesItStick) {
    SettingsStore store;
    store.load(path);
    store.entry(L"LastFolder") = L"C:\\音楽";
    EXPECT_FALSE(store.dirty());
    store.markDirty();
    ASSERT_TRUE(store.save());
    EXPECT_EQ(test::readBytes(path), utf16le(L"LastFolder=C:\\音楽\r\n"));
}

TEST(SettingsValues, GetIntReadsLeadingDigitsAndKeepsExistingEmptyValues) {
    TempDir dir;
    const std::wstring path = dir.file(L"s.txt");
    test::writeBytes(path, utf16le(L"a=12abc\r\nb=abc\r\nc=\r\nd=-5000\r\ne=+7\r\n"));
    SettingsStore store;
    store.load(path);
    EXPECT_EQ(store.getInt(L"a", 9), 12);
    EXPECT_EQ(store.getInt(L"b", 9), 0);
    EXPECT_EQ(store.getInt(L"c", 9), 0);
    EXPECT_EQ(store.getInt(L"d", 9), -5000);
    EXPECT_EQ(store.getString(L"c", L"default"), L"");
    EXPECT_FALSE(store.dirty());

    EXPECT_EQ(store.getInt(L"Splitter", -1), -1);
    EXPECT_EQ(store.getString(L"Splitter", L"?"), L"-1");
    EXPECT_EQ(store.getString(L"Missing", nullptr), L"");
    EXPECT_TRUE(store.dirty());
}

TEST(SettingsValues, SetIntFormatsDecimalIncludingTheExtremes) {
    SettingsStore store;
    store.setInt(L"min", INT_MIN);
    store.setInt(L"max", INT_MAX);
    EXPECT_EQ(store.getString(L"min", nullptr), L"-2147483648");
    EXPECT_EQ(store.getString(L"max", nullptr), L"2147483647");
    EXPECT_EQ(store.getInt(L"min", 0), INT_MIN);
}

TEST(SettingsValues, ReferencesStayValidWhileEntriesAreAdded) {
    SettingsStore store;
    const std::wstring& first = store.getString(L"Favorite[00]", L"C:\\a");
    for (int i = 1; i < 200; ++i) store.setInt(L"k" + std::to_wstring(i), i);
    EXPECT_EQ(first, L"C:\\a");
}

}  // namespace
}  // namespace melodrift
