// melodrift.exe as a black box: copied into a temporary folder under various names,
// started, told to close, and its settings files checked afterwards.
#include "app/installation_lock.h"
#include "settings/settings_store.h"
#include "support/files.h"
#include "support/recording.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "ui/hand_over.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace melodrift {
namespace {

using test::TempDir;

std::wstring builtExe() {
    const std::wstring path = test::environmentVariable(L"MELODRIFT_EXE");
    EXPECT_FALSE(path.empty()) << "MELODRIFT_EXE names the built program";
    return path;
}

struct FindContext {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findMainWindow(HWND hwnd, LPARAM param) {
    auto* context = reinterpret_cast<FindContext*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t className[64];
    if (pid == context->processId && GetClassNameW(hwnd, className, 64) &&
        wcscmp(className, L"melodrift-MainWindow") == 0) {
        context->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// One run of the program: started on construction, killed if a test leaves it running.
class ProgramRun {
public:
    explicit ProgramRun(const std::wstring& exe, const std::wstring& argument = L"",
                        const std::wstring& currentDirectory = L"") {
        std::wstring commandLine = L"\"" + exe + L"\"";
        if (!argument.empty()) commandLine += L" \"" + argument + L"\"";
        STARTUPINFOW startup{sizeof startup};
        if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                            currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &process_))
            process_ = {};
        if (process_.hThread) CloseHandle(process_.hThread);
    }
    ~ProgramRun() {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 255);
            CloseHandle(process_.hProcess);
        }
    }
    bool started() const { return process_.hProcess != nullptr; }

    HWND waitForMainWindow(DWORD timeoutMs = 60000) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < timeoutMs) {
            FindContext context{process_.dwProcessId, nullptr};
            EnumWindows(findMainWindow, reinterpret_cast<LPARAM>(&context));
            if (context.found) return context.found;
            if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
        }
        return nullptr;
    }

    // Exit code, or -1 when the program did not end in time.
    long waitForExit(DWORD timeoutMs = 60000) {
        if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    PROCESS_INFORMATION process_{};
};

// The seek bar is enabled exactly while something plays.
bool seekBarEnabled(HWND window) {
    HWND rebar = FindWindowExW(window, nullptr, REBARCLASSNAMEW, nullptr);
    HWND seek = rebar ? FindWindowExW(rebar, nullptr, TRACKBAR_CLASSW, nullptr) : nullptr;
    return seek && IsWindowEnabled(seek);
}

// Starts the copy, closes its window as a user would (once something plays, when
// asked to wait for that), and returns the exit code.
long runAndClose(const std::wstring& exe, const std::wstring& argument = L"", bool waitForPlaying = false) {
    ProgramRun run(exe, argument);
    EXPECT_TRUE(run.started()) << "GetLastError " << GetLastError();
    if (!run.started()) return -1;
    HWND window = run.waitForMainWindow();
    EXPECT_NE(window, nullptr) << "the main window never appeared";
    if (!window) return -1;
    if (waitForPlaying) {
        const DWORD start = GetTickCount();
        while (!seekBarEnabled(window) && GetTickCount() - start < 60000) Sleep(50);
        EXPECT_TRUE(seekBarEnabled(window)) << "nothing played";
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    return run.waitForExit();
}

class Program : public ::testing::Test {
protected:
    std::wstring copyAs(const std::wstring& name) {
        const std::wstring target = dir.file(name);
        EXPECT_TRUE(CopyFileW(builtExe().c_str(), target.c_str(), FALSE));
        return target;
    }
    TempDir dir;
};

const wchar_t kDefaultPlayable[] = L"Playable=*.mp?;*.wma;*.asf;*.wav;*.og?;*.aac\r\n";

// Every state key the main window writes at exit.
const wchar_t* const kStateKeys[] = {
    L"FileList.Column[0]", L"FileList.Column[1]", L"FileList.Column[2]", L"FileList.Column[3]", L"LastFile",
    L"LastFolder", L"MainWnd.MaxPos.x", L"MainWnd.MaxPos.y", L"MainWnd.MinPos.x", L"MainWnd.MinPos.y",
    L"MainWnd.Pos.bottom", L"MainWnd.Pos.left", L"MainWnd.Pos.right", L"MainWnd.Pos.top", L"MainWnd.ShowCmd",
    L"MainWnd.Splitter", L"Random", L"Repeat", L"Volume"};

SettingsStore storeAt(const std::wstring& path) {
    SettingsStore store;
    store.load(path);
    return store;
}

TEST_F(Program, FirstRunClosesWithExitCodeZeroAndWritesEveryDefault) {
    EXPECT_EQ(runAndClose(copyAs(L"melodrift.exe")), 0);
    EXPECT_EQ(test::readBytes(dir.file(L"melodrift-config.txt")),
              test::utf16le(std::wstring(L"Favorite[00]=\r\nHidden=\r\n") + kDefaultPlayable));
    SettingsStore state = storeAt(dir.file(L"melodrift-state.txt"));
    for (const wchar_t* key : kStateKeys) EXPECT_EQ(state.entries().count(key), 1u) << key;
    EXPECT_EQ(state.entries().size(), std::size(kStateKeys));
    EXPECT_EQ(state.getString(L"FileList.Column[0]", nullptr), L"200");
    EXPECT_EQ(state.getString(L"FileList.Column[1]", nullptr), L"50");
    EXPECT_EQ(state.getString(L"MainWnd.Pos.right", nullptr), L"640");
    EXPECT_EQ(state.getString(L"MainWnd.Pos.bottom", nullptr), L"480");
    EXPECT_EQ(state.getString(L"MainWnd.ShowCmd", nullptr), L"1");
    EXPECT_EQ(state.getString(L"Volume", nullptr), L"0");
    EXPECT_EQ(state.getString(L"Random", nullptr), L"0");
    EXPECT_EQ(state.getString(L"Repeat", nullptr), L"0");
    EXPECT_EQ(state.getString(L"LastFolder", nullptr), L"");
}

TEST_F(Program, ConfigLoadedAndUnchangedIsNotRewrittenAndStateAlwaysIs) {
    const std::wstring config = dir.file(L"melodrift-config.txt");
    const std::wstring state = dir.file(L"melodrift-state.txt");
    // No mark, LF endings and an unknown key: any rewrite would show in the bytes.
    test::writeBytes(config, test::utf16le(std::wstring(L"Hidden=cd\nFavorite[00]=C:\\音楽\nFavorite[01]=\n") +
                                               L"Unknown=1\n" + kDefaultPlayable, false));
    test::writeBytes(state, test::utf16le(L"Volume=-5000\n", false));
    test::ageFile(config);
    test::ageFile(state);
    const std::string configBytes = test::readBytes(config);
    const test::FileTimes configTimes = test::fileTimes(config);

    EXPECT_EQ(runAndClose(copyAs(L"melodrift.exe")), 0);

    EXPECT_EQ(test::readBytes(config), configBytes);
    EXPECT_TRUE(test::fileTimes(config) == configTimes);
    SettingsStore saved = storeAt(state);
    EXPECT_EQ(saved.getString(L"Volume", nullptr), L"-5000");
    EXPECT_EQ(saved.entries().size(), std::size(kStateKeys));
}

TEST_F(Program, UnusualValuesAreClampedOrIgnoredAndFavouritesAfterAGapStayUntouched) {
    const std::wstring config = dir.file(L"melodrift-config.txt");
    const std::wstring state = dir.file(L"melodrift-state.txt");
    test::writeBytes(config, test::utf16le(L"Favorite[00]=\r\nFavorite[01]=C:\\windows\r\n"));
    test::writeBytes(state, test::utf16le(L"Volume=5\r\nRepeat=3\r\nRandom=65536\r\n"));
    EXPECT_EQ(runAndClose(copyAs(L"melodrift.exe")), 0);
    SettingsStore saved = storeAt(state);
    EXPECT_EQ(saved.getString(L"Volume", nullptr), L"0");
    EXPECT_EQ(saved.getString(L"Repeat", nullptr), L"0");
    // The button is checked by the low 16 bits only.
    EXPECT_EQ(saved.getString(L"Random", nullptr), L"0");
    SettingsStore savedConfig = storeAt(config);
    EXPECT_EQ(savedConfig.getString(L"Favorite[00]", nullptr), L"");
    EXPECT_EQ(savedConfig.getString(L"Favorite[01]", nullptr), L"C:\\windows");

    test::writeBytes(state, test::utf16le(L"Volume=-20000\r\nRepeat=-1\r\n"));
    EXPECT_EQ(runAndClose(copyAs(L"melodrift.exe")), 0);
    saved = storeAt(state);
    EXPECT_EQ(saved.getString(L"Volume", nullptr), L"-10000");
    EXPECT_EQ(saved.getString(L"Repeat", nullptr), L"0");

    test::writeBytes(state, test::utf16le(L"Repeat=2\r\nRandom=1\r\n"));
    EXPECT_EQ(runAndClose(copyAs(L"melodrift.exe")), 0);
    saved = storeAt(state);
    EXPECT_EQ(saved.getString(L"Repeat", nullptr), L"2");
    EXPECT_EQ(saved.getString(L"Random", nullptr), L"1");
}

TEST_F(Program, AFileOnTheCommandLinePlaysAndIsRememberedAsTheLastFolderAndFile) {
    const std::wstring music = dir.file(L"曲");
    ASSERT_TRUE(CreateDirectoryW(music.c_str(), nullptr));
    const std::wstring fixtures = test::environmentVariable(L"MELODRIFT_FIXTURES");
    ASSERT_FALSE(fixtures.empty());
    ASSERT_TRUE(CopyFileW((fixtures + L"\\tone660_6s.wav").c_str(), (music + L"\\ラ.wav").c_str(), FALSE));
    EXPECT_EQ(runAndClose(copyAs(L"melodrift.exe"), music + L"\\ラ.wav", true), 0);
    SettingsStore state = storeAt(dir.file(L"melodrift-state.txt"));
    EXPECT_EQ(state.getString(L"LastFolder", nullptr), music);
    EXPECT_EQ(state.getString(L"LastFile", nullptr), L"ラ.wav");
}

TEST_F(Program, DottedNameKeepsEverythingBeforeTheLastDot) {
    EXPECT_EQ(runAndClose(copyAs(L"my.player.exe")), 0);
    EXPECT_TRUE(test::fileExists(dir.file(L"my.player-config.txt")));
    EXPECT_FALSE(test::fileExists(dir.file(L"my-config.txt")));
}

TEST_F(Program, NameWithoutExtensionIsUsedWhole) {
    EXPECT_EQ(runAndClose(copyAs(L"player")), 0);
    EXPECT_TRUE(test::fileExists(dir.file(L"player-config.txt")));
}

TEST_F(Program, FolderWithJapaneseNameAndDotsWorks) {
    TempDir inner(dir.path());
    const std::wstring folder = inner.path() + L"\\音楽.v2";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring exe = folder + L"\\プレーヤー.exe";
    ASSERT_TRUE(CopyFileW(builtExe().c_str(), exe.c_str(), FALSE));
    EXPECT_EQ(runAndClose(exe), 0);
    EXPECT_TRUE(test::fileExists(folder + L"\\プレーヤー-config.txt"));
}

// Later starts of one installation: the running player gets their paths, and they
// leave the settings files alone.
TEST_F(Program, LaterStartsHandTheirPathsToTheRunningPlayer) {
    if (test::Recording::path().empty()) GTEST_SKIP() << "no sound server recording in this run";
    const std::wstring exe = copyAs(L"melodrift.exe");
    const std::wstring config = dir.file(L"melodrift-config.txt");
    const std::wstring state = dir.file(L"melodrift-state.txt");
    test::writeBytes(config, test::utf16le(std::wstring(L"Favorite[00]=\r\nHidden=\r\n") + kDefaultPlayable));
    test::writeBytes(state, test::utf16le(L"Volume=0\r\n"));
    ProgramRun player(exe);
    HWND window = player.waitForMainWindow();
    ASSERT_NE(window, nullptr);
    test::ageFile(config);
    test::ageFile(state);
    const std::string configBytes = test::readBytes(config), stateBytes = test::readBytes(state);
    const test::FileTimes configTimes = test::fileTimes(config), stateTimes = test::fileTimes(state);

    // Malformed hand-overs are refused.
    const struct {
        ULONG_PTR tag;
        std::string bytes;
    } malformed[] = {{kHandOverTag, ""},
                     {kHandOverTag, std::string("a\0b", 3)},                  // odd size
                     {kHandOverTag, std::string("a\0b\0", 4)},               // no terminator
                     {kHandOverTag, std::string("a\0\0\0b\0\0\0", 8)},       // text after it
                     {kHandOverTag + 1, std::string("C\0:\0\0\0", 6)}};    // another tag
    for (const auto& message : malformed) {
        COPYDATASTRUCT data{message.tag, static_cast<DWORD>(message.bytes.size()),
                            const_cast<char*>(message.bytes.data())};
        DWORD_PTR accepted = TRUE;
        EXPECT_NE(SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_BLOCK, 30000,
                                      &accepted),
                  0);
        EXPECT_EQ(accepted, static_cast<DWORD_PTR>(FALSE)) << message.bytes.size() << " bytes";
    }

    // Without a path, by the same exe's path in other letter case: the window comes back.
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(test::waitUntil([&] { return IsIconic(window) != FALSE; }));
    std::wstring upperCase = exe;
    CharUpperBuffW(&upperCase[0], static_cast<DWORD>(upperCase.size()));
    EXPECT_EQ(ProgramRun(upperCase).waitForExit(), 0);
    EXPECT_TRUE(test::waitUntil([&] { return !IsIconic(window); }));

    // A relative path, longer than MAX_PATH once absolute, with Japanese names.
    std::wstring relative = L"曲";
    ASSERT_TRUE(CreateDirectoryW(dir.file(relative).c_str(), nullptr));
    while (dir.path().size() + relative.size() < MAX_PATH + 10) {
        relative += L"\\とても長いフォルダの名前";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + dir.file(relative)).c_str(), nullptr));
    }
    const std::wstring fixture = test::environmentVariable(L"MELODRIFT_FIXTURES") + L"\\tone660_6s.wav";
    ASSERT_TRUE(CopyFileW(fixture.c_str(), (L"\\\\?\\" + dir.file(relative) + L"\\ラ.wav").c_str(), FALSE));
    EXPECT_EQ(ProgramRun(exe, relative + L"\\ラ.wav", dir.path()).waitForExit(), 0);

    EXPECT_EQ(test::readBytes(config), configBytes);
    EXPECT_EQ(test::readBytes(state), stateBytes);
    EXPECT_TRUE(test::fileTimes(config) == configTimes);
    EXPECT_TRUE(test::fileTimes(state) == stateTimes);
    int windows = 0;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"melodrift-MainWindow", nullptr)) != nullptr;) ++windows;
    EXPECT_EQ(windows, 1);

    ASSERT_TRUE(test::waitUntil([&] { return seekBarEnabled(window); })) << "nothing played";
    test::Recording recording;
    const size_t from = recording.mark();
    ASSERT_TRUE(recording.waitFor(from, 2.0));
    const test::ToneReport heard = test::analyseTone(recording.samples(from, recording.mark()), 660);
    EXPECT_GT(heard.toneSeconds, 1.5) << heard.describe();

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(player.waitForExit(), 0);
    SettingsStore saved = storeAt(state);
    EXPECT_EQ(saved.getString(L"LastFolder", nullptr), dir.file(relative));
    EXPECT_EQ(saved.getString(L"LastFile", nullptr), L"ラ.wav");
}

TEST_F(Program, CopiesInDifferentFoldersRunSideBySide) {
    TempDir other;
    const std::wstring otherExe = other.file(L"melodrift.exe");
    ASSERT_TRUE(CopyFileW(builtExe().c_str(), otherExe.c_str(), FALSE));
    ProgramRun first(copyAs(L"melodrift.exe")), second(otherExe);
    HWND firstWindow = first.waitForMainWindow(), secondWindow = second.waitForMainWindow();
    ASSERT_NE(firstWindow, nullptr);
    ASSERT_NE(secondWindow, nullptr);
    PostMessageW(firstWindow, WM_CLOSE, 0, 0);
    PostMessageW(secondWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.waitForExit(), 0);
    EXPECT_EQ(second.waitForExit(), 0);
    EXPECT_TRUE(test::fileExists(other.file(L"melodrift-state.txt")));
}

TEST_F(Program, AStartWhosePlayerDoesNotAnswerGivesUpAndWritesNothing) {
    const std::wstring exe = copyAs(L"melodrift.exe");
    ProgramRun silent(test::environmentVariable(L"MELODRIFT_SILENT_PLAYER"), installationName(exe));
    ASSERT_NE(silent.waitForMainWindow(), nullptr);
    const long exitCode = ProgramRun(exe, dir.file(L"曲.wav")).waitForExit();
    EXPECT_NE(exitCode, -1) << "the start hung";
    EXPECT_NE(exitCode, 0);
    EXPECT_EQ(test::fileNamesIn(dir.path()), std::vector<std::wstring>{L"melodrift.exe"});
}

// The release zip as a user gets it, unpacked into a fresh folder by the test fixture:
// it runs from there, and a run writes the two settings files beside it and nothing else.
TEST(Release, TheUnpackedFolderRunsAndWritesOnlyItsSettings) {
    const std::wstring folder = test::environmentVariable(L"MELODRIFT_RELEASE_DIR");
    ASSERT_FALSE(folder.empty()) << "MELODRIFT_RELEASE_DIR names the unpacked release";
    const std::vector<std::wstring> shipped = {L"7-Zip-readme.txt", L"7z.dll", L"License.txt", L"melodrift.exe",
                                               L"readme.txt"};
    ASSERT_EQ(test::fileNamesIn(folder), shipped);
    EXPECT_EQ(runAndClose(folder + L"\\melodrift.exe"), 0);
    std::vector<std::wstring> after = shipped;
    after.insert(after.end(), {L"melodrift-config.txt", L"melodrift-state.txt"});
    std::sort(after.begin(), after.end());
    EXPECT_EQ(test::fileNamesIn(folder), after);
}

// The version resource names the product, its version and the build's architecture.
TEST(Release, TheExecutableCarriesItsVersionAndArchitecture) {
    const std::wstring exe = builtExe();
    std::vector<char> info(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
        if (!VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) return std::wstring();
        return std::wstring(value);
    };
    const std::wstring release = test::environmentVariable(L"MELODRIFT_RELEASE_NAME");  // melodrift-VERSION-ARCH
    const std::wstring version = release.substr(10, release.rfind(L'-') - 10);
    EXPECT_EQ(text(L"ProductName"), L"melodrift");
    EXPECT_EQ(text(L"ProductVersion"), version);
    EXPECT_EQ(text(L"FileVersion"), version);
    EXPECT_NE(text(L"FileDescription").find(L"(" + release.substr(release.rfind(L'-') + 1) + L")"), std::wstring::npos);
}

// The resources the window and toolbar load from the executable.
class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryExW(builtExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    std::string resource(LPCWSTR name, LPCWSTR type) {
        HRSRC found = FindResourceW(module, name, type);
        if (!found) return {};
        HGLOBAL data = LoadResource(module, found);
        return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(module, found));
    }
    HMODULE module = nullptr;
};

TEST_F(Resources, ToolbarStripIsElevenSixteenPixelImagesInSixteenColours) {
    const std::string bitmap = resource(MAKEINTRESOURCEW(100), RT_BITMAP);
    ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD));
    BITMAPINFOHEADER header;
    memcpy(&header, bitmap.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 176);
    EXPECT_EQ(header.biHeight, 16);
    EXPECT_EQ(header.biBitCount, 4);

    // Pure green is the transparent colour: it must be in the palette, and every
    // image must also have pixels that are not transparent.
    const auto* palette = reinterpret_cast<const RGBQUAD*>(bitmap.data() + header.biSize);
    int green = -1;
    for (int i = 0; i < 16; ++i)
        if (palette[i].rgbRed == 0 && palette[i].rgbGreen == 255 && palette[i].rgbBlue == 0) green = i;
    ASSERT_GE(green, 0);
    const auto* pixels = reinterpret_cast<const unsigned char*>(bitmap.data() + header.biSize + 16 * sizeof(RGBQUAD));
    const int stride = ((176 * 4 + 31) / 32) * 4;
    for (int image = 0; image < 11; ++image) {
        int drawn = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = image * 16; x < image * 16 + 16; ++x) {
                const unsigned char byte = pixels[y * stride + x / 2];
                if (((x % 2) ? (byte & 0x0F) : (byte >> 4)) != green) ++drawn;
            }
        EXPECT_GT(drawn, 10) << "image " << image << " is empty";
    }
}

TEST_F(Resources, IconGroupTenHasSmallAndLargeImages) {
    for (int size : {16, 32}) {
        HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(10), IMAGE_ICON, size, size, 0));
        EXPECT_NE(icon, nullptr) << size;
        if (icon) DestroyIcon(icon);
    }
}

TEST_F(Resources, ManifestAsksForAsInvokerAndNotForCommonControlsSix) {
    const std::string manifest = resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_EQ(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
}

}  // namespace
}  // namespace melodrift
