// The settings store against real files: what load accepts, what save writes, and when a
// file is rewritten at all.
#include "base/unique_handle.h"
#include "settings/settings_store.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace melodrift {
namespace {

using test::utf16le;
using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

TEST(SettingsStore, LoadSplitsAtTheFirstEqualsSignOnAnyLineEndAndMarksNothingChanged) {
    const Entries three{{L"Random", L"1"}, {L"Repeat", L"2"}, {L"Volume", L"-5000"}};
    const struct {
        const char* name;
        std::string bytes;
        Entries expected;
    } rows[] = {
        {"no trimming", utf16le(L"a=b=c\r\n a = b\r\n=x\r\nabc\r\n\tTab\t=\t\r\n"),
         {{L"", L"x"}, {L"\tTab\t", L"\t"}, {L" a ", L" b"}, {L"a", L"b=c"}}},
        {"CR LF", utf16le(L"Random=1\r\nRepeat=2\r\nVolume=-5000\r\n"), three},
        {"LF, no last end", utf16le(L"Random=1\nRepeat=2\nVolume=-5000"), three},
        {"CR", utf16le(L"Random=1\rRepeat=2\rVolume=-5000\r"), three},
        {"no mark, empty lines", utf16le(L"Random=1\r\n\r\n\nRepeat=2\n\rVolume=-5000", false), three},
        {"second mark is the key's", utf16le(L"\xFEFFkey=v\r\n"), {{L"\xFEFFkey", L"v"}}},
        {"later duplicate wins", utf16le(L"Repeat=1\r\nRepeat=2\r\n"), {{L"Repeat", L"2"}}},
        {"odd last byte dropped", utf16le(L"Volume=12") + "3", {{L"Volume", L"12"}}},
        {"100,000,000 bytes not read", utf16le(L"Volume=-42\r\n"), {}},
    };
    test::TempDir dir;
    for (const auto& row : rows) {
        test::writeBytes(dir.file(L"s.txt"), row.bytes);
        if (row.expected.empty()) {  // grown, quickly, to the size load refuses
            FileHandle file(CreateFileW(dir.file(L"s.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(SetFilePointerEx(file.get(), LARGE_INTEGER{{100000000, 0}}, nullptr, FILE_BEGIN));
            ASSERT_TRUE(SetEndOfFile(file.get()));
        }
        SettingsStore store;
        store.load(dir.file(L"s.txt"));
        EXPECT_EQ(Entries(store.entries().begin(), store.entries().end()), row.expected) << row.name;
        EXPECT_FALSE(store.dirty()) << row.name;
        EXPECT_EQ(store.fileName(), dir.file(L"s.txt"));
    }
}

// What a file holds after a change and save (null: the file stays as it was, bytes and times).
TEST(SettingsStore, SaveWritesSortedCrLfLinesAfterTheMarkOnlyWhenSomethingChanged) {
    const struct {
        const char* name;
        const wchar_t* before;  // null: no file
        std::function<void(SettingsStore&)> change;
        const wchar_t* after;
    } rows[] = {
        {"a missing file, sorted by unsigned code units", nullptr,
         [](SettingsStore& s) {
             for (const wchar_t* key : {L"volume", L"Volume", L"Vol", L"\xFF21", L"\x00E9", L"a", L"Z", L"Volume2"})
                 s.setInt(key, 1);
             EXPECT_EQ(s.getInt(L"Splitter", -1), -1);
             EXPECT_EQ(s.getString(L"LastFile", L"曲 = 1.mp3"), L"曲 = 1.mp3");
             s.entry(L"LastFolder") = L"C:\\音楽";
         },
         L"LastFile=曲 = 1.mp3\r\nLastFolder=C:\\音楽\r\nSplitter=-1\r\nVol=1\r\nVolume=1\r\nVolume2=1\r\nZ=1\r\n"
         L"a=1\r\nvolume=1\r\n\x00E9=1\r\n\xFF21=1\r\n"},
        {"duplicate saved once", L"Repeat=1\r\nRepeat=2\r\n", [](SettingsStore& s) { s.setInt(L"Random", 0); },
         L"Random=0\r\nRepeat=2\r\n"},
        {"reads of present keys and new entries change nothing", L"Hidden=cd\nPlayable=*.mp3\nVolume=x\n",
         [](SettingsStore& s) {
             s.getString(L"Hidden", L"");
             s.getString(L"Playable", L"*.wav");
             s.getInt(L"Volume", 5);
             s.entry(L"Hidden");
             s.entry(L"LastFolder") = L"C:\\";
         },
         nullptr},
        {"the same value still rewrites", L"Volume=-300\r\n", [](SettingsStore& s) { s.setInt(L"Volume", -300); },
         L"Volume=-300\r\n"},
    };
    for (const auto& row : rows) {
        test::TempDir dir;
        const std::wstring path = dir.file(L"player-config.txt");
        test::FileTimes times;
        if (row.before) {
            test::writeBytes(path, utf16le(row.before, false));
            test::ageFile(path);
            times = test::fileTimes(path);
        }
        const std::string bytes = row.before ? test::readBytes(path) : "";
        SettingsStore store;
        store.load(path);
        row.change(store);
        EXPECT_EQ(store.dirty(), row.after != nullptr) << row.name;
        ASSERT_TRUE(store.save()) << row.name;
        EXPECT_EQ(test::readBytes(path), row.after ? utf16le(row.after) : bytes) << row.name;
        EXPECT_TRUE(!row.before || (test::fileTimes(path) == times) == (row.after == nullptr)) << row.name;
        SettingsStore reread;
        reread.load(path);
        EXPECT_TRUE(!row.after || reread.entries() == store.entries()) << row.name;
    }
}

TEST(SettingsStore, NumbersReadLeadingDigitsWriteTheExtremesAndReferencesStayValid) {
    test::TempDir dir;
    test::writeBytes(dir.file(L"s.txt"), utf16le(L"a=12abc\r\nb=abc\r\nc=\r\nd=-5000\r\n"));
    SettingsStore store;
    store.load(dir.file(L"s.txt"));
    const std::pair<const wchar_t*, int> numbers[] = {{L"a", 12}, {L"b", 0}, {L"c", 0}, {L"d", -5000}};
    for (const auto& [key, value] : numbers) EXPECT_EQ(store.getInt(key, 9), value) << key;
    EXPECT_EQ(store.getString(L"c", L"default"), L"");
    EXPECT_FALSE(store.dirty());
    EXPECT_EQ(store.getString(L"Missing", nullptr), L"");
    const std::wstring& first = store.getString(L"Favorite[00]", L"C:\\a");
    store.setInt(L"min", INT_MIN);
    store.setInt(L"max", INT_MAX);
    for (int i = 1; i < 200; ++i) store.setInt(L"k" + std::to_wstring(i), i);
    EXPECT_EQ(first, L"C:\\a");
    EXPECT_EQ(store.getString(L"min", nullptr) + L" " + store.getString(L"max", nullptr), L"-2147483648 2147483647");
    EXPECT_EQ(store.getInt(L"min", 0), INT_MIN);
}

}  // namespace
}  // namespace melodrift
