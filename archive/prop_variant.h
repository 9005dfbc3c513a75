#pragma once

#include <windows.h>
#include <propidl.h>

#include <cstdint>
#include <string>

namespace melodrift {

// A PROPVARIANT that the engine fills, cleared exactly once when it goes.
class PropVariant {
public:
    PropVariant() { PropVariantInit(&value_); }
    ~PropVariant() { PropVariantClear(&value_); }
    PropVariant(const PropVariant&) = delete;
    PropVariant& operator=(const PropVariant&) = delete;

    PROPVARIANT* out() {
        PropVariantClear(&value_);
        return &value_;
    }
    const PROPVARIANT& get() const { return value_; }

    bool isString() const { return value_.vt == VT_BSTR && value_.bstrVal; }
    // The whole string, however long, embedded nulls included; empty for any other type.
    std::wstring string() const;

private:
    PROPVARIANT value_;
};

// Integer values widened to 64 bits (signed types sign-extended); 0 for any other type.
uint64_t propVariantToUInt64(const PROPVARIANT& value);

}  // namespace melodrift
