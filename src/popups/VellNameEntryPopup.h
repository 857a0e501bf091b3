// The name entry: a popup with one edit field (EDITCTRL_POPUP_NAMEENTRY) for a
// new profile or macro name. OK hands the first line of the field to the
// caller; Cancel leaves the caller's string as it was.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "popups/PopupBox.h"
#include "skin/ControlIds.h"

class CVellNameEntryPopup : public CPopupBox {
public:
    static constexpr int32_t kNameEdit = ctl::EDITCTRL_POPUP_NAMEENTRY;
    // The longest name the field takes (and OK hands over): within every
    // place a name is stored, the shortest being the by-name fields.
    static constexpr size_t kMaxNameLength = 20;

    // `result` is written on OK only; it must outlive the popup.
    CVellNameEntryPopup(std::wstring skinFile, int templateId, HWND owner, std::wstring& result);

    // The edit field's window once the popup is open, else null.
    HWND EditWindow() const;

protected:
    void OnInitHook() override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    CGUIItem* m_edit = nullptr;  // an item of the panel
    std::wstring& m_result;
};

namespace popups {

// The first line of an edit control, at most `maxLength` characters; empty
// for no window.
std::wstring FirstLineOf(HWND edit, size_t maxLength);

}  // namespace popups
