// The predefined-command popup ("AdvancedMacroPopup.xml"): two drop-down
// lists offer the ready-made key sequences of the predefined command list,
// the basic commands and the additional ones, each with its own add button.
// The page inserts the sequence of the command whose keyword the popup hands
// back.
//
// The popup does not read the predefined command list itself: that list
// lives with the macro model, which sits above the popups. The page hands
// over the two groups' keywords (CPredefinedMacroList::Keywords) instead, in
// the list's order; the popup shows them through the language.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "popups/PopupBox.h"
#include "skin/ControlIds.h"

class CDropdownListItem;

// The keywords ("$cut", "$copy", ...) of the two groups of predefined
// commands, in the predefined command list's order.
struct PredefinedCommandLists {
    std::vector<std::wstring> basic;
    std::vector<std::wstring> additional;
};

class CPredefinedMacroPopup : public CPopupBox {
public:
    static constexpr const wchar_t* kSkinFile = L"AdvancedMacroPopup.xml";
    static constexpr int32_t kBasicList = ctl::LIST_GLOBAL_BASIC_COMMANDS;
    static constexpr int32_t kAdditionalList = ctl::LIST_GLOBAL_ADDITIONAL_COMMANDS;
    static constexpr int32_t kAddBasic = ctl::BUTTON_ADD_BASIC_MACRO_CMDS;
    static constexpr int32_t kAddAdditional = ctl::BUTTON_ADD_ADV_MACRO_CMDS;

    CPredefinedMacroPopup(std::wstring skinFile, int templateId, HWND owner, PredefinedCommandLists commands);

    // The keyword of the command chosen last in either list; empty when
    // none was chosen (either add button still closes with OK then).
    const std::wstring& ChosenCommand() const { return m_chosen; }

    // The two lists, once the popup is open; null when the skin lacks one.
    CDropdownListItem* BasicList() const { return m_basic; }
    CDropdownListItem* AdditionalList() const { return m_additional; }

protected:
    void OnInitHook() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Only the add buttons say OK: Enter in the popup does nothing.
    void OnOK() override {}

private:
    // The list (and its keywords) whose box is `window`; null for another window.
    CDropdownListItem* ListOf(HWND window, const std::vector<std::wstring>** keywords) const;

    PredefinedCommandLists m_commands;
    std::wstring m_chosen;
    CDropdownListItem* m_basic = nullptr;  // items of the panel
    CDropdownListItem* m_additional = nullptr;
};

// The skinned product's popup, with its own place for look-specific
// behaviour; otherwise as its base.
class CVellPredefinedMacroPopup : public CPredefinedMacroPopup {
public:
    using CPredefinedMacroPopup::CPredefinedMacroPopup;
};
