#include "base/name_pattern.h"

#include <windows.h>

#include <cwchar>

namespace melodrift {

namespace {

wchar_t upperCase(wchar_t c) {
    if (c < 0x80) return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c;
    // One character in the low word: the system's own case mapping.
    return wchar_t(reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

bool endsPattern(wchar_t c) { return c == L'\0' || c == L';'; }

// One part of a pattern, up to its `;` or end.
bool matchesPart(const wchar_t* name, const wchar_t* pattern) {
    // Walks both; on a mismatch after a `*`, that star takes one more character.
    const wchar_t* star = nullptr;
    const wchar_t* resume = nullptr;
    while (*name) {
        if (*pattern == L'*') {
            star = ++pattern;
            resume = name;
        } else if (!endsPattern(*pattern) && (*pattern == L'?' || upperCase(*pattern) == upperCase(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == L'*') ++pattern;
    return endsPattern(*pattern);
}

}  // namespace

bool matchesNamePattern(const wchar_t* name, const wchar_t* pattern) {
    if (std::wcscmp(pattern, L"*.*") == 0) return true;
    while (*pattern) {
        while (*pattern == L' ') ++pattern;
        if (matchesPart(name, pattern)) return true;
        while (*pattern && *pattern != L';') ++pattern;
        if (*pattern == L';') ++pattern;
    }
    return false;
}

}  // namespace melodrift
