// Decoding timings and memory, in one run under Wine:
//   decoding a long FLAC front to back through the program's path (read as the WAVE parser
//   reads it) against FFmpeg's own decoding of the same file in a bare loop;
//   opening a track 45 minutes into a FLAC image (the player built and positioned, then its
//   first second decoded) against the same track of the WAV image;
//   the private memory a FLAC image's player adds while it plays, against the WAV image's.
// usage: decode_bench LONG_FLAC IMAGE_FLAC IMAGE_WAV [ROUNDS]
#include "bench/memory.h"
#include "bench/timing.h"
#include "decoding/encoded_input.h"
#include "decoding/ffmpeg_api.h"
#include "decoding/wave_stream.h"
#include "playback/player_of_cue.h"
#include "playback/source_renderer.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace melodrift;
using bench::median;
using bench::privateBytes;

namespace {

constexpr int64_t kTrackStart = 45 * 60 * kMediaTimePerSecond;
constexpr int64_t kTrackStop = 50 * 60 * kMediaTimePerSecond;
constexpr size_t kReadBytes = 64 * 1024;  // about what the WAVE parser asks for at a time

double secondsOf(const std::function<void()>& work) {
    const double start = bench::nowMs();
    work();
    return (bench::nowMs() - start) / 1000.0;
}

// Every byte of the decoded WAVE stream, in the parser's steps; how many there were.
uint64_t decodeThroughWaveStream(const std::wstring& path) {
    auto decoder = AudioDecoder::open(openFileInput(path), AudioDecoder::Channels::AsRecorded);
    if (!decoder) return 0;
    WaveStream wave(std::move(decoder));
    std::vector<uint8_t> buffer(kReadBytes);
    uint64_t at = 0;
    for (; at < wave.size(); at += buffer.size()) {
        if (!wave.read(at, buffer.data(), std::min<uint64_t>(buffer.size(), wave.size() - at))) break;
    }
    return at;
}

int readFile(void* opaque, uint8_t* buffer, int size) {
    const int got = static_cast<EncodedInput*>(opaque)->read(buffer, size);
    return got > 0 ? got : AVERROR_EOF;
}

// FFmpeg's decoding alone, reading the file as the program does: packets to frames, nothing
// converted or copied.
uint64_t decodeBare(const std::wstring& path) {
    const FfmpegApi& api = *ffmpegApi();
    const auto input = openFileInput(path);
    const int ioBytes = 64 * 1024;
    AVIOContext* io = api.avio_alloc_context(
        static_cast<unsigned char*>(api.av_malloc(ioBytes)), ioBytes, 0, input.get(), readFile, nullptr, nullptr);
    AVFormatContext* container = api.avformat_alloc_context();
    container->pb = io;
    if (api.avformat_open_input(&container, nullptr, nullptr, nullptr) < 0) return 0;
    api.avformat_find_stream_info(container, nullptr);
    const AVCodec* codec = nullptr;
    const int stream = api.av_find_best_stream(container, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    AVCodecContext* context = api.avcodec_alloc_context3(codec);
    api.avcodec_parameters_to_context(context, container->streams[stream]->codecpar);
    context->thread_count = 1;
    api.avcodec_open2(context, codec, nullptr);
    AVPacket* packet = api.av_packet_alloc();
    AVFrame* frame = api.av_frame_alloc();
    uint64_t samples = 0;
    while (api.av_read_frame(container, packet) >= 0) {
        if (packet->stream_index == stream && api.avcodec_send_packet(context, packet) >= 0) {
            while (api.avcodec_receive_frame(context, frame) == 0) samples += frame->nb_samples;
        }
        api.av_packet_unref(packet);
    }
    api.av_frame_free(&frame);
    api.av_packet_free(&packet);
    api.avcodec_free_context(&context);
    api.avformat_close_input(&container);
    api.av_free(io->buffer);
    api.avio_context_free(&io);
    return samples;
}

std::shared_ptr<Player> imageTrack(const std::wstring& image, HWND window) {
    const FileSourceRenderer audio(image);
    return std::make_shared<PlayerOfCue>(
        audio, L"C:\\image.cue", L"10 Track", kTrackStart, kTrackStop, window, WM_APP, WM_APP + 1);
}

// The first second of the track as the graph would first read it: decoded for the FLAC,
// read from the disk for the WAV.
void readFirstSecond(const std::wstring& image, bool decoded) {
    std::vector<uint8_t> second(44100 * 4);
    if (decoded) {
        auto decoder = AudioDecoder::open(openFileInput(image), AudioDecoder::Channels::AsRecorded);
        if (decoder && decoder->seek(uint64_t(kTrackStart / kMediaTimePerSecond) * 44100))
            decoder->read(second.data(), 44100);
        return;
    }
    const auto input = openFileInput(image);
    if (input && input->seek(44 + kTrackStart / kMediaTimePerSecond * 44100 * 4))
        input->read(second.data(), int(second.size()));
}

// What a track's player adds to private memory once it has played two seconds.
double playingMemory(const std::wstring& image, HWND window) {
    const SIZE_T before = privateBytes();
    bench::PeakSampler sampler;
    auto player = imageTrack(image, window);
    if (!player->play()) return 0;
    const DWORD started = GetTickCount();
    while (player->position() < 2 && GetTickCount() - started < 30000) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(20);  // the pace of this loop, not a wait for an outcome
    }
    const double added = double(sampler.stop()) - double(before);
    player.reset();
    return added;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fputs("usage: decode_bench LONG_FLAC IMAGE_FLAC IMAGE_WAV [ROUNDS]\n", stderr);
        return 2;
    }
    const std::wstring longFlac = argv[1], imageFlac = argv[2], imageWav = argv[3];
    const int rounds = argc > 4 ? std::max(_wtoi(argv[4]), 1) : 5;
    if (!ffmpegApi()) {
        std::fwprintf(stderr, L"FFmpeg is not usable: %ls\n", ffmpegLoadError().c_str());
        return 1;
    }
    CoInitialize(nullptr);
    const HWND window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);

    std::vector<double> ours, bare;
    uint64_t bytes = 0, samples = 0;
    bench::alternate(
        rounds, [&] { ours.push_back(secondsOf([&] { bytes = decodeThroughWaveStream(longFlac); })); },
        [&] { bare.push_back(secondsOf([&] { samples = decodeBare(longFlac); })); });
    std::printf("decoding %.1f minutes of FLAC: ours %.3f s (%llu bytes of WAVE), FFmpeg alone %.3f s\n",
        double(samples) / 44100 / 60, median(ours), (unsigned long long)bytes, median(bare));

    std::vector<double> flacOpen, wavOpen;
    const auto openTrack = [&](const std::wstring& image, bool decoded) {
        return secondsOf([&] {
            imageTrack(image, window);
            readFirstSecond(image, decoded);
        });
    };
    bench::alternate(
        rounds, [&] { flacOpen.push_back(openTrack(imageFlac, true)); },
        [&] { wavOpen.push_back(openTrack(imageWav, false)); });
    std::printf("a track 45 minutes into the image: FLAC %.3f s, WAV %.3f s\n", median(flacOpen), median(wavOpen));

    playingMemory(imageWav, window);  // the platform's first graph and the DLLs' pages are not the players'
    const double flacMemory = playingMemory(imageFlac, window), wavMemory = playingMemory(imageWav, window);
    std::printf(
        "private memory while playing: FLAC image %.1f MB, WAV image %.1f MB\n", flacMemory / 1e6, wavMemory / 1e6);

    std::printf("ratio decode %.2f\n", median(ours) / median(bare));
    std::printf("ratio image_seek %.2f\n", median(flacOpen) / median(wavOpen));
    std::printf("ratio decode_memory %.2f\n", wavMemory > 0 ? flacMemory / wavMemory : 0.0);
    DestroyWindow(window);
    CoUninitialize();
    return 0;
}
