// Directories and CUE sheets as folders: the items a directory lists, what a path opens as, and players.
#include "library/folder_dir.h"

#include "base/paths.h"
#include "support/notify_window.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace melodrift {
namespace {

using Names = std::vector<std::wstring>;

// The listing as sorted "name type" lines.
Names list(Folder&& folder, const std::wstring& patterns = L"*") {
    FolderItem item;
    Names lines;
    for (const bool keepGoing = true; folder.nextItem(splitString(patterns, L';'), item, keepGoing);)
        lines.push_back(item.name + L" " + item.type);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A PCM WAV file of silence: 8 kHz, mono, 16 bits.
std::string silentWav(uint32_t seconds) {
    const uint32_t data = 16000 * seconds, header[] = {0x46464952, 36 + data, 0x45564157, 0x20746D66, 16, 0x00010001,
                                               8000, 16000, 0x00100002, 0x61746164, data};
    return std::string(reinterpret_cast<const char*>(header), sizeof header).append(data, '\0');
}

// Players outlive the folders that made them.
TEST(OpenFolder, DirectoriesListTheirMatchingFilesAndSheetsPlayTheTrackOfThatName) {
    struct Com {
        Com() { CoInitialize(nullptr); }
        ~Com() { CoUninitialize(); }
    } com;  // outlives the players
    test::TempDir dir;
    test::NotifyWindow window;
    const auto player = [&](const std::shared_ptr<Folder>& folder, const std::wstring& name) {
        return folder->createPlayer(
            name, window.window(), test::NotifyWindow::kGraphEvent, test::NotifyWindow::kTrackEnd);
    };
    const std::wstring sheet = dir.file(L"Live.CUE");
    test::writeBytes(sheet,
        "PERFORMER \"Band\"\r\nTITLE \"Live\"\r\nFILE \"tone.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n"
        "    TITLE \"Intro\"\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:01:00\r\n");
    test::writeBytes(dir.file(L"tone.wav"), silentWav(3));
    // Hidden files are items and directories never; only long names count (the 8.3 alias may end in ".FLA").
    for (const wchar_t* name :
        {L"I.MP3", L"a.b.mp3", L"noext", L".mp3", L"a long file name.flac", L"hidden.mp3", L"system.wav"})
        test::writeBytes(dir.file(name), "x");
    ASSERT_TRUE(SetFileAttributesW(dir.file(L"hidden.mp3").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW(dir.file(L"system.wav").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"d.mp3").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"album.cue").c_str(), nullptr));
    const Names matched{
        L".mp3 mp3", L"I.MP3 MP3", L"a.b.mp3 mp3", L"hidden.mp3 mp3", L"noext ", L"system.wav wav", L"tone.wav wav"};
    EXPECT_EQ(list(FolderDir(dir.path(), pumpPendingMessages), L"*.fla;*.MP3;noext;*.wav"), matched);
    // Names that path normalisation would change, as the tree lists them, list and play as they are.
    for (const wchar_t* odd : {L"R.E.M.", L"...", L"trailing "}) {
        const std::wstring sub = L"\\\\?\\" + dir.file(odd);
        ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
        test::writeBytes(sub + L"\\in.wav", silentWav(2));
        EXPECT_EQ(list(FolderDir(dir.file(odd))), Names{L"in.wav wav"}) << testing::PrintToString(std::wstring(odd));
        EXPECT_EQ(player(std::make_shared<FolderDir>(dir.file(odd)), L"in.wav")->duration(), 2);
        test::writeBytes(sub + L"\\s.cue", "FILE \"in.wav\" WAVE\r\nTRACK 01 AUDIO\r\nINDEX 01 00:01:00\r\n");
        const auto track = player(openFolder(dir.file(odd) + L"\\s.cue", nullptr), L"01");
        ASSERT_TRUE(track);
        EXPECT_EQ(track->duration(), 1);
    }
    // A tree node without a path gives an empty one: "*" alone would search the current directory.
    wchar_t previous[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
    const Names inCurrent = list(FolderDir(L""));
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(inCurrent, Names{});
    // The directory bit decides before the name; a path that cannot be examined lists as an empty directory.
    for (const wchar_t* name : {L"album.cue", L"gone"})
        EXPECT_NE(dynamic_cast<FolderDir*>(openFolder(dir.file(name), nullptr).get()), nullptr) << name;
    // "state duration folder item" of a track's player: only a whole title has one; the last runs to its file's end.
    const auto played = [&](const std::wstring& name) -> std::wstring {
        const std::shared_ptr<Player> track = player(openFolder(sheet, nullptr), name);
        if (!track) return L"none";
        return std::to_wstring(track->state()) + L" " + std::to_wstring(track->duration()) + L" " +
               track->folderPath() + L" " + track->itemName();
    };
    EXPECT_EQ(played(L"02 Live - Band"), std::to_wstring(Stopped) + L" 2 " + sheet + L" 02 Live - Band");
    for (const wchar_t* name : {L"", L"01", L"01 Intro", L"01 intro - band", L"01 Intro - Band ", L"tone.wav"})
        EXPECT_EQ(played(name), L"none") << wcslen(name) << " characters";
}

}  // namespace
}  // namespace melodrift
