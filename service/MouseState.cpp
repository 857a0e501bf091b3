#include "MouseState.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace tarnsvc {
namespace {

devsvc::ActionRecord Record(uint32_t id, uint32_t category, uint32_t subCode) {
    devsvc::ActionRecord record;
    record.id = id;
    record.category = category;
    std::memcpy(record.data, &subCode, sizeof(subCode));
    return record;
}

constexpr int32_t kFactoryStages[kStageCount] = {800, 1200, 1800, 4000, 5600};

}  // namespace

uint32_t ButtonMask() {
    uint32_t mask = 0;
    for (const ButtonCapability& button : kButtons)
        mask |= button.bit;
    return mask;
}

int ButtonSlot(uint32_t deviceId) {
    for (size_t i = 0; i < kButtons.size(); ++i) {
        if (kButtons[i].deviceId == deviceId)
            return static_cast<int>(i);
    }
    return -1;
}

int KeySlot(uint32_t keyId) {
    for (size_t i = 0; i < kKeyIds.size(); ++i) {
        if (kKeyIds[i] == keyId)
            return static_cast<int>(i);
    }
    return -1;
}

devsvc::ActionRecord FactoryButtonRecord(size_t slot) {
    const uint32_t id = kButtons[slot].deviceId;
    // Mouse functions by sub-code: 1 click, 2 menu, 3 universal scrolling,
    // 4 forward, 5 backward, 6 scroll up, 7 scroll down. Thumb positions
    // act through their keys, so their button records are empty.
    switch (id) {
        case 1:
            return Record(id, devsvc::kCategoryMouse, 1);
        case 2:
            return Record(id, devsvc::kCategoryMouse, 2);
        case 3:
            return Record(id, devsvc::kCategoryMouse, 3);
        case 5:
            return Record(id, devsvc::kCategoryMouse, 4);
        case 4:
            return Record(id, devsvc::kCategoryMouse, 5);
        case 8:
            return Record(id, devsvc::kCategoryMouse, 6);
        case 9:
            return Record(id, devsvc::kCategoryMouse, 7);
        default:
            return Record(id, devsvc::kCategoryNone, 0);
    }
}

devsvc::ActionRecord FactoryKeyRecord(size_t slot) {
    // Each key sends its own scan code without modifiers.
    const uint32_t id = kKeyIds[slot];
    devsvc::ActionRecord record = Record(id, devsvc::kCategoryKey, 0);
    const auto scanCode = static_cast<uint16_t>(id);
    std::memcpy(record.data + (devsvc::kActionScanCode - devsvc::kActionSubCode), &scanCode,
                sizeof(scanCode));
    return record;
}

ProfileState FactoryProfile(const std::wstring& name) {
    ProfileState profile;
    profile.name = name;
    for (size_t i = 0; i < kButtons.size(); ++i)
        profile.buttons[i] = FactoryButtonRecord(i);
    for (size_t i = 0; i < kKeyIds.size(); ++i)
        profile.keys[i] = FactoryKeyRecord(i);
    for (int32_t value : kFactoryStages)
        profile.stages.push_back({value, value});
    profile.activeStage = 3;
    profile.current = {1800, 1800};
    profile.lights.fill(true);
    return profile;
}

MouseState FactoryState(uint32_t product) {
    MouseState state;
    state.product = product;
    ProfileState profile = FactoryProfile(L"Profile 1");
    profile.id = NewId();
    state.activeProfile = profile.id;
    state.profiles.push_back(std::move(profile));
    state.accelerationLevel = 5;
    state.accelerationEnabled = false;
    state.pollingMs = 2;
    if (product == kProductColour) {
        state.ranges.push_back({0x0000FF00, 100, 1800, 0});
        state.ranges.push_back({0x000000FF, 1900, 5600, 0});
    }
    return state;
}

GUID NewId() {
    GUID id{};
    if (SUCCEEDED(::CoCreateGuid(&id)) && !IsNullId(id))
        return id;
    // CoCreateGuid does not fail in practice; never hand out the null id.
    static std::atomic<uint32_t> counter{0};
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    id.Data1 = ++counter;
    id.Data2 = static_cast<uint16_t>(::GetCurrentProcessId());
    id.Data3 = 0x4000;
    std::memcpy(id.Data4, &now.QuadPart, sizeof(id.Data4));
    return id;
}

bool IsNullId(const GUID& id) {
    static const GUID null{};
    return std::memcmp(&id, &null, sizeof(GUID)) == 0;
}

bool SameId(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

bool ValidCpi(int32_t value) {
    return value >= kMinCpi && value <= kMaxCpi;
}

bool ValidStages(const devsvc::StagePair* pairs, size_t count) {
    if (count < 1 || count > kStageCount || !pairs)
        return false;
    return std::all_of(pairs, pairs + count,
                       [](const devsvc::StagePair& p) { return ValidCpi(p.x) && ValidCpi(p.y); });
}

bool ValidCategory(uint32_t category) {
    return category <= devsvc::kCategoryAdvanced;
}

bool ValidEvents(const devsvc::EventEntry* events, size_t count) {
    if (count > kMaxMacroEvents || (count > 0 && !events))
        return false;
    return std::all_of(events, events + count,
                       [](const devsvc::EventEntry& e) { return e.type >= 1 && e.type <= 3; });
}

bool ValidName(const std::wstring& name) {
    return name.size() <= kMaxNameChars && name.find(L'\0') == std::wstring::npos;
}

bool ValidProfile(const ProfileState& profile) {
    if (IsNullId(profile.id) || !ValidName(profile.name))
        return false;
    for (size_t i = 0; i < kButtons.size(); ++i) {
        if (profile.buttons[i].id != kButtons[i].deviceId || !ValidCategory(profile.buttons[i].category))
            return false;
    }
    for (size_t i = 0; i < kKeyIds.size(); ++i) {
        if (profile.keys[i].id != kKeyIds[i] || !ValidCategory(profile.keys[i].category))
            return false;
    }
    if (!ValidStages(profile.stages.data(), profile.stages.size()))
        return false;
    if (profile.activeStage < 1 || profile.activeStage > profile.stages.size())
        return false;
    if (!ValidCpi(profile.current.x) || !ValidCpi(profile.current.y))
        return false;
    if (profile.programPath.size() >= kProgramPathChars ||
        profile.programPath.find(L'\0') != std::wstring::npos)
        return false;
    const uint16_t allFlags =
        devsvc::kFlagAutoSwitch | devsvc::kFlagDpiOsd | devsvc::kFlagProfileOsd | devsvc::kFlagThumbKeysOff;
    return (profile.flags & ~allFlags) == 0;
}

bool ValidMacro(const MacroState& macro) {
    return !IsNullId(macro.id) && ValidName(macro.name) &&
           ValidEvents(macro.events.data(), macro.events.size());
}

bool ValidRange(int32_t lower, int32_t upper) {
    return lower <= upper;
}

bool ValidState(const MouseState& state) {
    if (state.product != kProductStandard && state.product != kProductColour)
        return false;
    if (state.profiles.size() > kMaxProfiles || state.macros.size() > kMaxMacros ||
        state.ranges.size() > kMaxColourRanges)
        return false;
    if (state.product != kProductColour && !state.ranges.empty())
        return false;
    if (state.accelerationLevel < kMinAccelerationLevel || state.accelerationLevel > kMaxAccelerationLevel)
        return false;
    if (std::find(kPollingIntervals.begin(), kPollingIntervals.end(), state.pollingMs) ==
        kPollingIntervals.end())
        return false;
    bool activeFound = false;
    for (size_t i = 0; i < state.profiles.size(); ++i) {
        if (!ValidProfile(state.profiles[i]))
            return false;
        for (size_t j = 0; j < i; ++j) {
            if (SameId(state.profiles[i].id, state.profiles[j].id))
                return false;
        }
        activeFound = activeFound || SameId(state.profiles[i].id, state.activeProfile);
    }
    if (state.profiles.empty() ? !IsNullId(state.activeProfile) : !activeFound)
        return false;
    for (size_t i = 0; i < state.macros.size(); ++i) {
        if (!ValidMacro(state.macros[i]))
            return false;
        for (size_t j = 0; j < i; ++j) {
            if (SameId(state.macros[i].id, state.macros[j].id))
                return false;
        }
    }
    return std::all_of(state.ranges.begin(), state.ranges.end(),
                       [](const RangeState& r) { return ValidRange(r.lower, r.upper); });
}

}  // namespace tarnsvc
