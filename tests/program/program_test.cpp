// melodrift.exe as a black box: copied under various names, started, told to close, its settings files read after.
#include "app/installation_lock.h"
#include "base/paths.h"
#include "settings/settings_store.h"
#include "support/recording.h"
#include "support/temp_dir.h"
#include "ui/hand_over.h"

#include <gtest/gtest.h>

namespace melodrift {
namespace {

using Names = std::vector<std::wstring>;
const std::wstring kExe = test::environmentVariable(L"MELODRIFT_EXE");

// One run of the program: started on construction, killed if a test leaves it running.
class ProgramRun {
public:
    explicit ProgramRun(const std::wstring& exe, const std::wstring& argument = L"", const wchar_t* folder = nullptr)
        : installation_(installationName(exe)) {
        std::wstring commandLine = L"\"" + exe + L"\"" + (argument.empty() ? L"" : L" \"" + argument + L"\"");
        STARTUPINFOW startup{sizeof startup};
        EXPECT_TRUE(CreateProcessW(
            exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &process_))
            << "cannot start " << std::string(exe.begin(), exe.end());
        if (process_.hThread) CloseHandle(process_.hThread);
    }
    ~ProgramRun() {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 255);
        if (process_.hProcess) CloseHandle(process_.hProcess);
    }
    HWND waitForMainWindow() {  // marked once the player takes later starts' paths
        HWND window = nullptr;
        test::waitUntil([&] { return (window = findPlayerWindow(installation_)) != nullptr; }, 60000);
        EXPECT_NE(window, nullptr) << "the main window never appeared";
        return window;
    }
    long waitForExit() {  // the exit code, or -1 when the program did not end in time
        DWORD code = 0;
        if (!process_.hProcess || WaitForSingleObject(process_.hProcess, 60000) != WAIT_OBJECT_0) return -1;
        GetExitCodeProcess(process_.hProcess, &code);
        return long(code);
    }

private:
    std::wstring installation_;
    PROCESS_INFORMATION process_{};
};

// Starts the programs side by side, closes each window as a user would once it is up; the exit codes.
std::vector<long> runAndClose(const Names& exes) {
    std::vector<std::unique_ptr<ProgramRun>> runs;
    for (const auto& exe : exes) runs.push_back(std::make_unique<ProgramRun>(exe));
    std::vector<long> codes;
    for (auto& run : runs)
        if (HWND window = run->waitForMainWindow()) PostMessageW(window, WM_CLOSE, 0, 0);
    for (auto& run : runs) codes.push_back(run->waitForExit());
    return codes;
}

std::wstring copyTo(const std::wstring& folder, const std::wstring& name, const std::wstring& from = kExe) {
    CreateDirectoryW(folder.c_str(), nullptr);  // or it exists: the copy tells
    EXPECT_TRUE(CopyFileW(from.c_str(), (folder + L"\\" + name).c_str(), FALSE));
    return folder + L"\\" + name;
}

std::wstring value(const std::wstring& file, const wchar_t* key) {
    SettingsStore store;
    store.load(file);
    return store.entries().count(key) ? store.getString(key, nullptr) : L"(none)";
}

// Installations elsewhere, under other names and the release zip's, side by side; an unchanged config keeps its bytes.
TEST(Program, InstallationsRunSideBySideEachWithItsOwnSettings) {
    test::TempDir dir;
    const std::wstring release = fullPath(test::environmentVariable(L"MELODRIFT_RELEASE_DIR"));  // as the exe sees it
    const Names exes{copyTo(dir.path(), L"melodrift.exe"), copyTo(dir.file(L"b"), L"melodrift.exe"),
        copyTo(dir.file(L"c"), L"my.player.exe"), copyTo(dir.file(L"d"), L"player"),
        copyTo(dir.file(L"音楽.v2"), L"プレーヤー.exe"), release + L"\\melodrift.exe"};
    const std::wstring kept = dir.file(L"b\\melodrift-config.txt");
    const std::string config = test::utf16le(
        L"Hidden=cd\nFavorite[00]=C:\\音楽\nFavorite[01]=\nFavorite[02]=C:\\windows\nUnknown=1\nPlayable=*.wav\n",
        false);
    test::writeBytes(kept, config);
    EXPECT_EQ(runAndClose(exes), std::vector<long>(exes.size(), 0));
    const std::pair<std::wstring, Names> written[] = {
        {dir.file(L"b"), {L"melodrift-config.txt", L"melodrift-state.txt", L"melodrift.exe"}},
        {dir.file(L"c"), {L"my.player-config.txt", L"my.player-state.txt", L"my.player.exe"}},
        {dir.file(L"d"), {L"player", L"player-config.txt", L"player-state.txt"}},
        {dir.file(L"音楽.v2"), {L"プレーヤー-config.txt", L"プレーヤー-state.txt", L"プレーヤー.exe"}},
        {release, {L"7-Zip-readme.txt", L"7z.dll", L"COPYING.LGPLv2.1", L"License.txt", L"avcodec-59.dll",
                      L"avformat-59.dll", L"avutil-57.dll", L"ffmpeg-source.txt", L"melodrift-config.txt",
                      L"melodrift-state.txt", L"melodrift.exe", L"readme.txt", L"swresample-4.dll"}}};
    for (const auto& [folder, files] : written) EXPECT_EQ(test::fileNamesIn(folder), files) << folder;
    EXPECT_EQ(test::readBytes(kept), config);
    const std::wstring fresh = dir.file(L"melodrift-config.txt");  // the keys a user edits, playable files listed
    EXPECT_EQ(value(fresh, L"Favorite[00]") + L"|" + value(fresh, L"Hidden"), L"|");
    EXPECT_NE(value(fresh, L"Playable").find(L"*.wav"), std::wstring::npos);
}

// Later starts of an installation hand the running player their paths (or bring it to the front), write no settings
// and end. The copy has no FFmpeg beside it: it plays what the platform plays.
TEST(Program, LaterStartsHandTheirPathsToTheRunningPlayer) {
    if (test::Recording::path().empty()) GTEST_SKIP() << "no sound server recording in this run";
    test::TempDir dir;
    const std::wstring exe = copyTo(dir.path(), L"melodrift.exe"), music = dir.file(L"曲");
    copyTo(music, L"ラ.wav", test::audioFixture(L"tone440_3s.wav"));
    test::Recording recording;
    const size_t started = recording.mark();
    ProgramRun player(exe, music + L"\\ラ.wav");
    HWND window = player.waitForMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(test::waitUntil([&] {
        return test::analyseTone(recording.samples(started, recording.mark()), 440).toneSeconds > 0.5;
    })) << "the file on the command line is not heard";
    const std::tuple<const char*, ULONG_PTR, std::string> malformed[] = {
        {"empty", kHandOverTag, ""},
        {"odd size", kHandOverTag, std::string("a\0b", 3)},
        {"text after the terminator", kHandOverTag, std::string("a\0\0\0b\0\0\0", 8)},
        {"another tag", kHandOverTag + 1, std::string("C\0:\0\0\0", 6)},
    };
    for (const auto& [label, tag, bytes] : malformed) {
        COPYDATASTRUCT data{tag, DWORD(bytes.size()), const_cast<char*>(bytes.data())};
        DWORD_PTR accepted = TRUE;
        EXPECT_NE(SendMessageTimeoutW(window, WM_COPYDATA, 0, LPARAM(&data), SMTO_BLOCK, 30000, &accepted), 0) << label;
        EXPECT_EQ(accepted, DWORD_PTR(FALSE)) << label;
    }
    // Without a path, by the same exe's path in other letter case: the window comes back.
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(test::waitUntil([&] { return IsIconic(window) != FALSE; }));
    std::wstring upperCase = exe;
    CharUpperBuffW(&upperCase[0], DWORD(upperCase.size()));
    EXPECT_EQ(ProgramRun(upperCase).waitForExit(), 0);
    EXPECT_TRUE(test::waitUntil([&] { return !IsIconic(window); }));
    // A relative path, longer than MAX_PATH once absolute, with Japanese names.
    std::wstring relative = L"曲";
    while (dir.path().size() + relative.size() < MAX_PATH + 10) {
        relative += L"\\とても長いフォルダの名前";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + dir.file(relative)).c_str(), nullptr));
    }
    copyTo(L"\\\\?\\" + dir.file(relative), L"ラ.wav", test::audioFixture(L"tone660_6s.wav"));
    EXPECT_EQ(ProgramRun(exe, relative + L"\\ラ.wav", dir.path().c_str()).waitForExit(), 0);
    EXPECT_EQ(test::fileNamesIn(dir.path()), (Names{L"melodrift.exe", L"曲"})) << "a later start wrote settings";
    // The handed-over file is heard (after what is left of the first).
    const size_t from = recording.mark();
    test::ToneReport heard;
    EXPECT_TRUE(test::waitUntil([&] {
        return (heard = test::analyseTone(recording.samples(from, recording.mark()), 660)).toneSeconds > 1.5;
    })) << heard;
    // Logging off ends the process once WM_ENDSESSION is answered, with no WM_DESTROY: both files are written by then.
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 30000, &answer), 0);
    EXPECT_NE(answer, DWORD_PTR(0)) << "the player refuses to end the session";
    EXPECT_NE(SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 30000, &answer), 0);
    const std::wstring state = dir.file(L"melodrift-state.txt");
    EXPECT_EQ(value(state, L"LastFolder") + L"|" + value(state, L"LastFile"), dir.file(relative) + L"|ラ.wav");
    EXPECT_NE(value(dir.file(L"melodrift-config.txt"), L"Playable"), L"(none)");
}

// A hung player: this thread holds the installation's lock and marks a window, then reads no message meanwhile.
TEST(Program, AStartWhosePlayerDoesNotAnswerGivesUpAndWritesNothing) {
    test::TempDir dir;
    const std::wstring exe = copyTo(dir.path(), L"melodrift.exe");
    const InstallationLock lock(installationName(exe));
    const WindowHandle hung(CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(lock.held());
    ASSERT_TRUE(hung);
    markPlayerWindow(hung.get(), installationName(exe));
    const long exitCode = ProgramRun(exe, dir.file(L"曲.wav")).waitForExit();
    EXPECT_NE(exitCode, -1) << "the start hung";
    EXPECT_NE(exitCode, 0);
    EXPECT_EQ(test::fileNamesIn(dir.path()), Names{L"melodrift.exe"});
}

TEST(Program, ExecutableCarriesItsResources) {
    std::vector<char> info(GetFileVersionInfoSizeW(kExe.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(kExe.c_str(), 0, DWORD(info.size()), info.data()));
    auto text = [&](const wchar_t* name) {
        void* value = nullptr;
        UINT length = 0;
        VerQueryValueW(info.data(), (L"\\StringFileInfo\\041104B0\\" + std::wstring(name)).c_str(), &value, &length);
        return std::wstring(length ? static_cast<const wchar_t*>(value) : L"");
    };
    const std::wstring release = test::environmentVariable(L"MELODRIFT_RELEASE_NAME");  // melodrift-VERSION-ARCH
    const size_t dash = release.rfind(L'-');
    const std::wstring version = release.substr(10, dash - 10);
    EXPECT_EQ(text(L"ProductName") + L" " + text(L"ProductVersion") + L" " + text(L"FileVersion"),
        L"melodrift " + version + L" " + version);
    EXPECT_NE(text(L"FileDescription").find(L"(" + release.substr(dash + 1) + L")"), std::wstring::npos);
    const ModuleHandle module(LoadLibraryExW(kExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    const GdiObject strip(LoadImageW(module.get(), MAKEINTRESOURCEW(100), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectW(strip.get(), sizeof dib, &dib), int(sizeof dib));
    EXPECT_EQ(
        std::tuple(dib.dsBmih.biWidth, dib.dsBmih.biHeight, dib.dsBmih.biBitCount), std::tuple(176L, 16L, WORD(4)));
    for (int size : {16, 32}) {
        HICON icon = HICON(LoadImageW(module.get(), MAKEINTRESOURCEW(10), IMAGE_ICON, size, size, 0));
        EXPECT_NE(icon, nullptr) << size;
        DestroyIcon(icon);
    }
    const HRSRC found = FindResourceW(module.get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_TRUE(found);
    const std::string manifest(
        static_cast<const char*>(LockResource(LoadResource(module.get(), found))), SizeofResource(module.get(), found));
    const std::string architecture = release.substr(dash + 1) == L"x64" ? "amd64" : "x86";
    EXPECT_NE(manifest.find("processorArchitecture=\"" + architecture + "\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_EQ(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
}

}  // namespace
}  // namespace melodrift
