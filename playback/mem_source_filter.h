#pragma once

#include "base/com_object.h"
#include "base/com_ptr.h"
#include "base/critical_section.h"
#include "playback/dshow_interfaces.h"
#include "playback/mem_async_reader.h"
#include "playback/mem_output_pin.h"
#include "playback/mem_timestamp_scaling.h"

#include <atomic>

namespace melodrift {

// A source filter that serves a stream source (an archive entry decompressed whole, or
// audio decoded as it is read) through one output pin, so that it plays without a temporary file.
//
// Use:
//   const auto filter = ComPtr<MemSourceFilter>::attach(new (std::nothrow) MemSourceFilter);
//   graph->AddFilter(filter.get(), L"MemSource");          // the graph keeps its own reference
//   filter->outputPin()->detectMediaType(source->head(4096));
//   filter->outputPin()->reader().setSource(std::move(source));
//   graph->Render(filter->outputPin());
//
// The pin, the reader and the timestamp-scaling object live inside this one allocation
// and share its reference count, which the streaming threads change too.
class MemSourceFilter final : public SharedComObject<IBaseFilter, IMediaFilter, IPersist> {
public:
    MemSourceFilter();
    ~MemSourceFilter() override;

    MemOutputPin* outputPin() { return &pin_; }
    MemAsyncReader& reader() { return reader_; }
    MemAMAsyncReaderTimestampScaling& timestampScaling() { return timestampScaling_; }
    FILTER_STATE state() const { return state_.load(); }
    // The filter's lock, which the pin also takes to change or read its connection.
    CriticalSection& filterLock() { return infoLock_; }

    // The identity of the pin and its reader and timestamp-scaling parts, which
    // share the filter's count.
    HRESULT queryPart(REFIID iid, void** object);

    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) override;

    // The class id GetClassID reports; not registered anywhere.
    static const CLSID classId;

private:
    MemOutputPin pin_;
    MemAMAsyncReaderTimestampScaling timestampScaling_;
    MemAsyncReader reader_;
    std::atomic<FILTER_STATE> state_{State_Stopped};
    // The graph may set the clock while another thread asks for it; the pin's connection
    // is guarded by it too (Wine's filter_cs).
    CriticalSection infoLock_;
    ComPtr<IReferenceClock> clock_;
    FILTER_INFO info_{};  // graph pointer not counted
};

}  // namespace melodrift
