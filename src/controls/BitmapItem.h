// A static picture on a panel (type 1). Text items and buttons may sit on it
// (windowid); the commands they send are passed on to the panel.
#pragma once

#include <windows.h>

#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/Window.h"

class CBitmapItem : public win::Window, public CGUIItem {
public:
    static constexpr wchar_t kClassName[] = L"TarnBitmapItem";

    CBitmapItem() = default;

    // A visible child window at the rectangle (parent coordinates); disabled
    // for BITMAP_TARNVIEWPLAN and BITMAP_TARNVIEWSIDE, which take no mouse
    // input. False when the window cannot be made.
    bool CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner);
    // Copies the top-left part of the picture, as large as the item, into the
    // item's own bitmap; with a mask, the window region is built first.
    void SetPicture(HBITMAP picture, HBITMAP mask = nullptr);
    HBITMAP Picture() const { return m_picture.get(); }

    void Paint(HDC dc);

    // BITMAPITEM: name, SBMN (required), SBMM (optional mask), RECT.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override { SetWindow(nullptr); }

private:
    win::UniqueBitmap m_picture;
};
