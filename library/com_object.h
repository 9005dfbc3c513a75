#pragma once

#include <objbase.h>

namespace melodrift {

// Reference counting and QueryInterface for the program's objects that the archive
// engine calls back. Primary is the most derived interface; Bases are the interfaces
// it inherits that the object also answers for. Counts are plain: each object is
// used by one thread at a time. Made with new (std::nothrow), starting at one reference.
template <typename Primary, typename... Bases>
class ComObject : public Primary {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

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
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    LONG references_ = 1;
};

}  // namespace melodrift
