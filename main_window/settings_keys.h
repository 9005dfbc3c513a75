#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace melodrift {

// Bit (letter - 'A') for every drive letter in text, either case; other characters count for nothing.
DWORD driveMaskFromLetters(const std::wstring& text);

// The playable patterns of the user settings (key Playable, added with its default when
// missing), split at semicolons.
std::vector<std::wstring> playablePatterns();

// "Favorite[%02d]" and "FileList.Column[%d]".
std::wstring favoriteKey(int index);
std::wstring columnKey(int index);

}  // namespace melodrift
