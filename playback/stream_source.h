#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace melodrift {

class WaveStream;

// The bytes the in-memory source filter serves: an archive entry held in memory, or
// decoded audio made into a WAVE stream as it is read. Reads come from the graph's threads.
class StreamSource {
public:
    virtual ~StreamSource() = default;
    virtual uint64_t size() const = 0;
    // The first bytes, for recognising the stream; as many as there are up to count.
    virtual std::vector<uint8_t> head(size_t count) = 0;
    // Copies the length bytes at position into out; false when they reach past the end.
    virtual bool read(uint64_t position, uint8_t* out, size_t length) = 0;
};

std::unique_ptr<StreamSource> memoryStreamSource(std::shared_ptr<const std::vector<uint8_t>> bytes);
std::unique_ptr<StreamSource> waveStreamSource(std::unique_ptr<WaveStream> wave);

}  // namespace melodrift
