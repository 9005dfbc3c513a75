#pragma once

#include "support/files.h"

#include <stdexcept>

namespace melodrift::test {

// A fresh directory of a unique name under the temporary folder, removed with its contents.
class TempDir {
public:
    TempDir() {
        static unsigned counter = 0;
        path_ = systemTempFolder() + L"\\md-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(counter++);
        if (!CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("cannot create a temporary directory");
    }
    ~TempDir() { removeTree(path_); }
    TempDir(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

}  // namespace melodrift::test
