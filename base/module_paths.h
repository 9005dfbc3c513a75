#pragma once

#include <string>

namespace melodrift {

// Full path of the running executable, however long.
std::wstring modulePath();

// The executable's path without its extension: the stem both settings files share.
std::wstring settingsBasePath();
std::wstring settingsBasePathOf(const std::wstring& executablePath);

}  // namespace melodrift
