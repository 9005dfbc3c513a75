#include "support/files.h"

#include "base/unique_handle.h"

#include <algorithm>
#include <stdexcept>

namespace melodrift::test {

static FileHandle open(const std::wstring& path, DWORD access, DWORD disposition) {
    FileHandle file(
        CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition, 0, nullptr));
    if (!file) throw std::runtime_error("cannot open a file");
    return file;
}

static uint64_t joined(DWORD high, DWORD low) { return (uint64_t(high) << 32) | low; }

// Calls visit(entry, its path) for every entry of dir but "." and "..".
template <class Visit>
static void forEachEntry(const std::wstring& dir, Visit visit) {
    WIN32_FIND_DATAW entry;
    const FindHandle search(FindFirstFileW((dir + L"\\*").c_str(), &entry));
    for (bool more = bool(search); more; more = FindNextFileW(search.get(), &entry))
        if (wcscmp(entry.cFileName, L".") && wcscmp(entry.cFileName, L".."))
            visit(entry, dir + L"\\" + entry.cFileName);
}

std::string readBytes(const std::wstring& path) {
    const FileHandle file = open(path, GENERIC_READ, OPEN_EXISTING);
    std::string bytes;
    char buffer[65536];
    for (DWORD got = 0; ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0;)
        bytes.append(buffer, got);
    return bytes;
}

void writeBytes(const std::wstring& path, const std::string& bytes) {
    DWORD written = 0;
    if (!WriteFile(
            open(path, GENERIC_WRITE, CREATE_ALWAYS).get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw std::runtime_error("short write");
}

std::string utf16le(const std::wstring& text, bool withMark) {
    std::string bytes = withMark ? "\xFF\xFE" : "";
    for (wchar_t c : text) bytes += {char(c & 0xFF), char(c >> 8)};
    return bytes;
}

void ageFile(const std::wstring& path) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t old = joined(now.dwHighDateTime, now.dwLowDateTime) - 864000000000ULL;
    const FILETIME day{DWORD(old), DWORD(old >> 32)};
    SetFileTime(open(path, FILE_WRITE_ATTRIBUTES, OPEN_EXISTING).get(), &day, nullptr, &day);
}

std::vector<std::wstring> fileNamesIn(const std::wstring& dir) {
    std::vector<std::wstring> names;
    forEachEntry(dir, [&](const WIN32_FIND_DATAW& entry, const std::wstring&) { names.push_back(entry.cFileName); });
    std::sort(names.begin(), names.end());
    return names;
}

TreeSnapshot snapshotTree(const std::wstring& dir) {
    TreeSnapshot snapshot;
    forEachEntry(dir, [&](const WIN32_FIND_DATAW& entry, const std::wstring& path) {
        const FILETIME& t = entry.ftLastWriteTime;
        snapshot.emplace(
            path, joined(entry.nFileSizeHigh, entry.nFileSizeLow), joined(t.dwHighDateTime, t.dwLowDateTime));
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) snapshot.merge(snapshotTree(path));
    });
    return snapshot;
}

void removeTree(const std::wstring& path) {
    forEachEntry(path, [](const WIN32_FIND_DATAW& entry, const std::wstring& child) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return removeTree(child);
        DeleteFileW(child.c_str());
    });
    RemoveDirectoryW(path.c_str());
}

std::wstring systemTempFolder() {
    wchar_t buffer[MAX_PATH + 1];
    std::wstring path(buffer, GetTempPathW(MAX_PATH + 1, buffer));
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

std::wstring environmentVariable(const wchar_t* name) {
    std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    value.resize(value.empty() ? 0 : GetEnvironmentVariableW(name, &value[0], DWORD(value.size())));
    return value;
}

}  // namespace melodrift::test
