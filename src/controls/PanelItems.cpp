#include "controls/PanelItems.h"

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
