#include "popups/ListPanelList.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "controls/ItemText.h"
#include "controls/ListPanelItem.h"
#include "popups/ListPanel.h"
#include "win/Gdi.h"
#include "win/MemDC.h"

namespace {

// Posted to itself once the panel shows (the modal loop lets go of the
// capture before it shows the panel) and whenever the capture went while the
// panel is open: a list panel must see every press.
constexpr UINT kRetakeCapture = WM_APP + 2;
constexpr int kTextIndent = 4;
constexpr int kWheelStep = WHEEL_DELTA;

void FillColour(HDC dc, const RECT& rect, COLORREF colour) {
    win::UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.get());
}

}  // namespace

void CListPanelList::ImageListTraits::Close(HIMAGELIST h) noexcept {
    ImageList_Destroy(h);
}

CListPanelList::CListPanelList(CListPanel& panel) : m_panel(panel) {}

CListPanelList::~CListPanelList() {
    m_bar.reset();
    // The window goes before the row-height image list it still refers to.
    if (HWND hwnd = Handle()) {
        if (GetCapture() == hwnd)
            ReleaseCapture();
        DestroyWindow(hwnd);
    }
}

bool CListPanelList::Create(const RECT& rect) {
    const controls::ListPanelLook& look = m_panel.Look();
    m_order = controls::DisplayOrder(m_panel.Entries(), look.sorted);
    const int width = controls::RectWidth(rect);
    const int height = controls::RectHeight(rect);
    const bool needsBar = look.scrollBar.Usable() && RowCount() > height / controls::kListRowHeight;
    const int barWidth = needsBar ? std::min(look.scrollBar.Width(), width / 2) : 0;
    m_visibleWidth = width - barWidth;

    // Wider than it shows by the platform's scroll bar, which the window
    // region cuts off: only the skinned bar is seen.
    const int platformBar = GetSystemMetrics(SM_CXVSCROLL);
    const RECT listRect = {rect.left, rect.top, rect.left + m_visibleWidth + platformBar, rect.bottom};
    const DWORD style = WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_OWNERDATA |
                        LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
    win::EnsureCommonControls();
    HWND hwnd = CreateControl(0, WC_LISTVIEWW, L"", style, listRect, m_panel.Handle());
    if (hwnd == nullptr)
        return false;
    win::UniqueRgn region(CreateRectRgn(0, 0, m_visibleWidth, height));
    if (region && SetWindowRgn(hwnd, region.get(), FALSE))
        region.release();  // the window owns it now

    SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    HFONT font = look.font;
    if (font == nullptr) {
        m_defaultFont = controls::MakeDefaultFont();
        font = m_defaultFont.get();
    }
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    {
        win::WindowDC dc(hwnd);
        win::SelectGuard select(dc.get(), font);
        TEXTMETRICW metrics = {};
        if (GetTextMetricsW(dc.get(), &metrics))
            m_scrollStep = metrics.tmHeight + 1;
    }
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = m_visibleWidth;
    SendMessageW(hwnd, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    SendMessageW(hwnd, LVM_SETITEMCOUNT, static_cast<WPARAM>(RowCount()), LVSICF_NOINVALIDATEALL);
    SetRowHeight(controls::kListRowHeight);

    if (needsBar) {
        m_bar = std::make_unique<CVScrollBar>();
        const RECT barRect = {rect.left + m_visibleWidth, rect.top, rect.left + m_visibleWidth + barWidth,
                              rect.bottom};
        if (m_bar->Create(hwnd, m_panel.Handle(), barRect, look.scrollBar, look.background))
            SetWindowPos(m_bar->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        else
            m_bar.reset();
    }
    SetFocus(hwnd);
    return true;
}

void CListPanelList::SetRowHeight(int height) {
    // A report list's rows are as high as its small images (plus what the
    // list adds of its own): a one-pixel-wide image list sets the height,
    // measured and corrected once the first row exists.
    int spacer = height - 1;
    for (int attempt = 0; attempt < 3 && spacer > 0; ++attempt) {
        UniqueImageList images(ImageList_Create(1, spacer, ILC_COLOR, 0, 0));
        if (!images)
            return;
        SendMessageW(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images.get()));
        m_rowSpacer = std::move(images);  // the list has let go of the previous one
        RECT row = {LVIR_BOUNDS, 0, 0, 0};
        if (!SendMessageW(Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)))
            return;
        const int actual = row.bottom - row.top;
        if (actual == height)
            return;
        spacer += height - actual;
    }
}

int CListPanelList::VisibleRows() const {
    return Handle() != nullptr ? static_cast<int>(SendMessageW(Handle(), LVM_GETCOUNTPERPAGE, 0, 0)) : 0;
}

int CListPanelList::TopRow() const {
    return Handle() != nullptr ? static_cast<int>(SendMessageW(Handle(), LVM_GETTOPINDEX, 0, 0)) : 0;
}

int CListPanelList::EntryAt(int row) const {
    if (row < 0 || row >= RowCount())
        return -1;
    return m_order[static_cast<size_t>(row)];
}

int CListPanelList::RowOfEntry(int entry) const {
    auto at = std::find(m_order.begin(), m_order.end(), entry);
    return at != m_order.end() ? static_cast<int>(at - m_order.begin()) : -1;
}

RECT CListPanelList::RowRect(int row) const {
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    if (row < 0 || row >= RowCount() ||
        !SendMessageW(Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)))
        return RECT{};
    rect.left = 0;
    rect.right = m_visibleWidth - (m_bar != nullptr ? m_panel.Look().borderWidth : 0);
    return rect;
}

int CListPanelList::RowAt(POINT pt) const {
    RECT client = {};
    GetClientRect(Handle(), &client);
    if (pt.x < 0 || pt.x >= m_visibleWidth || pt.y < 0 || pt.y >= client.bottom)
        return -1;
    const int top = TopRow();
    const RECT first = RowRect(top);
    const int height = first.bottom - first.top;
    if (height <= 0 || pt.y < first.top)
        return -1;
    const int row = top + (pt.y - first.top) / height;
    return row < RowCount() ? row : -1;
}

bool CListPanelList::OverScrollBar(POINT pt) const {
    if (m_bar == nullptr || m_bar->Handle() == nullptr)
        return false;
    RECT bar = {};
    GetWindowRect(m_bar->Handle(), &bar);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&bar), 2);
    return PtInRect(&bar, pt) != FALSE;
}

LRESULT CListPanelList::ForwardToScrollBar(UINT message, WPARAM wParam, LPARAM lParam) {
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    MapWindowPoints(Handle(), m_bar->Handle(), &pt, 1);
    return SendMessageW(m_bar->Handle(), message, wParam, MAKELPARAM(pt.x, pt.y));
}

void CListPanelList::SetHotRow(int row) {
    if (row == m_hotRow)
        return;
    m_hotRow = row;
    InvalidateRect(Handle(), nullptr, FALSE);
}

void CListPanelList::ChooseRow(int row) {
    if (m_choiceMade)
        return;
    SetHotRow(row);
    m_subEntry = -1;
    const int entry = EntryAt(row);
    CListPanelItem* subList = entry >= 0 ? m_panel.Entries()[static_cast<size_t>(entry)].subList : nullptr;
    if (subList != nullptr && subList->EntryCount() > 0) {
        // Beside the row, right of this panel (or left of it near the edge).
        RECT anchor = RowRect(row);
        MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&anchor), 2);
        RECT panel = {};
        GetWindowRect(m_panel.Handle(), &panel);
        anchor.left = panel.left;
        anchor.right = panel.right;
        m_subListOpen = true;
        m_subEntry = subList->ShowBeside(m_panel.Handle(), anchor);
        m_subListOpen = false;
    }
    m_choiceMade = true;
    SetTimer(Handle(), kChoiceTimer, kChoiceDelay, nullptr);
}

void CListPanelList::HoldCapture() {
    PostMessageW(Handle(), kRetakeCapture, 0, 0);
}

void CListPanelList::ChooseNothing() {
    if (m_choiceMade)
        return;
    SetHotRow(-1);
    m_subEntry = -1;
    m_choiceMade = true;
    SetTimer(Handle(), kChoiceTimer, kChoiceDelay, nullptr);
}

void CListPanelList::OnWheel(short delta) {
    m_wheelRest += delta;
    while (m_wheelRest >= kWheelStep) {
        PostMessageW(Handle(), WM_VSCROLL, SB_LINEUP, 0);
        m_wheelRest -= kWheelStep;
    }
    while (m_wheelRest <= -kWheelStep) {
        PostMessageW(Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
        m_wheelRest += kWheelStep;
    }
}

void CListPanelList::OnKillFocus(HWND gaining) {
    if (m_choiceMade || m_subListOpen || !IsWindowVisible(m_panel.Handle()))
        return;
    if (gaining != nullptr && (gaining == m_panel.Handle() || IsChild(m_panel.Handle(), gaining)))
        return;
    // The user went elsewhere: close without a choice, at once.
    SetHotRow(-1);
    m_subEntry = -1;
    m_choiceMade = true;
    PostMessageW(m_panel.Handle(), CListPanel::kChoiceMessage, 0, -1);
}

void CListPanelList::UpdateScrollBar() {
    if (m_bar != nullptr)
        m_bar->Update();
}

void CListPanelList::Paint(HDC dc) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    win::MemDC memory(dc, &client);
    const controls::ListPanelLook& look = m_panel.Look();
    FillColour(memory, client, look.background);
    const int b = look.borderWidth;
    if (m_bar != nullptr && b > 0)
        FillColour(memory, RECT{m_visibleWidth - b, 0, m_visibleWidth, client.bottom}, look.border);

    win::SaveDCGuard saved(memory);
    SelectObject(memory, look.font != nullptr ? look.font : m_defaultFont.get());
    SetBkMode(memory, TRANSPARENT);
    const int selected = static_cast<int>(
        SendMessageW(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    const int top = TopRow();
    const int last = std::min(RowCount(), top + VisibleRows() + 1);
    for (int row = top; row < last; ++row) {
        RECT rect = RowRect(row);
        if (rect.top >= client.bottom)
            break;
        const bool highlighted = row == m_hotRow || row == selected;
        rect.top += 1;
        FillColour(memory, rect, highlighted ? look.hotBackground : look.background);
        SetTextColor(memory, highlighted ? look.hotText : look.text);
        const std::wstring text =
            controls::ShownEntryText(m_panel.Entries()[static_cast<size_t>(EntryAt(row))].text);
        RECT area = {rect.left + 2 * b + kTextIndent, rect.top, rect.right - kTextIndent, rect.bottom};
        DrawTextW(memory, text.c_str(), static_cast<int>(text.size()), &area,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
}

int CListPanelList::FindRowStartingWith(const wchar_t* prefix, int start) const {
    const int length = prefix != nullptr ? lstrlenW(prefix) : 0;
    const int count = RowCount();
    if (length == 0 || count == 0)
        return -1;
    for (int i = 0; i < count; ++i) {
        const int row = (std::clamp(start, 0, count - 1) + i) % count;
        const std::wstring text =
            controls::ShownEntryText(m_panel.Entries()[static_cast<size_t>(EntryAt(row))].text);
        if (static_cast<int>(text.size()) >= length &&
            CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.c_str(), length, prefix, length) == CSTR_EQUAL)
            return row;
    }
    return -1;
}

bool CListPanelList::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_NOTIFY)
        return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == LVN_ODFINDITEMW) {
        // Typing selects the next row whose text starts so.
        const auto* find = reinterpret_cast<const NMLVFINDITEMW*>(lParam);
        const bool byText = (find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) != 0;
        result = byText ? FindRowStartingWith(find->lvfi.psz, find->iStart) : -1;
        return true;
    }
    if (header->code != LVN_GETDISPINFOW)
        return false;
    // The list keeps no texts; it asks for them when it needs one.
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
    const int entry = EntryAt(info->item.iItem);
    if ((info->item.mask & LVIF_TEXT) != 0 && info->item.pszText != nullptr && info->item.cchTextMax > 0) {
        const std::wstring text =
            entry >= 0 ? controls::ShownEntryText(m_panel.Entries()[static_cast<size_t>(entry)].text) : L"";
        const size_t count = std::min(text.size(), static_cast<size_t>(info->item.cchTextMax - 1));
        std::copy_n(text.c_str(), count, info->item.pszText);
        info->item.pszText[count] = L'\0';
    }
    result = 0;
    return true;
}

LRESULT CListPanelList::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // The list's own mouse handling (selection, drag detection) never runs:
    // every button and move is this list's to answer.
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (m_choiceMade)
                return 0;
            if (OverScrollBar(pt))
                return ForwardToScrollBar(WM_LBUTTONDOWN, wParam, lParam);
            ChooseRow(RowAt(pt));  // the press decides, moved over first or not
            return 0;
        case WM_LBUTTONUP:
            if (m_bar != nullptr && m_bar->IsPressed())
                return ForwardToScrollBar(message, wParam, lParam);
            return 0;
        case WM_MOUSEMOVE:
            if (m_choiceMade)
                return 0;
            if (m_bar != nullptr && (m_bar->IsPressed() || OverScrollBar(pt)))
                return ForwardToScrollBar(message, wParam, lParam);
            SetHotRow(RowAt(pt));
            return 0;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            ChooseNothing();
            return 0;
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MBUTTONDBLCLK:
            return 0;
        case WM_TIMER:
            if (wParam != kChoiceTimer)
                break;
            KillTimer(Handle(), kChoiceTimer);
            PostMessageW(m_panel.Handle(), CListPanel::kChoiceMessage, static_cast<WPARAM>(m_subEntry),
                         EntryAt(m_hotRow));
            return 0;
        case WM_KILLFOCUS: {
            const LRESULT result = Default(message, wParam, lParam);
            OnKillFocus(reinterpret_cast<HWND>(wParam));
            return result;
        }
        case WM_CAPTURECHANGED:
            if (!m_choiceMade && !m_subListOpen)
                PostMessageW(Handle(), kRetakeCapture, 0, 0);
            return 0;
        case kRetakeCapture:
            if (!m_choiceMade && !m_subListOpen && GetCapture() == nullptr && IsWindowVisible(m_panel.Handle()))
                SetCapture(Handle());
            return 0;
        case WM_MOUSEWHEEL:
            OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
            return 0;
        case WM_VSCROLL: {
            const LRESULT result = Default(message, wParam, lParam);
            InvalidateRect(Handle(), nullptr, FALSE);
            UpdateScrollBar();
            return result;
        }
        case WM_KEYDOWN: {
            if (wParam == VK_RIGHT)
                return 0;  // no sideways scrolling
            const LRESULT result = Default(message, wParam, lParam);
            InvalidateRect(Handle(), nullptr, FALSE);
            UpdateScrollBar();
            return result;
        }
        case kScrollLinesMessage:
            SendMessageW(Handle(), LVM_SCROLL, 0, static_cast<LPARAM>(static_cast<int>(wParam)) * m_scrollStep);
            InvalidateRect(Handle(), nullptr, FALSE);
            UpdateScrollBar();
            return 0;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}
