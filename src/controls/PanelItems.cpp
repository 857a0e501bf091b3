#include "controls/PanelItems.h"

#include <cwchar>

#include "controls/Picture.h"
#include "win/Gdi.h"

std::unique_ptr<CPanelBitmap> CPanelBitmap::FromPicture(HBITMAP picture, int32_t id, void* owner) {
    win::UniqueBitmap copy = controls::CopyPicture(picture);
    if (!copy)
        return nullptr;
    std::unique_ptr<CPanelBitmap> item(new CPanelBitmap());
    item->m_size = win::BitmapSize(copy.get());
    item->m_bitmap = std::move(copy);
    item->SetId(id);
    item->SetType(kItemPanelBitmap);
    item->SetOwner(owner);
    item->SetRect(RECT{0, 0, item->m_size.cx, item->m_size.cy});
    return item;
}

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
