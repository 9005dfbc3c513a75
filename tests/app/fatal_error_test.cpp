// The entry point's guard: a standard exception thrown inside a message handler ends the run
// with the fatal-error box and exit code 1, and saves nothing.
#include "app/fatal_error_guard.h"
#include "settings/settings_files.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace melodrift {
namespace {

constexpr UINT kThrowMessage = WM_APP + 10;
const wchar_t kCaption[] = L"致命的エラー - melodrift";

struct ThrowingWindow : Window {
    ThrowingWindow() {
        static const ATOM atom = registerWindowClass(0, nullptr, nullptr, nullptr, L"melodrift-ThrowTest", nullptr);
        CreateWindowExW(0, MAKEINTATOM(atom), L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    }
    LRESULT handleMessage(HWND h, UINT message, WPARAM w, LPARAM l) override {
        if (message == kThrowMessage) throw std::length_error("string too long");
        return DefWindowProcW(h, message, w, l);
    }
};

TEST(FatalError, HandlerExceptionShowsTheBoxReturnsOneAndWritesNoSettings) {
    ASSERT_EQ(GetACP(), 932u) << "the caption reads right only in the Japanese code page";
    EXPECT_EQ(runGuarded([] { return 42; }), 42);
    test::TempDir dir;
    const std::wstring config = dir.file(L"melodrift-config.txt"), state = dir.file(L"melodrift-state.txt");
    test::writeBytes(config, test::utf16le(L"Hidden=\r\n"));
    test::writeBytes(state, test::utf16le(L"Volume=-100\r\n"));
    test::ageFile(config);
    test::ageFile(state);
    const test::FileTimes configTimes = test::fileTimes(config), stateTimes = test::fileTimes(state);
    // A watcher reads what the box shows, then presses its button.
    std::wstring captionW, texts;
    std::string captionA;
    std::thread watcher([&] {
        for (const DWORD start = GetTickCount(); GetTickCount() - start < 60000; Sleep(50)) {
            HWND box = FindWindowW(L"#32770", kCaption);
            if (!box) continue;
            wchar_t w[128];
            char a[128];
            captionW.assign(w, GetWindowTextW(box, w, 128));
            captionA.assign(a, GetWindowTextA(box, a, 128));
            for (HWND child = nullptr; (child = FindWindowExW(box, child, nullptr, nullptr));)
                texts += std::wstring(w, GetWindowTextW(child, w, 128)) + L"|";
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return;
        }
    });
    bool reachedSave = false;
    const int code = runGuarded([&] {
        configStore.load(config);
        stateStore.load(state);
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
    EXPECT_EQ(captionW, kCaption) << "no fatal-error box appeared";
    EXPECT_EQ(captionA, kFatalErrorCaption);
    EXPECT_NE(texts.find(L"string too long"), std::wstring::npos) << std::string(texts.begin(), texts.end());
    EXPECT_TRUE(test::fileTimes(config) == configTimes);
    EXPECT_TRUE(test::fileTimes(state) == stateTimes);
    EXPECT_EQ(test::readBytes(state), test::utf16le(L"Volume=-100\r\n"));
}

}  // namespace
}  // namespace melodrift
