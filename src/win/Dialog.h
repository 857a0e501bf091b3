// Dialogs over dialog templates, modal or modeless. The object pointer
// arrives with WM_INITDIALOG (the creation parameter); from then on the
// dialog procedure hands every message to the object. A template is either a
// resource of a module or one built in memory (EmptyDialogTemplate).
#pragma once

#include <windows.h>

#include <vector>

#include "win/Window.h"

namespace win {

class Dialog : public WindowBase {
public:
    ~Dialog() override;  // destroys a modeless dialog that is still open

    // Modeless. Null on failure.
    HWND Create(HINSTANCE module, int templateId, HWND parent) noexcept;
    HWND CreateIndirect(const DLGTEMPLATE* dialogTemplate, HWND parent) noexcept;
    // Modal: returns what End was given, or -1 when the dialog could not be made.
    INT_PTR DoModal(HINSTANCE module, int templateId, HWND parent) noexcept;
    INT_PTR DoModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND parent) noexcept;

    // Ends a modal dialog with the result, destroys a modeless one.
    void End(INT_PTR result) noexcept;
    bool IsModal() const noexcept { return m_modal; }

protected:
    // WM_INITDIALOG. Return true to let the system set the default focus.
    virtual bool OnInitDialog() { return true; }
    // Every other message. Return true when handled, with the message's
    // result in `result` (the procedure places it where the dialog manager
    // expects it).
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Modal dialogs only: a message that the modal loop took from the queue
    // for this dialog or one of its descendants, before the dialog manager's
    // keyboard handling and the window see it. True swallows it.
    virtual bool PreTranslateMessage(MSG&) { return false; }

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // The message filter of the modal loops running on the thread.
    static LRESULT CALLBACK ModalFilter(int code, WPARAM wParam, LPARAM lParam) noexcept;
    class ModalScope;
    bool m_modal = false;
};

// A template of a dialog without controls: the style, the extended style and
// a size in dialog units. Keep the vector alive while the dialog is created.
std::vector<WORD> EmptyDialogTemplate(DWORD style, DWORD exStyle, short cx, short cy);

}  // namespace win
