#pragma once

#include "playback/dshow_interfaces.h"

#include <atomic>

namespace melodrift {

class MemOutputPin;
class MemSourceFilter;

// Enumerates the filter's single pin; holds a reference to the filter.
class MemEnumPins final : public IEnumPins {
public:
    MemEnumPins(MemSourceFilter& filter, ULONG cursor);
    virtual ~MemEnumPins();
    MemEnumPins(const MemEnumPins&) = delete;
    MemEnumPins& operator=(const MemEnumPins&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** clone) override;

private:
    MemSourceFilter& filter_;
    std::atomic<ULONG> refCount_{1};
    ULONG cursor_;
};

// Enumerates the types the pin offers, best first; holds a reference to the pin. The
// types are fixed before rendering, so it never reports a change.
class MemEnumMediaTypes final : public IEnumMediaTypes {
public:
    MemEnumMediaTypes(MemOutputPin& pin, ULONG cursor);
    virtual ~MemEnumMediaTypes();
    MemEnumMediaTypes(const MemEnumMediaTypes&) = delete;
    MemEnumMediaTypes& operator=(const MemEnumMediaTypes&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** clone) override;

private:
    MemOutputPin& pin_;
    std::atomic<ULONG> refCount_{1};
    ULONG cursor_;
};

}  // namespace melodrift
