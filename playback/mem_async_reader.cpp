#include "playback/mem_async_reader.h"

#include "base/com_ptr.h"
#include "playback/mem_source_filter.h"

#include <uuids.h>
#include <vfwmsgs.h>

#include <new>

namespace melodrift {
namespace {

constexpr LONGLONG kTimePerByte = 10000000;
const HRESULT kEndOfFile = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);

}  // namespace

MemAsyncReader::MemAsyncReader(MemSourceFilter& filter)
    : ComPart(filter),
      requestSignal_(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr)),
      flushEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

// Requests still queued are dropped without touching their samples.
MemAsyncReader::~MemAsyncReader() = default;

void MemAsyncReader::setSource(std::unique_ptr<StreamSource> source) {
    source_ = std::move(source);
    size_ = source_ ? static_cast<LONGLONG>(source_->size()) : 0;
}

void MemAsyncReader::setData(std::vector<uint8_t>&& bytes) {
    setSource(memoryStreamSource(std::make_shared<const std::vector<uint8_t>>(std::move(bytes))));
}

bool MemAsyncReader::flushing() const { return WaitForSingleObject(flushEvent_.get(), 0) == WAIT_OBJECT_0; }

LONGLONG MemAsyncReader::toBytes(LONGLONG time) const {
    return owner_.timestampScaling().rawTimestamps() ? time : time / kTimePerByte;
}

LONGLONG MemAsyncReader::toTime(LONGLONG bytes) const {
    return owner_.timestampScaling().rawTimestamps() ? bytes : bytes * kTimePerByte;
}

HRESULT MemAsyncReader::RequestAllocator(
    IMemAllocator* preferred, ALLOCATOR_PROPERTIES* properties, IMemAllocator** actual) {
    if (!actual) return E_POINTER;
    *actual = nullptr;
    if (!properties) return E_POINTER;
    ComPtr<IMemAllocator> allocator;
    if (preferred) {
        allocator = ComPtr<IMemAllocator>::retain(preferred);
    } else {
        const HRESULT hr = CoCreateInstance(
            CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator, allocator.putVoid());
        if (FAILED(hr)) return hr;
    }
    ALLOCATOR_PROPERTIES wanted = *properties;
    if (wanted.cBuffers == 0) wanted.cBuffers = 4;
    if (wanted.cbBuffer == 0) wanted.cbBuffer = 4096;
    if (wanted.cbAlign == 0) wanted.cbAlign = 1;
    ALLOCATOR_PROPERTIES granted{};
    const HRESULT hr = allocator->SetProperties(&wanted, &granted);
    if (FAILED(hr)) return hr;
    *actual = allocator.get();
    (*actual)->AddRef();
    return S_OK;
}

HRESULT MemAsyncReader::Request(IMediaSample* sample, DWORD_PTR user) {
    if (!sample) return E_POINTER;
    if (!requestSignal_ || !flushEvent_) return E_OUTOFMEMORY;
    REFERENCE_TIME start = 0, stop = 0;
    if (sample->GetTime(&start, &stop) != S_OK) return VFW_E_SAMPLE_TIME_NOT_SET;
    if (toBytes(start) >= size_) return kEndOfFile;

    const CriticalSectionLock queue(queueLock_);
    if (flushing()) return VFW_E_WRONG_STATE;
    try {
        requests_.emplace_back(sample, user);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    ReleaseSemaphore(requestSignal_.get(), 1, nullptr);
    return S_OK;
}

HRESULT MemAsyncReader::WaitForNext(DWORD timeoutMs, IMediaSample** sample, DWORD_PTR* user) {
    if (!sample || !user) return E_POINTER;
    *sample = nullptr;
    *user = 0;
    if (!requestSignal_ || !flushEvent_) return E_OUTOFMEMORY;

    const CriticalSectionLock wait(waitLock_);
    // The semaphore comes first: with both signalled the wait takes its count, so the
    // count keeps matching the queue even while a flush drains it.
    const HANDLE handles[] = {requestSignal_.get(), flushEvent_.get()};
    const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
    const bool timedOut = woken != WAIT_OBJECT_0 && woken != WAIT_OBJECT_0 + 1;

    const CriticalSectionLock queue(queueLock_);
    if (!timedOut && !requests_.empty()) {
        *sample = requests_.front().first;
        *user = requests_.front().second;
        requests_.pop_front();
    }
    if (!timedOut && !flushing() && *sample) return SyncReadAligned(*sample);

    // Flushing or timed out: an outstanding request goes back unread.
    if (*sample) {
        REFERENCE_TIME start = 0, stop = 0;
        if (SUCCEEDED((*sample)->GetTime(&start, &stop))) (*sample)->SetTime(&start, &start);
        (*sample)->SetActualDataLength(0);
    }
    return VFW_E_TIMEOUT;
}

HRESULT MemAsyncReader::SyncReadAligned(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    REFERENCE_TIME startTime = 0, stopTime = 0;
    if (sample->GetTime(&startTime, &stopTime) != S_OK) return E_FAIL;
    const LONGLONG size = size_;
    const LONGLONG start = toBytes(startTime);
    LONGLONG stop = toBytes(stopTime);
    if (start < 0) return E_FAIL;
    const bool endOfFile = stop > size;
    if (endOfFile) stop = size;
    if (stop <= start) return E_FAIL;
    if (stop - start > sample->GetSize()) return E_FAIL;

    BYTE* buffer = nullptr;
    HRESULT hr = sample->GetPointer(&buffer);
    if (FAILED(hr)) return hr;
    if (!buffer) return E_POINTER;
    const LONG length = static_cast<LONG>(stop - start);
    if (!source_->read(start, buffer, length)) return E_FAIL;
    if (endOfFile) {
        REFERENCE_TIME newStart = toTime(start), newStop = toTime(size);
        hr = sample->SetTime(&newStart, &newStop);
        if (FAILED(hr)) return hr;
    }
    hr = sample->SetActualDataLength(length);
    if (FAILED(hr)) return hr;
    (void)sample->SetSyncPoint(TRUE);  // only a hint to the parser
    return endOfFile ? S_FALSE : S_OK;
}

HRESULT MemAsyncReader::SyncRead(LONGLONG position, LONG length, BYTE* buffer) {
    if (!buffer) return E_POINTER;
    const LONGLONG size = size_;
    if (position < 0 || length < 0 || position >= size) return E_FAIL;
    const bool cut = position + length > size;
    const LONGLONG count = cut ? size - position : length;
    if (!source_->read(position, buffer, static_cast<size_t>(count))) return E_FAIL;
    return cut ? S_FALSE : S_OK;
}

HRESULT MemAsyncReader::Length(LONGLONG* total, LONGLONG* available) {
    if (!total || !available) return E_POINTER;
    *total = *available = size_;
    return S_OK;
}

HRESULT MemAsyncReader::BeginFlush() {
    if (!flushEvent_) return E_OUTOFMEMORY;
    const CriticalSectionLock queue(queueLock_);
    if (flushing()) return S_FALSE;
    SetEvent(flushEvent_.get());
    return S_OK;
}

// Waits for a WaitForNext in progress, so that a flush cannot end under it.
HRESULT MemAsyncReader::EndFlush() {
    if (!flushEvent_) return E_OUTOFMEMORY;
    const CriticalSectionLock wait(waitLock_);
    const CriticalSectionLock queue(queueLock_);
    if (!flushing()) return S_FALSE;
    ResetEvent(flushEvent_.get());
    return S_OK;
}

}  // namespace melodrift
