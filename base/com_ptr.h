#pragma once

#include <objbase.h>

#include <utility>

namespace melodrift {

// Holds one COM reference and releases it once; the only way the program keeps
// interface pointers of other objects.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference the caller already owns.
    static ComPtr attach(T* p) {
        ComPtr result;
        result.p_ = p;
        return result;
    }

    // Takes a reference of its own to a borrowed pointer.
    static ComPtr retain(T* p) {
        if (p) p->AddRef();
        return attach(p);
    }

    void reset() {
        if (T* old = std::exchange(p_, nullptr)) old->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    template <typename U>
    HRESULT queryInto(ComPtr<U>& target) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(__uuidof(U), target.putVoid());
    }

private:
    T* p_ = nullptr;
};

}  // namespace melodrift
