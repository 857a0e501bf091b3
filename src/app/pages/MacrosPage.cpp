#include "app/pages/MacrosPage.h"

#include <algorithm>
#include <cwctype>

#include "app/pages/AssignPage.h"
#include "app/pages/FileDialog.h"
#include "app/resource.h"
#include "controls/BitmapBtn.h"
#include "controls/EditItem.h"
#include "controls/XListCtrl.h"
#include "macro/Macro.h"
#include "macro/MacroDisplayItem.h"
#include "model/MouseDevice.h"
#include "model/VellConfig.h"
#include "popups/PopupBoxSingleKeyEntry.h"
#include "popups/PredefinedMacroPopup.h"
#include "popups/VellNameEntryPopup.h"
#include "skin/ControlIds.h"
#include "skin/NameTables.h"
#include "skin/LangTable.h"

namespace {

constexpr wchar_t kNamePopup[] = L"MacroNamePopup.xml";
constexpr wchar_t kDuplicatePopup[] = L"DuplicateMacroWarningPopup.xml";
constexpr wchar_t kDefaultDelayPopup[] = L"DefaultDelayWarningPopup.xml";
constexpr wchar_t kExportRefusedPopup[] = L"ExportMacroWarningPopup.xml";
constexpr wchar_t kConfirmDeletePopup[] = L"ConfirmDeleteMacroPopup.xml";
constexpr wchar_t kImportFailedPopup[] = L"ImportMacroFailedPopup.xml";
constexpr wchar_t kExportFailedPopup[] = L"ExportMacroFailedPopup.xml";
constexpr wchar_t kMacroFullPopup[] = L"MacroFullPopup.xml";
constexpr wchar_t kMacroLimitPopup[] = L"MacroLimitPopup.xml";
constexpr wchar_t kEventsLimitPopup[] = L"MacroEventsLimitPopup.xml";

// The page's controls that recording disables (all but the record button).
constexpr int32_t kOtherControls[] = {ctl::BUTTON_MACRO_CREATE,   ctl::BUTTON_MACRO_IMPORT,
                                      ctl::BUTTON_MACRO_EXPORT,   ctl::BUTTON_MACRO_DELETE,
                                      ctl::BUTTON_MACRO_ADVANCED, ctl::BUTTON_IGNORE_DELAY,
                                      ctl::BUTTON_INSERTDEFAULT_DELAY, ctl::EDITCTRL_DEFAULT_DELAY,
                                      ctl::LIST_GLOBALMACROLIST};

bool SameIgnoringCase(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

CMacrosPage::CMacrosPage(CVellConfig& config, IMouseDevice* device, IPageHost& host, const ItemList& items,
                         CAssignPage* assign)
    : CPage(config, device, host), m_items(items), m_assign(assign) {
    m_routes.On(ctl::BUTTON_MACRO_CREATE, [this] { NewMacro(); });
    m_routes.On(ctl::BUTTON_MACRO_RECORD, [this] { ToggleRecording(); });
    m_routes.On(ctl::BUTTON_MACRO_ADVANCED, [this] { InsertPredefined(); });
    m_routes.On(ctl::BUTTON_MACRO_DELETE, [this] { DeleteMacro(); });
    m_routes.On(ctl::BUTTON_MACRO_IMPORT, [this] { ImportMacro(); });
    m_routes.On({ctl::BUTTON_MACRO_EXPORT, ctl::BUTTON_MACRO_SAVE}, [this] { ExportMacro(); });
    m_routes.On(ctl::BUTTON_IGNORE_DELAY,
                [this] { SetIgnoreDelays(m_ignoreDelays != nullptr && m_ignoreDelays->GetChecked() != 0); });
    m_routes.On(ctl::BUTTON_INSERTDEFAULT_DELAY,
                [this] { SetInsertDefaultDelay(m_defaultDelay != nullptr && m_defaultDelay->GetChecked() != 0); });
}

void CMacrosPage::Bind() {
    m_list = Find<CXListCtrl>(m_items, ctl::LIST_GLOBALMACROLIST, kItemList);
    m_display = Find<CMacroDisplayItem>(m_items, ctl::MACRO_DISPLAY, kItemMacroDisplay);
    m_record = Find<CBitmapBtn>(m_items, ctl::BUTTON_MACRO_RECORD, kItemButton);
    m_ignoreDelays = Find<CBitmapBtn>(m_items, ctl::BUTTON_IGNORE_DELAY, kItemButton);
    m_defaultDelay = Find<CBitmapBtn>(m_items, ctl::BUTTON_INSERTDEFAULT_DELAY, kItemButton);
    m_delayBox = Find<CEditItem>(m_items, ctl::EDITCTRL_DEFAULT_DELAY, kItemEdit);
    if (m_delayBox != nullptr) {
        m_delayBox->SetDigitsOnly(1);
        EnableWindow(m_delayBox->Window(), FALSE);  // until the default-delay option is on
    }
    if (m_display != nullptr) {
        m_display->SetOnLimit([this] {
            // The macro is full: what was recorded so far stays, nothing more is added.
            Warn(kMacroFullPopup, {});
        });
    }
}

bool CMacrosPage::IsRecording() const {
    return m_display != nullptr && m_display->IsRecording();
}

CMacro* CMacrosPage::Selected() const {
    return m_selected >= 0 ? m_config.MacroAt(m_selected) : nullptr;
}

// ---- the list and the display ----------------------------------------------------

void CMacrosPage::Refresh() {
    if (IsRecording())
        return;
    if (m_selected >= m_config.GetMacroCount())
        m_selected = m_config.GetMacroCount() - 1;
    if (m_selected < 0 && m_config.GetMacroCount() > 0)
        m_selected = 0;
    FillList();
    ShowSelected();
}

void CMacrosPage::FillList() {
    if (m_list == nullptr)
        return;
    m_list->DeleteAllRows();
    for (int32_t i = 0; i < m_config.GetMacroCount(); ++i) {
        if (m_list->AddRow(i) >= 0)
            m_list->SetCellText(controls::LCITEM_PROFILENAME, i, m_config.MacroAt(i)->Name());
    }
    if (m_selected >= 0)
        m_list->SelectRow(m_selected);
}

void CMacrosPage::ShowSelected() {
    if (m_display == nullptr)
        return;
    if (const CMacro* macro = Selected())
        m_display->Show(macro->Events());
    else
        m_display->Clear();
}

void CMacrosPage::SelectMacro(int index) {
    if (IsRecording() || index < 0 || index >= m_config.GetMacroCount())
        return;
    m_selected = index;
    if (m_list != nullptr)
        m_list->SelectRow(index);
    ShowSelected();
}

bool CMacrosPage::OnNotify(UINT message, WPARAM wParam, LPARAM lParam, CGUIItem* sender) {
    switch (message) {
        case WMU_LIST_LBUTTONDOWN:
            if (sender == m_list && m_list != nullptr)
                SelectMacro(static_cast<int>(static_cast<int32_t>(wParam)));
            return true;
        case WMU_MACRO_EVENTS_CHANGED:
            // The display changed the events (insert, delete, delay edited).
            if (CMacro* macro = Selected(); macro != nullptr && m_display != nullptr && !IsRecording())
                macro->SetEvents(m_display->Events());
            return true;
        case WMU_MACRO_EDIT_KEY:
            EditKeyRow();
            return true;
        default:
            (void)lParam;
            return false;
    }
}

void CMacrosPage::EnableControls(bool enabled) {
    for (int32_t id : kOtherControls) {
        if (CGUIItem* item = ::FindItem(m_items, id))
            EnableWindow(item->Window(), enabled ? TRUE : FALSE);
    }
    // The delay box follows its option.
    if (enabled && m_delayBox != nullptr)
        EnableWindow(m_delayBox->Window(), m_defaultDelay != nullptr && m_defaultDelay->GetChecked() != 0);
}

// ---- operations ----------------------------------------------------------------------

DeviceLimits CMacrosPage::Limits() const {
    return m_device != nullptr ? m_device->GetLimits() : DeviceLimits{};
}

bool CMacrosPage::RoomForAnotherMacro() {
    if (static_cast<size_t>(m_config.GetMacroCount()) < kMacroListLimit &&
        m_config.GetMacroCount() < Limits().macros)
        return true;
    Warn(kMacroLimitPopup);
    return false;
}

void CMacrosPage::NewMacro() {
    if (!RoomForAnotherMacro())
        return;
    std::wstring name;
    CVellNameEntryPopup popup(kNamePopup, IDD_POPUP_ENTRY, m_host.Window(), name);
    if (m_host.RunPopup(popup) != CPopupBox::kResultOk || name.empty())
        return;
    // Names differing only in letter case are one name to the macro list:
    // the user is told instead of seeing nothing happen.
    for (int32_t i = 0; i < m_config.GetMacroCount(); ++i) {
        const CMacro* existing = m_config.MacroAt(i);
        if (SameIgnoringCase(existing->Name(), name.c_str())) {
            Warn(kDuplicatePopup, lang::NameSeparator() + std::wstring(existing->Name()));
            return;
        }
    }
    if (m_config.CreateMacro(name.c_str(), {}) == nullptr)
        return;
    m_selected = m_config.GetMacroCount() - 1;
    FillList();
    ShowSelected();
}

uint32_t CMacrosPage::DefaultDelayFromBox() const {
    if (m_delayBox == nullptr)
        return 0;
    const std::wstring text = m_delayBox->Text();
    if (text.empty() || text.size() > 7 || !std::all_of(text.begin(), text.end(), iswdigit))
        return 0;
    return static_cast<uint32_t>(std::wcstoul(text.c_str(), nullptr, 10));
}

void CMacrosPage::ToggleRecording() {
    CMacro* macro = Selected();
    if (macro == nullptr || m_display == nullptr)
        return;
    if (!IsRecording()) {
        const bool fixedDelay = m_defaultDelay != nullptr && m_defaultDelay->GetChecked() != 0;
        uint32_t delay = 0;
        if (fixedDelay) {
            delay = DefaultDelayFromBox();
            if (delay == 0) {
                Warn(kDefaultDelayPopup, {});
                return;
            }
            m_display->SetDefaultDelay(delay);
        }
        if (m_record != nullptr)
            m_display->SetRecordButton(m_record->Window());
        if (!m_display->ToggleRecording())
            return;
        m_recordingMacro = m_selected;
        SetFocus(m_display->Handle());
        if (m_record != nullptr)
            m_record->SetCaption(L"$Stop", 0);
        EnableControls(false);
        return;
    }
    m_display->ToggleRecording();
    m_display->SetRecordButton(nullptr);
    if (m_record != nullptr)
        m_record->SetCaption(L"$Record", 0);
    if (CMacro* recorded = m_config.MacroAt(m_recordingMacro))
        recorded->SetEvents(m_display->Events());
    m_recordingMacro = -1;
    EnableControls(true);
}

void CMacrosPage::SetIgnoreDelays(bool on) {
    if (m_display != nullptr)
        m_display->SetIgnoreDelays(on);
    if (on && m_defaultDelay != nullptr && m_defaultDelay->GetChecked() != 0) {
        m_defaultDelay->SetChecked(0);
        if (m_display != nullptr)
            m_display->SetInsertDefaultDelay(false);
    }
    if (m_delayBox != nullptr)
        EnableWindow(m_delayBox->Window(), m_defaultDelay != nullptr && m_defaultDelay->GetChecked() != 0);
}

void CMacrosPage::SetInsertDefaultDelay(bool on) {
    if (m_display != nullptr)
        m_display->SetInsertDefaultDelay(on);
    if (on && m_ignoreDelays != nullptr && m_ignoreDelays->GetChecked() != 0) {
        m_ignoreDelays->SetChecked(0);
        if (m_display != nullptr)
            m_display->SetIgnoreDelays(false);
    }
    if (m_delayBox != nullptr)
        EnableWindow(m_delayBox->Window(), on);
}

void CMacrosPage::InsertPredefined() {
    CMacro* macro = Selected();
    if (macro == nullptr || m_display == nullptr || IsRecording())
        return;
    const CPredefinedMacroList& predefined = CPredefinedMacroList::Instance();
    CVellPredefinedMacroPopup popup(CPredefinedMacroPopup::kSkinFile, IDD_POPUP_LIST, m_host.Window(),
                                    {predefined.Keywords(1), predefined.Keywords(2)});
    if (m_host.RunPopup(popup) != CPopupBox::kResultOk || popup.ChosenCommand().empty())
        return;
    MacroEvents sequence;
    if (!predefined.Lookup(names::PredefinedCommandId(popup.ChosenCommand().c_str()), sequence))
        return;
    // After the selected row; at the start of the macro when none is selected.
    MacroEvents events = m_display->Events();
    if (events.size() + sequence.size() > static_cast<size_t>(Limits().eventsPerMacro)) {
        Warn(kEventsLimitPopup);
        return;
    }
    const int row = m_display->SelectedRow();
    const size_t at = row >= 0 ? static_cast<size_t>(row) + 1 : 0;
    events.insert(events.begin() + static_cast<std::ptrdiff_t>(std::min(at, events.size())), sequence.begin(),
                  sequence.end());
    macro->SetEvents(events);
    m_display->Show(events);
    m_display->Select(static_cast<int>(std::min(at, events.size() - 1)));
}

void CMacrosPage::EditKeyRow() {
    CMacro* macro = Selected();
    if (macro == nullptr || m_display == nullptr)
        return;
    const int row = m_display->SelectedRow();
    MacroEvents events = m_display->Events();
    if (row < 0 || static_cast<size_t>(row) >= events.size() || events[static_cast<size_t>(row)].kind != kMacroEventKey)
        return;
    MacroEvent& event = events[static_cast<size_t>(row)];
    PopupKeyResult key;
    key.scanCode = static_cast<uint16_t>(event.code & 0xFFFF);
    key.virtualKey = static_cast<uint16_t>(event.code >> 16);
    key.extended = (event.state & kMacroStateExtended) != 0 ? 1 : 0;
    CPopupBoxSingleKeyEntry popup(CPopupBoxSingleKeyEntry::kSkinFile, IDD_POPUP_ENTRY, m_host.Window(), key);
    if (m_host.RunPopup(popup) != CPopupBox::kResultOk || key.text.empty() ||
        key.scanCode == static_cast<uint16_t>(event.code & 0xFFFF))
        return;
    // The new key keeps the row's press or release.
    event.code = key.scanCode | (static_cast<uint32_t>(key.virtualKey) << 16);
    event.state = (event.state & 0xFF) | (key.extended != 0 ? kMacroStateExtended : 0);
    macro->SetEvents(events);
    m_display->Show(events);
    m_display->Select(row);
}

void CMacrosPage::DeleteMacro() {
    CMacro* macro = Selected();
    if (macro == nullptr)
        return;
    if (Warn(kConfirmDeletePopup, lang::NameSeparator() + std::wstring(macro->Name())) != CPopupBox::kResultOk)
        return;
    if (m_assign != nullptr)
        m_assign->ForgetMacro(macro->Id(), macro->Name());
    m_config.DeleteMacro(macro);
    m_selected = m_config.GetMacroCount() > 0 ? 0 : -1;
    FillList();
    ShowSelected();
}

void CMacrosPage::ImportMacro() {
    if (!RoomForAnotherMacro())
        return;
    std::wstring path;
    if (pages::AskForExportFile(m_host.Window(), false, kExtension, L"Macro", L"$MacroFileFilter", m_config.ProfileFolder(), path))
        ImportFile(path);
}

bool CMacrosPage::ImportFile(const std::wstring& path) {
    // The unsaved mark follows what the mouse holds, and the mouse took it.
    const bool heldAll = m_host.MouseHoldsAllShown();
    std::wstring nameInFile;
    if (m_device == nullptr || !m_device->ImportMacro(path.c_str(), &m_config, &nameInFile)) {
        Warn(kImportFailedPopup, lang::NameSeparator() + CXListCtrl::FileNameOf(path));
        return false;
    }
    m_selected = m_config.GetMacroCount() - 1;
    FillList();
    ShowSelected();
    m_host.MouseTookImport(heldAll);
    if (!nameInFile.empty())
        if (const CMacro* imported = Selected())
            TellImportedAsCopy(nameInFile, imported->Name());
    return true;
}

void CMacrosPage::ExportMacro() {
    CMacro* macro = Selected();
    if (macro == nullptr)
        return;
    if (m_device == nullptr || !m_device->IsMacroOnDevice(macro)) {
        Warn(kExportRefusedPopup, lang::NameSeparator() + std::wstring(macro->Name()));
        return;
    }
    std::wstring path;
    if (!pages::AskForExportFile(m_host.Window(), true, kExtension, L"Macro", L"$MacroFileFilter", m_config.ProfileFolder(), path))
        return;
    if (!m_device->ExportMacro(path.c_str(), macro))
        Warn(kExportFailedPopup, lang::NameSeparator() + std::wstring(macro->Name()));
}
