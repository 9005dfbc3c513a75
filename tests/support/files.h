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
bool fileExists(const std::wstring& path);

// Text as the settings files hold it: UTF-16LE, optionally after the mark FF FE.
std::string utf16le(const std::wstring& text, bool withMark = true);

struct FileTimes {
    FILETIME created{}, written{};
    bool operator==(const FileTimes& other) const;
};
FileTimes fileTimes(const std::wstring& path);
// Moves both time stamps back a day, so that any rewrite shows.
void ageFile(const std::wstring& path);

// The names in a directory, sorted, without "." and "..".
std::vector<std::wstring> fileNamesIn(const std::wstring& dir);

// Path, size and write time of everything below a directory: equal snapshots mean
// nothing was written there in between.
using TreeSnapshot = std::set<std::tuple<std::wstring, uint64_t, uint64_t>>;
TreeSnapshot snapshotTree(const std::wstring& dir);

// The system's temporary folder, without a trailing backslash.
std::wstring systemTempFolder();

// The value of a Windows environment variable, empty when unset.
std::wstring environmentVariable(const wchar_t* name);

}  // namespace melodrift::test
