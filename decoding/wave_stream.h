#pragma once

#include "base/critical_section.h"
#include "decoding/audio_decoder.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace melodrift {

// Decoded audio presented as the bytes of a WAVE file, so that the platform's WAVE parser,
// its seeking and the renderer play it. The header is made up front from the decoder's
// format and length; the audio is decoded only where it is read. Reads may come from any
// thread, one at a time.
class WaveStream {
public:
    explicit WaveStream(std::unique_ptr<AudioDecoder> decoder);

    uint64_t size() const { return header_.size() + dataBytes_; }
    const PcmFormat& format() const { return decoder_->format(); }
    // Copies the length bytes at position into out; false when they reach past the end.
    // Audio that stops decoding before its stated length reads as silence.
    bool read(uint64_t position, uint8_t* out, size_t length);

private:
    void buildHeader();
    void decodeWindow(uint64_t frame);

    std::unique_ptr<AudioDecoder> decoder_;
    std::vector<uint8_t> header_;
    uint64_t dataBytes_ = 0;
    CriticalSection lock_;
    // The frames decoded last, from windowStart_: the parser's reads need not end on a
    // frame, so the next one may begin inside them.
    std::vector<uint8_t> window_;
    uint64_t windowStart_ = 0;
    uint64_t windowFrames_ = 0;
    uint64_t decoderAt_ = 0;  // where the decoder's next frame is; kUnknown after a failure
};

}  // namespace melodrift
