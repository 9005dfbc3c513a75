// The window base, its loop and pumps, and the entry point's guard around them.
#include "app/fatal_error_guard.h"
#include "settings/settings_files.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "ui/paced_pump.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <thread>

namespace melodrift {
namespace {

constexpr UINT kRecord = WM_APP + 1, kThrow = WM_APP + 2;

// Its window outlives it, as a window does whose object an exception has unwound.
struct RecordingWindow : Window {
    RecordingWindow() {
        static const ATOM atom = registerWindowClass(0, nullptr, nullptr, nullptr, L"melodrift-WindowTest", nullptr);
        CreateWindowExW(0, MAKEINTATOM(atom), L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
            GetModuleHandleW(nullptr), this);
    }
    LRESULT handleMessage(HWND h, UINT message, WPARAM w, LPARAM l) override {
        if (message == kRecord) posted.push_back(int(w));
        if (message == kThrow) throw std::length_error("string too long");
        return DefWindowProcW(h, message, w, l);
    }
    std::vector<int> posted;
};

TEST(Window, AThrowingHandlerLeavesThePumpAndTheMessagesBehindItQueued) {
    RecordingWindow window;
    PostMessageW(window.window(), kThrow, 0, 0);
    for (int i = 0; i < 3; ++i) PostMessageW(window.window(), kRecord, i, 0);
    EXPECT_THROW(pumpPendingMessages(), std::length_error);
    EXPECT_EQ(window.posted, std::vector<int>{});
    pumpPendingMessages();
    EXPECT_EQ(window.posted, (std::vector<int>{0, 1, 2}));
}

// The box's caption must read right in the ANSI code page 932.
TEST(Window, HandlerExceptionShowsTheFatalErrorBoxReturnsOneAndWritesNoSettings) {
    ASSERT_EQ(GetACP(), 932u);
    test::TempDir dir;
    test::writeBytes(dir.file(L"melodrift-state.txt"), test::utf16le(L"Volume=-100\r\n"));
    test::ageFile(dir.file(L"melodrift-state.txt"));
    const test::TreeSnapshot before = test::snapshotTree(dir.path());
    char caption[128] = "";  // the box's caption and texts, read by a watcher that then presses OK
    std::wstring texts;
    std::thread watcher([&] {
        HWND box = nullptr;
        test::waitUntil([&] { return (box = FindWindowW(L"#32770", L"致命的エラー - melodrift")) != nullptr; }, 60000);
        GetWindowTextA(box, caption, 128);
        wchar_t w[128];
        for (HWND child = nullptr; (child = FindWindowExW(box, child, nullptr, nullptr));)
            texts += std::wstring(w, GetWindowTextW(child, w, 128)) + L"|";
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    const int code = runGuarded([&] {
        configStore.load(dir.file(L"melodrift-config.txt"));
        stateStore.load(dir.file(L"melodrift-state.txt"));
        stateStore.setInt(L"Volume", -200);
        RecordingWindow window;
        SetTimer(window.window(), 1, 10, nullptr);  // it still fires while the box is up, the object gone
        PostMessageW(window.window(), kThrow, 0, 0);
        runMessageLoop();
        saveSettingsFiles();
        return 0;
    });
    watcher.join();
    EXPECT_EQ(code, 1);
    EXPECT_STREQ(caption, kFatalErrorCaption);
    EXPECT_NE(texts.find(L"string too long"), std::wstring::npos) << texts;
    EXPECT_EQ(test::snapshotTree(dir.path()), before);
}

TEST(WindowDeathTest, QuitMetByThePacedPumpWritesBothStoresAndEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The death test re-runs this program, so the files live where both runs find them.
    const std::wstring config = test::systemTempFolder() + L"\\melodrift-quit-config.txt";
    const std::wstring state = test::systemTempFolder() + L"\\melodrift-quit-state.txt";
    for (const auto& file : {config, state}) DeleteFileW(file.c_str());
    EXPECT_EXIT(
        {
            setDrainQuitHandler(saveSettingsFiles);
            configStore.load(config);
            stateStore.load(state);
            configStore.entry(L"Favorite[00]") = L"D:\\曲";
            configStore.markDirty();
            stateStore.setInt(L"Volume", -700);
            if (!test::waitUntil(messageDrainIsDue)) _exit(98);
            PostQuitMessage(7);
            pumpMessagesWhenDue();
            _exit(99);  // not reached: the pump ends the process
        },
        ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(std::pair(test::readBytes(config), test::readBytes(state)),
        std::pair(test::utf16le(L"Favorite[00]=D:\\曲\r\n"), test::utf16le(L"Volume=-700\r\n")));
    for (const auto& file : {config, state}) DeleteFileW(file.c_str());
}

}  // namespace
}  // namespace melodrift
