// CUE sheets as folders: the items a sheet lists, passes and rewinds, and the players
// made for its tracks.
#include "library/folder_cue.h"

#include "playback/player.h"
#include "support/files.h"
#include "support/notify_window.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace melodrift {
namespace {

using Names = std::vector<std::wstring>;

const char kSheet[] =
    "PERFORMER \"Band\"\r\n"
    "TITLE \"Live\"\r\n"
    "FILE \"tone.wav\" WAVE\r\n"
    "  TRACK 01 AUDIO\r\n"
    "    TITLE \"Intro\"\r\n"
    "    INDEX 01 00:00:00\r\n"
    "  TRACK 02 AUDIO\r\n"
    "    INDEX 01 00:01:00\r\n";
const Names kTitles{L"01 Intro - Band", L"02 Live - Band"};

Names listNames(Folder& folder, const std::vector<std::wstring>& patterns, bool keepGoing) {
    Names names;
    FolderItem item;
    while (folder.nextItem(patterns, item, keepGoing)) names.push_back(item.name);
    return names;
}

class FolderCueTest : public ::testing::Test {
protected:
    FolderCueTest() { test::writeBytes(sheet, kSheet); }

    test::TempDir dir;
    std::wstring sheet = dir.file(L"live.cue");
};

// --- items -------------------------------------------------------------------------

TEST_F(FolderCueTest, EveryTrackIsAnItemOfTypeCueWithoutSizeOrTime) {
    FolderCue folder(sheet);
    FolderItem item;
    item.type = L"mp3";
    item.size = 5;
    item.modified = FILETIME{1, 2};
    const bool keepGoing = true;
    for (const std::wstring& title : kTitles) {
        ASSERT_TRUE(folder.nextItem({L"*"}, item, keepGoing));
        EXPECT_EQ(item.name, title);
        EXPECT_EQ(item.type, L"cue");
        EXPECT_EQ(item.size, FolderItem::kNoSize);
        EXPECT_EQ(item.modified.dwLowDateTime, 0u);
        EXPECT_EQ(item.modified.dwHighDateTime, 0u);
    }
    EXPECT_FALSE(folder.nextItem({L"*"}, item, keepGoing));
}

TEST_F(FolderCueTest, PatternsAndTheStopFlagDoNotApply) {
    FolderCue folder(sheet);
    EXPECT_EQ(listNames(folder, {}, true), kTitles);
    folder.rewind();
    EXPECT_EQ(listNames(folder, {L"*.mp3"}, false), kTitles);
}

TEST_F(FolderCueTest, EndStaysUntilRewindWhichStartsAgainFromTheFirstTrack) {
    FolderCue folder(sheet);
    EXPECT_EQ(listNames(folder, {}, true), kTitles);
    EXPECT_EQ(listNames(folder, {}, true), Names{});
    folder.rewind();
    FolderItem item;
    ASSERT_TRUE(folder.nextItem({}, item, true));
    folder.rewind();
    EXPECT_EQ(listNames(folder, {}, true), kTitles);
}

TEST_F(FolderCueTest, PathIsTheSheetsAsGiven) {
    EXPECT_EQ(FolderCue(sheet).path(), sheet);
    const std::wstring missing = dir.file(L"gone.cue");
    EXPECT_EQ(FolderCue(missing).path(), missing);
}

TEST_F(FolderCueTest, SheetThatCannotBeReadHasNoItems) {
    FolderCue missing(dir.file(L"gone.cue"));
    EXPECT_EQ(listNames(missing, {L"*"}, true), Names{});
    FolderCue directory(dir.path());
    EXPECT_EQ(listNames(directory, {L"*"}, true), Names{});
}

// --- players -----------------------------------------------------------------------

// A PCM WAV file of silence, 8 kHz mono 16-bit.
std::string silence(uint32_t seconds) {
#pragma pack(push, 1)
    struct Header {
        char riff[4];
        uint32_t riffBytes;
        char waveFmt[8];
        uint32_t fmtBytes;
        uint16_t format, channels;
        uint32_t sampleRate, byteRate;
        uint16_t blockAlign, bitsPerSample;
        char data[4];
        uint32_t dataBytes;
    };
#pragma pack(pop)
    const uint32_t dataBytes = 16000 * seconds;
    const Header header{{'R', 'I', 'F', 'F'}, 36 + dataBytes, {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '},
                        16, 1, 1, 8000, 16000, 2, 16, {'d', 'a', 't', 'a'}, dataBytes};
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(dataBytes, '\0');
    return bytes;
}

class FolderCuePlayer : public FolderCueTest {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        test::writeBytes(dir.file(L"tone.wav"), silence(3));
    }
    void TearDown() override { CoUninitialize(); }

    std::shared_ptr<Player> playerFor(FolderCue& folder, const std::wstring& name) {
        return folder.createPlayer(name, window.window(), test::NotifyWindow::kGraphEvent, test::NotifyWindow::kTrackEnd);
    }

    test::NotifyWindow window;
};

TEST_F(FolderCuePlayer, NameNoTrackHasGivesNoPlayer) {
    FolderCue folder(sheet);
    for (const wchar_t* name : {L"", L"01", L"01 Intro", L"01 intro - band", L"01 Intro - Band ", L"tone.wav"}) {
        SCOPED_TRACE(testing::Message() << "name of " << wcslen(name) << " characters");
        EXPECT_FALSE(playerFor(folder, name));
    }
}

TEST_F(FolderCuePlayer, PlayerCarriesTheSheetPathAndTheTrackName) {
    std::shared_ptr<Player> player;
    {
        FolderCue folder(sheet);
        player = playerFor(folder, L"02 Live - Band");
    }
    ASSERT_TRUE(player);
    EXPECT_EQ(player->folderPath(), sheet);
    EXPECT_EQ(player->itemName(), L"02 Live - Band");
    EXPECT_EQ(player->state(), Stopped);
}

TEST_F(FolderCuePlayer, PlayerCoversTheTracksRangeOfItsFile) {
    FolderCue folder(sheet);
    const std::shared_ptr<Player> first = playerFor(folder, kTitles[0]);
    const std::shared_ptr<Player> last = playerFor(folder, kTitles[1]);
    ASSERT_TRUE(first && last);
    EXPECT_EQ(first->duration(), 1);
    EXPECT_EQ(last->duration(), 2);  // from its start to the end of the 3-second file
}

TEST_F(FolderCuePlayer, TrackWhoseFileIsMissingGivesAPlayerThatCannotPlay) {
    test::writeBytes(sheet, "FILE \"gone.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    FolderCue folder(sheet);
    const std::shared_ptr<Player> player = playerFor(folder, L"01");
    ASSERT_TRUE(player);
    EXPECT_EQ(player->state(), NotReady);
    EXPECT_EQ(player->itemName(), L"01");
}

// A sheet never titles two tracks alike (titles begin with the track's number), but
// tracks handed in may.
TEST_F(FolderCuePlayer, FirstOfTracksWithEqualTitlesIsChosen) {
    const std::wstring audio = dir.file(L"tone.wav");
    FolderCue folder(sheet, {{0, 20000000, audio, L"Same"}, {0, 10000000, audio, L"Same"}});
    const std::shared_ptr<Player> player = playerFor(folder, L"Same");
    ASSERT_TRUE(player);
    ASSERT_EQ(player->state(), Stopped);
    EXPECT_EQ(player->duration(), 2);
}

}  // namespace
}  // namespace melodrift
