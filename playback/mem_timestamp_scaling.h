#pragma once

#include "base/com_object.h"
#include "playback/dshow_interfaces.h"

#include <atomic>

namespace melodrift {

class MemSourceFilter;

// The output pin's IAMAsyncReaderTimestampScaling. A member of MemSourceFilter, whose
// reference count it shares. Off (the default), sample times in read requests are byte
// positions times 10 000 000; on, they are byte positions. The reader asks on every call.
class MemAMAsyncReaderTimestampScaling final : public ComPart<MemSourceFilter, IAMAsyncReaderTimestampScaling> {
public:
    explicit MemAMAsyncReaderTimestampScaling(MemSourceFilter& filter) : ComPart(filter) {}
    virtual ~MemAMAsyncReaderTimestampScaling() = default;
    MemAMAsyncReaderTimestampScaling(const MemAMAsyncReaderTimestampScaling&) = delete;
    MemAMAsyncReaderTimestampScaling& operator=(const MemAMAsyncReaderTimestampScaling&) = delete;

    bool rawTimestamps() const { return rawTimestamps_.load() != FALSE; }

    HRESULT STDMETHODCALLTYPE GetTimestampMode(WINBOOL* raw) override;
    HRESULT STDMETHODCALLTYPE SetTimestampMode(WINBOOL raw) override;

private:
    // Set by whoever holds the interface, read by the streaming threads.
    std::atomic<WINBOOL> rawTimestamps_{FALSE};
};

}  // namespace melodrift
