#include "support/files.h"

#include "base/unique_handle.h"

#include <algorithm>
#include <stdexcept>

namespace melodrift::test {

namespace {

FileHandle open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
    FileHandle file(CreateFileW(path.c_str(), access, share, nullptr, disposition, 0, nullptr));
    if (!file) throw std::runtime_error("cannot open a file");
    return file;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;

}  // namespace

std::string readBytes(const std::wstring& path) {
    const FileHandle file = open(path, GENERIC_READ, kShareAll, OPEN_EXISTING);
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

void writeBytes(const std::wstring& path, const std::string& bytes) {
    const FileHandle file = open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) || written != bytes.size())
        throw std::runtime_error("short write");
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string utf16le(const std::wstring& text, bool withMark) {
    std::string bytes = withMark ? "\xFF\xFE" : "";
    for (wchar_t c : text) bytes += {char(c & 0xFF), char(c >> 8)};
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
    const FileHandle file = open(path, FILE_WRITE_ATTRIBUTES, kShareAll, OPEN_EXISTING);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t old = ((uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime) - 864000000000ULL;
    const FILETIME day{DWORD(old), DWORD(old >> 32)};
    SetFileTime(file.get(), &day, nullptr, &day);
}

void forEachEntry(const std::wstring& dir, const std::function<void(const WIN32_FIND_DATAW&)>& visit) {
    WIN32_FIND_DATAW entry;
    const FindHandle search(FindFirstFileW((dir + L"\\*").c_str(), &entry));
    if (search) do {
            if (wcscmp(entry.cFileName, L".") != 0 && wcscmp(entry.cFileName, L"..") != 0) visit(entry);
        } while (FindNextFileW(search.get(), &entry));
}

std::vector<std::wstring> fileNamesIn(const std::wstring& dir) {
    std::vector<std::wstring> names;
    forEachEntry(dir, [&](const WIN32_FIND_DATAW& entry) { names.push_back(entry.cFileName); });
    std::sort(names.begin(), names.end());
    return names;
}

TreeSnapshot snapshotTree(const std::wstring& dir) {
    TreeSnapshot snapshot;
    forEachEntry(dir, [&](const WIN32_FIND_DATAW& entry) {
        const std::wstring path = dir + L"\\" + entry.cFileName;
        const FILETIME& t = entry.ftLastWriteTime;
        snapshot.emplace(path, (uint64_t(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow,
                         (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) snapshot.merge(snapshotTree(path));
    });
    return snapshot;
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
