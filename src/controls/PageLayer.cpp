#include "controls/PageLayer.h"

#include "controls/Panel.h"
#include "win/Gdi.h"

namespace controls {
namespace {

constexpr wchar_t kClassName[] = L"TarnPageLayer";

// What the items of a page tell their parent: commands, owner drawing,
// colours, scrolling and every message of the program's own range.
bool ForParent(UINT message) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_HSCROLL:
        case WM_VSCROLL:
            return true;
        default:
            return message >= WM_USER && message <= 0xBFFF;
    }
}

}  // namespace

HWND CPageLayer::Create(CGUIPanel& panel) {
    if (!RegisterClass(kClassName, 0))
        return nullptr;
    m_panel = &panel;
    RECT client = {};
    GetClientRect(panel.Handle(), &client);
    // No WS_CLIPCHILDREN: the items draw their texts over the background
    // painted here. WS_CLIPSIBLINGS keeps the layer from painting over the
    // panel's own items above it.
    HWND hwnd = win::Window::Create(WS_EX_CONTROLPARENT | WS_EX_NOPARENTNOTIFY, kClassName, L"",
                                    WS_CHILD | WS_CLIPSIBLINGS, client, panel.Handle());
    if (hwnd != nullptr)
        SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    return hwnd;
}

LRESULT CPageLayer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        case WM_ERASEBKGND:
            return 1;  // the background is painted with the rest
        case WM_PAINT: {
            win::PaintScope paint(Handle());
            if (m_panel != nullptr)
                m_panel->PaintBackground(paint.get());
            return 0;
        }
        case WM_PRINTCLIENT:
            if (m_panel != nullptr)
                m_panel->PaintBackground(reinterpret_cast<HDC>(wParam));
            return 0;
        default:
            if (m_panel != nullptr && m_panel->Handle() != nullptr && ForParent(message))
                return SendMessageW(m_panel->Handle(), message, wParam, lParam);
            return Default(message, wParam, lParam);
    }
}

}  // namespace controls
