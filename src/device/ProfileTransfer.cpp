#include "device/ProfileTransfer.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "device/Collections.h"
#include "device/Records.h"
#include "model/MouseProfile.h"

using win::ComPtr;
using win::CoTaskMemOut;

namespace devlink {
namespace {

struct FlagPair {
    uint16_t flag;
    uint16_t value;
};
static_assert(sizeof(FlagPair) == 4);

bool SetFlag(devsvc::IProperties* props, uint16_t flag, bool on) {
    const FlagPair pair = {flag, static_cast<uint16_t>(on ? 1 : 0)};
    auto block = TaskCopy(&pair, 1);
    return block && SUCCEEDED(props->Set(devsvc::kPropertyFlags, reinterpret_cast<const BYTE*>(block.get()), 0,
                                         sizeof(pair), 0));
}

// Reads one property into a task-allocator block of `size` bytes; the size
// read comes back in `size`.
bool GetProperty(devsvc::IProperties* props, ULONG id, win::CoTaskMemPtr<BYTE>& block, ULONG& size) {
    block = TaskArray<BYTE>(size);
    return block && SUCCEEDED(props->Get(id, 0, block.get(), 0, &size));
}

}  // namespace

bool ReadCapabilities(devsvc::IDeviceProfiles* profiles, DeviceCaps& caps) {
    ComPtr<devsvc::IDeviceProfile> active;
    if ((FAILED(profiles->Active(active.put())) || !active) && (FAILED(profiles->Item(0, active.put())) || !active))
        return false;
    ComPtr<devsvc::IDeviceButtons> buttons;
    ComPtr<devsvc::IDeviceKeys> keys;
    if (!GetFeature(active.get(), devsvc::kIidButtons, buttons) || !GetFeature(active.get(), devsvc::kIidKeys, keys))
        return false;
    devsvc::ButtonCapabilities buttonCaps = {};
    devsvc::KeyCapabilities keyCaps = {};
    const bool read = SUCCEEDED(buttons->Capabilities(&buttonCaps)) && SUCCEEDED(keys->Capabilities(&keyCaps));
    win::CoTaskMemPtr<devsvc::ActionRecord> keyRecords(keyCaps.records);
    if (!read || buttonCaps.count == 0 || keyCaps.count == 0 || !keyRecords)
        return false;
    // Never more records than the block the service returned holds.
    const size_t held = win::CoTaskMemSize(keyRecords.get()) / sizeof(devsvc::ActionRecord);
    const size_t count = std::min<size_t>({keyCaps.count, held, kRecordLimit});
    caps.buttonBits = records::SupportedButtonBits(buttonCaps.mask, buttonCaps.count);
    caps.keyIds.clear();
    for (size_t i = 0; i < count; ++i)
        caps.keyIds.push_back(keyRecords.get()[i].id);
    return !caps.keyIds.empty();
}

DeviceLimits ReadDeviceLimits(devsvc::IDeviceProfiles* profiles) {
    DeviceLimits limits;
    ComPtr<devsvc::IDeviceProfile> profile;
    ComPtr<devsvc::IProperties> props;
    if (FAILED(profiles->Item(0, profile.put())) || !profile || !GetFeature(profile.get(), devsvc::kIidProperties, props))
        return limits;
    win::CoTaskMemPtr<BYTE> block;
    ULONG size = sizeof(devsvc::DeviceLimitsRecord);
    if (!GetProperty(props.get(), devsvc::kPropertyDeviceLimits, block, size) || size < sizeof(devsvc::DeviceLimitsRecord))
        return limits;
    devsvc::DeviceLimitsRecord record = {};
    std::memcpy(&record, block.get(), sizeof(record));
    // Only figures a mouse could mean are taken.
    if (record.macros > 0 && record.macros <= 65536)
        limits.macros = static_cast<int32_t>(record.macros);
    if (record.eventsPerMacro > 0 && record.eventsPerMacro <= (1u << 20))
        limits.eventsPerMacro = static_cast<int32_t>(record.eventsPerMacro);
    return limits;
}

bool WriteProperties(devsvc::IDeviceProfile* device, const CMouseProfile& profile) {
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
        auto buffer = TaskArray<wchar_t>(records::kProgramPathChars);
        if (!buffer)
            return false;
        wmemcpy(buffer.get(), path.c_str(), path.size());
        if (FAILED(props->Set(devsvc::kPropertyProgramPath, reinterpret_cast<const BYTE*>(buffer.get()), 0,
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
    win::CoTaskMemPtr<BYTE> path;
    ULONG size = records::kProgramPathBytes;
    if (!GetProperty(props.get(), devsvc::kPropertyProgramPath, path, size))
        return false;
    win::CoTaskMemPtr<BYTE> flags;
    ULONG flagsSize = sizeof(uint16_t);
    if (!GetProperty(props.get(), devsvc::kPropertyFlags, flags, flagsSize))
        return false;
    const uint16_t mask = static_cast<uint16_t>(flags.get()[0] | flags.get()[1] << 8);
    const size_t chars = std::min<size_t>(size, records::kProgramPathBytes) / sizeof(wchar_t);
    const auto* text = reinterpret_cast<const wchar_t*>(path.get());
    profile.SetName(name.c_str());
    profile.SetId(id);
    profile.SetProgramPath(std::wstring(text, wcsnlen(text, chars)).c_str());
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

bool WriteSensitivity(devsvc::IDeviceProfile* device, const CMouseProfile& profile) {
    ComPtr<devsvc::ISensitivity> sensitivity;
    if (!GetFeature(device, devsvc::kIidSensitivity, sensitivity))
        return false;
    // A mouse cycles through at least one stage.
    const int32_t inUse = std::clamp(profile.GetStagesInUse(), 1, std::max(profile.GetStageCount(), 1));
    auto pairs = TaskArray<devsvc::StagePair>(static_cast<size_t>(inUse));
    if (!pairs)
        return false;
    for (int32_t stage = 1; stage <= inUse; ++stage) {
        SensitivityStage s;
        s.value = profile.GetStageValue(stage);
        s.x = profile.GetStageX(stage);
        s.y = profile.GetStageY(stage);
        s.flag = profile.GetStageFlag(stage) ? 1 : 0;
        pairs.get()[stage - 1] = records::StagePairOf(s);
    }
    if (FAILED(sensitivity->SetStages(static_cast<ULONG>(inUse), pairs.get())))
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
    // Never more pairs than the block the service returned holds.
    if (count > 0)
        count = std::min<ULONG>(count, static_cast<ULONG>(win::CoTaskMemSize(pairs.get()) / sizeof(devsvc::StagePair)));
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
    // A mouse may hold a current value its own limits refuse (an older
    // firmware, a damaged state): it is taken inside the range, so that the
    // next write is one the mouse accepts.
    int32_t minimum = 0, maximum = 0, step = 0;
    if (profile.GetSensitivityRange(minimum, maximum, step) && minimum <= maximum) {
        x = std::clamp<LONG>(x, minimum, maximum);
        y = std::clamp<LONG>(y, minimum, maximum);
    }
    profile.SetSeparateXY(x != y);
    profile.SetSensitivityX(x);
    profile.SetSensitivityY(y);
    profile.SetSensitivity(std::min(x, y));
    profile.SetStagesInUse(static_cast<int32_t>(std::min<ULONG>(count, kMaxStages)));
    return true;
}

// ---- lights ---------------------------------------------------------------

namespace {

// Calls act(light, scroll) for the scroll-wheel and under-glow lights; other
// kinds are left alone.
template <typename Act>
bool ForEachKnownLight(devsvc::IDeviceProfile* device, Act&& act) {
    ComPtr<devsvc::ILights> lights;
    if (!GetFeature(device, devsvc::kIidLights, lights))
        return false;
    bool ok = true;
    const ULONG walked = ForEachItem<devsvc::ILight>(lights.get(), [&](devsvc::ILight* light, ULONG) {
        ULONG kind = 0;
        if (FAILED(light->Kind(&kind)))
            return ok = false;
        if (kind == devsvc::kLightScrollWheel || kind == devsvc::kLightUnderGlow)
            ok = act(light, kind == devsvc::kLightScrollWheel);
        return ok;
    });
    return ok && CountItems<devsvc::ILight>(lights.get()) == walked;
}

}  // namespace

bool WriteLights(devsvc::IDeviceProfile* device, const CMouseProfile& profile) {
    return ForEachKnownLight(device, [&](devsvc::ILight* light, bool scroll) {
        const bool on = scroll ? profile.GetScrollLight() : profile.GetUnderGlowLight();
        return SUCCEEDED(on ? light->On() : light->Off());
    });
}

bool ReadLights(devsvc::IDeviceProfile* device, CMouseProfile& profile) {
    return ForEachKnownLight(device, [&](devsvc::ILight* light, bool scroll) {
        ULONG state = 0;
        if (FAILED(light->State(&state)))
            return false;
        if (scroll)
            profile.SetScrollLight(state != 0);
        else
            profile.SetUnderGlowLight(state != 0);
        return true;
    });
}

// ---- assignments ----------------------------------------------------------

namespace {

bool SendRecord(const devsvc::ActionRecord& record, devsvc::IDeviceButtons* buttons, devsvc::IDeviceKeys* keys) {
    auto block = TaskCopy(&record, 1);
    if (!block)
        return false;
    return SUCCEEDED(buttons ? buttons->SetActions(1, block.get()) : keys->SetActions(1, block.get()));
}

// Reads up to `wanted` records into a task-allocator block; the count read
// comes back, never more than asked for.
template <typename Table>
bool ReadRecords(Table* table, size_t wanted, win::CoTaskMemPtr<devsvc::ActionRecord>& block, ULONG& count) {
    count = static_cast<ULONG>(std::min<size_t>(wanted, kRecordLimit));
    block = TaskArray<devsvc::ActionRecord>(count);
    if (!block || FAILED(table->Actions(&count, block.get())))
        return false;
    count = std::min<ULONG>(count, static_cast<ULONG>(std::min<size_t>(wanted, kRecordLimit)));
    return true;
}

}  // namespace

bool WriteAssignments(devsvc::IDeviceProfile* device, CMouseProfile& profile, const DeviceCaps& caps,
                      const AssignmentResolver& resolve) {
    ComPtr<devsvc::IDeviceButtons> buttons;
    ComPtr<devsvc::IDeviceKeys> keys;
    if (!GetFeature(device, devsvc::kIidButtons, buttons) || !GetFeature(device, devsvc::kIidKeys, keys))
        return false;
    // A failed send marks the section but the other buttons still go.
    bool ok = true;
    for (uint32_t bit : caps.buttonBits) {
        const int32_t index = records::ButtonIndexForBit(bit);
        if (index == 0)
            continue;
        // A button the profile holds nothing for keeps what the mouse has.
        const Assignment* held = profile.FindButtonAssignment(index);
        if (held == nullptr)
            continue;
        Assignment assignment = *held;
        if (!resolve(assignment))
            continue;
        if (!SendRecord(records::EncodeAssignment(assignment, records::DeviceButtonId(index)), buttons.get(),
                        nullptr))
            ok = false;
    }
    // Switched off, the keys keep their functions on a mouse that has the
    // switch; on one without it they are written as "off".
    ComPtr<devsvc::IProperties> props;
    const bool keysOff = !profile.GetThumbKeysEnabled();
    const bool switchHeld = GetFeature(device, devsvc::kIidProperties, props) &&
                            SetFlag(props.get(), devsvc::kFlagThumbKeysOff, keysOff);
    for (uint32_t key : caps.keyIds) {
        const Assignment* held = profile.FindKeyAssignment(static_cast<int32_t>(key));
        if (held == nullptr && !(keysOff && !switchHeld))
            continue;
        Assignment assignment = keysOff && !switchHeld ? MakeAssignment(kFunctionButtonOff) : *held;
        if (!resolve(assignment))
            continue;
        if (!SendRecord(records::EncodeAssignment(assignment, key), nullptr, keys.get()))
            ok = false;
    }
    return ok;
}

bool ReadAssignments(devsvc::IDeviceProfile* device, CMouseProfile& profile, const DeviceCaps& caps) {
    ComPtr<devsvc::IDeviceButtons> buttons;
    ComPtr<devsvc::IDeviceKeys> keys;
    if (!GetFeature(device, devsvc::kIidButtons, buttons) || !GetFeature(device, devsvc::kIidKeys, keys))
        return false;
    win::CoTaskMemPtr<devsvc::ActionRecord> block;
    ULONG count = 0;
    if (!caps.buttonBits.empty()) {
        if (!ReadRecords(buttons.get(), caps.buttonBits.size(), block, count))
            return false;
        for (ULONG i = 0; i < count; ++i) {
            const int32_t index = records::ButtonIndexForDeviceId(block.get()[i].id);
            if (index != 0)
                profile.SetButtonAssignment(index, records::DecodeAction(block.get()[i]));
        }
    }
    if (!caps.keyIds.empty()) {
        if (!ReadRecords(keys.get(), caps.keyIds.size(), block, count))
            return false;
        bool anyOn = false;
        for (ULONG i = 0; i < count; ++i) {
            const Assignment assignment = records::DecodeAction(block.get()[i]);
            anyOn = anyOn || assignment.code != kFunctionButtonOff;
            profile.SetKeyAssignment(static_cast<int32_t>(block.get()[i].id), assignment);
        }
        // The mouse's switch tells first; a mouse without one, by keys that
        // all do nothing.
        ComPtr<devsvc::IProperties> props;
        win::CoTaskMemPtr<BYTE> flags;
        ULONG size = sizeof(uint16_t);
        if (GetFeature(device, devsvc::kIidProperties, props) &&
            GetProperty(props.get(), devsvc::kPropertyFlags, flags, size) && size >= sizeof(uint16_t) &&
            (flags.get()[0] & devsvc::kFlagThumbKeysOff) != 0)
            anyOn = false;
        profile.SetThumbKeysEnabled(anyOn);
    }
    return true;
}

}  // namespace devlink
