#pragma once

#include <string>

namespace melodrift {

// Whether the file name matches a pattern of an archive format the engine opens.
bool isArchiveName(const std::wstring& path);

}  // namespace melodrift
