#include "app/pages/AssignPage.h"

#include <cstring>
#include <vector>

#include "app/pages/AssignmentText.h"
#include "app/resource.h"
#include "controls/BitmapBtn.h"
#include "controls/DropdownListItem.h"
#include "controls/ListPanelItem.h"
#include "macro/Macro.h"
#include "model/VellConfig.h"
#include "popups/PopupBoxSingleKeyEntry.h"
#include "skin/ControlIds.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"

namespace {

constexpr wchar_t kNoClickPopup[] = L"NoClickPopup.xml";

// The drop-downs of the two views, by the button id they show.
struct ButtonBox {
    int32_t buttonId;
    int32_t control;
    bool thumbGrid;
};
constexpr ButtonBox kButtonBoxes[] = {
    {1, ctl::BUTTON_ASSNLEFTCLICK, false},        {2, ctl::BUTTON_ASSNRIGHTCLICK, false},
    {3, ctl::BUTTON_ASSNSCROLLBUTTON, false},     {10, ctl::BUTTON_ASSNSCROLLUP, false},
    {11, ctl::BUTTON_ASSNSCROLLDOWN, false},      {25, ctl::BUTTON_ASSNLEFTCLICKFRONT, false},
    {26, ctl::BUTTON_ASSNLEFTCLICKREAR, false},   {12, ctl::BUTTON_ASSNTHUMBGRID01, true},
    {13, ctl::BUTTON_ASSNTHUMBGRID02, true},      {14, ctl::BUTTON_ASSNTHUMBGRID03, true},
    {15, ctl::BUTTON_ASSNTHUMBGRID04, true},      {16, ctl::BUTTON_ASSNTHUMBGRID05, true},
    {17, ctl::BUTTON_ASSNTHUMBGRID06, true},      {18, ctl::BUTTON_ASSNTHUMBGRID07, true},
    {19, ctl::BUTTON_ASSNTHUMBGRID08, true},      {20, ctl::BUTTON_ASSNTHUMBGRID09, true},
    {21, ctl::BUTTON_ASSNTHUMBGRID10, true},      {22, ctl::BUTTON_ASSNTHUMBGRID11, true},
    {23, ctl::BUTTON_ASSNTHUMBGRID12, true},
};
constexpr int32_t kFirstThumb = 12;
constexpr int32_t kLastThumb = 23;
constexpr int32_t kThumbPositions = 12;

bool IsThumb(int32_t buttonId) {
    return buttonId >= kFirstThumb && buttonId <= kLastThumb;
}

bool NamesMacro(const Assignment& a, const GUID& id, const std::wstring& name) {
    if (a.code == kFunctionMacroById)
        return AssignmentId(a) == id;
    return a.code == kFunctionMacroByName && CompareStringOrdinal(AssignmentName(a).c_str(), -1, name.c_str(), -1,
                                                                  TRUE) == CSTR_EQUAL;
}

}  // namespace

CAssignPage::CAssignPage(CVellConfig& config, IMouseDevice* device, IPageHost& host, const ItemList& topView,
                         const ItemList& thumbGrid)
    : CPage(config, device, host), m_topView(topView), m_thumbGrid(thumbGrid) {
    m_routes.On(ctl::TEXT_THUMBGRIDVIEW_BUTTON, [this] { m_host.SwitchPage(kPageThumbGrid); });
    m_routes.On(ctl::TEXT_TOPVIEW_BUTTON, [this] { m_host.SwitchPage(kPageTopView); });
    m_routes.On(ctl::BUTTON_KEYASSIGN_123NUM_123, [this] { SetKeypad(0); });
    m_routes.On(ctl::BUTTON_KEYASSIGN_123NUM_NUM, [this] { SetKeypad(1); });
    m_routes.On(ctl::BUTTON_DISABLE_KEYS, [this] { ToggleThumbKeys(); });
}

void CAssignPage::Bind() {
    m_buttons.clear();
    for (const ButtonBox& box : kButtonBoxes) {
        if (auto* item = Find<CDropdownListItem>(box.thumbGrid ? m_thumbGrid : m_topView, box.control, kItemDropdown))
            m_buttons[box.buttonId] = item;
    }
    m_profileMenu = Find<CListPanelItem>(m_topView, ctl::LISTPANEL_ASSIGNSUBMENU_PR, kItemListPanel);
    m_macroMenu = Find<CListPanelItem>(m_topView, ctl::LISTPANEL_ASSIGNSUBMENU_MA, kItemListPanel);
    m_keypad123 = Find<CBitmapBtn>(m_thumbGrid, ctl::BUTTON_KEYASSIGN_123NUM_123, kItemButton);
    m_keypadNum = Find<CBitmapBtn>(m_thumbGrid, ctl::BUTTON_KEYASSIGN_123NUM_NUM, kItemButton);
    m_disableKeys = Find<CBitmapBtn>(m_thumbGrid, ctl::BUTTON_DISABLE_KEYS, kItemButton);
    // The page decides the checked state of these three: a click only asks.
    for (CBitmapBtn* button : {m_keypad123, m_keypadNum, m_disableKeys}) {
        if (button != nullptr)
            button->SetTogglesOnClick(0);
    }
    if (m_keypad123 != nullptr)
        m_keypad123->SetChecked(1);
    if (m_keypadNum != nullptr)
        m_keypadNum->SetChecked(0);
}

// ---- keypad maps --------------------------------------------------------------

void CAssignPage::BuildKeypadMaps() {
    // The profile's key ids in order: the first twelve are the 123 row, the
    // next twelve the NUM pad, each on positions 12..23.
    m_keypads[0].clear();
    m_keypads[1].clear();
    const int32_t count = m_config.GetKeyAssignmentCount();
    for (int32_t i = 0; i < count && i < 2 * kThumbPositions; ++i) {
        const int32_t key = m_config.KeyIdAt(i);
        if (key >= 0)
            m_keypads[i / kThumbPositions][key] = i % kThumbPositions + kFirstThumb;
    }
}

int32_t CAssignPage::KeyIdOf(int32_t thumbPosition) const {
    for (const auto& [key, position] : m_keypads[m_activeMap]) {
        if (position == thumbPosition)
            return key;
    }
    return -1;
}

void CAssignPage::SetKeypad(int map) {
    m_activeMap = map;
    if (m_keypad123 != nullptr)
        m_keypad123->SetChecked(map == 0 ? 1 : 0);
    if (m_keypadNum != nullptr)
        m_keypadNum->SetChecked(map == 1 ? 1 : 0);
    Refresh();
}

// ---- drawing from the model -----------------------------------------------------

void CAssignPage::RefreshSubMenus() {
    if (m_macroMenu != nullptr) {
        m_macroMenu->ClearEntries();
        for (int32_t i = 0; i < m_config.GetMacroCount(); ++i)
            m_macroMenu->AddEntry(m_config.MacroAt(i)->Name());
    }
    if (m_profileMenu != nullptr) {
        m_profileMenu->ClearEntries();
        for (int32_t i = 0; i < m_config.GetProfileCount(); ++i)
            m_profileMenu->AddEntry(m_config.ProfileAt(i)->GetName());
    }
}

void CAssignPage::Refresh() {
    CMouseProfile* profile = m_config.GetCurrentProfile();
    if (profile == nullptr)
        return;
    BuildKeypadMaps();
    for (const auto& [buttonId, box] : m_buttons) {
        box->ClearEntries();
        std::vector<std::wstring> functions;
        profile->ListAllowedFunctions(functions, buttonId);
        for (const std::wstring& keyword : functions) {
            CListPanelItem* subList = nullptr;
            if (keyword == L"$profile")
                subList = m_profileMenu;
            else if (keyword == L"$macro")
                subList = m_macroMenu;
            box->AddEntry(keyword, subList);
        }
        ShowAssignment(buttonId, *box);
    }
    if (m_disableKeys != nullptr) {
        const bool enabled = m_config.GetThumbKeysEnabled();
        m_disableKeys->SetCaption(enabled ? L"$DisableAll" : L"$EnableAll", 0);
        m_disableKeys->SetChecked(enabled ? 0 : 1);
    }
}

void CAssignPage::ShowAssignment(int32_t buttonId, CDropdownListItem& box) {
    Assignment a;
    if (IsThumb(buttonId)) {
        const bool enabled = m_config.GetThumbKeysEnabled();
        box.SetDisabled(!enabled);
        if (!enabled) {
            a = MakeAssignment(kFunctionButtonOff);
        } else {
            const int32_t key = KeyIdOf(buttonId);
            if (key >= 0)
                a = m_config.GetKeyAssignment(key);
        }
    } else {
        a = m_config.GetButtonAssignment(buttonId);
    }
    // The by-name forms show under the same entries as the by-identity ones.
    int32_t code = a.code;
    if (code == kFunctionMacroByName)
        code = kFunctionMacroById;
    else if (code == kFunctionProfileByName)
        code = kFunctionProfileById;
    const wchar_t* keyword = code >= 0 ? names::FunctionName(code) : nullptr;
    const int index = keyword != nullptr ? box.FindEntry(keyword) : -1;

    const std::wstring second = pages::AssignmentDetail(m_config, a);
    if (index < 0)
        box.ClearSelection();
    else
        box.SelectEntry(index, second);
}

// ---- choices ------------------------------------------------------------------

bool CAssignPage::OnNotify(UINT message, WPARAM, LPARAM, CGUIItem* sender) {
    if (message == 0x634) {
        RefreshSubMenus();
        return true;
    }
    if (message != 0x614)
        return false;
    for (const auto& [buttonId, box] : m_buttons) {
        if (box == sender) {
            ApplyChoice(buttonId, *box);
            return true;
        }
    }
    return false;
}

bool CAssignPage::ReadAssignment(int32_t buttonId, Assignment& out) {
    if (!IsThumb(buttonId)) {
        out = m_config.GetButtonAssignment(buttonId);
        return true;
    }
    const int32_t key = KeyIdOf(buttonId);
    if (key < 0)
        return false;
    out = m_config.GetKeyAssignment(key);
    return true;
}

void CAssignPage::Store(int32_t buttonId, const Assignment& assignment) {
    if (!IsThumb(buttonId)) {
        m_config.SetButtonAssignment(buttonId, assignment);
        return;
    }
    const int32_t key = KeyIdOf(buttonId);
    if (key >= 0)
        m_config.SetKeyAssignment(key, assignment);
}

bool CAssignPage::StoreKeepingAClick(int32_t buttonId, const Assignment& assignment, const Assignment& saved) {
    Store(buttonId, assignment);
    if (m_config.HasClickAssignment())
        return true;
    // A profile never loses its last click: the choice is undone, and the
    // boxes show it undone while the warning says so.
    Store(buttonId, saved);
    Refresh();
    Warn(kNoClickPopup);
    return false;
}

void CAssignPage::ApplyChoice(int32_t buttonId, CDropdownListItem& box) {
    const int index = box.SelectedIndex();
    if (index < 0)
        return;
    Assignment saved;
    if (!ReadAssignment(buttonId, saved)) {
        // A thumb position without key id takes no assignment: the box goes
        // back to showing what is stored, which is nothing.
        ShowAssignment(buttonId, box);
        return;
    }
    const std::wstring keyword = box.EntryText(index);
    const std::wstring second = box.SecondText();
    const int32_t code = names::FunctionId(keyword.c_str());

    Assignment chosen = MakeAssignment(code);
    if (code == kFunctionSingleKey) {
        ChooseSingleKey(buttonId, box, saved);
        return;
    }
    if (code == kFunctionMacroById) {
        const CMacro* macro = m_config.FindMacroByName(second.c_str());
        if (macro == nullptr) {
            Refresh();
            return;
        }
        // A macro not yet on the mouse is named; the device link resolves it.
        if (macro->HasId()) {
            SetAssignmentId(chosen, macro->Id());
        } else {
            chosen = MakeAssignment(kFunctionMacroByName);
            SetAssignmentName(chosen, macro->Name());
        }
    } else if (code == kFunctionProfileById) {
        const CMouseProfile* target = m_config.FindByName(second.c_str());
        if (target == nullptr) {
            Refresh();
            return;
        }
        if (target->GetId() != GUID{}) {
            SetAssignmentId(chosen, target->GetId());
        } else {
            chosen = MakeAssignment(kFunctionProfileByName);
            SetAssignmentName(chosen, target->GetName().c_str());
        }
    }
    // A refused choice has already been undone and redrawn.
    if (StoreKeepingAClick(buttonId, chosen, saved))
        Refresh();
}

void CAssignPage::ChooseSingleKey(int32_t buttonId, CDropdownListItem& box, const Assignment& saved) {
    if (!StoreKeepingAClick(buttonId, MakeAssignment(kFunctionSingleKey), saved))
        return;
    PopupKeyResult key;
    CPopupBoxSingleKeyEntry popup(CPopupBoxSingleKeyEntry::kSkinFile, IDD_POPUP_ENTRY, m_host.Window(), key);
    const INT_PTR result = m_host.RunPopup(popup);
    // A key without a scan code cannot be sent: the button keeps what it had.
    if (result == CPopupBox::kResultOk && !key.text.empty() && key.scanCode != 0) {
        box.SelectEntry(box.SelectedIndex(), key.text);
        if (!StoreKeepingAClick(buttonId, MakeSingleKeyAssignment(key.scanCode, key.virtualKey, key.extended), saved))
            return;
    } else {
        Store(buttonId, saved);
    }
    Refresh();
}

// ---- the thumb grid on and off ----------------------------------------------------

void CAssignPage::ToggleThumbKeys() {
    if (m_disableKeys == nullptr)
        return;
    const bool disable = m_disableKeys->GetChecked() == 0;
    m_disableKeys->SetChecked(disable ? 1 : 0);
    m_config.SetThumbKeysEnabled(!disable);
    if (disable && !m_config.HasClickAssignment()) {
        // The only click was on a thumb key.
        m_config.SetThumbKeysEnabled(true);
        m_disableKeys->SetChecked(0);
        Refresh();
        Warn(kNoClickPopup);
    } else if (!disable) {
        // Keys that all do nothing get their defaults back.
        bool allOff = true;
        for (const auto& map : m_keypads) {
            for (const auto& entry : map)
                allOff = allOff && m_config.GetKeyAssignment(entry.first).code == kFunctionButtonOff;
        }
        if (allOff) {
            for (const auto& map : m_keypads) {
                for (const auto& entry : map) {
                    Assignment fallback;
                    if (m_config.DefaultKeyAssignment(entry.first, fallback))
                        m_config.SetKeyAssignment(entry.first, fallback);
                }
            }
        }
    }
    Refresh();
}

// ---- a macro or profile goes ------------------------------------------------------

void CAssignPage::ResetWhere(const std::function<bool(const Assignment&)>& names) {
    // Every button and both key sets of every profile, not only those on
    // view: a reference to what is gone would never read back from the mouse.
    for (int32_t p = 0; p < m_config.GetProfileCount(); ++p) {
        CMouseProfile* profile = m_config.ProfileAt(p);
        std::vector<int32_t> buttons, keys;
        for (const auto& [buttonId, assignment] : profile->ButtonAssignments()) {
            if (names(assignment))
                buttons.push_back(buttonId);
        }
        for (const auto& [keyId, assignment] : profile->KeyAssignments()) {
            if (names(assignment))
                keys.push_back(keyId);
        }
        for (int32_t buttonId : buttons) {
            Assignment fallback = MakeAssignment(kFunctionButtonOff);
            m_config.DefaultButtonAssignment(buttonId, fallback);
            m_config.SetButtonAssignment(buttonId, fallback, profile);
        }
        for (int32_t keyId : keys) {
            Assignment fallback = MakeAssignment(kFunctionButtonOff);
            m_config.DefaultKeyAssignment(keyId, fallback);
            m_config.SetKeyAssignment(keyId, fallback, profile);
        }
    }
    Refresh();
}

void CAssignPage::ForgetMacro(const GUID& id, const std::wstring& name) {
    ResetWhere([&](const Assignment& a) { return NamesMacro(a, id, name); });
}

void CAssignPage::ForgetProfile(const GUID& id, const std::wstring& name) {
    // A name may differ from another profile's only in letter case: an
    // assignment by name goes with the profile its name finds.
    const CMouseProfile* gone = m_config.FindByName(name.c_str());
    ResetWhere([&](const Assignment& a) {
        if (a.code == kFunctionProfileById)
            return id != GUID{} && AssignmentId(a) == id;
        return a.code == kFunctionProfileByName && gone != nullptr &&
               m_config.FindByName(AssignmentName(a).c_str()) == gone;
    });
}
