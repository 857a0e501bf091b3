#include "controls/BitmapWindow.h"

#include <memory>

#include "controls/ItemText.h"
#include "controls/Picture.h"
#include "skin/LangTable.h"
#include "win/Gdi.h"
#include "win/MemDC.h"

namespace controls {

UINT RefineKeyCode(UINT virtualKey, LPARAM keyFlags) {
    const bool extended = (keyFlags & (1 << 24)) != 0;
    const UINT scanCode = (static_cast<UINT>(keyFlags) >> 16) & 0xFF;
    switch (virtualKey) {
        case VK_CONTROL:
            return extended ? VK_RCONTROL : VK_LCONTROL;
        case VK_MENU:
            return extended ? VK_RMENU : VK_LMENU;
        case VK_SHIFT:
            if (scanCode == 0x2A)
                return VK_LSHIFT;
            if (scanCode == 0x36)
                return VK_RSHIFT;
            return VK_SHIFT;
        case VK_RETURN:
            return extended ? VK_SEPARATOR : VK_RETURN;  // keypad Enter: 108
        default:
            return virtualKey;
    }
}

}  // namespace controls

bool CBitmapWindow::CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner) {
    if (!RegisterClass(kClassName))
        return false;
    SetId(id);
    SetType(kItemBitmapWindow);
    SetOwner(owner);
    SetRect(rect);
    HWND hwnd = Create(0, kClassName, L"", WS_CHILD | WS_VISIBLE, rect, parent);
    SetWindow(hwnd);
    return hwnd != nullptr;
}

void CBitmapWindow::SetPictures(HBITMAP inner, HBITMAP frame, HBITMAP hotFrame, HBITMAP selectedFrame,
                                HBITMAP mask) {
    RECT client = {};
    if (Handle() != nullptr)
        GetClientRect(Handle(), &client);
    if (mask != nullptr && Handle() != nullptr)
        controls::ApplyMaskRegion(Handle(), mask);
    if (inner != nullptr)
        m_inner = controls::CopyPicture(inner);
    if (frame != nullptr)
        m_frame = controls::CutPicture(frame, 0, 0, client.right, client.bottom);
    if (hotFrame != nullptr)
        m_hotFrame = controls::CutPicture(hotFrame, 0, 0, client.right, client.bottom);
    if (selectedFrame != nullptr)
        m_selectedFrame = controls::CutPicture(selectedFrame, 0, 0, client.right, client.bottom);
    SIZE frameSize = win::BitmapSize(m_frame.get());
    SIZE innerSize = win::BitmapSize(m_inner.get());
    m_margin.cx = frameSize.cx > innerSize.cx ? (frameSize.cx - innerSize.cx) / 2 : 0;
    m_margin.cy = frameSize.cy > innerSize.cy ? (frameSize.cy - innerSize.cy) / 2 : 0;
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CBitmapWindow::SetCaption(const std::wstring& text) {
    std::wstring shown;
    if (!lang::Resolve(text, shown))
        shown = text;
    controls::FirstLineBreak(shown);
    controls::ApplyCaps(shown, m_caps);
    m_caption = std::move(shown);
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CBitmapWindow::Paint(HDC dc) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    HBITMAP frame = m_frame.get();
    if (m_selected && m_selectedFrame)
        frame = m_selectedFrame.get();
    else if (!m_selected && m_hot.Hot() && m_hotFrame)
        frame = m_hotFrame.get();
    RECT inner = client;
    InflateRect(&inner, -m_margin.cx, -m_margin.cy);

    win::MemDC memory(dc, &client);
    controls::DrawPicture(memory, frame, 0, 0, client.right, client.bottom);
    if (m_caption.empty()) {
        controls::DrawPicture(memory, m_inner.get(), inner.left, inner.top, inner.right - inner.left,
                              inner.bottom - inner.top);
        return;
    }
    win::SaveDCGuard saved(memory);
    win::UniqueFont fallback;
    controls::PrepareItemText(memory, m_font, controls::TextColourOr(m_textColour), fallback);
    DrawTextW(memory, m_caption.c_str(), static_cast<int>(m_caption.size()), &inner, m_drawFormat);
}

void CBitmapWindow::ToggleSelected() {
    m_selected = !m_selected;
    if (m_selected) {
        m_previousFocus = SetFocus(Handle());
    } else {
        HWND back = m_previousFocus;
        m_previousFocus = nullptr;
        if (back != nullptr && IsWindow(back))
            SetFocus(back);
    }
    InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT CBitmapWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
        m_tooltip.Relay(Handle(), message, wParam, lParam);
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
        case WM_MOUSEMOVE: {
            LRESULT result = Default(message, wParam, lParam);
            m_hot.OnMouseMove(Handle(), wParam, lParam, *this);
            return result;
        }
        case WM_CAPTURECHANGED:
            m_hot.OnCaptureChanged(Handle(), *this);
            return Default(message, wParam, lParam);
        case WM_LBUTTONUP:
            ToggleSelected();
            return 0;
        case WM_GETDLGCODE:
            // A selected key field captures every key, Tab and Enter included.
            return m_selected ? DLGC_WANTALLKEYS | DLGC_WANTCHARS : Default(message, wParam, lParam);
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            return 0;
        case WM_KEYUP:
        case WM_SYSKEYUP:  // Alt arrives as a system key
            PostMessageW(GetParent(Handle()), WMU_KEYCAPTURED,
                         controls::RefineKeyCode(static_cast<UINT>(wParam), lParam),
                         reinterpret_cast<LPARAM>(Handle()));
            return 0;
        case WM_KILLFOCUS:
            m_hot.SetHot(false);
            m_selected = false;
            m_previousFocus = nullptr;
            InvalidateRect(Handle(), nullptr, FALSE);
            return Default(message, wParam, lParam);
        default:
            return Default(message, wParam, lParam);
    }
}

void CBitmapWindow::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    HBITMAP inner = skin::LoadPicture(skin::ChildText(element, L"SBMDS"));
    if (inner == nullptr)
        return;
    HBITMAP frame = skin::LoadPicture(skin::ChildText(element, L"SBMN"));
    HBITMAP hotFrame = skin::LoadPicture(skin::ChildText(element, L"SBMO"));
    HBITMAP selectedFrame = skin::LoadPicture(skin::ChildText(element, L"SBMD"));
    HBITMAP mask =
        element.HasAttribute(L"SBMM") ? skin::LoadPicture(skin::ChildText(element, L"SBMM")) : nullptr;

    auto item = std::make_unique<CBitmapWindow>();
    if (!item->CreateWindowFor(context.Parent(), skin::ItemRect(element, id), id, context.Owner()))
        return;
    item->SetPictures(inner, frame, hotFrame, selectedFrame, mask);
    item->SetTextColour(skin::ColourAttribute(element, L"fontclr", 0));
    item->SetCaps(controls::ParseCaps(skin::OverriddenAttribute(element, id, L"caps")));
    const bool multiline = skin::ParseNumber(skin::OverriddenAttribute(element, id, L"multiline")) != 0;
    item->SetDrawFormat(
        controls::TextDrawFormat(controls::ParseJustify(element.Attribute(L"justify")), multiline));
    item->SetFont(skin::ItemFont(element, id, context));
    bool hasTooltip = false;
    std::wstring tooltip = skin::OverriddenAttribute(element, id, L"tooltip", &hasTooltip);
    if (hasTooltip && !tooltip.empty())
        item->SetTooltip(tooltip);
    context.Add(std::move(item));
}
