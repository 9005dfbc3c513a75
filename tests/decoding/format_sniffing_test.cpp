// Which files the program decodes itself is decided by their first bytes, whatever their names say.
#include "decoding/encoded_input.h"
#include "decoding/format_sniffing.h"

#include <gtest/gtest.h>

namespace melodrift {
namespace {

std::string id3Tag(size_t bodyBytes) {
    // Ten bytes of header, the size in four 7-bit bytes, then the body.
    std::string tag = "ID3\x04";
    tag += std::string(2, '\0');
    for (int shift = 21; shift >= 0; shift -= 7) tag += char((bodyBytes >> shift) & 0x7F);
    return tag + std::string(bodyBytes, 'x');
}

TEST(FormatSniffing, OwnFormatsAreKnownByTheirFirstBytes) {
    const std::tuple<const char*, std::string, bool> rows[] = {
        {"flac after an id3 tag", id3Tag(300) + "fLaC\0\0\0\x22", true},
        {"adts aac after an id3 tag", id3Tag(20) + "\xFF\xF9\x50\x80", true},
        {"monkey's audio", "MAC \x96\x0F", true},
        {"tak", "tBaK\0", true},
        {"mp3 frame", "\xFF\xFB\x90\x64", false},
        {"mp3 after an id3 tag", id3Tag(100) + "\xFF\xFB\x90\x64", false},
        {"wav", "RIFF\x24\0\0\0WAVEfmt ", false},
        {"id3 tag only", id3Tag(10), false},
        {"id3 tag claiming more than the file", "ID3\x04\0\0\x7F\x7F\x7F\x7F", false},
        {"empty", "", false},
    };
    for (const auto& [label, head, own] : rows) {
        SCOPED_TRACE(label);
        const auto input = memoryInput(std::make_shared<const std::vector<uint8_t>>(head.begin(), head.end()));
        EXPECT_EQ(isOwnDecodedFormat(*input), own);
        EXPECT_EQ(input->position(), 0) << "the input is back at its start";
    }
}

}  // namespace
}  // namespace melodrift
