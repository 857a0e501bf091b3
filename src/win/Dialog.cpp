#include "win/Dialog.h"

#include <cstring>

namespace win {
namespace {

// Messages whose dialog-procedure return value is the message result itself;
// every other handled message reports its result through DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) noexcept {
    switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_INITDIALOG:
            return true;
        default:
            return false;
    }
}

// The modal dialogs running on this thread, innermost last, and the message
// filter hook that offers them their messages while any runs.
thread_local std::vector<Dialog*> t_modalDialogs;
thread_local HHOOK t_modalFilter = nullptr;

}  // namespace

// Registers a dialog for the time its modal loop runs. The dialog manager
// passes every message of its loop through the thread's message filter
// (MSGF_DIALOGBOX) before handling keys or dispatching.
class Dialog::ModalScope {
public:
    explicit ModalScope(Dialog* dialog) : m_dialog(dialog) {
        t_modalDialogs.push_back(dialog);
        if (t_modalFilter == nullptr)
            t_modalFilter = SetWindowsHookExW(WH_MSGFILTER, ModalFilter, nullptr, GetCurrentThreadId());
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
    ~ModalScope() {
        std::erase(t_modalDialogs, m_dialog);
        if (t_modalDialogs.empty() && t_modalFilter != nullptr) {
            UnhookWindowsHookEx(t_modalFilter);
            t_modalFilter = nullptr;
        }
    }

private:
    Dialog* m_dialog;
};

LRESULT CALLBACK Dialog::ModalFilter(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code == MSGF_DIALOGBOX && lParam != 0) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        for (auto it = t_modalDialogs.rbegin(); msg->hwnd != nullptr && it != t_modalDialogs.rend(); ++it) {
            HWND dialog = (*it)->Handle();
            if (dialog == nullptr || (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)))
                continue;
            try {
                if ((*it)->PreTranslateMessage(*msg))
                    return TRUE;
            } catch (...) {
            }
            break;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

Dialog::~Dialog() {
    if (m_hwnd != nullptr && IsWindow(m_hwnd)) {
        HWND hwnd = m_hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        Unbind();
        DestroyWindow(hwnd);
    }
}

HWND Dialog::Create(HINSTANCE module, int templateId, HWND parent) noexcept {
    m_modal = false;
    return CreateDialogParamW(module, MAKEINTRESOURCEW(templateId), parent, Proc,
                              reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateIndirect(const DLGTEMPLATE* dialogTemplate, HWND parent) noexcept {
    m_modal = false;
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate, parent, Proc,
                                      reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::DoModal(HINSTANCE module, int templateId, HWND parent) noexcept {
    m_modal = true;
    ModalScope scope(this);
    return DialogBoxParamW(module, MAKEINTRESOURCEW(templateId), parent, Proc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::DoModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND parent) noexcept {
    m_modal = true;
    ModalScope scope(this);
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate, parent, Proc,
                                   reinterpret_cast<LPARAM>(this));
}

void Dialog::End(INT_PTR result) noexcept {
    if (m_hwnd == nullptr)
        return;
    if (m_modal)
        EndDialog(m_hwnd, result);
    else
        DestroyWindow(m_hwnd);
}

bool Dialog::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

INT_PTR CALLBACK Dialog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        if (self == nullptr)
            return TRUE;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->Bind(hwnd);
        try {
            return self->OnInitDialog() ? TRUE : FALSE;
        } catch (...) {
            return TRUE;
        }
    }
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr)
        return FALSE;

    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->HandleMessage(message, wParam, lParam, result);
    } catch (...) {
        handled = false;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->Unbind();
        self->OnWindowGone();
    }
    if (!handled)
        return FALSE;
    if (ReturnsDirectly(message))
        return static_cast<INT_PTR>(result);
    // Written only when it changes: reading is local, writing is a trip to
    // the window server.
    if (GetWindowLongPtrW(hwnd, DWLP_MSGRESULT) != result)
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

std::vector<WORD> EmptyDialogTemplate(DWORD style, DWORD exStyle, short cx, short cy) {
    // DLGTEMPLATE, then empty menu, class and title arrays.
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    DLGTEMPLATE head = {};
    head.style = style & ~static_cast<DWORD>(DS_SETFONT);
    head.dwExtendedStyle = exStyle;
    head.cdit = 0;
    head.cx = cx;
    head.cy = cy;
    std::memcpy(words.data(), &head, sizeof head);
    return words;
}

}  // namespace win
