// The profiles collection, the device profile and its features: buttons,
// keys, sensitivity, lights and properties.
#include <algorithm>
#include <cstring>

#include "ComBase.h"
#include "EmulatedService.h"
#include "ExportFile.h"
#include "Collection.h"
#include "Objects.h"

namespace tarnsvc {
namespace {

using namespace devsvc;

// What every object that stands for one profile shares: its mouse, the
// profile's identity, and access to the profile under the mouse's lock.
class ProfileBound {
public:
    ProfileBound(MouseRef mouse, const GUID& id) : m_mouse(std::move(mouse)), m_id(id) {}

    Mouse* Owner() const noexcept { return m_mouse.get(); }
    const GUID& ProfileId() const noexcept { return m_id; }

protected:
    // Runs `f` on the profile for reading; kErrNotFound once it is gone.
    template <typename F>
    HRESULT WithProfile(F&& f) const {
        auto lock = m_mouse->Lock();
        ProfileState* profile = m_mouse->FindProfile(m_id);
        return profile ? f(*profile) : kErrNotFound;
    }
    // The same for a call that may change the profile (and then calls Changed).
    template <typename F>
    HRESULT ChangeProfile(F&& f) const {
        return m_mouse->Change([&] {
            ProfileState* profile = m_mouse->FindProfile(m_id);
            return profile ? f(*profile) : kErrNotFound;
        });
    }
    bool ProfileExists() const {
        auto lock = m_mouse->Lock();
        return m_mouse->FindProfile(m_id) != nullptr;
    }
    void Changed() const { m_mouse->Changed(); }  // commits; throws CallFailed

    MouseRef m_mouse;
    GUID m_id;
};

template <typename T>
bool Assign(T& field, const T& value) {
    if constexpr (std::is_trivially_copyable_v<T>) {
        if (std::memcmp(&field, &value, sizeof(T)) == 0)
            return false;
    } else {
        if (field == value)
            return false;
    }
    field = value;
    return true;
}

// Copies records in capability order into a caller's buffer of `*count`.
template <size_t N>
HRESULT CopyActions(const std::array<ActionRecord, N>& records, ULONG* count, ActionRecord* buffer) {
    const size_t written = std::min<size_t>(*count, N);
    std::copy_n(records.begin(), written, buffer);
    *count = static_cast<ULONG>(written);
    return written < N ? S_FALSE : S_OK;
}

// Stores records by id; refuses the whole call when any is not acceptable.
template <size_t N>
HRESULT StoreActions(std::array<ActionRecord, N>& table, int (*slotOf)(uint32_t), ULONG count,
                     const ActionRecord* records, bool& changed) {
    for (ULONG i = 0; i < count; ++i) {
        if (slotOf(records[i].id) < 0 || !ValidCategory(records[i].category))
            return E_INVALIDARG;
    }
    for (ULONG i = 0; i < count; ++i) {
        ActionRecord record = records[i];
        record.one = 1;
        changed = Assign(table[static_cast<size_t>(slotOf(record.id))], record) || changed;
    }
    return S_OK;
}

class ButtonsObject final : public ComObject<IDeviceButtons>, ProfileBound {
public:
    using ProfileBound::ProfileBound;

    HRESULT STDMETHODCALLTYPE Actions(ULONG* count, ActionRecord* buffer) noexcept override {
        return Guarded("Buttons.Actions", [&]() -> HRESULT {
            if (!count || (*count > 0 && !buffer))
                return E_POINTER;
            return WithProfile([&](ProfileState& p) { return CopyActions(p.buttons, count, buffer); });
        });
    }
    HRESULT STDMETHODCALLTYPE SetActions(ULONG count, const ActionRecord* records) noexcept override {
        return Guarded("Buttons.SetActions", [&]() -> HRESULT {
            if (count > 0 && !records)
                return E_POINTER;
            return ChangeProfile([&](ProfileState& p) {
                bool changed = false;
                const HRESULT hr = StoreActions(p.buttons, &ButtonSlot, count, records, changed);
                if (changed)
                    Changed();
                return hr;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Capabilities(ButtonCapabilities* out) noexcept override {
        return Guarded("Buttons.Capabilities", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            out->count = static_cast<uint32_t>(kButtons.size());
            out->mask = ButtonMask();
            return S_OK;
        });
    }
};

class KeysObject final : public ComObject<IDeviceKeys>, ProfileBound {
public:
    using ProfileBound::ProfileBound;

    HRESULT STDMETHODCALLTYPE Capabilities(KeyCapabilities* out) noexcept override {
        if (out)
            *out = {};
        return Guarded("Keys.Capabilities", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            auto* array = static_cast<ActionRecord*>(::CoTaskMemAlloc(sizeof(ActionRecord) * kKeyIds.size()));
            if (!array)
                return E_OUTOFMEMORY;
            for (size_t i = 0; i < kKeyIds.size(); ++i) {
                new (&array[i]) ActionRecord();
                array[i].id = kKeyIds[i];
            }
            out->records = array;
            out->count = static_cast<uint32_t>(kKeyIds.size());
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Actions(ULONG* count, ActionRecord* buffer) noexcept override {
        return Guarded("Keys.Actions", [&]() -> HRESULT {
            if (!count || (*count > 0 && !buffer))
                return E_POINTER;
            return WithProfile([&](ProfileState& p) { return CopyActions(p.keys, count, buffer); });
        });
    }
    HRESULT STDMETHODCALLTYPE SetActions(ULONG count, const ActionRecord* records) noexcept override {
        return Guarded("Keys.SetActions", [&]() -> HRESULT {
            if (count > 0 && !records)
                return E_POINTER;
            return ChangeProfile([&](ProfileState& p) {
                bool changed = false;
                const HRESULT hr = StoreActions(p.keys, &KeySlot, count, records, changed);
                if (changed)
                    Changed();
                return hr;
            });
        });
    }
};

class SensitivityObject final : public ComObject<ISensitivity>, ProfileBound {
public:
    using ProfileBound::ProfileBound;

    HRESULT STDMETHODCALLTYPE Current(LONG* x, LONG* y) noexcept override {
        return Guarded("Sensitivity.Current", [&]() -> HRESULT {
            if (!x || !y)
                return E_POINTER;
            return WithProfile([&](ProfileState& p) {
                *x = p.current.x;
                *y = p.current.y;
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE SetCurrent(LONG x, LONG y) noexcept override {
        return Guarded("Sensitivity.SetCurrent", [&]() -> HRESULT {
            if (!ValidCpi(x) || !ValidCpi(y))
                return E_INVALIDARG;
            return ChangeProfile([&](ProfileState& p) {
                if (Assign(p.current, StagePair{x, y}))
                    Changed();
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Limits(SensitivityLimits* out) noexcept override {
        return Guarded("Sensitivity.Limits", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            return WithProfile([&](ProfileState&) {
                *out = {kStageCount, kMinCpi, kMaxCpi};
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE ActiveStage(ULONG* stage) noexcept override {
        return Guarded("Sensitivity.ActiveStage", [&]() -> HRESULT {
            if (!stage)
                return E_POINTER;
            return WithProfile([&](ProfileState& p) {
                *stage = p.activeStage;
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE SetActiveStage(ULONG stage) noexcept override {
        return Guarded("Sensitivity.SetActiveStage", [&]() -> HRESULT {
            return ChangeProfile([&](ProfileState& p) -> HRESULT {
                if (stage < 1 || stage > p.stages.size())
                    return E_INVALIDARG;
                // Choosing a stage moves the sensor to it, as the stage button does.
                const bool changed = Assign(p.activeStage, static_cast<uint32_t>(stage));
                if (Assign(p.current, p.stages[stage - 1]) || changed)
                    Changed();
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Stages(ULONG* count, StagePair** pairs) noexcept override {
        if (pairs)
            *pairs = nullptr;
        return Guarded("Sensitivity.Stages", [&]() -> HRESULT {
            if (!count || !pairs)
                return E_POINTER;
            return WithProfile([&](ProfileState& p) -> HRESULT {
                const size_t bytes = sizeof(StagePair) * p.stages.size();
                auto* array = static_cast<StagePair*>(::CoTaskMemAlloc(bytes));
                if (!array)
                    return E_OUTOFMEMORY;
                std::memcpy(array, p.stages.data(), bytes);
                *pairs = array;
                *count = static_cast<ULONG>(p.stages.size());
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE SetStages(ULONG count, const StagePair* pairs) noexcept override {
        return Guarded("Sensitivity.SetStages", [&]() -> HRESULT {
            if (count > 0 && !pairs)
                return E_POINTER;
            if (!ValidStages(pairs, count))
                return E_INVALIDARG;
            return ChangeProfile([&](ProfileState& p) {
                const bool same = p.stages.size() == count &&
                                  std::memcmp(p.stages.data(), pairs, sizeof(StagePair) * count) == 0;
                if (!same) {
                    p.stages.assign(pairs, pairs + count);
                    p.activeStage = std::min<uint32_t>(p.activeStage, count);
                    Changed();
                }
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Range(LONG* minimum, LONG* maximum, LONG* step) noexcept override {
        return Guarded("Sensitivity.Range", [&]() -> HRESULT {
            if (!minimum || !maximum || !step)
                return E_POINTER;
            *minimum = kMinCpi;
            *maximum = kMaxCpi;
            *step = kCpiStep;
            return S_OK;
        });
    }
};

class LightObject final : public ComObject<ILight>, ProfileBound {
public:
    LightObject(MouseRef mouse, const GUID& id, size_t slot)
        : ProfileBound(std::move(mouse), id), m_slot(slot) {}

    HRESULT STDMETHODCALLTYPE On() noexcept override {
        return Guarded("Light.On", [&] { return Switch(true); });
    }
    HRESULT STDMETHODCALLTYPE Off() noexcept override {
        return Guarded("Light.Off", [&] { return Switch(false); });
    }
    HRESULT STDMETHODCALLTYPE State(ULONG* out) noexcept override {
        return Guarded("Light.State", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            return WithProfile([&](ProfileState& p) {
                *out = p.lights[m_slot] ? 1 : 0;
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Kind(ULONG* out) noexcept override {
        return Guarded("Light.Kind", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            *out = kLightKinds[m_slot];
            return S_OK;
        });
    }

private:
    HRESULT Switch(bool on) {
        return ChangeProfile([&](ProfileState& p) {
            if (Assign(p.lights[m_slot], on))
                Changed();
            return S_OK;
        });
    }

    size_t m_slot;
};

class LightsObject final : public ComObject<ILights>, ProfileBound {
public:
    using ProfileBound::ProfileBound;

    HRESULT STDMETHODCALLTYPE Item(ULONG index, ILight** out) noexcept override {
        ClearOut(out);
        return Guarded("Lights.Item", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            if (!ProfileExists())
                return kErrNotFound;
            if (index >= kLightKinds.size())
                return kErrNoMoreItems;
            return MakeObject<LightObject>(out, m_mouse, m_id, static_cast<size_t>(index));
        });
    }
};

class PropertiesObject final : public ComObject<IProperties>, ProfileBound {
public:
    using ProfileBound::ProfileBound;

    HRESULT STDMETHODCALLTYPE Get(ULONG id, ULONG, BYTE* buffer, ULONG, ULONG* size) noexcept override {
        return Guarded("Properties.Get", [&]() -> HRESULT {
            if (!size || (*size > 0 && !buffer))
                return E_POINTER;
            if (id != kPropertyProgramPath && id != kPropertyFlags && id != kPropertyDeviceLimits &&
                id != devsvc::kPropertyChangeSignal)
                return E_INVALIDARG;
            return WithProfile([&](ProfileState& p) -> HRESULT {
                if (id == devsvc::kPropertyChangeSignal) {
                    const std::wstring name = MouseChangedEventName(Owner()->Path());
                    return Give(name.c_str(), static_cast<ULONG>((name.size() + 1) * sizeof(wchar_t)), buffer, size);
                }
                if (id == kPropertyDeviceLimits) {
                    const DeviceLimits limits{static_cast<uint32_t>(kMaxMacros),
                                              static_cast<uint32_t>(kMaxMacroEvents)};
                    return Give(&limits, sizeof(limits), buffer, size);
                }
                if (id == kPropertyProgramPath) {
                    const ULONG needed = static_cast<ULONG>((p.programPath.size() + 1) * sizeof(wchar_t));
                    return Give(p.programPath.c_str(), needed, buffer, size);
                }
                return Give(&p.flags, sizeof(p.flags), buffer, size);
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Set(ULONG id, const BYTE* buffer, ULONG, ULONG size, ULONG) noexcept override {
        return Guarded("Properties.Set", [&]() -> HRESULT {
            if (size > 0 && !buffer)
                return E_POINTER;
            if (id == kPropertyProgramPath)
                return SetPath(buffer, size);
            if (id == kPropertyFlags)
                return SetFlag(buffer, size);
            return E_INVALIDARG;
        });
    }

private:
    static HRESULT Give(const void* value, ULONG needed, BYTE* buffer, ULONG* size) {
        if (*size < needed) {
            *size = needed;
            return kErrBufferTooSmall;
        }
        std::memcpy(buffer, value, needed);
        *size = needed;
        return S_OK;
    }

    HRESULT SetPath(const BYTE* buffer, ULONG size) {
        if (size % sizeof(wchar_t) != 0 || size > kProgramPathBytes)
            return E_INVALIDARG;
        wchar_t chars[kProgramPathChars] = {};
        if (size > 0)
            std::memcpy(chars, buffer, size);
        const std::wstring path(chars, wcsnlen(chars, size / sizeof(wchar_t)));
        if (path.size() >= kProgramPathChars)
            return E_INVALIDARG;  // 128 characters without a terminator
        return ChangeProfile([&](ProfileState& p) {
            if (Assign(p.programPath, path))
                Changed();
            return S_OK;
        });
    }

    HRESULT SetFlag(const BYTE* buffer, ULONG size) {
        uint16_t pair[2] = {};
        if (size != sizeof(pair))
            return E_INVALIDARG;
        std::memcpy(pair, buffer, sizeof(pair));
        const uint16_t flag = pair[0];
        if ((flag != kFlagAutoSwitch && flag != kFlagDpiOsd && flag != kFlagProfileOsd && flag != kFlagThumbKeysOff) ||
            pair[1] > 1)
            return E_INVALIDARG;
        return ChangeProfile([&](ProfileState& p) {
            const auto flags = static_cast<uint16_t>(pair[1] ? (p.flags | flag) : (p.flags & ~flag));
            if (Assign(p.flags, flags))
                Changed();
            return S_OK;
        });
    }
};

class ProfileObject final : public ComObject<IDeviceProfile>, public ProfileBound {
public:
    using ProfileBound::ProfileBound;

    HRESULT STDMETHODCALLTYPE Feature(REFIID iid, void** out) noexcept override {
        if (out)
            *out = nullptr;
        return Guarded("Profile.Feature", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            if (!ProfileExists())
                return kErrNotFound;
            if (IsEqualIID(iid, kIidButtons))
                return MakeObjectAs<ButtonsObject>(iid, out, m_mouse, m_id);
            if (IsEqualIID(iid, kIidKeys))
                return MakeObjectAs<KeysObject>(iid, out, m_mouse, m_id);
            if (IsEqualIID(iid, kIidSensitivity))
                return MakeObjectAs<SensitivityObject>(iid, out, m_mouse, m_id);
            if (IsEqualIID(iid, kIidLights))
                return MakeObjectAs<LightsObject>(iid, out, m_mouse, m_id);
            if (IsEqualIID(iid, kIidProperties))
                return MakeObjectAs<PropertiesObject>(iid, out, m_mouse, m_id);
            return E_NOINTERFACE;
        });
    }
    HRESULT STDMETHODCALLTYPE Id(GUID* out) noexcept override {
        return Guarded("Profile.Id", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            return WithProfile([&](ProfileState& p) {
                *out = p.id;
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Name(wchar_t** out) noexcept override {
        ClearOut(out);
        return Guarded("Profile.Name", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            return WithProfile([&](ProfileState& p) -> HRESULT {
                *out = TaskMemString(p.name);
                return *out ? S_OK : E_OUTOFMEMORY;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE SetName(const wchar_t* name) noexcept override {
        return Guarded("Profile.SetName", [&]() -> HRESULT {
            if (!name)
                return E_POINTER;
            const std::wstring text(name);
            if (!ValidName(text))
                return E_INVALIDARG;
            return ChangeProfile([&](ProfileState& p) {
                if (Assign(p.name, text))
                    Changed();
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Reserved7() noexcept override {
        return Guarded("Profile.Reserved7", [] { return E_NOTIMPL; });
    }
    HRESULT STDMETHODCALLTYPE Export(const wchar_t* path) noexcept override {
        return Guarded("Profile.Export", [&]() -> HRESULT {
            if (!path)
                return E_POINTER;
            std::string document;
            const HRESULT hr = WithProfile([&](ProfileState& p) {
                document = exports::ProfileDocument(p);
                return S_OK;
            });
            return FAILED(hr) ? hr : exports::WriteDocument(path, document);
        });
    }
};

struct ProfileTraits {
    using Element = ProfileState;
    using Key = GUID;
    static std::vector<ProfileState>& Items(MouseState& state) { return state.profiles; }
    static Key KeyOf(const ProfileState& profile) { return profile.id; }
    static Key KeyOf(const ProfileObject& object) { return object.ProfileId(); }
    static bool Same(const GUID& a, const GUID& b) { return SameId(a, b); }
};

class ProfilesObject final
    : public CollectionObject<IDeviceProfiles, IDeviceProfile, ProfileObject, ProfileTraits> {
public:
    explicit ProfilesObject(MouseRef mouse) : CollectionObject(std::move(mouse)) {}

    HRESULT STDMETHODCALLTYPE Item(ULONG index, IDeviceProfile** out) noexcept override {
        return ItemAt("Profiles.Item", index, out);
    }
    HRESULT STDMETHODCALLTYPE Find(GUID id, IDeviceProfile** out) noexcept override {
        return FindKey("Profiles.Find", id, out);
    }
    HRESULT STDMETHODCALLTYPE SetActive(IDeviceProfile* profile) noexcept override {
        return Guarded("Profiles.SetActive", [&]() -> HRESULT {
            const ProfileObject* target = Resolve(profile);
            if (!target)
                return profile ? E_INVALIDARG : E_POINTER;
            return m_mouse->Change([&]() -> HRESULT {
                if (!m_mouse->FindProfile(target->ProfileId()))
                    return kErrNotFound;
                if (Assign(m_mouse->State().activeProfile, target->ProfileId()))
                    m_mouse->Changed();
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Active(IDeviceProfile** out) noexcept override {
        ClearOut(out);
        return Guarded("Profiles.Active", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            GUID id{};
            {
                auto lock = m_mouse->Lock();
                id = m_mouse->State().activeProfile;
                if (!m_mouse->FindProfile(id))
                    return kErrNotFound;
            }
            return MakeObject<ProfileObject>(out, m_mouse, id);
        });
    }
    HRESULT STDMETHODCALLTYPE Create(IDeviceProfile** out) noexcept override {
        ClearOut(out);
        return Guarded("Profiles.Create", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            GUID id{};
            const HRESULT hr = m_mouse->Change([&]() -> HRESULT {
                auto& profiles = m_mouse->State().profiles;
                if (profiles.size() >= kMaxProfiles)
                    return kErrFull;
                ProfileState profile = FactoryProfile(UnusedName(L"Profile", profiles));
                id = profile.id = NewId();
                Add(std::move(profile));
                return S_OK;
            });
            return FAILED(hr) ? hr : MakeObject<ProfileObject>(out, m_mouse, id);
        });
    }
    HRESULT STDMETHODCALLTYPE Remove(IDeviceProfile* profile) noexcept override {
        return RemoveItem("Profiles.Remove", profile, [&](MouseState& state) {
            // The mouse always runs a profile while it has one.
            if (!m_mouse->FindProfile(state.activeProfile))
                state.activeProfile = state.profiles.empty() ? GUID{} : state.profiles.front().id;
        });
    }
    HRESULT STDMETHODCALLTYPE Reserved9() noexcept override {
        return Guarded("Profiles.Reserved9", [] { return E_NOTIMPL; });
    }
    HRESULT STDMETHODCALLTYPE Import(const wchar_t* path, IDeviceProfile** out) noexcept override {
        ClearOut(out);
        return Guarded("Profiles.Import", [&]() -> HRESULT {
            if (!path || !out)
                return E_POINTER;
            ProfileState profile;
            const HRESULT hr = exports::ReadProfile(path, profile);
            if (FAILED(hr))
                return hr;
            GUID id{};
            const HRESULT added = m_mouse->Change([&]() -> HRESULT {
                if (m_mouse->State().profiles.size() >= kMaxProfiles)
                    return kErrFull;
                id = profile.id = NewId();
                Add(profile);  // a copy: the change may run again
                return S_OK;
            });
            return FAILED(added) ? added : MakeObject<ProfileObject>(out, m_mouse, id);
        });
    }

private:
    // Inside a change; commits.
    void Add(ProfileState profile) {
        MouseState& state = m_mouse->State();
        if (state.profiles.empty())
            state.activeProfile = profile.id;
        state.profiles.push_back(std::move(profile));
        m_mouse->Changed();
    }

};

}  // namespace

HRESULT NewProfiles(const MouseRef& mouse, REFIID iid, void** out) {
    return MakeObjectAs<ProfilesObject>(iid, out, mouse);
}

}  // namespace tarnsvc
