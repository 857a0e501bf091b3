// The drop-down of a skinned list's choice cells: a bordered popup holding a
// list box and an 11-pixel scroll bar. It keeps the keyboard focus, moves its
// selection with the keys, and tells the list that opened it what happened
// through four registered messages (wParam and lParam 0):
//
//   WM_XCOMBOLIST_VK_RETURN    Enter
//   WM_XCOMBOLIST_VK_ESCAPE    Escape, or the focus lost a third or later time
//   WM_XCOMBOLIST_KEYDOWN      any other key it handled (the selection moved)
//   WM_XCOMBOLIST_LBUTTONUP    a button went down or up in the list box
//
// The list acts on them later, from its own timers, so the drop-down is never
// destroyed inside one of its own messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "win/Handles.h"
#include "win/Window.h"

class CXComboList : public win::Window {
public:
    static constexpr wchar_t kClassName[] = L"TarnXComboList";
    static constexpr int kScrollBarWidth = 11;
    // Opening the drop-down moves the focus; it lets that many losses go.
    static constexpr int kIgnoredFocusLosses = 2;

    struct Style {
        HFONT font = nullptr;  // copied
        COLORREF text = 0xFFFFFF;
        COLORREF hotText = 0;
        COLORREF background = 0;
        COLORREF hotBackground = 0xFFFFFF;
        COLORREF border = 0xFFFFFF;
        int rowHeight = 16;
    };

    // The registered messages, registered once per process.
    static UINT ReturnMessage();
    static UINT EscapeMessage();
    static UINT KeyDownMessage();
    static UINT ButtonMessage();
    static void RegisterMessages();

    CXComboList();
    ~CXComboList() override;

    // A visible popup at `screenRect`, owned by the list's top-level window,
    // one row per choice; the choice equal to `current` is selected (the
    // first when none is). The height is cut so that the drop-down stays on
    // the screen. Null on failure.
    HWND Open(HWND list, const RECT& screenRect, const std::vector<std::wstring>& choices,
              const std::wstring& current, const Style& style);
    // Once after opening: the height becomes a whole number of rows plus 4,
    // the list box sits 1 pixel inside with the scroll bar at its right, the
    // row above the selection is the first shown.
    void Size();
    bool NeedsSizing() const { return m_needsSizing; }

    int32_t Selection() const;
    std::wstring SelectedText() const;
    // Selects a row (clamped), scrolls it into view and moves the bar.
    void Select(int32_t index);
    int32_t Count() const;
    int32_t VisibleRows() const;
    int32_t TopIndex() const;
    int FocusLosses() const { return m_focusLosses; }

    HWND ListBox() const;
    HWND ScrollBar() const { return m_scrollBar; }
    HWND List() const { return m_list; }
    // Whether `hwnd` is the drop-down or one of its children.
    bool Contains(HWND hwnd) const;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    class Box;
    friend class Box;

    void Report(UINT registered) const;
    bool OnKey(WPARAM key);
    void OnCharacter(wchar_t c);
    void OnFocusLeaving(HWND newFocus);
    void OnListBoxButton(LPARAM position);
    void OnScroll(WORD code);
    void UpdateScrollBar();
    void Paint(HDC dc);
    void DrawRow(const DRAWITEMSTRUCT& item) const;

    HWND m_list = nullptr;
    std::unique_ptr<Box> m_box;
    HWND m_scrollBar = nullptr;
    win::UniqueFont m_font;
    Style m_style;
    bool m_needsSizing = true;
    int m_focusLosses = 0;
};
