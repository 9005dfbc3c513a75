#include "playback/source_renderer.h"

#include "archive/archive.h"
#include "base/com_ptr.h"
#include "decoding/encoded_input.h"
#include "decoding/ffmpeg_api.h"
#include "decoding/format_sniffing.h"
#include "decoding/wave_stream.h"
#include "playback/mem_source_filter.h"
#include "playback/stream_source.h"

#include <vfwmsgs.h>

#include <functional>
#include <new>

namespace melodrift {
namespace {

// Enough of a stream's start for every check string of the platform's table.
constexpr size_t kHeadBytes = 4096;

using InputOpener = std::function<std::unique_ptr<EncodedInput>()>;

HRESULT renderStreamSource(IGraphBuilder* graphBuilder, std::unique_ptr<StreamSource> source) {
    const auto filter = ComPtr<MemSourceFilter>::attach(new (std::nothrow) MemSourceFilter);
    if (!filter) return E_OUTOFMEMORY;
    const HRESULT hr = graphBuilder->AddFilter(filter.get(), L"MemSource");
    if (FAILED(hr)) return hr;
    MemOutputPin* pin = filter->outputPin();
    pin->detectMediaType(source->head(kHeadBytes));
    pin->reader().setSource(std::move(source));
    // The pin shares the filter's count, which this function holds until the graph keeps its own.
    return graphBuilder->Render(pin);
}

void removeAllFilters(IGraphBuilder* graphBuilder) {
    ComPtr<IEnumFilters> filters;
    if (FAILED(graphBuilder->EnumFilters(filters.put()))) return;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.put(), nullptr) == S_OK) {
        // Removing changes the list the enumerator walks: start it over.
        if (SUCCEEDED(graphBuilder->RemoveFilter(filter.get()))) filters->Reset();
    }
}

// The decoded audio as a WAVE stream, with every channel; mixed down to stereo, from the
// input opened again, when the renderer refuses more.
HRESULT renderDecoded(IGraphBuilder* graphBuilder, std::unique_ptr<EncodedInput> input, const InputOpener& open) {
    for (const auto channels : {AudioDecoder::Channels::AsRecorded, AudioDecoder::Channels::Stereo}) {
        auto decoder = AudioDecoder::open(input ? std::move(input) : open(), channels);
        if (!decoder) return VFW_E_UNSUPPORTED_STREAM;
        const bool canMixDown = channels == AudioDecoder::Channels::AsRecorded && decoder->format().channels > 2;
        const HRESULT hr =
            renderStreamSource(graphBuilder, waveStreamSource(std::make_unique<WaveStream>(std::move(decoder))));
        if (SUCCEEDED(hr) || !canMixDown) return hr;
        removeAllFilters(graphBuilder);
    }
    return VFW_E_CANNOT_RENDER;
}

// The input, when it is of a format the program decodes itself: those are decoded by it
// always, so that they play the same on every Windows; without FFmpeg they are left to the
// platform.
std::unique_ptr<EncodedInput> ownDecodedInput(const InputOpener& open) {
    if (!ffmpegApi()) return nullptr;
    auto input = open();
    return input && isOwnDecodedFormat(*input) ? std::move(input) : nullptr;
}

}  // namespace

HRESULT FileSourceRenderer::render(IGraphBuilder* graphBuilder) const {
    const InputOpener open = [this] { return openFileInput(path_); };
    if (auto input = ownDecodedInput(open)) return renderDecoded(graphBuilder, std::move(input), open);
    return graphBuilder->RenderFile(path_.c_str(), nullptr);
}

HRESULT MemorySourceRenderer::render(IGraphBuilder* graphBuilder) const {
    const InputOpener open = [this] { return memoryInput(bytes_); };
    if (auto input = ownDecodedInput(open)) return renderDecoded(graphBuilder, std::move(input), open);
    return renderStreamSource(graphBuilder, memoryStreamSource(bytes_));
}

HRESULT ZipSourceRenderer::render(IGraphBuilder* graphBuilder) const {
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    if (archive_) *bytes = archive_->extract(itemName_);
    return MemorySourceRenderer(std::move(bytes)).render(graphBuilder);
}

}  // namespace melodrift
