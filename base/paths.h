#pragma once

#include <string>
#include <vector>

namespace melodrift {

// dir + "\" + name, without doubling a trailing backslash; an empty dir gives name alone.
std::wstring joinPath(const std::wstring& dir, const std::wstring& name);

// The pieces of text between separators, in order; empty pieces are dropped, nothing is trimmed.
std::vector<std::wstring> splitString(const std::wstring& text, wchar_t separator);

// The path without its last component (PathRemoveFileSpecW), or empty when nothing
// would be removed, as for a drive root.
std::wstring parentDirectory(const std::wstring& path);

// The path made absolute against the current directory and normalised; a full path of
// plain names (see literalPath) is already both and comes back as written.
std::wstring fullPath(const std::wstring& path);

// The text from where PathFindFileNameW points: the last component (dir\ for C:\dir\).
std::wstring pathFileName(const std::wstring& path);

// The path as the file system spells it ("\\?\" form), so that normalisation leaves names
// such as "R.E.M." or "..." alone and lengths past MAX_PATH are read: only for a full drive
// or UNC path of plain names (no "/", no "." or ".." part, no empty part); any other path is
// returned as it is, to be normalised as usual.
std::wstring literalPath(const std::wstring& path);

// True when PathMatchSpecW would accept name for at least one pattern; an empty list
// matches nothing.
bool matchesAnyPattern(const wchar_t* name, const std::vector<std::wstring>& patterns);

}  // namespace melodrift
