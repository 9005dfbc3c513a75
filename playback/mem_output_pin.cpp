#include "playback/mem_output_pin.h"

#include "playback/media_type_copy.h"
#include "playback/mem_enumerators.h"
#include "playback/mem_source_filter.h"
#include "playback/subtype_detection.h"

#include <uuids.h>
#include <vfwmsgs.h>

#include <cstring>
#include <new>
#include <utility>

namespace melodrift {
namespace {

const wchar_t kPinName[] = L"Output";

bool passes(const AM_MEDIA_TYPE& type, const GUID* majortype, const GUID* subtype) {
    return (!majortype || type.majortype == *majortype) && (!subtype || type.subtype == *subtype);
}

}  // namespace

MemOutputPin::MemOutputPin(MemSourceFilter& filter) : ComPart(filter) {
    for (AM_MEDIA_TYPE& type : types_) {
        std::memset(&type, 0, sizeof type);
        type.majortype = MEDIATYPE_Stream;
        type.subtype = GUID_NULL;
        type.bFixedSizeSamples = TRUE;
        type.bTemporalCompression = FALSE;
        type.lSampleSize = 1;
        type.formattype = GUID_NULL;
    }
}

// The connection type is freed by Disconnect; the graph disconnects every pin before
// it lets a filter go. A filter released while still connected frees it here.
MemOutputPin::~MemOutputPin() { deleteMediaType(connectionType_); }

bool MemOutputPin::detectMediaType(const std::vector<uint8_t>& bytes) {
    if (findStreamSubtype(bytes.data(), static_cast<uint32_t>(bytes.size()), types_[0])) {
        typeCount_ = 2;
        return true;
    }
    types_[0] = types_[1];
    typeCount_ = 1;
    return false;
}

MemAsyncReader& MemOutputPin::reader() { return owner_.reader(); }

HRESULT MemOutputPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    if (!receivePin) return E_POINTER;
    // Held while the receiver accepts, as Wine's source pins do: the receiver may call
    // back on this thread, and nobody else sees a connection half made.
    const CriticalSectionLock lock(owner_.filterLock());
    if (connectedTo_) return VFW_E_ALREADY_CONNECTED;
    if (owner_.state() != State_Stopped) return VFW_E_NOT_STOPPED;

    const GUID* majortype = type && type->majortype != GUID_NULL ? &type->majortype : nullptr;
    const GUID* subtype = type && type->subtype != GUID_NULL ? &type->subtype : nullptr;
    if (majortype && subtype) {
        AM_MEDIA_TYPE* copy = createMediaTypeCopy(*type);
        return copy ? attempt(receivePin, copy) : E_OUTOFMEMORY;
    }
    if (tryReceiverTypes(receivePin, majortype, subtype) == S_OK) return S_OK;
    return tryOwnTypes(receivePin, majortype, subtype);
}

HRESULT MemOutputPin::tryReceiverTypes(IPin* receivePin, const GUID* majortype, const GUID* subtype) {
    ComPtr<IEnumMediaTypes> offered;
    if (FAILED(receivePin->EnumMediaTypes(offered.put())) || !offered) return S_FALSE;
    AM_MEDIA_TYPE* type = nullptr;
    while (offered->Next(1, &type, nullptr) == S_OK) {
        if (!type) continue;  // a careless enumerator; nothing to try
        if (!passes(*type, majortype, subtype)) {
            deleteMediaType(type);
            continue;
        }
        if (SUCCEEDED(attempt(receivePin, type))) return S_OK;
    }
    return S_FALSE;
}

HRESULT MemOutputPin::tryOwnTypes(IPin* receivePin, const GUID* majortype, const GUID* subtype) {
    for (ULONG i = 0; i < typeCount_; ++i) {
        if (!passes(types_[i], majortype, subtype)) continue;
        AM_MEDIA_TYPE* copy = createMediaTypeCopy(types_[i]);
        if (copy && SUCCEEDED(attempt(receivePin, copy))) return S_OK;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT MemOutputPin::attempt(IPin* receivePin, AM_MEDIA_TYPE* type) {
    connectedTo_ = ComPtr<IPin>::retain(receivePin);
    connectionType_ = type;
    readerRequested_ = false;
    HRESULT hr = receivePin->ReceiveConnection(this, type);
    if (SUCCEEDED(hr) && !readerRequested_) {
        // A push-model input: it would never read, so the connection is of no use.
        (void)receivePin->Disconnect();  // the attempt fails either way
        hr = E_FAIL;
    }
    if (FAILED(hr)) {
        deleteMediaType(connectionType_);
        connectionType_ = nullptr;
        connectedTo_.reset();
        return hr;
    }
    return S_OK;
}

HRESULT MemOutputPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) { return E_NOTIMPL; }

HRESULT MemOutputPin::Disconnect() {
    ComPtr<IPin> released;  // let go after the lock: the peer's last release may call back
    const CriticalSectionLock lock(owner_.filterLock());
    if (!connectedTo_) return S_FALSE;
    if (owner_.state() != State_Stopped) return VFW_E_NOT_STOPPED;
    deleteMediaType(connectionType_);
    connectionType_ = nullptr;
    std::swap(released, connectedTo_);
    return S_OK;
}

HRESULT MemOutputPin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    const CriticalSectionLock lock(owner_.filterLock());
    *pin = connectedTo_.get();
    if (!*pin) return VFW_E_NOT_CONNECTED;
    (*pin)->AddRef();
    return S_OK;
}

HRESULT MemOutputPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    const CriticalSectionLock lock(owner_.filterLock());
    if (!connectedTo_ || !connectionType_) return VFW_E_NOT_CONNECTED;
    return copyMediaType(*type, *connectionType_);
}

HRESULT MemOutputPin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = &owner_;
    owner_.AddRef();
    info->dir = PINDIR_OUTPUT;
    lstrcpynW(info->achName, kPinName, sizeof info->achName / sizeof info->achName[0]);
    return S_OK;
}

HRESULT MemOutputPin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

HRESULT MemOutputPin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof kPinName));
    if (!*id) return E_OUTOFMEMORY;
    std::memcpy(*id, kPinName, sizeof kPinName);
    return S_OK;
}

HRESULT MemOutputPin::QueryAccept(const AM_MEDIA_TYPE*) { return E_NOTIMPL; }

HRESULT MemOutputPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    *types = new (std::nothrow) MemEnumMediaTypes(*this, 0);
    return *types ? S_OK : E_OUTOFMEMORY;
}

HRESULT MemOutputPin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

// These belong to input pins.
HRESULT MemOutputPin::EndOfStream() { return E_UNEXPECTED; }
HRESULT MemOutputPin::BeginFlush() { return E_UNEXPECTED; }
HRESULT MemOutputPin::EndFlush() { return E_UNEXPECTED; }
HRESULT MemOutputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return E_UNEXPECTED; }

}  // namespace melodrift
