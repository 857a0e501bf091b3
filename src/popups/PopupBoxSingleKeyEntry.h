// The single-key entry: a popup with one key field
// (EDITCTRL_POPUP_SINGLEKEYENTRY) that shows the last key pressed in it. OK
// hands the key to the caller.
//
// Return and Escape are keys a user may want to assign, so while the last
// key pressed in the popup was one of them, the dialog manager's Enter (OK)
// keeps the popup open and its Escape (Cancel) does nothing; a click on the
// OK or Cancel button (or any other key) ends that.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "popups/PopupBox.h"
#include "skin/ControlIds.h"

class CEditItemSingleKeyInput;

// The key the user gave.
struct PopupKeyResult {
    std::wstring text;      // the key's display name
    uint16_t scanCode = 0;  // of the captured key
    uint16_t virtualKey = 0;
    uint8_t extended = 0;  // the extended-key flag
};

class CPopupBoxSingleKeyEntry : public CPopupBox {
public:
    static constexpr int32_t kKeyInput = ctl::EDITCTRL_POPUP_SINGLEKEYENTRY;
    static constexpr wchar_t kSkinFile[] = L"SingleKeyPopup.xml";

    // `result` is written by OK and Cancel; it must outlive the popup.
    CPopupBoxSingleKeyEntry(std::wstring skinFile, int templateId, HWND owner, PopupKeyResult& result);

    // The last key pressed in the popup was Return or Escape (or Ctrl+Break,
    // which the dialog manager takes for Escape).
    bool LastKeyWasReturnOrEscape() const { return m_lastKeyFlag; }
    // The key field once the popup has opened, else null.
    CEditItemSingleKeyInput* KeyInput() const { return m_input; }

protected:
    void OnInitHook() override;
    bool OnInitDialog() override;
    bool PreTranslateMessage(MSG& msg) override;
    void OnOK() override;
    void OnCancel() override;

private:
    CEditItemSingleKeyInput* m_input = nullptr;  // an item of the panel
    PopupKeyResult& m_result;
    bool m_lastKeyFlag = false;
};
