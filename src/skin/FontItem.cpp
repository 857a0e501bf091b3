#include "skin/FontItem.h"

#include <cwchar>

CFontItem::CFontItem(const std::wstring& typeface, int32_t height, int32_t weight) {
    if (!typeface.empty())
        wcsncpy_s(m_logFont.lfFaceName, LF_FACESIZE, typeface.c_str(), _TRUNCATE);
    // Heights past kMaxHeight would make the rasteriser work for minutes.
    if (height > 0)
        m_logFont.lfHeight = height < kMaxHeight ? height : kMaxHeight;
    if (weight > 0)
        m_logFont.lfWeight = weight < FW_HEAVY ? weight : FW_HEAVY;
    m_logFont.lfPitchAndFamily = FF_SWISS | DEFAULT_PITCH;
    m_font.reset(CreateFontIndirectW(&m_logFont));
    SetType(kItemFont);
}
