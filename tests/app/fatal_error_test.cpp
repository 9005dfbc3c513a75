// The entry point's guard: a standard exception thrown inside a message handler
// ends the run with the fatal-error box and exit code 1, and saves nothing.
#include "app/fatal_error_guard.h"
#include "settings/settings_files.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

namespace melodrift {
namespace {

constexpr UINT kThrowMessage = WM_APP + 10;
const wchar_t kFatalCaptionW[] = L"致命的エラー - melodrift";

class ThrowingWindow : public Window {
public:
    ThrowingWindow() {
        static const ATOM atom = registerWindowClass(0, nullptr, nullptr, nullptr, L"melodrift-ThrowTest", nullptr);
        CreateWindowExW(0, MAKEINTATOM(atom), L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                        GetModuleHandleW(nullptr), this);
    }
    LRESULT handleMessage(HWND h, UINT message, WPARAM w, LPARAM l) override {
        if (message == kThrowMessage) throw std::length_error("string too long");
        return DefWindowProcW(h, message, w, l);
    }
};

// What the box showed, read by a watcher thread that then presses its button.
struct BoxSeen {
    std::wstring captionW;
    std::string captionA;
    std::wstring texts;
};

BOOL CALLBACK collectText(HWND child, LPARAM out) {
    wchar_t text[512];
    GetWindowTextW(child, text, 512);
    *reinterpret_cast<std::wstring*>(out) += std::wstring(text) + L"|";
    return TRUE;
}

BoxSeen dismissFatalBox(std::atomic<bool>& found) {
    BoxSeen seen;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 60000) {
        HWND box = FindWindowW(L"#32770", kFatalCaptionW);
        if (box) {
            wchar_t w[128];
            char a[128];
            GetWindowTextW(box, w, 128);
            GetWindowTextA(box, a, 128);
            seen.captionW = w;
            seen.captionA = a;
            EnumChildWindows(box, collectText, reinterpret_cast<LPARAM>(&seen.texts));
            found = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            break;
        }
        Sleep(50);
    }
    return seen;
}

TEST(FatalError, HandlerExceptionShowsTheBoxReturnsOneAndWritesNoSettings) {
    test::TempDir dir;
    const std::wstring configPath = dir.file(L"melodrift-config.txt");
    const std::wstring statePath = dir.file(L"melodrift-state.txt");
    test::writeBytes(configPath, test::utf16le(L"Hidden=\r\n"));
    test::writeBytes(statePath, test::utf16le(L"Volume=-100\r\n"));
    test::ageFile(configPath);
    test::ageFile(statePath);
    const test::FileTimes configTimes = test::fileTimes(configPath);
    const test::FileTimes stateTimes = test::fileTimes(statePath);

    std::atomic<bool> found{false};
    BoxSeen seen;
    std::thread watcher([&] { seen = dismissFatalBox(found); });

    bool reachedSave = false;
    const int code = runGuarded([&] {
        configStore.load(configPath);
        stateStore.load(statePath);
        configStore.getString(L"Playable", L"*.wav");  // both stores now hold changes
        stateStore.setInt(L"Volume", -200);
        ThrowingWindow window;
        // A timer still fires at the window while the box is up, after its object is gone.
        SetTimer(window.window(), 1, 10, nullptr);
        PostMessageW(window.window(), kThrowMessage, 0, 0);
        const int result = runMessageLoop();
        reachedSave = true;
        saveSettingsFiles();
        return result;
    });
    watcher.join();

    EXPECT_EQ(code, 1);
    EXPECT_FALSE(reachedSave);
    ASSERT_TRUE(found) << "no fatal-error box appeared";
    EXPECT_EQ(seen.captionW, kFatalCaptionW);
    EXPECT_EQ(seen.captionA, std::string(kFatalErrorCaption));
    EXPECT_NE(seen.texts.find(L"string too long"), std::wstring::npos) << std::string(seen.texts.begin(), seen.texts.end());
    EXPECT_TRUE(test::fileTimes(configPath) == configTimes);
    EXPECT_TRUE(test::fileTimes(statePath) == stateTimes);
    EXPECT_EQ(test::readBytes(statePath), test::utf16le(L"Volume=-100\r\n"));
}

TEST(FatalError, RunsInTheJapaneseCodePage) {
    // The caption only reads right where the ANSI code page is 932.
    EXPECT_EQ(GetACP(), 932u);
}

TEST(FatalError, BodyWithoutExceptionPassesItsResultThrough) {
    EXPECT_EQ(runGuarded([] { return 0; }), 0);
    EXPECT_EQ(runGuarded([] { return 42; }), 42);
}

}  // namespace
}  // namespace melodrift
