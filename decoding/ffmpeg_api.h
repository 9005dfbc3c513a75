#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

#include <string>

namespace melodrift {

// The FFmpeg functions the decoder calls, resolved from the DLLs beside the executable.
// Nothing else in the program calls FFmpeg directly.
struct FfmpegApi {
    decltype(&::avutil_version) avutil_version;
    decltype(&::av_log_set_level) av_log_set_level;
    decltype(&::av_malloc) av_malloc;
    decltype(&::av_free) av_free;
    decltype(&::av_frame_alloc) av_frame_alloc;
    decltype(&::av_frame_free) av_frame_free;
    decltype(&::av_rescale_q) av_rescale_q;
    decltype(&::av_channel_layout_default) av_channel_layout_default;
    decltype(&::av_channel_layout_copy) av_channel_layout_copy;
    decltype(&::av_channel_layout_compare) av_channel_layout_compare;
    decltype(&::av_channel_layout_uninit) av_channel_layout_uninit;

    decltype(&::swresample_version) swresample_version;
    decltype(&::swr_alloc_set_opts2) swr_alloc_set_opts2;
    decltype(&::swr_init) swr_init;
    decltype(&::swr_convert) swr_convert;
    decltype(&::swr_free) swr_free;

    decltype(&::avcodec_version) avcodec_version;
    decltype(&::avcodec_find_decoder) avcodec_find_decoder;
    decltype(&::avcodec_alloc_context3) avcodec_alloc_context3;
    decltype(&::avcodec_parameters_to_context) avcodec_parameters_to_context;
    decltype(&::avcodec_open2) avcodec_open2;
    decltype(&::avcodec_send_packet) avcodec_send_packet;
    decltype(&::avcodec_receive_frame) avcodec_receive_frame;
    decltype(&::avcodec_flush_buffers) avcodec_flush_buffers;
    decltype(&::avcodec_free_context) avcodec_free_context;
    decltype(&::av_packet_alloc) av_packet_alloc;
    decltype(&::av_packet_free) av_packet_free;
    decltype(&::av_packet_unref) av_packet_unref;

    decltype(&::avformat_version) avformat_version;
    decltype(&::avformat_alloc_context) avformat_alloc_context;
    decltype(&::avformat_open_input) avformat_open_input;
    decltype(&::avformat_find_stream_info) avformat_find_stream_info;
    decltype(&::av_find_best_stream) av_find_best_stream;
    decltype(&::av_read_frame) av_read_frame;
    decltype(&::av_seek_frame) av_seek_frame;
    decltype(&::avformat_close_input) avformat_close_input;
    decltype(&::avio_alloc_context) avio_alloc_context;
    decltype(&::avio_context_free) avio_context_free;
};

// The resolved functions, or null when a DLL is missing, lacks a function or is of
// another major version than the headers the program was built with. The first call
// loads; every later call gives the same answer.
const FfmpegApi* ffmpegApi();

// What is wrong when ffmpegApi() is null (the DLL or function that failed); empty otherwise.
const std::wstring& ffmpegLoadError();

}  // namespace melodrift
