#include "popups/PopupBoxSingleKeyEntry.h"

#include <utility>

#include "controls/EditItem.h"
#include "popups/VellNameEntryPopup.h"

CPopupBoxSingleKeyEntry::CPopupBoxSingleKeyEntry(std::wstring skinFile, int templateId, HWND owner,
                                                 PopupKeyResult& result)
    : CPopupBox(std::move(skinFile), templateId, owner), m_result(result) {}

void CPopupBoxSingleKeyEntry::OnInitHook() {
    m_input = FindItemAs<CEditItemSingleKeyInput>(kKeyInput, kItemSingleKeyEdit);
}

bool CPopupBoxSingleKeyEntry::OnInitDialog() {
    CPopupBox::OnInitDialog();
    if (m_input == nullptr || m_input->Window() == nullptr || m_lastKeyFlag)
        return true;
    SetFocus(m_input->Window());
    return false;  // the focus was set here
}

bool CPopupBoxSingleKeyEntry::PreTranslateMessage(MSG& msg) {
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Ctrl+Break (VK_CANCEL) is the dialog manager's other Escape.
            m_lastKeyFlag = msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE || msg.wParam == VK_CANCEL;
            break;
        case WM_LBUTTONDOWN:
            m_lastKeyFlag = false;
            break;
        default:
            break;
    }
    return false;
}

void CPopupBoxSingleKeyEntry::OnOK() {
    m_result.text.clear();
    if (m_input != nullptr) {
        std::wstring text = popups::FirstLineOf(m_input->Window(), SIZE_MAX);
        if (!text.empty()) {
            m_result.text = std::move(text);
            const auto& key = m_input->Key();
            m_result.scanCode = key.scanCode;
            m_result.virtualKey = key.virtualKey;
            m_result.extended = key.extended;
        }
    }
    // Return pressed in the field is the key the user gave, not a close.
    if (!m_lastKeyFlag)
        End(kResultOk);
}

void CPopupBoxSingleKeyEntry::OnCancel() {
    // Escape pressed in the field is the key the user gave, not a cancel.
    if (m_lastKeyFlag)
        return;
    m_result.text.clear();
    End(kResultCancel);
}
