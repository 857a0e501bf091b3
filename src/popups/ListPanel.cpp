#include "popups/ListPanel.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>

#include "popups/ListPanelList.h"
#include "win/Gdi.h"
#include "win/MemDC.h"

namespace {

thread_local CListPanel* t_innermost = nullptr;

RECT WorkAreaFor(const RECT& anchor) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromRect(&anchor, MONITOR_DEFAULTTONEAREST), &monitor))
        return monitor.rcWork;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

RECT PlacedRect(const controls::ListPanelRequest& request) {
    return popups::PlaceListPanel(request.anchor, request.opening, request.size, WorkAreaFor(request.anchor));
}

HWND TopLevelOf(HWND owner) {
    return owner != nullptr ? GetAncestor(owner, GA_ROOT) : nullptr;
}

void FillColour(HDC dc, const RECT& rect, COLORREF colour) {
    win::UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.get());
}

int RunListPanelPopup(const controls::ListPanelRequest& request) {
    CListPanel panel(request);
    return panel.Run();
}

}  // namespace

namespace popups {

RECT PlaceListPanel(const RECT& anchor, controls::ListPanelOpening opening, SIZE size, const RECT& work) {
    using controls::ListPanelOpening;
    const int64_t workWidth = std::max<int64_t>(static_cast<int64_t>(work.right) - work.left, 0);
    const int64_t workHeight = std::max<int64_t>(static_cast<int64_t>(work.bottom) - work.top, 0);
    const int64_t w = std::clamp<int64_t>(size.cx, 0, workWidth);
    int64_t h = std::clamp<int64_t>(size.cy, 0, workHeight);

    // The preferred corner, and the flipped one for each direction.
    int64_t x = anchor.left;
    int64_t y = anchor.top;
    int64_t leftOfAnchor = static_cast<int64_t>(anchor.left) - w;
    int64_t aboveAnchor = static_cast<int64_t>(anchor.top) - h;
    switch (opening) {
        case ListPanelOpening::kBelow:
            y = anchor.bottom;
            leftOfAnchor = static_cast<int64_t>(anchor.right) - w;  // right-aligned with the box
            break;
        case ListPanelOpening::kBeside:
            x = anchor.right;
            aboveAnchor = static_cast<int64_t>(anchor.bottom) - h;  // bottom-aligned with the row
            break;
        case ListPanelOpening::kAtPoint:
            break;
    }

    if (x + w > work.right)
        x = leftOfAnchor;
    if (y + h > work.bottom) {
        if (aboveAnchor >= work.top) {
            y = aboveAnchor;
        } else if (opening == ListPanelOpening::kBelow) {
            // Fits on neither side of the box: the larger side, cut to it.
            const int64_t below = static_cast<int64_t>(work.bottom) - anchor.bottom;
            const int64_t above = static_cast<int64_t>(anchor.top) - work.top;
            if (below >= above && below > 0) {
                h = below;
                y = anchor.bottom;
            } else if (above > 0) {
                h = above;
                y = static_cast<int64_t>(anchor.top) - h;
            }
        }
    }
    x = std::clamp<int64_t>(x, work.left, work.right - w);
    y = std::clamp<int64_t>(y, work.top, work.bottom - h);
    return RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + w), static_cast<LONG>(y + h)};
}

void InstallListPanel() {
    controls::SetListPanelRunner(RunListPanelPopup);
}

}  // namespace popups

CListPanel::CListPanel(const controls::ListPanelRequest& request)
    : CPopupBox(PlacedRect(request), TopLevelOf(request.owner)),
      m_entries(request.entries != nullptr ? *request.entries : controls::ListEntries{}),
      m_look(request.look),
      m_screen(PanelRect()) {
    m_look.borderWidth = std::clamp(m_look.borderWidth, 0, controls::kMaxBorderWidth);
}

CListPanel::~CListPanel() = default;

CListPanel* CListPanel::Innermost() {
    return t_innermost;
}

int CListPanel::Run() {
    m_outer = t_innermost;
    t_innermost = this;
    const INT_PTR result = DoModal();
    t_innermost = m_outer;
    if (result < 0 || static_cast<size_t>(result) >= m_entries.size())
        return -1;
    return static_cast<int>(result);
}

bool CListPanel::OnInitDialog() {
    // The panel's own initialisation sizes the pop-up; a list panel opens
    // where it was placed rather than over the middle of its owner.
    CGUIPanel::OnInitDialog();
    HWND hwnd = Handle();
    SetWindowPos(hwnd, nullptr, m_screen.left, m_screen.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int b = m_look.borderWidth;
    const RECT area = {b, 0, (m_screen.right - m_screen.left) - b, (m_screen.bottom - m_screen.top) - b};
    if (!m_entries.empty() && area.right > area.left && area.bottom > area.top) {
        m_list = std::make_unique<CListPanelList>(*this);
        if (m_list->Create(area))
            return false;  // the list took the focus
        m_list.reset();
    }
    // Nothing to choose from: close as soon as the panel runs.
    PostMessageW(hwnd, kChoiceMessage, 0, -1);
    return true;
}

void CListPanel::Paint(HDC dc) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    win::MemDC memory(dc, &client);
    FillColour(memory, client, m_look.background);
    const int b = m_look.borderWidth;
    if (b <= 0)
        return;
    const LONG w = client.right;
    const LONG h = client.bottom;
    FillColour(memory, RECT{0, 0, b, h}, m_look.border);
    FillColour(memory, RECT{0, h - b, w, h}, m_look.border);
    FillColour(memory, RECT{w - b, 0, w, h}, m_look.border);
    FillColour(memory, RECT{0, 0, w, b}, m_look.border);
}

void CListPanel::Close(int chosen) {
    m_list.reset();
    End(chosen >= 0 && static_cast<size_t>(chosen) < m_entries.size() ? chosen : -1);
}

void CListPanel::OnOK() {
    if (m_list == nullptr || m_list->ChoiceMade())
        return;
    const int selected =
        static_cast<int>(SendMessageW(m_list->Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (selected >= 0)
        m_list->ChooseRow(selected);
}

void CListPanel::OnCancel() {
    Close(-1);
}

bool CListPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (win::HandlePaintMessage(Handle(), message, wParam, result, [this](HDC dc) { Paint(dc); }))
        return true;
    switch (message) {
        case kChoiceMessage:
            Close(static_cast<int>(lParam));
            result = 0;
            return true;
        case WM_WINDOWPOSCHANGED:
            if (m_list != nullptr && (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW) != 0)
                m_list->HoldCapture();
            return CPopupBox::HandleMessage(message, wParam, lParam, result);
        case WM_LBUTTONDOWN:
            // A press on the frame: with a scroll bar the user may have
            // missed it by a pixel, so only a panel without one closes.
            if (!m_look.scrollBar.Usable() || m_list == nullptr || m_list->ScrollBar() == nullptr)
                Close(-1);
            result = 0;
            return true;
        default:
            return CPopupBox::HandleMessage(message, wParam, lParam, result);
    }
}
