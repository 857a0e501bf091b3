#include "controls/VScrollBar.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "controls/Picture.h"
#include "skin/SkinLoader.h"
#include "win/Gdi.h"
#include "win/MemDC.h"

namespace controls {

int ScrollBarPictures::Width() const {
    return thumb != nullptr ? win::BitmapSize(thumb).cx : 0;
}

ScrollBarPictures ReadScrollBarPictures(const XmlElement& element) {
    const XmlElement* scroll = element.FindFirst(L"VSCROLL");
    if (scroll == nullptr)
        return {};
    ScrollBarPictures pictures;
    pictures.thumb = skin::LoadPicture(skin::ChildText(*scroll, L"VSBMP_TMB"));
    if (pictures.thumb == nullptr)
        return {};
    pictures.topCap = skin::LoadPicture(skin::ChildText(*scroll, L"VSBMP_TOP"));
    pictures.bottomCap = skin::LoadPicture(skin::ChildText(*scroll, L"VSBMP_BOT"));
    pictures.upArrow = skin::LoadPicture(skin::ChildText(*scroll, L"VSBMP_AUP"));
    pictures.downArrow = skin::LoadPicture(skin::ChildText(*scroll, L"VSBMP_ADN"));
    pictures.spine = skin::LoadPicture(skin::ChildText(*scroll, L"VSBMP_SPN"));
    return pictures;
}

ScrollBarMetrics ScrollBarMetrics::Of(const ScrollBarPictures& pictures, int height) {
    ScrollBarMetrics m;
    m.topCap = win::BitmapSize(pictures.topCap).cy;
    m.upArrow = win::BitmapSize(pictures.upArrow).cy;
    m.thumb = win::BitmapSize(pictures.thumb).cy;
    m.downArrow = win::BitmapSize(pictures.downArrow).cy;
    m.bottomCap = win::BitmapSize(pictures.bottomCap).cy;
    m.height = height;
    return m;
}

int ScrollBarMetrics::Track() const {
    const int64_t track = static_cast<int64_t>(height) - topCap - upArrow - thumb - downArrow - bottomCap;
    return static_cast<int>(std::max<int64_t>(track, 0));
}

int ScrollState::Last() const {
    const int64_t last = static_cast<int64_t>(max) - std::max(page, 1) + 1;
    return static_cast<int>(std::max<int64_t>(last, min));
}

int ThumbTopFor(const ScrollBarMetrics& metrics, const ScrollState& state) {
    const int64_t range = static_cast<int64_t>(state.Last()) - state.min;
    const int track = metrics.Track();
    if (range <= 0 || track <= 0)
        return metrics.TrackTop();
    const int64_t pos = std::clamp<int64_t>(state.pos, state.min, state.Last()) - state.min;
    return metrics.TrackTop() + static_cast<int>(track * pos / range);
}

int PositionForThumbTop(const ScrollBarMetrics& metrics, const ScrollState& state, int thumbTop) {
    const int64_t range = static_cast<int64_t>(state.Last()) - state.min;
    const int track = metrics.Track();
    if (range <= 0 || track <= 0)
        return state.min;
    const int64_t offset = std::clamp<int64_t>(static_cast<int64_t>(thumbTop) - metrics.TrackTop(), 0, track);
    return state.min + static_cast<int>((offset * range + track / 2) / track);
}

}  // namespace controls

namespace {

constexpr UINT_PTR kRepeatTimer = 1;
// Posted to itself behind the scroll messages it posts to the companion, so
// that it reads the companion's position once the companion has moved.
constexpr UINT kRereadMessage = WM_APP + 1;

void StretchPicture(HDC dc, HBITMAP picture, int x, int y, int width, int height) {
    const SIZE size = win::BitmapSize(picture);
    if (picture == nullptr || size.cx <= 0 || size.cy <= 0 || width <= 0 || height <= 0)
        return;
    win::UniqueDC memory(CreateCompatibleDC(dc));
    if (!memory)
        return;
    win::SelectGuard select(memory.get(), picture);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, x, y, width, height, memory.get(), 0, 0, size.cx, size.cy, SRCCOPY);
}

}  // namespace

bool CVScrollBar::Create(HWND companion, HWND parent, const RECT& rect,
                         const controls::ScrollBarPictures& pictures, COLORREF background) {
    if (!pictures.Usable() || Handle() != nullptr)
        return false;
    m_thumb = controls::CopyPicture(pictures.thumb);
    if (!m_thumb)
        return false;
    m_topCap = controls::CopyPicture(pictures.topCap);
    m_bottomCap = controls::CopyPicture(pictures.bottomCap);
    m_upArrow = controls::CopyPicture(pictures.upArrow);
    m_downArrow = controls::CopyPicture(pictures.downArrow);
    m_spine = controls::CopyPicture(pictures.spine);
    m_own = controls::ScrollBarPictures{m_thumb.get(),   m_topCap.get(),    m_bottomCap.get(),
                                        m_upArrow.get(), m_downArrow.get(), m_spine.get()};
    m_companion = companion;
    m_background = background;
    if (CreateControl(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, rect, parent) == nullptr)
        return false;
    m_state = ReadState();
    return true;
}

controls::ScrollBarMetrics CVScrollBar::Metrics() const {
    RECT client = {};
    if (Handle() != nullptr)
        GetClientRect(Handle(), &client);
    return controls::ScrollBarMetrics::Of(m_own, client.bottom);
}

int CVScrollBar::ThumbTop() const {
    if (m_dragging)
        return m_dragTop;
    return controls::ThumbTopFor(Metrics(), m_state);
}

controls::ScrollState CVScrollBar::ReadState() const {
    SCROLLINFO info = {sizeof(info), SIF_ALL};
    if (m_companion == nullptr || !GetScrollInfo(m_companion, SB_VERT, &info))
        return {};
    return controls::ScrollState{info.nMin, info.nMax, static_cast<int>(info.nPage), info.nPos};
}

void CVScrollBar::Update() {
    if (m_dragging || Handle() == nullptr)
        return;
    const int before = ThumbTop();
    m_state = ReadState();
    if (ThumbTop() != before)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CVScrollBar::Paint(HDC dc) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    win::MemDC memory(dc, &client);
    win::UniqueBrush background(CreateSolidBrush(m_background));
    FillRect(memory, &client, background.get());
    const controls::ScrollBarMetrics m = Metrics();
    const int width = client.right;
    controls::DrawPicture(memory, m_topCap.get(), 0, 0, width, m.topCap);
    controls::DrawPicture(memory, m_upArrow.get(), 0, m.topCap, width, m.upArrow);
    StretchPicture(memory, m_spine.get(), 0, m.TrackTop(), width, m.DownArrowTop() - m.TrackTop());
    controls::DrawPicture(memory, m_thumb.get(), 0, ThumbTop(), width, m.thumb);
    controls::DrawPicture(memory, m_downArrow.get(), 0, m.DownArrowTop(), width, m.downArrow);
    controls::DrawPicture(memory, m_bottomCap.get(), 0, m.height - m.bottomCap, width, m.bottomCap);
}

void CVScrollBar::Post(WORD code, int times) {
    for (int i = 0; i < times; ++i)
        PostMessageW(m_companion, WM_VSCROLL, MAKEWPARAM(code, 0), 0);
    PostMessageW(Handle(), kRereadMessage, 0, 0);
}

void CVScrollBar::OnButtonDown(int y) {
    if (IsPressed())
        return;
    m_captureBefore = GetCapture();
    SetCapture(Handle());
    m_pointerY = y;
    m_repeating = false;
    m_state = ReadState();
    const int thumbTop = ThumbTop();
    const controls::ScrollBarMetrics m = Metrics();
    if (y >= thumbTop && y < thumbTop + m.thumb) {
        m_thumbPressed = true;
        m_dragPos = m_state.pos;
        m_dragTop = thumbTop;
    } else if (OnUpArrow(y)) {
        m_upPressed = true;
    } else if (OnDownArrow(y)) {
        m_downPressed = true;
    } else {
        m_spinePressed = true;
    }
    if (m_upPressed || m_downPressed)
        SetTimer(Handle(), kRepeatTimer, kRepeatDelay, nullptr);
}

void CVScrollBar::OnRepeat() {
    if (!m_repeating) {
        m_repeating = true;
        SetTimer(Handle(), kRepeatTimer, kRepeatInterval, nullptr);
    }
    // Only while the pointer stays on the arrow it pressed.
    if (m_upPressed && OnUpArrow(m_pointerY))
        Post(SB_LINEUP);
    else if (m_downPressed && OnDownArrow(m_pointerY))
        Post(SB_LINEDOWN);
}

void CVScrollBar::OnMouseMove(int y, WPARAM keys) {
    if (!IsPressed())
        return;
    m_pointerY = y;
    if (!m_thumbPressed || (keys & MK_LBUTTON) == 0)
        return;
    const controls::ScrollBarMetrics m = Metrics();
    // The thumb's centre follows the pointer, within the track.
    const int top = std::clamp(y - m.thumb / 2, m.TrackTop(), m.TrackTop() + m.Track());
    const int target = controls::PositionForThumbTop(m, m_state, top);
    int change = target - m_dragPos;
    if (change != 0) {
        // Whole pages as page steps, so that a long list follows a fast drag
        // without thousands of line steps; the rest as lines.
        const int page = std::max(m_state.page, 1);
        const int steps = std::abs(change);
        if (page > 1 && steps >= page)
            Post(change > 0 ? SB_PAGEDOWN : SB_PAGEUP, steps / page);
        if (steps % page != 0 || page == 1)
            Post(change > 0 ? SB_LINEDOWN : SB_LINEUP, page == 1 ? steps : steps % page);
        m_dragPos = target;
    }
    m_dragging = true;
    if (top != m_dragTop) {
        m_dragTop = top;
        InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void CVScrollBar::OnButtonUp(int y) {
    if (!IsPressed())
        return;
    m_pointerY = y;
    const int thumbTop = ThumbTop();
    const bool onThumb = y >= thumbTop && y < thumbTop + Metrics().thumb;
    if (m_upPressed && OnUpArrow(y))
        Post(SB_LINEUP);
    else if (m_downPressed && OnDownArrow(y))
        Post(SB_LINEDOWN);
    else if (m_spinePressed && !onThumb)
        Post(y < thumbTop ? SB_PAGEUP : SB_PAGEDOWN);
    const HWND giveBack = m_captureBefore;
    EndPress();
    // The companion had the mouse before the press (a list panel sees every
    // press that way): it gets it back.
    if (giveBack != nullptr && giveBack == m_companion && IsWindow(giveBack))
        SetCapture(giveBack);
    else if (GetCapture() == Handle())
        ReleaseCapture();
}

void CVScrollBar::EndPress() {
    KillTimer(Handle(), kRepeatTimer);
    const bool dragged = m_dragging;
    m_upPressed = m_downPressed = m_thumbPressed = m_spinePressed = false;
    m_dragging = false;
    m_repeating = false;
    m_captureBefore = nullptr;
    if (dragged) {
        PostMessageW(Handle(), kRereadMessage, 0, 0);
        InvalidateRect(Handle(), nullptr, FALSE);
    }
}

LRESULT CVScrollBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
        case WM_NCHITTEST:
            return HTCLIENT;  // a static control would let the mouse through
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            OnButtonDown(GET_Y_LPARAM(lParam));
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(GET_Y_LPARAM(lParam), wParam);
            return 0;
        case WM_LBUTTONUP:
            OnButtonUp(GET_Y_LPARAM(lParam));
            return 0;
        case WM_TIMER:
            if (wParam == kRepeatTimer) {
                OnRepeat();
                return 0;
            }
            break;
        case WM_CAPTURECHANGED:
            // Taken away in the middle of a press: the press ends, nothing is sent.
            if (reinterpret_cast<HWND>(lParam) != Handle() && IsPressed())
                EndPress();
            return 0;
        case kRereadMessage:
            Update();
            return 0;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}
