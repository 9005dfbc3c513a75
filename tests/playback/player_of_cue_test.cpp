// CUE tracks as time ranges of one file: album_3x3s.wav holds 440, 660 and 880 Hz,
// three seconds each.
#include "playback/player_of_cue.h"
#include "support/audio_test.h"
#include "support/wait.h"

#include <memory>

namespace melodrift {
namespace {

using test::analyseTone;
using test::NotifyWindow;

constexpr int64_t kSecond = kMediaTimePerSecond;

class CueTrackPlayback : public test::AudioTest {
protected:
    std::unique_ptr<PlayerOfCue> track(int64_t start, int64_t stop, const std::wstring& file = L"album_3x3s.wav") {
        return std::make_unique<PlayerOfCue>(fixture(file), L"C:\\album.cue", L"02 Middle", start, stop,
                                             window.window(), NotifyWindow::kGraphEvent, NotifyWindow::kTrackEnd);
    }
};

TEST_F(CueTrackPlayback, MiddleTrackPlaysOnlyItsRangeAndCompletesAtItsStop) {
    auto player = track(3 * kSecond, 6 * kSecond);
    ASSERT_EQ(player->state(), Stopped);
    EXPECT_EQ(player->duration(), 3);
    EXPECT_EQ(player->position(), 0);
    EXPECT_EQ(player->itemName(), L"02 Middle");

    const size_t start = recording.mark();
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(window.waitForCompletion(0)) << "the graph did not stop at the track's end";
    const auto samples = recordedSince(start);
    const auto middle = analyseTone(samples, 660);
    EXPECT_GT(middle.toneSeconds, 1.7) << middle.describe();
    EXPECT_LT(middle.toneSeconds, 3.3) << middle.describe();
    // Neither the track before nor the one after is heard.
    EXPECT_LT(analyseTone(samples, 440).toneSeconds, 0.2);
    EXPECT_LT(analyseTone(samples, 880).toneSeconds, 0.2);
}

TEST_F(CueTrackPlayback, FirstTrackStartsAtZeroAndLastOrBackwardRunsToTheEndOfTheFile) {
    auto first = track(0, 3 * kSecond);
    EXPECT_EQ(first->position(), 0);
    EXPECT_EQ(first->duration(), 3);
    first.reset();

    // A stop before the start is no range: such a track runs on like a last one.
    for (const int64_t stop : {int64_t(-1), 3 * kSecond}) {
        auto last = track(6 * kSecond, stop);
        ASSERT_EQ(last->state(), Stopped);
        EXPECT_EQ(last->duration(), 3) << stop;  // the file's nine seconds less the start
        const int ended = window.completions;
        const size_t start = recording.mark();
        ASSERT_TRUE(last->play());
        ASSERT_TRUE(window.waitForCompletion(ended)) << stop;
        const auto samples = recordedSince(start);
        EXPECT_GT(analyseTone(samples, 880).toneSeconds, 1.7) << stop;
        EXPECT_LT(analyseTone(samples, 660).toneSeconds, 0.2) << stop;
    }
}

TEST_F(CueTrackPlayback, PositionAndSeekAreRelativeToTheTrack) {
    auto player = track(3 * kSecond, 9 * kSecond);
    EXPECT_EQ(player->seek(2), 2);
    EXPECT_EQ(player->position(), 2);
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(test::waitUntil([&] { return player->position() >= 3; }));
    ASSERT_TRUE(player->stop());

    // Single-item repeat: stop, seek 0, play replays the track from its own start.
    EXPECT_EQ(player->seek(0), 0);
    const size_t start = recording.mark();
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(test::waitUntil([&] { return player->position() >= 1; }));
    const auto heard = analyseTone(recordedSince(start, 0.5), 660);
    EXPECT_GT(heard.toneSeconds, 0.3) << heard.describe();
    EXPECT_LT(analyseTone(recording.samples(start, recording.mark()), 440).toneSeconds, 0.2);
}

TEST_F(CueTrackPlayback, UnreadableAudioGivesANotReadyTrackWithZeroDuration) {
    auto player = track(0, -1, L"missing.wav");
    EXPECT_EQ(player->state(), NotReady);
    EXPECT_EQ(player->duration(), 0);
    EXPECT_EQ(player->position(), 0);
    EXPECT_EQ(player->seek(1), 0);
    EXPECT_FALSE(player->play());
}

}  // namespace
}  // namespace melodrift
