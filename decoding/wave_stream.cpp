#include "decoding/wave_stream.h"

#include <algorithm>
#include <cstring>

namespace melodrift {
namespace {

constexpr uint64_t kUnknown = ~uint64_t(0);
constexpr uint64_t kWindowFrames = 4096;
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// KSDATAFORMAT_SUBTYPE_PCM as it is stored.
constexpr uint8_t kPcmSubFormat[16] = {
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void putTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

WaveStream::WaveStream(std::unique_ptr<AudioDecoder> decoder) : decoder_(std::move(decoder)) { buildHeader(); }

void WaveStream::buildHeader() {
    const PcmFormat& pcm = decoder_->format();
    // More than two channels or more than 16 bits need the extensible form to say which.
    const bool extensible = pcm.channels > 2 || pcm.bitsPerSample > 16;
    const uint32_t formatBytes = extensible ? 40 : 16;
    // RIFF sizes are 32-bit: longer audio is cut to what they can say.
    const uint64_t most = (0xFFFFFFFFull - 4 - 8 - formatBytes - 8) / pcm.blockAlign() * pcm.blockAlign();
    dataBytes_ = std::min<uint64_t>(decoder_->frameCount() * pcm.blockAlign(), most);

    putTag(header_, "RIFF");
    put32(header_, uint32_t(4 + 8 + formatBytes + 8 + dataBytes_));
    putTag(header_, "WAVE");
    putTag(header_, "fmt ");
    put32(header_, formatBytes);
    put16(header_, extensible ? kFormatExtensible : kFormatPcm);
    put16(header_, pcm.channels);
    put32(header_, pcm.sampleRate);
    put32(header_, pcm.sampleRate * pcm.blockAlign());
    put16(header_, pcm.blockAlign());
    put16(header_, pcm.bitsPerSample);
    if (extensible) {
        put16(header_, 22);
        put16(header_, pcm.bitsPerSample);
        put32(header_, pcm.channelMask);
        header_.insert(header_.end(), kPcmSubFormat, kPcmSubFormat + 16);
    }
    putTag(header_, "data");
    put32(header_, uint32_t(dataBytes_));
}

void WaveStream::decodeWindow(uint64_t frame) {
    const uint32_t block = decoder_->format().blockAlign();
    const uint64_t frames = std::min(kWindowFrames, dataBytes_ / block - frame);
    window_.resize(frames * block);
    size_t got = 0;
    if (frame == decoderAt_ || decoder_->seek(frame)) got = decoder_->read(window_.data(), frames);
    std::fill(window_.begin() + got * block, window_.end(), 0);
    windowStart_ = frame;
    windowFrames_ = frames;
    decoderAt_ = got == frames ? frame + frames : kUnknown;
}

bool WaveStream::read(uint64_t position, uint8_t* out, size_t length) {
    if (position > size() || length > size() - position) return false;
    const CriticalSectionLock lock(lock_);
    if (position < header_.size()) {
        const size_t count = std::min<uint64_t>(length, header_.size() - position);
        std::memcpy(out, header_.data() + position, count);
        position += count;
        out += count;
        length -= count;
    }
    const uint32_t block = decoder_->format().blockAlign();
    uint64_t offset = position - header_.size();
    while (length > 0) {
        const uint64_t frame = offset / block;
        if (frame < windowStart_ || frame >= windowStart_ + windowFrames_) decodeWindow(frame);
        const uint64_t from = offset - windowStart_ * block;
        const size_t count = std::min<uint64_t>(length, window_.size() - from);
        std::memcpy(out, window_.data() + from, count);
        offset += count;
        out += count;
        length -= count;
    }
    return true;
}

}  // namespace melodrift
