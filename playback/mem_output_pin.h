#pragma once

#include "base/com_object.h"
#include "base/com_ptr.h"
#include "playback/dshow_interfaces.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace melodrift {

class MemAsyncReader;
class MemSourceFilter;

// The single output pin of MemSourceFilter: a byte stream (MEDIATYPE_Stream) in the
// pull model. It connects only to an input pin that takes its IAsyncReader while
// accepting the connection. A member of the filter, whose reference count it shares.
class MemOutputPin final : public ComPart<MemSourceFilter, IPin> {
public:
    explicit MemOutputPin(MemSourceFilter& filter);
    virtual ~MemOutputPin();
    MemOutputPin(const MemOutputPin&) = delete;
    MemOutputPin& operator=(const MemOutputPin&) = delete;

    // Before rendering: looks the data's subtype up in the registry's check-bytes table.
    // With a match the pin offers {Stream, subtype} and then {Stream, GUID_NULL}; without,
    // only {Stream, GUID_NULL}. Returns whether a subtype was found.
    bool detectMediaType(const std::vector<uint8_t>& bytes);
    // The reader whose setData receives the bytes to serve.
    MemAsyncReader& reader();

    // Called when the pin's identity hands out its IAsyncReader.
    void noteReaderRequested() { readerRequested_ = true; }

    // The types offered, best first (for the enumerator).
    ULONG typeCount() const { return typeCount_; }
    const AM_MEDIA_TYPE& offeredType(ULONG index) const { return types_[index]; }

    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    // One connection attempt with a task-memory type, which the pin keeps on success
    // and frees on failure.
    HRESULT attempt(IPin* receivePin, AM_MEDIA_TYPE* type);
    HRESULT tryReceiverTypes(IPin* receivePin, const GUID* majortype, const GUID* subtype);
    HRESULT tryOwnTypes(IPin* receivePin, const GUID* majortype, const GUID* subtype);

    // The connection, changed and read under the filter's lock.
    AM_MEDIA_TYPE* connectionType_ = nullptr;  // task memory, owned
    ComPtr<IPin> connectedTo_;
    AM_MEDIA_TYPE types_[2];
    ULONG typeCount_ = 1;
    // Set by QueryInterface for IAsyncReader, possibly from the receiver's thread.
    std::atomic<bool> readerRequested_{false};
};

}  // namespace melodrift
