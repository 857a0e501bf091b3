// The vertical slider (type 5, skin element VSLIDER inside SLIDERLIST): a
// knob dragged up and down a track, giving a percentage: 100 with the knob
// at the top, 0 at the bottom, kept within optional limits. On every drop it
// posts to its parent
//
//   WMU_SLIDERCHANGED (0x446)   wParam: value 0-100   lParam: control id
//
// and the knob settles on the value it reported.
//
// Skin element: the RECT is the track (left, top, width, height in the
// panel's client coordinates); `file` is the knob picture, which gives the
// knob's size; the knob runs down the track's left edge.
//
//   <VSLIDER name="SLIDER_SCROLL" file="knob.bmp" tooltip="$scrollspeed">
//     <RECT left="20" top="40" right="16" bottom="120"/>
//   </VSLIDER>
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/PHSlider.h"
#include "controls/Tooltip.h"
#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/Window.h"

class CVertSlider : public win::Window, public CGUIItem {
public:
    static constexpr wchar_t kClassName[] = L"TarnVertSlider";

    CVertSlider() = default;

    // A visible child of the knob picture's size (the slider keeps its own
    // copy of the picture) at the bottom of the track, value 0.
    bool Create(int32_t id, HWND parent, HBITMAP knob, const RECT& track, void* owner);
    // Reported values stay within [minimum, maximum]; both 0: no limits.
    void SetLimits(int32_t minimum, int32_t maximum);
    // Places the knob on v (0-100, within the limits). No notification.
    void SetValue(int32_t v);
    void SetTooltip(const std::wstring& text) { m_tooltip.SetText(Handle(), text); }

    int32_t Value() const { return m_value; }
    int32_t Minimum() const { return m_minimum; }
    int32_t Maximum() const { return m_maximum; }
    bool IsDragging() const { return m_dragging; }
    const RECT& Track() const { return m_track; }
    // The knob's top in the parent's client coordinates.
    int KnobTop() const { return m_top; }

    void Paint(HDC dc);

    // VSLIDER: name, file, tooltip; RECT.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override { SetWindow(nullptr); }

private:
    int32_t Limited(int64_t value) const;
    int TopFor(int32_t value) const;
    int32_t ValueAtTop(int top) const;
    void MoveKnob(int top);
    void Drop();

    win::UniqueBitmap m_knob;
    int m_width = 0;
    int m_height = 0;
    RECT m_track = {};
    int m_top = 0;
    int32_t m_value = 0;
    int32_t m_minimum = 0;
    int32_t m_maximum = 0;
    bool m_dragging = false;
    POINT m_dragStart = {};
    controls::ItemTooltip m_tooltip;
};
