// Archive entries played from memory through Wine's graph, judged by the recording.
#include "library/folder.h"
#include "archive/archive.h"
#include "playback/player.h"
#include "playback/zip_source_renderer.h"

#include <uuids.h>
#include "support/audio_test.h"
#include "support/wait.h"
#include "archive_fixtures.h"

#include <memory>

namespace melodrift {
namespace {

using test::analyseTone;
using test::NotifyWindow;

class ArchiveEntryPlayback : public test::AudioTest {
protected:
    void SetUp() override {
        test::AudioTest::SetUp();
        if (IsSkipped()) return;
        if (test::archivesDir().empty()) GTEST_SKIP() << "no fixture archives in this run";
        test::restartEngineWith();
    }

    std::shared_ptr<Player> entryPlayer(const std::wstring& archive, const std::wstring& entry) {
        folder = openFolder(test::archiveFixture(archive), nullptr);
        if (!folder) return nullptr;
        return folder->createPlayer(entry, window.window(), NotifyWindow::kGraphEvent, NotifyWindow::kTrackEnd);
    }

    // Plays to the end and reports how long the frequency was heard.
    test::ToneReport playToEnd(Player& player, double frequency) {
        const size_t start = recording.mark();
        EXPECT_TRUE(player.play());
        EXPECT_TRUE(window.waitForCompletion(window.completions)) << "no completion message";
        return analyseTone(recordedSince(start), frequency);
    }

    std::shared_ptr<Folder> folder;
};

TEST_F(ArchiveEntryPlayback, WavAndMp3EntriesOfA7zPlayWholeFromMemory) {
    auto wav = entryPlayer(L"music.7z", L"tone440.wav");
    ASSERT_TRUE(wav);
    ASSERT_EQ(wav->state(), Stopped);
    EXPECT_EQ(wav->duration(), 3);
    EXPECT_EQ(wav->folderPath(), test::archiveFixture(L"music.7z"));
    const auto heard = playToEnd(*wav, 440);
    EXPECT_GT(heard.toneSeconds, 1.7) << heard.describe();
    EXPECT_LT(heard.toneSeconds, 3.3) << heard.describe();
    wav.reset();

    auto mp3 = entryPlayer(L"music.7z", L"disc2\\01.mp3");
    ASSERT_TRUE(mp3);
    ASSERT_EQ(mp3->state(), Stopped);
    const auto heardMp3 = playToEnd(*mp3, 880);
    EXPECT_GT(heardMp3.toneSeconds, 2.7) << heardMp3.describe();
    EXPECT_LT(heardMp3.toneSeconds, 4.3) << heardMp3.describe();
}

TEST_F(ArchiveEntryPlayback, ZipEntryPlaysAndSeeksWithinTheEntry) {
    auto player = entryPlayer(L"music.zip", L"disc1\\01.mp3");
    ASSERT_TRUE(player);
    ASSERT_EQ(player->state(), Stopped);
    EXPECT_EQ(player->seek(3), 3);
    const auto heard = playToEnd(*player, 880);
    // Only the last second or so of the four.
    EXPECT_LT(heard.toneSeconds, 1.6) << heard.describe();
    EXPECT_GT(heard.loudSeconds, 0.0) << heard.describe();
}

TEST_F(ArchiveEntryPlayback, NothingIsWrittenToDiskWhileAnEntryPlays) {
    const std::wstring archiveDir = test::archivesDir();
    const auto archiveFolderBefore = test::snapshotTree(archiveDir);
    const auto tempBefore = test::snapshotTree(test::systemTempFolder());

    auto player = entryPlayer(L"music.zip", L"tone440.wav");
    ASSERT_TRUE(player);
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(test::waitUntil([&] { return player->position() >= 1; }));
    EXPECT_TRUE(test::snapshotTree(archiveDir) == archiveFolderBefore);
    EXPECT_TRUE(test::snapshotTree(test::systemTempFolder()) == tempBefore);
    ASSERT_TRUE(window.waitForCompletion(0));
    player.reset();
    EXPECT_TRUE(test::snapshotTree(archiveDir) == archiveFolderBefore);
    EXPECT_TRUE(test::snapshotTree(test::systemTempFolder()) == tempBefore);
}

TEST_F(ArchiveEntryPlayback, EntriesThatCannotPlayGiveNotReadyPlayers) {
    for (const wchar_t* entry : {L"notes.txt", L"no such entry.wav"}) {
        auto player = entryPlayer(L"music.7z", entry);
        ASSERT_TRUE(player) << entry;
        EXPECT_EQ(player->state(), NotReady);
        EXPECT_FALSE(player->play());
    }
}

TEST_F(ArchiveEntryPlayback, EntryWithAPathLongerThanAnyWindowsPathPlays) {
    folder = openFolder(test::archiveFixture(L"long_name.zip"), nullptr);
    ASSERT_TRUE(folder);
    FolderItem item;
    const bool keepGoing = true;
    ASSERT_TRUE(folder->nextItem({L"*.wav"}, item, keepGoing));
    ASSERT_GT(item.name.size(), 300u);
    auto player = folder->createPlayer(item.name, window.window(), NotifyWindow::kGraphEvent, NotifyWindow::kTrackEnd);
    ASSERT_TRUE(player);
    ASSERT_EQ(player->state(), Stopped);
    EXPECT_EQ(player->itemName(), item.name);
    const auto heard = playToEnd(*player, 440);
    EXPECT_GT(heard.toneSeconds, 1.7) << heard.describe();
}

TEST_F(ArchiveEntryPlayback, TheGraphListsTheMemorySourceByName) {
    auto archive = std::make_shared<Archive>(test::archiveFixture(L"music.7z"));
    const std::wstring entry = L"tone440.wav";
    ComPtr<IGraphBuilder> graph;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                              graph.putVoid()));
    ZipSourceRenderer renderer(archive, entry);
    ASSERT_HRESULT_SUCCEEDED(renderer.render(graph.get()));
    ComPtr<IBaseFilter> source;
    EXPECT_HRESULT_SUCCEEDED(graph->FindFilterByName(L"MemSource", source.put()));
    EXPECT_TRUE(source);
}

}  // namespace
}  // namespace melodrift
