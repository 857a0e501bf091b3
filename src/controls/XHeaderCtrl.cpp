#include "controls/XHeaderCtrl.h"

#include <algorithm>
#include <string>

#include "win/Gdi.h"
#include "win/MemDC.h"

namespace {

void VerticalLine(HDC dc, int x, int top, int bottom, COLORREF colour) {
    if (bottom <= top)
        return;
    RECT line = {x, top, x + 1, bottom};
    win::UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &line, brush.get());
}

UINT TextFormat(int format) {
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
    switch (format & HDF_JUSTIFYMASK) {
        case HDF_CENTER:
            return flags | DT_CENTER;
        case HDF_RIGHT:
            return flags | DT_RIGHT;
        default:
            return flags;
    }
}

}  // namespace

bool CXHeaderCtrl::AttachTo(HWND header) {
    if (!Attach(header))
        return false;
    m_extras.assign(static_cast<size_t>(std::max(0, ColumnCount())), ColumnExtra{});
    m_images = reinterpret_cast<HIMAGELIST>(SendMessageW(header, HDM_GETIMAGELIST, 0, 0));
    return true;
}

void CXHeaderCtrl::SetColours(COLORREF background, COLORREF text) {
    m_background = background;
    m_text = text;
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CXHeaderCtrl::SetFont(HFONT font) {
    m_font = font;
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

bool CXHeaderCtrl::SetColumnTextColour(int column, COLORREF colour) {
    if (column < 0 || static_cast<size_t>(column) >= m_extras.size())
        return false;
    m_extras[static_cast<size_t>(column)].text = colour;
    InvalidateRect(Handle(), nullptr, FALSE);
    return true;
}

int CXHeaderCtrl::ColumnCount() const {
    if (Handle() == nullptr)
        return 0;
    LRESULT count = SendMessageW(Handle(), HDM_GETITEMCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

int CXHeaderCtrl::ColumnImage(int column) const {
    if (column < 0 || column >= ColumnCount())
        return -1;
    HDITEMW item = {};
    item.mask = HDI_FORMAT | HDI_IMAGE;
    if (!SendMessageW(Handle(), HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)))
        return -1;
    return (item.fmt & HDF_IMAGE) != 0 ? item.iImage : -1;
}

bool CXHeaderCtrl::SetColumnImage(int column, int image) {
    if (column < 0 || column >= ColumnCount())
        return false;
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    if (!SendMessageW(Handle(), HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)))
        return false;
    item.mask = HDI_FORMAT | HDI_IMAGE;
    if (image < 0) {
        item.fmt &= ~HDF_IMAGE;
        item.iImage = -1;
    } else {
        item.fmt |= HDF_IMAGE;
        item.iImage = image;
    }
    if (!SendMessageW(Handle(), HDM_SETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)))
        return false;
    InvalidateRect(Handle(), nullptr, FALSE);
    return true;
}

void CXHeaderCtrl::PaintColumn(HDC dc, int column, const RECT& rect) {
    wchar_t text[260] = {};
    HDITEMW item = {};
    item.mask = HDI_FORMAT | HDI_TEXT | HDI_IMAGE | HDI_BITMAP;
    item.pszText = text;
    item.cchTextMax = 260;
    if (!SendMessageW(Handle(), HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)))
        return;
    RECT content = rect;
    content.left += kContentInset;
    content.right -= kContentInset;
    if (content.right <= content.left)
        return;
    const int length = static_cast<int>(wcsnlen(text, 260));
    const bool onRight = (item.fmt & HDF_BITMAP_ON_RIGHT) != 0;
    // A picture (image list entry or bitmap) takes its width from the text's
    // side; alone in the column it follows the column's alignment.
    auto place = [&](int width, int height, auto&& draw) {
        int x;
        if (length == 0 && (item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER)
            x = content.left + (content.right - content.left - width) / 2;
        else if (onRight || (length == 0 && (item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT))
            x = content.right - width;
        else
            x = content.left;
        const int y = rect.top + (rect.bottom - rect.top - height) / 2;
        draw(x, y);
        if (onRight)
            content.right = x - 4;
        else
            content.left = x + width + 4;
    };
    if ((item.fmt & HDF_IMAGE) != 0 && m_images != nullptr && item.iImage >= 0 &&
        item.iImage < ImageList_GetImageCount(m_images)) {
        int cx = 0;
        int cy = 0;
        ImageList_GetIconSize(m_images, &cx, &cy);
        place(cx, cy, [&](int x, int y) { ImageList_Draw(m_images, item.iImage, dc, x, y, ILD_NORMAL); });
    }
    if ((item.fmt & HDF_BITMAP) != 0 && item.hbm != nullptr) {
        SIZE size = win::BitmapSize(item.hbm);
        place(size.cx, size.cy, [&](int x, int y) {
            win::UniqueDC memory(CreateCompatibleDC(dc));
            if (!memory)
                return;
            win::SelectGuard select(memory.get(), item.hbm);
            BitBlt(dc, x, y, size.cx, size.cy, memory.get(), 0, 0, SRCCOPY);
        });
    }
    if (length > 0 && content.right > content.left) {
        const size_t index = static_cast<size_t>(column);
        const COLORREF colour =
            index < m_extras.size() && m_extras[index].text != CLR_NONE ? m_extras[index].text : m_text;
        SetTextColor(dc, colour);
        DrawTextW(dc, text, length, &content, TextFormat(item.fmt));
    }
}

void CXHeaderCtrl::Paint(HDC dc) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    win::MemDC memory(dc, &client);
    {
        win::UniqueBrush background(CreateSolidBrush(m_background));
        FillRect(memory, &client, background.get());
    }
    win::SaveDCGuard saved(memory);
    HFONT font = m_font != nullptr ? m_font : reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
    if (font != nullptr)
        SelectObject(memory, font);
    SetBkColor(memory, m_background);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, m_text);

    const int count = ColumnCount();
    if (count == 0)
        return;
    std::vector<int> order(static_cast<size_t>(count));
    if (!SendMessageW(Handle(), HDM_GETORDERARRAY, static_cast<WPARAM>(count),
                      reinterpret_cast<LPARAM>(order.data()))) {
        for (int i = 0; i < count; ++i)
            order[static_cast<size_t>(i)] = i;
    }
    const COLORREF shadow = GetSysColor(COLOR_3DSHADOW);
    const COLORREF light = GetSysColor(COLOR_3DHILIGHT);
    int totalRight = 0;
    for (int position = 0; position < count; ++position) {
        const int column = order[static_cast<size_t>(position)];
        RECT rect = {};
        if (!SendMessageW(Handle(), HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&rect)))
            continue;
        HDITEMW item = {};
        item.mask = HDI_FORMAT | HDI_LPARAM;
        SendMessageW(Handle(), HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        if ((item.fmt & HDF_OWNERDRAW) != 0) {
            DRAWITEMSTRUCT draw = {};
            draw.CtlType = ODT_HEADER;
            draw.CtlID = static_cast<UINT>(GetDlgCtrlID(Handle()));
            draw.itemID = static_cast<UINT>(column);
            draw.itemAction = ODA_DRAWENTIRE;
            draw.hwndItem = Handle();
            draw.hDC = memory;
            draw.rcItem = rect;
            draw.itemData = static_cast<ULONG_PTR>(item.lParam);
            SendMessageW(GetParent(Handle()), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
        } else {
            PaintColumn(memory, column, rect);
        }
        if (position + 1 < count) {
            VerticalLine(memory, rect.right - 1, rect.top + 2, rect.bottom - 2, shadow);
            VerticalLine(memory, rect.right, rect.top + 2, rect.bottom - 2, light);
        }
        totalRight = std::max<int>(totalRight, rect.right);
    }
    // The frame around every column.
    RECT frame = {0, 0, totalRight, client.bottom};
    win::UniqueBrush lightBrush(CreateSolidBrush(light));
    win::UniqueBrush shadowBrush(CreateSolidBrush(shadow));
    RECT edge = {frame.left, frame.top, frame.right, frame.top + 1};
    FillRect(memory, &edge, lightBrush.get());
    edge = RECT{frame.left, frame.top, frame.left + 1, frame.bottom};
    FillRect(memory, &edge, lightBrush.get());
    edge = RECT{frame.left, frame.bottom - 1, frame.right, frame.bottom};
    FillRect(memory, &edge, shadowBrush.get());
    edge = RECT{frame.right - 1, frame.top, frame.right, frame.bottom};
    FillRect(memory, &edge, shadowBrush.get());
}

LRESULT CXHeaderCtrl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
        case HDM_INSERTITEMW:
        case HDM_INSERTITEMA: {
            LRESULT index = Default(message, wParam, lParam);
            if (index >= 0 && static_cast<size_t>(index) <= m_extras.size())
                m_extras.insert(m_extras.begin() + index, ColumnExtra{});
            return index;
        }
        case HDM_DELETEITEM: {
            LRESULT deleted = Default(message, wParam, lParam);
            if (deleted && wParam < m_extras.size())
                m_extras.erase(m_extras.begin() + static_cast<ptrdiff_t>(wParam));
            return deleted;
        }
        case HDM_SETIMAGELIST: {
            LRESULT previous = Default(message, wParam, lParam);
            if (wParam == HDSIL_NORMAL)
                m_images = reinterpret_cast<HIMAGELIST>(lParam);
            InvalidateRect(Handle(), nullptr, FALSE);
            return previous;
        }
        case WM_SYSCOLORCHANGE:
            InvalidateRect(Handle(), nullptr, FALSE);
            break;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}
