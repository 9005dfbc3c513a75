#pragma once

#include <string>

namespace melodrift {

// Whether the file name matches a pattern of an archive format the engine opens.
// Loads the engine on first use.
bool isArchiveName(const std::wstring& path);

}  // namespace melodrift
