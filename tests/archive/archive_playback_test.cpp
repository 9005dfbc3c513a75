// Archive entries played from memory through Wine's graph, judged by the recording; what cannot play says so.
#include "archive/archive_fixtures.h"
#include "library/folder.h"
#include "playback/player.h"
#include "support/audio_test.h"
#include "support/wait.h"

#include <algorithm>

namespace melodrift {
namespace {

using test::NotifyWindow;
using ArchiveEntryPlayback = test::AudioTest;

TEST_F(ArchiveEntryPlayback, EntriesPlayFromMemoryWithoutWritingToDisk) {
    if (test::archivesDir().empty()) GTEST_SKIP() << "no fixture archives in this run";
    test::restartEngineWith();
    const auto disk = [] {
        return std::make_pair(test::snapshotTree(test::systemTempFolder()), test::snapshotTree(test::archivesDir()));
    };
    const auto before = disk();
    // A seek back while playing flushes the running graph: what was heard plays again.
    const struct { const wchar_t* archive; std::wstring entry; int seek, seekBackAt; double frequency, least, most;
    } rows[] = {
        {L"music.7z", L"tone440.wav", 0, -1, 440, 1.7, 3.3}, {L"music.7z", L"disc2\\01.mp3", 0, -1, 880, 2.7, 4.3},
        {L"music.zip", L"disc1\\01.mp3", 3, -1, 880, 0.01, 1.6}, {L"music.zip", L"tone440.wav", 0, 2, 440, 3.4, 5.5},
        {L"long_name.zip", L"", 0, -1, 440, 1.7, 3.3},  // its one entry's path is longer than MAX_PATH
        {L"music.7z", L"notes.txt"}, {L"music.7z", L"no such entry.wav"},  // not playable
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.archive);
        auto folder = openFolder(test::archiveFixture(row.archive), nullptr);
        ASSERT_TRUE(folder);
        FolderItem item{row.entry};
        const bool keepGoing = true;
        ASSERT_TRUE(!row.entry.empty() || folder->nextItem({L"*.wav"}, item, keepGoing));
        auto player =
            folder->createPlayer(item.name, window.window(), NotifyWindow::kGraphEvent, NotifyWindow::kTrackEnd);
        ASSERT_TRUE(player);
        EXPECT_EQ(std::make_tuple(player->state(), player->folderPath(), player->itemName()),
                  std::make_tuple(int32_t(row.frequency ? Stopped : NotReady), test::archiveFixture(row.archive),
                                  item.name));
        if (!row.frequency) {
            EXPECT_FALSE(player->play());
            continue;
        }
        EXPECT_EQ(player->seek(row.seek), row.seek);
        const size_t start = recording.mark();
        const int ended = window.completions;
        ASSERT_TRUE(player->play());
        ASSERT_TRUE(test::waitUntil([&] { return player->position() >= std::max(1, row.seekBackAt); }));
        EXPECT_EQ(disk(), before) << "nothing is written while it plays";
        EXPECT_EQ(row.seekBackAt > 0 ? player->seek(0) : 0, 0);
        ASSERT_TRUE(window.waitForCompletion(ended)) << "no completion message";
        const auto heard = test::analyseTone(recordedSince(start), row.frequency);
        EXPECT_TRUE(heard.toneSeconds > row.least && heard.toneSeconds < row.most) << heard.describe();
    }
}

}  // namespace
}  // namespace melodrift
