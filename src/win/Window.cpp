#include "win/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace win {
namespace {

HINSTANCE ThisModule() noexcept {
    return GetModuleHandleW(nullptr);
}

int Clamp(int64_t v, int64_t lo, int64_t hi) noexcept {
    return static_cast<int>(std::clamp(v, lo, hi));
}

// The owner object of every bound window, and for subclassed controls the
// control's own procedure. The procedure stays known until the window is
// gone, so a control whose object let go early still reaches it.
struct Binding {
    WindowBase* object = nullptr;
    WNDPROC controlProc = nullptr;
};

std::mutex& BindingsLock() {
    static std::mutex lock;
    return lock;
}

std::unordered_map<HWND, Binding>& Bindings() {
    static std::unordered_map<HWND, Binding> bindings;
    return bindings;
}

Binding FindBinding(HWND hwnd) noexcept {
    std::lock_guard<std::mutex> guard(BindingsLock());
    auto it = Bindings().find(hwnd);
    return it != Bindings().end() ? it->second : Binding{};
}

void SetControlProc(HWND hwnd, WNDPROC proc) {
    std::lock_guard<std::mutex> guard(BindingsLock());
    Bindings()[hwnd].controlProc = proc;
}

void ForgetWindow(HWND hwnd) noexcept {
    std::lock_guard<std::mutex> guard(BindingsLock());
    Bindings().erase(hwnd);
}

}  // namespace

// --- WindowBase --------------------------------------------------------------

WindowBase* WindowBase::FromHandle(HWND hwnd) noexcept {
    if (hwnd == nullptr)
        return nullptr;
    return FindBinding(hwnd).object;
}

bool WindowBase::Bind(HWND hwnd) noexcept {
    m_hwnd = hwnd;
    try {
        std::lock_guard<std::mutex> guard(BindingsLock());
        Bindings()[hwnd].object = this;
        return true;
    } catch (...) {
        // Out of memory: the window works, only reflection cannot find it.
        return false;
    }
}

void WindowBase::Unbind() noexcept {
    if (m_hwnd != nullptr) {
        std::lock_guard<std::mutex> guard(BindingsLock());
        auto it = Bindings().find(m_hwnd);
        if (it != Bindings().end() && it->second.object == this) {
            it->second.object = nullptr;
            if (it->second.controlProc == nullptr)
                Bindings().erase(it);
        }
    }
    m_hwnd = nullptr;
}

// --- Window ------------------------------------------------------------------

Window::~Window() {
    if (m_hwnd != nullptr && IsWindow(m_hwnd)) {
        // The object is going: the window must not call back into it.
        HWND hwnd = m_hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        Unbind();
        DestroyWindow(hwnd);
    }
}

bool Window::RegisterClass(const wchar_t* className, UINT classStyle, HCURSOR cursor,
                           HBRUSH background) noexcept {
    WNDCLASSEXW existing = {sizeof existing};
    if (GetClassInfoExW(ThisModule(), className, &existing))
        return true;
    WNDCLASSEXW wc = {sizeof wc};
    wc.style = classStyle;
    wc.lpfnWndProc = StaticProc;
    wc.hInstance = ThisModule();
    wc.hCursor = cursor != nullptr ? cursor : LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) != 0;
}

HWND Window::Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                    const RECT& rect, HWND parent, HMENU menuOrId) noexcept {
    RECT r = WindowRectFor(rect);
    return CreateWindowExW(exStyle, className, title, style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, menuOrId, ThisModule(), this);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Window::StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    Window* self = nullptr;
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<Window*>(cs->lpCreateParams);
        if (self != nullptr) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->Bind(hwnd);
        }
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may leave a window procedure; the message gets the default.
        result = DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->Unbind();
        self->OnWindowGone();
    }
    return result;
}

// --- SubclassedWindow ----------------------------------------------------------

SubclassedWindow::~SubclassedWindow() {
    if (m_hwnd != nullptr) {
        HWND hwnd = m_hwnd;
        Detach();
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
    }
}

bool EnsureCommonControls() noexcept {
    static const bool ready = [] {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    return ready;
}

HWND SubclassedWindow::CreateControl(DWORD exStyle, const wchar_t* className, const wchar_t* text,
                                     DWORD style, const RECT& rect, HWND parent, UINT_PTR id) noexcept {
    RECT r = WindowRectFor(rect);
    HWND hwnd = CreateWindowExW(exStyle, className, text, style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, parent, reinterpret_cast<HMENU>(id), ThisModule(), nullptr);
    if (hwnd == nullptr)
        return nullptr;
    if (!Attach(hwnd)) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    return hwnd;
}

bool SubclassedWindow::Attach(HWND hwnd) noexcept {
    if (hwnd == nullptr || m_hwnd != nullptr)
        return false;
    if (!Bind(hwnd)) {
        m_hwnd = nullptr;
        return false;
    }
    // Known before the swap: the first message may arrive at once.
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    try {
        SetControlProc(hwnd, previous);
    } catch (...) {
        Unbind();
        return false;
    }
    m_controlProc = previous;
    if (previous == nullptr || SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)) == 0) {
        Unbind();
        ForgetWindow(hwnd);
        return false;
    }
    return true;
}

void SubclassedWindow::Detach() noexcept {
    if (m_hwnd == nullptr)
        return;
    HWND hwnd = m_hwnd;
    // The control gets its own procedure back unless someone subclassed it
    // after us; then our procedure stays in the chain and passes everything
    // on to the control's procedure, which it still knows.
    const bool restored =
        reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == Proc &&
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_controlProc)) != 0;
    Unbind();
    if (restored)
        ForgetWindow(hwnd);
}

LRESULT SubclassedWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT SubclassedWindow::Default(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return CallWindowProcW(m_controlProc, m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    const Binding binding = FindBinding(hwnd);
    auto* self = dynamic_cast<SubclassedWindow*>(binding.object);
    if (self == nullptr) {
        LRESULT result = binding.controlProc != nullptr
                             ? CallWindowProcW(binding.controlProc, hwnd, message, wParam, lParam)
                             : DefWindowProcW(hwnd, message, wParam, lParam);
        if (message == WM_NCDESTROY)
            ForgetWindow(hwnd);
        return result;
    }
    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        result = CallWindowProcW(binding.controlProc, hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        self->Unbind();
        ForgetWindow(hwnd);
        self->OnWindowGone();
    }
    return result;
}

// --- helpers -----------------------------------------------------------------

bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept {
    HWND child = nullptr;
    switch (message) {
        case WM_DRAWITEM: {
            const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (dis != nullptr && dis->CtlType != ODT_MENU)
                child = dis->hwndItem;
            break;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
            child = reinterpret_cast<HWND>(lParam);
            break;
        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
            if (hdr != nullptr)
                child = hdr->hwndFrom;
            break;
        }
        default:
            return false;
    }
    WindowBase* object = WindowBase::FromHandle(child);
    if (object == nullptr)
        return false;
    try {
        return object->OnReflected(message, wParam, lParam, result);
    } catch (...) {
        return false;
    }
}

RECT WindowRectFor(const RECT& rect) noexcept {
    constexpr int64_t kMax = 32767;
    int left = Clamp(rect.left, -kMax, kMax);
    int top = Clamp(rect.top, -kMax, kMax);
    int width = Clamp(static_cast<int64_t>(rect.right) - rect.left, 0, kMax);
    int height = Clamp(static_cast<int64_t>(rect.bottom) - rect.top, 0, kMax);
    return RECT{left, top, left + width, top + height};
}

}  // namespace win
