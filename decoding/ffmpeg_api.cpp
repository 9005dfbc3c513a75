#include "decoding/ffmpeg_api.h"

#include "base/module_paths.h"
#include "base/paths.h"
#include "base/unique_handle.h"

#include <windows.h>

#include <mutex>

namespace melodrift {
namespace {

struct LoadedApi {
    FfmpegApi api{};
    bool usable = false;
    std::wstring error;
    ModuleHandle modules[4];
};

// Resolves name into slot; false (and error set) when the module lacks it.
template <typename Function>
bool resolve(HMODULE module, const char* name, Function& slot, std::wstring& error) {
    slot = reinterpret_cast<Function>(GetProcAddress(module, name));
    if (slot) return true;
    error = L"missing function ";
    for (const char* c = name; *c; ++c) error += static_cast<wchar_t>(*c);
    return false;
}

#define MELODRIFT_RESOLVE(module, name) resolve(module, #name, loaded.api.name, loaded.error)

void load(LoadedApi& loaded) {
    // Only the DLLs beside the executable: a DLL of the same name elsewhere on the search
    // path could be any build. The altered search path lets each find its siblings there.
    const std::wstring folder = parentDirectory(modulePath());
    const wchar_t* names[] = {L"avutil-57.dll", L"swresample-4.dll", L"avcodec-59.dll", L"avformat-59.dll"};
    for (int i = 0; i < 4; ++i) {
        const std::wstring path = joinPath(folder, names[i]);
        loaded.modules[i] = ModuleHandle(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        if (!loaded.modules[i]) {
            loaded.error = L"cannot load " + path;
            return;
        }
    }
    const HMODULE avutil = loaded.modules[0].get(), swresample = loaded.modules[1].get();
    const HMODULE avcodec = loaded.modules[2].get(), avformat = loaded.modules[3].get();
    const bool resolved =
        MELODRIFT_RESOLVE(avutil, avutil_version) && MELODRIFT_RESOLVE(avutil, av_log_set_level) &&
        MELODRIFT_RESOLVE(avutil, av_malloc) && MELODRIFT_RESOLVE(avutil, av_free) &&
        MELODRIFT_RESOLVE(avutil, av_frame_alloc) && MELODRIFT_RESOLVE(avutil, av_frame_free) &&
        MELODRIFT_RESOLVE(avutil, av_rescale_q) && MELODRIFT_RESOLVE(avutil, av_channel_layout_default) &&
        MELODRIFT_RESOLVE(avutil, av_channel_layout_copy) && MELODRIFT_RESOLVE(avutil, av_channel_layout_compare) &&
        MELODRIFT_RESOLVE(avutil, av_channel_layout_uninit) && MELODRIFT_RESOLVE(swresample, swresample_version) &&
        MELODRIFT_RESOLVE(swresample, swr_alloc_set_opts2) && MELODRIFT_RESOLVE(swresample, swr_init) &&
        MELODRIFT_RESOLVE(swresample, swr_convert) && MELODRIFT_RESOLVE(swresample, swr_free) &&
        MELODRIFT_RESOLVE(avcodec, avcodec_version) && MELODRIFT_RESOLVE(avcodec, avcodec_find_decoder) &&
        MELODRIFT_RESOLVE(avcodec, avcodec_alloc_context3) &&
        MELODRIFT_RESOLVE(avcodec, avcodec_parameters_to_context) && MELODRIFT_RESOLVE(avcodec, avcodec_open2) &&
        MELODRIFT_RESOLVE(avcodec, avcodec_send_packet) && MELODRIFT_RESOLVE(avcodec, avcodec_receive_frame) &&
        MELODRIFT_RESOLVE(avcodec, avcodec_flush_buffers) && MELODRIFT_RESOLVE(avcodec, avcodec_free_context) &&
        MELODRIFT_RESOLVE(avcodec, av_packet_alloc) && MELODRIFT_RESOLVE(avcodec, av_packet_free) &&
        MELODRIFT_RESOLVE(avcodec, av_packet_unref) && MELODRIFT_RESOLVE(avformat, avformat_version) &&
        MELODRIFT_RESOLVE(avformat, avformat_alloc_context) && MELODRIFT_RESOLVE(avformat, avformat_open_input) &&
        MELODRIFT_RESOLVE(avformat, avformat_find_stream_info) && MELODRIFT_RESOLVE(avformat, av_find_best_stream) &&
        MELODRIFT_RESOLVE(avformat, av_read_frame) && MELODRIFT_RESOLVE(avformat, av_seek_frame) &&
        MELODRIFT_RESOLVE(avformat, avformat_close_input) && MELODRIFT_RESOLVE(avformat, avio_alloc_context) &&
        MELODRIFT_RESOLVE(avformat, avio_context_free);
    if (!resolved) return;
    // The structures the decoder reads are laid out as the headers say only within one
    // major version.
    const FfmpegApi& api = loaded.api;
    if (AV_VERSION_MAJOR(api.avutil_version()) != LIBAVUTIL_VERSION_MAJOR ||
        AV_VERSION_MAJOR(api.swresample_version()) != LIBSWRESAMPLE_VERSION_MAJOR ||
        AV_VERSION_MAJOR(api.avcodec_version()) != LIBAVCODEC_VERSION_MAJOR ||
        AV_VERSION_MAJOR(api.avformat_version()) != LIBAVFORMAT_VERSION_MAJOR) {
        loaded.error = L"FFmpeg DLLs of another version";
        return;
    }
    // Damaged files are expected input; FFmpeg's complaints would only go to stderr.
    api.av_log_set_level(AV_LOG_QUIET);
    loaded.usable = true;
}

#undef MELODRIFT_RESOLVE

LoadedApi& loadedApi() {
    static LoadedApi loaded;
    static std::once_flag once;
    std::call_once(once, [] { load(loaded); });
    return loaded;
}

}  // namespace

const FfmpegApi* ffmpegApi() {
    const LoadedApi& loaded = loadedApi();
    return loaded.usable ? &loaded.api : nullptr;
}

const std::wstring& ffmpegLoadError() { return loadedApi().error; }

}  // namespace melodrift
