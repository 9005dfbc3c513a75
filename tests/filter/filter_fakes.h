#pragma once

// Stand-ins for what the platform cannot hand a test directly: a media sample with its
// own buffer, and a downstream input pin that may or may not take the reader.

#include "base/com_ptr.h"
#include "playback/dshow_interfaces.h"

#include <vfwmsgs.h>

#include <functional>
#include <vector>

namespace melodrift::test {

// Lives on the test's stack; its count is only watched, never deletes.
class FakeSample : public IMediaSample {
public:
    explicit FakeSample(long size = 4096) : buffer(size) {}
    FakeSample(LONGLONG start, LONGLONG stop, long size = 4096) : buffer(size) { setTimes(start, stop); }

    void setTimes(LONGLONG start, LONGLONG stop) {
        this->start = start;
        this->stop = stop;
        timeState = S_OK;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetPointer(BYTE** pointer) override;
    long STDMETHODCALLTYPE GetSize() override { return static_cast<long>(buffer.size()); }
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT STDMETHODCALLTYPE IsSyncPoint() override { return syncPoint ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetSyncPoint(WINBOOL sync) override;
    HRESULT STDMETHODCALLTYPE IsPreroll() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetPreroll(WINBOOL) override { return S_OK; }
    long STDMETHODCALLTYPE GetActualDataLength() override { return actualLength; }
    HRESULT STDMETHODCALLTYPE SetActualDataLength(long length) override;
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** type) override;
    HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDiscontinuity() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetDiscontinuity(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG*, LONGLONG*) override { return VFW_E_MEDIA_TIME_NOT_SET; }
    HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }

    std::vector<BYTE> buffer;
    LONGLONG start = 0, stop = 0;
    HRESULT timeState = VFW_E_SAMPLE_TIME_NOT_SET;  // what GetTime answers
    long actualLength = -1;
    bool syncPoint = false;
    ULONG refs = 1;
};

// A downstream input pin. A pull-model one (takesReader) asks the connecting pin for
// IAsyncReader while accepting, as a parser does; `accepts` decides which types it takes.
// `offers` (optional) is what its EnumMediaTypes hands out.
class FakeInputPin : public IPin {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    bool takesReader = true;
    std::function<bool(const AM_MEDIA_TYPE&)> accepts = [](const AM_MEDIA_TYPE&) { return true; };
    ComPtr<IPin> offers;  // a pin whose EnumMediaTypes stands for this one's
    std::vector<GUID> triedSubtypes;
    int disconnects = 0;
    ComPtr<IAsyncReader> reader;
    ULONG refs = 1;
};

}  // namespace melodrift::test
