#include "playback/mem_timestamp_scaling.h"

#include "playback/mem_source_filter.h"

namespace melodrift {

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
