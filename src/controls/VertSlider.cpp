#include "controls/VertSlider.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "controls/Picture.h"
#include "win/Gdi.h"

namespace {

constexpr int64_t kWindowLimit = 32767;

}  // namespace

bool CVertSlider::Create(int32_t id, HWND parent, HBITMAP knob, const RECT& track, void* owner) {
    if (!RegisterClass(kClassName))
        return false;
    SetId(id);
    SetType(kItemVertSlider);
    CGUIItem::SetOwner(owner);
    m_knob = controls::CopyPicture(knob);
    const SIZE size = win::BitmapSize(m_knob.get());
    m_width = static_cast<int>(size.cx);
    m_height = static_cast<int>(size.cy);
    m_track = win::WindowRectFor(track);
    m_top = TopFor(0);
    const RECT rect = {m_track.left, m_top, m_track.left + m_width, m_top + m_height};
    SetRect(rect);
    HWND hwnd = win::Window::Create(0, kClassName, L"", WS_CHILD | WS_VISIBLE, rect, parent);
    SetWindow(hwnd);
    return hwnd != nullptr;
}

void CVertSlider::SetLimits(int32_t minimum, int32_t maximum) {
    m_minimum = std::min(minimum, maximum);
    m_maximum = std::max(minimum, maximum);
}

int32_t CVertSlider::Limited(int64_t value) const {
    value = std::clamp<int64_t>(value, 0, 100);
    if (m_minimum != 0 || m_maximum != 0)
        value = std::clamp<int64_t>(value, m_minimum, m_maximum);
    return static_cast<int32_t>(value);
}

int CVertSlider::TopFor(int32_t value) const {
    const int64_t span = std::max<int64_t>(0, int64_t{m_track.bottom} - m_height - m_track.top);
    const int64_t top = m_track.top + (100 - std::clamp<int64_t>(value, 0, 100)) * span / 100;
    return static_cast<int>(std::clamp<int64_t>(top, -kWindowLimit, kWindowLimit));
}

int32_t CVertSlider::ValueAtTop(int top) const {
    const int64_t span = int64_t{m_track.bottom} - m_height - m_track.top;
    const int64_t down = std::max<int64_t>(0, int64_t{top} - m_track.top);
    const int64_t above = span > 0 ? std::min<int64_t>(100, down * 100 / span) : 0;
    return Limited(100 - above);
}

void CVertSlider::SetValue(int32_t v) {
    m_value = Limited(v);
    MoveKnob(TopFor(m_value));
}

void CVertSlider::MoveKnob(int top) {
    if (top == m_top && Handle() != nullptr)
        return;
    m_top = top;
    SetRect(RECT{m_track.left, top, m_track.left + m_width, top + m_height});
    if (Handle() != nullptr)
        SetWindowPos(Handle(), nullptr, m_track.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVertSlider::Paint(HDC dc) {
    controls::DrawPicture(dc, m_knob.get(), 0, 0, m_width, m_height);
}

void CVertSlider::Drop() {
    m_dragging = false;  // before the capture goes: its notice must not drop twice
    if (GetCapture() == Handle())
        ReleaseCapture();
    // The knob settles on the value it reports, limits included.
    SetValue(ValueAtTop(m_top));
    PostMessageW(GetParent(Handle()), WMU_SLIDERCHANGED, static_cast<WPARAM>(m_value), static_cast<LPARAM>(Id()));
}

LRESULT CVertSlider::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
        m_tooltip.Relay(Handle(), message, wParam, lParam);
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
        case WM_LBUTTONDOWN:
            m_dragStart = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            m_dragging = true;
            SetCapture(Handle());
            return 0;
        case WM_MOUSEMOVE:
            if (m_dragging) {
                // Follows the pointer, keeping the point it was grabbed at.
                const int64_t top = int64_t{m_top} + GET_Y_LPARAM(lParam) - m_dragStart.y;
                const int64_t lowest = std::max<int64_t>(m_track.top, int64_t{m_track.bottom} - m_height);
                MoveKnob(static_cast<int>(std::clamp<int64_t>(top, m_track.top, lowest)));
            }
            return 0;
        case WM_LBUTTONUP:
            if (m_dragging)
                Drop();
            return 0;
        case WM_CAPTURECHANGED:
            if (m_dragging)
                Drop();
            return 0;
        default:
            return Default(message, wParam, lParam);
    }
}

void CVertSlider::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    auto slider = std::make_unique<CVertSlider>();
    if (!slider->Create(id, context.Parent(), skin::LoadPicture(skin::Trim(element.Attribute(L"file"))),
                        skin::ItemRect(element, id), context.Owner()))
        return;
    bool hasTooltip = false;
    const std::wstring tooltip = skin::OverriddenAttribute(element, id, L"tooltip", &hasTooltip);
    if (hasTooltip && !tooltip.empty())
        slider->SetTooltip(tooltip);
    context.Add(std::move(slider));
}
