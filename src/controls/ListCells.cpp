#include "controls/ListCells.h"

#include <algorithm>
#include <cwchar>

#include "controls/Picture.h"
#include "win/Gdi.h"

namespace controls {
namespace {

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    win::UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.get());
}

void Frame(HDC dc, const RECT& rect, COLORREF colour) {
    win::UniqueBrush brush(CreateSolidBrush(colour));
    FrameRect(dc, &rect, brush.get());
}

int Width(const RECT& r) {
    return r.right - r.left;
}

int Height(const RECT& r) {
    return r.bottom - r.top;
}

// A text drawn with the cell's font (or the default one).
void WriteText(HDC dc, const std::wstring& text, RECT area, UINT format, COLORREF colour, HFONT font) {
    win::UniqueFont fallback;  // outlives the saved state, which deselects it
    win::SaveDCGuard saved(dc);
    PrepareItemText(dc, font, colour, fallback);
    DrawTextW(dc, text.c_str(), static_cast<int>(std::min<size_t>(text.size(), INT32_MAX)), &area, format);
}

}  // namespace

bool CheckBoxHit(const RECT& cell, POINT pt) {
    const int cx = cell.left + Width(cell) / 2;
    const int cy = cell.top + Height(cell) / 2;
    return pt.x >= cx - kCheckBoxHitHalf && pt.x <= cx + kCheckBoxHitHalf && pt.y >= cy - kCheckBoxHitHalf &&
           pt.y <= cy + kCheckBoxHitHalf && PtInRect(&cell, pt);
}

RECT DropDownArrowRect(const RECT& cell) {
    const int side = std::max(0, std::min(Height(cell), Width(cell)));
    return RECT{cell.right - side, cell.top, cell.right, cell.bottom};
}

RECT ProgressBarRect(const RECT& cell, int32_t percent) {
    RECT inner = cell;
    InflateRect(&inner, -2, -2);
    if (inner.right < inner.left)
        inner.right = inner.left;
    if (inner.bottom < inner.top)
        inner.bottom = inner.top;
    percent = std::clamp<int32_t>(percent, 0, 100);
    inner.right = inner.left + static_cast<int>(static_cast<int64_t>(Width(inner)) * percent / 100);
    return inner;
}

int HeaderCheckImage(const std::vector<int8_t>& states) {
    if (states.empty())
        return 0;
    return std::all_of(states.begin(), states.end(), [](int8_t s) { return s == 1; }) ? 1 : 0;
}

UINT CellTextFormat(Justify align) {
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOCLIP | DT_NOPREFIX;
    if (align == Justify::kCentre)
        format |= DT_CENTER;
    else if (align == Justify::kRight)
        format |= DT_RIGHT;
    return format;
}

void DrawCheckBoxCell(HDC dc, const RECT& cell, COLORREF background, HBITMAP picture, bool checked) {
    Fill(dc, cell, background);
    const int x = cell.left + (Width(cell) - kCheckBoxSize) / 2;
    const int y = cell.top + (Height(cell) - kCheckBoxSize) / 2;
    if (picture != nullptr) {
        DrawPicture(dc, picture, x, y, kCheckBoxSize, kCheckBoxSize);
        return;
    }
    // No picture in the skin: a plain box, so the state still shows.
    const COLORREF ink = background == 0xFFFFFF ? 0 : 0xFFFFFF;
    RECT box = {x, y, x + kCheckBoxSize, y + kCheckBoxSize};
    Frame(dc, box, ink);
    if (checked) {
        RECT mark = box;
        InflateRect(&mark, -3, -3);
        Fill(dc, mark, ink);
    }
}

void DrawProgressCell(HDC dc, const RECT& cell, int32_t percent, const std::wstring& text,
                      const CellColours& colours, HFONT font) {
    Fill(dc, cell, colours.background);
    Frame(dc, cell, colours.text);
    const RECT bar = ProgressBarRect(cell, percent);
    Fill(dc, bar, colours.text);

    std::wstring shown = text;
    if (shown.empty()) {
        wchar_t buffer[16];
        swprintf(buffer, 16, L"%d%%", static_cast<int>(std::clamp<int32_t>(percent, 0, 100)));
        shown = buffer;
    }
    const UINT format = DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX;
    // Twice: over the bar in the background colour, beside it in the text
    // colour, each clipped to its part.
    {
        win::SaveDCGuard saved(dc);
        IntersectClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
        WriteText(dc, shown, cell, format, colours.background, font);
    }
    {
        win::SaveDCGuard saved(dc);
        IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
        ExcludeClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
        WriteText(dc, shown, cell, format, colours.text, font);
    }
}

void DrawTextCell(HDC dc, const RECT& cell, const std::wstring& text, Justify align, const CellColours& colours,
                  HFONT font) {
    Fill(dc, cell, colours.background);
    RECT area = cell;
    area.left = std::min(area.left + kCellTextIndent, area.right);
    WriteText(dc, text, area, CellTextFormat(align), colours.text, font);
}

void DrawDropDownCell(HDC dc, const RECT& cell, const std::wstring& text, Justify align,
                      const CellColours& colours, HFONT font, bool pressed) {
    const RECT arrow = DropDownArrowRect(cell);
    RECT textPart = cell;
    textPart.right = arrow.left;
    DrawTextCell(dc, textPart, text, align, colours, font);

    Fill(dc, arrow, colours.background);
    RECT edge = arrow;
    DrawEdge(dc, &edge, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | (pressed ? BF_FLAT : 0));
    // A downward triangle, 7 wide and 4 high, in the text colour.
    const int cx = arrow.left + Width(arrow) / 2 + (pressed ? 1 : 0);
    const int cy = arrow.top + Height(arrow) / 2 - 2 + (pressed ? 1 : 0);
    win::UniquePen pen(CreatePen(PS_SOLID, 1, colours.text));
    win::SelectGuard select(dc, pen.get());
    for (int i = 0; i < 4; ++i) {
        MoveToEx(dc, cx - 3 + i, cy + i, nullptr);
        LineTo(dc, cx + 4 - i, cy + i);
    }
}

}  // namespace controls
