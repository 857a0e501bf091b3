// The skinned column header of a skinned list: the list view's own header,
// subclassed and painted whole by us in the colours of the skin's LISTHDR:
// each column's image, picture and title inside the column narrowed by 6
// pixels, a two-line separator between columns and a 3D frame around them.
// It keeps a record of extras per column, in step with the columns as they
// are inserted and deleted.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "win/Window.h"

class CXHeaderCtrl : public win::SubclassedWindow {
public:
    // Per-column extras that the platform's header does not keep.
    struct ColumnExtra {
        COLORREF text = CLR_NONE;  // CLR_NONE: the header's text colour
    };
    static constexpr int kContentInset = 6;

    CXHeaderCtrl() = default;

    // Subclasses the list view's header window.
    bool AttachTo(HWND header);

    void SetColours(COLORREF background, COLORREF text);
    COLORREF Background() const { return m_background; }
    COLORREF TextColour() const { return m_text; }
    void SetFont(HFONT font);  // the list's; null: the system's

    // The image list the header was last given (not owned).
    HIMAGELIST ImageList() const { return m_images; }
    const std::vector<ColumnExtra>& Extras() const { return m_extras; }
    bool SetColumnTextColour(int column, COLORREF colour);

    int ColumnCount() const;
    // The image of a column, or -1 when it shows none.
    int ColumnImage(int column) const;
    bool SetColumnImage(int column, int image);

    void Paint(HDC dc);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void PaintColumn(HDC dc, int column, const RECT& rect);

    COLORREF m_background = 0;
    COLORREF m_text = 0xFFFFFF;
    HFONT m_font = nullptr;
    HIMAGELIST m_images = nullptr;
    std::vector<ColumnExtra> m_extras;
};
