// The base of every popup box: a modal skinned panel whose look, texts and
// buttons come from its own skin file. A page builds it on the stack, runs it
// modally and acts on the result (1 OK, 2 Cancel).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/CommandRoutes.h"
#include "controls/Panel.h"
#include "skin/ControlIds.h"

class CPopupBox : public CGUIPanel {
public:
    // The popups' OK and Cancel buttons.
    static constexpr int32_t kOkButton = ctl::BUTTON_POPUP_OK;
    static constexpr int32_t kCancelButton = ctl::BUTTON_POPUP_CANCEL;
    // What RunModal answers.
    enum : INT_PTR {
        kResultOk = IDOK,
        kResultCancel = IDCANCEL,
    };

    // The skin file (relative to xml\), the dialog template of the program's
    // resources and the owning page's window.
    CPopupBox(std::wstring skinFile, int templateId, HWND owner);

    // Shows the popup and returns when it closes: kResultOk or kResultCancel
    // (-1 when the window could not be made).
    INT_PTR RunModal() { return DoModal(); }

protected:
    // Runs once the skin's items exist: a popup finds the items it works
    // with here. Empty in the base.
    virtual void OnInitHook() {}

    // The items are made (the panel reads its skin), then the init hook runs,
    // then the platform's initialisation (default focus).
    bool OnInitDialog() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Places the popup over the middle of its owner, within the owner's screen.
    void CentreOverOwner();

    // What the popup's items do, by control id; the base routes
    // BUTTON_POPUP_OK to OK and BUTTON_POPUP_CANCEL to Cancel. A command of
    // an item without a route is left to the platform.
    CommandRoutes& Routes() { return m_routes; }
    // Closing requests: the popup's buttons, and Enter, Escape or the close
    // command that the dialog manager turns into IDOK and IDCANCEL.
    virtual void OnOK() { End(kResultOk); }
    virtual void OnCancel() { End(kResultCancel); }

private:
    CommandRoutes m_routes;
};
