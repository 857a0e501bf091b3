// One thumb on a horizontal scale (type 6): a small window of its thumb
// picture, shaped by the picture's colour key, that its slider moves along
// the track. It keeps its value inside a cap range and reports every change
// to its parent (the slider) by posting
//
//   WMU_SLIDERCHANGED (0x446)   wParam: new value   lParam: the thumb's control id
//
// while dragged (one per value change), on every drop (changed or not), and
// on each key or wheel step. The thumb takes the keyboard focus when pressed
// and is a tab stop: Left/Down and Right/Up move one step, PageDown and
// PageUp a fifth of the range, Home and End to the ends of the cap range;
// each wheel notch moves one step.
//
// The scale: value `minimum` sits at the track start (scale left + left
// offset) and `maximum` at the track end (scale right - right offset); the
// thumb's centre marks the value.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/Tooltip.h"
#include "skin/GUIItem.h"
#include "win/Handles.h"
#include "win/Window.h"

constexpr UINT WMU_SLIDERCHANGED = 0x446;

namespace controls {

// Where values lie along a track, in the slider's client x: `minimum` at
// the start, `maximum` at the end, steps of (end - start) / (maximum -
// minimum) pixels. Pure arithmetic, in 64 bits so that no skin number can
// overflow it.
class ThumbScale {
public:
    void Set(int64_t trackStart, int64_t trackEnd, int32_t minimum, int32_t maximum);

    int64_t Start() const { return m_start; }
    int64_t End() const { return m_end; }
    int32_t Minimum() const { return m_minimum; }
    int32_t Maximum() const { return m_maximum; }
    // The x of a value's centre (truncated); values outside the range are
    // taken at its ends.
    int64_t CentreOf(int32_t value) const;
    // The value under x: x is clamped to the track, then the nearest step
    // is taken (a point half-way between two steps takes the lower one).
    int32_t ValueAt(int64_t x) const;

private:
    int64_t m_start = 0;
    int64_t m_end = 0;
    int32_t m_minimum = 1;
    int32_t m_maximum = 32;
};

}  // namespace controls

class CPHSlider : public win::Window, public CGUIItem {
public:
    static constexpr wchar_t kClassName[] = L"TarnSliderThumb";

    CPHSlider() = default;
    ~CPHSlider() override;

    // A visible tab-stop child of `parent`, of the thumb picture's size,
    // shaped by the picture's colour key; each thumb keeps its own copies of
    // the pictures. `scale` is the scale rectangle in the parent's client
    // coordinates; the thumb's top is the scale's top. Range 1-32 until set.
    bool Create(HBITMAP thumb, HBITMAP hotThumb, HWND parent, const RECT& scale, int32_t id, void* owner);

    // The scale's range (in either order); the cap range becomes the whole
    // range and the value is kept inside it and re-placed.
    void SetRange(int32_t a, int32_t b);
    // Margins of the track inside the scale; the thumb is re-placed.
    void SetOffsets(int32_t left, int32_t right);
    // The values the thumb may take (in either order), within the range;
    // the value is kept inside and re-placed.
    void SetCapRange(int32_t a, int32_t b);
    // Stores v clamped into the cap range and places the thumb on it. No
    // notification: the page sets what it already knows.
    void SetValue(int32_t v);
    // A thumb that is not enabled ignores the mouse, the keys and the wheel.
    void SetEnabled(bool enabled) { m_enabled = enabled; }
    // Resolved through the language; the first backslash + n becomes a space.
    void SetTooltip(const std::wstring& text) { m_tooltip.SetText(Handle(), text); }

    int32_t Value() const { return m_value; }
    int32_t Minimum() const { return m_scale.Minimum(); }
    int32_t Maximum() const { return m_scale.Maximum(); }
    int32_t CapMinimum() const { return m_capMinimum; }
    int32_t CapMaximum() const { return m_capMaximum; }
    bool IsEnabled() const { return m_enabled; }
    bool IsDragging() const { return m_dragging; }
    bool IsHot() const { return m_hot; }
    int Width() const { return m_width; }
    const controls::ThumbScale& Scale() const { return m_scale; }
    const controls::ItemTooltip& Tooltip() const { return m_tooltip; }

    void Paint(HDC dc);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override;

private:
    void ComputeGeometry();
    int32_t Capped(int64_t v) const;
    // Moves the window so that its centre is at x (clamped to the window
    // system's range) and repaints it.
    void PlaceCentreAt(int64_t x);
    void Repaint();
    void PostChanged();
    // The pointer of a mouse message in the parent's client x.
    int64_t ParentX(LPARAM position) const;
    // The x a drag may reach: the track, and within it the cap range.
    int64_t DragX(int64_t x) const;

    void OnButtonDown(LPARAM position);
    void OnMouseMove(LPARAM position);
    void OnButtonUp(LPARAM position);
    void EndDrag();
    bool OnKey(WPARAM key);
    void OnWheel(int delta);
    void StepTo(int64_t value);

    win::UniqueBitmap m_thumb;
    win::UniqueBitmap m_hotThumb;
    int m_width = 0;
    int m_height = 0;
    RECT m_scaleRect = {};
    int32_t m_leftOffset = 0;
    int32_t m_rightOffset = 0;
    controls::ThumbScale m_scale;
    int32_t m_capMinimum = 1;
    int32_t m_capMaximum = 32;
    int32_t m_value = 1;
    bool m_enabled = false;
    bool m_dragging = false;
    bool m_moved = false;  // the pointer left its press point during the drag
    bool m_hot = false;
    POINT m_dragStart = {};
    int m_wheelRest = 0;  // wheel delta short of a notch
    controls::ItemTooltip m_tooltip;
};
