#include "base/text_decoding.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace melodrift {

namespace {

// Empty when the bytes do not convert (with MB_ERR_INVALID_CHARS: are not valid text).
std::wstring fromCodePage(UINT codePage, DWORD flags, const char* bytes, size_t count) {
    if (count == 0) return {};
    const int length = MultiByteToWideChar(codePage, flags, bytes, static_cast<int>(count), nullptr, 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, bytes, static_cast<int>(count), &text[0], length);
    return text;
}

}  // namespace

std::wstring fromUtf16(const std::string& bytes, size_t offset, bool bigEndian) {
    std::wstring text((bytes.size() - offset) / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned first = static_cast<unsigned char>(bytes[offset + 2 * i]);
        const unsigned second = static_cast<unsigned char>(bytes[offset + 2 * i + 1]);
        text[i] = static_cast<wchar_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    return text;
}

std::wstring decodeEightBitText(const char* bytes, size_t count) {
    if (count >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) return fromCodePage(CP_UTF8, 0, bytes + 3, count - 3);
    // ANSI text with characters beyond ASCII is almost never valid UTF-8 as well.
    if (std::any_of(bytes, bytes + count, [](char c) { return (c & 0x80) != 0; })) {
        std::wstring utf8 = fromCodePage(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, count);
        if (!utf8.empty()) return utf8;
    }
    return fromCodePage(CP_ACP, 0, bytes, count);
}

}  // namespace melodrift
