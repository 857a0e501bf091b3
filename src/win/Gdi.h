// GDI additions to the handles of Handles.h: device contexts, paint scopes,
// saved DC state, and the count of live GDI objects that leak tests read.
#pragma once

#include <windows.h>

#include <cstdint>

#include "win/Handles.h"

namespace win {

struct MemoryDCTraits {
    static HDC Invalid() noexcept { return nullptr; }
    static bool Valid(HDC h) noexcept { return h != nullptr; }
    static void Close(HDC h) noexcept { ::DeleteDC(h); }
};
// A DC from CreateCompatibleDC / CreateDC.
using UniqueDC = Unique<HDC, MemoryDCTraits>;

// GetDC / ReleaseDC of a window (null: the screen).
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) noexcept : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (m_dc != nullptr)
            ::ReleaseDC(m_hwnd, m_dc);
    }
    HDC get() const noexcept { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// BeginPaint / EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) noexcept : m_hwnd(hwnd), m_dc(::BeginPaint(hwnd, &m_ps)) {}
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { ::EndPaint(m_hwnd, &m_ps); }
    HDC get() const noexcept { return m_dc; }
    const PAINTSTRUCT& info() const noexcept { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps = {};
    HDC m_dc;
};

// The messages by which a window that paints itself whole is drawn:
// WM_PAINT (within BeginPaint/EndPaint) and WM_PRINTCLIENT hand `paint` the
// DC; WM_ERASEBKGND is answered without erasing, as the painting covers the
// window. True, with `result` set, for those three.
template <typename Paint>
bool HandlePaintMessage(HWND hwnd, UINT message, WPARAM wParam, LRESULT& result, Paint&& paint) {
    switch (message) {
        case WM_PAINT: {
            PaintScope scope(hwnd);
            paint(scope.get());
            result = 0;
            return true;
        }
        case WM_PRINTCLIENT:
            paint(reinterpret_cast<HDC>(wParam));
            result = 0;
            return true;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        default:
            return false;
    }
}

// SaveDC / RestoreDC: undoes every selection, mode and colour change made
// inside the scope.
class SaveDCGuard {
public:
    explicit SaveDCGuard(HDC dc) noexcept : m_dc(dc), m_saved(::SaveDC(dc)) {}
    SaveDCGuard(const SaveDCGuard&) = delete;
    SaveDCGuard& operator=(const SaveDCGuard&) = delete;
    ~SaveDCGuard() {
        if (m_saved != 0)
            ::RestoreDC(m_dc, m_saved);
    }

private:
    HDC m_dc;
    int m_saved;
};

// Width and height of a bitmap; (0, 0) for none.
SIZE BitmapSize(HBITMAP bitmap) noexcept;

// Draws a one-pixel frame of the colour round the whole window (its
// non-client edge included), as skinned controls draw their border.
void FrameWindowEdge(HWND hwnd, COLORREF colour) noexcept;

// A 32-bit top-down DIB section, for off-screen drawing and picture copies.
// Rather than device bitmaps: under Wine each selection of a device bitmap
// into a DC costs a trip through the display driver, a DIB section's does
// not. Null for an empty or impossible size. `bits`, when given, receives
// the first pixel of the top row (0x00RRGGBB values, rows without gaps).
HBITMAP CreateBitmap32(int width, int height, uint32_t** bits = nullptr) noexcept;

// The number of GDI objects this process holds now (DCs, bitmaps, fonts,
// brushes, pens, regions; stock objects excluded), or -1 where it cannot be
// told. GetGuiResources answers 0 under Wine, so this reads the process's GDI
// handle table (the shared table the PEB points at, whose layout Windows and
// Wine share), after checking on a brush of its own that the table behaves
// as expected. Leak tests compare two readings.
int GdiObjectCount() noexcept;
// The same count split by the table's object type (1 DC, 4 region, 5 or 9
// bitmap, 10 font, 16 brush, 48 pen, ...): byType[type]. False where the
// table cannot be read.
bool GdiObjectCountByType(int (&byType)[256]) noexcept;

}  // namespace win
