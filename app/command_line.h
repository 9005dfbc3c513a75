#pragma once

#include <optional>
#include <string>

namespace melodrift {

// The first argument after the program's name: the path to open. Further arguments
// are ignored.
std::optional<std::wstring> commandLinePath();

}  // namespace melodrift
