#include "popups/PredefinedMacroPopup.h"

#include <utility>

#include "controls/DropdownListItem.h"

CPredefinedMacroPopup::CPredefinedMacroPopup(std::wstring skinFile, int templateId, HWND owner,
                                             PredefinedCommandLists commands)
    : CPopupBox(std::move(skinFile), templateId, owner), m_commands(std::move(commands)) {
    Routes().On({kAddBasic, kAddAdditional}, [this] { End(kResultOk); });
}

void CPredefinedMacroPopup::OnInitHook() {
    m_basic = FindItemAs<CDropdownListItem>(kBasicList, kItemDropdown);
    m_additional = FindItemAs<CDropdownListItem>(kAdditionalList, kItemDropdown);
}

CDropdownListItem* CPredefinedMacroPopup::ListOf(HWND window,
                                                 const std::vector<std::wstring>** keywords) const {
    if (window == nullptr)
        return nullptr;
    if (m_basic != nullptr && m_basic->Window() == window) {
        *keywords = &m_commands.basic;
        return m_basic;
    }
    if (m_additional != nullptr && m_additional->Window() == window) {
        *keywords = &m_commands.additional;
        return m_additional;
    }
    return nullptr;
}

bool CPredefinedMacroPopup::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == CDropdownListItem::kOpeningMessage || message == CDropdownListItem::kChosenMessage) {
        const std::vector<std::wstring>* keywords = nullptr;
        if (CDropdownListItem* list = ListOf(reinterpret_cast<HWND>(lParam), &keywords)) {
            if (message == CDropdownListItem::kOpeningMessage) {
                // Filled afresh each time, from the page's keywords.
                list->ClearEntries();
                for (const std::wstring& keyword : *keywords)
                    list->AddEntry(keyword);
            } else {
                m_chosen = list->EntryText(static_cast<int>(wParam));
                // One command is inserted: the other box shows no choice of its own.
                CDropdownListItem* other = list == m_basic ? m_additional : m_basic;
                if (other != nullptr)
                    other->ClearSelection();
            }
            result = 0;
            return true;
        }
    }
    return CPopupBox::HandleMessage(message, wParam, lParam, result);
}
