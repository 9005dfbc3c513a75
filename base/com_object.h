#pragma once

#include <objbase.h>

#include <atomic>
#include <initializer_list>
#include <type_traits>

namespace melodrift {

// Reference counting and QueryInterface for the program's own COM objects. Primary is
// the most derived interface; Bases are the interfaces it inherits that the object also
// answers for. Counter is a plain LONG for objects used by one thread at a time, an
// atomic one for objects that other threads may release. Made with new (std::nothrow),
// starting at one reference.
template <typename Counter, typename Primary, typename... Bases>
class BasicComObject : public Primary {
    static_assert((std::is_base_of_v<Bases, Primary> && ...), "an object answers only for interfaces it inherits");

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

// One row of an identity table: an interface id and the part that answers it.
struct IdentityRow {
    const IID& iid;
    IUnknown* part;
};

template <typename Interface, typename Part>
IdentityRow answers(Part& part) {
    static_assert(std::is_base_of_v<Interface, Part>, "a part answers only for interfaces it inherits");
    return {__uuidof(Interface), static_cast<Interface*>(&part)};
}

// QueryInterface over an identity table; the first row's part also answers IUnknown.
inline HRESULT queryIdentity(REFIID iid, void** object, std::initializer_list<IdentityRow> rows) {
    if (!object) return E_POINTER;
    for (const IdentityRow& row : rows) {
        if (iid == row.iid || (iid == __uuidof(IUnknown) && &row == rows.begin())) {
            row.part->AddRef();
            *object = row.part;
            return S_OK;
        }
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// An interface that a part of a larger object implements: the owner keeps the count
// (AddRef and Release forward to it) and the identity table (its queryPart), as the
// pin of Wine's file source forwards to one place.
template <typename Owner, typename Interface>
class ComPart : public Interface {
public:
    ComPart(const ComPart&) = delete;
    ComPart& operator=(const ComPart&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return owner_.queryPart(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }

protected:
    explicit ComPart(Owner& owner) : owner_(owner) {}
    virtual ~ComPart() = default;

    Owner& owner_;
};

// For objects handed to DirectShow's streaming threads.
template <typename Primary, typename... Bases>
using SharedComObject = BasicComObject<std::atomic<LONG>, Primary, Bases...>;

}  // namespace melodrift
