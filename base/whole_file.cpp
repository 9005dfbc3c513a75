#include "base/whole_file.h"

#include "base/unique_handle.h"

#include <windows.h>

namespace melodrift {

std::optional<std::string> readWholeFile(const std::wstring& path, uint64_t maxBytes) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || static_cast<uint64_t>(size.QuadPart) >= maxBytes) return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && !ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr))
        return std::nullopt;
    if (got != bytes.size()) return std::nullopt;
    return bytes;
}

}  // namespace melodrift
