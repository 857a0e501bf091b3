// A named font of a skin: a window-less item that later items find by id.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "skin/GUIItem.h"
#include "win/Handles.h"

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
