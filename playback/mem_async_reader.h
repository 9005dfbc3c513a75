#pragma once

#include "base/unique_handle.h"
#include "base/com_object.h"
#include "base/critical_section.h"
#include "playback/dshow_interfaces.h"
#include "playback/stream_source.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

namespace melodrift {

class MemSourceFilter;

// The output pin's IAsyncReader: serves the bytes of its stream source to the downstream parser.
// A member of MemSourceFilter, whose reference count it shares. It has no thread of its
// own: a queued request is carried out by the WaitForNext call that collects it.
// Sample times are byte positions times 10 000 000 unless the pin's
// IAMAsyncReaderTimestampScaling has been switched to raw byte positions.
class MemAsyncReader final : public ComPart<MemSourceFilter, IAsyncReader> {
public:
    explicit MemAsyncReader(MemSourceFilter& filter);
    virtual ~MemAsyncReader();
    MemAsyncReader(const MemAsyncReader&) = delete;
    MemAsyncReader& operator=(const MemAsyncReader&) = delete;

    // Takes over the stream to serve; call once, before the pin is rendered.
    void setSource(std::unique_ptr<StreamSource> source);
    void setData(std::vector<uint8_t>&& bytes);

    HRESULT STDMETHODCALLTYPE RequestAllocator(
        IMemAllocator* preferred, ALLOCATOR_PROPERTIES* properties, IMemAllocator** actual) override;
    HRESULT STDMETHODCALLTYPE Request(IMediaSample* sample, DWORD_PTR user) override;
    HRESULT STDMETHODCALLTYPE WaitForNext(DWORD timeoutMs, IMediaSample** sample, DWORD_PTR* user) override;
    HRESULT STDMETHODCALLTYPE SyncReadAligned(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE SyncRead(LONGLONG position, LONG length, BYTE* buffer) override;
    HRESULT STDMETHODCALLTYPE Length(LONGLONG* total, LONGLONG* available) override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;

private:
    bool flushing() const;
    LONGLONG toBytes(LONGLONG time) const;
    LONGLONG toTime(LONGLONG bytes) const;

    std::unique_ptr<StreamSource> source_;
    LONGLONG size_ = 0;
    // One count per queued request: the count always equals requests_.size() while
    // queueLock_ is free, so a wake-up on it always finds a request.
    KernelHandle requestSignal_;
    KernelHandle flushEvent_;    // signalled between BeginFlush and EndFlush
    CriticalSection queueLock_;  // requests_ and the test of flushEvent_
    CriticalSection waitLock_;   // one WaitForNext (or EndFlush) at a time; taken before queueLock_
    std::deque<std::pair<IMediaSample*, DWORD_PTR>> requests_;  // samples not counted
};

}  // namespace melodrift
