#include "model/VellConfig.h"

#include <algorithm>

#include "model/SaveFolder.h"
#include "win/ModuleDir.h"

namespace {

constexpr int32_t kDefaultStageCount = 5;
constexpr int32_t kDefaultStageValues[kDefaultStageCount] = {800, 1200, 1800, 4000, 5600};
constexpr int32_t kDefaultSensitivityMin = 100;
constexpr int32_t kDefaultSensitivityMax = 5600;
constexpr int32_t kDefaultSensitivityStep = 100;
constexpr int32_t kDefaultActiveStage = 3;
constexpr int32_t kDefaultSensitivity = 1800;
constexpr int32_t kDefaultPollingRateChoice = 1;
constexpr int32_t kDefaultAccelerationLevel = 5;

bool Lookup(const std::vector<std::pair<int32_t, Assignment>>& table, int32_t id, Assignment& out) {
    const auto it =
        std::find_if(table.begin(), table.end(), [id](const auto& entry) { return entry.first == id; });
    if (it == table.end())
        return false;
    out = it->second;
    return true;
}

}  // namespace

CVellConfig::CVellConfig() {
    // "save\" beside the program, or in the user's own folder where the
    // program's folder may not be written (an installation under Program Files).
    m_profileFolder = savefolder::Choose(app::ModuleDirectory());
    m_macroFolder = m_profileFolder;
    m_settingsFile = m_profileFolder + L"Vell.vxc";

    m_defaultButtons = {
        {kButtonLeft, MakeAssignment(kFunctionClick)},
        {kButtonRight, MakeAssignment(kFunctionMenu)},
        {kButtonScroll, MakeAssignment(kFunctionUniversalScrolling)},
        {kButtonLeftFront, MakeAssignment(kFunctionForward)},
        {kButtonLeftRear, MakeAssignment(kFunctionBackward)},
        {kButtonScrollUp, MakeAssignment(kFunctionScrollUp)},
        {kButtonScrollDown, MakeAssignment(kFunctionScrollDown)},
    };
    // Each thumb key sends its own scan code.
    for (const auto* keys : {&kThumbKeys123, &kThumbKeysNum}) {
        for (int32_t key : *keys)
            m_defaultKeys.emplace_back(key, MakeSingleKeyAssignment(static_cast<uint16_t>(key), 0, 0));
    }
}

CMouseProfile* CVellConfig::CreateProfile(const wchar_t* name) {
    const int32_t before = GetProfileCount();
    CMouseProfile* profile = CMouseConfig::CreateProfile(name);
    if (profile == nullptr || GetProfileCount() == before)
        return nullptr;
    SetStageCount(kDefaultStageCount, profile);
    ApplyDefaults(profile, true);
    ApplyMouseDefaults();
    return profile;
}

void CVellConfig::RestoreDefaults(CMouseProfile* profile) {
    ApplyDefaults(profile, profile != nullptr);
}

void CVellConfig::ApplyMouseDefaults() {
    SetPollingRateChoice(kDefaultPollingRateChoice);
    SetAccelerationLevel(kDefaultAccelerationLevel);
    SetAccelerationEnabled(false);
}

bool CVellConfig::DefaultButtonAssignment(int32_t buttonId, Assignment& out) const {
    return Lookup(m_defaultButtons, buttonId, out);
}

bool CVellConfig::DefaultKeyAssignment(int32_t keyId, Assignment& out) const {
    return Lookup(m_defaultKeys, keyId, out);
}

void CVellConfig::ApplyDefaults(CMouseProfile* profile, bool osdFromCurrent) {
    for (const auto& [buttonId, assignment] : m_defaultButtons)
        SetButtonAssignment(buttonId, assignment, profile);
    for (const auto& [keyId, assignment] : m_defaultKeys)
        SetKeyAssignment(keyId, assignment, profile);
    SetThumbKeysEnabled(true, profile);
    SetSensitivityRange(kDefaultSensitivityMin, kDefaultSensitivityMax, kDefaultSensitivityStep, profile);
    SetActiveStage(kDefaultActiveStage, profile);
    for (int32_t stage = 1; stage <= kDefaultStageCount; ++stage) {
        SetStageValue(stage, kDefaultStageValues[stage - 1], profile);
        SetStageFlag(stage, false, profile);
    }
    SetStagesInUse(kDefaultStageCount, profile);
    SetSeparateXY(false, profile);
    SetSensitivity(kDefaultSensitivity, profile);
    SetScrollLight(true, profile);
    SetUnderGlowLight(true, profile);
    SetDpiOsd(true, profile);
    // The profile display is one setting for all profiles.
    if (osdFromCurrent) {
        const CMouseProfile* current = GetCurrentProfile();
        SetProfileOsdAll(current != nullptr && current->GetProfileOsd());
    } else {
        SetProfileOsdAll(true);
    }
}
