// Check strings of the registry's check-bytes table, and the lookup in Wine's own table.
#include "playback/check_string.h"
#include "playback/subtype_detection.h"
#include "support/files.h"

#include <gtest/gtest.h>
#include <uuids.h>

#include <string>
#include <vector>

namespace melodrift {
namespace {

// The literal's bytes, embedded zeros included.
template <size_t N>
std::vector<uint8_t> bytesOf(const char (&text)[N]) {
    return {text, text + N - 1};
}

bool holds(const wchar_t* checkString, const std::vector<uint8_t>& data) {
    return checkStringMatches(checkString, data.data(), static_cast<uint32_t>(data.size()));
}

std::vector<uint8_t> thousandBytes() {
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    return data;
}

TEST(CheckString, AllQuadruplesMustHold) {
    const auto wave = bytesOf("RIFF\x24\0\0\0WAVEfmt ");
    EXPECT_TRUE(holds(L"0,4,,52494646,8,4,,57415645", wave));
    EXPECT_FALSE(holds(L"0,4,,52494646,8,4,,41564920", wave)) << "second quadruple differs";
    EXPECT_FALSE(holds(L"0,4,,52494647", wave));
}

TEST(CheckString, MaskSelectsTheBitsCompared) {
    const auto riff = bytesOf("RIFX");
    EXPECT_TRUE(holds(L"0,4,FFFFFF00,52494600", riff));
    EXPECT_FALSE(holds(L"0,4,,52494600", riff));
    EXPECT_TRUE(holds(L"0,2,ffe0,ffe0", {0xFF, 0xFB, 0x90}));
    EXPECT_FALSE(holds(L"0,2,ffe0,ffe0", {0xFF, 0xC0}));
}

TEST(CheckString, SpacesAndLetterCaseAreTolerated) {
    const auto riff = bytesOf("RIFF....WAVE");
    EXPECT_TRUE(holds(L" 0, 4, , 52494646 , 8,4,,57415645", riff));
    EXPECT_TRUE(holds(L"8,4,ffffffff,57415645", riff));
    EXPECT_TRUE(holds(L"8,4,FFFFFFFF,57415645", riff));
}

TEST(CheckString, EmptyStringsMatchAnything) {
    EXPECT_TRUE(holds(L"", bytesOf("x")));
    EXPECT_TRUE(holds(L"   ", bytesOf("x")));
    EXPECT_TRUE(holds(L"", {}));
}

TEST(CheckString, StringsEndingInsideAFieldNeverMatch) {
    const auto data = bytesOf("RIFF");
    EXPECT_FALSE(holds(L"0", data));
    EXPECT_FALSE(holds(L"0,4", data));
    EXPECT_FALSE(holds(L"0,4,", data));
    EXPECT_FALSE(holds(L"0,0,", data)) << "ends inside the mask";
    EXPECT_TRUE(holds(L"0,0,,", data)) << "an empty val after the mask's comma, cb 0";
    EXPECT_FALSE(holds(L"0,4,,", data)) << "an empty val for four bytes";
}

TEST(CheckString, NegativeOffsetsCountFromTheEnd) {
    const auto data = thousandBytes();
    EXPECT_TRUE(holds(L"-4,4,,e4e5e6e7", data));  // bytes 996..999
    EXPECT_FALSE(holds(L"-4,4,,e0e1e2e3", data));
}

TEST(CheckString, NothingIsReadOutsideTheData) {
    const auto data = thousandBytes();
    EXPECT_FALSE(holds(L"998,4,,e6e7e8e9", data));
    EXPECT_FALSE(holds(L"1000,1,,00", data));
    // Offsets that stay negative after counting from the end, with a count that would
    // wrap around to the start in 32 bits.
    EXPECT_FALSE(holds(L"-1004,4,,00010203", data));
    EXPECT_FALSE(holds(L"-2000,1000,,00", data));
    EXPECT_FALSE(holds(L"0,-1,,", data));
}

TEST(CheckString, ValAndMaskMustHaveExactlyCbBytesButExtraDigitsAreIgnored) {
    const auto data = bytesOf("RIFF");
    EXPECT_FALSE(holds(L"0,4,,524946", data)) << "three bytes of val for four";
    EXPECT_TRUE(holds(L"0,4,,5249464699", data)) << "read only up to cb";
    EXPECT_TRUE(holds(L"0,2,ffff99,5249", data));
    EXPECT_FALSE(holds(L"0,4,ffffff,52494646", data)) << "a short mask";
    EXPECT_FALSE(holds(L"0,4,,5249464", data)) << "a lone digit spoils the string";
    EXPECT_FALSE(holds(L"0,1,00,0", {0x00})) << "Wine's catch-all entry has a lone digit";
}

TEST(CheckString, ZeroBytesMatchOnlyEmptyQuadruples) {
    const std::vector<uint8_t> none;
    EXPECT_TRUE(holds(L"0,0,,", none));
    EXPECT_FALSE(holds(L"0,1,,00", none));
    EXPECT_FALSE(holds(L"-1,1,,00", none));
}

class RegistryTable : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }

    static std::vector<uint8_t> fixtureBytes(const wchar_t* name) {
        const std::string bytes = test::readBytes(test::environmentVariable(L"MELODRIFT_FIXTURES") + L"\\" + name);
        return {bytes.begin(), bytes.end()};
    }
    // The subtype found, or GUID_NULL when none.
    static GUID detect(const std::vector<uint8_t>& data) {
        AM_MEDIA_TYPE type{};
        type.subtype = GUID_NULL;
        const bool found = findStreamSubtype(data.data(), static_cast<uint32_t>(data.size()), type);
        EXPECT_EQ(found, type.subtype != GUID_NULL);
        return type.subtype;
    }
};

TEST_F(RegistryTable, WaveFileIsTypedAsWave) {
    const auto wav = fixtureBytes(L"tone440_3s.wav");
    ASSERT_FALSE(wav.empty());
    EXPECT_EQ(detect(wav), MEDIASUBTYPE_WAVE);
}

TEST_F(RegistryTable, Mp3FileIsTypedAsMpegAudio) {
    const auto mp3 = fixtureBytes(L"tone880_4s.mp3");
    ASSERT_FALSE(mp3.empty());
    EXPECT_EQ(detect(mp3), MEDIASUBTYPE_MPEG1Audio);
}

TEST_F(RegistryTable, TextAndArbitraryBytesFindNoSubtype) {
    EXPECT_EQ(detect(fixtureBytes(L"not_audio.mp3")), GUID_NULL);
    std::vector<uint8_t> noise(4096);
    uint32_t state = 12345;
    for (auto& byte : noise) {
        state = state * 1103515245 + 12345;
        byte = static_cast<uint8_t>(state >> 16);
    }
    noise[0] = 0x12;  // not a frame sync, whatever the generator gives
    EXPECT_EQ(detect(noise), GUID_NULL);
    EXPECT_EQ(detect({}), GUID_NULL);
}

TEST_F(RegistryTable, OtherEntriesOfTheTableAreFound) {
    EXPECT_EQ(detect(bytesOf("RIFF\x10\0\0\0AVI LIST")), MEDIASUBTYPE_Avi);
    EXPECT_EQ(detect(bytesOf("FORM\0\0\0\0AIFFCOMM")), MEDIASUBTYPE_AIFF);
}

}  // namespace
}  // namespace melodrift
