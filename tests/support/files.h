#pragma once

#include <windows.h>

#include <string>

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

// The value of a Windows environment variable, empty when unset.
std::wstring environmentVariable(const wchar_t* name);

}  // namespace melodrift::test
