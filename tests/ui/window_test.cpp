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

constexpr UINT kRecord = WM_APP + 1;
constexpr UINT kThrow = WM_APP + 2;

class RecordingWindow : public Window {
public:
    explicit RecordingWindow(DWORD style = WS_OVERLAPPEDWINDOW) {
        CreateWindowExW(0, MAKEINTATOM(atom()), L"test", style, 0, 0, 100, 100, nullptr, nullptr,
                        GetModuleHandleW(nullptr), this);
    }
    ~RecordingWindow() override {
        if (IsWindow(window())) DestroyWindow(window());
    }
    static ATOM atom() {
        static const ATOM registered =
            registerWindowClass(0, nullptr, LoadCursorW(nullptr, IDC_ARROW), nullptr, L"melodrift-WindowTest", nullptr);
        return registered;
    }
    LRESULT handleMessage(HWND h, UINT message, WPARAM w, LPARAM l) override {
        messages.push_back(message);
        if (message == kRecord) posted.push_back(static_cast<int>(w));
        if (message == kThrow) throw std::out_of_range("index");
        return DefWindowProcW(h, message, w, l);
    }
    std::vector<UINT> messages;
    std::vector<int> posted;
};

void drainQueue() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

TEST(WindowLink, HandlerSeesWmNcCreateFirstAndEarlierMessagesGetDefaultHandling) {
    RecordingWindow window;
    ASSERT_NE(window.window(), nullptr);
    ASSERT_FALSE(window.messages.empty());
    // An overlapped window is asked for WM_GETMINMAXINFO before WM_NCCREATE; the
    // object must not see it, as it is not linked yet.
    EXPECT_EQ(window.messages.front(), UINT(WM_NCCREATE));
    EXPECT_EQ(GetWindowLongPtrW(window.window(), GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&window));
}

TEST(WindowLink, ClassRegisteredTwiceGivesZero) {
    ASSERT_NE(RecordingWindow::atom(), 0);
    EXPECT_EQ(registerWindowClass(0, nullptr, nullptr, nullptr, L"melodrift-WindowTest", nullptr), 0);
}

TEST(WindowLink, WindowWithoutObjectIsHandledByDefault) {
    HWND hwnd = CreateWindowExW(0, MAKEINTATOM(RecordingWindow::atom()), L"plain", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hwnd, nullptr);
    SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"still works"));
    wchar_t text[32];
    GetWindowTextW(hwnd, text, 32);
    EXPECT_STREQ(text, L"still works");
    DestroyWindow(hwnd);
}

TEST(WindowLink, WindowOutlivingItsObjectNoLongerReachesIt) {
    // As on the fatal-error path: the object is gone while its window still exists.
    struct LeavesItsWindow : Window {
        LRESULT handleMessage(HWND h, UINT message, WPARAM w, LPARAM l) override {
            return DefWindowProcW(h, message, w, l);
        }
    };
    auto* object = new LeavesItsWindow;
    HWND hwnd = CreateWindowExW(0, MAKEINTATOM(RecordingWindow::atom()), L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, GetModuleHandleW(nullptr), object);
    ASSERT_EQ(object->window(), hwnd);
    delete object;
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), 0);
    SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"orphan"));
    wchar_t text[32];
    GetWindowTextW(hwnd, text, 32);
    EXPECT_STREQ(text, L"orphan");
    DestroyWindow(hwnd);
}

TEST(MessageLoop, DispatchesInOrderAndReturnsTheQuitCode) {
    RecordingWindow window;
    for (int i = 0; i < 3; ++i) PostMessageW(window.window(), kRecord, i, 0);
    PostQuitMessage(42);
    EXPECT_EQ(runMessageLoop(), 42);
    EXPECT_EQ(window.posted, (std::vector<int>{0, 1, 2}));

    PostQuitMessage(0);
    EXPECT_EQ(runMessageLoop(), 0);
}

TEST(MessageLoop, ExceptionFromAHandlerLeavesTheLoop) {
    RecordingWindow window;
    PostMessageW(window.window(), kThrow, 0, 0);
    PostMessageW(window.window(), kRecord, 1, 0);
    EXPECT_THROW(runMessageLoop(), std::out_of_range);
    EXPECT_TRUE(window.posted.empty());  // nothing after the throwing message ran
    drainQueue();
}

TEST(NestedPump, DispatchesEverythingQueuedAndReturns) {
    RecordingWindow window;
    for (int i = 0; i < 5; ++i) PostMessageW(window.window(), kRecord, i, 0);
    pumpPendingMessages();
    EXPECT_EQ(window.posted, (std::vector<int>{0, 1, 2, 3, 4}));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(NestedPump, ExceptionFromAHandlerReachesTheCaller) {
    RecordingWindow window;
    PostMessageW(window.window(), kThrow, 0, 0);
    EXPECT_THROW(pumpPendingMessages(), std::out_of_range);
    drainQueue();
}

// The death test re-runs this program, so the files live at a fixed place both runs agree on.
std::wstring quitTestFolder() {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp) + L"melodrift-pump-quit-test";
}

// A WM_QUIT met by the pump writes both stores and ends the process with its code. A
// paced pump is first waited for until its drain is due.
void expectQuitWritesBothStores(void (*pump)(), bool paced) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::wstring folder = quitTestFolder();
    test::removeTree(folder);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring configPath = folder + L"\\melodrift-config.txt";
    const std::wstring statePath = folder + L"\\melodrift-state.txt";

    EXPECT_EXIT(
        {
            setDrainQuitHandler(saveSettingsFiles);
            configStore.load(configPath);
            stateStore.load(statePath);
            configStore.entry(L"Favorite[00]") = L"D:\\曲";
            configStore.markDirty();
            stateStore.setInt(L"Volume", -700);
            if (paced && !test::waitUntil(messageDrainIsDue)) _exit(98);
            PostQuitMessage(7);
            pump();
            _exit(99);  // not reached: the pump ends the process
        },
        ::testing::ExitedWithCode(7), "");

    EXPECT_EQ(test::readBytes(configPath), test::utf16le(L"Favorite[00]=D:\\曲\r\n"));
    EXPECT_EQ(test::readBytes(statePath), test::utf16le(L"Volume=-700\r\n"));
    test::removeTree(folder);
}

TEST(NestedPumpDeathTest, QuitWritesBothStoresThenEndsTheProcessWithItsCode) {
    expectQuitWritesBothStores(pumpPendingMessages, false);
}

TEST(NestedPumpDeathTest, QuitMetByTheListingsPacedPumpWritesBothStoresToo) {
    expectQuitWritesBothStores(pumpMessagesWhenDue, true);
}

}  // namespace
}  // namespace melodrift
