#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace melodrift {

// Where an encoded file's bytes come from: a file on disk or bytes in memory, read from
// any position. Used by one decoder on one thread at a time.
class EncodedInput {
public:
    virtual ~EncodedInput() = default;
    // Bytes copied into buffer from the current position: 0 at the end, -1 on a read error.
    virtual int read(uint8_t* buffer, int size) = 0;
    // Moves to position; false when it lies outside the input.
    virtual bool seek(int64_t position) = 0;
    virtual int64_t position() const = 0;
    virtual int64_t size() const = 0;
};

// The file opened for shared reading; null when it cannot be opened.
std::unique_ptr<EncodedInput> openFileInput(const std::wstring& path);

// Bytes already in memory, shared with whoever else serves them.
std::unique_ptr<EncodedInput> memoryInput(std::shared_ptr<const std::vector<uint8_t>> bytes);

}  // namespace melodrift
