#include "playback/check_string.h"

#include <cstring>
#include <vector>

namespace melodrift {
namespace {

// A field runs from its first non-space character to the next comma (or the end).
struct Field {
    const wchar_t* begin;
    const wchar_t* end;
};

const wchar_t* skipSpaces(const wchar_t* p) {
    while (*p == L' ') ++p;
    return p;
}

// Reads the next field; false when the string ends before a closing comma that is required.
bool readField(const wchar_t*& p, Field& field, bool commaRequired) {
    p = skipSpaces(p);
    field.begin = p;
    while (*p && *p != L',') ++p;
    field.end = p;
    if (*p == L',') {
        ++p;
        return true;
    }
    return !commaRequired;
}

// Like StrToIntW: an optional sign, then digits up to the first non-digit.
int64_t parseDecimal(const Field& field) {
    const wchar_t* p = field.begin;
    bool negative = false;
    if (p < field.end && (*p == L'-' || *p == L'+')) negative = *p++ == L'-';
    int64_t value = 0;
    while (p < field.end && *p >= L'0' && *p <= L'9' && value < INT64_C(0x100000000)) {
        value = value * 10 + (*p++ - L'0');
    }
    return negative ? -value : value;
}

int hexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Up to maxBytes bytes of hexadecimal pairs; stops at the first character that is not
// a digit. A lone digit of a pair makes the whole check string unusable (false).
bool parseHexBytes(const Field& field, int64_t maxBytes, std::vector<uint8_t>& bytes) {
    bytes.clear();
    const wchar_t* p = field.begin;
    while (static_cast<int64_t>(bytes.size()) < maxBytes && p < field.end) {
        const int high = hexDigit(*p);
        if (high < 0) break;
        const int low = p + 1 < field.end ? hexDigit(p[1]) : -1;
        if (low < 0) return false;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
        p += 2;
    }
    return true;
}

bool quadrupleHolds(const Field& offsetField, const Field& cbField, const Field& maskField, const Field& valField,
    const uint8_t* data, uint32_t size) {
    int64_t offset = parseDecimal(offsetField);
    const int64_t cb = parseDecimal(cbField);
    std::vector<uint8_t> mask, val;
    if (!parseHexBytes(maskField, cb, mask) || !parseHexBytes(valField, cb, val)) return false;
    if (offset < 0) offset += size;
    // Checked in 64 bits so that no offset reaches outside the data.
    if (offset < 0 || cb < 0 || offset + cb > static_cast<int64_t>(size)) return false;
    if (static_cast<int64_t>(val.size()) != cb) return false;
    const uint8_t* bytes = data + offset;
    if (mask.empty()) return cb == 0 || std::memcmp(bytes, val.data(), val.size()) == 0;
    if (static_cast<int64_t>(mask.size()) != cb) return false;
    for (size_t i = 0; i < val.size(); ++i) {
        if ((bytes[i] & mask[i]) != val[i]) return false;
    }
    return true;
}

}  // namespace

bool checkStringMatches(const wchar_t* checkString, const uint8_t* data, uint32_t size) {
    const wchar_t* p = checkString;
    for (;;) {
        p = skipSpaces(p);
        if (!*p) return true;
        Field offset, cb, mask, val;
        if (!readField(p, offset, true) || !readField(p, cb, true) || !readField(p, mask, true)) return false;
        readField(p, val, false);
        if (!quadrupleHolds(offset, cb, mask, val, data, size)) return false;
    }
}

}  // namespace melodrift
