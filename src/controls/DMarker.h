// The level bar (type 7, skin element DMARKER inside SLIDERLIST): a
// horizontal bar that fills from the left up to its value; dragging across
// it sets the value, and every release over it reports
//
//   WMU_MARKERCHANGED (0x450)   wParam: value   lParam: control id
//
// to the parent. Range 0-10 until set.
//
// Skin element (RECT in the panel's client coordinates). The pictures are
// the bar empty and full; each may be a picture of the bar's size or a
// panel-sized sheet, from which the bar's rectangle is cut.
//
//   <DMARKER name="SLIDER_SENSITIVITY">
//     <RECT left="20" top="200" right="200" bottom="12"/>
//     <SBMN>level-empty.bmp</SBMN>
//     <MARK>level-full.bmp</MARK>
//   </DMARKER>
#pragma once

#include <windows.h>

#include <cstdint>

#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/Window.h"

constexpr UINT WMU_MARKERCHANGED = 0x450;

class CDMarker : public win::Window, public CGUIItem {
public:
    static constexpr wchar_t kClassName[] = L"TarnDMarker";

    CDMarker() = default;

    // A visible tab-stop child at the rectangle (parent coordinates).
    bool Create(const RECT& rect, int32_t id, HWND parent, void* owner);
    // Both cut at the bar's rectangle (see above); the bar keeps copies.
    void SetPictures(HBITMAP empty, HBITMAP full);
    // In either order; the value is kept inside.
    void SetRange(int32_t a, int32_t b);
    // Clamped into the range; repaints. No notification.
    void SetValue(int32_t v);
    // A bar that is not enabled takes no drags and reports nothing.
    void SetEnabled(bool enabled) { m_enabled = enabled; }

    int32_t Value() const { return m_value; }
    int32_t Minimum() const { return m_minimum; }
    int32_t Maximum() const { return m_maximum; }
    bool IsEnabled() const { return m_enabled; }
    bool IsDragging() const { return m_dragging; }

    void Paint(HDC dc);

    // DMARKER: name; RECT, SBMN, MARK.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override { SetWindow(nullptr); }

private:
    // The value under the pointer of a mouse message; left of the bar is
    // its left end.
    int32_t ValueAt(LPARAM position) const;
    void Repaint();

    win::UniqueBitmap m_empty;
    win::UniqueBitmap m_full;
    int32_t m_minimum = 0;
    int32_t m_maximum = 10;
    int32_t m_value = 0;
    bool m_enabled = true;
    bool m_dragging = false;
    POINT m_dragStart = {};
};
