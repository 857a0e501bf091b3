// The data and the drawing of a skinned report list's cells, apart from any
// window: what a row carries, the column kinds, the hit areas, and how each
// kind of cell paints itself into a DC.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "controls/ItemText.h"

namespace controls {

// What a column shows (the list-column items of the name table).
enum ListColumnItem : int32_t {
    LCITEM_PROFILEID = 0,
    LCITEM_PROFILENAME = 1,
    LCITEM_PROFILEEXE = 2,
    LCITEM_AUTOSWITCH = 3,
    LCITEM_MCREVENT_ICON = 4,
    LCITEM_MCREVENT_DESCRIP = 5,
};

// How a column's cells are shown and edited (the list-column types).
enum ListColumnType : int32_t {
    kColumnIcon = 0,
    kColumnStatic = 1,
    kColumnEdit = 2,
    kColumnCombo = 3,
    kColumnCheckBox = 4,
    kColumnFileDialog = 5,
};

constexpr int32_t kMaxListColumns = 10;
// Half the side of the square around a check box's centre that takes a click.
constexpr int kCheckBoxHitHalf = 6;
// The check-box pictures are this square.
constexpr int kCheckBoxSize = 13;
// Text cells start this far in from the cell's left edge.
constexpr int kCellTextIndent = 8;

struct ListCell {
    int8_t check = -1;  // -1 no check box, 0 unchecked, 1 checked
    bool bold = false;
    bool hasDropDown = false;
    bool arrowPressed = false;
    int32_t progress = -1;  // a percentage shown as a bar; -1 none
    std::vector<std::wstring> choices;
};

// The data a list keeps for one row: the page's id of the row and a cell per
// column.
struct ListRow {
    int32_t id = -1;
    std::vector<ListCell> cells;
    // Where the row was last seen in the list; checked before it is used.
    mutable int indexHint = -1;
};

// Whether a press at `pt` hits the check box of a cell: only the square of
// centre +- 6 pixels counts, so a press beside the box selects the row
// without toggling it.
bool CheckBoxHit(const RECT& cell, POINT pt);
// The arrow part of a drop-down cell: a square as tall as the cell at its
// right end (no wider than the cell).
RECT DropDownArrowRect(const RECT& cell);
// The bar of a progress cell: from 2 pixels in, `percent` (clamped to
// 0..100) of the inner width.
RECT ProgressBarRect(const RECT& cell, int32_t percent);
// The picture a column header's check box shows after a change: 1 when
// there are rows and every one is checked, else 0.
int HeaderCheckImage(const std::vector<int8_t>& states);

// Colours of one cell as drawn.
struct CellColours {
    COLORREF text = 0xFFFFFF;
    COLORREF background = 0;
};

// Fills the cell and copies the 13 x 13 picture into its centre; without a
// picture a plain box (with a tick when checked) is drawn instead.
void DrawCheckBoxCell(HDC dc, const RECT& cell, COLORREF background, HBITMAP picture, bool checked);
// A framed bar of `percent` with the text written centred over it, inverted
// where the bar lies under it; an empty text shows the percentage.
void DrawProgressCell(HDC dc, const RECT& cell, int32_t percent, const std::wstring& text,
                      const CellColours& colours, HFONT font);
// One line, 8 pixels in, vertically centred, cut with an ellipsis, aligned
// as the column.
void DrawTextCell(HDC dc, const RECT& cell, const std::wstring& text, Justify align, const CellColours& colours,
                  HFONT font);
// A text cell with an arrow part at its right end: raised while not pressed,
// flat and sunken while pressed.
void DrawDropDownCell(HDC dc, const RECT& cell, const std::wstring& text, Justify align,
                      const CellColours& colours, HFONT font, bool pressed);

// DrawText flags of a cell's text for the column's alignment.
UINT CellTextFormat(Justify align);

}  // namespace controls
