// The window base: linking windows to objects, the main loop and the nested pump.
#include "settings/settings_files.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "ui/paced_pump.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace melodrift {
namespace {

constexpr UINT kRecord = WM_APP + 1, kThrow = WM_APP + 2;

struct RecordingWindow : Window {
    static ATOM atom() {
        static const ATOM registered = registerWindowClass(0, nullptr, nullptr, nullptr, L"melodrift-WindowTest", nullptr);
        return registered;
    }
    static HWND create(Window* object) {
        return CreateWindowExW(0, MAKEINTATOM(atom()), L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                               GetModuleHandleW(nullptr), object);
    }
    RecordingWindow() { create(this); }
    ~RecordingWindow() override { DestroyWindow(window()); }
    LRESULT handleMessage(HWND h, UINT message, WPARAM w, LPARAM l) override {
        messages.push_back(message);
        if (message == kRecord) posted.push_back(int(w));
        if (message == kThrow) throw std::out_of_range("index");
        return DefWindowProcW(h, message, w, l);
    }
    std::vector<UINT> messages;
    std::vector<int> posted;
};

TEST(Window, ObjectIsLinkedFromWmNcCreateUntilItGoes) {
    RecordingWindow linked;
    // An overlapped window is asked for WM_GETMINMAXINFO before WM_NCCREATE, when nothing is linked yet.
    ASSERT_FALSE(linked.messages.empty());
    EXPECT_EQ(linked.messages.front(), UINT(WM_NCCREATE));
    EXPECT_EQ(GetWindowLongPtrW(linked.window(), GWLP_USERDATA), LONG_PTR(&linked));
    EXPECT_EQ(registerWindowClass(0, nullptr, nullptr, nullptr, L"melodrift-WindowTest", nullptr), 0);
    // A window created without an object, and one whose object is gone (as on the fatal-error path).
    struct Leaving : Window {
        LRESULT handleMessage(HWND h, UINT m, WPARAM w, LPARAM l) override { return DefWindowProcW(h, m, w, l); }
    };
    auto* leaving = new Leaving;
    HWND orphan = RecordingWindow::create(leaving);
    EXPECT_EQ(leaving->window(), orphan);
    delete leaving;
    for (HWND hwnd : {RecordingWindow::create(nullptr), orphan}) {
        EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), 0);
        SendMessageW(hwnd, WM_SETTEXT, 0, LPARAM(L"default"));
        wchar_t text[32] = L"";
        GetWindowTextW(hwnd, text, 32);
        EXPECT_STREQ(text, L"default");
        DestroyWindow(hwnd);
    }
}

TEST(Window, LoopAndNestedPumpDispatchInOrderAndHandExceptionsOn) {
    RecordingWindow window;
    MSG msg;
    for (int i = 0; i < 3; ++i) PostMessageW(window.window(), kRecord, i, 0);
    PostQuitMessage(42);
    EXPECT_EQ(runMessageLoop(), 42);
    PostQuitMessage(0);
    EXPECT_EQ(runMessageLoop(), 0);
    PostMessageW(window.window(), kThrow, 0, 0);
    PostMessageW(window.window(), kRecord, 3, 0);
    EXPECT_THROW(runMessageLoop(), std::out_of_range);
    EXPECT_EQ(window.posted, (std::vector<int>{0, 1, 2}));  // nothing after the throwing message ran
    for (int i = 3; i < 6; ++i) PostMessageW(window.window(), kRecord, i, 0);
    pumpPendingMessages();
    EXPECT_EQ(window.posted, (std::vector<int>{0, 1, 2, 3, 3, 4, 5}));
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    PostMessageW(window.window(), kThrow, 0, 0);
    EXPECT_THROW(pumpPendingMessages(), std::out_of_range);
}

// A WM_QUIT met by the listings' paced pump, once its drain is due, writes both stores and
// ends the process with its code.
TEST(WindowDeathTest, QuitMetByThePacedPumpWritesBothStoresAndEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The death test re-runs this program, so the files live where both runs find them.
    const std::wstring folder = test::systemTempFolder() + L"\\melodrift-pump-quit-test";
    const std::wstring config = folder + L"\\melodrift-config.txt", state = folder + L"\\melodrift-state.txt";
    test::removeTree(folder);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
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
    EXPECT_EQ(test::readBytes(config), test::utf16le(L"Favorite[00]=D:\\曲\r\n"));
    EXPECT_EQ(test::readBytes(state), test::utf16le(L"Volume=-700\r\n"));
    test::removeTree(folder);
}

}  // namespace
}  // namespace melodrift
