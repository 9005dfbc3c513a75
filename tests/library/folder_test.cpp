// Directories and CUE sheets as folders: which items a listing yields and what it says of
// them, passes and rewinds, stopping in the middle of a drain, and players for the items.
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

// The listing as "name type size" lines ("-": no size) in name order, read through one
// record reused from a stale item.
Names list(Folder& folder, const std::wstring& patterns = L"*", std::vector<FolderItem>* items = nullptr) {
    const bool keepGoing = true;
    FolderItem item{L"stale", L"stale", 7, FILETIME{1, 2}};
    Names lines;
    while (folder.nextItem(splitString(patterns, L';'), item, keepGoing)) {
        lines.push_back(item.name + L" " + item.type + L" " +
                        (item.size == FolderItem::kNoSize ? L"-" : std::to_wstring(item.size)));
        if (items) items->push_back(item);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

Names list(Folder&& folder, const std::wstring& patterns = L"*", std::vector<FolderItem>* items = nullptr) {
    return list(folder, patterns, items);
}

void touch(const std::wstring& path, const std::string& bytes = "x") { test::writeBytes(path, bytes); }

TEST(FolderDir, ListsTheFilesMatchingAnyPattern) {
    // Names ending in a backslash are directories; "hidden" and "system" files get those attributes.
    const struct { Names files; const wchar_t* patterns; Names items; } rows[] = {
        {{L"a.mp3", L"b.mp2", L"c.wma", L"d.asf", L"e.wav", L"f.ogg", L"g.oga", L"h.aac", L"I.MP3", L"j.txt",
          L"k.mp3.txt", L"l.flac", L"mp3"}, L"*.mp?;*.wma;*.asf;*.wav;*.og?;*.aac",
         {L"I.MP3 MP3 1", L"a.mp3 mp3 1", L"b.mp2 mp2 1", L"c.wma wma 1", L"d.asf asf 1", L"e.wav wav 1",
          L"f.ogg ogg 1", L"g.oga oga 1", L"h.aac aac 1"}},
        {{L"song.mp3", L"song.wav"}, L"*.mp3;song.*;*", {L"song.mp3 mp3 1", L"song.wav wav 1"}},
        {{L"a.mp3", L"b.wav"}, L"", {}},
        {{L"a.mp3\\", L"plain\\", L"b.mp3"}, L"*;*.mp3", {L"b.mp3 mp3 1"}},  // "*" would also take "." and ".."
        {{L"hidden.mp3", L"system.mp3"}, L"*.mp3", {L"hidden.mp3 mp3 1", L"system.mp3 mp3 1"}},
        {{L"a long file name.flac"}, L"*.fla", {}},  // its 8.3 alias may end in ".FLA": only the long name counts
        {{L"a.b.mp3", L"noext", L".mp3", L"empty.wav"}, L"*", {L".mp3 mp3 1", L"a.b.mp3 mp3 1", L"empty.wav wav 0",
                                                               L"noext  1"}},
    };
    for (const auto& row : rows) {
        test::TempDir dir;
        for (const std::wstring& name : row.files) {
            const std::wstring path = dir.file(name);
            if (name.back() != L'\\') touch(path, name == L"empty.wav" ? "" : "x");
            else EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
            const DWORD attributes = name.find(L"hidden") == 0   ? FILE_ATTRIBUTE_HIDDEN
                                     : name.find(L"system") == 0 ? FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN : 0;
            EXPECT_TRUE(!attributes || SetFileAttributesW(path.c_str(), attributes)) << name;
        }
        EXPECT_EQ(list(FolderDir(dir.path(), pumpPendingMessages), row.patterns), row.items) << row.patterns;
    }
}

TEST(FolderDir, ItemsCarryTheLargeSizeAndTheLastWriteTime) {
    test::TempDir dir;
    FileHandle big(CreateFileW(dir.file(L"big.wav").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    LARGE_INTEGER end;
    end.QuadPart = 5LL << 30;
    ASSERT_TRUE(SetFilePointerEx(big.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(big.get()));
    big.reset();
    touch(dir.file(L"dated.mp3"), "abc");
    FILETIME written;
    const SYSTEMTIME when{2001, 2, 6, 3, 4, 5, 6, 789};
    ASSERT_TRUE(SystemTimeToFileTime(&when, &written));
    FileHandle dated(CreateFileW(dir.file(L"dated.mp3").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
    ASSERT_TRUE(SetFileTime(dated.get(), nullptr, nullptr, &written));
    dated.reset();
    std::vector<FolderItem> items;
    EXPECT_EQ(list(FolderDir(dir.path()), L"*", &items), (Names{L"big.wav wav 5368709120", L"dated.mp3 mp3 3"}));
    for (const FolderItem& item : items) {
        const FILETIME stored = item.name == L"dated.mp3" ? written : test::fileTimes(dir.file(item.name)).written;
        EXPECT_EQ(CompareFileTime(&item.modified, &stored), 0) << item.name;
    }
}

TEST(FolderDir, PassesRewindsAndPaths) {
    test::TempDir dir;
    const std::wstring later = dir.file(L"later");
    FolderDir missing(later);
    EXPECT_EQ(list(missing), Names{});
    for (const wchar_t* name : {L"1.mp3", L"2.mp3", L"3.mp3"}) touch(dir.file(name));
    const Names all{L"1.mp3 mp3 1", L"2.mp3 mp3 1", L"3.mp3 mp3 1"};
    for (const std::wstring& path : {dir.path(), dir.path() + L"\\"}) {
        FolderDir folder(path);
        EXPECT_EQ(folder.path(), path);
        EXPECT_EQ(list(folder), all);
        EXPECT_EQ(list(folder), Names{});  // the end stays until a rewind
        folder.rewind();
        FolderItem item;
        ASSERT_TRUE(folder.nextItem({L"*"}, item, true));
        folder.rewind();
        EXPECT_EQ(list(folder), all);
    }
    // A search that could not start is tried again by the next call.
    ASSERT_TRUE(CreateDirectoryW(later.c_str(), nullptr));
    touch(later + L"\\a.mp3");
    EXPECT_EQ(list(missing), Names{L"a.mp3 mp3 1"});
    const std::wstring inRoot = L"melodrift-root-" + std::to_wstring(GetCurrentProcessId()) + L".mp3";
    touch(L"C:\\" + inRoot);
    const Names rootItems = list(FolderDir(L"C:\\"), inRoot);
    DeleteFileW((L"C:\\" + inRoot).c_str());
    EXPECT_EQ(rootItems, Names{inRoot + L" mp3 1"});
    // A tree node without a path gives an empty one: "*" alone would search the current directory.
    wchar_t previous[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
    const Names emptyItems = list(FolderDir(L""));
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(emptyItems, Names{});
}

constexpr UINT kStopListing = WM_APP + 20;

// Stands for the file list's window: a message met by a drain clears the listing's flag
// and may drop the folder, as selecting another node does.
struct InterruptingWindow : test::NotifyWindow {
    LRESULT handleMessage(HWND h, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kStopListing) return NotifyWindow::handleMessage(h, message, wParam, lParam);
        ++stops, keepGoing = false, folderToDrop.reset();
        return 0;
    }
    bool keepGoing = true;
    int stops = 0;
    std::shared_ptr<Folder> folderToDrop;
};

// A FolderDir alone in a page made inaccessible once it is destroyed: a later touch faults.
void* const gFence = VirtualAlloc(nullptr, sizeof(FolderDir), MEM_COMMIT, PAGE_READWRITE);

std::shared_ptr<Folder> fencedFolder(const std::wstring& path) {
    DWORD old;
    VirtualProtect(gFence, sizeof(FolderDir), PAGE_READWRITE, &old);
    return std::shared_ptr<Folder>(new (gFence) FolderDir(path, pumpPendingMessages), [old](Folder* folder) mutable {
        folder->~Folder();
        VirtualProtect(gFence, sizeof(FolderDir), PAGE_NOACCESS, &old);
    });
}

TEST(FolderDir, StopsAtTheDrainThatClearsItsFlagAndNeverTouchesAFolderDroppedThere) {
    test::TempDir dir;
    for (const wchar_t* name : {L"1.mp3", L"2.mp3", L"3.mp3", L"4.mp3"}) touch(dir.file(name));
    const Names all{L"1.mp3 mp3 1", L"2.mp3 mp3 1", L"3.mp3 mp3 1", L"4.mp3 mp3 1"};
    InterruptingWindow window;
    FolderItem item;
    FolderDir folder(dir.path(), pumpPendingMessages);
    window.keepGoing = false;
    EXPECT_FALSE(folder.nextItem({L"*"}, item, window.keepGoing));
    EXPECT_FALSE(folder.nextItem({L"*"}, item, window.keepGoing));
    EXPECT_EQ(list(folder), all);  // nothing was consumed
    folder.rewind();
    window.keepGoing = true;
    ASSERT_TRUE(folder.nextItem({L"*"}, item, window.keepGoing));
    Names seen{item.name + L" mp3 1"};
    ASSERT_TRUE(PostMessageW(window.window(), kStopListing, 0, 0));
    item.name = L"untouched";
    EXPECT_FALSE(folder.nextItem({L"*"}, item, window.keepGoing));
    EXPECT_EQ(window.stops, 1);
    EXPECT_EQ(item.name, L"untouched");
    for (const std::wstring& line : list(folder)) seen.push_back(line);  // resumes where it was
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, all);
    for (const bool searchOpen : {true, false}) {
        SCOPED_TRACE(searchOpen ? "dropped with its search open" : "dropped before its first search");
        window.keepGoing = true;
        std::shared_ptr<Folder> fenced = fencedFolder(dir.path());
        Folder* listed = fenced.get();
        EXPECT_TRUE(!searchOpen || listed->nextItem({L"*"}, item, window.keepGoing));
        window.folderToDrop = std::move(fenced);
        ASSERT_TRUE(PostMessageW(window.window(), kStopListing, 0, 0));
        EXPECT_FALSE(listed->nextItem({L"*"}, item, window.keepGoing));  // the handler destroys it meanwhile
        EXPECT_FALSE(window.folderToDrop);
    }
    EXPECT_EQ(window.stops, 3);
}

const char kSheet[] = "PERFORMER \"Band\"\r\nTITLE \"Live\"\r\nFILE \"tone.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n"
                      "    TITLE \"Intro\"\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:01:00\r\n";

TEST(FolderCue, EveryTrackIsAnItemWhateverThePatterns) {
    test::TempDir dir;
    const std::wstring sheet = dir.file(L"live.cue");
    touch(sheet, kSheet);
    FolderCue folder(sheet);
    EXPECT_EQ(folder.path(), sheet);
    const Names tracks{L"01 Intro - Band cue -", L"02 Live - Band cue -"};
    std::vector<FolderItem> items;
    EXPECT_EQ(list(folder, L"*", &items), tracks);
    for (const FolderItem& item : items) EXPECT_EQ(item.modified.dwLowDateTime | item.modified.dwHighDateTime, 0u);
    EXPECT_EQ(list(folder), Names{});  // the end stays until a rewind
    folder.rewind();
    FolderItem item;
    const bool stop = false;
    ASSERT_TRUE(folder.nextItem({}, item, stop));
    folder.rewind();
    EXPECT_EQ(list(folder, L""), tracks);
    folder.rewind();
    EXPECT_EQ(list(folder, L"*.mp3"), tracks);
    EXPECT_EQ(list(FolderCue(dir.file(L"gone.cue"))), Names{});
    EXPECT_EQ(list(FolderCue(dir.path())), Names{});
}

TEST(OpenFolder, PathBecomesTheFolderOfItsKind) {
    test::TempDir dir;
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"album.cue").c_str(), nullptr));
    touch(dir.file(L"album.cue\\a.wav"));
    touch(dir.file(L"Live.CUE"), "FILE \"live.wav\" WAVE\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n");
    touch(dir.file(L"song.mp3"));
    const std::shared_ptr<Folder> sheetDir = openFolder(dir.file(L"album.cue"), nullptr);
    ASSERT_TRUE(dynamic_cast<FolderDir*>(sheetDir.get()));
    EXPECT_EQ(sheetDir->path(), dir.file(L"album.cue"));
    EXPECT_EQ(list(*sheetDir), Names{L"a.wav wav 1"});
    const std::shared_ptr<Folder> sheet = openFolder(dir.file(L"Live.CUE"), nullptr);
    ASSERT_TRUE(dynamic_cast<FolderCue*>(sheet.get()));
    EXPECT_EQ(list(*sheet), Names{L"01 cue -"});
    const std::shared_ptr<Folder> missing = openFolder(dir.file(L"gone"), nullptr);  // an empty directory
    ASSERT_TRUE(dynamic_cast<FolderDir*>(missing.get()));
    EXPECT_EQ(list(*missing), Names{});
    EXPECT_FALSE(openFolder(dir.file(L"song.mp3"), nullptr));
}

// A PCM WAV file of silence: 8 kHz, mono, 16 bits.
std::string silentWav(uint32_t seconds) {
    const uint32_t data = 16000 * seconds, header[] = {0x46464952, 36 + data, 0x45564157, 0x20746D66, 16, 0x00010001,
                                                       8000, 16000, 0x00100002, 0x61746164, data};
    return std::string(reinterpret_cast<const char*>(header), sizeof header).append(data, '\0');
}

// Players outlive the folders that made them.
TEST(FolderPlayers, PlayTheFileOfThatNameOrTheRangeOfTheTrackOfThatTitle) {
    struct Com { Com() { CoInitialize(nullptr); } ~Com() { CoUninitialize(); } } com;  // outlives the players
    test::TempDir dir;
    test::NotifyWindow window;
    const auto playerFor = [&](Folder&& folder, const std::wstring& name) {
        return folder.createPlayer(name, window.window(), test::NotifyWindow::kGraphEvent, test::NotifyWindow::kTrackEnd);
    };
    const std::wstring sheet = dir.file(L"live.cue"), audio = dir.file(L"tone.wav");
    touch(sheet, kSheet);
    touch(audio, silentWav(3));
    touch(dir.file(L"曲 2.wav"), silentWav(2));
    for (const std::wstring& path : {dir.path(), dir.path() + L"\\"}) {
        const std::shared_ptr<Player> player = playerFor(FolderDir(path), L"曲 2.wav");
        ASSERT_TRUE(player);
        EXPECT_EQ(player->state(), Stopped);
        EXPECT_EQ(player->duration(), 2);
        EXPECT_EQ(player->folderPath(), path);
        EXPECT_EQ(player->itemName(), L"曲 2.wav");
    }
    for (const wchar_t* name : {L"", L"01", L"01 Intro", L"01 intro - band", L"01 Intro - Band ", L"tone.wav"})
        EXPECT_FALSE(playerFor(FolderCue(sheet), name)) << wcslen(name) << " characters";
    const std::shared_ptr<Player> first = playerFor(FolderCue(sheet), L"01 Intro - Band");
    const std::shared_ptr<Player> last = playerFor(FolderCue(sheet), L"02 Live - Band");
    ASSERT_TRUE(first && last);
    EXPECT_EQ(first->duration(), 1);
    EXPECT_EQ(last->duration(), 2);  // from its start to the end of the 3-second file
    EXPECT_EQ(last->state(), Stopped);
    EXPECT_EQ(last->folderPath(), sheet);
    EXPECT_EQ(last->itemName(), L"02 Live - Band");
    // A sheet never titles two tracks alike, but tracks handed in may: the first is taken.
    const std::shared_ptr<Player> same =
        playerFor(FolderCue(sheet, {{0, 20000000, audio, L"Same"}, {0, 10000000, audio, L"Same"}}), L"Same");
    ASSERT_TRUE(same);
    EXPECT_EQ(same->duration(), 2);
    touch(sheet, "FILE \"gone.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    for (const std::shared_ptr<Player>& gone :
         {playerFor(FolderDir(dir.path()), L"gone.wav"), playerFor(FolderCue(sheet), L"01")}) {
        ASSERT_TRUE(gone);
        EXPECT_EQ(gone->state(), NotReady);
        EXPECT_FALSE(gone->play());
    }
}

}  // namespace
}  // namespace melodrift
