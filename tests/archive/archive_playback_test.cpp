// Archive entries played from memory through Wine's graph, judged by the recording; what
// cannot play says so.
#include "archive/archive_fixtures.h"
#include "library/folder.h"
#include "playback/player.h"
#include "support/audio_test.h"
#include "support/wait.h"

#include <algorithm>

namespace melodrift {
namespace {

using test::NotifyWindow;

class ArchiveEntryPlayback : public test::AudioTest {
protected:
    void SetUp() override {
        test::AudioTest::SetUp();
        if (IsSkipped()) return;
        if (test::archivesDir().empty()) GTEST_SKIP() << "no fixture archives in this run";
        test::restartEngineWith();
    }
};

TEST_F(ArchiveEntryPlayback, EntriesPlayFromMemoryWithoutWritingToDisk) {
    const auto tempBefore = test::snapshotTree(test::systemTempFolder());
    const auto besideBefore = test::snapshotTree(test::archivesDir());
    auto unchanged = [&] {
        return test::snapshotTree(test::systemTempFolder()) == tempBefore &&
               test::snapshotTree(test::archivesDir()) == besideBefore;
    };
    // A seek back while playing flushes the running graph: what was heard plays again.
    const struct { const wchar_t* archive; std::wstring entry; int seek, seekBackAt; double frequency, least, most; } rows[] = {
        {L"music.7z", L"tone440.wav", 0, -1, 440, 1.7, 3.3}, {L"music.7z", L"disc2\\01.mp3", 0, -1, 880, 2.7, 4.3},
        {L"music.zip", L"disc1\\01.mp3", 3, -1, 880, 0.01, 1.6}, {L"music.zip", L"tone440.wav", 0, 2, 440, 3.4, 5.5},
        {L"long_name.zip", L"", 0, -1, 440, 1.7, 3.3},  // its one entry's path is longer than MAX_PATH
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.archive);
        auto folder = openFolder(test::archiveFixture(row.archive), nullptr);
        ASSERT_TRUE(folder);
        FolderItem item;
        item.name = row.entry;
        const bool keepGoing = true;
        if (row.entry.empty()) {
            ASSERT_TRUE(folder->nextItem({L"*.wav"}, item, keepGoing));
        }
        auto player = folder->createPlayer(item.name, window.window(), NotifyWindow::kGraphEvent, NotifyWindow::kTrackEnd);
        ASSERT_TRUE(player);
        ASSERT_EQ(player->state(), Stopped);
        EXPECT_EQ(std::make_pair(player->folderPath(), player->itemName()), std::make_pair(test::archiveFixture(row.archive), item.name));
        EXPECT_EQ(player->seek(row.seek), row.seek);
        const size_t start = recording.mark();
        const int ended = window.completions;
        ASSERT_TRUE(player->play());
        ASSERT_TRUE(test::waitUntil([&] { return player->position() >= std::max(1, row.seekBackAt); }));
        EXPECT_TRUE(unchanged()) << "while playing";
        if (row.seekBackAt > 0) {
            EXPECT_EQ(player->seek(0), 0);
        }
        ASSERT_TRUE(window.waitForCompletion(ended)) << "no completion message";
        const auto heard = test::analyseTone(recordedSince(start), row.frequency);
        EXPECT_GT(heard.toneSeconds, row.least) << heard.describe();
        EXPECT_LT(heard.toneSeconds, row.most) << heard.describe();
    }
    EXPECT_TRUE(unchanged());
    // What cannot play gives a player that says so.
    auto folder = openFolder(test::archiveFixture(L"music.7z"), nullptr);
    for (const wchar_t* entry : {L"notes.txt", L"no such entry.wav"}) {
        auto player = folder->createPlayer(entry, window.window(), NotifyWindow::kGraphEvent, NotifyWindow::kTrackEnd);
        ASSERT_TRUE(player) << entry;
        EXPECT_EQ(player->state(), NotReady) << entry;
        EXPECT_FALSE(player->play()) << entry;
    }
}

}  // namespace
}  // namespace melodrift
