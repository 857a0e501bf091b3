// Warnings and confirmations: a popup with a heading text (TEXT_WARNDLG_HEADING)
// whose skin text may be followed by an appended text (": " and a profile or
// macro name) or replaced by a message given before the popup opens.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "popups/PopupBox.h"
#include "skin/ControlIds.h"

class CTextItem;

class CVellWarningDlg : public CPopupBox {
public:
    static constexpr int32_t kHeadingText = ctl::TEXT_WARNDLG_HEADING;
    static constexpr int32_t kMessageText = ctl::TEXT_WARNDLG_MESSAGE;

    // `appended` follows the heading's text, shown as given (it carries
    // names the user typed, never language keys); empty for none.
    CVellWarningDlg(std::wstring skinFile, int templateId, HWND owner, std::wstring appended = {});

    // Replaces the heading's text when the popup opens; a language key is
    // resolved. Empty: the heading keeps its text.
    void SetMessage(std::wstring message) { m_message = std::move(message); }
    // Replaces the message item's text (TEXT_WARNDLG_MESSAGE), shown as given.
    void SetDetail(std::wstring detail) { m_detail = std::move(detail); }
    const std::wstring& Message() const { return m_message; }

    // The heading item once the popup has opened (it lives as long as the
    // popup object), else null.
    CTextItem* Heading() const { return m_heading; }

protected:
    void OnInitHook() override;
    bool OnInitDialog() override;

private:
    CTextItem* m_heading = nullptr;  // an item of the panel
    std::wstring m_message;
    std::wstring m_detail;
    std::wstring m_appended;
};

// A question of three answers: Apply (BUTTON_POPUP_APPLY), OK and Cancel.
// Asks before the window closes with changes the mouse does not hold yet
// (Apply: send them, then close; OK: discard them; Cancel: stay), and when
// another program changed the mouse (Apply over it; OK: reload; Cancel).
// The OK button's answer loses the user's edits, so only a click on it
// gives it: Enter, like Escape, answers Cancel.
class CUnsavedChangesPopup : public CVellWarningDlg {
public:
    static constexpr INT_PTR kResultApply = 3;  // besides OK (discard) and Cancel (stay)
    static constexpr int32_t kApplyButton = ctl::BUTTON_POPUP_APPLY;

    CUnsavedChangesPopup(std::wstring skinFile, int templateId, HWND owner);

protected:
    void OnOK() override { End(kResultCancel); }
};

