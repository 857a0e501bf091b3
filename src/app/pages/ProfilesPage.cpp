#include "app/pages/ProfilesPage.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/pages/AssignPage.h"
#include "app/pages/AssignmentText.h"
#include "app/pages/FileDialog.h"
#include "app/resource.h"
#include "controls/ListPanelItem.h"
#include "controls/XListCtrl.h"
#include "model/MouseDevice.h"
#include "model/VellConfig.h"
#include "popups/VellNameEntryPopup.h"
#include "skin/ControlIds.h"
#include "skin/LangTable.h"

namespace {

constexpr wchar_t kLimitPopup[] = L"ProfileLimitReachedPopup.xml";
constexpr wchar_t kNamePopup[] = L"ProfileNamePopup.xml";
constexpr wchar_t kDuplicatePopup[] = L"DuplicateProfileWarningPopup.xml";
constexpr wchar_t kDisallowDeletePopup[] = L"DisallowDeletePopup.xml";
constexpr wchar_t kConfirmDeletePopup[] = L"ConfirmDeletePopup.xml";
constexpr wchar_t kRestorePopup[] = L"RestorePopup.xml";
constexpr wchar_t kImportRefusedPopup[] = L"ImporttProfileWarningPopup.xml";
constexpr wchar_t kExportRefusedPopup[] = L"ExportProfileWarningPopup.xml";
constexpr wchar_t kImportFailedPopup[] = L"ImportProfileFailedPopup.xml";
constexpr wchar_t kExportFailedPopup[] = L"ExportProfileFailedPopup.xml";
constexpr wchar_t kPreviewPopup[] = L"PreviewPopup.xml";
constexpr wchar_t kProgramPathPopup[] = L"ProgramPathPopup.xml";

// Without a device link the mouse's own limit is assumed.
constexpr int kDefaultMaxProfiles = 5;

// The top view's buttons in the preview's order.
constexpr int32_t kTopViewButtons[] = {1, 2, 3, 25, 26, 10, 11};
constexpr int32_t kThumbPositions = 12;
// Function numbers the preview names.
constexpr int32_t kLastFunction = 61;

bool SameKey(const std::wstring& a, const wchar_t* b) {
    return CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

// A profile that has exactly this name (letter case counts).
const CMouseProfile* NamedExactly(CVellConfig& config, const std::wstring& name) {
    for (int32_t i = 0; i < config.GetProfileCount(); ++i) {
        if (config.ProfileAt(i)->GetName() == name)
            return config.ProfileAt(i);
    }
    return nullptr;
}

PreviewLine Describe(CVellConfig& config, const Assignment& a) {
    PreviewLine line;
    if (a.code >= 0 && a.code <= kLastFunction) {
        if (const wchar_t* keyword = pages::AssignmentKeyword(a))
            line.keyword = keyword;
    }
    if (!line.keyword.empty())
        line.detail = pages::AssignmentDetail(config, a);
    return line;
}

}  // namespace

CProfilesPage::CProfilesPage(CVellConfig& config, IMouseDevice* device, IPageHost& host, const ItemList& items,
                             CAssignPage* assign)
    : CPage(config, device, host), m_items(items), m_assign(assign) {
    m_routes.On(ctl::BUTTON_NEWPROFILE, [this] { NewProfile(); });
    m_routes.On(ctl::BUTTON_IMPORTPROFILE, [this] { ImportProfile(); });
    m_routes.On({ctl::BUTTON_EXPORTPROFILE, ctl::BUTTON_SAVEPROFILE}, [this] { ExportProfile(SelectedProfile()); });
    m_routes.On(ctl::BUTTON_DELETEPROFILE, [this] { DeleteProfile(SelectedProfile()); });
}

void CProfilesPage::Bind() {
    m_list = Find<CXListCtrl>(m_items, ctl::LIST_PROFILELIST, kItemList);
    m_menu = Find<CListPanelItem>(m_items, ctl::LISTPANEL_PROFILEOPTIONS, kItemListPanel);
    if (m_list != nullptr && m_menu != nullptr)
        m_list->SetRightClickMenu(m_menu);
}

// ---- the list ---------------------------------------------------------------------

void CProfilesPage::Refresh() {
    if (m_list != nullptr) {
        // Each row's id is its profile's index in the configuration.
        m_list->DeleteAllRows();
        const CMouseProfile* current = m_config.GetCurrentProfile();
        int32_t currentRow = -1;
        for (int32_t i = 0; i < m_config.GetProfileCount(); ++i) {
            CMouseProfile* profile = m_config.ProfileAt(i);
            if (m_list->AddRow(i) < 0)
                continue;
            m_list->SetCellText(controls::LCITEM_PROFILENAME, i, profile->GetName());
            m_list->SetCellText(controls::LCITEM_PROFILEEXE, i, profile->GetProgramFileName());
            m_list->SetCheck(i, profile->GetAutoSwitch() ? 1 : 0);
            if (profile == current)
                currentRow = i;
        }
        if (m_list->IsSorted())
            m_list->Sort();
        for (int32_t index = 0; index < m_list->RowCount(); ++index) {
            wchar_t number[8];
            swprintf(number, std::size(number), L"%02d", index + 1);
            m_list->SetCellText(controls::LCITEM_PROFILEID, m_list->RowIdAt(index), number);
        }
        m_list->SelectRow(currentRow >= 0 ? currentRow : m_list->RowIdAt(0));
    }
    m_host.ShowProfile();
}

CMouseProfile* CProfilesPage::ProfileOfRow(int32_t rowId) const {
    return rowId >= 0 && rowId < m_config.GetProfileCount() ? m_config.ProfileAt(rowId) : nullptr;
}

CMouseProfile* CProfilesPage::SelectedProfile() const {
    return m_list != nullptr ? ProfileOfRow(m_list->SelectedRowId()) : nullptr;
}

bool CProfilesPage::OnNotify(UINT message, WPARAM, LPARAM lParam, CGUIItem* sender) {
    if (m_list == nullptr || sender != m_list || lParam == 0)
        return false;
    const auto& note = *reinterpret_cast<const ListNotify*>(lParam);
    switch (message) {
        case WMU_LIST_TEXTCHANGED:
            if (note.data != nullptr)
                RenameProfile(note.rowId, static_cast<const wchar_t*>(note.data));
            return true;
        case WMU_LIST_PROGRAMCHANGED:
            if (CMouseProfile* profile = ProfileOfRow(note.rowId)) {
                const std::wstring path = note.data != nullptr ? static_cast<const wchar_t*>(note.data) : L"";
                const int32_t limit = m_device != nullptr ? m_device->GetLimits().programPathChars
                                                          : DeviceLimits{}.programPathChars;
                // The mouse keeps no longer path: the row shows the program
                // the profile keeps.
                if (static_cast<int64_t>(path.size()) > limit) {
                    Refresh();
                    Warn(kProgramPathPopup);
                } else {
                    m_config.SetProgramPath(profile, path.c_str());
                }
            }
            return true;
        case WMU_LIST_CHECKCHANGED:
            if (CMouseProfile* profile = ProfileOfRow(note.rowId); profile != nullptr && note.data != nullptr)
                m_config.SetAutoSwitch(profile, *static_cast<const uint8_t*>(note.data) != 0);
            return true;
        case WMU_LIST_DBLCLICK:
            MakeCurrent(ProfileOfRow(note.rowId));
            return true;
        case WMU_LIST_MENUCHOICE:
            if (note.data != nullptr)
                OnMenuChoice(note.rowId, static_cast<const wchar_t*>(note.data));
            return true;
        default:
            return false;
    }
}

void CProfilesPage::OnMenuChoice(int32_t rowId, const std::wstring& entry) {
    CMouseProfile* row = ProfileOfRow(rowId);
    if (SameKey(entry, L"$New"))
        NewProfile();
    else if (SameKey(entry, L"$Preview"))
        PreviewProfile(row != nullptr ? row : SelectedProfile());
    else if (SameKey(entry, L"$Delete"))
        DeleteProfile(row != nullptr ? row : SelectedProfile());
    else if (SameKey(entry, L"$Copy"))
        CopyProfile(row);
    else if (SameKey(entry, L"$Import"))
        ImportProfile();
    else if (SameKey(entry, L"$Export"))
        ExportProfile(row != nullptr ? row : SelectedProfile());
    else if (SameKey(entry, L"$RestoreDefault"))
        RestoreProfile(row);
}

// ---- popups and limits --------------------------------------------------------------

int CProfilesPage::MaxProfiles() const {
    const int max = m_device != nullptr ? m_device->GetMaxProfiles() : 0;
    return max > 0 ? max : kDefaultMaxProfiles;
}

bool CProfilesPage::AtLimit(const wchar_t* caption) {
    if (m_config.GetProfileCount() < MaxProfiles())
        return false;
    Warn(kLimitPopup, {}, caption);
    return true;
}

// ---- operations ------------------------------------------------------------------------

void CProfilesPage::MakeCurrent(CMouseProfile* profile) {
    if (profile == nullptr || profile == m_config.GetCurrentProfile())
        return;
    m_config.SetCurrentProfile(profile);
    m_host.RefreshPages();
}

void CProfilesPage::NewProfile() {
    if (AtLimit(L"$CreateProfile"))
        return;
    std::wstring name;
    CVellNameEntryPopup popup(kNamePopup, IDD_POPUP_ENTRY, m_host.Window(), name);
    if (m_host.RunPopup(popup) != CPopupBox::kResultOk || name.empty()) {
        m_host.RefreshPages();
        return;
    }
    if (const CMouseProfile* same = NamedExactly(m_config, name)) {
        Warn(kDuplicatePopup, lang::NameSeparator() + same->GetName());
        return;
    }
    // A new profile starts with the default profile settings; the settings
    // that belong to the whole mouse (polling rate, acceleration) stay the
    // user's.
    const int32_t polling = m_config.GetPollingRateChoice();
    const int32_t level = m_config.GetAccelerationLevel();
    const bool accelerated = m_config.GetAccelerationEnabled();
    CMouseProfile* created = m_config.CreateProfile(name.c_str());
    m_config.SetPollingRateChoice(polling);
    m_config.SetAccelerationLevel(level);
    m_config.SetAccelerationEnabled(accelerated);
    if (created != nullptr)
        m_config.SetCurrentProfile(created);
    m_host.RefreshPages();
}

std::wstring CProfilesPage::CopyName(CVellConfig& config, const std::wstring& source) {
    return NameOfCopy(source, [&](const std::wstring& name) { return NamedExactly(config, name) != nullptr; });
}

void CProfilesPage::CopyProfile(CMouseProfile* source) {
    if (source == nullptr || AtLimit(L"$Copy"))
        return;
    const std::wstring name = CopyName(m_config, source->GetName());
    if (name.empty())
        return;
    if (CMouseProfile* copy = m_config.Duplicate(source, name.c_str())) {
        m_config.SetCurrentProfile(copy);
        m_host.RefreshPages();
    }
}

void CProfilesPage::RenameProfile(int32_t rowId, const std::wstring& name) {
    CMouseProfile* profile = ProfileOfRow(rowId);
    if (profile == nullptr)
        return;
    // A profile always keeps a name: an emptied cell gets the old one back.
    const bool blank = std::all_of(name.begin(), name.end(), [](wchar_t c) { return iswspace(c) != 0; });
    if (blank) {
        if (m_list != nullptr)
            m_list->SetCellText(controls::LCITEM_PROFILENAME, rowId, profile->GetName());
        return;
    }
    if (NamedExactly(m_config, name) != nullptr) {
        Warn(kDuplicatePopup, lang::NameSeparator() + name);
        if (m_list != nullptr)
            m_list->SetCellText(controls::LCITEM_PROFILENAME, rowId, profile->GetName());
        return;
    }
    if (m_config.Rename(profile, name.c_str()) != nullptr)
        Refresh();
}

void CProfilesPage::DeleteProfile(CMouseProfile* profile) {
    if (profile == nullptr || m_config.GetProfileCount() == 0)
        return;
    const CMouseProfile* first = m_config.ProfileAt(0);
    if (profile == first || (profile->GetId() != GUID{} && profile->GetId() == first->GetId())) {
        Warn(kDisallowDeletePopup, lang::NameSeparator() + profile->GetName());
        return;
    }
    if (Warn(kConfirmDeletePopup, lang::NameSeparator() + profile->GetName()) != CPopupBox::kResultOk)
        return;
    // Buttons that switch to the profile fall back to their defaults first,
    // while the profile can still be named.
    const GUID id = profile->GetId();
    const std::wstring name = profile->GetName();
    if (m_assign != nullptr)
        m_assign->ForgetProfile(id, name);
    // The configuration deletes the profile's file with it.
    m_config.Delete(profile);
    if (m_config.GetCurrentProfile() != nullptr) {
        Refresh();
        return;
    }
    if (m_config.GetProfileCount() > 0)
        m_config.SetCurrentProfile(m_config.ProfileAt(0));
    m_host.RefreshPages();
}

void CProfilesPage::RestoreProfile(CMouseProfile* profile) {
    if (profile == nullptr || Warn(kRestorePopup, {}) != CPopupBox::kResultOk)
        return;
    m_config.RestoreDefaults(profile);
    if (profile == m_config.GetCurrentProfile())
        m_host.RefreshPages();
    else
        Refresh();
}

PreviewContent CProfilesPage::DescribeProfile(CVellConfig& config, CMouseProfile& profile) {
    PreviewContent content;
    content.name = profile.GetName();
    for (size_t i = 0; i < std::size(kTopViewButtons); ++i)
        content.topView[i] = Describe(config, config.GetButtonAssignment(kTopViewButtons[i], &profile));
    // The profile's key ids in order: the 123 set, then the NUM set.
    for (int32_t i = 0; i < 2 * kThumbPositions; ++i) {
        const int32_t key = config.KeyIdAt(i, &profile);
        if (key < 0)
            continue;
        auto& lines = i < kThumbPositions ? content.keypad123 : content.keypadNum;
        lines[static_cast<size_t>(i % kThumbPositions)] = Describe(config, config.GetKeyAssignment(key, &profile));
    }
    const int32_t stages = std::min<int32_t>(config.GetStageCount(&profile), 5);
    const int32_t inUse = config.GetStagesInUse(&profile);
    const int32_t active = config.GetActiveStage(&profile);
    for (int32_t s = 1; s <= stages; ++s) {
        PreviewStage& stage = content.stages[static_cast<size_t>(s - 1)];
        stage.value = config.GetStageValue(s, &profile);
        stage.x = config.GetStageX(s, &profile);
        stage.y = config.GetStageY(s, &profile);
        stage.separate = config.GetStageFlag(s, &profile);
        stage.active = s == active;
        stage.inUse = s <= inUse;
    }
    return content;
}

void CProfilesPage::PreviewProfile(CMouseProfile* profile) {
    if (profile == nullptr)
        return;
    CVellPreviewPopup popup(kPreviewPopup, IDD_POPUP_LIST, m_host.Window(), DescribeProfile(m_config, *profile));
    m_host.RunPopup(popup);
}

// ---- files ------------------------------------------------------------------------------

bool CProfilesPage::AskForFile(bool save, std::wstring& path) {
    return pages::AskForExportFile(m_host.Window(), save, kExtension, L"Profile", L"$ProfileFileFilter", m_config.ProfileFolder(), path);
}

void CProfilesPage::ImportProfile() {
    if (AtLimit(L"$ImportProfile"))
        return;
    // Profiles added or deleted here reach the mouse only with Apply; an
    // import in between would mix the two.
    if (m_device == nullptr || m_config.GetProfileCount() != m_device->GetDeviceProfileCount()) {
        Warn(kImportRefusedPopup, {}, L"$ImportProfile");
        return;
    }
    std::wstring path;
    if (AskForFile(false, path))
        ImportFile(path);
}

bool CProfilesPage::ImportFile(const std::wstring& path) {
    // The unsaved mark follows what the mouse holds, and the mouse took it.
    const bool heldAll = m_host.MouseHoldsAllShown();
    std::wstring nameInFile;
    if (m_device == nullptr || !m_device->ImportProfile(path.c_str(), &m_config, &nameInFile)) {
        // Nothing was added: neither here nor on the mouse.
        Warn(kImportFailedPopup, lang::NameSeparator() + CXListCtrl::FileNameOf(path));
        return false;
    }
    Refresh();
    m_host.MouseTookImport(heldAll);
    // The import is the last profile.
    if (!nameInFile.empty() && m_config.GetProfileCount() > 0)
        TellImportedAsCopy(nameInFile, m_config.ProfileAt(m_config.GetProfileCount() - 1)->GetName());
    return true;
}

void CProfilesPage::ExportProfile(CMouseProfile* profile) {
    if (profile == nullptr)
        return;
    if (m_device == nullptr || !m_device->IsProfileOnDevice(profile)) {
        Warn(kExportRefusedPopup, lang::NameSeparator() + profile->GetName());
        return;
    }
    std::wstring path;
    if (!AskForFile(true, path))
        return;
    if (!m_device->ExportProfile(path.c_str(), profile))
        Warn(kExportFailedPopup, lang::NameSeparator() + profile->GetName());
}
