// Files played through Wine's real filter graph, judged by what the null sink recorded.
#include "playback/player.h"
#include "support/audio_test.h"
#include "support/wait.h"

#include <memory>

namespace melodrift {
namespace {

using test::analyseTone;
using test::NotifyWindow;

class FilePlayback : public test::AudioTest {
protected:
    std::unique_ptr<Player> open(const std::wstring& name) {
        path = fixture(name);
        FileSourceRenderer renderer(path);
        return std::make_unique<Player>(renderer, L"C:\\folder", name, window.window(), NotifyWindow::kGraphEvent,
                                        NotifyWindow::kTrackEnd);
    }
    std::wstring path;
};

TEST_F(FilePlayback, WavPlaysWholeAndReportsCompletion) {
    auto player = open(L"tone440_3s.wav");
    ASSERT_EQ(player->state(), Stopped);
    EXPECT_EQ(player->duration(), 3);
    EXPECT_EQ(player->position(), 0);
    EXPECT_EQ(player->folderPath(), L"C:\\folder");
    EXPECT_EQ(player->itemName(), L"tone440_3s.wav");

    const size_t start = recording.mark();
    ASSERT_TRUE(player->setVolume(0));
    ASSERT_TRUE(player->play());
    EXPECT_EQ(player->state(), Running);
    ASSERT_TRUE(window.waitForCompletion(0)) << "no completion message";
    const auto heard = analyseTone(recordedSince(start), 440);
    // A new graph may lose up to a second at its start and a little at its end.
    EXPECT_GT(heard.toneSeconds, 1.7) << heard.describe();
    EXPECT_LT(heard.toneSeconds, 3.3) << heard.describe();
    EXPECT_EQ(window.completions, 1);
}

TEST_F(FilePlayback, Mp3PlaysItsTone) {
    auto player = open(L"tone880_4s.mp3");
    ASSERT_EQ(player->state(), Stopped);
    EXPECT_EQ(player->duration(), 4);
    const size_t start = recording.mark();
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(window.waitForCompletion(0));
    const auto heard = analyseTone(recordedSince(start), 880);
    EXPECT_GT(heard.toneSeconds, 2.7) << heard.describe();
    EXPECT_LT(heard.toneSeconds, 4.3) << heard.describe();
}

TEST_F(FilePlayback, StopPausesAndPlayResumesFromTheSamePosition) {
    auto player = open(L"tone660_6s.wav");
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(test::waitUntil([&] { return player->position() >= 2; }));
    ASSERT_TRUE(player->stop());
    EXPECT_EQ(player->state(), Stopped);
    EXPECT_TRUE(player->stop());  // already stopped
    const int32_t paused = player->position();
    EXPECT_GE(paused, 2);

    // While paused: nothing is heard and the position stays.
    const size_t pauseStart = recording.mark();
    ASSERT_TRUE(recording.waitFor(pauseStart, 1.5));
    const auto duringPause = analyseTone(recording.samples(pauseStart + test::Recording::kBytesPerSecond / 2,
                                                           recording.mark()), 660);
    EXPECT_LT(duringPause.loudSeconds, 0.2) << duringPause.describe();
    EXPECT_EQ(player->position(), paused);

    const size_t resumed = recording.mark();
    ASSERT_TRUE(player->play());
    EXPECT_TRUE(player->play());  // already running
    ASSERT_TRUE(window.waitForCompletion(0));
    // Only the rest of the file plays, not the whole six seconds again.
    const auto rest = analyseTone(recordedSince(resumed), 660);
    EXPECT_LT(rest.toneSeconds, 6.0 - paused + 0.5) << rest.describe();
    EXPECT_GT(rest.toneSeconds, 6.0 - paused - 2.0) << rest.describe();
}

TEST_F(FilePlayback, SeekMovesThePositionBeforeAndDuringPlay) {
    auto player = open(L"tone660_6s.wav");
    EXPECT_EQ(player->seek(4), 4);
    EXPECT_EQ(player->position(), 4);
    const size_t start = recording.mark();
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(window.waitForCompletion(0));
    const auto heard = analyseTone(recordedSince(start), 660);
    EXPECT_LT(heard.toneSeconds, 2.5) << heard.describe();

    // A seek back after the end plays again from there.
    ASSERT_TRUE(player->stop());
    EXPECT_EQ(player->seek(5), 5);
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(window.waitForCompletion(1));
    EXPECT_EQ(window.completions, 2);
}

TEST_F(FilePlayback, VolumeIsClampedAndSilentVolumeRecordsSilence) {
    auto player = open(L"tone440_3s.wav");
    EXPECT_EQ(player->volume(), 0);
    EXPECT_TRUE(player->setVolume(250));
    EXPECT_EQ(player->volume(), 0);
    EXPECT_TRUE(player->setVolume(-12000));
    EXPECT_EQ(player->volume(), -10000);
    EXPECT_TRUE(player->setVolume(-3000));
    EXPECT_EQ(player->volume(), -3000);

    ASSERT_TRUE(player->setVolume(-10000));
    const size_t start = recording.mark();
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(window.waitForCompletion(0));
    const auto heard = analyseTone(recordedSince(start), 440);
    EXPECT_LT(heard.loudSeconds, 0.1) << heard.describe();
}

class UnplayableFile : public test::AudioTest, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(UnplayableFile, GivesANotReadyPlayerThatRefusesEverythingAndStaysSilent) {
    const std::wstring path = fixture(GetParam());
    FileSourceRenderer renderer(path);
    Player player(renderer, L"C:\\", GetParam(), window.window(), NotifyWindow::kGraphEvent, NotifyWindow::kTrackEnd);
    EXPECT_EQ(player.state(), NotReady);
    const size_t start = recording.mark();
    EXPECT_FALSE(player.play());
    EXPECT_FALSE(player.stop());
    EXPECT_FALSE(player.setVolume(-500));
    EXPECT_EQ(player.volume(), 0);
    EXPECT_EQ(player.seek(3), 0);
    EXPECT_EQ(player.position(), 0);
    EXPECT_EQ(player.duration(), 0);
    EXPECT_EQ(player.state(), NotReady);

    const auto heard = analyseTone(recordedSince(start, 1.5), 440);
    EXPECT_LT(heard.loudSeconds, 0.1) << heard.describe();
    EXPECT_EQ(window.completions, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, UnplayableFile, ::testing::Values(L"missing.wav", L"not_audio.mp3"));

TEST_F(FilePlayback, DestroyingARunningPlayerStopsTheSoundAndDispatchesQueuedGraphEvents) {
    auto player = open(L"tone660_6s.wav");
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(test::waitUntil([&] { return player->position() >= 1; }));

    // An announcement the window has not handled yet is dispatched by the teardown.
    PostMessageW(window.window(), NotifyWindow::kGraphEvent, 0, reinterpret_cast<LPARAM>(player.get()));
    const int eventsBefore = window.graphEvents;
    player.reset();
    EXPECT_GT(window.graphEvents, eventsBefore);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, NotifyWindow::kGraphEvent, NotifyWindow::kGraphEvent, PM_NOREMOVE));

    // The rest of the file is not heard.
    const size_t after = recording.mark() + test::Recording::kBytesPerSecond / 2;
    ASSERT_TRUE(recording.waitFor(after, 2.0));
    const auto heard = analyseTone(recording.samples(after, recording.mark()), 660);
    EXPECT_LT(heard.toneSeconds, 0.2) << heard.describe();
    EXPECT_EQ(window.completions, 0);
}

}  // namespace
}  // namespace melodrift
