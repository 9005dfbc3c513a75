// Typing a byte stream by the check strings of the registry's table, and by Wine's own table.
#include "playback/check_string.h"
#include "playback/subtype_detection.h"
#include "support/files.h"

#include <gtest/gtest.h>
#include <uuids.h>

namespace melodrift {
namespace {

template <size_t N>
std::vector<uint8_t> bytesOf(const char (&text)[N]) {  // embedded zeros included
    return {text, text + N - 1};
}

TEST(CheckString, MatchesWhenEveryQuadrupleHoldsWithinTheData) {
    std::vector<uint8_t> thousand(1000);
    for (size_t i = 0; i < thousand.size(); ++i) thousand[i] = static_cast<uint8_t>(i);
    const auto wave = bytesOf("RIFF\x24\0\0\0WAVEfmt "), riff = bytesOf("RIFF"), none = std::vector<uint8_t>{};
    const struct { const wchar_t* check; std::vector<uint8_t> data; bool matches; } rows[] = {
        {L"0,4,,52494646,8,4,,57415645", wave, true}, {L"0,4,,52494646,8,4,,41564920", wave, false},
        {L"0,4,,52494647", wave, false}, {L" 0, 4, , 52494646 , 8,4,,57415645", wave, true},
        {L"8,4,ffffffff,57415645", wave, true}, {L"8,4,FFFFFFFF,57415645", wave, true},
        {L"0,4,FFFFFF00,52494600", riff, true}, {L"0,4,,52494600", riff, false},  // the mask picks the bits
        {L"0,2,ffe0,ffe0", bytesOf("\xFF\xFB\x90"), true}, {L"0,2,ffe0,ffe0", bytesOf("\xFF\xC0"), false},
        {L"", riff, true}, {L"   ", riff, true}, {L"", none, true},
        {L"0", riff, false}, {L"0,4", riff, false}, {L"0,4,", riff, false}, {L"0,0,", riff, false},
        {L"0,0,,", riff, true}, {L"0,4,,", riff, false},  // an empty val is of zero bytes
        {L"-4,4,,e4e5e6e7", thousand, true}, {L"-4,4,,e0e1e2e3", thousand, false},  // from the end
        {L"998,4,,e6e7e8e9", thousand, false}, {L"1000,1,,00", thousand, false},
        {L"-1004,4,,00010203", thousand, false}, {L"-2000,1000,,00", thousand, false}, {L"0,-1,,", thousand, false},
        {L"0,4,,524946", riff, false}, {L"0,4,,5249464699", riff, true},  // val and mask: cb bytes, more ignored
        {L"0,2,ffff99,5249", riff, true}, {L"0,4,ffffff,52494646", riff, false},
        {L"0,4,,5249464", riff, false}, {L"0,1,00,0", bytesOf("\0"), false},  // a lone digit spoils the string
        {L"0,0,,", none, true}, {L"0,1,,00", none, false}, {L"-1,1,,00", none, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(checkStringMatches(row.check, row.data.data(), static_cast<uint32_t>(row.data.size())), row.matches)
            << testing::PrintToString(std::wstring(row.check)) << " on " << row.data.size() << " bytes";
}

TEST(RegistryTable, TypesAudioAndOtherKnownStreamsAndNothingElse) {
    CoInitialize(nullptr);
    auto fixture = [](const wchar_t* name) {
        const std::string bytes = test::readBytes(test::environmentVariable(L"MELODRIFT_FIXTURES") + L"\\" + name);
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    };
    std::vector<uint8_t> noise(4096);
    uint32_t state = 12345;
    for (auto& byte : noise) byte = static_cast<uint8_t>((state = state * 1103515245 + 12345) >> 16);
    noise[0] = 0x12;  // not a frame sync, whatever the generator gives
    const std::pair<std::vector<uint8_t>, GUID> rows[] = {
        {fixture(L"tone440_3s.wav"), MEDIASUBTYPE_WAVE}, {fixture(L"tone880_4s.mp3"), MEDIASUBTYPE_MPEG1Audio},
        {bytesOf("RIFF\x10\0\0\0AVI LIST"), MEDIASUBTYPE_Avi}, {bytesOf("FORM\0\0\0\0AIFFCOMM"), MEDIASUBTYPE_AIFF},
        {fixture(L"not_audio.mp3"), GUID_NULL}, {noise, GUID_NULL}, {{}, GUID_NULL},
    };
    for (const auto& [data, subtype] : rows) {
        AM_MEDIA_TYPE type{};
        EXPECT_EQ(findStreamSubtype(data.data(), static_cast<uint32_t>(data.size()), type), subtype != GUID_NULL);
        EXPECT_EQ(type.subtype, subtype) << data.size() << " bytes";
    }
    CoUninitialize();
}

}  // namespace
}  // namespace melodrift
