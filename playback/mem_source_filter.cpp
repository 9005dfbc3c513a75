#include "playback/mem_source_filter.h"

#include "playback/mem_enumerators.h"

#include <vfwmsgs.h>

#include <cwchar>
#include <new>

namespace melodrift {

// {FD2D2E86-D456-4876-9445-24D66C9840C8}
const CLSID MemSourceFilter::classId = {0xfd2d2e86, 0xd456, 0x4876, {0x94, 0x45, 0x24, 0xd6, 0x6c, 0x98, 0x40, 0xc8}};

namespace {

// Copies at most capacity - 1 units and always terminates.
void copyName(wchar_t* target, size_t capacity, const wchar_t* source) {
    size_t length = 0;
    if (source) {
        while (length + 1 < capacity && source[length]) ++length;
        wmemcpy(target, source, length);
    }
    target[length] = L'\0';
}

}  // namespace

MemSourceFilter::MemSourceFilter() : pin_(*this), timestampScaling_(*this), reader_(*this) {}

MemSourceFilter::~MemSourceFilter() = default;

HRESULT MemSourceFilter::queryPart(REFIID iid, void** object) {
    const HRESULT hr = queryIdentity(iid, object,
        {answers<IPin>(pin_), answers<IAsyncReader>(reader_),
            answers<IAMAsyncReaderTimestampScaling>(timestampScaling_)});
    // A pull-model input takes the reader while it accepts the connection.
    if (SUCCEEDED(hr) && iid == IID_IAsyncReader) pin_.noteReaderRequested();
    return hr;
}

HRESULT MemSourceFilter::GetClassID(CLSID* id) {
    if (!id) return E_POINTER;
    *id = classId;
    return S_OK;
}

// No streaming thread of its own: the downstream parser pulls, so a state change is
// only remembered.
HRESULT MemSourceFilter::Stop() {
    state_ = State_Stopped;
    return S_OK;
}

HRESULT MemSourceFilter::Pause() {
    state_ = State_Paused;
    return S_OK;
}

HRESULT MemSourceFilter::Run(REFERENCE_TIME) {
    state_ = State_Running;
    return S_OK;
}

HRESULT MemSourceFilter::GetState(DWORD, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    *state = state_.load();
    return S_OK;
}

HRESULT MemSourceFilter::SetSyncSource(IReferenceClock* clock) {
    ComPtr<IReferenceClock> incoming = ComPtr<IReferenceClock>::retain(clock);
    const CriticalSectionLock lock(infoLock_);
    std::swap(clock_, incoming);
    return S_OK;  // the old clock is released by `incoming`, after the lock
}

HRESULT MemSourceFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    const CriticalSectionLock lock(infoLock_);
    *clock = clock_.get();
    if (*clock) (*clock)->AddRef();
    return S_OK;
}

HRESULT MemSourceFilter::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    *pins = new (std::nothrow) MemEnumPins(*this, 0);
    return *pins ? S_OK : E_OUTOFMEMORY;
}

HRESULT MemSourceFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (!pin) return E_POINTER;
    if (id && std::wcscmp(id, L"Output") == 0) {
        *pin = &pin_;
        pin_.AddRef();
        return S_OK;
    }
    *pin = nullptr;
    return VFW_E_NOT_FOUND;
}

HRESULT MemSourceFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    const CriticalSectionLock lock(infoLock_);
    *info = info_;
    if (info->pGraph) info->pGraph->AddRef();
    return S_OK;
}

// The graph owns the filter, so the filter keeps no reference back to it.
HRESULT MemSourceFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    const CriticalSectionLock lock(infoLock_);
    info_.pGraph = graph;
    copyName(info_.achName, sizeof info_.achName / sizeof info_.achName[0], graph ? name : nullptr);
    return S_OK;
}

HRESULT MemSourceFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

}  // namespace melodrift
