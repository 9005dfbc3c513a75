#pragma once

#include "decoding/encoded_input.h"

#include <cstdint>
#include <memory>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVIOContext;
struct AVPacket;
struct AVStream;
struct SwrContext;

namespace melodrift {

struct FfmpegApi;

// Interleaved little-endian PCM as the decoder hands it out.
struct PcmFormat {
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint16_t bitsPerSample = 0;  // 16, or 24 for lossless sources of more than 16 bits
    uint32_t channelMask = 0;    // speaker positions as WAVE files give them; 0: unknown
    uint32_t blockAlign() const { return channels * (bitsPerSample / 8u); }
};

// Decodes the first audio stream of an encoded file through FFmpeg, front to back or from
// any frame (one sample of every channel). Lossless sources keep their rate and their
// resolution up to 24 bits; lossy ones come out as 16-bit. Not thread-safe.
class AudioDecoder {
public:
    enum class Channels { AsRecorded, Stereo };

    // Null when FFmpeg is not there, the input holds no audio it decodes, its length cannot
    // be learnt, or its first frame does not decode.
    static std::unique_ptr<AudioDecoder> open(std::unique_ptr<EncodedInput> input, Channels channels);
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    const PcmFormat& format() const { return format_; }
    // The audio's length in frames, known before anything is decoded.
    uint64_t frameCount() const { return frameCount_; }
    // The next read starts at frame, to the sample; false when the input cannot get there.
    bool seek(uint64_t frame);
    // Up to frames frames into out (frames × blockAlign bytes); fewer only where the audio
    // ends or stops decoding.
    size_t read(uint8_t* out, size_t frames);

private:
    AudioDecoder(const FfmpegApi& api, std::unique_ptr<EncodedInput> input);
    bool openStream(Channels channels);
    bool chooseFormat(Channels channels);
    bool learnLength();
    int64_t scanPacketEnd();
    bool decodeFrame();
    bool convertFrame();
    bool decodeMore();
    bool seekDemuxer(uint64_t frame);
    bool rewind();
    bool skipTo(uint64_t frame);
    void clearPending();
    void dropPending();
    size_t pendingFrames() const;
    int64_t toStreamTime(uint64_t frame) const;
    uint64_t toFrame(int64_t streamTime) const;

    const FfmpegApi& api_;
    std::unique_ptr<EncodedInput> input_;
    AVIOContext* io_ = nullptr;
    AVFormatContext* container_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVStream* stream_ = nullptr;
    int streamIndex_ = -1;
    bool lossless_ = false;
    // Whether every packet decodes on its own, so that a seek may pass packets over unread.
    bool packetsStandAlone_ = false;
    int64_t skipBefore_ = 0;  // in stream time: packets ending before it are passed over
    int64_t startTime_ = 0;   // the stream's first timestamp
    PcmFormat format_;
    uint64_t frameCount_ = 0;
    // Converted frames not handed out yet, from pendingStart_ in pending_; the first of them
    // is frame position_ of the audio, unless positionKnown_ is false after a seek.
    std::vector<uint8_t> pending_;
    size_t pendingStart_ = 0;
    uint64_t position_ = 0;
    bool positionKnown_ = true;
    bool inputEnded_ = false;
    // The converted layout and format the resampler was set up for.
    int resamplerFormat_ = -1;
    int resamplerRate_ = 0;
    uint64_t resamplerLayout_ = 0;
    int resamplerChannels_ = 0;
};

}  // namespace melodrift
