// Archives through the real 7-Zip engine.
#include "archive/archive_fixtures.h"
#include "archive/archive.h"
#include "archive/archive_names.h"
#include "library/folder_zip.h"
#include "base/unique_handle.h"
#include "support/temp_dir.h"

#include <atomic>
#include <thread>

namespace melodrift {
namespace {

using namespace test;
using Names = std::vector<std::wstring>;

const Names kMusic{L"B.wav", L"disc1\\01.mp3", L"disc2\\01.mp3", L"notes.txt", L"tone440.wav"};
const std::wstring kOddName = L"line\uFFFD\uFFFDFileList.Column[0]=1.wav";

Names listNames(Folder& folder, const Names& patterns) {
    Names names;
    for (FolderItem item; folder.nextItem(patterns, item, /*keepGoing=*/true);) names.push_back(item.name);
    return names;
}

using Archives = ArchiveTest;

TEST_F(Archives, ListTheirFileEntriesByTheConfiguredPatternsOrStayPlainFiles) {
    const std::tuple<const char*, const wchar_t*, Settings, Names, bool> listings[] = {
        {"7z", L"music.7z", {}, kMusic, true},
        {"zip", L"music.zip", {}, kMusic, true},
        {"tar", L"music.tar", {}, kMusic, true},
        {"an extension no format claims", L"music.cbz", {}, {}, false},
        {"a format switched off", L"music.zip", {{L"Archive[zip]", L""}}, {}, false},
        {"a 7z named .zip, which no 7z pattern claims", L"really7z.zip", {}, {}, true},
        {"a 7z named .zip, 7z tried after zip fails", L"really7z.zip", {{L"Archive[7z]", L"*.7z;*.zip"}}, kMusic, true},
        {"only the exact word means the extensions", L"MUSIC.ZIP", {{L"Archive[zip]", L"default"}}, {}, false},
        {"patterns are of file names", L"music.cbz", {{L"Archive[zip]", L"*.zip;music.*"}}, kMusic, true},
        {"a name twice", L"duplicates.zip", {}, {L"dup.wav"}, true},
        {"cut short: the 7z index is at the end", L"truncated.7z", {}, {}, true},
        {"encrypted names", L"password.7z", {}, {}, true},
        {"encrypted data", L"password.zip", {}, {L"tone440.wav"}, true},
        {"control characters shown as such", L"odd_names.zip", {}, {kOddName}, true},
    };
    for (const auto& [label, name, settings, items, isFolder] : listings) {
        SCOPED_TRACE(label);
        restartEngineWith(settings);
        const auto folder = openFolder(archiveFixture(name), nullptr);
        ASSERT_EQ(dynamic_cast<FolderZip*>(folder.get()) != nullptr, isFolder);
        if (!folder) continue;
        EXPECT_EQ(folder->path(), archiveFixture(name));
        EXPECT_EQ(listNames(*folder, {L"*"}), items);
    }
}

// An entry's details, as the list shows them: its type, its size and the time make_archives.py stamps.
TEST_F(Archives, ListAnEntryWithItsTypeSizeAndTime) {
    const uint64_t size = readBytes(audioFixture(L"tone880_4s.mp3")).size();
    FolderItem item;
    FILETIME stamped{};
    const SYSTEMTIME utc{2021, 3, 0, 4, 5, 6, 7, 0};
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &stamped));
    ASSERT_TRUE(FolderZip(archiveFixture(L"music.7z")).nextItem({L"disc2\\*"}, item, true));
    EXPECT_EQ(std::tuple(item.name, item.type, item.size, CompareFileTime(&item.modified, &stamped)),
        std::tuple(std::wstring(L"disc2\\01.mp3"), std::wstring(L"mp3"), size, 0));
}

TEST_F(Archives, FirstLoadWritesEachFormatsKeyWithItsDefault) {
    ASSERT_TRUE(ensureEngineLoaded());
    for (const ArchiveFormat& format : formatTable())
        EXPECT_EQ(configStore.entries().at(L"Archive[" + format.name + L"]"), L"DEFAULT") << format.name;
}

TEST_F(Archives, AreKnownByTheEnginesExtensionsInAnyCase) {
    for (const auto& [name, archive] : {
             std::pair{L"C:\\a.tar.gz", true},
             {L"C:\\A.7Z", true},
             {L"C:\\zip", false},
             {L"C:\\a.cue", false},
         })
        EXPECT_EQ(isArchiveName(name), archive) << name;
}

TEST_F(Archives, GiveAnEntrysOriginalBytesOrNothing) {
    const std::string wav = readBytes(audioFixture(L"tone440_3s.wav"));
    const std::string mp3 = readBytes(audioFixture(L"tone880_4s.mp3"));
    std::map<std::wstring, Archive> opened;  // one archive serves all its rows
    auto extracted = [&](const std::wstring& name, const std::wstring& entry) {
        const std::vector<uint8_t> bytes = opened.try_emplace(name, archiveFixture(name)).first->second.extract(entry);
        return std::string(bytes.begin(), bytes.end());
    };
    for (const std::wstring name : {L"music.7z", L"music.zip", L"music.tar"}) {
        for (const wchar_t* entry : {L"tone440.wav", L"B.wav"}) EXPECT_EQ(extracted(name, entry), wav) << name << entry;
        for (const wchar_t* entry : {L"disc1\\01.mp3", L"disc2\\01.mp3", L"disc2\\01.mp3"})
            EXPECT_EQ(extracted(name, entry), mp3) << name << entry;
    }
    const std::tuple<std::wstring, std::wstring, std::string> extracts[] = {
        {L"duplicates.zip", L"dup.wav", wav},  // the first of the two
        {L"stated_short.gz", L"tone.wav", wav},
        {L"stated_long.gz", L"tone.wav", wav},  // the data decides the size
        {L"music.7z", L"notes.txt", "not audio\r\n"},
        {L"music.7z", L"missing.wav", {}},
        {L"music.7z", L"TONE440.WAV", {}},
        {L"music.7z", L"disc1/01.mp3", {}},
        {L"music.7z", L"disc1", {}},
        {L"mixed.zip", L"empty.wav", {}},
        {L"password.zip", L"tone440.wav", {}},
        {L"none.zip", L"x", {}},
        {L"odd_names.zip", kOddName, wav},
    };
    for (const auto& [name, entry, bytes] : extracts) EXPECT_EQ(extracted(name, entry), bytes) << name << entry;
    const FileHandle reader(CreateFileW(
        archiveFixture(L"music.7z").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reader) << "an open archive may still be read by others";
}

// As on disk, a sheet's tracks stand in place of the sheet and its image; one that gives no track changes nothing.
TEST_F(Archives, ListSheetsAsTheirTracksInPlaceOfTheirImages) {
    const Names playable{L"*.mp3", L"*.wav", L"*.flac"};
    const Names album{L"01 序曲 - バンド", L"02 ライブ - バンド", L"03 終曲 - 客演"};
    const std::pair<const wchar_t*, Names> rows[] = {
        {L"album.zip", album},  // Shift-JIS, in a folder, naming the WAV that became FLAC
        {L"album.7z", {album[0], album[1], album[2], L"tone440.wav"}},  // UTF-8, at the root
        {L"odd_sheets.zip", {L"a\\album.wav", L"b\\album.wav", L"c\\album.wav", L"d\\album.wav"}},
        {L"mixed.zip", {L"01", L"empty.wav"}},
        {L"discs.7z", {L"01", L"01 (disc2\\album.cue)"}},
    };
    for (const auto& [name, items] : rows) {
        SCOPED_TRACE(name);
        const auto folder = openFolder(archiveFixture(name), nullptr, playable);
        ASSERT_TRUE(folder);
        EXPECT_EQ(listNames(*folder, playable), items);
    }
}

// Runs `action` while a second thread reads and dismisses every box captioned "melodrift"; the boxes' texts.
Names boxTextsDuring(const std::function<void()>& action) {
    std::atomic<bool> done{false};
    Names texts;
    std::thread watcher([&] {
        for (HWND box; !done; Sleep(10)) {
            if (!(box = FindWindowW(L"#32770", L"melodrift"))) continue;
            wchar_t text[256] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 256);
            texts.push_back(text);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            for (int i = 0; i < 3000 && IsWindow(box); ++i) Sleep(10);  // one box counts once
        }
    });
    action();
    done = true;
    watcher.join();
    return texts;
}

TEST_F(Archives, AnEngineThatCannotLoadFailsForGoodAndOnlyAnImpostorIsReported) {
    const std::wstring fake = environmentVariable(L"MELODRIFT_FAKE_7Z");
    if (fake.empty()) GTEST_SKIP() << "MELODRIFT_FAKE_7Z names no impostor DLL";
    TempDir dir;
    ASSERT_TRUE(CopyFileW(fake.c_str(), dir.file(L"planted.dll").c_str(), FALSE));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    // A relative name is looked up beside the program only, never in the current directory.
    const std::tuple<std::wstring, std::wstring, int> rows[] = {
        {fake, previous, 1},
        {L"Z:\\nonexistent\\7z.dll", previous, 0},
        {L"planted.dll", dir.path(), 0},
    };
    for (const auto& [dll, cwd, boxCount] : rows) {
        SCOPED_TRACE(dll);
        restartEngineWith({{L"7zDLL", dll}});
        ASSERT_TRUE(SetCurrentDirectoryW(cwd.c_str()));
        const Names boxes = boxTextsDuring([&] {
            EXPECT_FALSE(ensureEngineLoaded());
            for (int again = 0; again < 2; ++again) EXPECT_FALSE(isArchiveName(L"C:\\a.zip")) << "again " << again;
            configStore.entry(L"7zDLL") = L"7z.dll";
            EXPECT_FALSE(ensureEngineLoaded()) << "the failure is final for the process";
        });
        SetCurrentDirectoryW(previous);
        EXPECT_EQ(boxes, Names(boxCount, L"7z.dll が予期していたものではありません。無視します。"));
        EXPECT_TRUE(formatTable().empty());
        EXPECT_EQ(GetModuleHandleW(fake.c_str()), nullptr) << "the impostor is let go";
    }
}

}  // namespace
}  // namespace melodrift
