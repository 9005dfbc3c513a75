// Files, CUE tracks and archive entries played through Wine's real filter graph, judged by what the null sink
// recorded. album_3x3s.wav holds 440, 660 and 880 Hz, three seconds each.
#include "archive/archive_fixtures.h"
#include "library/folder.h"
#include "playback/player_of_cue.h"
#include "support/audio_test.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace melodrift {
namespace {

using test::analyseTone;
using test::NotifyWindow;

constexpr int64_t kSecond = kMediaTimePerSecond;

class Playback : public test::AudioTest {
protected:
    void SetUp() override {
        test::AudioTest::SetUp();
        test::restartEngineWith();
    }
    std::shared_ptr<Player> file(const std::wstring& name) {
        const FileSourceRenderer renderer(test::audioFixture(name));
        return std::make_shared<Player>(
            renderer, L"C:\\folder", name, window.window(), NotifyWindow::kGraphEvent, NotifyWindow::kTrackEnd);
    }
    std::shared_ptr<Player> track(int64_t start, int64_t stop, const wchar_t* name = L"album_3x3s.wav") {
        const FileSourceRenderer audio(test::audioFixture(name));
        return std::make_shared<PlayerOfCue>(audio, L"C:\\album.cue", L"02 Middle", start, stop, window.window(),
            NotifyWindow::kGraphEvent, NotifyWindow::kTrackEnd);
    }
    // An item as its folder plays it; without a name the folder's first .wav item.
    std::shared_ptr<Player> item(const std::wstring& folderPath, const std::wstring& name = L"") {
        const auto folder = openFolder(folderPath, nullptr, {L"*.wav", L"*.flac"});
        if (!folder) return nullptr;
        FolderItem item{name};
        if (name.empty()) folder->nextItem({L"*.wav"}, item, true);
        auto player =
            folder->createPlayer(item.name, window.window(), NotifyWindow::kGraphEvent, NotifyWindow::kTrackEnd);
        EXPECT_EQ(std::make_pair(player->folderPath(), player->itemName()), std::make_pair(folder->path(), item.name));
        return player;
    }
    std::shared_ptr<Player> entry(const wchar_t* archive, const std::wstring& name = L"") {
        return item(test::archiveFixture(archive), name);
    }
    // Plays from where the player stands to its completion message; what was recorded.
    std::vector<int16_t> playToEnd(
        Player& player, const std::function<void()>& meanwhile = [] {}) {
        const size_t start = recording.mark();
        const int ended = window.completions;
        window.current = &player;
        EXPECT_TRUE(player.play());
        EXPECT_EQ(player.state(), Running);
        meanwhile();
        EXPECT_TRUE(window.waitForCompletion(ended)) << "no completion message";
        window.current = nullptr;
        EXPECT_EQ(window.lastCompleted, LPARAM(player.serial())) << "the completion names its player";
        return recordedSince(start);
    }
};

TEST_F(Playback, FilesTracksAndEntriesPlayTheirWholeRangeAtTheVolumeSet) {
    test::TempDir rip;  // the sheet was written for the WAV, which was then compressed
    ASSERT_TRUE(CopyFileW(test::audioFixture(L"album_3x3s.flac").c_str(), rip.file(L"album.flac").c_str(), FALSE));
    test::writeBytes(rip.file(L"album.cue"),
        "FILE \"album.wav\" WAVE\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n"
        "TRACK 02 AUDIO\r\nINDEX 01 00:03:00\r\n");
    // A new graph may lose up to a second at its start and a little at its end. Unless a row says otherwise: a file
    // the program decodes itself, 2.5 seconds of 523 Hz, at full volume.
    const struct {
        const char* name;
        std::function<std::shared_ptr<Player>()> open;
        int32_t duration = 2;
        double tone = 523, least = 1.2, most = 2.8;
        std::vector<double> absent = {};
        int32_t volume = 0;
    } rows[] = {
        {"mp3", [&] { return file(L"tone880_4s.mp3"); }, 4, 880, 2.7, 4.3},
        {"silent", [&] { return file(L"tone440_3s.wav"); }, 3, 440, -1, 0.1, {}, -12000},  // clamped to -10000
        {"middle track", [&] { return track(3 * kSecond, 6 * kSecond); }, 3, 660, 1.7, 3.3, {440, 880}, -600},
        {"last track", [&] { return track(6 * kSecond, -1); }, 3, 880, 1.7, 3.3, {660}, 250},  // clamped to 0
        {"sheet's track from the FLAC", [&] { return item(rip.file(L"album.cue"), L"01"); }, 3, 440, 1.7, 3.3, {660}},
        {"zip album's track", [&] { return entry(L"album.zip", L"02 ライブ - バンド"); }, 3, 660, 1.7, 3.3, {440, 880}},
        {"7z album's track", [&] { return entry(L"album.7z", L"02 ライブ - バンド"); }, 3, 660, 1.7, 3.3, {440, 880}},
        {"track past its file's end", [&] { return track(20 * kSecond, -1); }, 0, 880, -1, 0.1, {440, 660}},
        {"path beyond MAX_PATH", [&] { return entry(L"long_name.zip"); }, 3, 440, 1.7, 3.3},
        {"flac 24-bit", [&] { return file(L"tone_24.flac"); }},
        {"flac mono", [&] { return file(L"tone_mono.flac"); }},
        {"flac 6 channels", [&] { return file(L"tone_6ch.flac"); }},
        {"ogg vorbis", [&] { return file(L"tone.ogg"); }},
        {"m4a aac", [&] { return file(L"tone_aac.m4a"); }},
        {"adts aac", [&] { return file(L"tone.aac"); }},
        {"wavpack", [&] { return file(L"tone.wv"); }},
        {"truncated flac", [&] { return file(L"truncated.flac"); }, 0, 523, 0.3, 1.2},
        {"7z flac", [&] { return entry(L"encoded.7z", L"tone_16.flac"); }},
        {"zip opus", [&] { return entry(L"encoded.zip", L"tone.opus"); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto player = row.open();
        ASSERT_TRUE(player);
        EXPECT_EQ(std::make_tuple(player->state(), player->duration(), player->position()),
            std::make_tuple(int32_t(Stopped), row.duration, 0));
        ASSERT_TRUE(player->setVolume(row.volume));
        EXPECT_EQ(player->volume(), std::clamp(row.volume, -10000, 0));
        const auto samples = playToEnd(*player);
        EXPECT_GE(player->position(), 0);
        EXPECT_LE(player->position(), row.duration);
        const auto heard = analyseTone(samples, row.tone);
        EXPECT_GT(heard.toneSeconds, row.least) << heard;
        EXPECT_LT(row.volume > -10000 ? heard.loudSeconds : heard.toneSeconds, row.most) << heard;
        for (const double other : row.absent) EXPECT_LT(analyseTone(samples, other).toneSeconds, 0.2) << other;
    }
    EXPECT_EQ(window.completions, int(std::size(rows))) << "one completion each";
}

TEST_F(Playback, WhatCannotBeReadRefusesEveryCommandSilently) {
    const size_t start = recording.mark();
    const std::shared_ptr<Player> unreadable[] = {
        file(L"missing.wav"),
        file(L"not_audio.mp3"),
        track(0, -1, L"missing.wav"),
        entry(L"music.7z", L"notes.txt"),
        entry(L"music.7z", L"no such entry.wav"),
        file(L"garbage.flac"),
        file(L"garbage.m4a"),
    };
    for (const auto& player : unreadable) {
        ASSERT_TRUE(player);
        SCOPED_TRACE(testing::PrintToString(player->itemName()));
        EXPECT_FALSE(player->play());
        EXPECT_FALSE(player->stop());
        EXPECT_FALSE(player->setVolume(-500));
        EXPECT_EQ(player->seek(3), 0);
        EXPECT_EQ(std::make_tuple(player->state(), player->volume(), player->position(), player->duration()),
            std::make_tuple(int32_t(NotReady), 0, 0, 0));
    }
    EXPECT_LT(analyseTone(recordedSince(start, 1.5), 440).loudSeconds, 0.1);
    EXPECT_EQ(window.completions, 0);
}

// From memory a seek before playing skips ahead, and one back while playing flushes the running graph: what was
// heard plays again. A track of a FLAC image counts from its own start.
TEST_F(Playback, ASeekMovesWhereItPlaysFromBeforeWhileAndAfterPlaying) {
    const auto disk = [] {
        return std::make_pair(test::snapshotTree(test::systemTempFolder()), test::snapshotTree(test::archivesDir()));
    };
    const auto before = disk();
    const auto mp3 = entry(L"music.zip", L"disc1\\01.mp3"), wav = entry(L"music.zip", L"tone440.wav");
    ASSERT_TRUE(mp3);
    ASSERT_TRUE(wav);
    EXPECT_EQ(mp3->seek(3), 3);
    auto tone = analyseTone(playToEnd(*mp3), 880);
    EXPECT_GT(tone.toneSeconds, 0.01) << tone;
    EXPECT_LT(tone.toneSeconds, 1.6) << tone;
    tone = analyseTone(
        playToEnd(*wav,
            [&] {
                ASSERT_TRUE(test::waitUntil([&] { return wav->position() >= 2; }));
                EXPECT_EQ(wav->seek(0), 0);  // before the disk is read, which may take longer than the second left
                EXPECT_EQ(disk(), before) << "nothing is written while an entry plays";
            }),
        440);
    EXPECT_GT(tone.toneSeconds, 3.4) << tone;
    EXPECT_LT(tone.toneSeconds, 5.5) << tone;
    const auto player = track(3 * kSecond, 9 * kSecond, L"album_3x3s.flac");  // decoded by the program itself
    EXPECT_EQ(player->seek(4), 4);
    EXPECT_EQ(player->position(), 4);
    auto heard = playToEnd(*player);
    EXPECT_LT(analyseTone(heard, 880).toneSeconds, 2.5);
    EXPECT_LT(analyseTone(heard, 660).toneSeconds, 0.2);
    ASSERT_TRUE(player->stop());
    EXPECT_EQ(player->seek(0), 0) << "a seek after the end plays again from there";
    const size_t start = recording.mark();
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(test::waitUntil([&] { return player->position() >= 2; }));
    heard = recordedSince(start, 0.5);
    EXPECT_GT(analyseTone(heard, 660).toneSeconds, 0.8) << "from the track's own start";
    EXPECT_LT(analyseTone(heard, 440).toneSeconds, 0.2);
    EXPECT_EQ(window.completions, 3);
}

TEST_F(Playback, StopHoldsWhereItStandsSilentlyAndPlayGoesOnFromThere) {
    const auto player = track(3 * kSecond, 9 * kSecond, L"album_3x3s.flac");
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(player->play()) << "again while playing";
    ASSERT_TRUE(test::waitUntil([&] { return player->position() >= 2; }));
    ASSERT_TRUE(player->stop());
    ASSERT_TRUE(player->stop()) << "again while stopped";
    const int32_t paused = player->position();
    EXPECT_GE(paused, 2);
    const size_t start = recording.mark();
    ASSERT_TRUE(recording.waitFor(start, 1.5));
    const auto heard = recording.samples(start + test::Recording::kBytesPerSecond / 2, recording.mark());
    EXPECT_LT(analyseTone(heard, 660).loudSeconds, 0.2) << "nothing while stopped";
    EXPECT_EQ(std::make_pair(player->state(), player->position()), std::make_pair(int32_t(Stopped), paused));
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(test::waitUntil([&] { return player->position() >= paused + 1; }));
}

TEST_F(Playback, DestroyingARunningPlayerSilencesItAndDispatchesWhatItAnnounced) {
    auto player = track(3 * kSecond, 9 * kSecond, L"album_3x3s.flac");
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(test::waitUntil([&] { return player->position() >= 1; }));
    PostMessageW(window.window(), NotifyWindow::kGraphEvent, 0, LPARAM(player->serial()));
    const int eventsBefore = window.graphEvents;
    player.reset();
    EXPECT_GT(window.graphEvents, eventsBefore) << "an announcement not yet handled is dispatched by the teardown";
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, NotifyWindow::kGraphEvent, NotifyWindow::kGraphEvent, PM_NOREMOVE));
    const size_t after = recording.mark() + test::Recording::kBytesPerSecond / 2;
    ASSERT_TRUE(recording.waitFor(after, 2.0));
    EXPECT_LT(analyseTone(recording.samples(after, recording.mark()), 660).loudSeconds, 0.2) << "the rest is not heard";
    EXPECT_EQ(window.completions, 0);
}

}  // namespace
}  // namespace melodrift
