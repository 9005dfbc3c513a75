#pragma once

#include "support/files.h"

#include <stdexcept>

namespace melodrift::test {

// A fresh directory under the temporary folder (or a given parent), removed with its contents.
class TempDir {
public:
    explicit TempDir(const std::wstring& parent = systemTempFolder()) {
        static unsigned counter = 0;
        for (int attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
            const std::wstring path = parent + L"\\md-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                      std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(counter++);
            if (CreateDirectoryW(path.c_str(), nullptr)) path_ = path;
        }
        if (path_.empty()) throw std::runtime_error("cannot create a temporary directory");
    }
    ~TempDir() { removeTree(path_); }
    TempDir(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

}  // namespace melodrift::test
