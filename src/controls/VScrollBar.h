// The skinned vertical scroll bar (CVScrollBar): drawn from six pictures, it
// scrolls a companion window beside it by posting WM_VSCROLL (line up, line
// down, page up, page down) and shows where the companion stands by reading
// the companion's own vertical scroll information.
//
// The companion needs nothing but what any window with a platform scroll bar
// has: it answers GetScrollInfo(SB_VERT) and scrolls itself on WM_VSCROLL. It
// keeps its platform bar out of sight (for example cut off by a window
// region) and calls Update() when it scrolled for a reason of its own (keys,
// the wheel); the bar re-reads by itself after the scrolls it asked for.
#pragma once

#include <windows.h>

#include "win/Handles.h"
#include "win/Window.h"

class XmlElement;

namespace controls {

// The pictures of a VSCROLL element: shared ones from the resource cache
// (the bar copies them). Without a thumb there is no skinned scroll bar.
struct ScrollBarPictures {
    HBITMAP thumb = nullptr;      // VSBMP_TMB
    HBITMAP topCap = nullptr;     // VSBMP_TOP
    HBITMAP bottomCap = nullptr;  // VSBMP_BOT
    HBITMAP upArrow = nullptr;    // VSBMP_AUP
    HBITMAP downArrow = nullptr;  // VSBMP_ADN
    HBITMAP spine = nullptr;      // VSBMP_SPN, stretched over the track

    bool Usable() const { return thumb != nullptr; }
    // The bar's width: the thumb picture's; 0 without a thumb.
    int Width() const;
};

// The VSCROLL child of an element (COMBO, LISTPANEL, LISTCTRL, MACRODISPLAY);
// nothing when there is none or it names no loadable thumb.
ScrollBarPictures ReadScrollBarPictures(const XmlElement& element);

// The heights of the bar's parts, top to bottom: top cap, up arrow, the track
// (the spine, with the thumb on it), down arrow, bottom cap.
struct ScrollBarMetrics {
    int topCap = 0;
    int upArrow = 0;
    int thumb = 0;
    int downArrow = 0;
    int bottomCap = 0;
    int height = 0;  // the bar's client height

    static ScrollBarMetrics Of(const ScrollBarPictures& pictures, int height);
    // What the thumb's top can travel: the height less all five parts, never
    // below 0.
    int Track() const;
    int TrackTop() const { return topCap + upArrow; }
    int DownArrowTop() const { return height - bottomCap - downArrow; }
};

// Where the companion stands, as GetScrollInfo reports it.
struct ScrollState {
    int min = 0;
    int max = 0;
    int page = 0;
    int pos = 0;

    // The largest position the companion can reach: max - page + 1 (a page
    // of 0 counts as 1), never below min.
    int Last() const;
};

// The thumb's top for the companion's position: the track scaled over the
// companion's range of positions, below the top cap and up arrow.
int ThumbTopFor(const ScrollBarMetrics& metrics, const ScrollState& state);
// The position whose thumb top lies nearest to `thumbTop`.
int PositionForThumbTop(const ScrollBarMetrics& metrics, const ScrollState& state, int thumbTop);

}  // namespace controls

class CVScrollBar : public win::SubclassedWindow {
public:
    // An arrow held down repeats after this delay, then at this interval.
    static constexpr UINT kRepeatDelay = 250;
    static constexpr UINT kRepeatInterval = 50;

    CVScrollBar() = default;

    // A visible child of `parent` at `rect` (the parent's client coordinates)
    // that scrolls `companion`. Copies the pictures. False when they have no
    // thumb or the window cannot be made.
    bool Create(HWND companion, HWND parent, const RECT& rect, const controls::ScrollBarPictures& pictures,
                COLORREF background);

    // Re-reads the companion's scroll information and repaints when the
    // thumb moved. Does nothing while the thumb is dragged.
    void Update();

    HWND Companion() const { return m_companion; }
    int ThumbTop() const;
    controls::ScrollBarMetrics Metrics() const;
    // A button went down on the bar and has not come up yet.
    bool IsPressed() const { return m_upPressed || m_downPressed || m_thumbPressed || m_spinePressed; }
    bool IsDragging() const { return m_dragging; }

    // Draws the whole bar into a DC whose origin is the bar's top-left corner.
    void Paint(HDC dc);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnButtonDown(int y);
    void OnMouseMove(int y, WPARAM keys);
    void OnButtonUp(int y);
    void OnRepeat();
    void EndPress();
    void Post(WORD code, int times = 1);
    controls::ScrollState ReadState() const;
    bool OnUpArrow(int y) const { return y < Metrics().TrackTop(); }
    bool OnDownArrow(int y) const { return y >= Metrics().DownArrowTop(); }

    HWND m_companion = nullptr;
    COLORREF m_background = 0;
    win::UniqueBitmap m_thumb;
    win::UniqueBitmap m_topCap;
    win::UniqueBitmap m_bottomCap;
    win::UniqueBitmap m_upArrow;
    win::UniqueBitmap m_downArrow;
    win::UniqueBitmap m_spine;
    controls::ScrollBarPictures m_own;  // the copies above, as pictures

    controls::ScrollState m_state;
    bool m_upPressed = false;
    bool m_downPressed = false;
    bool m_thumbPressed = false;
    bool m_spinePressed = false;
    bool m_dragging = false;
    bool m_repeating = false;  // the first delay has passed
    int m_pointerY = 0;        // the last pointer position seen while pressed
    int m_dragTop = 0;         // the thumb's top while dragged
    int m_dragPos = 0;         // the position the posted lines lead to
    HWND m_captureBefore = nullptr;
};
