#include "decoding/encoded_input.h"

#include "base/unique_handle.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace melodrift {
namespace {

class FileInput final : public EncodedInput {
public:
    FileInput(FileHandle file, int64_t size) : file_(std::move(file)), size_(size) {}

    int read(uint8_t* buffer, int size) override {
        DWORD got = 0;
        if (!ReadFile(file_.get(), buffer, static_cast<DWORD>(size), &got, nullptr)) return -1;
        position_ += got;
        return static_cast<int>(got);
    }

    bool seek(int64_t position) override {
        if (position < 0 || position > size_) return false;
        LARGE_INTEGER to;
        to.QuadPart = position;
        if (!SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN)) return false;
        position_ = position;
        return true;
    }

    int64_t position() const override { return position_; }
    int64_t size() const override { return size_; }

private:
    FileHandle file_;
    int64_t size_;
    int64_t position_ = 0;
};

class MemoryInput final : public EncodedInput {
public:
    explicit MemoryInput(std::shared_ptr<const std::vector<uint8_t>> bytes) : bytes_(std::move(bytes)) {}

    int read(uint8_t* buffer, int size) override {
        const int64_t left = this->size() - position_;
        const int count = static_cast<int>(std::min<int64_t>(left, size));
        if (count <= 0) return 0;
        std::memcpy(buffer, bytes_->data() + position_, count);
        position_ += count;
        return count;
    }

    bool seek(int64_t position) override {
        if (position < 0 || position > size()) return false;
        position_ = position;
        return true;
    }

    int64_t position() const override { return position_; }
    int64_t size() const override { return bytes_ ? static_cast<int64_t>(bytes_->size()) : 0; }

private:
    std::shared_ptr<const std::vector<uint8_t>> bytes_;
    int64_t position_ = 0;
};

}  // namespace

std::unique_ptr<EncodedInput> openFileInput(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size)) return nullptr;
    return std::make_unique<FileInput>(std::move(file), size.QuadPart);
}

std::unique_ptr<EncodedInput> memoryInput(std::shared_ptr<const std::vector<uint8_t>> bytes) {
    if (!bytes) return nullptr;
    return std::make_unique<MemoryInput>(std::move(bytes));
}

}  // namespace melodrift
