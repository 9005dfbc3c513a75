#include "support/temp_dir.h"

#include "support/files.h"

#include <stdexcept>

namespace melodrift::test {

TempDir::TempDir() : TempDir(systemTempFolder()) {}

TempDir::TempDir(const std::wstring& parent) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
        const std::wstring path = parent + L"\\md-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(counter++);
        if (CreateDirectoryW(path.c_str(), nullptr)) path_ = path;
    }
    if (path_.empty()) throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() { removeTree(path_); }

void removeTree(const std::wstring& path) {
    forEachEntry(path, [&](const WIN32_FIND_DATAW& entry) {
        const std::wstring child = path + L"\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return removeTree(child);
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
    });
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path.c_str());
}

}  // namespace melodrift::test
