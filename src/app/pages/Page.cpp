#include "app/pages/Page.h"

#include "app/resource.h"
#include "popups/VellWarningDlg.h"

INT_PTR CPage::Warn(const wchar_t* skinFile, const std::wstring& appended, const wchar_t* message) {
    CVellWarningDlg popup(skinFile, IDD_POPUP_WARNING, m_host.Window(), appended);
    if (message != nullptr)
        popup.SetMessage(message);
    return m_host.RunPopup(popup);
}
