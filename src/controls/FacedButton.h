// What the skinned buttons share: an owner-drawn platform button with four
// face pictures, a checked state, hot tracking and a tool tip. It paints
// itself, both on WM_PAINT and when its parent reflects WM_DRAWITEM, so it
// looks the same on any parent. Buttons derive from it and add their own
// drawing and their own answer to clicks.
#pragma once

#include <windows.h>

#include <cstdint>

#include "controls/HotTracking.h"
#include "controls/Tooltip.h"
#include "skin/GUIItem.h"
#include "win/Handles.h"
#include "win/Window.h"

namespace controls {

// The four state pictures of a button.
enum class Face { kNormal, kOver, kDown, kDisabled };

// A source picture for each face; null leaves that face as it is.
struct FacePictures {
    HBITMAP normal = nullptr;
    HBITMAP over = nullptr;
    HBITMAP down = nullptr;
    HBITMAP disabled = nullptr;
};

// The face pictures a button owns, each cut from its source.
class FaceSet {
public:
    // Cuts every given source at (x, y), width x height.
    void Cut(const FacePictures& sources, int x, int y, int width, int height);
    HBITMAP Get(Face face) const;

private:
    win::UniqueBitmap m_normal;
    win::UniqueBitmap m_over;
    win::UniqueBitmap m_down;
    win::UniqueBitmap m_disabled;
};

// Makes the window that holds a control the active one, as a click on a
// control of an inactive window should.
void ActivateTopLevel(HWND hwnd);

// Clears window styles, touching the window only when one of them is set.
void DropStyles(HWND hwnd, DWORD styles);

}  // namespace controls

class CFacedButton : public win::SubclassedWindow, public CGUIItem, private controls::HotTracker::Repaint {
public:
    bool IsHot() const { return m_hot.Hot(); }
    const controls::ItemTooltip& Tooltip() const { return m_tooltip; }
    HBITMAP FacePicture(controls::Face face) const { return m_faces.Get(face); }

    // Repaints only when the state changes.
    void SetChecked(int32_t checked);
    int32_t GetChecked() const { return m_checked; }

    // Draws the button in the given platform states into a DC whose origin
    // is the button's top-left corner.
    virtual void Paint(HDC dc, bool pressed, bool disabled) = 0;

protected:
    // raiseWhenHot: the button comes to the top of its siblings under the
    // pointer (for buttons that overlap).
    explicit CFacedButton(bool raiseWhenHot) : m_raiseWhenHot(raiseWhenHot) {}

    // A visible owner-drawn child of `parent` at the rectangle; its window
    // identifier is the control id, so the platform's notifications carry it.
    bool CreateButton(HWND parent, const RECT& rect, int32_t id, void* owner, int32_t type,
                      DWORD extraStyle = 0);

    // Paint, erase, hover, capture and focus here; the left button's
    // messages go to OnMouseButton.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnWindowGone() override { SetWindow(nullptr); }

    // WM_LBUTTONDOWN, WM_LBUTTONDBLCLK and WM_LBUTTONUP. The default: a quick
    // second click is a click like the first (an owner-drawn button would
    // otherwise report a double click instead), and the platform presses
    // and reports the button.
    virtual LRESULT OnMouseButton(UINT message, WPARAM wParam, LPARAM lParam);

    void Invalidate();
    // The face of a push button: down while checked or pressed, over while
    // hot, else disabled or normal.
    controls::Face PushButtonFace(bool pressed, bool disabled) const;
    // Paints in the platform's current pressed and enabled states.
    void PaintCurrent(HDC dc);
    // Ends a press the platform's processing began, without the platform's
    // own notification; the check box then sends its own.
    void EndPlatformPress();
    // WM_COMMAND to the parent, the notification code 0.
    void NotifyParent();

    controls::FaceSet m_faces;
    controls::HotTracker m_hot;
    controls::ItemTooltip m_tooltip;
    int32_t m_checked = 0;
    bool m_isCheckBox = false;

private:
    void OnHotChanged() override { Invalidate(); }

    bool m_raiseWhenHot;
};
