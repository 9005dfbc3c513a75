// Which files the program decodes itself is decided by their first bytes, whatever their names say.
#include "decoding/encoded_input.h"
#include "decoding/format_sniffing.h"

#include <gtest/gtest.h>

#include <string>

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
    const struct {
        const char* label;
        std::string head;
        bool own;
    } rows[] = {
        {"flac", "fLaC\0\0\0\x22", true},
        {"flac after an id3 tag", id3Tag(300) + "fLaC\0\0\0\x22", true},
        {"ogg", "OggS\0\x02", true},
        {"m4a", std::string("\0\0\0 ftypM4A ", 12), true},
        {"adts aac", "\xFF\xF1\x50\x80", true},
        {"adts aac after an id3 tag", id3Tag(20) + "\xFF\xF9\x50\x80", true},
        {"wavpack", "wvpk\x20\0\0\0", true},
        {"monkey's audio", "MAC \x96\x0F", true},
        {"tak", "tBaK\0", true},
        {"mp3 frame", "\xFF\xFB\x90\x64", false},
        {"mp3 after an id3 tag", id3Tag(100) + "\xFF\xFB\x90\x64", false},
        {"wav", "RIFF\x24\0\0\0WAVEfmt ", false},
        {"wma", std::string("\x30\x26\xB2\x75\x8E\x66\xCF\x11", 8), false},
        {"id3 tag only", id3Tag(10), false},
        {"id3 tag claiming more than the file", "ID3\x04\0\0\x7F\x7F\x7F\x7F", false},
        {"empty", "", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const auto input = memoryInput(std::make_shared<const std::vector<uint8_t>>(row.head.begin(), row.head.end()));
        EXPECT_EQ(isOwnDecodedFormat(*input), row.own);
        EXPECT_EQ(input->position(), 0) << "the input is back at its start";
    }
}

}  // namespace
}  // namespace melodrift
