// Archives through the real 7-Zip engine: which names are archives, what each lists as a
// folder, the bytes its entries give in memory, and what an engine that cannot load shows.
#include "archive/archive_fixtures.h"
#include "archive/archive.h"
#include "archive/archive_engine.h"
#include "archive/archive_names.h"
#include "library/folder_zip.h"
#include "settings/settings_files.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <thread>

namespace melodrift {
namespace {

using namespace test;
using Names = std::vector<std::wstring>;

const Names kMusic{L"B.wav", L"disc1\\01.mp3", L"disc2\\01.mp3", L"notes.txt", L"tone440.wav"};
const Names kPlayable{L"*.mp?", L"*.wma", L"*.asf", L"*.wav", L"*.og?", L"*.aac"};
const Settings kZipOff{{L"Archive[zip]", L""}}, kCbz{{L"Archive[zip]", L"*.zip;*.cbz"}};

Names listNames(Folder& folder, const Names& patterns) {
    Names names;
    FolderItem item;
    const bool keepGoing = true;
    while (folder.nextItem(patterns, item, keepGoing)) names.push_back(item.name);
    return names;
}

using Archives = ArchiveTest;

TEST_F(Archives, FollowTheEngineExtensionsOrTheConfiguredPatterns) {
    const struct { Settings settings; Names archives, plain; } rows[] = {
        {{}, {L"album.zip", L"ALBUM.7Z", L"album.tar.gz", L"app.jar"}, {L"song.mp3", L"album.cue", L"zip", L"a.cbz"}},
        {kZipOff, {L"album.7z"}, {L"album.zip"}},
        {{{L"Archive[zip]", L"*.zip;;*.cbz;x;"}}, {L"issue1.CBZ"}, {L"a.x", L"app.jar"}},  // taken as given
        {{{L"Archive[zip]", L"default"}}, {}, {L"album.zip"}},  // only the exact word means the extensions
        {{{L"Archive[7z]", L"*.zip"}, {L"Archive[zip]", L""}}, {L"album.zip"}, {L"album.7z"}},
    };
    for (const auto& row : rows) {
        restartEngineWith(row.settings);
        for (const auto& name : row.archives) EXPECT_TRUE(isArchiveName(L"C:\\music\\" + name)) << name;
        for (const auto& name : row.plain) EXPECT_FALSE(isArchiveName(L"C:\\music\\" + name)) << name;
    }
    // The first load writes each format's key with its default for the user to edit.
    restartEngineWith();
    ASSERT_TRUE(ensureEngineLoaded());
    const auto& entries = configStore.entries();
    EXPECT_EQ(entries.count(L"7zDLL") ? entries.at(L"7zDLL") : L"", L"7z.dll");
    for (const ArchiveFormat& format : formatTable()) {
        const auto key = entries.find(L"Archive[" + format.name + L"]");
        EXPECT_TRUE(key != entries.end() && key->second == L"DEFAULT") << format.name;
    }
    EXPECT_TRUE(configStore.dirty());
}

BOOL CALLBACK collectText(HWND child, LPARAM texts) {
    wchar_t text[256] = {};
    if (GetWindowTextW(child, text, 256)) reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(text);
    return TRUE;
}

// Runs `action` while a second thread dismisses every box captioned "melodrift" (a box blocks
// the thread that shows it); gives how many came up, and keeps their texts.
int boxesDuring(const std::function<void()>& action, std::vector<std::wstring>& texts) {
    std::atomic<bool> done{false};
    int boxes = 0;
    std::thread watcher([&] {
        while (!done) {
            HWND box = FindWindowW(L"#32770", L"melodrift");
            if (!box) {
                Sleep(10);
                continue;
            }
            ++boxes;
            EnumChildWindows(box, collectText, reinterpret_cast<LPARAM>(&texts));
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            for (int i = 0; i < 3000 && IsWindow(box); ++i) Sleep(10);  // one box counts once
        }
    });
    action();
    done = true;
    watcher.join();
    return boxes;
}

TEST_F(Archives, AnImpostorEngineIsReportedOnceAMissingOneIsSilentAndBothAreFinal) {
    const std::wstring fake = environmentVariable(L"MELODRIFT_FAKE_7Z");
    if (fake.empty()) GTEST_SKIP() << "MELODRIFT_FAKE_7Z names no impostor DLL";
    TempDir dir;
    ASSERT_TRUE(CopyFileW(fake.c_str(), dir.file(L"planted.dll").c_str(), FALSE));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    // A relative name is looked up beside the program only, never in the current directory.
    const struct { std::wstring dll, cwd; int boxes; } rows[] = {
        {fake, previous, 1}, {L"Z:\\nonexistent\\7z.dll", previous, 0}, {L"planted.dll", dir.path(), 0}};
    for (const auto& row : rows) {
        restartEngineWith({{L"7zDLL", row.dll}});
        ASSERT_TRUE(SetCurrentDirectoryW(row.cwd.c_str()));
        std::vector<std::wstring> texts;
        EXPECT_EQ(boxesDuring([&] {
            EXPECT_FALSE(ensureEngineLoaded());
            for (int i = 0; i < 3; ++i) EXPECT_FALSE(isArchiveName(L"C:\\music\\album.zip"));
            configStore.entry(L"7zDLL") = L"7z.dll";
            EXPECT_FALSE(ensureEngineLoaded()) << "the failure is final for the process";
        }, texts), row.boxes) << row.dll;
        SetCurrentDirectoryW(previous);
        EXPECT_EQ(std::count(texts.begin(), texts.end(), L"7z.dll が予期していたものではありません。無視します。"), row.boxes);
        EXPECT_TRUE(formatTable().empty());
        EXPECT_EQ(GetModuleHandleW(fake.c_str()), nullptr) << "the impostor is let go";
    }
    restartEngineWith();
    EXPECT_TRUE(ensureEngineLoaded()) << "the default name finds the engine beside the program";
}

// Each archive as the user meets it: a folder of its file entries, or a plain file.
TEST_F(Archives, ListTheFileEntriesOrStayPlainFiles) {
    const struct { const wchar_t* name; Settings settings; Names items; bool folder; } rows[] = {
        {L"music.7z", {}, kMusic, true}, {L"music.zip", {}, kMusic, true}, {L"music.tar", {}, kMusic, true},
        {L"music.cbz", kCbz, kMusic, true}, {L"music.cbz", {}, {}, false}, {L"music.zip", kZipOff, {}, false},
        {L"really7z.zip", {}, {}, true},  // no format that reads 7z claims a .zip name
        {L"really7z.zip", {{L"Archive[7z]", L"*.7z;*.zip"}}, kMusic, true},  // zip fails, 7z follows
        {L"dirs_only.7z", {}, {}, true}, {L"duplicates.zip", {}, {L"dup.wav"}, true},
        {L"mixed.zip", {}, {L"album.cue", L"empty.wav", L"inner.zip", L"tone440.wav"}, true},
        {L"truncated.7z", {}, {}, true},  // the 7z index is at the end
        {L"password.7z", {}, {}, true}, {L"password.zip", {}, {L"tone440.wav"}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        restartEngineWith(row.settings);
        const auto folder = openFolder(archiveFixture(row.name), nullptr);
        ASSERT_EQ(folder && dynamic_cast<FolderZip*>(folder.get()), row.folder);
        if (folder) {
            EXPECT_EQ(folder->path(), archiveFixture(row.name));
            EXPECT_EQ(listNames(*folder, {L"*"}), row.items);
        }
    }
    TempDir dir;
    writeBytes(dir.file(L"garbage.zip"), std::string(4096, 'x'));
    for (const wchar_t* name : {L"none.zip", L"garbage.zip"}) {
        Archive archive(dir.file(name));
        EXPECT_FALSE(archive.isOpen() || !archive.items().empty() || !archive.extract(L"x").empty()) << name;
    }
}

TEST_F(Archives, ListingFollowsThePatternsAndEndsUntilRewound) {
    FolderZip folder(archiveFixture(L"music.7z"));
    EXPECT_EQ(listNames(folder, kPlayable), (Names{L"B.wav", L"disc1\\01.mp3", L"disc2\\01.mp3", L"tone440.wav"}));
    EXPECT_TRUE(listNames(folder, kPlayable).empty());
    folder.rewind();
    EXPECT_TRUE(listNames(folder, {}).empty());
    folder.rewind();
    FolderItem item;
    const bool stopped = false;  // an archive's listing does not look at it
    ASSERT_TRUE(folder.nextItem({L"disc2\\*"}, item, stopped));
    EXPECT_EQ(item.name, L"disc2\\01.mp3");
    EXPECT_EQ(item.type, L"mp3");
    EXPECT_EQ(item.size, readBytes(audioFixture(L"tone880_4s.mp3")).size());
    const FILETIME expected = fixtureModifiedTime();
    EXPECT_EQ(CompareFileTime(&item.modified, &expected), 0);
    EXPECT_FALSE(folder.nextItem({L"disc2\\*"}, item, stopped));
    FolderZip mixed(archiveFixture(L"mixed.zip"));
    EXPECT_EQ(listNames(mixed, kPlayable), (Names{L"empty.wav", L"tone440.wav"}));
}

TEST_F(Archives, GivesTheOriginalBytesOrNothingInMemoryOnly) {
    const std::string wav = readBytes(audioFixture(L"tone440_3s.wav")), mp3 = readBytes(audioFixture(L"tone880_4s.mp3"));
    ASSERT_FALSE(wav.empty());
    TempDir dir;  // a copy to try changing while it is open
    writeBytes(dir.file(L"music.7z"), readBytes(archiveFixture(L"music.7z")));
    const TreeSnapshot beside = snapshotTree(archivesDir()), temp = snapshotTree(systemTempFolder());
    std::map<std::wstring, std::unique_ptr<Archive>> opened;  // one archive serves all its rows
    auto archive = [&](const std::wstring& name) -> Archive& {
        auto& slot = opened[name];
        if (!slot) slot = std::make_unique<Archive>(name.find(L'\\') == name.npos ? archiveFixture(name) : name);
        return *slot;
    };
    auto extracted = [&](const std::wstring& name, const std::wstring& entry) {
        const std::vector<uint8_t> bytes = archive(name).extract(entry);
        return std::string(bytes.begin(), bytes.end());
    };
    for (const wchar_t* name : {L"stated_short.gz", L"stated_long.gz"})  // before the data tells otherwise
        EXPECT_NE(archive(name).itemSize(archive(name).items().at(L"tone.wav")), wav.size()) << name;
    for (const std::wstring name : {L"music.7z", L"music.zip", L"music.tar"}) {
        for (const wchar_t* entry : {L"tone440.wav", L"B.wav"}) EXPECT_EQ(extracted(name, entry), wav) << name << entry;
        for (const wchar_t* entry : {L"disc1\\01.mp3", L"disc2\\01.mp3", L"disc2\\01.mp3"})
            EXPECT_EQ(extracted(name, entry), mp3) << name << entry;
    }
    const std::wstring longName = archive(L"long_name.zip").items().begin()->first;
    EXPECT_EQ(longName.size(), 302u) << "longer than any Windows path";
    const struct { std::wstring name, entry; std::string bytes; } rows[] = {
        {L"duplicates.zip", L"dup.wav", wav},  // the first of the two
        {L"stated_short.gz", L"tone.wav", wav}, {L"stated_long.gz", L"tone.wav", wav},  // the data decides
        {L"long_name.zip", longName, wav}, {dir.file(L"music.7z"), L"notes.txt", "not audio\r\n"},
        {L"music.7z", L"missing.wav", {}}, {L"music.7z", L"TONE440.WAV", {}}, {L"music.7z", L"disc1/01.mp3", {}},
        {L"music.7z", L"disc1", {}}, {L"music.7z", L"", {}},
        {L"mixed.zip", L"empty.wav", {}}, {L"password.zip", L"tone440.wav", {}},
    };
    for (const auto& row : rows) EXPECT_EQ(extracted(row.name, row.entry), row.bytes) << row.name << row.entry;
    // Half a zip still lists from its local headers; a cut entry gives at most the whole.
    Archive& truncated = archive(L"truncated.zip");
    EXPECT_FALSE(truncated.items().empty());
    for (const auto& item : truncated.items()) EXPECT_LE(truncated.extract(item.first).size(), wav.size());
    EXPECT_EQ(snapshotTree(archivesDir()), beside);
    EXPECT_EQ(snapshotTree(systemTempFolder()), temp);
    // An open archive may be read by others but neither changed nor deleted.
    HANDLE reader = CreateFileW(dir.file(L"music.7z").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
    EXPECT_FALSE(DeleteFileW(dir.file(L"music.7z").c_str()));
    opened.clear();
    EXPECT_TRUE(DeleteFileW(dir.file(L"music.7z").c_str()));
}

}  // namespace
}  // namespace melodrift
