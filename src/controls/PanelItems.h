// Window-less items: a panel's named bitmaps (BACKGROUND, MASK) and fonts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "controls/GUIItem.h"
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

// A named font (type 12): the face (at most 31 characters; empty leaves it
// unset), the height when above 0 (at most kMaxHeight), the weight when above
// 0 (at most 900), the swiss family; every other field 0.
class CFontItem : public CGUIItem {
public:
    static constexpr int32_t kMaxHeight = 1000;

    CFontItem(const std::wstring& typeface, int32_t height, int32_t weight);

    HFONT Font() const { return m_font.get(); }
    const LOGFONTW& LogFont() const { return m_logFont; }

private:
    LOGFONTW m_logFont = {};
    win::UniqueFont m_font;
};
