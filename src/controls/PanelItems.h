// The bitmaps of a panel (BACKGROUND, MASK): window-less items, made through
// the creation function the controls register with the skin loader for those
// two elements.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "skin/GUIItem.h"
#include "win/Handles.h"

// A bitmap of a panel (type 0): its own copy, compatible with the display, of
// the whole loaded picture.
class CPanelBitmap : public CGUIItem {
public:
    // Null when the picture is missing or cannot be copied.
    static std::unique_ptr<CPanelBitmap> FromPicture(HBITMAP picture, int32_t id, void* owner);

    HBITMAP Bitmap() const { return m_bitmap.get(); }
    SIZE Size() const { return m_size; }
    void DeleteBitmap() { m_bitmap.reset(); }

private:
    CPanelBitmap() = default;
    win::UniqueBitmap m_bitmap;
    SIZE m_size = {};
};
