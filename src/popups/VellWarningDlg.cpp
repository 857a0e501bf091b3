#include "popups/VellWarningDlg.h"

#include <utility>

#include "controls/TextItem.h"

CVellWarningDlg::CVellWarningDlg(std::wstring skinFile, int templateId, HWND owner, std::wstring appended)
    : CPopupBox(std::move(skinFile), templateId, owner), m_appended(std::move(appended)) {}

void CVellWarningDlg::OnInitHook() {
    m_heading = FindItemAs<CTextItem>(kHeadingText, kItemText);
}

bool CVellWarningDlg::OnInitDialog() {
    // The panel's initialisation, then the hook (CPopupBox), then the texts.
    bool defaultFocus = CPopupBox::OnInitDialog();
    if (m_heading != nullptr) {
        if (!m_appended.empty())
            m_heading->SetPlainText(m_heading->GetText() + m_appended);
        if (!m_message.empty())
            m_heading->SetText(m_message);
    }
    if (!m_detail.empty()) {
        if (auto* text = FindItemAs<CTextItem>(kMessageText, kItemText))
            text->SetPlainText(m_detail);
    }
    return defaultFocus;
}

CUnsavedChangesPopup::CUnsavedChangesPopup(std::wstring skinFile, int templateId, HWND owner)
    : CVellWarningDlg(std::move(skinFile), templateId, owner) {
    Routes().On(kApplyButton, [this] { End(kResultApply); });
    Routes().On(kOkButton, [this] { End(kResultOk); });
}

