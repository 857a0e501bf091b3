#include "controls/XListEdit.h"

#include "win/Gdi.h"

bool CXListEdit::CreateFor(HWND list) {
    if (Handle() != nullptr)
        return true;
    const DWORD style = WS_CHILD | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL;
    if (CreateControl(0, L"EDIT", L"", style, RECT{0, 0, 0, 0}, list) == nullptr)
        return false;
    SetColours(m_colours);
    return true;
}

void CXListEdit::SetColours(const Colours& colours) {
    m_colours = colours;
    m_background.reset(CreateSolidBrush(m_colours.background));
    if (Handle() != nullptr)
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
}

void CXListEdit::SetFont(HFONT font) {
    m_font = font;
    if (Handle() != nullptr)
        SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

std::wstring CXListEdit::Text() const {
    if (Handle() == nullptr)
        return {};
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(Handle())) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()))));
    return text;
}

LRESULT CXListEdit::ColourRequest(HDC dc) const {
    SetTextColor(dc, m_colours.text);
    SetBkColor(dc, m_colours.background);
    return reinterpret_cast<LRESULT>(m_background.get());
}

void CXListEdit::PaintBorder() {
    win::FrameWindowEdge(Handle(), m_colours.border);
}

LRESULT CXListEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE:
            // Enter and Escape end the edit; a dialog must not take them.
            return Default(message, wParam, lParam) | DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
                if (m_onFinish)
                    m_onFinish(wParam == VK_RETURN);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == L'\r' || wParam == 0x1B)
                return 0;  // handled on the key down; no beep
            break;
        case WM_KILLFOCUS: {
            LRESULT result = Default(message, wParam, lParam);
            // Shown (its own style: the list may be holding its redraw).
            if ((GetWindowLongW(Handle(), GWL_STYLE) & WS_VISIBLE) != 0 && m_onFinish)
                m_onFinish(true);
            return result;
        }
        case WM_NCPAINT: {
            LRESULT result = Default(message, wParam, lParam);
            PaintBorder();
            return result;
        }
        default:
            break;
    }
    return Default(message, wParam, lParam);
}
