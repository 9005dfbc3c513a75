#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace melodrift::test {

std::string readBytes(const std::wstring& path);
void writeBytes(const std::wstring& path, const std::string& bytes);
// Text as the settings files hold it: UTF-16LE, optionally after the mark FF FE.
std::string utf16le(const std::wstring& text, bool withMark = true);
void ageFile(const std::wstring& path);  // both time stamps a day back, so that any rewrite shows
std::vector<std::wstring> fileNamesIn(const std::wstring& dir);  // sorted, without "." and ".."
// Path, size and write time of everything below dir: equal snapshots mean nothing was written.
using TreeSnapshot = std::set<std::tuple<std::wstring, uint64_t, uint64_t>>;
TreeSnapshot snapshotTree(const std::wstring& dir);
void removeTree(const std::wstring& path);
std::wstring systemTempFolder();                        // without a trailing backslash
std::wstring environmentVariable(const wchar_t* name);  // empty when unset
// An audio file the build made (MELODRIFT_FIXTURES).
inline std::wstring audioFixture(const std::wstring& name) {
    return environmentVariable(L"MELODRIFT_FIXTURES") + L"\\" + name;
}

}  // namespace melodrift::test
