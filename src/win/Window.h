// The thin window layer: a C++ object owns its HWND and sees its messages
// through one virtual HandleMessage. Two kinds:
//
//  - win::Window: a window of a class we register. The object pointer travels
//    in CREATESTRUCT::lpCreateParams; from WM_NCCREATE on, the object owns the
//    HWND. One static procedure serves every class.
//  - win::SubclassedWindow: a standard control (STATIC, BUTTON, ...) created
//    by the system class and given this layer's procedure in place of its
//    own, so the object sees each message before the control's procedure.
//
// Which object owns which window is kept in process memory, not in window
// properties: it is looked up for every message of a subclassed control and
// every message a parent reflects, and under Wine each property access is a
// round trip to the window server.
//
// Both clear their handle on WM_NCDESTROY, so a window destroyed by its parent
// leaves a harmless object behind; destroying the object destroys a window
// that still exists. Parents that draw owner-drawn children call
// ReflectToChild so the child object paints itself (WM_DRAWITEM, WM_CTLCOLOR*,
// WM_NOTIFY).
#pragma once

#include <windows.h>

namespace win {

class WindowBase {
public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    virtual ~WindowBase() = default;

    HWND Handle() const noexcept { return m_hwnd; }
    // The object behind a window of this layer, or null.
    static WindowBase* FromHandle(HWND hwnd) noexcept;

    // A message its parent reflected back to it. Answer true and set result
    // to take it.
    virtual bool OnReflected(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

protected:
    // Called once the window is gone (after WM_NCDESTROY).
    virtual void OnWindowGone() {}

    // False when the binding could not be stored (out of memory).
    bool Bind(HWND hwnd) noexcept;
    void Unbind() noexcept;

    HWND m_hwnd = nullptr;
};

class Window : public WindowBase {
public:
    ~Window() override;  // destroys the window if it still exists

    // Registers once per process a class served by this layer's procedure.
    static bool RegisterClass(const wchar_t* className, UINT classStyle = CS_DBLCLKS,
                              HCURSOR cursor = nullptr, HBRUSH background = nullptr) noexcept;

protected:
    // Creates the window with this object as its owner. Null on failure.
    HWND Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect,
                HWND parent, HMENU menuOrId = nullptr) noexcept;
    // Default: DefWindowProc.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
};

// Loads and initialises the common controls (list views, headers, tool
// tips) once; call it before creating the first of them. The library is
// loaded on first use, not with the program.
bool EnsureCommonControls() noexcept;

class SubclassedWindow : public WindowBase {
public:
    ~SubclassedWindow() override;  // unsubclasses, then destroys the window

protected:
    // Creates a control of a system class and subclasses it. Null on failure.
    HWND CreateControl(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                       const RECT& rect, HWND parent, UINT_PTR id = 0) noexcept;
    // Subclasses an existing window (for example one from a dialog template).
    bool Attach(HWND hwnd) noexcept;
    // Default: the control's own procedure.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void Detach() noexcept;

    WNDPROC m_controlProc = nullptr;  // the control's own procedure
};

// For a parent's procedure: hands WM_DRAWITEM, WM_CTLCOLOR* and WM_NOTIFY to
// the child object they concern. True when the child took the message.
bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;

// Clamps a rectangle to what the window system can hold, so that absurd skin
// numbers cannot ask for gigantic windows: positions to +-32767, sizes to
// 0..32767.
RECT WindowRectFor(const RECT& rect) noexcept;

}  // namespace win
