#include "controls/DMarker.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "controls/Picture.h"
#include "win/Gdi.h"
#include "win/MemDC.h"

bool CDMarker::Create(const RECT& rect, int32_t id, HWND parent, void* owner) {
    if (!RegisterClass(kClassName))
        return false;
    SetId(id);
    SetType(kItemMarker);
    CGUIItem::SetOwner(owner);
    SetRect(win::WindowRectFor(rect));
    HWND hwnd = win::Window::Create(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, *Rect(), parent);
    SetWindow(hwnd);
    m_enabled = true;
    return hwnd != nullptr;
}

void CDMarker::SetPictures(HBITMAP empty, HBITMAP full) {
    const RECT at = *Rect();
    m_empty = controls::CutSheetPicture(empty, at);
    m_full = controls::CutSheetPicture(full, at);
    Repaint();
}

void CDMarker::SetRange(int32_t a, int32_t b) {
    m_minimum = std::min(a, b);
    m_maximum = std::max(a, b);
    SetValue(m_value);
}

void CDMarker::SetValue(int32_t v) {
    const int32_t value = std::clamp(v, m_minimum, m_maximum);
    if (value == m_value)
        return;
    m_value = value;
    Repaint();
}

void CDMarker::Repaint() {
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

int32_t CDMarker::ValueAt(LPARAM position) const {
    const RECT& at = *Rect();
    const int64_t width = int64_t{at.right} - at.left;
    if (width <= 0)
        return m_minimum;
    const int64_t x = std::max<int64_t>(GET_X_LPARAM(position), 0);  // client x: 0 is the bar's left
    const int64_t value = m_minimum + (int64_t{m_maximum} - m_minimum) * x / width;
    return static_cast<int32_t>(std::clamp<int64_t>(value, m_minimum, m_maximum));
}

void CDMarker::Paint(HDC dc) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    const int64_t span = int64_t{m_maximum} - m_minimum;
    const int fill = span > 0 ? static_cast<int>(client.right * (int64_t{m_value} - m_minimum) / span) : 0;
    win::MemDC memory(dc, &client);
    controls::DrawPicture(memory, m_empty.get(), 0, 0, client.right, client.bottom);
    controls::DrawPicture(memory, m_full.get(), 0, 0, fill, client.bottom);
}

LRESULT CDMarker::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
        case WM_LBUTTONDOWN:
            if (!m_enabled)
                break;
            SetCapture(Handle());
            m_dragging = true;
            m_dragStart = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            return 0;
        case WM_MOUSEMOVE:
            if (m_dragging)
                SetValue(ValueAt(lParam));
            return 0;
        case WM_LBUTTONUP:
            // Every release over the bar counts, wherever the press was.
            if (!m_enabled)
                break;
            m_dragging = false;
            m_value = ValueAt(lParam);
            PostMessageW(GetParent(Handle()), WMU_MARKERCHANGED, static_cast<WPARAM>(m_value),
                         static_cast<LPARAM>(Id()));
            if (GetCapture() == Handle())
                ReleaseCapture();
            Repaint();
            return 0;
        case WM_CAPTURECHANGED:
        case WM_KILLFOCUS:
            // A drag that lost the pointer is over.
            if (m_dragging) {
                m_dragging = false;
                Repaint();
            }
            break;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

void CDMarker::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    auto marker = std::make_unique<CDMarker>();
    if (!marker->Create(skin::ItemRect(element, id), id, context.Parent(), context.Owner()))
        return;
    marker->SetPictures(skin::LoadPicture(skin::ChildText(element, L"SBMN")),
                        skin::LoadPicture(skin::ChildText(element, L"MARK")));
    context.Add(std::move(marker));
}
