#include "app/pages/Page.h"

#include "app/resource.h"
#include "popups/VellWarningDlg.h"
#include "skin/LangTable.h"

INT_PTR CPage::Warn(const wchar_t* skinFile, const std::wstring& appended, const wchar_t* message) {
    CVellWarningDlg popup(skinFile, IDD_POPUP_WARNING, m_host.Window(), appended);
    if (message != nullptr)
        popup.SetMessage(message);
    return m_host.RunPopup(popup);
}

void CPage::TellImportedAsCopy(const std::wstring& nameInFile, const std::wstring& importedAs) {
    CVellWarningDlg popup(L"ImportedAsCopyPopup.xml", IDD_POPUP_WARNING, m_host.Window(), lang::NameSeparator() + importedAs);
    std::wstring taken;
    if (!lang::Resolve(L"$ImportedAsCopyMessage", taken))
        taken = L"$ImportedAsCopyMessage";
    popup.SetDetail(taken + L" " + nameInFile);
    m_host.RunPopup(popup);
}
