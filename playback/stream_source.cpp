#include "playback/stream_source.h"

#include "decoding/wave_stream.h"

#include <algorithm>
#include <cstring>

namespace melodrift {
namespace {

class MemoryStreamSource final : public StreamSource {
public:
    explicit MemoryStreamSource(std::shared_ptr<const std::vector<uint8_t>> bytes) : bytes_(std::move(bytes)) {}

    uint64_t size() const override { return bytes_->size(); }

    std::vector<uint8_t> head(size_t count) override {
        return std::vector<uint8_t>(bytes_->begin(), bytes_->begin() + std::min(count, bytes_->size()));
    }

    bool read(uint64_t position, uint8_t* out, size_t length) override {
        if (position > size() || length > size() - position) return false;
        if (length > 0) std::memcpy(out, bytes_->data() + position, length);
        return true;
    }

private:
    std::shared_ptr<const std::vector<uint8_t>> bytes_;
};

class DecodedStreamSource final : public StreamSource {
public:
    explicit DecodedStreamSource(std::unique_ptr<WaveStream> wave) : wave_(std::move(wave)) {}

    uint64_t size() const override { return wave_->size(); }

    std::vector<uint8_t> head(size_t count) override {
        std::vector<uint8_t> bytes(std::min<uint64_t>(count, wave_->size()));
        if (!wave_->read(0, bytes.data(), bytes.size())) bytes.clear();
        return bytes;
    }

    bool read(uint64_t position, uint8_t* out, size_t length) override { return wave_->read(position, out, length); }

private:
    std::unique_ptr<WaveStream> wave_;
};

}  // namespace

std::unique_ptr<StreamSource> memoryStreamSource(std::shared_ptr<const std::vector<uint8_t>> bytes) {
    if (!bytes) bytes = std::make_shared<const std::vector<uint8_t>>();
    return std::make_unique<MemoryStreamSource>(std::move(bytes));
}

std::unique_ptr<StreamSource> waveStreamSource(std::unique_ptr<WaveStream> wave) {
    return std::make_unique<DecodedStreamSource>(std::move(wave));
}

}  // namespace melodrift
