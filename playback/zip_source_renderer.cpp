#include "playback/zip_source_renderer.h"

#include "archive/archive.h"
#include "playback/mem_source_filter.h"

#include <new>

namespace melodrift {

HRESULT ZipSourceRenderer::render(IGraphBuilder* graphBuilder) {
    auto* filter = new (std::nothrow) MemSourceFilter;
    if (!filter) return E_FAIL;
    HRESULT hr = graphBuilder->AddFilter(filter, L"MemSource");
    if (FAILED(hr)) {
        filter->Release();
        return hr;
    }
    // The whole entry is in memory before the graph is built; an entry that cannot be
    // extracted is served as an empty stream.
    std::vector<uint8_t> bytes;
    if (*archive_) bytes = (*archive_)->extract(*itemName_);
    MemOutputPin* pin = filter->outputPin();
    pin->detectMediaType(bytes);
    pin->reader().setData(std::move(bytes));

    pin->AddRef();
    hr = graphBuilder->Render(pin);
    pin->Release();
    filter->Release();  // the graph holds its own reference
    return hr;
}

}  // namespace melodrift
