#include "win/MemDC.h"

#include "win/Gdi.h"

namespace win {

MemDC::MemDC(HDC target, const RECT* rect) noexcept : m_target(target), m_dc(target) {
    if (rect != nullptr)
        m_rect = *rect;
    else
        GetClipBox(target, &m_rect);
    const int width = m_rect.right - m_rect.left;
    const int height = m_rect.bottom - m_rect.top;
    bool printer = GetDeviceCaps(target, TECHNOLOGY) == DT_RASPRINTER;
    if (!printer && width > 0 && height > 0) {
        m_memory.reset(CreateCompatibleDC(target));
        // A 32-bit DIB section rather than a bitmap compatible with the
        // target: the same pixels once copied, far cheaper to make and
        // select on every paint.
        if (m_memory)
            m_bitmap.reset(CreateBitmap32(width, height));
        if (m_bitmap) {
            m_displaced = SelectObject(m_memory.get(), m_bitmap.get());
            m_dc = m_memory.get();
            m_offScreen = true;
            SetMapMode(m_dc, GetMapMode(target));
            SIZE extent = {};
            GetWindowExtEx(target, &extent);
            SetWindowExtEx(m_dc, extent.cx, extent.cy, nullptr);
            GetViewportExtEx(target, &extent);
            SetViewportExtEx(m_dc, extent.cx, extent.cy, nullptr);
            SetWindowOrgEx(m_dc, m_rect.left, m_rect.top, nullptr);
        }
    }
    COLORREF background = GetBkColor(target);
    HBRUSH brush = CreateSolidBrush(background);
    if (brush != nullptr) {
        FillRect(m_dc, &m_rect, brush);
        DeleteObject(brush);
    }
}

MemDC::~MemDC() {
    if (!m_offScreen)
        return;
    BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, m_dc,
           m_rect.left, m_rect.top, SRCCOPY);
    SelectObject(m_dc, m_displaced);
}

}  // namespace win
