// Audio served from memory by the in-memory source filter, played through Wine's real
// filter graph and judged by what the null sink recorded.
#include "playback/mem_source_filter.h"
#include "playback/player.h"
#include "support/audio_test.h"
#include "support/wait.h"

#include <memory>
#include <new>

namespace melodrift {
namespace {

using test::analyseTone;
using test::NotifyWindow;

// What the archive renderer does with an extracted entry: the bytes go into the
// filter, the pin is typed from them and rendered. No path reaches the graph.
class MemoryRenderer : public SourceRenderer {
public:
    explicit MemoryRenderer(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    HRESULT render(IGraphBuilder* graph) override {
        auto* filter = new (std::nothrow) MemSourceFilter;
        if (!filter) return E_FAIL;
        HRESULT hr = graph->AddFilter(filter, L"MemSource");
        if (SUCCEEDED(hr)) {
            detected = filter->outputPin()->detectMediaType(bytes_);
            filter->outputPin()->reader().setData(std::move(bytes_));
            hr = graph->Render(filter->outputPin());
        }
        filter->Release();
        return hr;
    }
    bool detected = false;

private:
    std::vector<uint8_t> bytes_;
};

class MemoryPlayback : public test::AudioTest {
protected:
    std::unique_ptr<Player> open(const wchar_t* name) {
        const std::string bytes = test::readBytes(fixture(name));
        MemoryRenderer renderer({bytes.begin(), bytes.end()});
        auto player = std::make_unique<Player>(renderer, L"C:\\archive.zip", name, window.window(),
                                               NotifyWindow::kGraphEvent, NotifyWindow::kTrackEnd);
        EXPECT_TRUE(renderer.detected) << "the registry table typed the data";
        return player;
    }
    // Plays from where the player stands to the completion message; what was heard.
    test::ToneReport playToEnd(Player& player, double frequency) {
        const size_t start = recording.mark();
        EXPECT_TRUE(player.play());
        EXPECT_TRUE(window.waitForCompletion(window.completions)) << "no completion message";
        return analyseTone(recordedSince(start), frequency);
    }
};

TEST_F(MemoryPlayback, WavFromMemoryPlaysWholeAndReportsCompletion) {
    auto player = open(L"tone440_3s.wav");
    ASSERT_EQ(player->state(), Stopped);
    EXPECT_EQ(player->duration(), 3);
    const auto heard = playToEnd(*player, 440);
    // A new graph may lose up to a second at its start and a little at its end.
    EXPECT_GT(heard.toneSeconds, 1.7) << heard.describe();
    EXPECT_LT(heard.toneSeconds, 3.3) << heard.describe();
    EXPECT_EQ(window.completions, 1);
}

TEST_F(MemoryPlayback, Mp3FromMemoryPlaysItsTone) {
    auto player = open(L"tone880_4s.mp3");
    ASSERT_EQ(player->state(), Stopped);
    EXPECT_EQ(player->duration(), 4);
    const auto heard = playToEnd(*player, 880);
    EXPECT_GT(heard.toneSeconds, 2.7) << heard.describe();
    EXPECT_LT(heard.toneSeconds, 4.3) << heard.describe();
    EXPECT_EQ(window.completions, 1);
}

TEST_F(MemoryPlayback, SeekingSkipsThePartBefore) {
    auto player = open(L"tone660_6s.wav");
    ASSERT_EQ(player->state(), Stopped);
    EXPECT_EQ(player->seek(4), 4);
    const auto heard = playToEnd(*player, 660);
    EXPECT_LT(heard.toneSeconds, 2.5) << heard.describe();

    // Seeking back while playing is a flush of the running graph; the rest still plays.
    ASSERT_TRUE(player->stop());
    EXPECT_EQ(player->seek(0), 0);
    const size_t again = recording.mark();
    ASSERT_TRUE(player->play());
    ASSERT_TRUE(test::waitUntil([&] { return player->position() >= 2; }));
    EXPECT_EQ(player->seek(3), 3);
    ASSERT_TRUE(window.waitForCompletion(1));
    const auto rest = analyseTone(recordedSince(again), 660);
    EXPECT_LT(rest.toneSeconds, 5.5) << rest.describe();
    EXPECT_GT(rest.toneSeconds, 2.0) << rest.describe();
    EXPECT_EQ(window.completions, 2);
}

TEST_F(MemoryPlayback, DataOfNoKnownKindGivesAPlayerThatRefusesToPlay) {
    const std::string text(64000, 'a');
    MemoryRenderer renderer({text.begin(), text.end()});
    Player player(renderer, L"C:\\archive.zip", L"text.mp3", window.window(), NotifyWindow::kGraphEvent,
                  NotifyWindow::kTrackEnd);
    EXPECT_FALSE(renderer.detected);
    EXPECT_EQ(player.state(), NotReady);
    EXPECT_FALSE(player.play());
}

}  // namespace
}  // namespace melodrift
