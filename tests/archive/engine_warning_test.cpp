// What the user sees when the configured engine is missing or is not a 7-Zip engine.
#include "archive/archive_fixtures.h"
#include "settings/settings_files.h"
#include "archive/archive_engine.h"
#include "archive/archive_names.h"
#include "support/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace melodrift {
namespace {

using test::restartEngineWith;

const wchar_t kWarning[] = L"7z.dll が予期していたものではありません。無視します。";

BOOL CALLBACK collectText(HWND child, LPARAM texts) {
    wchar_t text[256] = {};
    GetWindowTextW(child, text, 256);
    if (text[0]) reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(text);
    return TRUE;
}

// Dismisses every message box captioned "melodrift" while it runs, from its own
// thread (the box blocks the thread that shows it), and keeps what each one said.
class MessageBoxWatcher {
public:
    MessageBoxWatcher() : thread_([this] { run(); }) {}
    ~MessageBoxWatcher() { stop(); }

    void stop() {
        stopping_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::vector<std::vector<std::wstring>> boxes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return boxes_;
    }

private:
    void run() {
        while (!stopping_) {
            HWND box = FindWindowW(L"#32770", L"melodrift");
            if (!box) {
                Sleep(10);
                continue;
            }
            std::vector<std::wstring> texts;
            EnumChildWindows(box, collectText, reinterpret_cast<LPARAM>(&texts));
            {
                std::lock_guard<std::mutex> lock(mutex_);
                boxes_.push_back(texts);
            }
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            // One box is counted once: wait until it is gone before looking again.
            for (int i = 0; i < 3000 && IsWindow(box); ++i) Sleep(10);
        }
    }

    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::vector<std::wstring>> boxes_;
    std::thread thread_;
};

class EngineWarning : public ::testing::Test {
protected:
    void TearDown() override { restartEngineWith(); }
};

TEST_F(EngineWarning, DllWithoutTheEngineExportsIsReportedOnceAndIgnored) {
    const std::wstring fake = test::environmentVariable(L"MELODRIFT_FAKE_7Z");
    if (fake.empty()) GTEST_SKIP() << "MELODRIFT_FAKE_7Z names no impostor DLL";
    ASSERT_TRUE(test::fileExists(fake));
    restartEngineWith({{L"7zDLL", fake}});
    MessageBoxWatcher watcher;
    // The box blocks each call that shows it until the watcher dismisses it.
    EXPECT_FALSE(ensureEngineLoaded());
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(isArchiveName(L"C:\\music\\album.zip"));
    EXPECT_FALSE(ensureEngineLoaded());
    watcher.stop();
    const auto boxes = watcher.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(std::find(boxes[0].begin(), boxes[0].end(), kWarning), boxes[0].end());
    EXPECT_TRUE(formatTable().empty());
    // The impostor was let go again.
    EXPECT_EQ(GetModuleHandleW(fake.c_str()), nullptr);
}

TEST_F(EngineWarning, MissingLibraryIsSilentAndNotTriedAgain) {
    restartEngineWith({{L"7zDLL", L"Z:\\nonexistent\\7z.dll"}});
    MessageBoxWatcher watcher;
    EXPECT_FALSE(ensureEngineLoaded());
    EXPECT_FALSE(isArchiveName(L"C:\\music\\album.zip"));
    // The failure is final for the process, whatever the settings say later.
    configStore.entry(L"7zDLL") = L"7z.dll";
    EXPECT_FALSE(ensureEngineLoaded());
    watcher.stop();
    EXPECT_TRUE(watcher.boxes().empty());
    EXPECT_TRUE(formatTable().empty());
}

TEST_F(EngineWarning, RelativeNameIsLoadedFromBesideTheProgramOnly) {
    const std::wstring fake = test::environmentVariable(L"MELODRIFT_FAKE_7Z");
    if (fake.empty()) GTEST_SKIP() << "MELODRIFT_FAKE_7Z names no impostor DLL";
    // An impostor planted in the current directory is never picked up: were it
    // loaded, its missing exports would bring up the warning.
    test::TempDir dir;
    ASSERT_TRUE(CopyFileW(fake.c_str(), dir.file(L"planted.dll").c_str(), FALSE));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
    restartEngineWith({{L"7zDLL", L"planted.dll"}});
    MessageBoxWatcher watcher;
    EXPECT_FALSE(ensureEngineLoaded());
    SetCurrentDirectoryW(previous);
    watcher.stop();
    EXPECT_TRUE(watcher.boxes().empty());
    // The default name finds the engine beside the program.
    restartEngineWith();
    EXPECT_TRUE(ensureEngineLoaded());
}

}  // namespace
}  // namespace melodrift
