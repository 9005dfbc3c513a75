#include "decoding/audio_decoder.h"

#include "decoding/ffmpeg_api.h"

#include <algorithm>
#include <cstring>

namespace melodrift {
namespace {

constexpr int kIoBufferBytes = 64 * 1024;
// How far before a seek's target the demuxer is asked to land on later tries, in seconds:
// an index or a search may put it just after the target.
constexpr int kSeekMargins[] = {0, 2, 30};
// The most channels kept as recorded: the WAVE channel mask names no more positions.
constexpr int kMostChannels = 8;
// Seconds before the end whose packets tell where the audio really ends.
constexpr int kTailSeconds = 3;

int readInput(void* opaque, uint8_t* buffer, int size) {
    const int got = static_cast<EncodedInput*>(opaque)->read(buffer, size);
    if (got == 0) return AVERROR_EOF;
    return got < 0 ? AVERROR(EIO) : got;
}

int64_t seekInput(void* opaque, int64_t offset, int whence) {
    auto& input = *static_cast<EncodedInput*>(opaque);
    int64_t to = -1;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE: return input.size();
    case SEEK_SET: to = offset; break;
    case SEEK_CUR: to = input.position() + offset; break;
    case SEEK_END: to = input.size() + offset; break;
    default: return -1;
    }
    return input.seek(to) ? to : -1;
}

bool isLossless(AVCodecID codec) {
    return codec == AV_CODEC_ID_FLAC || codec == AV_CODEC_ID_ALAC || codec == AV_CODEC_ID_WAVPACK ||
           codec == AV_CODEC_ID_APE || codec == AV_CODEC_ID_TAK;
}

bool holdsMoreThan16Bits(int sampleFormat) {
    switch (sampleFormat) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_U8P:
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S16P: return false;
    default: return true;
    }
}

}  // namespace

AudioDecoder::AudioDecoder(const FfmpegApi& api, std::unique_ptr<EncodedInput> input)
    : api_(api), input_(std::move(input)) {}

AudioDecoder::~AudioDecoder() {
    api_.swr_free(&resampler_);
    api_.av_frame_free(&frame_);
    api_.av_packet_free(&packet_);
    api_.avcodec_free_context(&codec_);
    api_.avformat_close_input(&container_);
    if (io_) api_.av_free(io_->buffer);
    api_.avio_context_free(&io_);
}

std::unique_ptr<AudioDecoder> AudioDecoder::open(std::unique_ptr<EncodedInput> input, Channels channels) {
    const FfmpegApi* api = ffmpegApi();
    if (!api || !input) return nullptr;
    std::unique_ptr<AudioDecoder> decoder(new AudioDecoder(*api, std::move(input)));
    if (!decoder->openStream(channels)) return nullptr;
    return decoder;
}

bool AudioDecoder::openStream(Channels channels) {
    auto* buffer = static_cast<unsigned char*>(api_.av_malloc(kIoBufferBytes));
    if (!buffer) return false;
    io_ = api_.avio_alloc_context(buffer, kIoBufferBytes, 0, input_.get(), readInput, nullptr, seekInput);
    if (!io_) {
        api_.av_free(buffer);
        return false;
    }
    container_ = api_.avformat_alloc_context();
    if (!container_) return false;
    container_->pb = io_;
    container_->flags |= AVFMT_FLAG_CUSTOM_IO;
    // On failure FFmpeg frees the context and clears the pointer.
    if (api_.avformat_open_input(&container_, nullptr, nullptr, nullptr) < 0) return false;
    if (api_.avformat_find_stream_info(container_, nullptr) < 0) return false;
    const AVCodec* codec = nullptr;
    streamIndex_ = api_.av_find_best_stream(container_, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (streamIndex_ < 0 || !codec) return false;
    stream_ = container_->streams[streamIndex_];
    if (stream_->codecpar->sample_rate <= 0 || stream_->codecpar->ch_layout.nb_channels <= 0) return false;
    startTime_ = stream_->start_time == AV_NOPTS_VALUE ? 0 : stream_->start_time;
    lossless_ = isLossless(codec->id);
    packetsStandAlone_ =
        codec->id == AV_CODEC_ID_FLAC || codec->id == AV_CODEC_ID_ALAC || codec->id == AV_CODEC_ID_WAVPACK;
    skipBefore_ = startTime_;

    codec_ = api_.avcodec_alloc_context3(codec);
    if (!codec_ || api_.avcodec_parameters_to_context(codec_, stream_->codecpar) < 0) return false;
    codec_->pkt_timebase = stream_->time_base;
    codec_->thread_count = 1;  // decoded on the graph's reading thread, a little at a time
    if (api_.avcodec_open2(codec_, codec, nullptr) < 0) return false;
    packet_ = api_.av_packet_alloc();
    frame_ = api_.av_frame_alloc();
    if (!packet_ || !frame_) return false;

    format_.sampleRate = static_cast<uint32_t>(stream_->codecpar->sample_rate);
    if (!learnLength() || !rewind()) return false;
    // The first frame settles the sample format; a file that yields none is not audio.
    if (!decodeFrame() || !chooseFormat(channels)) return false;
    return convertFrame();
}

bool AudioDecoder::chooseFormat(Channels channels) {
    const int recorded = frame_->ch_layout.nb_channels;
    const bool mixDown = recorded > kMostChannels || (channels == Channels::Stereo && recorded > 2);
    format_.channels = static_cast<uint16_t>(mixDown ? 2 : recorded);
    const bool deep = lossless_ && (codec_->bits_per_raw_sample > 16 ||
                                       (codec_->bits_per_raw_sample == 0 && holdsMoreThan16Bits(frame_->format)));
    format_.bitsPerSample = deep ? 24 : 16;
    AVChannelLayout layout{};
    if (!mixDown && frame_->ch_layout.order == AV_CHANNEL_ORDER_NATIVE) {
        format_.channelMask = static_cast<uint32_t>(frame_->ch_layout.u.mask);
    } else {
        api_.av_channel_layout_default(&layout, format_.channels);
        format_.channelMask = static_cast<uint32_t>(layout.u.mask);
    }
    return format_.channels > 0 && format_.channelMask != 0;
}

int64_t AudioDecoder::toStreamTime(uint64_t frame) const {
    return startTime_ +
           api_.av_rescale_q(static_cast<int64_t>(frame), AVRational{1, int(format_.sampleRate)}, stream_->time_base);
}

uint64_t AudioDecoder::toFrame(int64_t streamTime) const {
    const int64_t frame =
        api_.av_rescale_q(streamTime - startTime_, stream_->time_base, AVRational{1, int(format_.sampleRate)});
    return frame < 0 ? 0 : static_cast<uint64_t>(frame);
}

// The end of the last packet of the stream from where the demuxer stands, in stream time;
// AV_NOPTS_VALUE when no packet tells.
int64_t AudioDecoder::scanPacketEnd() {
    int64_t end = AV_NOPTS_VALUE;
    int64_t total = 0;  // for packets without timestamps
    bool timed = false;
    while (api_.av_read_frame(container_, packet_) >= 0) {
        if (packet_->stream_index == streamIndex_) {
            if (packet_->pts != AV_NOPTS_VALUE) {
                timed = true;
                end = std::max(end == AV_NOPTS_VALUE ? packet_->pts : end, packet_->pts + packet_->duration);
            }
            total += packet_->duration;
        }
        api_.av_packet_unref(packet_);
    }
    if (!timed && total > 0) end = startTime_ + total;
    return end;
}

// The length from the header where it gives one, checked against the packets of its last
// seconds, so that a truncated file is as long as what it holds; otherwise from a scan of
// every packet, which reads but does not decode.
bool AudioDecoder::learnLength() {
    const bool stated = stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0 &&
                        container_->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE;
    if (stated) {
        const uint64_t header = toFrame(startTime_ + stream_->duration);
        const uint64_t margin = uint64_t(kTailSeconds) * format_.sampleRate;
        if (api_.av_seek_frame(container_, streamIndex_, toStreamTime(header > margin ? header - margin : 0),
                AVSEEK_FLAG_BACKWARD) >= 0) {
            const int64_t end = scanPacketEnd();
            if (end != AV_NOPTS_VALUE) {
                frameCount_ = std::min(header, toFrame(end));
                return frameCount_ > 0;
            }
        }
    }
    if (!rewind()) return false;
    const int64_t end = scanPacketEnd();
    frameCount_ = end == AV_NOPTS_VALUE ? 0 : toFrame(end);
    return frameCount_ > 0;
}

bool AudioDecoder::decodeFrame() {
    // Packets that fail to decode are passed over; the input's end ends the loop.
    for (;;) {
        const int received = api_.avcodec_receive_frame(codec_, frame_);
        if (received == 0) return true;
        if (received == AVERROR_EOF) return false;
        if (inputEnded_ && received == AVERROR(EAGAIN)) return false;
        if (api_.av_read_frame(container_, packet_) < 0) {
            inputEnded_ = true;
            api_.avcodec_send_packet(codec_, nullptr);  // drains the frames the decoder holds
            continue;
        }
        const bool passedOver = packetsStandAlone_ && packet_->pts != AV_NOPTS_VALUE && packet_->duration > 0 &&
                                packet_->pts + packet_->duration <= skipBefore_;
        if (packet_->stream_index == streamIndex_ && !passedOver) (void)api_.avcodec_send_packet(codec_, packet_);
        api_.av_packet_unref(packet_);
    }
}

// Converts frame_ to the output format and appends it to the pending frames.
bool AudioDecoder::convertFrame() {
    AVChannelLayout in{};
    if (frame_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        api_.av_channel_layout_default(&in, frame_->ch_layout.nb_channels);
    else if (api_.av_channel_layout_copy(&in, &frame_->ch_layout) < 0)
        return false;
    const bool changed = resamplerFormat_ != frame_->format || resamplerRate_ != frame_->sample_rate ||
                         resamplerChannels_ != in.nb_channels || resamplerLayout_ != in.u.mask || !resampler_;
    if (changed) {
        AVChannelLayout out{};
        out.order = AV_CHANNEL_ORDER_NATIVE;
        out.nb_channels = format_.channels;
        out.u.mask = format_.channelMask;
        const AVSampleFormat outFormat = format_.bitsPerSample == 16 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_S32;
        api_.swr_free(&resampler_);
        if (api_.swr_alloc_set_opts2(&resampler_, &out, outFormat, int(format_.sampleRate), &in,
                AVSampleFormat(frame_->format), frame_->sample_rate, 0, nullptr) < 0 ||
            api_.swr_init(resampler_) < 0) {
            api_.av_channel_layout_uninit(&in);
            api_.swr_free(&resampler_);
            return false;
        }
        resamplerFormat_ = frame_->format;
        resamplerRate_ = frame_->sample_rate;
        resamplerChannels_ = in.nb_channels;
        resamplerLayout_ = in.u.mask;
    }
    api_.av_channel_layout_uninit(&in);

    const int room = int(int64_t(frame_->nb_samples) * format_.sampleRate / std::max(frame_->sample_rate, 1)) + 256;
    const size_t sampleBytes = format_.bitsPerSample == 16 ? 2 : 4;
    const size_t oldSize = pending_.size();
    pending_.resize(oldSize + size_t(room) * format_.channels * sampleBytes);
    uint8_t* out = pending_.data() + oldSize;
    const int converted = api_.swr_convert(
        resampler_, &out, room, const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
    const size_t samples = converted > 0 ? size_t(converted) * format_.channels : 0;
    if (format_.bitsPerSample == 24) {
        // 32-bit samples to packed 24-bit ones: the top three bytes of each.
        for (size_t i = 0; i < samples; ++i) std::memmove(out + 3 * i, out + 4 * i + 1, 3);
        pending_.resize(oldSize + samples * 3);
    } else {
        pending_.resize(oldSize + samples * 2);
    }
    return true;
}

bool AudioDecoder::decodeMore() {
    while (decodeFrame()) {
        const int64_t timestamp = frame_->best_effort_timestamp;
        if (!positionKnown_) {
            // After a seek the first frame says where the demuxer landed.
            if (timestamp == AV_NOPTS_VALUE) return false;
            position_ = toFrame(timestamp);
            positionKnown_ = true;
        }
        if (convertFrame()) return true;
    }
    return false;
}

size_t AudioDecoder::pendingFrames() const { return (pending_.size() - pendingStart_) / format_.blockAlign(); }

void AudioDecoder::clearPending() {
    pending_.clear();
    pendingStart_ = 0;
}

void AudioDecoder::dropPending() {
    position_ += pendingFrames();
    clearPending();
}

bool AudioDecoder::seekDemuxer(uint64_t frame) {
    clearPending();
    inputEnded_ = false;
    skipBefore_ = toStreamTime(frame);
    if (api_.av_seek_frame(container_, streamIndex_, skipBefore_, AVSEEK_FLAG_BACKWARD) < 0) return false;
    api_.avcodec_flush_buffers(codec_);
    positionKnown_ = false;
    return true;
}

bool AudioDecoder::rewind() {
    // Before the format is known too: the frames are dropped uncounted, as the position is set anew.
    clearPending();
    inputEnded_ = false;
    if (api_.av_seek_frame(container_, streamIndex_, startTime_, AVSEEK_FLAG_BACKWARD) < 0 &&
        api_.av_seek_frame(container_, -1, 0, AVSEEK_FLAG_BYTE) < 0)
        return false;
    if (codec_) api_.avcodec_flush_buffers(codec_);
    skipBefore_ = startTime_;
    position_ = 0;
    positionKnown_ = true;
    return true;
}

bool AudioDecoder::skipTo(uint64_t frame) {
    while (position_ + pendingFrames() <= frame) {
        if (position_ + pendingFrames() == frame && frame == frameCount_) break;
        dropPending();
        if (!decodeMore()) return position_ >= frame;
    }
    const size_t drop = size_t(frame - position_);
    pendingStart_ += drop * format_.blockAlign();
    position_ = frame;
    return true;
}

bool AudioDecoder::seek(uint64_t frame) {
    frame = std::min(frame, frameCount_);
    if (positionKnown_ && frame >= position_ && frame - position_ <= format_.sampleRate) return skipTo(frame);
    for (const int margin : kSeekMargins) {
        const uint64_t back = uint64_t(margin) * format_.sampleRate;
        if (!seekDemuxer(frame > back ? frame - back : 0)) break;
        if (!decodeMore()) continue;
        if (position_ <= frame) return skipTo(frame);
    }
    // Nothing better than decoding from the start.
    return rewind() && skipTo(frame);
}

size_t AudioDecoder::read(uint8_t* out, size_t frames) {
    const uint32_t block = format_.blockAlign();
    size_t done = 0;
    while (done < frames && position_ < frameCount_) {
        if (pendingFrames() == 0) {
            clearPending();
            if (!positionKnown_ || !decodeMore()) break;
        }
        const size_t count = std::min<uint64_t>({frames - done, pendingFrames(), frameCount_ - position_});
        std::memcpy(out + done * block, pending_.data() + pendingStart_, count * block);
        pendingStart_ += count * block;
        position_ += count;
        done += count;
    }
    return done;
}

}  // namespace melodrift
