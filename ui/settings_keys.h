#pragma once

#include <windows.h>

#include <string>

namespace melodrift {

// Bit (letter - 'A') for every drive letter in text, either case; other characters count for nothing.
DWORD driveMaskFromLetters(const std::wstring& text);

// "Favorite[%02d]" and "FileList.Column[%d]".
std::wstring favoriteKey(int index);
std::wstring columnKey(int index);

}  // namespace melodrift
