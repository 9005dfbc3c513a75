#pragma once

#include "base/com_ptr.h"
#include "playback/dshow_interfaces.h"
#include "playback/mem_async_reader.h"
#include "playback/mem_output_pin.h"
#include "playback/mem_timestamp_scaling.h"

#include <atomic>

namespace melodrift {

// A source filter that serves a byte buffer held in memory (an archive entry
// decompressed whole) through one output pin, so that it plays without a temporary file.
//
// Use:
//   auto* filter = new (std::nothrow) MemSourceFilter;   // one reference, the creator's
//   graph->AddFilter(filter, L"MemSource");
//   filter->outputPin()->detectMediaType(bytes);
//   filter->outputPin()->reader().setData(std::move(bytes));
//   graph->Render(filter->outputPin());
//   filter->Release();                                    // the graph keeps its own
//
// The pin, the reader and the timestamp-scaling object live inside this one allocation
// and share its reference count.
class MemSourceFilter final : public IBaseFilter {
public:
    MemSourceFilter();
    virtual ~MemSourceFilter();
    MemSourceFilter(const MemSourceFilter&) = delete;
    MemSourceFilter& operator=(const MemSourceFilter&) = delete;

    MemOutputPin* outputPin() { return &pin_; }
    MemAsyncReader& reader() { return reader_; }
    MemAMAsyncReaderTimestampScaling& timestampScaling() { return timestampScaling_; }
    FILTER_STATE state() const { return state_.load(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

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
    ULONG refCount_ = 1;
    CRITICAL_SECTION refLock_;
    std::atomic<FILTER_STATE> state_{State_Stopped};
    // The graph may set the clock while another thread asks for it.
    CRITICAL_SECTION infoLock_;
    ComPtr<IReferenceClock> clock_;
    FILTER_INFO info_{};  // graph pointer not counted
};

}  // namespace melodrift
