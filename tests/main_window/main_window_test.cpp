// The real main window driven as a user drives it, judged by its controls, stores and recorded sound.
#include "library/folder.h"
#include "main_window/main_window.h"
#include "settings/settings_files.h"
#include "support/audio_test.h"
#include "support/temp_dir.h"
#include "ui/views/file_list.h"
#include "ui/views/folder_tree.h"
#include "ui/views/rebar.h"
#include "ui/views/splitter.h"
#include "ui/views/status_bar.h"
#include "ui/views/tool_bar.h"
#include "ui/views/volume_bar.h"
#include "ui/views/control_host.h"

#include <shlobj.h>

namespace melodrift {
namespace {

using Texts = std::vector<std::wstring>;

// Three tracks of an image of album_3x3s: 440, 660 and 880 Hz, three seconds each.
std::string albumSheet(const std::string& image) {
    return "FILE \"" + image +
           "\" WAVE\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n"
           "TRACK 02 AUDIO\r\nINDEX 01 00:03:00\r\nTRACK 03 AUDIO\r\nINDEX 01 00:06:00\r\n";
}

class MainWindowTest : public test::AudioTest {
protected:
    void SetUp() override {
        test::AudioTest::SetUp();
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
        InitCommonControlsEx(&controls);
        for (int i = 1; i <= 30 && !IsSkipped(); ++i)
            copy(L"tone440_3s.wav", (i < 10 ? L"0" : L"") + std::to_wstring(i) + L".wav", music);
    }
    void TearDown() override {
        close();
        test::AudioTest::TearDown();
    }
    void copy(const wchar_t* fixtureName, const std::wstring& name, const test::TempDir& dir) {
        test::writeBytes(dir.file(name), test::readBytes(test::audioFixture(fixtureName)));
    }
    void start(const std::wstring& config, const std::wstring& state = L"") {
        test::writeBytes(settings.file(L"c.txt"), test::utf16le(config));
        test::writeBytes(settings.file(L"s.txt"), test::utf16le(state));
        configStore.load(settings.file(L"c.txt"));
        stateStore.load(settings.file(L"s.txt"));
        main = std::make_unique<MainWindow>();
        ASSERT_TRUE(IsWindow(main->window()));
        main->restoreSettings(nullptr);
        list = main->fileListView();
    }
    void startInMusic() { start(L"", L"LastFolder=" + music.path() + L"\r\n"); }
    void close() {  // as the user closes it; WM_DESTROY saves the state and posts the quit
        if (!main) return;
        SendMessageW(main->window(), WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(main->window()));
        main.reset();
        for (MSG msg; PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);) continue;
    }
    HWND bar() const { return main->toolBar()->window(); }
    HWND seek() const { return main->seekBarControl()->window(); }
    void click(int id) {  // inside a toolbar button, 8 pixels from its bottom-left corner
        POINT p = main->toolBar()->buttonCorner(id);
        ScreenToClient(bar(), &p);
        SendMessageW(bar(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x + 8, p.y - 8));
        SendMessageW(bar(), WM_LBUTTONUP, 0, MAKELPARAM(p.x + 8, p.y - 8));
    }
    bool checked(int id) const { return main->toolBar()->isChecked(id - main->toolBar()->baseId()); }
    std::wstring tip(int id) const {  // the text the tooltip control is given, and the button's image
        wchar_t text[80] = L"";
        TTTOOLINFOW tool{sizeof tool, 0, bar(), static_cast<UINT_PTR>(id)};
        tool.lpszText = text;
        SendMessageW(main->toolBar()->toolTipWindow(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
        return text + std::wstring(L"/") + std::to_wstring(SendMessageW(bar(), TB_GETBITMAP, id, 0));
    }
    void doubleClickRow(int row) {
        NMITEMACTIVATE activate{{list->window(), FileList::kControlId, UINT(NM_DBLCLK)}, row};
        SendMessageW(main->window(), WM_NOTIFY, FileList::kControlId, reinterpret_cast<LPARAM>(&activate));
    }
    static WPARAM dropped(const std::wstring& names) {  // as the shell delivers paths, each ending in a 0
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (names.size() + 1) * sizeof(wchar_t));
        auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
        *files = {sizeof(DROPFILES), {}, FALSE, TRUE};
        memcpy(files + 1, names.c_str(), names.size() * sizeof(wchar_t));
        GlobalUnlock(memory);
        return reinterpret_cast<WPARAM>(memory);
    }
    void drop(const std::wstring& names) { SendMessageW(main->window(), WM_DROPFILES, dropped(names), 0); }
    std::wstring statusName() const {
        wchar_t text[300] = L"";
        SendMessageW(main->statusBarControl()->window(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // Silence (10 ms frames) in the 0.4 s before the item's tone, not a dropout elsewhere; atChange runs at the change.
    double silenceBefore(const std::wstring& item, double tone, const std::function<void()>& atChange = {}) {
        EXPECT_TRUE(test::waitUntil([&] { return player() && player()->position() >= 2; }));
        const size_t from = recording.mark();
        EXPECT_TRUE(waitFor(item));
        if (atChange) atChange();
        EXPECT_TRUE(recording.waitFor(recording.mark(), 1.0));  // the item's tone recorded, whatever the latency
        const auto heard = recording.samples(from, recording.mark());
        const double begins = test::analyseTone(heard, tone, 0.01).firstAt;
        if (begins < 0.4) return 1;  // not heard, or too soon to tell
        const auto start = heard.begin() + long((begins - 0.4) * test::Recording::kRate);
        return 0.4 - test::analyseTone({start, start + test::Recording::kRate * 4 / 10}, 0, 0.01).loudSeconds;
    }
    Player* player() const { return main->currentPlayer().get(); }
    std::wstring playing() const { return player() ? player()->itemName() : L"-"; }
    testing::AssertionResult waitFor(const std::wstring& item) {
        if (test::waitUntil([&] { return playing() == item; }, 60000)) return testing::AssertionSuccess();
        return testing::AssertionFailure() << "stayed on " << playing();
    }
    std::tuple<std::wstring, bool, bool, bool> playback() const {
        return {playing(), IsWindowEnabled(seek()) != FALSE, main->positionTimerRunning(), checked(ID_PAUSE)};
    }
    auto playingFrom() const { return std::make_tuple(playing(), player() ? player()->folderPath() : L"-"); }
    std::wstring shownFolder() const { return main->currentFolder() ? main->currentFolder()->path() : L"-"; }
    std::pair<bool, bool> randomShown() const { return {checked(ID_RANDOM), list->randomOrder()}; }
    auto pauseShown(Player& player) const { return std::make_tuple(checked(ID_PAUSE), tip(ID_PAUSE), player.state()); }
    static RECT rect(HWND window) {
        RECT r{};
        GetWindowRect(window, &r);
        return r;
    }
    static auto edges(const RECT& r) { return std::make_tuple(r.left, r.top, r.right, r.bottom); }
    void expectSaved(SettingsStore& store, std::vector<std::pair<const wchar_t*, std::wstring>> entries) {
        for (const auto& [key, value] : entries) EXPECT_EQ(store.getString(key, nullptr), value) << key;
    }

    test::TempDir music, settings;
    std::unique_ptr<MainWindow> main;
    FileList* list = nullptr;
};

TEST_F(MainWindowTest, FirstStartShowsTheDefaultsLaysOutAndSaves) {
    start(L"");
    EXPECT_EQ(playback(), std::make_tuple(L"-", false, false, false));
    EXPECT_FALSE(main->folderTree()->selectedNode());
    EXPECT_EQ(ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(SendMessageW(bar(), TB_GETIMAGELIST, 0, 0))), 11);
    RECT client{};
    GetClientRect(main->window(), &client);
    EXPECT_EQ(main->splitterBar()->barPosition(), client.right * 2 / 5);
    SetWindowPos(main->window(), nullptr, 0, 0, 900, 500, SWP_NOZORDER | SWP_NOMOVE);
    GetClientRect(main->window(), &client);
    MapWindowPoints(main->window(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    const RECT rebar = rect(main->rebarControl()->window()), folders = rect(main->folderTree()->window());
    const RECT files = rect(list->window()), status = rect(main->statusBarControl()->window());
    EXPECT_EQ(edges(folders), edges({client.left, rebar.bottom, files.left - 4, status.top}));  // 4: the splitter
    EXPECT_EQ(files.right, client.right);
    const RECT seekBar = rect(seek());  // the rest of the toolbar's row
    EXPECT_GE(seekBar.left, rect(bar()).right);
    EXPECT_GT(seekBar.right - seekBar.left, 300);
    ShowWindow(main->window(), SW_MINIMIZE);  // minimised, the panes keep their sizes
    EXPECT_TRUE(IsIconic(main->window()));
    const RECT minimised = rect(list->window());
    EXPECT_EQ(minimised.right - minimised.left, files.right - files.left);
    ShowWindow(main->window(), SW_RESTORE);
    test::MenuWatcher repeatMenu({VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_EQ(tip(ID_REPEAT), L"リピートなし/6");
    click(ID_REPEAT);
    repeatMenu.stop();
    EXPECT_EQ(repeatMenu.texts, (Texts{L"リピートなし", L"リピート（リスト）", L"リピート（単曲）"}));
    EXPECT_EQ(tip(ID_REPEAT), L"リピート（リスト）/7");
    close();
    expectSaved(stateStore, {{L"Volume", L"0"}, {L"Repeat", L"1"}, {L"Random", L"0"}, {L"MainWnd.Pos.right", L"900"}});
}

TEST_F(MainWindowTest, StoredStateComesBackClampedAndGoesBackWithTheUsersChanges) {
    test::TempDir a, b, c;
    std::wstring lower = b.path();  // a favourite differing only in case is saved as it was
    CharLowerW(&lower[0]);
    for (const wchar_t* name : {L"a.mp3", L"B.wav", L"notes.txt"}) test::writeBytes(b.file(name), "x");
    const std::wstring rnb = c.file(L"R&B") + L"\\";  // the menu shows the "&", not an underlined "B"
    ASSERT_TRUE(CreateDirectoryW(rnb.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((rnb + L"inner").c_str(), nullptr));
    start(L"Playable=*.txt;;*.wav;\r\nFavorite[00]=" + a.path() + L"\r\nFavorite[01]=" + lower + L"\r\nFavorite[02]=" +
              rnb + L"\r\nFavorite[04]=D:\\kept\r\n",
        L"Volume=-20000\r\nRepeat=2\r\nRandom=1\r\nFileList.Column[0]=65656\r\nMainWnd.Splitter=120\r\nLastFolder=" +
            b.path() + L"\r\nLastFile=b.WAV\r\n");
    int widths[4];
    list->columnWidths(widths);
    EXPECT_EQ(randomShown(), std::make_pair(true, true));
    EXPECT_EQ(widths[0], 120);  // the low 16 bits of 65656
    EXPECT_EQ(main->splitterBar()->barPosition(), 120);
    EXPECT_EQ(tip(ID_REPEAT), L"リピート（単曲）/8");
    EXPECT_EQ(playing(), L"-");  // the last file is chosen, not played
    EXPECT_EQ(list->itemText(list->currentIndex()), L"B.wav");
    EXPECT_EQ(list->itemCount(), 2);
    EXPECT_EQ(list->itemText(1 - list->currentIndex()), L"notes.txt");  // the playable patterns of the config
    click(ID_RANDOM);
    EXPECT_EQ(randomShown(), std::make_pair(false, false));
    test::MenuWatcher favourites({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    click(ID_FAVORITES);
    favourites.stop();
    EXPECT_EQ(favourites.texts, (Texts{a.path(), lower, c.file(L"R&&B") + L"\\"}));
    EXPECT_EQ(shownFolder(), rnb);  // the favourite itself, not its folder in a drive
    EXPECT_TRUE(main->folderTree()->isExpandedOrEmpty(main->folderTree()->selectedNode()));  // it has "inner"
    main->folderTree()->removeFavorite(main->folderTree()->favoriteNodes()[0]);
    close();
    // Beyond the first empty key nothing was read, so nothing there is touched.
    expectSaved(configStore,
        {{L"Favorite[00]", lower}, {L"Favorite[01]", rnb}, {L"Favorite[02]", L""}, {L"Favorite[04]", L"D:\\kept"}});
    expectSaved(stateStore, {{L"Volume", L"-10000"}, {L"Repeat", L"2"}, {L"Random", L"0"}});
    // A show command no placement holds (empty reads as SW_HIDE) shows the window normally; a volume or repeat mode out
    // of range comes back as 0; Random=65536 (low 16 bits) leaves the button unchecked and the list in column order.
    const std::tuple<const wchar_t*, std::wstring, std::wstring> starts[] = {
        {L"MainWnd.ShowCmd=2\r\nVolume=5\r\nRepeat=3\r\n", L"2", L"0"},
        {L"MainWnd.ShowCmd=\r\nRepeat=-1\r\n", L"1", L"0"},
        {L"MainWnd.ShowCmd=12\r\nVolume=-5000\r\n", L"1", L"-5000"},
    };
    for (const auto& [stored, shown, volume] : starts) {
        start(L"", stored + std::wstring(L"Random=65536\r\n"));
        SCOPED_TRACE(stored);
        EXPECT_TRUE(IsWindowVisible(main->window()));
        EXPECT_EQ(randomShown(), std::make_pair(false, false));
        close();
        expectSaved(stateStore, {{L"MainWnd.ShowCmd", shown}, {L"Volume", volume}, {L"Repeat", L"0"}});
    }
}

TEST_F(MainWindowTest, PlaybackRunsOnThroughTheListAndNextAndPreviousFollowTheRepeatMode) {
    start(L"Favorite[00]=" + music.path() + L"\r\n", L"LastFolder=" + music.path() + L"\r\n");
    doubleClickRow(28);
    EXPECT_EQ(playback(), std::make_tuple(L"29.wav", true, true, false));
    ASSERT_TRUE(waitFor(L"-"));
    EXPECT_EQ(playback(), std::make_tuple(L"-", false, false, false));
    const std::tuple<const char*, int, int, int, const wchar_t*> steps[] = {
        {"Next after the last stops", RepeatNone, 29, ID_NEXT, L"-"},
        {"under list repeat it starts over", RepeatList, 29, ID_NEXT, L"01.wav"},
        {"Previous before the first, under list repeat, goes to the last", RepeatList, 0, ID_PREV, L"30.wav"},
        {"Previous before the first stops", RepeatNone, 0, ID_PREV, L"-"},
        {"Next plays the next row", RepeatNone, 5, ID_NEXT, L"07.wav"},
        {"Next without a selection plays the first", RepeatNone, -1, ID_NEXT, L"01.wav"},
        {"Previous without a selection plays the last", RepeatNone, -1, ID_PREV, L"30.wav"},
        {"Play plays the selected row again", RepeatNone, 5, ID_PLAY, L"06.wav"},
    };
    for (const auto& [what, repeat, row, button, plays] : steps) {
        SCOPED_TRACE(what);
        main->toolBar()->setRepeatMode(repeat);
        if (row >= 0)
            doubleClickRow(row);
        else
            ListView_SetItemState(list->window(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        click(button);
        EXPECT_EQ(playing(), plays);
    }
}

// The pop-up opens under the toolbar, as tall as it, and hides when left; its bar sets the volume, the next item's too.
TEST_F(MainWindowTest, TheVolumePopUpSetsTheVolumeOfWhatPlays) {
    startInMusic();
    doubleClickRow(0);
    click(ID_VOLUME);
    VolumeBar& volume = *main->volumeBarPopup();
    const RECT toolbar = rect(bar()), shown = rect(volume.window());
    EXPECT_EQ(std::make_tuple(shown.left, shown.top, shown.bottom - shown.top),
        std::make_tuple(toolbar.left, toolbar.bottom, toolbar.bottom - toolbar.top));
    HWND thumb = volume.trackBarWindow();
    ASSERT_TRUE(test::waitUntil([&] { return GetActiveWindow() == volume.window(); }, 10000));
    SendMessageW(thumb, TBM_SETPOS, TRUE, 25);
    SendMessageW(volume.window(), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 25), LPARAM(thumb));
    EXPECT_EQ(player()->volume(), -5000);
    EXPECT_EQ(GetFocus(), thumb);                 // the keys reach the bar without a click
    SendMessageW(thumb, WM_KEYDOWN, VK_NEXT, 0);  // a page is one position, taken at once
    const int paged = TrackBar::positionOf(thumb);
    EXPECT_EQ(std::abs(paged - 25), 1);
    EXPECT_EQ(player()->volume(), positionToVolume(paged)) << paged;
    SetActiveWindow(main->window());
    EXPECT_TRUE(test::waitUntil([&] { return !IsWindowVisible(volume.window()); }, 10000));
    click(ID_NEXT);
    EXPECT_EQ(player()->volume(), volume.volume());
}

TEST_F(MainWindowTest, UnderRandomOrderAndListRepeatEachPassIsShuffledAnewAndPlaysOn) {
    startInMusic();
    click(ID_RANDOM);
    main->toolBar()->setRepeatMode(RepeatList);
    const std::wstring firstBefore = list->itemText(0) + list->itemText(1) + list->itemText(2);
    doubleClickRow(29);
    ASSERT_TRUE(test::waitUntil([&] { return main->nextPlayer() != nullptr; }));
    const Player* prepared = main->nextPlayer().get();  // the next pass's first, made ready ahead
    ASSERT_TRUE(test::waitUntil([&] { return list->currentIndex() == 0; }, 60000));
    EXPECT_EQ(player(), prepared);
    EXPECT_NE(list->itemText(0) + list->itemText(1) + list->itemText(2), firstBefore);
}

TEST_F(MainWindowTest, SeekPauseAndCompletionActOnTheCurrentPlayerOnly) {
    startInMusic();
    doubleClickRow(0);
    main->toolBar()->setRepeatMode(RepeatSingle);
    Player* first = player();
    SendMessageW(main->window(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 2), reinterpret_cast<LPARAM>(seek()));
    EXPECT_FALSE(main->positionTimerRunning());  // a drag alone does not seek
    EXPECT_LE(first->position(), 1);
    main->seekBarControl()->setPosition(2);
    SendMessageW(main->window(), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 2), reinterpret_cast<LPARAM>(seek()));
    EXPECT_TRUE(main->positionTimerRunning());
    EXPECT_GE(first->position(), 2);
    click(ID_PAUSE);
    const int paused = first->position();
    EXPECT_GE(paused, 2);
    EXPECT_EQ(pauseShown(*first), std::make_tuple(true, L"再開/1", Stopped));
    click(ID_PAUSE);
    EXPECT_EQ(pauseShown(*first), std::make_tuple(false, L"一時停止/1", Running));
    EXPECT_GE(first->position(), paused);
    // A completion of a player since replaced is ignored; this player's own restarts it.
    SendMessageW(main->window(), MSG_TRACK_END, 0, LPARAM(first->serial() + 1));
    EXPECT_GE(first->position(), paused);
    SendMessageW(main->window(), MSG_TRACK_END, 0, LPARAM(first->serial()));
    EXPECT_EQ(player(), first);
    EXPECT_EQ(std::make_pair(first->state(), first->position()), std::make_pair(int32_t(Running), 0));
    // Any process may post the graph's message: one that names no current player changes nothing.
    for (LPARAM bogus : {LPARAM(0), LPARAM(first), LPARAM(first->serial() + 1), LPARAM(-1)})
        PostMessageW(main->window(), MSG_GRAPH_EVENT, 0, bogus);
    for (MSG msg; PeekMessageW(&msg, main->window(), MSG_GRAPH_EVENT, MSG_GRAPH_EVENT, PM_REMOVE);)
        DispatchMessageW(&msg);
    EXPECT_EQ(player(), first);
    EXPECT_EQ(first->state(), Running);
    EXPECT_EQ(main->seekBarControl()->position(), 0);
    main->seekBarControl()->setPosition(2);
    click(ID_NEXT);  // a new item's thumb starts at its beginning
    EXPECT_NE(player(), first);
    EXPECT_EQ(main->seekBarControl()->position(), 0);
    click(ID_STOP);
    click(ID_PAUSE);  // nothing to pause
    EXPECT_EQ(playback(), std::make_tuple(L"-", false, false, false));
}

TEST_F(MainWindowTest, DroppedFoldersShowAndDroppedFilesPlay) {
    test::TempDir other;  // made first, so that one listing of their parent holds both
    start(L"");           // no favourite: found through the drives
    drop(L"");            // a drop without a file changes nothing
    EXPECT_EQ(shownFolder(), L"-");
    drop(music.path() + L'\0');
    EXPECT_EQ(std::make_tuple(shownFolder(), list->itemCount(), playing()), std::make_tuple(music.path(), 30, L"-"));
    drop(music.file(L"03.wav") + L'\0' + music.file(L"01.wav") + L'\0');
    EXPECT_EQ(playing(), L"03.wav");
    std::wstring deep = other.path();  // a path longer than MAX_PATH plays too
    while (deep.size() < MAX_PATH + 10) {
        deep += L"\\とても長いフォルダの名前";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    copy(L"tone440_3s.wav", deep.substr(other.path().size() + 1) + L"\\ラ.wav", other);
    drop(deep + L"\\ラ.wav" + L'\0');
    EXPECT_EQ(playingFrom(), std::make_tuple(L"ラ.wav", deep));
    // A drop into a folder not listed yet, met by a tree listing's drain, waits for that listing to end.
    ASSERT_TRUE(CreateDirectoryW(music.file(L"sub").c_str(), nullptr));
    copy(L"tone440_3s.wav", L"sub\\05.wav", music);
    HWND tree = main->folderTree()->window();
    ASSERT_TRUE(main->folderTree()->selectPath(other.path()));
    const HTREEITEM listed = main->folderTree()->selectedNode();
    SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, LPARAM(listed));
    ASSERT_TRUE(test::waitUntil(messageDrainIsDue, 10000));
    PostMessageW(main->window(), WM_DROPFILES, dropped(music.file(L"sub\\05.wav") + L'\0'), 0);
    main->folderTree()->expand(listed);
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
    EXPECT_EQ(playingFrom(), std::make_tuple(L"05.wav", music.file(L"sub")));
}

// Another folder clicked while the playing one fills: its rows are not marked, so Next starts at its first.
TEST_F(MainWindowTest, AFolderClickedWhileThePlayingOneFillsShowsNoPlayingRow) {
    test::TempDir other;
    copy(L"tone440_3s.wav", L"03.wav", other);
    startInMusic();
    drop(music.file(L"03.wav") + L'\0');
    HWND tree = main->folderTree()->window();
    const HTREEITEM playingNode = main->folderTree()->selectedNode();
    ASSERT_TRUE(main->folderTree()->selectPath(other.path()));
    const HTREEITEM otherNode = main->folderTree()->selectedNode();
    ASSERT_TRUE(test::waitUntil(messageDrainIsDue, 10000));  // the fill drains before its first entry
    PostMessageW(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(otherNode));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(playingNode));
    click(ID_NEXT);
    EXPECT_EQ(playingFrom(), std::make_tuple(L"03.wav", other.path()));
}

// Its sheet's tracks stand for the sheet and its image; the playing track is chosen again at the next start.
TEST_F(MainWindowTest, AnAlbumInAnArchivePlaysOnAndItsTrackIsRemembered) {
    const std::wstring made = test::environmentVariable(L"MELODRIFT_ARCHIVES");
    startInMusic();
    ASSERT_TRUE(CopyFileW((made + L"\\album.7z").c_str(), music.file(L"album.7z").c_str(), FALSE));
    ASSERT_TRUE(main->folderTree()->selectPath(music.file(L"album.7z")));
    ASSERT_EQ(list->itemCount(), 4);  // and a tone of its own
    doubleClickRow(1);
    EXPECT_EQ(playing(), L"02 ライブ - バンド");
    EXPECT_EQ(SendMessageW(seek(), TBM_GETRANGEMAX, 0, 0), 3);
    const Player* album = player();
    ASSERT_TRUE(waitFor(L"03 終曲 - 客演"));
    EXPECT_EQ(player(), album) << "played on in one graph from the image extracted once";
    doubleClickRow(2);  // a player of its own, from the image the folder keeps
    EXPECT_EQ(playing(), L"03 終曲 - 客演");
    close();
    expectSaved(stateStore, {{L"LastFolder", music.file(L"album.7z")}, {L"LastFile", L"03 終曲 - 客演"}});
    start(L"", L"LastFolder=" + music.file(L"album.7z") + L"\r\nLastFile=03 終曲 - 客演\r\n");
    EXPECT_EQ(list->itemText(list->currentIndex()), L"03 終曲 - 客演");
}

// One graph plays the image through; within a second of each boundary the list and the status bar show the track.
TEST_F(MainWindowTest, AnImagesTracksPlayWithoutABreakAndTheListFollows) {
    for (const std::wstring image : {L"album_3x3s.wav", L"album_3x3s.flac"}) {  // FLAC: decoded by the program
        copy(image.c_str(), image, music);
        test::writeBytes(music.file(image + L".cue"), albumSheet(std::string(image.begin(), image.end())));
    }
    start(L"");
    ASSERT_TRUE(main->folderTree()->selectPath(music.file(L"album_3x3s.wav.cue")));
    doubleClickRow(0);
    main->toolBar()->setRepeatMode(RepeatSingle);  // while the track plays: the run planned further is cut short
    Player* image = player();
    ASSERT_TRUE(test::waitUntil([&] { return image->position() >= 2; }));
    ASSERT_TRUE(test::waitUntil([&] { return image->position() < 2; }));
    EXPECT_EQ(playing(), L"01");
    main->toolBar()->setRepeatMode(RepeatNone);
    for (const wchar_t* sheet : {L"album_3x3s.wav.cue", L"album_3x3s.flac.cue"}) {
        SCOPED_TRACE(sheet);
        ASSERT_TRUE(main->folderTree()->selectPath(music.file(sheet)));
        const size_t from = recording.mark();
        doubleClickRow(0);
        image = player();
        for (const auto& [track, tone] : {std::pair{L"02", 660.0}, {L"03", 880.0}}) {
            SCOPED_TRACE(track);
            const double silence = silenceBefore(track, tone, [&] {
                EXPECT_EQ(player(), image);
                EXPECT_EQ(image->position(), 0);
                EXPECT_EQ(list->itemText(list->currentIndex()), track);
                EXPECT_EQ(statusName(), track);
                EXPECT_EQ(SendMessageW(seek(), TBM_GETRANGEMAX, 0, 0), 3);
            });
            EXPECT_LT(silence, 0.005);
        }
        ASSERT_TRUE(waitFor(L"-"));
        const auto heard = recordedSince(from);
        for (const double tone : {660.0, 880.0}) {  // a dropout would lengthen a track's tone, only a skip shortens it
            const test::ToneReport report = test::analyseTone(heard, tone, 0.01);
            EXPECT_GT(report.endsAt - report.firstAt, 2.965) << tone;  // at least 297 frames of 10 ms
        }
    }
}

TEST_F(MainWindowTest, FilesFollowReadyAheadAndOneThatCannotPlayIsPassedOver) {
    test::TempDir tones, mixed;
    copy(L"tone440_3s.wav", L"1.wav", tones);
    copy(L"tone660_3s.wav", L"2.wav", tones);
    copy(L"tone880_3s.wav", L"3.wav", tones);
    copy(L"tone440_3s.wav", L"a.wav", mixed);
    copy(L"not_audio.mp3", L"b.mp3", mixed);
    copy(L"tone660_3s.wav", L"c.wav", mixed);
    start(L"");
    ASSERT_TRUE(main->folderTree()->selectPath(tones.path()));
    doubleClickRow(0);
    // Between files made ready ahead 0 to 40 ms is silent; up to 0.1 s when a loaded machine runs the sound dry.
    for (const auto& [next, tone] : {std::pair{L"2.wav", 660.0}, {L"3.wav", 880.0}}) {
        ASSERT_TRUE(test::waitUntil([&] { return main->nextPlayer() && main->nextPlayer()->itemName() == next; }));
        const double silence = silenceBefore(next, tone);
        EXPECT_LE(silence, 0.1) << next;
    }
    ASSERT_TRUE(main->folderTree()->selectPath(mixed.path()));
    const size_t from = recording.mark();
    doubleClickRow(0);
    ASSERT_TRUE(waitFor(L"c.wav"));
    ASSERT_TRUE(waitFor(L"-"));
    const auto heard = recordedSince(from);
    for (const double tone : {440.0, 660.0}) EXPECT_GT(test::analyseTone(heard, tone).toneSeconds, 1.5) << tone;
    doubleClickRow(1);
    EXPECT_EQ(playing(), L"-");
    EXPECT_EQ(statusName(), L"再生できません: b.mp3");
    doubleClickRow(2);
    click(ID_PREV);  // over b.mp3, as the list's play went over it
    EXPECT_EQ(playing(), L"a.wav");
}

}  // namespace
}  // namespace melodrift
