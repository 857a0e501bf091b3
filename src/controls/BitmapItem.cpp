#include "controls/BitmapItem.h"

#include <memory>

#include "controls/Picture.h"
#include "win/Gdi.h"
#include "skin/ControlIds.h"

namespace {

constexpr int32_t kViewPlanId = ctl::BITMAP_TARNVIEWPLAN;
constexpr int32_t kViewSideId = ctl::BITMAP_TARNVIEWSIDE;

}  // namespace

bool CBitmapItem::CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner) {
    if (!RegisterClass(kClassName))
        return false;
    SetId(id);
    SetType(kItemBitmap);
    SetOwner(owner);
    SetRect(rect);
    DWORD style = WS_CHILD | WS_VISIBLE;
    if (id == kViewPlanId || id == kViewSideId)
        style |= WS_DISABLED;
    HWND hwnd = Create(0, kClassName, L"", style, rect, parent);
    SetWindow(hwnd);
    return hwnd != nullptr;
}

void CBitmapItem::SetPicture(HBITMAP picture, HBITMAP mask) {
    if (mask != nullptr && Handle() != nullptr)
        controls::ApplyMaskRegion(Handle(), mask);
    if (picture == nullptr)
        return;
    const RECT* rect = Rect();
    int width = rect ? rect->right - rect->left : 0;
    int height = rect ? rect->bottom - rect->top : 0;
    m_picture = controls::CutPicture(picture, 0, 0, width, height);
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CBitmapItem::Paint(HDC dc) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    controls::DrawPicture(dc, m_picture.get(), 0, 0, client.right, client.bottom);
}

LRESULT CBitmapItem::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;  // the picture covers the window
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
        case WM_COMMAND:
            // Commands of children placed on the picture belong to the page.
            PostMessageW(GetParent(Handle()), WM_COMMAND, wParam, lParam);
            return Default(message, wParam, lParam);
        case WM_DRAWITEM:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (win::ReflectToChild(message, wParam, lParam, result))
                return result;
            return Default(message, wParam, lParam);
        }
        default:
            return Default(message, wParam, lParam);
    }
}

void CBitmapItem::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    HBITMAP picture = skin::LoadPicture(skin::ChildText(element, L"SBMN"));
    if (picture == nullptr)
        return;
    HBITMAP mask = skin::LoadPicture(skin::ChildText(element, L"SBMM"));
    auto item = std::make_unique<CBitmapItem>();
    if (!item->CreateWindowFor(context.Parent(), skin::ItemRect(element, id), id, context.Owner()))
        return;
    item->SetPicture(picture, mask);
    context.Add(std::move(item));
}
