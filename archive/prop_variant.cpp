#include "archive/prop_variant.h"

#include <oleauto.h>

namespace melodrift {

std::wstring PropVariant::string() const {
    if (!isString()) return std::wstring();
    return std::wstring(value_.bstrVal, SysStringLen(value_.bstrVal));
}

uint64_t propVariantToUInt64(const PROPVARIANT& value) {
    switch (value.vt) {
    case VT_I1: return uint64_t(int64_t(value.cVal));
    case VT_I2: return uint64_t(int64_t(value.iVal));
    case VT_I4: return uint64_t(int64_t(value.lVal));
    case VT_INT: return uint64_t(int64_t(value.intVal));
    case VT_UI1: return value.bVal;
    case VT_UI2: return value.uiVal;
    case VT_UI4: return value.ulVal;
    case VT_UINT: return value.uintVal;
    case VT_I8: return uint64_t(value.hVal.QuadPart);
    case VT_UI8: return value.uhVal.QuadPart;
    default: return 0;
    }
}

}  // namespace melodrift
