#include "filter/filter_fakes.h"

namespace melodrift::test {

HRESULT FakeSample::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMediaSample) {
        *object = static_cast<IMediaSample*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT FakeSample::GetPointer(BYTE** pointer) {
    if (!pointer) return E_POINTER;
    *pointer = buffer.data();
    return S_OK;
}

HRESULT FakeSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    if (timeState == S_OK || timeState == VFW_S_NO_STOP_TIME) *start = this->start;
    if (timeState == S_OK) *stop = this->stop;
    return timeState;
}

HRESULT FakeSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    setTimes(*start, *stop);
    return S_OK;
}

HRESULT FakeSample::SetSyncPoint(WINBOOL sync) {
    syncPoint = sync != FALSE;
    return S_OK;
}

HRESULT FakeSample::SetActualDataLength(long length) {
    if (length > GetSize()) return VFW_E_BUFFER_OVERFLOW;
    actualLength = length;
    return S_OK;
}

HRESULT FakeSample::GetMediaType(AM_MEDIA_TYPE** type) {
    *type = nullptr;
    return S_FALSE;
}

HRESULT FakeInputPin::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPin) {
        *object = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT FakeInputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
    triedSubtypes.push_back(type->subtype);
    if (!accepts(*type)) return VFW_E_TYPE_NOT_ACCEPTED;
    if (takesReader) return connector->QueryInterface(IID_IAsyncReader, reader.putVoid());
    return S_OK;
}

HRESULT FakeInputPin::Disconnect() {
    ++disconnects;
    reader.reset();
    return S_OK;
}

HRESULT FakeInputPin::QueryDirection(PIN_DIRECTION* direction) {
    *direction = PINDIR_INPUT;
    return S_OK;
}

HRESULT FakeInputPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!offers) return E_NOTIMPL;
    return offers->EnumMediaTypes(types);
}

}  // namespace melodrift::test
