#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace melodrift {

// The whole file's bytes; nothing when it cannot be opened, holds maxBytes or more, or
// reads short.
std::optional<std::string> readWholeFile(const std::wstring& path, uint64_t maxBytes);

}  // namespace melodrift
