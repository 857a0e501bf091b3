#include "model/MouseProfile.h"

#include <atomic>

#include <algorithm>
#include <cwchar>
#include <utility>

#include "model/IniFile.h"
#include "skin/NameTables.h"

namespace {

constexpr wchar_t kSectionProperties[] = L"PROPERTIES";
constexpr wchar_t kSectionAssignments[] = L"ASSIGNMENTS";
constexpr wchar_t kKeyName[] = L"name";
constexpr wchar_t kKeyProgram[] = L"exe";
constexpr wchar_t kKeyAuto[] = L"auto";

constexpr size_t kFileNameLimit = 127;
constexpr size_t kFileNameStem = 123;  // leaves room for a four-digit counter
constexpr int kFileNameCounters = 100;

// The text after the last path separator: file name and extension.
std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool IsReservedDeviceName(const std::wstring& name) {
    const std::wstring base = name.substr(0, name.find(L'.'));
    static constexpr const wchar_t* kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const wchar_t* device : kDevices) {
        if (inifile::EqualIgnoringCase(base, device))
            return true;
    }
    if (base.size() == 4 && iswdigit(base[3]) && base[3] != L'0') {
        const std::wstring prefix = base.substr(0, 3);
        return inifile::EqualIgnoringCase(prefix, L"COM") || inifile::EqualIgnoringCase(prefix, L"LPT");
    }
    return false;
}

bool IsUnsafeFileNameChar(wchar_t c) {
    return c < 32 || wcschr(L"<>:\"/\\|?*", c) != nullptr;
}

// Profile names come from the user and the device: a name that is not a
// plain file name must not reach outside the save folder or a device.
bool IsSafeFileName(const std::wstring& name) {
    if (name == L"." || name == L".." || IsReservedDeviceName(name))
        return false;
    return std::none_of(name.begin(), name.end(), IsUnsafeFileNameChar);
}

std::wstring SafeFileNameStem(const std::wstring& name) {
    std::wstring stem = name;
    std::replace_if(stem.begin(), stem.end(), IsUnsafeFileNameChar, L'_');
    return SafeCut(stem, kFileNameStem);
}

std::wstring ProfilePath(const std::wstring& folder, const std::wstring& fileName,
                         const std::wstring& extension) {
    return folder + fileName + L"." + extension;
}

const wchar_t* OrEmpty(const wchar_t* text) {
    return text ? text : L"";
}

}  // namespace

namespace {
std::atomic<uint64_t> g_lastSerial{0};
}  // namespace

CMouseProfile::CMouseProfile(const wchar_t* name) : m_name(OrEmpty(name)) {
    TakeNewSerial();
}

void CMouseProfile::TakeNewSerial() {
    m_serial = ++g_lastSerial;
}

CMouseProfile::CMouseProfile(const CMouseProfile& other)
    : m_name(other.m_name),
      m_programPath(other.m_programPath),
      m_programFileName(other.m_programFileName),
      m_filePath(other.m_filePath),
      m_id(other.m_id),
      m_serial(other.m_serial),
      m_autoSwitch(other.m_autoSwitch),
      m_dpiOsd(other.m_dpiOsd),
      m_profileOsd(other.m_profileOsd),
      m_thumbKeysEnabled(other.m_thumbKeysEnabled),
      m_underGlowLight(other.m_underGlowLight),
      m_scrollLight(other.m_scrollLight),
      m_sensitivityMin(other.m_sensitivityMin),
      m_sensitivityMax(other.m_sensitivityMax),
      m_sensitivityStep(other.m_sensitivityStep),
      m_stagesInUse(other.m_stagesInUse) {
    // Rebuilding the stages through the setters resets the active stage and
    // clamps the values against the copied range.
    SetStageCount(other.GetStageCount());
    m_activeStage = other.m_activeStage;
    m_sensitivity = other.m_sensitivity;
    m_sensitivityX = other.m_sensitivityX;
    m_sensitivityY = other.m_sensitivityY;
    m_separateXY = other.m_separateXY;
    for (int32_t stage = 1; stage <= other.GetStageCount(); ++stage) {
        SetStageValue(stage, other.GetStageValue(stage));
        SetStageX(stage, other.GetStageX(stage));
        SetStageY(stage, other.GetStageY(stage));
        SetStageFlag(stage, other.GetStageFlag(stage));
    }
    m_buttonAssignments = other.m_buttonAssignments;
    m_keyOrder = other.m_keyOrder;
    m_keyAssignments = other.m_keyAssignments;
}

bool CMouseProfile::SetStageCount(int32_t count) {
    count = std::clamp(count, 1, kMaxStages);
    m_stages.assign(static_cast<size_t>(count), SensitivityStage{});
    // Keep "in use" within the new array.
    m_stagesInUse = std::min(m_stagesInUse, count);
    SetActiveStage(1);
    return true;
}

void CMouseProfile::SetStagesInUse(int32_t count) {
    m_stagesInUse = std::min(count, GetStageCount());
}

int32_t CMouseProfile::KeyIdAt(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_keyOrder.size())
        return -1;
    return m_keyOrder[static_cast<size_t>(index)];
}

void CMouseProfile::SetProgramPath(const wchar_t* path) {
    m_programPath = OrEmpty(path);
    m_programFileName = FileNameOf(m_programPath);
}

const SensitivityStage* CMouseProfile::StageAt(int32_t stage) const {
    if (m_stages.empty())
        return nullptr;
    if (stage > GetStageCount())
        return &m_stages.back();
    return &m_stages[static_cast<size_t>(std::max(stage, 1) - 1)];
}

SensitivityStage* CMouseProfile::StageAt(int32_t stage) {
    return const_cast<SensitivityStage*>(std::as_const(*this).StageAt(stage));
}

int32_t CMouseProfile::Clamp(int32_t value) const {
    if (value > m_sensitivityMax)
        value = m_sensitivityMax;
    if (value < m_sensitivityMin)
        value = m_sensitivityMin;
    return value;
}

void CMouseProfile::SetStageFlag(int32_t stage, bool separate) {
    if (SensitivityStage* s = StageAt(stage))
        s->flag = separate ? 1 : 0;
}

bool CMouseProfile::GetStageFlag(int32_t stage) const {
    const SensitivityStage* s = StageAt(stage);
    return s && s->flag != 0;
}

void CMouseProfile::SetActiveStage(int32_t stage) {
    const int32_t count = GetStageCount();
    if (count == 0)
        m_activeStage = 0;
    else if (stage >= count)
        m_activeStage = count - 1;
    else
        m_activeStage = std::max(stage - 1, -1);
}

int32_t CMouseProfile::SetStageValue(int32_t stage, int32_t value) {
    SensitivityStage* s = StageAt(stage);
    return s ? (s->value = Clamp(value)) : 0;
}

int32_t CMouseProfile::GetStageValue(int32_t stage) const {
    const SensitivityStage* s = StageAt(stage);
    return s ? s->value : 0;
}

int32_t CMouseProfile::SetStageX(int32_t stage, int32_t value) {
    SensitivityStage* s = StageAt(stage);
    return s ? (s->x = Clamp(value)) : 0;
}

int32_t CMouseProfile::GetStageX(int32_t stage) const {
    const SensitivityStage* s = StageAt(stage);
    return s ? s->x : 0;
}

int32_t CMouseProfile::SetStageY(int32_t stage, int32_t value) {
    SensitivityStage* s = StageAt(stage);
    return s ? (s->y = Clamp(value)) : 0;
}

int32_t CMouseProfile::GetStageY(int32_t stage) const {
    const SensitivityStage* s = StageAt(stage);
    return s ? s->y : 0;
}

void CMouseProfile::SetSensitivityRange(int32_t minimum, int32_t maximum, int32_t step) {
    m_sensitivityMin = minimum;
    m_sensitivityMax = maximum;
    m_sensitivityStep = step;
}

bool CMouseProfile::GetSensitivityRange(int32_t& minimum, int32_t& maximum, int32_t& step) const {
    minimum = m_sensitivityMin;
    maximum = m_sensitivityMax;
    step = m_sensitivityStep;
    return true;
}

const std::vector<int32_t>& CMouseProfile::AllowedFunctions(int32_t buttonId) {
    static const std::vector<int32_t> kScrollFunctions = {5, 12, 13, 39, 40, 7};
    static const std::vector<int32_t> kButtonFunctions = {0, 1, 2, 3, 5, 12, 13, 32, 31, 9, 4, 20, 39, 40, 7};
    return buttonId == kButtonScrollUp || buttonId == kButtonScrollDown ? kScrollFunctions : kButtonFunctions;
}

bool CMouseProfile::IsFunctionAllowed(int32_t code, int32_t buttonId) const {
    // The by-name forms share the permission of their by-id forms.
    if (code == kFunctionMacroByName)
        code = kFunctionMacroById;
    else if (code == kFunctionProfileByName)
        code = kFunctionProfileById;
    const std::vector<int32_t>& allowed = AllowedFunctions(buttonId);
    return std::find(allowed.begin(), allowed.end(), code) != allowed.end();
}

void CMouseProfile::ListAllowedFunctions(std::vector<std::wstring>& names, int32_t buttonId) const {
    names.clear();
    for (int32_t code : AllowedFunctions(buttonId))
        names.emplace_back(names::FunctionName(code));
}

bool CMouseProfile::SetButtonAssignment(int32_t buttonId, const Assignment& assignment) {
    if (!IsFunctionAllowed(assignment.code, buttonId))
        return false;
    m_buttonAssignments[buttonId] = assignment;
    return true;
}

Assignment CMouseProfile::GetButtonAssignment(int32_t buttonId) {
    // Asking never stores: a button the profile holds nothing for must not
    // turn into a click that the next write sends.
    const Assignment* held = FindButtonAssignment(buttonId);
    return held != nullptr ? *held : MakeAssignment(kFunctionClick);
}

const Assignment* CMouseProfile::FindButtonAssignment(int32_t buttonId) const {
    const auto it = m_buttonAssignments.find(buttonId);
    return it != m_buttonAssignments.end() ? &it->second : nullptr;
}

const Assignment* CMouseProfile::FindKeyAssignment(int32_t keyId) const {
    const auto it = m_keyAssignments.find(keyId);
    return it != m_keyAssignments.end() ? &it->second : nullptr;
}

bool CMouseProfile::HasClickAssignment() const {
    auto isClick = [](const auto& entry) { return entry.second.code == kFunctionClick; };
    if (std::any_of(m_buttonAssignments.begin(), m_buttonAssignments.end(), isClick))
        return true;
    return m_thumbKeysEnabled && std::any_of(m_keyAssignments.begin(), m_keyAssignments.end(), isClick);
}

bool CMouseProfile::SetKeyAssignment(int32_t keyId, const Assignment& assignment) {
    if (std::find(m_keyOrder.begin(), m_keyOrder.end(), keyId) == m_keyOrder.end())
        m_keyOrder.push_back(keyId);
    // Thumb keys take the list of an ordinary button.
    if (!IsFunctionAllowed(assignment.code, 0))
        return false;
    m_keyAssignments[keyId] = assignment;
    return true;
}

Assignment CMouseProfile::GetKeyAssignment(int32_t keyId) {
    const Assignment* held = FindKeyAssignment(keyId);
    return held != nullptr ? *held : MakeAssignment(kFunctionClick);
}

bool CMouseProfile::ApplyStoredAssignment(int32_t /*keyId*/, const wchar_t* /*value*/) {
    return false;
}

std::wstring CMouseProfile::DeriveFileName(const std::wstring& folder, const std::wstring& extension) const {
    // A nameless profile would share one file with every other nameless one.
    if (m_name.empty())
        return {};
    std::vector<std::wstring> candidates;
    if (m_name.size() <= kFileNameLimit && IsSafeFileName(m_name))
        candidates.push_back(m_name);
    const std::wstring stem = SafeFileNameStem(m_name);
    for (int counter = 0; counter < kFileNameCounters; ++counter) {
        wchar_t digits[8];
        swprintf(digits, std::size(digits), L"%04d", counter);
        candidates.push_back(stem + digits);
    }
    // The file this profile was read from or last written stays its file,
    // even after a rename that changed only the letter case.
    for (const std::wstring& candidate : candidates) {
        if (!m_filePath.empty() && inifile::EqualIgnoringCase(ProfilePath(folder, candidate, extension), m_filePath))
            return candidate;
    }
    // File names ignore letter case on the disk: a file that holds another
    // name ("Game" for "game") belongs to another profile.
    for (const std::wstring& candidate : candidates) {
        const std::wstring stored =
            inifile::ReadString(ProfilePath(folder, candidate, extension), kSectionProperties, kKeyName);
        if (stored.empty() || stored == m_name)
            return candidate;
    }
    return {};
}

bool CMouseProfile::SaveToFile(const wchar_t* fileName, const wchar_t* folder, const wchar_t* extension) {
    const std::wstring folderText = OrEmpty(folder);
    const std::wstring extensionText = OrEmpty(extension);
    std::wstring name = OrEmpty(fileName);
    if (name.empty()) {
        name = DeriveFileName(folderText, extensionText);
        if (name.empty())
            return false;
    } else {
        name = SafeCut(name, kFileNameLimit);
    }
    const std::wstring path = ProfilePath(folderText, name, extensionText);
    if (!inifile::PrepareForWrite(path))
        return false;
    if (!inifile::WriteString(path, kSectionProperties, kKeyName, m_name.c_str()) ||
        !inifile::WriteString(path, kSectionProperties, kKeyProgram, m_programPath.c_str()) ||
        !inifile::WriteString(path, kSectionProperties, kKeyAuto, m_autoSwitch ? L"1" : L"0"))
        return false;
    m_filePath = path;

    // Replace the section so the file holds no buttons from an earlier save.
    WritePrivateProfileStringW(kSectionAssignments, nullptr, nullptr, path.c_str());
    for (const auto& [buttonId, assignment] : m_buttonAssignments) {
        if (assignment.code == kFunctionNone)
            continue;
        const std::wstring key = std::to_wstring(buttonId);
        const std::wstring value = std::to_wstring(assignment.code);
        inifile::WriteString(path, kSectionAssignments, key.c_str(), value.c_str());
    }
    return true;
}

bool CMouseProfile::LoadFromFile(const wchar_t* fileName, const wchar_t* folder, const wchar_t* extension) {
    const std::wstring path = ProfilePath(OrEmpty(folder), OrEmpty(fileName), OrEmpty(extension));
    // A file without a name is not a profile; leave this one untouched.
    const std::wstring name = inifile::ReadString(path, kSectionProperties, kKeyName);
    if (name.empty())
        return false;
    m_name = name;
    m_filePath = path;
    SetProgramPath(inifile::ReadString(path, kSectionProperties, kKeyProgram).c_str());
    m_autoSwitch = inifile::ReadInt(path, kSectionProperties, kKeyAuto, 0) != 0;

    for (const std::wstring& line : inifile::ReadSectionLines(path, kSectionAssignments)) {
        const size_t equals = line.find(L'=');
        if (equals == std::wstring::npos)
            continue;
        const std::wstring value = line.substr(equals + 1);
        const int32_t key = static_cast<int32_t>(wcstol(line.substr(0, equals).c_str(), nullptr, 10));
        if (key == 0 || value.empty())
            continue;
        ApplyStoredAssignment(key, value.c_str());
    }
    return true;
}

CMouseProfile* FindProfileNamed(const std::vector<std::unique_ptr<CMouseProfile>>& profiles,
                                const std::wstring& name) {
    CMouseProfile* caseless = nullptr;
    for (const auto& profile : profiles) {
        if (profile->GetName() == name)
            return profile.get();
        if (caseless == nullptr && inifile::EqualIgnoringCase(profile->GetName(), name))
            caseless = profile.get();
    }
    return caseless;
}
