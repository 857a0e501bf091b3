#include "controls/PHSlider.h"

#include <windowsx.h>

#include <algorithm>

#include "controls/Picture.h"
#include "win/Gdi.h"

namespace controls {
namespace {

// Track ends further out than this are no pixels anyone sees; keeping them
// inside leaves the 64-bit arithmetic far from overflow.
constexpr int64_t kTrackLimit = int64_t{1} << 20;

}  // namespace

void ThumbScale::Set(int64_t trackStart, int64_t trackEnd, int32_t minimum, int32_t maximum) {
    m_start = std::clamp(trackStart, -kTrackLimit, kTrackLimit);
    m_end = std::clamp(trackEnd, m_start, kTrackLimit);
    m_minimum = std::min(minimum, maximum);
    m_maximum = std::max(minimum, maximum);
}

int64_t ThumbScale::CentreOf(int32_t value) const {
    const int64_t steps = int64_t{m_maximum} - m_minimum;
    if (steps <= 0)
        return m_start;
    const int64_t index = std::clamp<int64_t>(int64_t{value} - m_minimum, 0, steps);
    return m_start + index * (m_end - m_start) / steps;
}

int32_t ThumbScale::ValueAt(int64_t x) const {
    const int64_t steps = int64_t{m_maximum} - m_minimum;
    const int64_t length = m_end - m_start;
    if (steps <= 0 || length <= 0)
        return m_minimum;
    const int64_t d = std::clamp(x, m_start, m_end) - m_start;
    // The nearest step, ties to the lower: ceil((2 d steps - length) / (2 length)).
    const int64_t index = std::clamp<int64_t>((2 * d * steps + length - 1) / (2 * length), 0, steps);
    return static_cast<int32_t>(m_minimum + index);
}

}  // namespace controls

namespace {

// The thumb that asked the window system to tell it when the pointer
// leaves; the system tracks one window per thread at a time.
HWND g_leaveTracked = nullptr;

constexpr int64_t kWindowLimit = 32767;

}  // namespace

CPHSlider::~CPHSlider() {
    if (g_leaveTracked != nullptr && g_leaveTracked == Handle())
        g_leaveTracked = nullptr;
}

void CPHSlider::OnWindowGone() {
    if (g_leaveTracked == Handle() || g_leaveTracked == CGUIItem::Window())
        g_leaveTracked = nullptr;
    SetWindow(nullptr);
}

bool CPHSlider::Create(HBITMAP thumb, HBITMAP hotThumb, HWND parent, const RECT& scale, int32_t id, void* owner) {
    if (!RegisterClass(kClassName))
        return false;
    SetId(id);
    SetType(kItemSliderThumb);
    CGUIItem::SetOwner(owner);
    m_thumb = controls::CopyPicture(thumb);
    m_hotThumb = controls::CopyPicture(hotThumb);
    const SIZE size = win::BitmapSize(m_thumb.get());
    m_width = static_cast<int>(size.cx);
    m_height = static_cast<int>(size.cy);
    m_scaleRect = scale;
    const RECT rect = {0, 0, m_width, m_height};
    SetRect(rect);
    HWND hwnd = win::Window::Create(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, rect,
                                    parent);
    SetWindow(hwnd);
    if (hwnd == nullptr)
        return false;
    if (m_thumb) {
        win::UniqueRgn shape = controls::BuildKeyedRegion(m_thumb.get());
        if (shape && SetWindowRgn(hwnd, shape.get(), TRUE))
            shape.release();  // the window owns it now
    }
    m_enabled = true;
    ComputeGeometry();
    SetValue(m_value);
    return true;
}

void CPHSlider::ComputeGeometry() {
    m_scale.Set(int64_t{m_scaleRect.left} + m_leftOffset, int64_t{m_scaleRect.right} - m_rightOffset,
                m_scale.Minimum(), m_scale.Maximum());
}

void CPHSlider::SetRange(int32_t a, int32_t b) {
    m_scale.Set(m_scale.Start(), m_scale.End(), a, b);
    ComputeGeometry();
    m_capMinimum = m_scale.Minimum();
    m_capMaximum = m_scale.Maximum();
    SetValue(m_value);
}

void CPHSlider::SetOffsets(int32_t left, int32_t right) {
    m_leftOffset = left;
    m_rightOffset = right;
    ComputeGeometry();
    SetValue(m_value);
}

void CPHSlider::SetCapRange(int32_t a, int32_t b) {
    m_capMinimum = std::clamp(std::min(a, b), m_scale.Minimum(), m_scale.Maximum());
    m_capMaximum = std::clamp(std::max(a, b), m_scale.Minimum(), m_scale.Maximum());
    SetValue(m_value);
}

int32_t CPHSlider::Capped(int64_t v) const {
    return static_cast<int32_t>(std::clamp<int64_t>(v, m_capMinimum, m_capMaximum));
}

void CPHSlider::SetValue(int32_t v) {
    m_value = Capped(v);
    PlaceCentreAt(m_scale.CentreOf(m_value));
}

void CPHSlider::PlaceCentreAt(int64_t x) {
    HWND hwnd = Handle();
    if (hwnd == nullptr)
        return;
    const int left = static_cast<int>(std::clamp<int64_t>(x - m_width / 2, -kWindowLimit, kWindowLimit));
    const int top = static_cast<int>(std::clamp<int64_t>(m_scaleRect.top, -kWindowLimit, kWindowLimit));
    const RECT* now = Rect();
    if (now != nullptr && now->left == left && now->top == top)
        return;
    SetRect(RECT{left, top, left + m_width, top + m_height});
    // Only the thumb and the track it uncovers are drawn again.
    SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPHSlider::Repaint() {
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CPHSlider::PostChanged() {
    if (Handle() != nullptr)
        PostMessageW(GetParent(Handle()), WMU_SLIDERCHANGED, static_cast<WPARAM>(m_value), static_cast<LPARAM>(Id()));
}

int64_t CPHSlider::ParentX(LPARAM position) const {
    const RECT* at = Rect();
    return int64_t{at != nullptr ? at->left : 0} + GET_X_LPARAM(position);
}

int64_t CPHSlider::DragX(int64_t x) const {
    x = std::clamp(x, m_scale.Start(), m_scale.End());
    return std::clamp(x, m_scale.CentreOf(m_capMinimum), m_scale.CentreOf(m_capMaximum));
}

void CPHSlider::Paint(HDC dc) {
    HBITMAP picture = (m_dragging || m_hot) && m_hotThumb ? m_hotThumb.get() : m_thumb.get();
    controls::DrawPicture(dc, picture, 0, 0, m_width, m_height);
}

void CPHSlider::OnButtonDown(LPARAM position) {
    HWND hwnd = Handle();
    if (GetFocus() != hwnd)
        SetFocus(hwnd);
    SetCapture(hwnd);
    m_dragging = true;
    m_moved = false;
    m_dragStart = POINT{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    // Above the other thumbs while it moves.
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Repaint();
}

void CPHSlider::OnMouseMove(LPARAM position) {
    HWND hwnd = Handle();
    if (g_leaveTracked != hwnd) {
        // The system tracks one window: the thumb it stops tracking is no
        // longer under the pointer.
        if (dynamic_cast<CPHSlider*>(win::WindowBase::FromHandle(g_leaveTracked)) != nullptr)
            SendMessageW(g_leaveTracked, WM_MOUSELEAVE, 0, 0);
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd, 0};
        if (TrackMouseEvent(&track))
            g_leaveTracked = hwnd;
    }
    if (!m_hot) {
        m_hot = true;
        Repaint();
    }
    if (!m_dragging)
        return;
    const POINT at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (at.x != m_dragStart.x || at.y != m_dragStart.y)
        m_moved = true;
    // Pressed and not yet moved: the thumb stays on its value.
    if (!m_moved)
        return;
    const int64_t x = DragX(ParentX(position));
    PlaceCentreAt(x);
    const int32_t value = Capped(m_scale.ValueAt(x));
    if (value != m_value) {
        m_value = value;
        PostChanged();
    }
}

void CPHSlider::OnButtonUp(LPARAM position) {
    if (GET_X_LPARAM(position) != m_dragStart.x || GET_Y_LPARAM(position) != m_dragStart.y)
        m_moved = true;
    // The drop stores what the drag showed at that point.
    if (m_moved)
        m_value = Capped(m_scale.ValueAt(DragX(ParentX(position))));
    EndDrag();
}

void CPHSlider::EndDrag() {
    m_dragging = false;  // before the capture goes: its notice must not end the drag twice
    if (GetCapture() == Handle())
        ReleaseCapture();
    m_hot = false;
    SetValue(m_value);
    PostChanged();
    Repaint();
}

void CPHSlider::StepTo(int64_t value) {
    SetValue(Capped(value));
    PostChanged();
}

bool CPHSlider::OnKey(WPARAM key) {
    const int64_t page = std::max<int64_t>(1, (int64_t{Maximum()} - Minimum()) / 5);
    switch (key) {
        case VK_LEFT:
        case VK_DOWN:
            StepTo(int64_t{m_value} - 1);
            return true;
        case VK_RIGHT:
        case VK_UP:
            StepTo(int64_t{m_value} + 1);
            return true;
        case VK_NEXT:
            StepTo(int64_t{m_value} - page);
            return true;
        case VK_PRIOR:
            StepTo(int64_t{m_value} + page);
            return true;
        case VK_HOME:
            StepTo(m_capMinimum);
            return true;
        case VK_END:
            StepTo(m_capMaximum);
            return true;
        default:
            return false;
    }
}

void CPHSlider::OnWheel(int delta) {
    m_wheelRest += delta;
    const int notches = m_wheelRest / WHEEL_DELTA;
    m_wheelRest -= notches * WHEEL_DELTA;
    if (notches == 0)
        return;
    const int32_t before = m_value;
    SetValue(Capped(int64_t{m_value} + notches));
    // Turned against an end: nothing to report.
    if (m_value != before)
        PostChanged();
}

LRESULT CPHSlider::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
        m_tooltip.Relay(Handle(), message, wParam, lParam);
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (!m_enabled)
                break;
            OnButtonDown(lParam);
            return 0;
        case WM_MOUSEMOVE:
            if (!m_enabled)
                break;
            OnMouseMove(lParam);
            return 0;
        case WM_LBUTTONUP:
            if (!m_enabled || !m_dragging)
                break;
            OnButtonUp(lParam);
            return 0;
        case WM_CAPTURECHANGED:
            // Taken away mid-drag: the drop happens where the thumb stands.
            if (m_dragging)
                EndDrag();
            return 0;
        case WM_MOUSELEAVE:
            if (g_leaveTracked == Handle())
                g_leaveTracked = nullptr;
            if (m_hot) {
                m_hot = false;
                Repaint();
            }
            return 0;
        case WM_KILLFOCUS:
            m_hot = false;
            Repaint();
            break;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_KEYDOWN:
            if (m_enabled && !m_dragging && OnKey(wParam))
                return 0;
            break;
        case WM_MOUSEWHEEL:
            if (!m_enabled || m_dragging)
                break;
            OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
            return 0;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}
