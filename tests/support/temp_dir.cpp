#include "support/temp_dir.h"

#include "support/files.h"

#include <windows.h>

#include <stdexcept>

namespace melodrift::test {

namespace {

std::wstring createUniqueDirectory(const std::wstring& parent) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        wchar_t name[64];
        wsprintfW(name, L"\\md-%lu-%lu-%u", GetCurrentProcessId(), GetTickCount(), counter++);
        std::wstring path = parent + name;
        if (CreateDirectoryW(path.c_str(), nullptr)) return path;
    }
    throw std::runtime_error("cannot create a temporary directory");
}

}  // namespace

TempDir::TempDir() : TempDir(systemTempFolder()) {}

TempDir::TempDir(const std::wstring& parent) : path_(createUniqueDirectory(parent)) {}

TempDir::~TempDir() { removeTree(path_); }

void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path.c_str());
}

}  // namespace melodrift::test
