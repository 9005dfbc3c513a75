#pragma once

#include <optional>
#include <string>

namespace melodrift {

// The first argument after the program's name: the path to open. Further arguments
// are ignored.
std::optional<std::wstring> commandLinePath();
// The same for a given command line, as CommandLineToArgvW splits it.
std::optional<std::wstring> commandLinePathOf(const wchar_t* commandLine);

}  // namespace melodrift
