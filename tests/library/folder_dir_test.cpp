// Directories as folders: which files a listing yields, what it says of them, passes and
// rewinds, stopping in the middle of a drain, and players for the listed files.
#include "library/folder_dir.h"

#include "base/paths.h"
#include "playback/player.h"
#include "support/files.h"
#include "support/notify_window.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "ui/paced_pump.h"
#include "ui/window.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

namespace melodrift {
namespace {

using Names = std::vector<std::wstring>;

const std::vector<std::wstring> kEverything{L"*"};

std::vector<FolderItem> listItems(Folder& folder, const std::vector<std::wstring>& patterns) {
    const bool keepGoing = true;
    std::vector<FolderItem> items;
    FolderItem item;
    while (folder.nextItem(patterns, item, keepGoing)) items.push_back(item);
    return items;
}

Names sortedNames(const std::vector<FolderItem>& items) {
    Names names;
    for (const FolderItem& item : items) names.push_back(item.name);
    std::sort(names.begin(), names.end());
    return names;
}

Names listNames(Folder& folder, const std::vector<std::wstring>& patterns = kEverything) {
    return sortedNames(listItems(folder, patterns));
}

class FolderDirTest : public ::testing::Test {
protected:
    std::wstring touch(const std::wstring& name, const std::string& bytes = "x") {
        const std::wstring path = dir.file(name);
        test::writeBytes(path, bytes);
        return path;
    }
    void touchAll(const Names& names) {
        for (const std::wstring& name : names) touch(name);
    }

    test::TempDir dir;
};

// --- which files match -------------------------------------------------------------

using FolderDirPatterns = FolderDirTest;

TEST_F(FolderDirPatterns, DefaultPlayableListPicksTheAudioFilesWhateverTheCase) {
    touchAll({L"a.mp3", L"b.mp2", L"c.wma", L"d.asf", L"e.wav", L"f.ogg", L"g.oga", L"h.aac", L"I.MP3", L"j.txt",
              L"k.mp3.txt", L"l.flac", L"mp3"});
    FolderDir folder(dir.path(), pumpPendingMessages);
    EXPECT_EQ(listNames(folder, splitString(L"*.mp?;*.wma;*.asf;*.wav;*.og?;*.aac", L';')),
              (Names{L"I.MP3", L"a.mp3", L"b.mp2", L"c.wma", L"d.asf", L"e.wav", L"f.ogg", L"g.oga", L"h.aac"}));
}

TEST_F(FolderDirPatterns, FileMatchingSeveralPatternsIsYieldedOnce) {
    touchAll({L"song.mp3", L"song.wav"});
    FolderDir folder(dir.path(), pumpPendingMessages);
    EXPECT_EQ(listNames(folder, {L"*.mp3", L"song.*", L"*"}), (Names{L"song.mp3", L"song.wav"}));
}

TEST_F(FolderDirPatterns, EmptyListYieldsNothingThoughTheFilesAreThere) {
    touchAll({L"a.mp3", L"b.wav"});
    FolderDir folder(dir.path(), pumpPendingMessages);
    EXPECT_TRUE(listNames(folder, {}).empty());
    folder.rewind();
    EXPECT_EQ(listNames(folder), (Names{L"a.mp3", L"b.wav"}));
}

TEST_F(FolderDirPatterns, OnlyTheLongNameIsMatchedNeverTheShortOne) {
    // The 8.3 alias of this name ends in ".FLA"; the long name does not.
    touch(L"a long file name.flac");
    WIN32_FIND_DATAW data;
    FindHandle search(FindFirstFileW(dir.file(L"a long file name.flac").c_str(), &data));
    ASSERT_TRUE(search);
    if (!PathMatchSpecW(data.cAlternateFileName, L"*.fla")) GTEST_SKIP() << "no matching short name here";

    FolderDir folder(dir.path(), pumpPendingMessages);
    EXPECT_TRUE(listNames(folder, {L"*.fla"}).empty());
}

// --- which entries are files ---------------------------------------------------------

using FolderDirEntries = FolderDirTest;

TEST_F(FolderDirEntries, DirectoriesAreNeverYieldedWhateverTheirName) {
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"a.mp3").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"plain").c_str(), nullptr));
    touch(L"b.mp3");
    FolderDir folder(dir.path(), pumpPendingMessages);
    // "*" would also take "." and "..".
    EXPECT_EQ(listNames(folder, {L"*", L"*.mp3"}), (Names{L"b.mp3"}));
}

TEST_F(FolderDirEntries, HiddenAndSystemFilesAreYielded) {
    const std::wstring hidden = touch(L"x.mp3");
    const std::wstring system = touch(L"y.mp3");
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW(system.c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(GetFileAttributesW(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    FolderDir folder(dir.path(), pumpPendingMessages);
    EXPECT_EQ(listNames(folder, {L"*.mp3"}), (Names{L"x.mp3", L"y.mp3"}));
}

// --- what an item says ---------------------------------------------------------------

using FolderDirItem = FolderDirTest;

FolderItem onlyItem(Folder& folder) {
    const std::vector<FolderItem> items = listItems(folder, kEverything);
    EXPECT_EQ(items.size(), 1u);
    return items.empty() ? FolderItem{} : items.front();
}

TEST_F(FolderDirItem, SizeOfFiveGibibytesKeepsItsHighPart) {
    const std::wstring path = dir.file(L"big.wav");
    {
        FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER end;
        end.QuadPart = 5LL << 30;
        ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    FolderDir folder(dir.path(), pumpPendingMessages);
    const FolderItem item = onlyItem(folder);
    EXPECT_EQ(item.name, L"big.wav");
    EXPECT_EQ(item.size, 5368709120ull);
}

TEST_F(FolderDirItem, SizeOfAnEmptyFileIsZeroNotNoSize) {
    touch(L"empty.wav", "");
    FolderDir folder(dir.path(), pumpPendingMessages);
    EXPECT_EQ(onlyItem(folder).size, 0u);
}

TEST_F(FolderDirItem, TypeIsTheTextAfterTheLastDot) {
    touchAll({L"a.b.mp3", L"noext", L".mp3"});
    FolderDir folder(dir.path(), pumpPendingMessages);
    std::vector<FolderItem> items = listItems(folder, kEverything);
    std::sort(items.begin(), items.end(), [](const FolderItem& a, const FolderItem& b) { return a.name < b.name; });
    ASSERT_EQ(sortedNames(items), (Names{L".mp3", L"a.b.mp3", L"noext"}));
    EXPECT_EQ(items[0].type, L"mp3");
    EXPECT_EQ(items[1].type, L"mp3");
    EXPECT_EQ(items[2].type, L"");
}

TEST_F(FolderDirItem, ModifiedIsTheLastWriteTimeInUtc) {
    const std::wstring path = touch(L"dated.mp3", "abc");
    SYSTEMTIME when{2001, 2, 6, 3, 4, 5, 6, 789};
    FILETIME written;
    ASSERT_TRUE(SystemTimeToFileTime(&when, &written));
    {
        FileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &written));
    }
    const test::FileTimes stored = test::fileTimes(path);
    ASSERT_EQ(CompareFileTime(&stored.written, &written), 0);

    FolderDir folder(dir.path(), pumpPendingMessages);
    const FolderItem item = onlyItem(folder);
    EXPECT_EQ(CompareFileTime(&item.modified, &written), 0);
    EXPECT_EQ(item.size, 3u);
    EXPECT_EQ(item.type, L"mp3");
}

TEST_F(FolderDirItem, EveryFieldOfAReusedRecordIsOverwritten) {
    touch(L"only.mp3", "12345");
    FolderItem item;
    item.name = L"stale name";
    item.type = L"stale";
    item.size = FolderItem::kNoSize;
    FolderDir folder(dir.path(), pumpPendingMessages);
    const bool keepGoing = true;
    ASSERT_TRUE(folder.nextItem(kEverything, item, keepGoing));
    EXPECT_EQ(item.name, L"only.mp3");
    EXPECT_EQ(item.type, L"mp3");
    EXPECT_EQ(item.size, 5u);
}

// --- passes, rewinds and places --------------------------------------------------------

using FolderDirPasses = FolderDirTest;

TEST_F(FolderDirPasses, SecondPassNeedsARewindAndThenYieldsTheSameFiles) {
    touchAll({L"1.mp3", L"2.mp3", L"3.mp3"});
    FolderDir folder(dir.path(), pumpPendingMessages);
    const Names first = listNames(folder);
    EXPECT_EQ(first, (Names{L"1.mp3", L"2.mp3", L"3.mp3"}));
    EXPECT_TRUE(listNames(folder).empty());
    EXPECT_TRUE(listNames(folder).empty());
    folder.rewind();
    EXPECT_EQ(listNames(folder), first);
}

TEST_F(FolderDirPasses, RewindInTheMiddleStartsAgainAtTheFirstFile) {
    touchAll({L"1.mp3", L"2.mp3", L"3.mp3"});
    FolderDir folder(dir.path(), pumpPendingMessages);
    FolderItem item;
    const bool keepGoing = true;
    ASSERT_TRUE(folder.nextItem(kEverything, item, keepGoing));
    folder.rewind();
    EXPECT_EQ(listNames(folder), (Names{L"1.mp3", L"2.mp3", L"3.mp3"}));
}

TEST_F(FolderDirPasses, MissingDirectoryYieldsNothingUntilItAppears) {
    const std::wstring path = dir.file(L"later");
    FolderDir folder(path, pumpPendingMessages);
    EXPECT_TRUE(listNames(folder).empty());
    EXPECT_TRUE(listNames(folder).empty());
    // A search that could not start is tried again by the next call.
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    test::writeBytes(path + L"\\a.mp3", "x");
    EXPECT_EQ(listNames(folder), (Names{L"a.mp3"}));
}

TEST_F(FolderDirPasses, PathIsKeptAsGiven) {
    const std::wstring withSeparator = dir.path() + L"\\";
    EXPECT_EQ(FolderDir(withSeparator).path(), withSeparator);
    EXPECT_EQ(FolderDir(dir.path()).path(), dir.path());
}

TEST_F(FolderDirPasses, PathEndingInASeparatorListsTheSameDirectory) {
    touchAll({L"a.mp3", L"b.mp3"});
    FolderDir folder(dir.path() + L"\\");
    EXPECT_EQ(listNames(folder), (Names{L"a.mp3", L"b.mp3"}));
}

TEST_F(FolderDirPasses, DriveRootIsListed) {
    wchar_t name[64];
    wsprintfW(name, L"melodrift-root-%lu.mp3", GetCurrentProcessId());
    const std::wstring path = std::wstring(L"C:\\") + name;
    test::writeBytes(path, "x");
    FolderDir folder(L"C:\\");
    const Names names = listNames(folder, {name});
    DeleteFileW(path.c_str());
    EXPECT_EQ(names, (Names{name}));
}

TEST_F(FolderDirPasses, EmptyPathListsNothingRatherThanTheCurrentDirectory) {
    // A tree node without a path gives an empty one; "*" alone would search wherever
    // the process happens to stand.
    touch(L"here.mp3");
    wchar_t previous[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
    FolderDir folder(L"");
    const Names names = listNames(folder);
    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(names.empty());
}

// --- stopping while messages are drained -----------------------------------------------

constexpr UINT kStopListing = WM_APP + 20;

// Stands for the file list's window: on kStopListing it clears the listing's flag, and
// may drop the folder as the main window does when another node is selected.
class InterruptingWindow : public Window {
public:
    explicit InterruptingWindow(bool& keepGoing) : keepGoing_(keepGoing) {
        static const ATOM atom =
            registerWindowClass(0, nullptr, nullptr, nullptr, L"melodrift-FolderDirTest", nullptr);
        CreateWindowExW(0, MAKEINTATOM(atom), L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                        GetModuleHandleW(nullptr), this);
    }
    ~InterruptingWindow() override {
        if (IsWindow(window())) DestroyWindow(window());
    }
    LRESULT handleMessage(HWND h, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kStopListing) return DefWindowProcW(h, message, wParam, lParam);
        ++stops;
        keepGoing_ = false;
        folderToDrop.reset();
        return 0;
    }
    // Posted once the listing's next pump is due to drain, as a click that comes while
    // a listing runs is met by the first drain after it.
    void postStop() const {
        ASSERT_TRUE(test::waitUntil(messageDrainIsDue));
        ASSERT_TRUE(PostMessageW(window(), kStopListing, 0, 0));
    }

    std::shared_ptr<Folder> folderToDrop;
    int stops = 0;

private:
    bool& keepGoing_;
};

// Holds a FolderDir alone in a page that is made inaccessible when the folder is
// destroyed. A later touch of the object is recorded, and the page opened again so that
// the test can report it, rather than crashing the test program.
class FencedFolder {
public:
    FencedFolder()
        : page_(VirtualAlloc(nullptr, sizeof(FolderDir), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)),
          handler_(AddVectoredExceptionHandler(1, onFault)) {
        active_ = this;
    }
    ~FencedFolder() {
        RemoveVectoredExceptionHandler(handler_);
        active_ = nullptr;
        VirtualFree(page_, 0, MEM_RELEASE);
    }
    FencedFolder(const FencedFolder&) = delete;
    FencedFolder& operator=(const FencedFolder&) = delete;

    std::shared_ptr<Folder> make(const std::wstring& path) {
        return std::shared_ptr<Folder>(new (page_) FolderDir(path, pumpPendingMessages), [this](Folder* folder) {
            folder->~Folder();
            protect(PAGE_NOACCESS);
        });
    }
    bool touchedAfterDestruction() const { return touched_; }

private:
    void protect(DWORD access) {
        DWORD previous;
        VirtualProtect(page_, sizeof(FolderDir), access, &previous);
    }
    static LONG CALLBACK onFault(EXCEPTION_POINTERS* info) {
        const EXCEPTION_RECORD& record = *info->ExceptionRecord;
        FencedFolder* fence = active_;
        if (!fence || record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record.NumberParameters < 2)
            return EXCEPTION_CONTINUE_SEARCH;
        const auto address = static_cast<uintptr_t>(record.ExceptionInformation[1]);
        const auto start = reinterpret_cast<uintptr_t>(fence->page_);
        if (address < start || address >= start + sizeof(FolderDir)) return EXCEPTION_CONTINUE_SEARCH;
        fence->touched_ = true;
        fence->protect(PAGE_READWRITE);
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    static FencedFolder* active_;
    void* page_;
    void* handler_;
    bool touched_ = false;
};

FencedFolder* FencedFolder::active_ = nullptr;

class FolderDirStop : public FolderDirTest {
protected:
    void SetUp() override { touchAll({L"1.mp3", L"2.mp3", L"3.mp3", L"4.mp3"}); }

    bool keepGoing = true;
    FencedFolder fence;  // outlives the window, which may still hold a folder from it
    InterruptingWindow window{keepGoing};
    FolderItem item;
};

TEST_F(FolderDirStop, FlagFalseOnEntryReturnsFalseAndConsumesNothing) {
    FolderDir folder(dir.path(), pumpPendingMessages);
    keepGoing = false;
    EXPECT_FALSE(folder.nextItem(kEverything, item, keepGoing));
    EXPECT_FALSE(folder.nextItem(kEverything, item, keepGoing));
    EXPECT_EQ(listNames(folder), (Names{L"1.mp3", L"2.mp3", L"3.mp3", L"4.mp3"}));
}

TEST_F(FolderDirStop, FlagClearedWhileDrainingStopsAndTheListingResumesWhereItWas) {
    FolderDir folder(dir.path(), pumpPendingMessages);
    ASSERT_TRUE(folder.nextItem(kEverything, item, keepGoing));
    Names seen{item.name};

    window.postStop();
    item.name = L"untouched";
    EXPECT_FALSE(folder.nextItem(kEverything, item, keepGoing));
    EXPECT_EQ(window.stops, 1);
    EXPECT_EQ(item.name, L"untouched");

    keepGoing = true;
    for (const std::wstring& name : listNames(folder)) seen.push_back(name);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (Names{L"1.mp3", L"2.mp3", L"3.mp3", L"4.mp3"}));
}

TEST_F(FolderDirStop, FolderDroppedWhileDrainingIsNotTouchedAgain) {
    std::shared_ptr<Folder> folder = fence.make(dir.path());
    Folder* listed = folder.get();
    // An open search, as in the middle of a real listing.
    ASSERT_TRUE(listed->nextItem(kEverything, item, keepGoing));

    window.folderToDrop = std::move(folder);
    window.postStop();
    // The handler destroys the folder while nextItem drains.
    EXPECT_FALSE(listed->nextItem(kEverything, item, keepGoing));
    EXPECT_EQ(window.stops, 1);
    EXPECT_FALSE(window.folderToDrop);
    EXPECT_FALSE(fence.touchedAfterDestruction());
}

TEST_F(FolderDirStop, FolderDroppedBeforeItsFirstSearchIsNotTouchedEither) {
    std::shared_ptr<Folder> folder = fence.make(dir.path());
    Folder* listed = folder.get();
    window.folderToDrop = std::move(folder);
    window.postStop();
    EXPECT_FALSE(listed->nextItem(kEverything, item, keepGoing));
    EXPECT_EQ(window.stops, 1);
    EXPECT_FALSE(fence.touchedAfterDestruction());
}

// --- players for listed files ----------------------------------------------------------

// A PCM WAV file of silence: 8 kHz, mono, 16 bits.
std::string silentWav(int seconds) {
    const uint32_t dataBytes = 8000u * 2u * static_cast<uint32_t>(seconds);
    std::string bytes;
    auto put = [&bytes](uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    bytes += "RIFF";
    put(36 + dataBytes, 4);
    bytes += "WAVEfmt ";
    put(16, 4);
    put(1, 2);      // PCM
    put(1, 2);      // channels
    put(8000, 4);   // samples a second
    put(16000, 4);  // bytes a second
    put(2, 2);      // block size
    put(16, 2);     // bits a sample
    bytes += "data";
    put(dataBytes, 4);
    bytes.append(dataBytes, '\0');
    return bytes;
}

class FolderDirPlayer : public FolderDirTest {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }

    std::shared_ptr<Player> playerFor(const std::wstring& folderPath, const std::wstring& name) {
        FolderDir folder(folderPath);
        return folder.createPlayer(name, window.window(), test::NotifyWindow::kGraphEvent,
                                   test::NotifyWindow::kTrackEnd);
    }

    test::NotifyWindow window;
};

TEST_F(FolderDirPlayer, RendersTheFileOfThatNameInTheFolder) {
    touch(L"曲 2.wav", silentWav(2));
    for (const std::wstring& folderPath : {dir.path(), dir.path() + L"\\"}) {
        SCOPED_TRACE(testing::Message() << "folder path of " << folderPath.size() << " characters");
        // The player outlives the folder that made it.
        const std::shared_ptr<Player> player = playerFor(folderPath, L"曲 2.wav");
        ASSERT_TRUE(player);
        EXPECT_EQ(player->state(), Stopped);
        EXPECT_EQ(player->duration(), 2);
        EXPECT_EQ(player->folderPath(), folderPath);
        EXPECT_EQ(player->itemName(), L"曲 2.wav");
    }
}

TEST_F(FolderDirPlayer, MissingFileGivesAPlayerThatCannotPlay) {
    const std::shared_ptr<Player> player = playerFor(dir.path(), L"gone.wav");
    ASSERT_TRUE(player);
    EXPECT_EQ(player->state(), NotReady);
    EXPECT_FALSE(player->play());
    EXPECT_EQ(player->itemName(), L"gone.wav");
}

}  // namespace
}  // namespace melodrift
