#include "popups/PopupBox.h"

#include <utility>

CPopupBox::CPopupBox(std::wstring skinFile, int templateId, HWND owner)
    : CGUIPanel(std::move(skinFile), templateId, owner) {}

bool CPopupBox::OnInitDialog() {
    // The panel's initialisation is where the skin file is read, so the
    // items exist before the hook looks for them.
    bool defaultFocus = CGUIPanel::OnInitDialog();
    OnInitHook();
    return defaultFocus;
}

bool CPopupBox::OnItemCommand(int32_t id, WORD) {
    switch (id) {
        case kOkButton:
            OnOK();
            return true;
        case kCancelButton:
            OnCancel();
            return true;
        default:
            return false;
    }
}

bool CPopupBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_COMMAND) {
        HWND sender = reinterpret_cast<HWND>(lParam);
        if (const CGUIItem* item = FindItemByWindow(sender)) {
            if (OnItemCommand(item->Id(), HIWORD(wParam))) {
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
