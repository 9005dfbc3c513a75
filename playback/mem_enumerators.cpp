#include "playback/mem_enumerators.h"

#include "playback/media_type_copy.h"
#include "playback/mem_output_pin.h"
#include "playback/mem_source_filter.h"

#include <new>

namespace melodrift {

MemEnumPins::MemEnumPins(MemSourceFilter& filter, ULONG cursor)
    : filter_(ComPtr<MemSourceFilter>::retain(&filter)), cursor_(cursor) {}

MemEnumPins::~MemEnumPins() = default;

HRESULT MemEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
    if (!pins) return E_POINTER;
    if (!fetched && count > 1) return E_INVALIDARG;
    ULONG served = 0;
    if (cursor_ == 0 && count >= 1) {
        pins[0] = filter_->outputPin();
        pins[0]->AddRef();
        served = 1;
        cursor_ = 1;
    }
    if (fetched) *fetched = served;
    return served == count ? S_OK : S_FALSE;
}

HRESULT MemEnumPins::Skip(ULONG count) {
    ULONG left = count;
    if (cursor_ == 0 && left >= 1) {
        cursor_ = 1;
        --left;
    }
    return left == 0 ? S_OK : S_FALSE;
}

HRESULT MemEnumPins::Reset() {
    cursor_ = 0;
    return S_OK;
}

HRESULT MemEnumPins::Clone(IEnumPins** clone) {
    if (!clone) return E_POINTER;
    *clone = new (std::nothrow) MemEnumPins(*filter_.get(), cursor_);
    return *clone ? S_OK : E_OUTOFMEMORY;
}

MemEnumMediaTypes::MemEnumMediaTypes(MemOutputPin& pin, ULONG cursor)
    : pin_(ComPtr<MemOutputPin>::retain(&pin)), cursor_(cursor) {}

MemEnumMediaTypes::~MemEnumMediaTypes() = default;

HRESULT MemEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
    if (!types) return E_POINTER;
    if (!fetched && count > 1) return E_INVALIDARG;
    ULONG served = 0;
    while (served < count && cursor_ < pin_->typeCount()) {
        AM_MEDIA_TYPE* copy = createMediaTypeCopy(pin_->offeredType(cursor_));
        if (!copy) {
            // Never hand out a null entry: undo this call and fail it as a whole.
            for (ULONG i = 0; i < served; ++i) {
                deleteMediaType(types[i]);
                types[i] = nullptr;
            }
            cursor_ -= served;
            if (fetched) *fetched = 0;
            return E_OUTOFMEMORY;
        }
        types[served++] = copy;
        ++cursor_;
    }
    if (fetched) *fetched = served;
    return served == count ? S_OK : S_FALSE;
}

HRESULT MemEnumMediaTypes::Skip(ULONG count) {
    const ULONG left = cursor_ < pin_->typeCount() ? pin_->typeCount() - cursor_ : 0;
    const ULONG skipped = count < left ? count : left;
    cursor_ += skipped;
    return skipped == count ? S_OK : S_FALSE;
}

HRESULT MemEnumMediaTypes::Reset() {
    cursor_ = 0;
    return S_OK;
}

HRESULT MemEnumMediaTypes::Clone(IEnumMediaTypes** clone) {
    if (!clone) return E_POINTER;
    *clone = new (std::nothrow) MemEnumMediaTypes(*pin_.get(), cursor_);
    return *clone ? S_OK : E_OUTOFMEMORY;
}

}  // namespace melodrift
