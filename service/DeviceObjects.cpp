// The connection's objects: enumerator, device, and the device-wide
// features acceleration, polling and colour ranges.
#include <algorithm>
#include <cstring>
#include <vector>

#include "ComBase.h"
#include "EmulatedService.h"
#include "Environment.h"
#include "Collection.h"
#include "Objects.h"

namespace tarnsvc {
namespace {

using namespace devsvc;

class AccelerationObject final : public ComObject<IAcceleration> {
public:
    explicit AccelerationObject(MouseRef mouse) : m_mouse(std::move(mouse)) {}

    HRESULT STDMETHODCALLTYPE Enable() noexcept override {
        return Guarded("Acceleration.Enable", [&] { return SetEnabled(true); });
    }
    HRESULT STDMETHODCALLTYPE Disable() noexcept override {
        return Guarded("Acceleration.Disable", [&] { return SetEnabled(false); });
    }
    HRESULT STDMETHODCALLTYPE Enabled(BOOL* out) noexcept override {
        return Guarded("Acceleration.Enabled", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            auto lock = m_mouse->Lock();
            *out = m_mouse->State().accelerationEnabled ? TRUE : FALSE;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE SetLevel(ULONG level) noexcept override {
        return Guarded("Acceleration.SetLevel", [&]() -> HRESULT {
            if (level < kMinAccelerationLevel || level > kMaxAccelerationLevel)
                return E_INVALIDARG;
            return m_mouse->Change([&] {
                if (m_mouse->State().accelerationLevel != level) {
                    m_mouse->State().accelerationLevel = level;
                    m_mouse->Changed();
                }
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Level(ULONG* out) noexcept override {
        return Guarded("Acceleration.Level", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            auto lock = m_mouse->Lock();
            *out = m_mouse->State().accelerationLevel;
            return S_OK;
        });
    }

private:
    HRESULT SetEnabled(bool on) {
        return m_mouse->Change([&] {
            if (m_mouse->State().accelerationEnabled != on) {
                m_mouse->State().accelerationEnabled = on;
                m_mouse->Changed();
            }
            return S_OK;
        });
    }

    MouseRef m_mouse;
};

class PollingObject final : public ComObject<IPolling> {
public:
    explicit PollingObject(MouseRef mouse) : m_mouse(std::move(mouse)) {}

    HRESULT STDMETHODCALLTYPE Interval(ULONG* ms) noexcept override {
        return Guarded("Polling.Interval", [&]() -> HRESULT {
            if (!ms)
                return E_POINTER;
            auto lock = m_mouse->Lock();
            *ms = m_mouse->State().pollingMs;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE SetInterval(ULONG ms) noexcept override {
        return Guarded("Polling.SetInterval", [&]() -> HRESULT {
            if (std::find(kPollingIntervals.begin(), kPollingIntervals.end(), ms) == kPollingIntervals.end())
                return E_INVALIDARG;
            return m_mouse->Change([&] {
                if (m_mouse->State().pollingMs != ms) {
                    m_mouse->State().pollingMs = ms;
                    m_mouse->Changed();
                }
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Supported(ULONG* count, ULONG** intervals) noexcept override {
        if (intervals)
            *intervals = nullptr;
        return Guarded("Polling.Supported", [&]() -> HRESULT {
            if (!count || !intervals)
                return E_POINTER;
            auto* array = static_cast<ULONG*>(::CoTaskMemAlloc(sizeof(kPollingIntervals)));
            if (!array)
                return E_OUTOFMEMORY;
            std::memcpy(array, kPollingIntervals.data(), sizeof(kPollingIntervals));
            *intervals = array;
            *count = static_cast<ULONG>(kPollingIntervals.size());
            return S_OK;
        });
    }

private:
    MouseRef m_mouse;
};

class RangeObject final : public ComObject<IColourRange, IColourRangeColour> {
public:
    RangeObject(MouseRef mouse, uint64_t serial) : m_mouse(std::move(mouse)), m_serial(serial) {}

    Mouse* Owner() const noexcept { return m_mouse.get(); }
    uint64_t Serial() const noexcept { return m_serial; }

    HRESULT STDMETHODCALLTYPE SetBounds(LONG lower, LONG upper) noexcept override {
        return Guarded("ColourRange.SetBounds", [&] {
            return Change([&](RangeState& range) -> HRESULT {
                if (!ValidRange(lower, upper))
                    return E_INVALIDARG;
                if (range.lower != lower || range.upper != upper) {
                    range.lower = lower;
                    range.upper = upper;
                    m_mouse->Changed();
                }
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Bounds(LONG* lower, LONG* upper) noexcept override {
        return Guarded("ColourRange.Bounds", [&]() -> HRESULT {
            if (!lower || !upper)
                return E_POINTER;
            return Read([&](RangeState& range) -> HRESULT {
                *lower = range.lower;
                *upper = range.upper;
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE SetColour(ULONG colour) noexcept override {
        return Guarded("ColourRange.SetColour", [&] {
            return Change([&](RangeState& range) -> HRESULT {
                if (range.colour != colour) {
                    range.colour = colour;
                    m_mouse->Changed();
                }
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Colour(ULONG* out) noexcept override {
        return Guarded("ColourRange.Colour", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            return Read([&](RangeState& range) -> HRESULT {
                *out = range.colour;
                return S_OK;
            });
        });
    }

private:
    template <typename F>
    HRESULT Read(F&& f) {
        auto lock = m_mouse->Lock();
        RangeState* range = m_mouse->FindRange(m_serial);
        return range ? f(*range) : kErrNotFound;
    }
    template <typename F>
    HRESULT Change(F&& f) {
        return m_mouse->Change([&] {
            RangeState* range = m_mouse->FindRange(m_serial);
            return range ? f(*range) : kErrNotFound;
        });
    }

    MouseRef m_mouse;
    uint64_t m_serial;
};

struct RangeTraits {
    using Element = RangeState;
    using Key = uint64_t;
    static std::vector<RangeState>& Items(MouseState& state) { return state.ranges; }
    static Key KeyOf(const RangeState& range) { return range.serial; }
    static Key KeyOf(const RangeObject& object) { return object.Serial(); }
    static bool Same(Key a, Key b) { return a == b; }
};

class ColourRangesObject final
    : public CollectionObject<IColourRanges, IColourRange, RangeObject, RangeTraits> {
public:
    explicit ColourRangesObject(MouseRef mouse) : CollectionObject(std::move(mouse)) {}

    HRESULT STDMETHODCALLTYPE Item(ULONG index, IColourRange** out) noexcept override {
        return ItemAt("ColourRanges.Item", index, out);
    }
    HRESULT STDMETHODCALLTYPE Add(IColourRange** out) noexcept override {
        ClearOut(out);
        return Guarded("ColourRanges.Add", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            uint64_t serial = 0;
            const HRESULT hr = m_mouse->Change([&]() -> HRESULT {
                auto& ranges = m_mouse->State().ranges;
                if (ranges.size() >= kMaxColourRanges)
                    return kErrFull;
                serial = m_mouse->NewSerial();
                ranges.push_back({0x00FFFFFF, kMinCpi, kMaxCpi, serial});
                m_mouse->Changed();
                return S_OK;
            });
            return FAILED(hr) ? hr : MakeObject<RangeObject>(out, m_mouse, serial);
        });
    }
    HRESULT STDMETHODCALLTYPE Remove(IColourRange* item) noexcept override {
        return RemoveItem("ColourRanges.Remove", item);
    }
};

class DeviceObject final : public ComObject<IDevice> {
public:
    explicit DeviceObject(MouseRef mouse) : m_mouse(std::move(mouse)) {}

    HRESULT STDMETHODCALLTYPE Info(InfoRecord* out) noexcept override {
        return Guarded("Device.Info", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            uint64_t revision = 0;
            {
                auto lock = m_mouse->Lock();
                revision = m_mouse->State().revision;
            }
            wchar_t* text = TaskMemString(L"Emulated mouse");
            if (!text)
                return E_OUTOFMEMORY;
            out->reserved = static_cast<uint32_t>(revision);
            out->productId = m_mouse->Product();
            out->driverMajor = kDriverMajor;
            out->driverMinor = kDriverMinor;
            out->firmwareMajor = kFirmwareMajor;
            out->firmwareMinor = kFirmwareMinor;
            out->text = text;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Feature(REFIID iid, void** out) noexcept override {
        if (out)
            *out = nullptr;
        return Guarded("Device.Feature", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            if (IsEqualIID(iid, kIidProfiles))
                return NewProfiles(m_mouse, iid, out);
            if (IsEqualIID(iid, kIidMacros))
                return NewMacros(m_mouse, iid, out);
            if (IsEqualIID(iid, kIidAcceleration))
                return MakeObjectAs<AccelerationObject>(iid, out, m_mouse);
            if (IsEqualIID(iid, kIidPolling))
                return MakeObjectAs<PollingObject>(iid, out, m_mouse);
            if (IsEqualIID(iid, kIidColourRanges) && m_mouse->Product() == kProductColour)
                return MakeObjectAs<ColourRangesObject>(iid, out, m_mouse);
            return E_NOINTERFACE;
        });
    }

private:
    MouseRef m_mouse;
};

// A mouse of the scenario, and whether this connection starts it afresh.
struct ScenarioMouse {
    MouseRef mouse;
    bool fresh = false;
};

class EnumeratorObject final : public ComObject<IDeviceEnumerator> {
public:
    explicit EnumeratorObject(std::vector<ScenarioMouse> mice) : m_mice(std::move(mice)) {}

    HRESULT STDMETHODCALLTYPE Device(ULONG index, IDevice** out) noexcept override {
        ClearOut(out);
        return Guarded("Enumerator.Device", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            if (index >= m_mice.size())
                return kErrNoMoreItems;
            ScenarioMouse& entry = m_mice[index];
            {
                // A mouse whose state cannot be had is not handed out: the
                // caller sees a busy mouse, never a blank one.
                auto lock = entry.fresh ? entry.mouse->LockForChange() : entry.mouse->Lock();
                if (entry.fresh) {
                    entry.mouse->ResetToFactory();
                    entry.fresh = false;
                }
            }
            return NewDevice(entry.mouse, out);
        });
    }

private:
    std::vector<ScenarioMouse> m_mice;  // `fresh` under the mouse's lock
};

// The mice of the scenario the environment names.
std::vector<ScenarioMouse> OpenMice() {
    const std::wstring scenario = EnvironmentValue(L"TARN_DEVICE_SCENARIO");
    const std::wstring path = statefile::BasePath();
    auto is = [&](const wchar_t* name) {
        return ::CompareStringOrdinal(scenario.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
    };
    std::vector<ScenarioMouse> mice;
    if (is(L"none"))
        return mice;
    if (is(L"product25")) {
        mice.push_back({MouseRef::Adopt(Mouse::Open(path + L".p25", kProductColour)), false});
        return mice;
    }
    mice.push_back({MouseRef::Adopt(Mouse::Open(path, kProductStandard)), is(L"fresh")});
    if (is(L"two"))
        mice.push_back({MouseRef::Adopt(Mouse::Open(path + L".2", kProductStandard)), false});
    return mice;
}

}  // namespace

wchar_t* TaskMemString(const std::wstring& text) noexcept {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(::CoTaskMemAlloc(bytes));
    if (copy)
        std::memcpy(copy, text.c_str(), bytes);
    return copy;
}

HRESULT NewDevice(const MouseRef& mouse, IDevice** out) {
    return MakeObject<DeviceObject>(out, mouse);
}

HRESULT CreateEnumerator(REFIID iid, void** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    try {
        return MakeObjectAs<EnumeratorObject>(iid, out, OpenMice());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace tarnsvc
