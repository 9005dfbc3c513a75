#pragma once

#include <string>

namespace melodrift::test {

// A fresh directory under the temporary folder (or a given parent), removed with its contents.
class TempDir {
public:
    TempDir();
    explicit TempDir(const std::wstring& parent);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

void removeTree(const std::wstring& path);

}  // namespace melodrift::test
