// The list inside a list panel (CListPanelList): the platform's report list
// (one column, no header, rows held by the panel, not by the list), painted
// whole by itself off-screen. It holds the mouse capture while the panel is
// open, so that a press anywhere reaches it: a press on a row chooses it
// (opening the row's sub-list first, when it has one), a press elsewhere or
// a right press chooses nothing. The choice is reported to the panel a short
// moment later (message 0x530), so the user sees the row they hit.
//
// When the rows do not fit and the panel has scroll-bar pictures, a
// CVScrollBar stands right of the list; the list's own scroll bar is cut off
// by its window region.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <vector>

#include "controls/VScrollBar.h"
#include "win/Handles.h"
#include "win/Window.h"

class CListPanel;

class CListPanelList : public win::SubclassedWindow {
public:
    // Scrolls by wParam lines (negative: up).
    static constexpr UINT kScrollLinesMessage = 0x658;
    static constexpr UINT_PTR kChoiceTimer = 1;
    static constexpr UINT kChoiceDelay = 250;

    explicit CListPanelList(CListPanel& panel);
    ~CListPanelList() override;

    // A visible child of the panel filling `rect` (the panel's client
    // coordinates), the scroll bar included. Takes the focus.
    bool Create(const RECT& rect);
    // Takes the mouse capture as soon as the panel shows, and keeps it until
    // a choice is made.
    void HoldCapture();

    int RowCount() const { return static_cast<int>(m_order.size()); }
    int VisibleRows() const;
    int TopRow() const;
    // The entry (index in the order added) shown in a row; -1 for none.
    int EntryAt(int row) const;
    int RowOfEntry(int entry) const;
    // The row under a point of the list's client area; -1 outside the rows.
    int RowAt(POINT pt) const;
    // A row's rectangle in the list's client coordinates (visible width).
    RECT RowRect(int row) const;
    int VisibleWidth() const { return m_visibleWidth; }

    int HotRow() const { return m_hotRow; }
    bool ChoiceMade() const { return m_choiceMade; }
    int ChosenSubEntry() const { return m_subEntry; }
    CVScrollBar* ScrollBar() const { return m_bar.get(); }

    // Chooses the row as a press on it does (Enter on the selected row).
    void ChooseRow(int row);
    // Ends without a choice, as a right press does.
    void ChooseNothing();

    void Paint(HDC dc);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct ImageListTraits {
        static HIMAGELIST Invalid() noexcept { return nullptr; }
        static bool Valid(HIMAGELIST h) noexcept { return h != nullptr; }
        static void Close(HIMAGELIST h) noexcept;
    };
    using UniqueImageList = win::Unique<HIMAGELIST, ImageListTraits>;

    void SetRowHeight(int height);
    // The first row from `start` on (wrapping) whose shown text begins with
    // `prefix`, letter case aside; -1 when none.
    int FindRowStartingWith(const wchar_t* prefix, int start) const;
    bool OverScrollBar(POINT pt) const;
    LRESULT ForwardToScrollBar(UINT message, WPARAM wParam, LPARAM lParam);
    void SetHotRow(int row);
    void OnLeftPress(POINT pt);
    void StartChoiceTimer();
    void OnWheel(short delta);
    void OnKillFocus(HWND gaining);
    void UpdateScrollBar();

    CListPanel& m_panel;
    std::vector<int> m_order;  // row -> entry
    std::unique_ptr<CVScrollBar> m_bar;
    win::UniqueFont m_defaultFont;
    UniqueImageList m_rowSpacer;  // sets the row height
    int m_visibleWidth = 0;
    int m_scrollStep = 15;  // pixels per line of kScrollLinesMessage
    int m_hotRow = -1;
    int m_subEntry = -1;
    int m_wheelRest = 0;
    bool m_choiceMade = false;
    bool m_subListOpen = false;
};
