#pragma once

#include <string>

namespace melodrift {

// Whether the path's file name matches a pattern of an archive format the engine opens:
// the patterns are of names, as the tree tests them, so "music.*" serves in every folder.
// Loads the engine on first use.
bool isArchiveName(const std::wstring& path);

}  // namespace melodrift
