// A framed tile (type 16) used as a key field: a click selects it and gives
// it the keyboard focus, a second click gives the focus back; every released
// key is posted to the parent as WMU_KEYCAPTURED.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/HotTracking.h"
#include "controls/Tooltip.h"
#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/Window.h"

// wParam: the refined virtual-key code, lParam: the bitmap window.
constexpr UINT WMU_KEYCAPTURED = 0x5F8;

namespace controls {
// The virtual-key code of a released key, refined with its key flags: left
// and right Control (162, 163) and Alt (164, 165) by the extended-key flag,
// left and right Shift (160, 161) by the scan codes 0x2A and 0x36, and the
// keypad Enter (108). Other keys keep their code.
UINT RefineKeyCode(UINT virtualKey, LPARAM keyFlags);
}  // namespace controls

class CBitmapWindow : public win::Window, public CGUIItem, private controls::HotTracker::Repaint {
public:
    static constexpr wchar_t kClassName[] = L"TarnBitmapWindow";

    CBitmapWindow() = default;

    bool CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner);
    // The inner picture is copied whole; the frames are cut at the window's
    // size; with a mask, the window region is built from it.
    void SetPictures(HBITMAP inner, HBITMAP frame, HBITMAP hotFrame, HBITMAP selectedFrame, HBITMAP mask);
    void SetTooltip(const std::wstring& text) { m_tooltip.SetText(Handle(), text); }
    // Resolved through the language, caps mode applied, first backslash + n
    // made a line break.
    void SetCaption(const std::wstring& text);
    const std::wstring& Caption() const { return m_caption; }
    void SetCaps(int32_t caps) { m_caps = caps; }
    void SetDrawFormat(UINT format) { m_drawFormat = format; }
    void SetFont(HFONT font) { m_font = font; }
    void SetTextColour(COLORREF colour) { m_textColour = colour; }

    bool IsSelected() const { return m_selected; }
    bool IsHot() const { return m_hot.Hot(); }
    SIZE Margins() const { return m_margin; }
    const controls::ItemTooltip& Tooltip() const { return m_tooltip; }

    void Paint(HDC dc);

    // BITMAPWINDOW: name, fontclr, tooltip, caps, multiline, justify, fontid;
    // SBMDS (required), SBMN, SBMO, SBMD, SBMM (read only when the element
    // carries an attribute SBMM), RECT.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override { SetWindow(nullptr); }

private:
    void OnHotChanged() override { InvalidateRect(Handle(), nullptr, FALSE); }
    void ToggleSelected();

    win::UniqueBitmap m_inner;
    win::UniqueBitmap m_frame;
    win::UniqueBitmap m_hotFrame;
    win::UniqueBitmap m_selectedFrame;
    std::wstring m_caption;
    int32_t m_caps = 0;
    UINT m_drawFormat = 0;
    HFONT m_font = nullptr;  // owned by its font item
    COLORREF m_textColour = 0;
    bool m_selected = false;
    controls::HotTracker m_hot;
    HWND m_previousFocus = nullptr;
    SIZE m_margin = {};
    controls::ItemTooltip m_tooltip;
};
