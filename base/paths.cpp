#include "base/paths.h"

#include "base/name_pattern.h"

#include <windows.h>
#include <shlwapi.h>

namespace melodrift {

std::wstring joinPath(const std::wstring& dir, const std::wstring& name) {
    if (dir.empty()) return name;
    if (dir.back() == L'\\') return dir + name;
    return dir + L'\\' + name;
}

std::vector<std::wstring> splitString(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::wstring::npos) end = text.size();
        if (end > start) pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

std::wstring parentDirectory(const std::wstring& path) {
    // PathRemoveFileSpecW works in place on a writable, terminated buffer.
    std::wstring buffer = path;
    buffer.push_back(L'\0');
    if (!PathRemoveFileSpecW(&buffer[0])) return std::wstring();
    buffer.resize(wcslen(buffer.c_str()));
    return buffer;
}

std::wstring fullPath(const std::wstring& path) {
    // Already full, and normalising would cut names such as "R.E.M." or "..." short.
    if (literalPath(path) != path) return path;
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring buffer(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &buffer[0], nullptr);
    if (length == 0 || length >= needed) return path;
    buffer.resize(length);
    return buffer;
}

std::wstring pathFileName(const std::wstring& path) { return PathFindFileNameW(path.c_str()); }

namespace {

// Each part between separators is a name, not "", "." or ".."; a separator may end the path.
bool hasOnlyPlainNames(const std::wstring& parts) {
    for (size_t start = 0; start < parts.size();) {
        size_t end = parts.find(L'\\', start);
        if (end == std::wstring::npos) end = parts.size();
        const std::wstring part = parts.substr(start, end - start);
        if (part.empty() || part == L"." || part == L"..") return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

std::wstring literalPath(const std::wstring& path) {
    if (path.find(L'/') != std::wstring::npos) return path;
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\' && hasOnlyPlainNames(path.substr(3)))
        return L"\\\\?\\" + path;
    if (path.size() > 2 && path.compare(0, 2, L"\\\\") == 0 && path[2] != L'?' && path[2] != L'.' &&
        hasOnlyPlainNames(path.substr(2)))
        return L"\\\\?\\UNC\\" + path.substr(2);
    return path;
}

bool matchesAnyPattern(const wchar_t* name, const std::vector<std::wstring>& patterns) {
    for (const std::wstring& pattern : patterns)
        if (matchesNamePattern(name, pattern.c_str())) return true;
    return false;
}

}  // namespace melodrift
