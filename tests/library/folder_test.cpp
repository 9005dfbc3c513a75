// Directories and CUE sheets as folders: the items a listing yields, stopping in a drain, and players.
#include "library/folder_cue.h"
#include "library/folder_dir.h"

#include "base/paths.h"
#include "base/unique_handle.h"
#include "playback/player.h"
#include "support/files.h"
#include "support/notify_window.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <new>

namespace melodrift {
namespace {

using Names = std::vector<std::wstring>;

// The listing as sorted "name type size" lines ("-": no size), read through one record reused from a stale item.
Names list(Folder&& folder, const std::wstring& patterns = L"*", std::vector<FolderItem>* items = nullptr) {
    FolderItem item{L"stale", L"stale", 7, FILETIME{1, 2}};
    Names lines;
    for (const bool keepGoing = true; folder.nextItem(splitString(patterns, L';'), item, keepGoing);) {
        lines.push_back(item.name + L" " + item.type + L" " +
                        (item.size == FolderItem::kNoSize ? L"-" : std::to_wstring(item.size)));
        if (items) items->push_back(item);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

Names list(Folder& folder, const std::wstring& patterns = L"*") { return list(std::move(folder), patterns); }

void touch(const std::wstring& path, const std::string& bytes = "x") { test::writeBytes(path, bytes); }

TEST(FolderDir, ListsTheFilesMatchingAnyPatternWithTheirTypeSizeAndTime) {
    test::TempDir dir;
    // Only long names count (the 8.3 alias of the .flac may end in ".FLA"); directories are never items.
    for (const wchar_t* name : {L"I.MP3", L"a.b.mp3", L"noext", L".mp3", L"a long file name.flac", L"hidden.mp3",
                                L"system.wav"})
        touch(dir.file(name));
    touch(dir.file(L"empty.wav"), "");
    ASSERT_TRUE(SetFileAttributesW(dir.file(L"hidden.mp3").c_str(), FILE_ATTRIBUTE_HIDDEN) &&
                SetFileAttributesW(dir.file(L"system.wav").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN) &&
                CreateDirectoryW(dir.file(L"d.mp3").c_str(), nullptr));
    FileHandle big(CreateFileW(dir.file(L"big.wav").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    LARGE_INTEGER end;
    end.QuadPart = 5LL << 30;
    ASSERT_TRUE(SetFilePointerEx(big.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(big.get()));
    big.reset();
    FILETIME written;
    const SYSTEMTIME when{2001, 2, 6, 3, 4, 5, 6, 789};
    FileHandle dated(CreateFileW(dir.file(L"I.MP3").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, 0));
    ASSERT_TRUE(SystemTimeToFileTime(&when, &written) && SetFileTime(dated.get(), nullptr, nullptr, &written));
    dated.reset();
    const Names all{L".mp3 mp3 1", L"I.MP3 MP3 1", L"a long file name.flac flac 1", L"a.b.mp3 mp3 1",
                    L"big.wav wav 5368709120", L"empty.wav wav 0", L"hidden.mp3 mp3 1", L"noext  1",
                    L"system.wav wav 1"};
    for (const std::wstring& path : {dir.path(), dir.path() + L"\\"}) {
        std::vector<FolderItem> items;
        EXPECT_EQ(list(FolderDir(path, pumpPendingMessages), L"*", &items), all) << path;
        for (const FolderItem& item : items) {
            const FILETIME stored = item.name == L"I.MP3" ? written : test::fileTimes(dir.file(item.name)).written;
            EXPECT_EQ(CompareFileTime(&item.modified, &stored), 0) << item.name;
        }
    }
    EXPECT_EQ(list(FolderDir(dir.path()), L"*.fla;*.MP3;noext"),
              (Names{L".mp3 mp3 1", L"I.MP3 MP3 1", L"a.b.mp3 mp3 1", L"hidden.mp3 mp3 1", L"noext  1"}));
    EXPECT_EQ(list(FolderDir(dir.path()), L""), Names{});
    // A search that could not start is tried again by the next call; one that ended stays so until a rewind.
    FolderDir later(dir.file(L"later"));
    EXPECT_EQ(list(later), Names{});
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"later").c_str(), nullptr));
    touch(dir.file(L"later\\1.mp3")), touch(dir.file(L"later\\2.mp3"));
    FolderItem item;
    ASSERT_TRUE(later.nextItem({L"*"}, item, true));
    later.rewind();
    EXPECT_EQ(list(later), (Names{L"1.mp3 mp3 1", L"2.mp3 mp3 1"}));
    EXPECT_EQ(list(later), Names{});
    // A tree node without a path gives an empty one: "*" alone would search the current directory.
    wchar_t previous[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
    const Names inCurrent = list(FolderDir(L""));
    const std::wstring relative = fullPath(L"sub\\..\\a.mp3");
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(inCurrent, Names{});
    EXPECT_EQ(relative, dir.file(L"a.mp3"));
}

constexpr UINT kStopListing = WM_APP + 20;

// Stands for the file list's window: a message met by a drain clears the listing's flag
// and may drop the folder, as selecting another node does.
struct InterruptingWindow : test::NotifyWindow {
    LRESULT handleMessage(HWND h, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kStopListing) return NotifyWindow::handleMessage(h, message, wParam, lParam);
        keepGoing = false, folderToDrop.reset();
        return 0;
    }
    bool keepGoing = true;
    std::shared_ptr<Folder> folderToDrop;
};

TEST(FolderDir, StopsAtTheDrainThatClearsItsFlagAndNeverTouchesAFolderDroppedThere) {
    test::TempDir dir;
    touch(dir.file(L"1.mp3")), touch(dir.file(L"2.mp3"));
    InterruptingWindow window;
    FolderItem item;
    FolderDir folder(dir.path(), pumpPendingMessages);
    ASSERT_TRUE(folder.nextItem({L"*"}, item, window.keepGoing));
    const std::wstring first = item.name;
    ASSERT_TRUE(PostMessageW(window.window(), kStopListing, 0, 0));
    EXPECT_FALSE(folder.nextItem({L"*"}, item, window.keepGoing));
    EXPECT_EQ(item.name, first);
    EXPECT_EQ(list(folder), Names{(first == L"1.mp3" ? L"2.mp3" : L"1.mp3") + std::wstring(L" mp3 1")});  // resumes
    // The folder alone in a page made inaccessible once it is destroyed: a later touch faults.
    void* const fence = VirtualAlloc(nullptr, sizeof(FolderDir), MEM_COMMIT, PAGE_READWRITE);
    for (const bool searchOpen : {true, false}) {
        SCOPED_TRACE(searchOpen ? "dropped with its search open" : "dropped before its first search");
        DWORD old;
        VirtualProtect(fence, sizeof(FolderDir), PAGE_READWRITE, &old);
        Folder* const listed = new (fence) FolderDir(dir.path(), pumpPendingMessages);
        window.folderToDrop.reset(listed, [fence](Folder* folder) {
            DWORD old;
            folder->~Folder();
            VirtualProtect(fence, sizeof(FolderDir), PAGE_NOACCESS, &old);
        });
        window.keepGoing = true;
        EXPECT_TRUE(!searchOpen || listed->nextItem({L"*"}, item, window.keepGoing));
        ASSERT_TRUE(PostMessageW(window.window(), kStopListing, 0, 0));
        EXPECT_FALSE(listed->nextItem({L"*"}, item, window.keepGoing));  // the handler destroys it meanwhile
        EXPECT_FALSE(window.folderToDrop);
    }
}

// A PCM WAV file of silence: 8 kHz, mono, 16 bits.
std::string silentWav(uint32_t seconds) {
    const uint32_t data = 16000 * seconds, header[] = {0x46464952, 36 + data, 0x45564157, 0x20746D66, 16, 0x00010001,
                                                       8000, 16000, 0x00100002, 0x61746164, data};
    return std::string(reinterpret_cast<const char*>(header), sizeof header).append(data, '\0');
}

// Players outlive the folders that made them.
TEST(OpenFolder, PathBecomesTheFolderOfItsKindWhosePlayersPlayTheItemOfThatName) {
    struct Com { Com() { CoInitialize(nullptr); } ~Com() { CoUninitialize(); } } com;  // outlives the players
    test::TempDir dir;
    test::NotifyWindow window;
    const std::wstring sheet = dir.file(L"Live.CUE"), audio = dir.file(L"tone.wav");
    touch(sheet, "PERFORMER \"Band\"\r\nTITLE \"Live\"\r\nFILE \"tone.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n"
                 "    TITLE \"Intro\"\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:01:00\r\n");
    touch(audio, silentWav(3));
    touch(dir.file(L"曲 2.wav"), silentWav(2));
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"album.cue").c_str(), nullptr));
    const std::shared_ptr<Folder> sheetDir = openFolder(dir.file(L"album.cue"), nullptr), cue = openFolder(sheet, 0),
                                  missing = openFolder(dir.file(L"gone"), nullptr);  // an empty directory
    ASSERT_TRUE(dynamic_cast<FolderDir*>(sheetDir.get()) && dynamic_cast<FolderCue*>(cue.get()) &&
                dynamic_cast<FolderDir*>(missing.get()));
    EXPECT_FALSE(openFolder(audio, nullptr));
    // Every track is an item whatever the patterns, without size or time; the end stays until a rewind.
    const Names tracks{L"01 Intro - Band cue -", L"02 Live - Band cue -"};
    std::vector<FolderItem> items;
    EXPECT_EQ(list(std::move(*cue), L"*.mp3", &items), tracks);
    EXPECT_EQ(items[0].modified.dwLowDateTime | items[0].modified.dwHighDateTime, 0u);
    EXPECT_EQ(list(*cue), Names{});
    cue->rewind();
    EXPECT_EQ(list(*cue, L""), tracks);
    // "state duration folder item" of the player of an item; the sheet's last track runs to its file's end.
    const auto played = [&](Folder&& folder, const std::wstring& name) -> std::wstring {
        const std::shared_ptr<Player> player =
            folder.createPlayer(name, window.window(), test::NotifyWindow::kGraphEvent, test::NotifyWindow::kTrackEnd);
        if (!player) return L"none";
        const std::wstring played = player->state() == NotReady && player->play() ? L"!" : L"";
        return std::to_wstring(player->state()) + played + L" " + std::to_wstring(player->duration()) + L" " +
               player->folderPath() + L" " + player->itemName();
    };
    const std::wstring stopped = std::to_wstring(Stopped) + L" ", notReady = std::to_wstring(NotReady) + L" 0 ";
    EXPECT_EQ(played(FolderDir(dir.path()), L"曲 2.wav"), stopped + L"2 " + dir.path() + L" 曲 2.wav");
    EXPECT_EQ(played(FolderCue(sheet), L"01 Intro - Band"), stopped + L"1 " + sheet + L" 01 Intro - Band");
    EXPECT_EQ(played(FolderCue(sheet), L"02 Live - Band"), stopped + L"2 " + sheet + L" 02 Live - Band");
    for (const wchar_t* name : {L"", L"01", L"01 Intro", L"01 intro - band", L"01 Intro - Band ", L"tone.wav"})
        EXPECT_EQ(played(FolderCue(sheet), name), L"none") << wcslen(name) << " characters";
    // A sheet never titles two tracks alike, but tracks handed in may: the first is taken.
    EXPECT_EQ(played(FolderCue(sheet, {{0, 20000000, audio, L"Same"}, {0, 10000000, audio, L"Same"}}), L"Same"),
              stopped + L"2 " + sheet + L" Same");
    touch(sheet, "FILE \"gone.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    EXPECT_EQ(played(FolderDir(dir.path()), L"gone.wav"), notReady + dir.path() + L" gone.wav");
    EXPECT_EQ(played(FolderCue(sheet), L"01"), notReady + sheet + L" 01");
}

}  // namespace
}  // namespace melodrift
