#include "playback/mem_timestamp_scaling.h"

#include "playback/mem_source_filter.h"

namespace melodrift {

HRESULT MemAMAsyncReaderTimestampScaling::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == __uuidof(IAMAsyncReaderTimestampScaling)) {
        *object = static_cast<IAMAsyncReaderTimestampScaling*>(this);
    } else if (iid == IID_IAsyncReader) {
        *object = static_cast<IAsyncReader*>(&filter_.reader());
    } else if (iid == IID_IPin || iid == IID_IUnknown) {
        *object = static_cast<IPin*>(filter_.outputPin());
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    filter_.AddRef();
    return S_OK;
}

ULONG MemAMAsyncReaderTimestampScaling::AddRef() { return filter_.AddRef(); }
ULONG MemAMAsyncReaderTimestampScaling::Release() { return filter_.Release(); }

HRESULT MemAMAsyncReaderTimestampScaling::GetTimestampMode(WINBOOL* raw) {
    if (!raw) return E_POINTER;
    *raw = rawTimestamps_.load();
    return S_OK;
}

HRESULT MemAMAsyncReaderTimestampScaling::SetTimestampMode(WINBOOL raw) {
    rawTimestamps_ = raw;
    return S_OK;
}

}  // namespace melodrift
