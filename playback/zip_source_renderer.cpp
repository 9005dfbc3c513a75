#include "playback/zip_source_renderer.h"

#include "archive/archive.h"
#include "base/com_ptr.h"
#include "playback/mem_source_filter.h"

#include <new>

namespace melodrift {

HRESULT ZipSourceRenderer::render(IGraphBuilder* graphBuilder) {
    const auto filter = ComPtr<MemSourceFilter>::attach(new (std::nothrow) MemSourceFilter);
    if (!filter) return E_FAIL;
    const HRESULT hr = graphBuilder->AddFilter(filter.get(), L"MemSource");
    if (FAILED(hr)) return hr;
    // The whole entry is in memory before the graph is built; an entry that cannot be
    // extracted is served as an empty stream.
    std::vector<uint8_t> bytes;
    if (*archive_) bytes = (*archive_)->extract(*itemName_);
    MemOutputPin* pin = filter->outputPin();
    pin->detectMediaType(bytes);
    pin->reader().setData(std::move(bytes));
    // The pin shares the filter's count, which this function holds until the graph
    // keeps its own.
    return graphBuilder->Render(pin);
}

}  // namespace melodrift
