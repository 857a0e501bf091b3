#include "model/MouseConfig.h"

#include <algorithm>
#include <utility>

#include "model/IniFile.h"
#include "model/MouseDevice.h"
#include "win/Handles.h"

namespace {

constexpr wchar_t kSectionSettings[] = L"SETTINGS";
constexpr wchar_t kKeyActiveProfile[] = L"ActiveProfileName";

}  // namespace

void CMouseConfig::ClearProfiles() {
    m_current = nullptr;
    m_profiles.clear();
}

void CMouseConfig::AttachDevice(IMouseDevice* device) {
    if (device == nullptr)
        return;
    m_device = device;
    m_pollingRateCount = device->GetPollingRateCount();
}

bool CMouseConfig::SetStageCount(int32_t count, CMouseProfile* profile) {
    if (count <= 0)
        return false;
    if (profile)
        return profile->SetStageCount(count);
    m_fallbackStageCount = std::min(count, kMaxStages);
    m_fallbackValues.assign(static_cast<size_t>(m_fallbackStageCount), 0);
    m_fallbackX.assign(static_cast<size_t>(m_fallbackStageCount), 0);
    m_fallbackY.assign(static_cast<size_t>(m_fallbackStageCount), 0);
    return true;
}

void CMouseConfig::SetAccelerationRange(int32_t minimum, int32_t maximum) {
    m_accelerationMin = minimum;
    m_accelerationMax = maximum;
}

void CMouseConfig::SetStagesInUse(int32_t count, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetStagesInUse(count);
    m_fallbackStagesInUse = std::min(count, m_fallbackStageCount);
}

int32_t CMouseConfig::GetStageCount(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetStageCount() : m_fallbackStageCount;
}

int32_t CMouseConfig::GetStagesInUse(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetStagesInUse() : m_fallbackStagesInUse;
}

int32_t CMouseConfig::GetKeyAssignmentCount(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetKeyAssignmentCount() : 0;
}

int32_t CMouseConfig::KeyIdAt(int32_t index, CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->KeyIdAt(index) : -1;
}

CMouseProfile* CMouseConfig::CreateProfile(const wchar_t* name) {
    return m_profiles.emplace_back(std::make_unique<CMouseProfile>(name)).get();
}

CMouseProfile* CMouseConfig::AddCopy(const CMouseProfile* profile) {
    if (profile == nullptr)
        return nullptr;
    return m_profiles.emplace_back(std::make_unique<CMouseProfile>(*profile)).get();
}

CMouseProfile* CMouseConfig::ProfileAt(int32_t index) {
    if (index < 0 || index >= GetProfileCount())
        return nullptr;
    return m_profiles[static_cast<size_t>(index)].get();
}

CMouseProfile* CMouseConfig::FindById(const GUID& id) {
    for (const auto& profile : m_profiles) {
        if (IsEqualGUID(profile->GetId(), id))
            return profile.get();
    }
    return nullptr;
}

CMouseProfile* CMouseConfig::FindByName(const wchar_t* name) {
    return name != nullptr ? FindProfileNamed(m_profiles, name) : nullptr;
}

std::vector<std::unique_ptr<CMouseProfile>>::iterator CMouseConfig::Find(const CMouseProfile* profile) {
    return std::find_if(m_profiles.begin(), m_profiles.end(),
                        [profile](const auto& owned) { return owned.get() == profile; });
}

CMouseProfile* CMouseConfig::Rename(CMouseProfile* profile, const wchar_t* newName) {
    if (profile == nullptr)
        return nullptr;
    const std::wstring name = newName ? newName : L"";
    if (profile->GetName() == name)
        return nullptr;
    // Only a profile we own can be replaced.
    const auto slot = Find(profile);
    if (slot == m_profiles.end())
        return nullptr;

    // The copy keeps the identity, so the device service sees the same profile.
    profile->SetName(name.c_str());
    auto copy = std::make_unique<CMouseProfile>(*profile);
    CMouseProfile* renamed = copy.get();
    std::unique_ptr<CMouseProfile> old = std::exchange(*slot, std::move(copy));

    if (old->HasFile()) {
        // Remove the old file only once the new one is written (a change of
        // letter case alone writes the same file).
        if (SaveProfileFiles(renamed) &&
            !inifile::EqualIgnoringCase(old->GetFilePath(), renamed->GetFilePath()))
            DeleteFileW(old->GetFilePath().c_str());
    }
    if (m_current == old.get())
        m_current = renamed;
    return renamed;
}

CMouseProfile* CMouseConfig::Duplicate(CMouseProfile* profile, const wchar_t* newName) {
    if (profile == nullptr)
        return nullptr;
    const std::wstring name = newName ? newName : L"";
    if (profile->GetName() == name)
        return nullptr;
    auto copy = std::make_unique<CMouseProfile>(*profile);
    copy->SetId(GUID{});
    copy->TakeNewSerial();
    copy->SetName(name.c_str());
    copy->ClearFilePath();
    return m_profiles.emplace_back(std::move(copy)).get();
}

void CMouseConfig::Delete(CMouseProfile* profile) {
    const auto slot = Find(profile);
    if (profile == nullptr || slot == m_profiles.end())
        return;
    if (m_current == profile)
        m_current = nullptr;
    if (profile->HasFile())
        DeleteFileW(profile->GetFilePath().c_str());
    m_profiles.erase(slot);
}

void CMouseConfig::SetProgramPath(CMouseProfile* profile, const wchar_t* path) {
    if (CMouseProfile* target = Target(profile))
        target->SetProgramPath(path);
}

std::wstring CMouseConfig::GetProgramPath(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetProgramPath() : std::wstring();
}

void CMouseConfig::SetAutoSwitch(CMouseProfile* profile, bool on) {
    if (CMouseProfile* target = Target(profile))
        target->SetAutoSwitch(on);
}

bool CMouseConfig::GetAutoSwitch(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target && target->GetAutoSwitch();
}

void CMouseConfig::SetProfileOsdAll(bool on) {
    for (const auto& profile : m_profiles)
        profile->SetProfileOsd(on);
}

void CMouseConfig::SetProfileOsd(bool on, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetProfileOsd(on);
}

bool CMouseConfig::GetProfileOsd(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target && target->GetProfileOsd();
}

void CMouseConfig::SetDpiOsd(bool on, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetDpiOsd(on);
}

bool CMouseConfig::GetDpiOsd(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target && target->GetDpiOsd();
}

void CMouseConfig::SetStageFlag(int32_t stage, bool separate, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetStageFlag(stage, separate);
    m_fallbackSeparate = separate;
}

bool CMouseConfig::GetStageFlag(int32_t stage, CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetStageFlag(stage) : m_fallbackSeparate;
}

int32_t CMouseConfig::SetAccelerationLevel(int32_t level) {
    if (level > GetAccelerationMax())
        level = GetAccelerationMax();
    if (level < GetAccelerationMin())
        level = GetAccelerationMin();
    m_accelerationLevel = level;
    return level;
}

int32_t CMouseConfig::SetActiveStage(int32_t stage, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetActiveStage(stage);
    if (m_fallbackStageCount == 0)
        m_fallbackActiveStage = 0;
    else if (stage < m_fallbackStageCount)
        m_fallbackActiveStage = std::max(stage - 1, -1);
    else
        m_fallbackActiveStage = m_fallbackStageCount - 1;
    return m_fallbackActiveStage;
}

int32_t CMouseConfig::GetActiveStage(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetActiveStage() : m_fallbackActiveStage + 1;
}

int32_t CMouseConfig::FallbackIndex(int32_t stage) const {
    if (m_fallbackValues.empty())
        return -1;
    const int32_t count = static_cast<int32_t>(m_fallbackValues.size());
    return std::clamp(stage, 1, count) - 1;
}

int32_t CMouseConfig::ClampFallback(int32_t value) const {
    if (value > m_fallbackMax)
        value = m_fallbackMax;
    if (value < m_fallbackMin)
        value = m_fallbackMin;
    return value;
}

void CMouseConfig::SetStageValue(int32_t stage, int32_t value, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetStageValue(stage, value);
    if (const int32_t index = FallbackIndex(stage); index >= 0)
        m_fallbackValues[static_cast<size_t>(index)] = ClampFallback(value);
}

int32_t CMouseConfig::GetStageValue(int32_t stage, CMouseProfile* profile) const {
    if (const CMouseProfile* target = Target(profile))
        return target->GetStageValue(stage);
    const int32_t index = FallbackIndex(stage);
    return index >= 0 ? m_fallbackValues[static_cast<size_t>(index)] : 0;
}

void CMouseConfig::SetStageX(int32_t stage, int32_t value, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetStageX(stage, value);
    if (const int32_t index = FallbackIndex(stage); index >= 0)
        m_fallbackX[static_cast<size_t>(index)] = ClampFallback(value);
}

int32_t CMouseConfig::GetStageX(int32_t stage, CMouseProfile* profile) const {
    if (const CMouseProfile* target = Target(profile))
        return target->GetStageX(stage);
    const int32_t index = FallbackIndex(stage);
    return index >= 0 ? m_fallbackX[static_cast<size_t>(index)] : 0;
}

void CMouseConfig::SetStageY(int32_t stage, int32_t value, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetStageY(stage, value);
    if (const int32_t index = FallbackIndex(stage); index >= 0)
        m_fallbackY[static_cast<size_t>(index)] = ClampFallback(value);
}

int32_t CMouseConfig::GetStageY(int32_t stage, CMouseProfile* profile) const {
    if (const CMouseProfile* target = Target(profile))
        return target->GetStageY(stage);
    const int32_t index = FallbackIndex(stage);
    return index >= 0 ? m_fallbackY[static_cast<size_t>(index)] : 0;
}

void CMouseConfig::SetSensitivity(int32_t value, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetSensitivity(value);
}

int32_t CMouseConfig::GetSensitivity(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetSensitivity() : 0;
}

void CMouseConfig::SetSensitivityX(int32_t value, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetSensitivityX(value);
}

int32_t CMouseConfig::GetSensitivityX(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetSensitivityX() : 0;
}

void CMouseConfig::SetSensitivityY(int32_t value, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetSensitivityY(value);
}

int32_t CMouseConfig::GetSensitivityY(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetSensitivityY() : 0;
}

void CMouseConfig::SetSeparateXY(bool separate, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetSeparateXY(separate);
    m_fallbackSeparate = separate;
}

bool CMouseConfig::GetSeparateXY(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetSeparateXY() : m_fallbackSeparate;
}

void CMouseConfig::SetSensitivityRange(int32_t minimum, int32_t maximum, int32_t step,
                                       CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetSensitivityRange(minimum, maximum, step);
    m_fallbackMin = minimum;
    m_fallbackMax = maximum;
    m_fallbackStep = step;
}

bool CMouseConfig::GetSensitivityRange(int32_t& minimum, int32_t& maximum, int32_t& step,
                                       CMouseProfile* profile) const {
    if (const CMouseProfile* target = Target(profile))
        return target->GetSensitivityRange(minimum, maximum, step);
    minimum = m_fallbackMin;
    maximum = m_fallbackMax;
    step = m_fallbackStep;
    return true;
}

bool CMouseConfig::SetButtonAssignment(int32_t buttonId, const Assignment& assignment,
                                       CMouseProfile* profile) {
    CMouseProfile* target = Target(profile);
    return target && target->SetButtonAssignment(buttonId, assignment);
}

Assignment CMouseConfig::GetButtonAssignment(int32_t buttonId, CMouseProfile* profile) {
    CMouseProfile* target = Target(profile);
    return target ? target->GetButtonAssignment(buttonId) : Assignment{};
}

bool CMouseConfig::HasClickAssignment(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target && target->HasClickAssignment();
}

bool CMouseConfig::SetKeyAssignment(int32_t keyId, const Assignment& assignment, CMouseProfile* profile) {
    CMouseProfile* target = Target(profile);
    return target && target->SetKeyAssignment(keyId, assignment);
}

Assignment CMouseConfig::GetKeyAssignment(int32_t keyId, CMouseProfile* profile) {
    CMouseProfile* target = Target(profile);
    return target ? target->GetKeyAssignment(keyId) : Assignment{};
}

void CMouseConfig::SetThumbKeysEnabled(bool enabled, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetThumbKeysEnabled(enabled);
}

bool CMouseConfig::GetThumbKeysEnabled(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetThumbKeysEnabled() : true;
}

CMacro* CMouseConfig::CreateMacro(const wchar_t* name, const MacroEvents& events) {
    return m_macros.Add(name, events);
}

void CMouseConfig::SetScrollLight(bool on, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetScrollLight(on);
    m_fallbackScrollLight = on;
}

bool CMouseConfig::GetScrollLight(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetScrollLight() : m_fallbackScrollLight;
}

void CMouseConfig::SetUnderGlowLight(bool on, CMouseProfile* profile) {
    if (CMouseProfile* target = Target(profile))
        target->SetUnderGlowLight(on);
    m_fallbackUnderGlowLight = on;
}

bool CMouseConfig::GetUnderGlowLight(CMouseProfile* profile) const {
    const CMouseProfile* target = Target(profile);
    return target ? target->GetUnderGlowLight() : m_fallbackUnderGlowLight;
}

bool CMouseConfig::LoadSettings() {
    const int32_t loaded = LoadProfileFiles();
    const std::wstring active = inifile::ReadString(SettingsFilePath(), kSectionSettings, kKeyActiveProfile);
    if (loaded > 0) {
        m_current = ProfileAt(0);
        if (!active.empty()) {
            if (CMouseProfile* named = FindByName(active.c_str()))
                m_current = named;
        }
    }
    // Callers do not act on the result.
    return false;
}

bool CMouseConfig::SaveSettings() {
    SaveProfileFiles();
    if (m_current == nullptr)
        return false;
    const std::wstring& path = SettingsFilePath();
    return inifile::PrepareForWrite(path) &&
           inifile::WriteString(path, kSectionSettings, kKeyActiveProfile, m_current->GetName().c_str());
}

int32_t CMouseConfig::LoadProfileFiles() {
    const std::wstring& folder = ProfileFolder();
    const std::wstring suffix = std::wstring(L".") + ProfileFileExtension();
    WIN32_FIND_DATAW found = {};
    const win::UniqueFind search(FindFirstFileW((folder + L"*" + suffix).c_str(), &found));
    if (!search)
        return 0;

    ClearProfiles();
    int32_t loaded = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const std::wstring fileName = found.cFileName;
        // The pattern can also match longer extensions through short names.
        if (fileName.size() <= suffix.size() ||
            !inifile::EqualIgnoringCase(fileName.substr(fileName.size() - suffix.size()), suffix))
            continue;
        const std::wstring stem = fileName.substr(0, fileName.size() - suffix.size());
        auto profile = std::make_unique<CMouseProfile>();
        // A damaged file is skipped so that it cannot hide the files after it.
        if (!profile->LoadFromFile(stem.c_str(), folder.c_str(), ProfileFileExtension()))
            continue;
        m_profiles.push_back(std::move(profile));
        ++loaded;
    } while (FindNextFileW(search.get(), &found));
    return loaded;
}

bool CMouseConfig::SaveProfileFiles(CMouseProfile* profile) {
    if (profile)
        return profile->SaveToFile(L"", ProfileFolder().c_str(), ProfileFileExtension());
    for (const auto& owned : m_profiles)
        owned->SaveToFile(L"", ProfileFolder().c_str(), ProfileFileExtension());
    return true;
}

std::unique_ptr<CMouseConfig> IMouseDevice::TakeReadBack() {
    return nullptr;
}
