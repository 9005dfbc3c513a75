// Playing from the main window as a user does it: double-clicks, toolbar commands,
// the seek bar, dropped and command-line paths; judged by the players it makes and
// by what the sound server recorded.
#include "settings/settings_files.h"
#include "library/folder.h"
#include "playback/player.h"
#include "support/audio_test.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "ui/commands.h"
#include "main_window/main_window.h"
#include "ui/views/file_list.h"
#include "ui/views/folder_tree.h"
#include "ui/views/tool_bar.h"
#include "ui/views/track_bar.h"

#include <commctrl.h>
#include <shlobj.h>

#include <memory>

namespace melodrift {
namespace {

using test::analyseTone;

class PlaybackControl : public test::AudioTest {
protected:
    void SetUp() override {
        test::AudioTest::SetUp();
        if (IsSkipped()) return;
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
        InitCommonControlsEx(&controls);
        // Three short items; the names sort in this order.
        for (const wchar_t* name : {L"1.wav", L"2.wav", L"3.wav"})
            test::writeBytes(music.file(name), test::readBytes(fixture(L"tone440_3s.wav")));
        configStore.load(settings.file(L"c.txt"));
        stateStore.load(settings.file(L"s.txt"));
        configStore.entry(L"Favorite[00]") = music.path();
    }
    void TearDown() override {
        if (main && IsWindow(main->window())) DestroyWindow(main->window());
        main.reset();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        test::AudioTest::TearDown();
    }

    void start(const std::wstring* commandLinePath = nullptr) {
        main = std::make_unique<MainWindow>();
        main->restoreSettings(commandLinePath);
    }
    void showMusic() { ASSERT_TRUE(main->folderTree()->selectPath(music.path())); }

    void command(int id) { SendMessageW(main->window(), WM_COMMAND, id, 0); }
    void clickButton(int id) {
        // A check button flips before its command arrives.
        const bool checked = SendMessageW(main->toolBar()->window(), TB_ISBUTTONCHECKED, id, 0) != 0;
        SendMessageW(main->toolBar()->window(), TB_CHECKBUTTON, id, MAKELPARAM(!checked, 0));
        command(id);
    }
    void doubleClickRow(int row) {
        NMITEMACTIVATE activate{};
        activate.hdr.hwndFrom = main->fileListView()->window();
        activate.hdr.idFrom = 200;
        activate.hdr.code = NM_DBLCLK;
        activate.iItem = row;
        SendMessageW(main->window(), WM_NOTIFY, 200, reinterpret_cast<LPARAM>(&activate));
    }
    void setRepeat(int mode) { main->toolBar()->setRepeatMode(mode); }
    std::wstring playing() const {
        return main->currentPlayer() ? main->currentPlayer()->itemName() : L"(nothing)";
    }
    int current() const { return main->fileListView()->currentIndex(); }
    bool pauseChecked() const {
        return SendMessageW(main->toolBar()->window(), TB_ISBUTTONCHECKED, ID_PAUSE, 0) != 0;
    }

    test::TempDir music;
    test::TempDir settings;
    std::unique_ptr<MainWindow> main;
};

TEST_F(PlaybackControl, DoubleClickPlaysTheRowAndTheListRunsOnToItsEnd) {
    start();
    showMusic();
    const size_t start = recording.mark();
    doubleClickRow(1);
    EXPECT_EQ(playing(), L"2.wav");
    EXPECT_TRUE(IsWindowEnabled(main->seekBarControl()->window()));
    EXPECT_EQ(SendMessageW(main->seekBarControl()->window(), TBM_GETRANGEMAX, 0, 0), 3);
    EXPECT_TRUE(main->positionTimerRunning());

    // At its end the next row plays, and after the last one playback stops.
    ASSERT_TRUE(test::waitUntil([&] { return playing() == L"3.wav"; }, 60000)) << "stayed on " << playing();
    ASSERT_TRUE(test::waitUntil([&] { return !main->currentPlayer(); }, 60000));
    EXPECT_FALSE(main->positionTimerRunning());
    EXPECT_FALSE(IsWindowEnabled(main->seekBarControl()->window()));
    const auto heard = analyseTone(recordedSince(start), 440);
    EXPECT_GT(heard.toneSeconds, 3.5) << heard.describe();  // two items of three seconds
    EXPECT_LT(heard.toneSeconds, 6.5) << heard.describe();
}

TEST_F(PlaybackControl, NextAndPreviousFollowTheRepeatMode) {
    start();
    showMusic();
    doubleClickRow(2);
    command(ID_NEXT);  // past the last row without repeat: stops
    EXPECT_EQ(playing(), L"(nothing)");

    setRepeat(RepeatSingle);
    doubleClickRow(2);
    command(ID_NEXT);
    EXPECT_EQ(playing(), L"(nothing)");

    setRepeat(RepeatList);
    doubleClickRow(2);
    command(ID_NEXT);
    EXPECT_EQ(playing(), L"1.wav");
    command(ID_PREV);  // previous from the first wraps to the last under list repeat
    EXPECT_EQ(playing(), L"3.wav");

    setRepeat(RepeatNone);
    doubleClickRow(0);
    command(ID_PREV);
    EXPECT_EQ(playing(), L"(nothing)");

    // With nothing selected: next plays the first row, previous the last.
    ListView_SetItemState(main->fileListView()->window(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    command(ID_NEXT);
    EXPECT_EQ(playing(), L"1.wav");
    ListView_SetItemState(main->fileListView()->window(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    command(ID_PREV);
    EXPECT_EQ(playing(), L"3.wav");
}

TEST_F(PlaybackControl, RandomOrderReshufflesAtTheWrap) {
    for (int i = 4; i <= 30; ++i)
        test::writeBytes(music.file(std::to_wstring(i) + L".wav"), test::readBytes(fixture(L"tone440_3s.wav")));
    start();
    showMusic();
    clickButton(ID_RANDOM);
    setRepeat(RepeatList);
    auto order = [&] {
        std::vector<std::wstring> names;
        for (int i = 0; i < 30; ++i) names.push_back(main->fileListView()->itemText(i));
        return names;
    };
    const auto before = order();
    doubleClickRow(29);
    command(ID_NEXT);
    EXPECT_EQ(current(), 0);
    EXPECT_NE(order(), before) << "the list was not shuffled again for the next pass";
}

TEST_F(PlaybackControl, RepeatOneRestartsTheSamePlayerAndPauseKeepsThePosition) {
    start();
    showMusic();
    setRepeat(RepeatSingle);
    doubleClickRow(0);
    Player* first = main->currentPlayer().get();
    ASSERT_TRUE(first);
    ASSERT_TRUE(test::waitUntil([&] { return first->position() >= 1; }));

    clickButton(ID_PAUSE);
    EXPECT_TRUE(pauseChecked());
    EXPECT_EQ(first->state(), Stopped);
    const int paused = first->position();
    EXPECT_GE(paused, 1);
    clickButton(ID_PAUSE);
    EXPECT_FALSE(pauseChecked());
    EXPECT_EQ(first->state(), Running);
    EXPECT_GE(first->position(), paused);

    // The end of the item under single repeat: the same player starts over.
    SendMessageW(main->window(), MSG_TRACK_END, 0, 0);
    EXPECT_EQ(main->currentPlayer().get(), first);
    EXPECT_EQ(first->state(), Running);
    EXPECT_EQ(first->position(), 0);
}

TEST_F(PlaybackControl, PauseWithNothingPlayingStaysUnchecked) {
    start();
    clickButton(ID_PAUSE);
    EXPECT_FALSE(pauseChecked());
}

TEST_F(PlaybackControl, DraggingTheSeekBarSuspendsTheRefreshAndSeeksOnceOnRelease) {
    start();
    showMusic();
    doubleClickRow(0);
    HWND seek = main->seekBarControl()->window();
    SendMessageW(main->window(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 2), reinterpret_cast<LPARAM>(seek));
    EXPECT_FALSE(main->positionTimerRunning());
    EXPECT_LE(main->currentPlayer()->position(), 1);  // dragging alone does not seek
    SendMessageW(seek, TBM_SETPOS, TRUE, 2);
    SendMessageW(main->window(), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 2), reinterpret_cast<LPARAM>(seek));
    EXPECT_TRUE(main->positionTimerRunning());
    EXPECT_GE(main->currentPlayer()->position(), 2);
}

TEST_F(PlaybackControl, CommandLineFilePlaysAndAFolderIsOnlyShown) {
    configStore.entry(L"Favorite[00]").clear();  // found through the drives
    const std::wstring file = music.file(L"2.wav");
    start(&file);
    EXPECT_EQ(playing(), L"2.wav");
    EXPECT_EQ(main->currentFolder()->path(), music.path());
    DestroyWindow(main->window());
    main.reset();

    const std::wstring folder = music.path();
    start(&folder);
    EXPECT_EQ(playing(), L"(nothing)");
    ASSERT_TRUE(main->currentFolder());
    EXPECT_EQ(ListView_GetItemCount(main->fileListView()->window()), 3);
}

// A drop of one or more paths, as the shell delivers it.
HDROP makeDrop(const std::vector<std::wstring>& paths) {
    size_t units = 1;
    for (const auto& path : paths) units += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* text = reinterpret_cast<wchar_t*>(drop + 1);
    for (const auto& path : paths) {
        wcscpy(text, path.c_str());
        text += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(PlaybackControl, DroppedFilePlaysOnlyTheFirstAndADroppedFolderIsShown) {
    start();
    SendMessageW(main->window(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(makeDrop({music.file(L"3.wav"), music.file(L"1.wav")})), 0);
    EXPECT_EQ(playing(), L"3.wav");
    command(ID_STOP);
    EXPECT_EQ(playing(), L"(nothing)");

    SendMessageW(main->window(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({music.path()})), 0);
    EXPECT_EQ(playing(), L"(nothing)");
    EXPECT_EQ(main->currentFolder()->path(), music.path());
}

TEST_F(PlaybackControl, CueTracksAdvanceAtTheirEnds) {
    test::writeBytes(music.file(L"album.wav"), test::readBytes(fixture(L"album_3x3s.wav")));
    test::writeBytes(music.file(L"album.cue"),
                     "FILE \"album.wav\" WAVE\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n"
                     "TRACK 02 AUDIO\r\nINDEX 01 00:03:00\r\nTRACK 03 AUDIO\r\nINDEX 01 00:06:00\r\n");
    start();
    ASSERT_TRUE(main->folderTree()->selectPath(music.file(L"album.cue")));
    ASSERT_EQ(ListView_GetItemCount(main->fileListView()->window()), 3);
    doubleClickRow(1);
    EXPECT_EQ(playing(), L"02");
    EXPECT_EQ(SendMessageW(main->seekBarControl()->window(), TBM_GETRANGEMAX, 0, 0), 3);
    ASSERT_TRUE(test::waitUntil([&] { return playing() == L"03"; }, 60000)) << "stayed on " << playing();
}

TEST_F(PlaybackControl, ArchiveEntriesPlayAndAdvance) {
    std::wstring archive = music.file(L"tones.zip");
    const std::wstring archives = test::environmentVariable(L"MELODRIFT_ARCHIVES");
    if (archives.empty()) GTEST_SKIP() << "no fixture archives in this run";
    ASSERT_TRUE(CopyFileW((archives + L"\\music.zip").c_str(), archive.c_str(), FALSE));
    start();
    ASSERT_TRUE(main->folderTree()->selectPath(archive));
    ASSERT_TRUE(main->currentFolder());
    ASSERT_TRUE(main->fileListView()->selectName(L"B.wav"));
    const size_t start = recording.mark();
    command(ID_PLAY);
    EXPECT_EQ(playing(), L"B.wav");
    // The next row of the sorted listing follows at the end of the entry.
    const std::wstring next = main->fileListView()->itemText(current() + 1);
    ASSERT_FALSE(next.empty());
    ASSERT_TRUE(test::waitUntil([&] { return playing() == next; }, 60000)) << "stayed on " << playing();
    EXPECT_GT(analyseTone(recordedSince(start, 0.5), 440).toneSeconds, 1.5);
}

}  // namespace
}  // namespace melodrift
