#include "support/files.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace melodrift::test {

std::string readBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open a file to read");
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

void writeBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a file");
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("short write");
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string utf16le(const std::wstring& text, bool withMark) {
    std::string bytes = withMark ? std::string("\xFF\xFE", 2) : std::string();
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

bool FileTimes::operator==(const FileTimes& other) const {
    return CompareFileTime(&created, &other.created) == 0 && CompareFileTime(&written, &other.written) == 0;
}

FileTimes fileTimes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        throw std::runtime_error("cannot read file times");
    return {data.ftCreationTime, data.ftLastWriteTime};
}

void ageFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open a file to age it");
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= 864000000000ULL;  // one day
    FILETIME old{t.LowPart, t.HighPart};
    SetFileTime(file, &old, nullptr, &old);
    CloseHandle(file);
}

namespace {

// Calls visit for every entry of dir but "." and "..".
template <typename Visit>
void forEachEntry(const std::wstring& dir, Visit visit) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (wcscmp(entry.cFileName, L".") != 0 && wcscmp(entry.cFileName, L"..") != 0) visit(entry);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

void snapshotInto(const std::wstring& dir, TreeSnapshot& snapshot) {
    forEachEntry(dir, [&](const WIN32_FIND_DATAW& entry) {
        const std::wstring path = dir + L"\\" + entry.cFileName;
        snapshot.emplace(path, (uint64_t(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow,
                         (uint64_t(entry.ftLastWriteTime.dwHighDateTime) << 32) | entry.ftLastWriteTime.dwLowDateTime);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) snapshotInto(path, snapshot);
    });
}

}  // namespace

std::vector<std::wstring> fileNamesIn(const std::wstring& dir) {
    std::vector<std::wstring> names;
    forEachEntry(dir, [&](const WIN32_FIND_DATAW& entry) { names.push_back(entry.cFileName); });
    std::sort(names.begin(), names.end());
    return names;
}

TreeSnapshot snapshotTree(const std::wstring& dir) {
    TreeSnapshot snapshot;
    snapshotInto(dir, snapshot);
    return snapshot;
}

std::wstring systemTempFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring path(buffer, length);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

std::wstring environmentVariable(const wchar_t* name) {
    const DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0) return {};
    std::vector<wchar_t> buffer(length);
    const DWORD got = GetEnvironmentVariableW(name, buffer.data(), length);
    return std::wstring(buffer.data(), got);
}

}  // namespace melodrift::test
