// The COM plumbing every object of the service shares: reference counting,
// QueryInterface over the interfaces an object lists, the module's object
// count, and the guard that every contract method runs in (fault injection,
// and no exception ever leaves a method).
#pragma once

#include <windows.h>

#include <atomic>
#include <new>
#include <tuple>

#include "Faults.h"
#include "device/DeviceService.h"

namespace tarnsvc {

void ObjectCreated() noexcept;
void ObjectDestroyed() noexcept;

template <typename I>
const IID& IidOf() noexcept;
template <>
inline const IID& IidOf<devsvc::IDeviceEnumerator>() noexcept {
    return devsvc::kIidEnumerator;
}
template <>
inline const IID& IidOf<devsvc::IDevice>() noexcept {
    return devsvc::kIidDevice;
}
template <>
inline const IID& IidOf<devsvc::IDeviceProfiles>() noexcept {
    return devsvc::kIidProfiles;
}
template <>
inline const IID& IidOf<devsvc::IDeviceProfile>() noexcept {
    return devsvc::kIidDeviceProfile;
}
template <>
inline const IID& IidOf<devsvc::IDeviceButtons>() noexcept {
    return devsvc::kIidButtons;
}
template <>
inline const IID& IidOf<devsvc::IDeviceKeys>() noexcept {
    return devsvc::kIidKeys;
}
template <>
inline const IID& IidOf<devsvc::ISensitivity>() noexcept {
    return devsvc::kIidSensitivity;
}
template <>
inline const IID& IidOf<devsvc::ILights>() noexcept {
    return devsvc::kIidLights;
}
template <>
inline const IID& IidOf<devsvc::ILight>() noexcept {
    return devsvc::kIidLight;
}
template <>
inline const IID& IidOf<devsvc::IProperties>() noexcept {
    return devsvc::kIidProperties;
}
template <>
inline const IID& IidOf<devsvc::IAcceleration>() noexcept {
    return devsvc::kIidAcceleration;
}
template <>
inline const IID& IidOf<devsvc::IPolling>() noexcept {
    return devsvc::kIidPolling;
}
template <>
inline const IID& IidOf<devsvc::IMacros>() noexcept {
    return devsvc::kIidMacros;
}
template <>
inline const IID& IidOf<devsvc::IMacroItem>() noexcept {
    return devsvc::kIidMacro;
}
template <>
inline const IID& IidOf<devsvc::IColourRanges>() noexcept {
    return devsvc::kIidColourRanges;
}
template <>
inline const IID& IidOf<devsvc::IColourRange>() noexcept {
    return devsvc::kIidColourRange;
}
template <>
inline const IID& IidOf<devsvc::IColourRangeColour>() noexcept {
    return devsvc::kIidColourRangeColour;
}
template <>
inline const IID& IidOf<IClassFactory>() noexcept {
    return IID_IClassFactory;
}

// An object implementing `Interfaces...`; IUnknown is answered through the
// first. Interface slots stay as the contract has them: the destructor and
// anything else an object adds come after them in its table.
// The contract's interfaces have no virtual destructor (it would shift their
// slots); objects are deleted through ComObject's own.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <typename... Interfaces>
class ComObject : public Interfaces... {
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

public:
    ComObject() noexcept { ObjectCreated(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;
    virtual ~ComObject() { ObjectDestroyed(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown))
            *out = static_cast<IUnknown*>(static_cast<First*>(this));
        else
            (Answer<Interfaces>(iid, out) || ...);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

private:
    template <typename I>
    bool Answer(REFIID iid, void** out) noexcept {
        if (!IsEqualIID(iid, IidOf<I>()))
            return false;
        *out = static_cast<I*>(this);
        return true;
    }

    std::atomic<ULONG> m_refs{1};
};
#pragma GCC diagnostic pop

// Hands a new object with its first reference to `out` as interface I.
template <typename T, typename I, typename... Args>
HRESULT MakeObject(I** out, Args&&... args) {
    T* object = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!object)
        return E_OUTOFMEMORY;
    *out = object;
    return S_OK;
}

// The same as an interface named by `iid`.
template <typename T, typename... Args>
HRESULT MakeObjectAs(REFIID iid, void** out, Args&&... args) {
    T* object = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!object)
        return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

// Thrown from deep inside a contract method when the call must fail with
// `result` (the mouse is busy, its change could not be saved); Guarded turns
// it into the method's answer.
struct CallFailed {
    HRESULT result;
};

// Runs a contract method: counts it for fault injection (a fault fails the
// call before it touches anything) and turns exceptions into results.
template <typename Body>
HRESULT Guarded(const char* operation, Body&& body) noexcept {
    try {
        if (FaultFires(operation))
            return E_FAIL;
        return body();
    } catch (const CallFailed& failure) {
        return failure.result;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// Clears an interface out-parameter first, as COM callers expect on failure.
template <typename T>
void ClearOut(T** out) noexcept {
    if (out)
        *out = nullptr;
}

}  // namespace tarnsvc
