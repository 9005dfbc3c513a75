// The program's own decoding of lossless files gives back their very samples, from any frame.
#include "decoding/audio_decoder.h"
#include "support/files.h"

#include <gtest/gtest.h>

namespace melodrift {
namespace {

constexpr uint32_t kRate = 44100;
constexpr size_t kWaveHeaderBytes = 44;
constexpr size_t kBlock = 4;  // 16-bit stereo

TEST(AudioDecoder, LosslessImagesDecodeToTheirSourceSamplesFromAnyFrame) {
    const std::string source = test::readBytes(test::audioFixture(L"album_3x3s.wav")).substr(kWaveHeaderBytes);
    const uint64_t frames = source.size() / kBlock;
    const wchar_t* const images[] = {
        L"album_3x3s.flac", L"album_no_total.flac", L"album_3x3s.wv", L"album_3x3s_alac.m4a"};
    const std::tuple<const char*, uint64_t, uint64_t> reads[] = {
        {"the first frames", 0, 1000},
        {"from the second frame", 1, 4096},
        {"a track's start", 3 * kRate, kRate},
        {"back before the last read", 2 * kRate - 7, 100},
        {"the last frame", frames - 1, 1},
    };
    for (const wchar_t* image : images) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(image)));
        auto decoder = AudioDecoder::open(openFileInput(test::audioFixture(image)), AudioDecoder::Channels::AsRecorded);
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->frameCount(), frames);
        EXPECT_EQ(decoder->format().sampleRate, kRate);
        EXPECT_EQ(decoder->format().blockAlign(), kBlock);
        for (const auto& [label, from, count] : reads) {
            SCOPED_TRACE(label);
            std::string decoded(count * kBlock, '\0');
            ASSERT_TRUE(decoder->seek(from));
            EXPECT_EQ(decoder->read(reinterpret_cast<uint8_t*>(&decoded[0]), count), count);
            EXPECT_TRUE(decoded == source.substr(from * kBlock, decoded.size())) << "samples differ";
        }
        uint8_t past[kBlock];
        EXPECT_EQ(decoder->read(past, 1), 0u) << "nothing after the last frame";
    }
}

}  // namespace
}  // namespace melodrift
