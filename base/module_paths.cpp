#include "base/module_paths.h"

#include <windows.h>
#include <shlwapi.h>

namespace melodrift {

std::wstring modulePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        // The path was cut: try again with room to spare.
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring settingsBasePathOf(const std::wstring& executablePath) {
    const wchar_t* extension = PathFindExtensionW(executablePath.c_str());
    return executablePath.substr(0, extension - executablePath.c_str());
}

std::wstring settingsBasePath() { return settingsBasePathOf(modulePath()); }

}  // namespace melodrift
