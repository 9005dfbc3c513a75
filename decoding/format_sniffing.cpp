#include "decoding/format_sniffing.h"

#include <cstring>

namespace melodrift {
namespace {

constexpr int kId3HeaderBytes = 10;

bool startsWith(const uint8_t* head, int size, int offset, const char* magic) {
    const int length = static_cast<int>(std::strlen(magic));
    return offset + length <= size && std::memcmp(head + offset, magic, length) == 0;
}

bool isAdtsHeader(const uint8_t* head, int size) {
    // The ADTS sync word with layer 0; MPEG audio (MP3) has the same sync with a layer set.
    return size >= 2 && head[0] == 0xFF && (head[1] & 0xF6) == 0xF0;
}

bool isOwnSignature(const uint8_t* head, int size) {
    return startsWith(head, size, 0, "fLaC") || startsWith(head, size, 0, "OggS") ||
           startsWith(head, size, 4, "ftyp") || startsWith(head, size, 0, "wvpk") ||
           startsWith(head, size, 0, "MAC ") || startsWith(head, size, 0, "tBaK") || isAdtsHeader(head, size);
}

// Bytes read from position, as many as there are up to size.
int readAt(EncodedInput& input, int64_t position, uint8_t* buffer, int size) {
    if (!input.seek(position)) return 0;
    int total = 0;
    while (total < size) {
        const int got = input.read(buffer + total, size - total);
        if (got <= 0) break;
        total += got;
    }
    return total;
}

}  // namespace

bool isOwnDecodedFormat(EncodedInput& input) {
    uint8_t head[16];
    int size = readAt(input, 0, head, sizeof head);
    // An ID3v2 tag (common before FLAC and AAC) hides the format behind it: its size is in
    // four 7-bit bytes, plus a footer of another ten when flagged.
    if (startsWith(head, size, 0, "ID3") && size >= kId3HeaderBytes) {
        int64_t skip = kId3HeaderBytes +
                       ((head[6] & 0x7F) << 21 | (head[7] & 0x7F) << 14 | (head[8] & 0x7F) << 7 | (head[9] & 0x7F));
        if (head[5] & 0x10) skip += kId3HeaderBytes;
        size = readAt(input, skip, head, sizeof head);
    }
    const bool own = isOwnSignature(head, size);
    input.seek(0);
    return own;
}

}  // namespace melodrift
