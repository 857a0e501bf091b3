#include "device/Mouse.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>

#include "device/Records.h"
#include "macro/Macro.h"
#include "model/IniFile.h"
#include "model/MouseConfig.h"

using win::ComPtr;
using win::CoTaskMemOut;

struct devlink::WriteJob {
    std::shared_ptr<WorkerState> state;
    uint32_t product = 0;
    uint32_t flags = 0;
    DWORD settleDelay = CMouse::kSettleDelayMs;
    std::vector<uint32_t> buttonBits;
    std::vector<uint32_t> keyIds;
    std::vector<std::unique_ptr<CMouseProfile>> profiles;
    int32_t current = -1;  // index into profiles
    std::vector<CMacro> macros;
    int32_t pollingChoice = -1;
    int32_t accelerationLevel = 0;
    bool accelerationEnabled = false;
    std::vector<ColourRange> colourRanges;
};

namespace {

// Bounds every walk over a device collection, so a service that never says
// "past the end" cannot hold us forever.
constexpr ULONG kCollectionLimit = 1024;
// More records than any mouse has keys; a larger count is not trusted.
constexpr ULONG kRecordLimit = 256;

bool IsNull(const GUID& id) {
    return id == GUID{};
}

bool SameName(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

template <typename Owner, typename T>
bool GetFeature(Owner* owner, REFIID iid, ComPtr<T>& out) {
    out.reset();
    if (!owner || FAILED(owner->Feature(iid, out.put_void())) || !out) {
        out.reset();
        return false;
    }
    return true;
}

// The contract marks the end of a collection only by a failing Item, so a
// call that fails inside the collection looks like its end. A walk is
// trusted as complete only when a second walk counts the same number.
template <typename Item, typename Collection>
ULONG CountItems(Collection* collection) {
    ULONG count = 0;
    for (; count < kCollectionLimit; ++count) {
        ComPtr<Item> item;
        if (FAILED(collection->Item(count, item.put())) || !item)
            break;
    }
    return count;
}

template <typename Item>
bool ReadName(Item* item, std::wstring& out) {
    CoTaskMemOut<wchar_t> text;
    if (FAILED(item->Name(text.put())))
        return false;
    out = text.get() ? text.get() : L"";
    return true;
}

// Creates the service and keeps the first device of the product.
bool OpenLink(uint32_t product, devlink::Link& link) {
    link.Close();
    ComPtr<devsvc::IDeviceEnumerator> service;
    HRESULT hr = CoCreateInstance(devsvc::kClassId, nullptr, devsvc::kClassContext, devsvc::kIidEnumerator,
                                  service.put_void());
    if (FAILED(hr) || !service)
        return false;
    for (ULONG index = 0; index < kCollectionLimit; ++index) {
        ComPtr<devsvc::IDevice> device;
        if (FAILED(service->Device(index, device.put())) || !device)
            break;
        devsvc::InfoRecord info = {};
        hr = device->Info(&info);
        CoTaskMemFree(info.text);
        if (FAILED(hr) || info.productId != product)
            continue;
        link.service = std::move(service);
        link.device = std::move(device);
        return true;
    }
    return false;
}

// ---- profile properties ---------------------------------------------------

struct FlagPair {
    uint16_t flag;
    uint16_t value;
};
static_assert(sizeof(FlagPair) == 4);

bool SetFlag(devsvc::IProperties* props, uint16_t flag, bool on) {
    FlagPair pair = {flag, static_cast<uint16_t>(on ? 1 : 0)};
    return SUCCEEDED(
        props->Set(devsvc::kPropertyFlags, reinterpret_cast<const BYTE*>(&pair), 0, sizeof(pair), 0));
}

bool WriteProperties(devsvc::IDeviceProfile* device, CMouseProfile& profile) {
    if (FAILED(device->SetName(profile.GetName().c_str())))
        return false;
    ComPtr<devsvc::IProperties> props;
    if (!GetFeature(device, devsvc::kIidProperties, props))
        return false;
    // A path that does not fit would name another program: it is not sent,
    // and the step reports the failure after the display flags.
    const std::wstring& path = profile.GetProgramPath();
    const bool pathFits = path.size() < records::kProgramPathChars;
    if (pathFits) {
        // An empty path is sent too, so removing the program reaches the mouse.
        wchar_t buffer[records::kProgramPathChars] = {};
        wmemcpy(buffer, path.c_str(), path.size());
        if (FAILED(props->Set(devsvc::kPropertyProgramPath, reinterpret_cast<const BYTE*>(buffer), 0,
                              records::kProgramPathBytes, 0)))
            return false;
        if (!SetFlag(props.get(), devsvc::kFlagAutoSwitch, profile.GetAutoSwitch()))
            return false;
    }
    if (!SetFlag(props.get(), devsvc::kFlagDpiOsd, profile.GetDpiOsd()))
        return false;
    if (!SetFlag(props.get(), devsvc::kFlagProfileOsd, profile.GetProfileOsd()))
        return false;
    return pathFits;
}

bool ReadProperties(devsvc::IDeviceProfile* device, CMouseProfile& profile) {
    std::wstring name;
    GUID id = {};
    if (!ReadName(device, name) || FAILED(device->Id(&id)))
        return false;
    ComPtr<devsvc::IProperties> props;
    if (!GetFeature(device, devsvc::kIidProperties, props))
        return false;
    wchar_t buffer[records::kProgramPathChars] = {};
    ULONG size = records::kProgramPathBytes;
    if (FAILED(props->Get(devsvc::kPropertyProgramPath, 0, reinterpret_cast<BYTE*>(buffer), 0, &size)))
        return false;
    uint16_t mask = 0;
    ULONG maskSize = sizeof(mask);
    if (FAILED(props->Get(devsvc::kPropertyFlags, 0, reinterpret_cast<BYTE*>(&mask), 0, &maskSize)))
        return false;
    const size_t chars = std::min<size_t>(size, records::kProgramPathBytes) / sizeof(wchar_t);
    profile.SetName(name.c_str());
    profile.SetId(id);
    profile.SetProgramPath(std::wstring(buffer, wcsnlen(buffer, chars)).c_str());
    profile.SetAutoSwitch((mask & devsvc::kFlagAutoSwitch) != 0);
    profile.SetDpiOsd((mask & devsvc::kFlagDpiOsd) != 0);
    profile.SetProfileOsd((mask & devsvc::kFlagProfileOsd) != 0);
    return true;
}

// ---- sensitivity ----------------------------------------------------------

bool ReadLimits(devsvc::IDeviceProfile* device, CMouseProfile& profile) {
    ComPtr<devsvc::ISensitivity> sensitivity;
    if (!GetFeature(device, devsvc::kIidSensitivity, sensitivity))
        return false;
    devsvc::SensitivityLimits limits = {};
    LONG minimum = 0, maximum = 0, step = 0;
    if (FAILED(sensitivity->Limits(&limits)) || FAILED(sensitivity->Range(&minimum, &maximum, &step)))
        return false;
    const int32_t count = static_cast<int32_t>(std::clamp<uint32_t>(limits.stageCount, 1, kMaxStages));
    // A new stage array would drop the values the profile holds.
    if (count != profile.GetStageCount())
        profile.SetStageCount(count);
    profile.SetSensitivityRange(limits.minimum, limits.maximum, step);
    return true;
}

bool WriteSensitivity(devsvc::IDeviceProfile* device, CMouseProfile& profile) {
    ComPtr<devsvc::ISensitivity> sensitivity;
    if (!GetFeature(device, devsvc::kIidSensitivity, sensitivity))
        return false;
    // A mouse cycles through at least one stage.
    const int32_t inUse = std::clamp(profile.GetStagesInUse(), 1, std::max(profile.GetStageCount(), 1));
    std::vector<devsvc::StagePair> pairs;
    for (int32_t stage = 1; stage <= inUse; ++stage) {
        SensitivityStage s;
        s.value = profile.GetStageValue(stage);
        s.x = profile.GetStageX(stage);
        s.y = profile.GetStageY(stage);
        s.flag = profile.GetStageFlag(stage) ? 1 : 0;
        pairs.push_back(records::StagePairOf(s));
    }
    if (FAILED(sensitivity->SetStages(static_cast<ULONG>(pairs.size()), pairs.data())))
        return false;
    ULONG deviceStage = 0;
    if (FAILED(sensitivity->ActiveStage(&deviceStage)))
        return false;
    const int32_t wanted = profile.GetActiveStage();
    if (wanted >= 1 && static_cast<ULONG>(wanted) != deviceStage &&
        FAILED(sensitivity->SetActiveStage(static_cast<ULONG>(wanted))))
        return false;
    if (profile.GetSeparateXY())
        return SUCCEEDED(sensitivity->SetCurrent(profile.GetSensitivityX(), profile.GetSensitivityY()));
    return SUCCEEDED(sensitivity->SetCurrent(profile.GetSensitivity(), profile.GetSensitivity()));
}

bool ReadSensitivity(devsvc::IDeviceProfile* device, CMouseProfile& profile) {
    ComPtr<devsvc::ISensitivity> sensitivity;
    if (!GetFeature(device, devsvc::kIidSensitivity, sensitivity))
        return false;
    ULONG count = 0;
    CoTaskMemOut<devsvc::StagePair> pairs;
    if (FAILED(sensitivity->Stages(&count, pairs.put())) || (count > 0 && !pairs.get()))
        return false;
    LONG x = 0, y = 0;
    ULONG active = 0;
    if (FAILED(sensitivity->Current(&x, &y)) || FAILED(sensitivity->ActiveStage(&active)))
        return false;
    // Stages beyond the profile's array have no place in it.
    const int32_t stages =
        std::min<int32_t>(static_cast<int32_t>(std::min<ULONG>(count, kMaxStages)), profile.GetStageCount());
    for (int32_t stage = 1; stage <= stages; ++stage) {
        const SensitivityStage s = records::StageFromPair(pairs.get()[stage - 1]);
        profile.SetStageValue(stage, s.value);
        profile.SetStageX(stage, s.x);
        profile.SetStageY(stage, s.y);
        profile.SetStageFlag(stage, s.flag != 0);
    }
    profile.SetActiveStage(static_cast<int32_t>(std::min<ULONG>(active, kMaxStages)));
    profile.SetSeparateXY(x != y);
    profile.SetSensitivityX(x);
    profile.SetSensitivityY(y);
    profile.SetSensitivity(std::min(x, y));
    profile.SetStagesInUse(static_cast<int32_t>(std::min<ULONG>(count, kMaxStages)));
    return true;
}

// ---- lights ---------------------------------------------------------------

bool TransferLights(devsvc::IDeviceProfile* device, CMouseProfile& profile, bool write) {
    ComPtr<devsvc::ILights> lights;
    if (!GetFeature(device, devsvc::kIidLights, lights))
        return false;
    ULONG index = 0;
    for (; index < kCollectionLimit; ++index) {
        ComPtr<devsvc::ILight> light;
        if (FAILED(lights->Item(index, light.put())) || !light)
            break;
        ULONG kind = 0;
        if (FAILED(light->Kind(&kind)))
            return false;
        if (kind != devsvc::kLightScrollWheel && kind != devsvc::kLightUnderGlow)
            continue;
        const bool scroll = kind == devsvc::kLightScrollWheel;
        if (write) {
            const bool on = scroll ? profile.GetScrollLight() : profile.GetUnderGlowLight();
            if (FAILED(on ? light->On() : light->Off()))
                return false;
        } else {
            ULONG state = 0;
            if (FAILED(light->State(&state)))
                return false;
            if (scroll)
                profile.SetScrollLight(state != 0);
            else
                profile.SetUnderGlowLight(state != 0);
        }
    }
    return CountItems<devsvc::ILight>(lights.get()) == index;
}

// ---- assignments ----------------------------------------------------------

// Turns a by-name assignment into its by-identity form; false when the
// target is unknown or not on the mouse, so the button keeps its function.
bool Resolve(Assignment& assignment, const devlink::WriteJob& job) {
    if (assignment.code == kFunctionProfileByName) {
        const std::wstring name = AssignmentName(assignment);
        for (const auto& profile : job.profiles) {
            if (inifile::EqualIgnoringCase(profile->GetName(), name)) {
                if (IsNull(profile->GetId()))
                    return false;
                assignment = MakeAssignment(kFunctionProfileById);
                SetAssignmentId(assignment, profile->GetId());
                return true;
            }
        }
        return false;
    }
    if (assignment.code == kFunctionMacroByName) {
        const std::wstring name = AssignmentName(assignment);
        for (const CMacro& macro : job.macros) {
            if (SameName(macro.Name(), name.c_str())) {
                if (!macro.HasId())
                    return false;
                assignment = MakeAssignment(kFunctionMacroById);
                SetAssignmentId(assignment, macro.Id());
                return true;
            }
        }
        return false;
    }
    return true;
}

bool WriteAssignments(devsvc::IDeviceProfile* device, CMouseProfile& profile, const devlink::WriteJob& job) {
    ComPtr<devsvc::IDeviceButtons> buttons;
    ComPtr<devsvc::IDeviceKeys> keys;
    if (!GetFeature(device, devsvc::kIidButtons, buttons) || !GetFeature(device, devsvc::kIidKeys, keys))
        return false;
    // A failed send marks the section but the other buttons still go.
    bool ok = true;
    for (uint32_t bit : job.buttonBits) {
        const int32_t index = records::ButtonIndexForBit(bit);
        if (index == 0)
            continue;
        Assignment assignment = profile.GetButtonAssignment(index);
        if (!Resolve(assignment, job))
            continue;
        const devsvc::ActionRecord record =
            records::EncodeAssignment(assignment, records::DeviceButtonId(index));
        if (FAILED(buttons->SetActions(1, &record)))
            ok = false;
    }
    for (uint32_t key : job.keyIds) {
        Assignment assignment = profile.GetThumbKeysEnabled()
                                    ? profile.GetKeyAssignment(static_cast<int32_t>(key))
                                    : MakeAssignment(kFunctionButtonOff);
        if (!Resolve(assignment, job))
            continue;
        const devsvc::ActionRecord record = records::EncodeAssignment(assignment, key);
        if (FAILED(keys->SetActions(1, &record)))
            ok = false;
    }
    return ok;
}

bool ReadAssignments(devsvc::IDeviceProfile* device, CMouseProfile& profile, size_t buttonCount,
                     size_t keyCount) {
    ComPtr<devsvc::IDeviceButtons> buttons;
    ComPtr<devsvc::IDeviceKeys> keys;
    if (!GetFeature(device, devsvc::kIidButtons, buttons) || !GetFeature(device, devsvc::kIidKeys, keys))
        return false;
    std::vector<devsvc::ActionRecord> buffer(std::max(buttonCount, keyCount));
    if (buttonCount > 0) {
        ULONG count = static_cast<ULONG>(buttonCount);
        if (FAILED(buttons->Actions(&count, buffer.data())))
            return false;
        for (ULONG i = 0; i < std::min<ULONG>(count, static_cast<ULONG>(buttonCount)); ++i) {
            const int32_t index = records::ButtonIndexForDeviceId(buffer[i].id);
            if (index != 0)
                profile.SetButtonAssignment(index, records::DecodeAction(buffer[i]));
        }
    }
    if (keyCount > 0) {
        ULONG count = static_cast<ULONG>(keyCount);
        if (FAILED(keys->Actions(&count, buffer.data())))
            return false;
        bool anyOn = false;
        for (ULONG i = 0; i < std::min<ULONG>(count, static_cast<ULONG>(keyCount)); ++i) {
            const Assignment assignment = records::DecodeAction(buffer[i]);
            anyOn = anyOn || assignment.code != kFunctionButtonOff;
            profile.SetKeyAssignment(static_cast<int32_t>(buffer[i].id), assignment);
        }
        profile.SetThumbKeysEnabled(anyOn);
    }
    return true;
}

// ---- macros ---------------------------------------------------------------

bool SendEvents(devsvc::IMacroItem* item, const MacroEvents& events) {
    const std::vector<uint8_t> buffer = macrobuf::FromEvents(events);
    return SUCCEEDED(item->SetEvents(buffer.data(), static_cast<ULONG>(buffer.size())));
}

// Identifier, name and events of a device macro; events empty when it has none.
bool ReadMacroItem(devsvc::IMacroItem* item, CMacro& macro) {
    GUID id = {};
    std::wstring name;
    CoTaskMemOut<BYTE> buffer;
    ULONG size = 0;
    if (FAILED(item->Id(&id)) || !ReadName(item, name) || FAILED(item->Events(buffer.put(), &size)))
        return false;
    MacroEvents events;
    macrobuf::ToEvents(buffer.get(), buffer.get() ? size : 0, events);
    macro.SetId(id);
    macro.SetName(name.c_str());
    macro.SetEvents(events);
    return true;
}

// Creates the macro on the mouse; the identifier is stored only when the
// macro is there completely.
bool CreateDeviceMacro(devsvc::IDevice* device, CMacro& macro) {
    if (macro.Events().empty())
        return false;
    ComPtr<devsvc::IMacros> macros;
    if (!GetFeature(device, devsvc::kIidMacros, macros))
        return false;
    ComPtr<devsvc::IMacroItem> item;
    if (FAILED(macros->Create(item.put())) || !item)
        return false;
    GUID id = {};
    if (FAILED(item->Id(&id)) || IsNull(id) || !SendEvents(item.get(), macro.Events()) ||
        FAILED(item->SetName(macro.Name()))) {
        macros->Remove(item.get());
        return false;
    }
    macro.SetId(id);
    return true;
}

bool FindMacroItem(devsvc::IMacros* macros, const GUID& id, ComPtr<devsvc::IMacroItem>& item) {
    item.reset();
    if (IsNull(id) || FAILED(macros->Find(id, item.put())) || !item) {
        item.reset();
        return false;
    }
    return true;
}

bool WriteMacros(devsvc::IMacros* macros, const devlink::WriteJob& job) {
    bool ok = true;
    for (const CMacro& macro : job.macros) {
        // Without an identity it has no events: nothing goes to the mouse.
        if (!macro.HasId())
            continue;
        ComPtr<devsvc::IMacroItem> item;
        CMacro stored;
        if (!FindMacroItem(macros, macro.Id(), item) || !ReadMacroItem(item.get(), stored)) {
            ok = false;
            continue;
        }
        const bool renamed = wcscmp(stored.Name(), macro.Name()) != 0;
        if (renamed && FAILED(item->SetName(macro.Name()))) {
            ok = false;
            continue;
        }
        if (stored.Events() != macro.Events() && !SendEvents(item.get(), macro.Events()))
            ok = false;
    }
    return ok;
}

bool ReadMacros(devsvc::IDevice* device, CMouseConfig& config) {
    ComPtr<devsvc::IMacros> macros;
    if (!GetFeature(device, devsvc::kIidMacros, macros))
        return false;
    bool ok = true;
    ULONG index = 0;
    for (; index < kCollectionLimit; ++index) {
        ComPtr<devsvc::IMacroItem> item;
        if (FAILED(macros->Item(index, item.put())) || !item)
            break;
        CMacro read;
        if (!ReadMacroItem(item.get(), read)) {
            ok = false;
            continue;
        }
        if (CMacro* known = config.FindMacroById(read.Id())) {
            known->SetName(read.Name());
            known->SetEvents(read.Events());
            continue;
        }
        // A name the list already holds (ignoring case) cannot be added twice.
        if (CMacro* added = config.CreateMacro(read.Name(), read.Events()))
            added->SetId(read.Id());
    }
    // A macro missing from the list would be removed from the mouse by the next write.
    return CountItems<devsvc::IMacroItem>(macros.get()) == index && ok;
}

// ---- device-wide sections -------------------------------------------------

bool WriteAcceleration(devsvc::IDevice* device, const devlink::WriteJob& job) {
    ComPtr<devsvc::IAcceleration> acceleration;
    if (!GetFeature(device, devsvc::kIidAcceleration, acceleration))
        return false;
    if (FAILED(acceleration->SetLevel(static_cast<ULONG>(std::max(job.accelerationLevel, 0)))))
        return false;
    return SUCCEEDED(job.accelerationEnabled ? acceleration->Enable() : acceleration->Disable());
}

bool ReadAcceleration(devsvc::IDevice* device, CMouseConfig& config) {
    ComPtr<devsvc::IAcceleration> acceleration;
    if (!GetFeature(device, devsvc::kIidAcceleration, acceleration))
        return false;
    ULONG level = 0;
    BOOL enabled = FALSE;
    if (FAILED(acceleration->Level(&level)) || FAILED(acceleration->Enabled(&enabled)))
        return false;
    config.SetAccelerationLevel(static_cast<int32_t>(std::min<ULONG>(level, INT32_MAX)));
    config.SetAccelerationEnabled(enabled != FALSE);
    return true;
}

bool WritePolling(devsvc::IDevice* device, const devlink::WriteJob& job) {
    const uint32_t interval = records::PollingIntervalForChoice(job.pollingChoice);
    if (interval == 0)
        return false;
    ComPtr<devsvc::IPolling> polling;
    return GetFeature(device, devsvc::kIidPolling, polling) && SUCCEEDED(polling->SetInterval(interval));
}

bool ReadPolling(devsvc::IDevice* device, CMouseConfig& config) {
    ComPtr<devsvc::IPolling> polling;
    ULONG interval = 0;
    if (!GetFeature(device, devsvc::kIidPolling, polling) || FAILED(polling->Interval(&interval)))
        return false;
    config.SetPollingRateChoice(records::PollingChoiceForInterval(interval));
    return true;
}

bool WriteColourRanges(devsvc::IDevice* device, const devlink::WriteJob& job) {
    ComPtr<devsvc::IColourRanges> ranges;
    if (!GetFeature(device, devsvc::kIidColourRanges, ranges))
        return false;
    for (ULONG guard = 0; guard < kCollectionLimit; ++guard) {
        ComPtr<devsvc::IColourRange> item;
        if (FAILED(ranges->Item(0, item.put())) || !item)
            break;
        if (FAILED(ranges->Remove(item.get())))
            return false;
    }
    if (CountItems<devsvc::IColourRange>(ranges.get()) != 0)
        return false;
    for (const ColourRange& range : job.colourRanges) {
        ComPtr<devsvc::IColourRange> item;
        ComPtr<devsvc::IColourRangeColour> colour;
        if (FAILED(ranges->Add(item.put())) || !item || FAILED(item->SetBounds(range.lower, range.upper)) ||
            !item.As(devsvc::kIidColourRangeColour, colour) || FAILED(colour->SetColour(range.colour)))
            return false;
    }
    return CountItems<devsvc::IColourRange>(ranges.get()) == job.colourRanges.size();
}

bool ReadColourRanges(devsvc::IDevice* device, CMouseConfig& config) {
    ComPtr<devsvc::IColourRanges> ranges;
    if (!GetFeature(device, devsvc::kIidColourRanges, ranges))
        return false;
    std::vector<ColourRange> read;
    for (ULONG index = 0; index < kCollectionLimit; ++index) {
        ComPtr<devsvc::IColourRange> item;
        if (FAILED(ranges->Item(index, item.put())) || !item)
            break;
        ComPtr<devsvc::IColourRangeColour> colour;
        LONG lower = 0, upper = 0;
        ULONG value = 0;
        if (FAILED(item->Bounds(&lower, &upper)) || !item.As(devsvc::kIidColourRangeColour, colour) ||
            FAILED(colour->Colour(&value)))
            return false;
        read.push_back({value, lower, upper});
    }
    if (CountItems<devsvc::IColourRange>(ranges.get()) != read.size())
        return false;
    // A mouse without ranges leaves the configuration's as they are.
    if (read.empty())
        return true;
    config.ClearColourRanges();
    for (const ColourRange& range : read)
        config.AddColourRange(range);
    return true;
}

// ---- the worker's write ---------------------------------------------------

bool WriteSections(devsvc::IDevice* device, devlink::WriteJob& job) {
    ComPtr<devsvc::IDeviceProfiles> profiles;
    if (!GetFeature(device, devsvc::kIidProfiles, profiles))
        return false;
    bool ok = true;
    ComPtr<devsvc::IDeviceProfile> active;
    for (size_t i = 0; i < job.profiles.size(); ++i) {
        CMouseProfile& profile = *job.profiles[i];
        ComPtr<devsvc::IDeviceProfile> target;
        // A profile the mouse does not know is skipped; the others are still
        // written, but the write as a whole has failed.
        if (IsNull(profile.GetId()) || FAILED(profiles->Find(profile.GetId(), target.put())) || !target) {
            ok = false;
            continue;
        }
        ok = WriteProperties(target.get(), profile) && ok;
        if (job.flags & CMouse::kSectionSensitivity)
            ok = WriteSensitivity(target.get(), profile) && ok;
        if (job.flags & CMouse::kSectionAssignments)
            ok = WriteAssignments(target.get(), profile, job) && ok;
        if (job.flags & CMouse::kSectionLights)
            ok = TransferLights(target.get(), profile, true) && ok;
        if (static_cast<int32_t>(i) == job.current)
            active = target;
    }
    if (job.flags & CMouse::kSectionAcceleration)
        ok = WriteAcceleration(device, job) && ok;
    if (job.flags & CMouse::kSectionPolling)
        ok = WritePolling(device, job) && ok;
    ComPtr<devsvc::IMacros> macros;
    if (!GetFeature(device, devsvc::kIidMacros, macros))
        return false;
    if (job.flags & CMouse::kSectionMacros)
        ok = WriteMacros(macros.get(), job) && ok;
    if ((job.flags & CMouse::kSectionColourRanges) && job.product == records::kProductWithColourRanges)
        ok = WriteColourRanges(device, job) && ok;
    if (!active || FAILED(profiles->SetActive(active.get())))
        return false;
    return ok;
}

}  // namespace

// ---- CMouse -----------------------------------------------------------------

CMouse::CMouse() : m_state(std::make_shared<devlink::WorkerState>()) {}

CMouse::~CMouse() {
    if (m_worker) {
        // A write that takes longer is left to finish on its own state.
        WaitForSingleObject(m_worker.get(), kDestroyWaitMs);
        m_worker.reset();
    }
    Reset();
}

bool CMouse::Connect() {
    if (IsBusy() || m_product == 0 || m_link.device)
        return false;
    m_found = OpenLink(m_product, m_link) ? 1 : 0;
    return m_found != 0;
}

bool CMouse::Initialize(CMouseConfig* config, const uint16_t* productId) {
    m_product = productId ? *productId : 0;
    m_buttonBits.clear();
    m_keyIds.clear();
    m_pollingIntervals.clear();
    if (!Connect())
        return false;
    bool ok = true;
    devsvc::InfoRecord info = {};
    const HRESULT hr = m_link.device->Info(&info);
    CoTaskMemFree(info.text);
    if (SUCCEEDED(hr)) {
        m_firmwareVersion = records::VersionText(info.firmwareMajor, info.firmwareMinor);
        m_driverVersion = records::VersionText(info.driverMajor, info.driverMinor);
    } else {
        ok = false;
    }
    if (!config || !ReadProfileList(*config))
        ok = false;
    if (config)
        config->SetAccelerationRange(1, 10);
    if (!ReadPollingIntervals())
        ok = false;
    Disconnect();
    return ok && m_found != 0;
}

bool CMouse::ReadProfileList(CMouseConfig& config) {
    ComPtr<devsvc::IDeviceProfiles> profiles;
    if (!GetFeature(m_link.device.get(), devsvc::kIidProfiles, profiles))
        return false;
    config.ClearProfiles();
    for (ULONG index = 0; index < kCollectionLimit; ++index) {
        ComPtr<devsvc::IDeviceProfile> device;
        if (FAILED(profiles->Item(index, device.put())) || !device)
            break;
        std::wstring name;
        GUID id = {};
        if (!ReadName(device.get(), name) || FAILED(device->Id(&id)))
            return false;
        CMouseProfile* profile = config.CreateProfile(name.c_str());
        if (!profile)
            return false;
        profile->SetId(id);
        if (!ReadLimits(device.get(), *profile))
            return false;
    }
    // A profile missing from the list would be removed from the mouse by the
    // next write; and a mouse always holds one.
    const ULONG listed = static_cast<ULONG>(config.GetProfileCount());
    if (listed == 0 || CountItems<devsvc::IDeviceProfile>(profiles.get()) != listed)
        return false;
    ComPtr<devsvc::IDeviceProfile> active;
    if (FAILED(profiles->Active(active.put())) || !active)
        return false;
    return ReadCapabilities(active.get());
}

bool CMouse::ReadCapabilities(devsvc::IDeviceProfile* active) {
    ComPtr<devsvc::IDeviceButtons> buttons;
    ComPtr<devsvc::IDeviceKeys> keys;
    if (!GetFeature(active, devsvc::kIidButtons, buttons) || !GetFeature(active, devsvc::kIidKeys, keys))
        return false;
    devsvc::ButtonCapabilities caps = {};
    ULONG keyCount = 0;
    CoTaskMemOut<devsvc::ActionRecord> keyRecords;
    if (FAILED(buttons->Capabilities(&caps)) || FAILED(keys->Capabilities(&keyCount, keyRecords.put())))
        return false;
    if (caps.count == 0 || keyCount == 0 || !keyRecords.get())
        return false;
    m_buttonBits = records::SupportedButtonBits(caps.mask, caps.count);
    m_keyIds.clear();
    for (ULONG i = 0; i < std::min(keyCount, kRecordLimit); ++i)
        m_keyIds.push_back(keyRecords.get()[i].id);
    return true;
}

bool CMouse::ReadPollingIntervals() {
    ComPtr<devsvc::IPolling> polling;
    ULONG count = 0;
    CoTaskMemOut<ULONG> intervals;
    if (!GetFeature(m_link.device.get(), devsvc::kIidPolling, polling) ||
        FAILED(polling->Supported(&count, intervals.put())) || (count > 0 && !intervals.get()))
        return false;
    m_pollingIntervals.assign(intervals.get(), intervals.get() + std::min(count, kRecordLimit));
    return true;
}

void CMouse::Reset() {
    Disconnect();
    m_found = 0;
    m_buttonBits.clear();
    m_keyIds.clear();
    m_pollingIntervals.clear();
}

int CMouse::GetPollingRateCount() {
    return static_cast<int>(m_pollingIntervals.size());
}

int CMouse::GetPollingRate(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_pollingIntervals.size())
        return 0;
    return static_cast<int>(m_pollingIntervals[static_cast<size_t>(index)]);
}

int CMouse::GetMaxProfiles() {
    return records::kMaxProfiles;
}

int CMouse::GetDeviceProfileCount() {
    if (!Connect())
        return 0;
    int count = 0;
    ComPtr<devsvc::IDeviceProfiles> profiles;
    if (GetFeature(m_link.device.get(), devsvc::kIidProfiles, profiles)) {
        for (ULONG index = 0; index < kCollectionLimit; ++index) {
            ComPtr<devsvc::IDeviceProfile> profile;
            if (FAILED(profiles->Item(index, profile.put())) || !profile)
                break;
            ++count;
        }
    }
    Disconnect();
    return count;
}

bool CMouse::IsBusy() {
    return m_state->busy.load();
}

bool CMouse::CreateMacro(CMacro* macro) {
    return macro && m_link.device && CreateDeviceMacro(m_link.device.get(), *macro);
}

bool CMouse::LoadMacro(GUID id, CMacro* macro) {
    ComPtr<devsvc::IMacros> macros;
    ComPtr<devsvc::IMacroItem> item;
    return macro && GetFeature(m_link.device.get(), devsvc::kIidMacros, macros) &&
           FindMacroItem(macros.get(), id, item) && ReadMacroItem(item.get(), *macro);
}

bool CMouse::DeleteAllMacros() {
    ComPtr<devsvc::IMacros> macros;
    if (!GetFeature(m_link.device.get(), devsvc::kIidMacros, macros))
        return false;
    for (ULONG guard = 0; guard < kCollectionLimit; ++guard) {
        ComPtr<devsvc::IMacroItem> item;
        if (FAILED(macros->Item(0, item.put())) || !item)
            return CountItems<devsvc::IMacroItem>(macros.get()) == 0;
        if (FAILED(macros->Remove(item.get())))
            return false;
    }
    return false;
}

bool CMouse::ImportMacro(const wchar_t* path, CMouseConfig* config) {
    if (!path || !config || !Connect())
        return false;
    bool ok = false;
    ComPtr<devsvc::IMacros> macros;
    ComPtr<devsvc::IMacroItem> item;
    if (GetFeature(m_link.device.get(), devsvc::kIidMacros, macros) &&
        SUCCEEDED(macros->Import(path, item.put())) && item) {
        CMacro read;
        // Only a macro with events that the list can take is kept; anything
        // else leaves both the list and the mouse as they were.
        if (ReadMacroItem(item.get(), read) && !read.Events().empty()) {
            if (CMacro* added = config->CreateMacro(read.Name(), read.Events())) {
                added->SetId(read.Id());
                added->SetSourcePath(path);
                ok = true;
            }
        }
        if (!ok)
            macros->Remove(item.get());
    }
    Disconnect();
    return ok;
}

bool CMouse::ExportMacro(const wchar_t* path, CMacro* macro) {
    if (!path || !macro || !macro->HasId() || !Connect())
        return false;
    ComPtr<devsvc::IMacros> macros;
    ComPtr<devsvc::IMacroItem> item;
    const bool ok = GetFeature(m_link.device.get(), devsvc::kIidMacros, macros) &&
                    FindMacroItem(macros.get(), macro->Id(), item) && SUCCEEDED(item->Export(path));
    Disconnect();
    return ok;
}

bool CMouse::IsMacroOnDevice(CMacro* macro) {
    if (!macro || !macro->HasId() || !Connect())
        return false;
    ComPtr<devsvc::IMacros> macros;
    ComPtr<devsvc::IMacroItem> item;
    const bool ok = GetFeature(m_link.device.get(), devsvc::kIidMacros, macros) &&
                    FindMacroItem(macros.get(), macro->Id(), item);
    Disconnect();
    return ok;
}

bool CMouse::ImportProfile(const wchar_t* path, CMouseConfig* config) {
    if (!path || !config || !Connect())
        return false;
    bool ok = false;
    ComPtr<devsvc::IDeviceProfiles> profiles;
    ComPtr<devsvc::IDeviceProfile> device;
    if (GetFeature(m_link.device.get(), devsvc::kIidProfiles, profiles) &&
        SUCCEEDED(profiles->Import(path, device.put())) && device) {
        std::wstring name;
        GUID id = {};
        CMouseProfile* profile = nullptr;
        if (ReadName(device.get(), name) && SUCCEEDED(device->Id(&id))) {
            // A new profile brings the default device-wide settings along;
            // an imported profile must not change the user's.
            const int32_t polling = config->GetPollingRateChoice();
            const int32_t level = config->GetAccelerationLevel();
            const bool accelerated = config->GetAccelerationEnabled();
            profile = config->CreateProfile(name.c_str());
            config->SetPollingRateChoice(polling);
            config->SetAccelerationLevel(level);
            config->SetAccelerationEnabled(accelerated);
        }
        if (profile) {
            profile->SetId(id);
            ok = ReadLimits(device.get(), *profile) && ReadProperties(device.get(), *profile) &&
                 ReadSensitivity(device.get(), *profile) &&
                 ReadAssignments(device.get(), *profile, m_buttonBits.size(), m_keyIds.size()) &&
                 TransferLights(device.get(), *profile, false);
            // A profile read only in part is not kept: neither here nor on the mouse.
            if (!ok)
                config->Delete(profile);
        }
        if (!ok)
            profiles->Remove(device.get());
    }
    Disconnect();
    return ok;
}

bool CMouse::ExportProfile(const wchar_t* path, CMouseProfile* profile) {
    if (!path || !profile || IsNull(profile->GetId()) || !Connect())
        return false;
    ComPtr<devsvc::IDeviceProfiles> profiles;
    ComPtr<devsvc::IDeviceProfile> device;
    const bool ok = GetFeature(m_link.device.get(), devsvc::kIidProfiles, profiles) &&
                    SUCCEEDED(profiles->Find(profile->GetId(), device.put())) && device &&
                    SUCCEEDED(device->Export(path));
    Disconnect();
    return ok;
}

bool CMouse::IsProfileOnDevice(CMouseProfile* profile) {
    if (!profile || IsNull(profile->GetId()) || !Connect())
        return false;
    ComPtr<devsvc::IDeviceProfiles> profiles;
    ComPtr<devsvc::IDeviceProfile> device;
    const bool ok = GetFeature(m_link.device.get(), devsvc::kIidProfiles, profiles) &&
                    SUCCEEDED(profiles->Find(profile->GetId(), device.put())) && device;
    Disconnect();
    return ok;
}

bool CMouse::Synchronize(CMouseConfig* config, int direction, uint32_t flags) {
    if (!config)
        return false;
    if (direction == kDirectionWrite)
        return StartWrite(*config, flags);
    if (direction != kDirectionRead || !Connect())
        return false;
    const bool ok = ReadSections(*config, flags);
    Disconnect();
    return ok;
}

bool CMouse::ReadSections(CMouseConfig& config, uint32_t flags) {
    devsvc::IDevice* device = m_link.device.get();
    ComPtr<devsvc::IDeviceProfiles> profiles;
    if (!GetFeature(device, devsvc::kIidProfiles, profiles))
        return false;
    GUID activeId = {};
    {
        ComPtr<devsvc::IDeviceProfile> active;
        if (FAILED(profiles->Active(active.put())) || !active || FAILED(active->Id(&activeId)))
            activeId = GUID{};
    }
    // A failed section fails the read; the other profiles and sections are
    // still read.
    bool ok = true;
    ULONG index = 0;
    for (; index < kCollectionLimit; ++index) {
        ComPtr<devsvc::IDeviceProfile> target;
        if (FAILED(profiles->Item(index, target.put())) || !target)
            break;
        GUID id = {};
        if (FAILED(target->Id(&id))) {
            ok = false;
            continue;
        }
        CMouseProfile* profile = IsNull(id) ? nullptr : config.FindById(id);
        if (!profile)
            continue;
        if (!IsNull(activeId) && id == activeId)
            config.SetCurrentProfile(profile);
        ok = ReadProperties(target.get(), *profile) && ok;
        bool chain = true;
        if (flags & kSectionSensitivity)
            chain = ReadSensitivity(target.get(), *profile);
        if (chain && (flags & kSectionAssignments))
            chain = ReadAssignments(target.get(), *profile, m_buttonBits.size(), m_keyIds.size());
        if (chain && (flags & kSectionLights))
            chain = TransferLights(target.get(), *profile, false);
        ok = chain && ok;
    }
    ok = CountItems<devsvc::IDeviceProfile>(profiles.get()) == index && ok;
    if (flags & kSectionAcceleration)
        ok = ReadAcceleration(device, config) && ok;
    if (flags & kSectionPolling)
        ok = ReadPolling(device, config) && ok;
    if (flags & kSectionMacros)
        ok = ReadMacros(device, config) && ok;
    if ((flags & kSectionColourRanges) && m_product == records::kProductWithColourRanges)
        ok = ReadColourRanges(device, config) && ok;
    return ok;
}

bool CMouse::PrepareDevice(CMouseConfig& config, uint32_t flags) {
    devsvc::IDevice* device = m_link.device.get();
    ComPtr<devsvc::IDeviceProfiles> profiles;
    if (!GetFeature(device, devsvc::kIidProfiles, profiles))
        return false;
    // Removing first keeps the profile limit from refusing a profile that
    // takes the place of a deleted one.
    ULONG kept = 0;
    for (ULONG guard = 0; guard < kCollectionLimit; ++guard) {
        ComPtr<devsvc::IDeviceProfile> profile;
        if (FAILED(profiles->Item(kept, profile.put())) || !profile)
            break;
        GUID id = {};
        if (FAILED(profile->Id(&id)))
            return false;
        if (!IsNull(id) && config.FindById(id)) {
            ++kept;
            continue;
        }
        if (FAILED(profiles->Remove(profile.get())))
            return false;
    }
    for (int32_t i = 0; i < config.GetProfileCount(); ++i) {
        CMouseProfile* profile = config.ProfileAt(i);
        if (!IsNull(profile->GetId()))
            continue;
        ComPtr<devsvc::IDeviceProfile> created;
        if (FAILED(profiles->Create(created.put())) || !created)
            return false;
        GUID id = {};
        if (FAILED(created->Id(&id)) || IsNull(id) || FAILED(created->SetName(profile->GetName().c_str()))) {
            profiles->Remove(created.get());
            return false;
        }
        profile->SetId(id);
        ++kept;
    }
    // A walk cut short would leave a deleted profile on the mouse.
    if (CountItems<devsvc::IDeviceProfile>(profiles.get()) != kept)
        return false;

    ComPtr<devsvc::IMacros> macros;
    if (!GetFeature(device, devsvc::kIidMacros, macros))
        return false;
    std::vector<GUID> onDevice;
    for (ULONG guard = 0; guard < kCollectionLimit; ++guard) {
        ComPtr<devsvc::IMacroItem> item;
        if (FAILED(macros->Item(static_cast<ULONG>(onDevice.size()), item.put())) || !item)
            break;
        GUID id = {};
        if (FAILED(item->Id(&id)))
            return false;
        if (!IsNull(id) && config.FindMacroById(id)) {
            onDevice.push_back(id);
            continue;
        }
        if (FAILED(macros->Remove(item.get())))
            return false;
    }
    ULONG macroCount = static_cast<ULONG>(onDevice.size());
    // Macros are created here, on the window's thread, so their identities
    // reach the configuration; the worker only updates them.
    if (flags & (kSectionMacros | kSectionAssignments)) {
        for (int32_t i = 0; i < config.GetMacroCount(); ++i) {
            CMacro* macro = config.MacroAt(i);
            if (macro->Events().empty() ||
                std::find(onDevice.begin(), onDevice.end(), macro->Id()) != onDevice.end())
                continue;
            if (!CreateDeviceMacro(device, *macro))
                return false;
            ++macroCount;
        }
    }
    return CountItems<devsvc::IMacroItem>(macros.get()) == macroCount;
}

bool CMouse::StartWrite(CMouseConfig& config, uint32_t flags) {
    if (IsBusy() || !Connect())
        return false;
    const bool prepared = PrepareDevice(config, flags);
    Disconnect();
    if (!prepared)
        return false;
    try {
        auto job = std::make_unique<devlink::WriteJob>();
        job->state = m_state;
        job->product = m_product;
        job->flags = flags;
        job->settleDelay = m_settleDelay;
        job->buttonBits = m_buttonBits;
        job->keyIds = m_keyIds;
        for (int32_t i = 0; i < config.GetProfileCount(); ++i) {
            const CMouseProfile* profile = config.ProfileAt(i);
            if (profile == config.GetCurrentProfile())
                job->current = i;
            job->profiles.push_back(std::make_unique<CMouseProfile>(*profile));
        }
        for (int32_t i = 0; i < config.GetMacroCount(); ++i)
            job->macros.push_back(*config.MacroAt(i));
        job->pollingChoice = config.GetPollingRateChoice();
        job->accelerationLevel = config.GetAccelerationLevel();
        job->accelerationEnabled = config.GetAccelerationEnabled();
        job->colourRanges = config.ColourRanges();

        // The previous worker has ended its work; only its handle is left.
        m_worker.reset();
        m_state->busy = true;
        HANDLE thread = CreateThread(nullptr, 0, &CMouse::WorkerMain, job.get(), 0, nullptr);
        if (!thread) {
            m_state->busy = false;
            return false;
        }
        job.release();  // the worker owns it now
        m_worker.reset(thread);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

DWORD WINAPI CMouse::WorkerMain(void* param) noexcept {
    std::unique_ptr<devlink::WriteJob> job(static_cast<devlink::WriteJob*>(param));
    bool ok = false;
    const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(init)) {
        try {
            devlink::Link link;
            if (OpenLink(job->product, link))
                ok = WriteSections(link.device.get(), *job);
        } catch (...) {
            ok = false;
        }
        CoUninitialize();
    }
    Sleep(job->settleDelay);
    job->state->lastResult = ok;
    job->state->busy = false;
    return ok ? 1 : 0;
}

bool CMouse::WaitUntilIdle(DWORD timeoutMs) {
    if (m_worker && IsBusy())
        WaitForSingleObject(m_worker.get(), timeoutMs);
    return !IsBusy();
}

bool CMouse::LastWriteSucceeded() const {
    return m_state->lastResult.load();
}

uint8_t CMouse::IsConnected() {
    return m_found;
}

bool CMouse::GetFirmwareVersion(std::wstring& out) {
    out = m_firmwareVersion;
    return true;
}

bool CMouse::GetDriverVersion(std::wstring& out) {
    out = m_driverVersion;
    return true;
}

uint16_t CMouse::GetProductId() {
    return static_cast<uint16_t>(m_product);
}
