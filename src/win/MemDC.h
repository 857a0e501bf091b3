// An off-screen drawing context: callers draw into it with the target's
// coordinates, and on destruction the whole rectangle is copied to the target
// in one step, so hover and state changes never flicker. Against a printer it
// draws straight into the target.
#pragma once

#include <windows.h>

#include "win/Gdi.h"

namespace win {

class MemDC {
public:
    // rect: the target area; null takes the target's clipping box. The area
    // starts filled with the target's background colour.
    explicit MemDC(HDC target, const RECT* rect = nullptr) noexcept;
    MemDC(const MemDC&) = delete;
    MemDC& operator=(const MemDC&) = delete;
    ~MemDC();

    HDC get() const noexcept { return m_dc; }
    operator HDC() const noexcept { return m_dc; }
    bool IsOffScreen() const noexcept { return m_offScreen; }
    const RECT& Rect() const noexcept { return m_rect; }

private:
    HDC m_target;
    HDC m_dc;
    RECT m_rect = {};
    bool m_offScreen = false;
    UniqueDC m_memory;
    UniqueBitmap m_bitmap;
    HGDIOBJ m_displaced = nullptr;
};

}  // namespace win

using CMemDC = win::MemDC;
