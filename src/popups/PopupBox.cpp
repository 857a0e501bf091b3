#include "popups/PopupBox.h"

#include <algorithm>
#include <utility>

CPopupBox::CPopupBox(std::wstring skinFile, int templateId, HWND owner)
    : CGUIPanel(std::move(skinFile), templateId, owner) {
    m_routes.On(kOkButton, [this] { OnOK(); });
    m_routes.On(kCancelButton, [this] { OnCancel(); });
}

bool CPopupBox::OnInitDialog() {
    // The panel's initialisation is where the skin file is read, so the
    // items exist before the hook looks for them.
    bool defaultFocus = CGUIPanel::OnInitDialog();
    CentreOverOwner();
    OnInitHook();
    return defaultFocus;
}

void CPopupBox::CentreOverOwner() {
    HWND owner = Owner();
    HWND hwnd = Handle();
    RECT own = {};
    RECT mine = {};
    if (owner == nullptr || !IsWindowVisible(owner) || !GetWindowRect(owner, &own) || !GetWindowRect(hwnd, &mine))
        return;
    // Over the middle of the owner, but never past the edges of its screen.
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    const LONG width = mine.right - mine.left;
    const LONG height = mine.bottom - mine.top;
    LONG x = own.left + ((own.right - own.left) - width) / 2;
    LONG y = own.top + ((own.bottom - own.top) - height) / 2;
    x = std::max(work.left, std::min(x, work.right - width));
    y = std::max(work.top, std::min(y, work.bottom - height));
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CPopupBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_COMMAND) {
        HWND sender = reinterpret_cast<HWND>(lParam);
        if (const CGUIItem* item = FindItemByWindow(sender)) {
            if (m_routes.Run(item->Id())) {
                result = 0;
                return true;
            }
        } else if (sender == nullptr || !IsChild(Handle(), sender)) {
            // From no item: the dialog manager's Enter (IDOK), Escape and
            // close (IDCANCEL) act as the popup's own OK and Cancel.
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                if (LOWORD(wParam) == IDOK)
                    OnOK();
                else
                    OnCancel();
                result = 0;
                return true;
            }
        }
    }
    return CGUIPanel::HandleMessage(message, wParam, lParam, result);
}
