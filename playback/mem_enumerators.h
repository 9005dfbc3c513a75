#pragma once

#include "base/com_object.h"
#include "base/com_ptr.h"
#include "playback/dshow_interfaces.h"

namespace melodrift {

class MemOutputPin;
class MemSourceFilter;

// Enumerates the filter's single pin; holds a reference to the filter.
class MemEnumPins final : public SharedComObject<IEnumPins> {
public:
    MemEnumPins(MemSourceFilter& filter, ULONG cursor);
    ~MemEnumPins() override;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** clone) override;

private:
    ComPtr<MemSourceFilter> filter_;
    ULONG cursor_;
};

// Enumerates the types the pin offers, best first; holds a reference to the pin. The
// types are fixed before rendering, so it never reports a change.
class MemEnumMediaTypes final : public SharedComObject<IEnumMediaTypes> {
public:
    MemEnumMediaTypes(MemOutputPin& pin, ULONG cursor);
    ~MemEnumMediaTypes() override;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** clone) override;

private:
    ComPtr<MemOutputPin> pin_;
    ULONG cursor_;
};

}  // namespace melodrift
