// The settings store against real files: what load accepts, what save writes, when it rewrites.
#include "base/unique_handle.h"
#include "settings/settings_store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>

namespace melodrift {
namespace {

using test::utf16le;
using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

// Each file is loaded, changed and saved. Without a change the file stays as it was, bytes and times.
TEST(SettingsStore, LoadSplitsLinesAtTheFirstEqualsAndSaveRewritesSortedOnlyAfterAChange) {
    const Entries three{{L"Random", L"1"}, {L"Repeat", L"2"}, {L"Volume", L"-5000"}};
    const struct {
        std::string before;  // "-": no file
        Entries loaded;
        std::function<void(SettingsStore&)> change;
        const wchar_t* saved;
    } rows[] = {
        {utf16le(L"a=b=c\r\n a = b\r\n=x\r\nabc\r\n\tTab\t=\t\r\n"),
            {{L"", L"x"}, {L"\tTab\t", L"\t"}, {L" a ", L" b"}, {L"a", L"b=c"}}},
        {utf16le(L"Random=1\rRepeat=2\rVolume=-5000\r"), three},
        {utf16le(L"Random=1\r\n\r\n\nRepeat=2\n\rVolume=-5000", false), three},
        {utf16le(L"\xFEFFkey=v\r\n"), {{L"\xFEFFkey", L"v"}}},  // a second mark belongs to the key
        {utf16le(L"Volume=12") + "3", {{L"Volume", L"12"}}},
        {utf16le(L"Volume=-42\r\n") + std::string(100000000 - 26, '\0'), {}},  // too large to read
        // Other encodings an editor saves in, kept as they are until something changes.
        {"\xEF\xBB\xBF"
         "Favorite[00]=C:\\\xE9\x9F\xB3\xE6\xA5\xBD\r\nVolume=-5\r\n",  // UTF-8
            {{L"Favorite[00]", L"C:\\音楽"}, {L"Volume", L"-5"}}},
        {"Favorite[00]=C:\\\x89\xB9\x8A\x79\n", {{L"Favorite[00]", L"C:\\音楽"}}},  // the ANSI code page
        {"\xFE\xFF" + std::string("\0V\0=\0-\0"
                                  "5\0\r",
                          10),
            {{L"V", L"-5"}}},  // big-endian
        {"Unknown=1\nVolume=-5\n", {{L"Unknown", L"1"}, {L"Volume", L"-5"}},
            [](SettingsStore& s) { s.setInt(L"Random", 0); }, L"Random=0\r\nUnknown=1\r\nVolume=-5\r\n"},
        {utf16le(L"Repeat=1\r\nRepeat=2\r\n", false), {{L"Repeat", L"2"}},
            [](SettingsStore& s) { s.setInt(L"Random", 0); }, L"Random=0\r\nRepeat=2\r\n"},
        {utf16le(L"Hidden=cd\nVolume=x\n"), {{L"Hidden", L"cd"}, {L"Volume", L"x"}},
            [](SettingsStore& s) { s.getInt(L"Volume", 5); }},  // a read, even of no number, changes nothing
        {utf16le(L"Hidden=cd\n"), {{L"Hidden", L"cd"}}, [](SettingsStore& s) { s.entry(L"LastFolder") = L"C:\\"; },
            L"Hidden=cd\r\nLastFolder=C:\\\r\n"},
        {utf16le(L"a=12abc\r\nb=abc\r\nc=\r\n"), {{L"a", L"12abc"}, {L"b", L"abc"}, {L"c", L""}},
            [](SettingsStore& s) {
                EXPECT_EQ(
                    std::to_wstring(s.getInt(L"a", 9)) + std::to_wstring(s.getInt(L"b", 9)) + s.getString(L"c", L"d"),
                    L"120");
                s.setInt(L"a", INT_MIN);
                s.setInt(L"b", INT_MAX);
                EXPECT_EQ(s.getInt(L"a", 0), INT_MIN);
            },
            L"a=-2147483648\r\nb=2147483647\r\nc=\r\n"},
        {"-", {},
            [](SettingsStore& s) {  // sorted by unsigned code units; reads of missing keys insert their defaults
                for (const wchar_t* key : {L"volume", L"Volume", L"Vol", L"\xFF21", L"\x00E9", L"a", L"Z"})
                    s.setInt(key, 1);
                EXPECT_EQ(s.getInt(L"Splitter", -1), -1);
                s.getString(L"Missing", nullptr);
                s.entry(L"LastFile") = L"曲 = 1.mp3\r\nVolume=0";  // a line break would make an entry of its own
            },
            L"LastFile=曲 = "
            L"1.mp3\r\nMissing=\r\nSplitter=-1\r\nVol=1\r\nVolume=1\r\nZ=1\r\na=1\r\nvolume=1\r\n\x00E9=1\r\n"
            L"\xFF21=1\r\n"},
    };
    for (const auto& row : rows) {
        test::TempDir dir;
        const std::wstring path = dir.file(L"player-config.txt");
        if (row.before != "-") {
            test::writeBytes(path, row.before);
            test::ageFile(path);
        }
        const test::TreeSnapshot unchanged = test::snapshotTree(dir.path());
        SettingsStore store;
        store.load(path);
        EXPECT_EQ(Entries(store.entries().begin(), store.entries().end()), row.loaded) << row.before.size();
        if (row.change) row.change(store);
        EXPECT_EQ(store.dirty(), row.saved != nullptr);
        ASSERT_TRUE(store.save());
        if (row.saved)
            EXPECT_EQ(test::readBytes(path), utf16le(row.saved)) << row.before.size();
        else
            EXPECT_EQ(test::snapshotTree(dir.path()), unchanged) << row.before.size();
        // Saved, the file holds every change: a second save leaves it alone.
        EXPECT_FALSE(store.dirty());
        test::ageFile(path);
        const test::TreeSnapshot saved = test::snapshotTree(dir.path());
        ASSERT_TRUE(store.save());
        EXPECT_EQ(test::snapshotTree(dir.path()), saved) << row.before.size();
    }
}

// A save that cannot complete fails and leaves the folder as it was; with room again it saves whole.
TEST(SettingsStore, ASaveThatCannotCompleteKeepsTheOldFileAndLeavesNoScraps) {
    test::TempDir dir;
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"folder.txt").c_str(), nullptr));
    const std::wstring tinyFs = test::environmentVariable(L"MELODRIFT_TINY_FS");
    const bool full =
        !tinyFs.empty() && GetFileAttributesW((tinyFs + L"\\.tiny-fs").c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::wstring filler = tinyFs + L"\\filler", onTiny = tinyFs + L"\\melodrift-state.txt";
    for (const std::wstring& path : {dir.file(L"gone\\a.txt"), dir.file(L"folder.txt"), dir.file(L"big.txt"), onTiny}) {
        if (path == onTiny && !full) continue;
        SettingsStore store;
        store.load(path);
        store.setInt(L"Volume", -300);
        const std::wstring& volume = store.getString(L"Volume", nullptr);  // stays valid as entries are added
        const bool existing = store.save();
        if (path == onTiny) {  // writes until the file system refuses
            FileHandle file(CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            const std::string block(512, 'x');
            for (DWORD written = 1; written > 0 && WriteFile(file.get(), block.data(), 512, &written, nullptr);) {
            }
            for (int i = 0; i < 400; ++i) store.setInt(L"Key" + std::to_wstring(i), i);  // far more than is free
        }
        store.entry(L"k").assign(path == dir.file(L"big.txt") ? 100000000 / 2 - 18 : 0, L'x');  // mark, 2 lines: 10^8
        store.markDirty();
        const std::wstring folder = path == onTiny ? tinyFs : dir.path();
        const test::TreeSnapshot before = test::snapshotTree(folder);
        EXPECT_FALSE(store.save());
        EXPECT_EQ(test::snapshotTree(folder), before);
        SettingsStore reread;
        reread.load(path);
        EXPECT_EQ(reread.getString(L"Volume", L"") + L"|" + volume, existing ? L"-300|-300" : L"|-300");
        if (!store.entry(L"k").empty()) store.entry(L"k").pop_back();
        if (path == onTiny) DeleteFileW(filler.c_str());
        EXPECT_EQ(store.save(), existing) << "one byte less, or with room again";
        reread.load(path);
        if (existing) {
            EXPECT_EQ(reread.entries(), store.entries());
        }
        if (path == onTiny) DeleteFileW(onTiny.c_str());
    }
    // A file there but not readable at the start (another program held it) is not written over.
    const std::wstring held = dir.file(L"held.txt"), favourite = L"Favorite[00]=C:\\音楽\r\n";
    test::writeBytes(held, utf16le(favourite));
    SettingsStore store;
    {
        const FileHandle holder(CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        store.load(held);
    }
    store.setInt(L"Volume", 0);
    EXPECT_FALSE(store.save());
    EXPECT_EQ(test::readBytes(held), utf16le(favourite));
}

}  // namespace
}  // namespace melodrift
