#pragma once

#include <objbase.h>

#include <atomic>

namespace melodrift {

// Reference counting and QueryInterface for the program's own COM objects. Primary is
// the most derived interface; Bases are the interfaces it inherits that the object also
// answers for. Counter is a plain LONG for objects used by one thread at a time, an
// atomic one for objects that other threads may release. Made with new (std::nothrow),
// starting at one reference.
template <typename Counter, typename Primary, typename... Bases>
class BasicComObject : public Primary {
public:
    BasicComObject(const BasicComObject&) = delete;
    BasicComObject& operator=(const BasicComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Primary) || ((iid == __uuidof(Bases)) || ...)) {
            *object = static_cast<Primary*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG remaining = --references_;
        if (remaining == 0) delete this;
        return ULONG(remaining);
    }

protected:
    BasicComObject() = default;
    virtual ~BasicComObject() = default;

private:
    Counter references_{1};
};

template <typename Primary, typename... Bases>
using ComObject = BasicComObject<LONG, Primary, Bases...>;

// For objects handed to DirectShow's streaming threads.
template <typename Primary, typename... Bases>
using SharedComObject = BasicComObject<std::atomic<LONG>, Primary, Bases...>;

}  // namespace melodrift
