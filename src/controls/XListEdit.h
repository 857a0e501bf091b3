// The in-place editor of a skinned list's text cells: the platform's
// single-line edit, coloured and framed by the list's colours. Enter commits,
// Escape cancels, and losing the focus commits; the list decides what a
// commit does.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "win/Handles.h"
#include "win/Window.h"

class CXListEdit : public win::SubclassedWindow {
public:
    struct Colours {
        COLORREF text = 0xFFFFFF;
        COLORREF hotText = 0xFFFFFF;
        COLORREF background = 0xFFFFFF;
        COLORREF hotBackground = 0xFFFFFF;
        COLORREF border = 0xFFFFFF;
    };
    // Called when the editing ends from the editor itself: true to keep the
    // text (Enter, focus lost), false to drop it (Escape).
    using FinishFn = std::function<void(bool commit)>;

    CXListEdit() = default;

    // A hidden child of the list with a border and sideways scrolling.
    bool CreateFor(HWND list);
    void SetColours(const Colours& colours);
    const Colours& GetColours() const { return m_colours; }
    void SetFont(HFONT font);
    void SetOnFinish(FinishFn onFinish) { m_onFinish = std::move(onFinish); }

    std::wstring Text() const;

    // WM_CTLCOLOREDIT as the list (the parent) receives it.
    LRESULT ColourRequest(HDC dc) const;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void PaintBorder();

    Colours m_colours;
    HFONT m_font = nullptr;  // the list's
    win::UniqueBrush m_background;
    FinishFn m_onFinish;
};
