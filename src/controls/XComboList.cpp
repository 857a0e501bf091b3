#include "controls/XComboList.h"

#include <algorithm>
#include <cwctype>

#include "win/Gdi.h"
#include "win/MemDC.h"

namespace {

struct RegisteredMessages {
    UINT ret;
    UINT escape;
    UINT keyDown;
    UINT button;
};

const RegisteredMessages& Messages() {
    static const RegisteredMessages messages = {
        RegisterWindowMessageW(L"WM_XCOMBOLIST_VK_RETURN"),
        RegisterWindowMessageW(L"WM_XCOMBOLIST_VK_ESCAPE"),
        RegisterWindowMessageW(L"WM_XCOMBOLIST_KEYDOWN"),
        RegisterWindowMessageW(L"WM_XCOMBOLIST_LBUTTONUP"),
    };
    return messages;
}

int Height(const RECT& r) {
    return r.bottom - r.top;
}

}  // namespace

// The list box inside the drop-down. It never takes the focus itself: a
// press selects the row under the pointer and is reported at once.
class CXComboList::Box : public win::SubclassedWindow {
public:
    explicit Box(CXComboList& owner) : m_owner(owner) {}

    HWND Make(HWND parent, const RECT& rect) {
        const DWORD style =
            WS_CHILD | WS_VISIBLE | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
        return CreateControl(0, L"LISTBOX", L"", style, rect, parent);
    }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_LBUTTONDOWN:
            case WM_LBUTTONDBLCLK:
                m_owner.OnListBoxButton(lParam);
                return 0;
            case WM_LBUTTONUP:
                m_owner.Report(Messages().button);
                return 0;
            case WM_SETFOCUS:
                // The keys belong to the drop-down window.
                SetFocus(GetParent(Handle()));
                return 0;
            case WM_KILLFOCUS:
                m_owner.OnFocusLeaving(reinterpret_cast<HWND>(wParam));
                return Default(message, wParam, lParam);
            case WM_MOUSEWHEEL: {
                LRESULT result = Default(message, wParam, lParam);
                m_owner.UpdateScrollBar();
                return result;
            }
            default:
                return Default(message, wParam, lParam);
        }
    }

private:
    CXComboList& m_owner;
};

UINT CXComboList::ReturnMessage() {
    return Messages().ret;
}
UINT CXComboList::EscapeMessage() {
    return Messages().escape;
}
UINT CXComboList::KeyDownMessage() {
    return Messages().keyDown;
}
UINT CXComboList::ButtonMessage() {
    return Messages().button;
}
void CXComboList::RegisterMessages() {
    Messages();
}

CXComboList::CXComboList() : m_box(std::make_unique<Box>(*this)) {}

CXComboList::~CXComboList() {
    // Gone before the members: nothing reports while the windows go.
    m_list = nullptr;
    if (Handle() != nullptr && IsWindow(Handle()))
        DestroyWindow(Handle());
}

HWND CXComboList::Open(HWND list, const RECT& screenRect, const std::vector<std::wstring>& choices,
                       const std::wstring& current, const Style& style) {
    if (Handle() != nullptr || list == nullptr)
        return nullptr;
    RegisterMessages();
    if (!RegisterClass(kClassName, CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW)))
        return nullptr;
    m_style = style;
    m_style.rowHeight = std::max(1, style.rowHeight);
    LOGFONTW logFont = {};
    if (style.font != nullptr && GetObjectW(style.font, sizeof logFont, &logFont) == sizeof logFont)
        m_font.reset(CreateFontIndirectW(&logFont));

    // Never taller than what lies between the cell and the screen's bottom,
    // and at least one row.
    RECT rect = screenRect;
    HMONITOR monitor = MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info = {sizeof info};
    if (monitor != nullptr && GetMonitorInfoW(monitor, &info) && rect.bottom > info.rcWork.bottom)
        rect.bottom = info.rcWork.bottom;
    if (Height(rect) < m_style.rowHeight + 4)
        rect.bottom = rect.top + m_style.rowHeight + 4;

    m_list = list;
    HWND owner = GetAncestor(list, GA_ROOT);
    if (Create(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP | WS_CLIPCHILDREN, rect, owner) == nullptr)
        return nullptr;
    const int width = rect.right - rect.left;
    const int height = Height(rect);
    RECT boxRect = {1, 1, std::max(1, width - 1 - kScrollBarWidth), std::max(1, height - 1)};
    if (m_box->Make(Handle(), boxRect) == nullptr) {
        DestroyWindow(Handle());
        return nullptr;
    }
    m_scrollBar = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | SBS_VERT,
                                  width - 1 - kScrollBarWidth, 1, kScrollBarWidth, std::max(1, height - 2),
                                  Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND box = ListBox();
    SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);
    SendMessageW(box, LB_SETITEMHEIGHT, 0, m_style.rowHeight);
    SendMessageW(box, WM_SETREDRAW, FALSE, 0);
    int32_t selected = -1;
    for (size_t i = 0; i < choices.size(); ++i) {
        if (SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choices[i].c_str())) < 0)
            break;  // out of memory: the rows so far
        if (selected < 0 && choices[i] == current)
            selected = static_cast<int32_t>(i);
    }
    selected = std::max(selected, 0);
    SendMessageW(box, WM_SETREDRAW, TRUE, 0);
    SendMessageW(box, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    ShowWindow(Handle(), SW_SHOWNA);
    return Handle();
}

void CXComboList::Size() {
    if (!m_needsSizing || Handle() == nullptr)
        return;
    m_needsSizing = false;
    RECT window = {};
    GetWindowRect(Handle(), &window);
    const int width = window.right - window.left;
    const int rowHeight = m_style.rowHeight;
    const int rows = std::max(1, std::min((Height(window) - 4) / rowHeight, std::max(1, Count())));
    const int height = rows * rowHeight + 4;
    SetWindowPos(Handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int boxWidth = std::max(1, width - 2 - kScrollBarWidth);
    SetWindowPos(ListBox(), nullptr, 1, 1, boxWidth, height - 2, SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_scrollBar != nullptr)
        SetWindowPos(m_scrollBar, nullptr, 1 + boxWidth, 1, kScrollBarWidth, height - 2,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(ListBox(), LB_SETTOPINDEX, static_cast<WPARAM>(std::max(0, Selection() - 1)), 0);
    UpdateScrollBar();
    InvalidateRect(Handle(), nullptr, FALSE);
}

HWND CXComboList::ListBox() const {
    return m_box != nullptr ? m_box->Handle() : nullptr;
}

bool CXComboList::Contains(HWND hwnd) const {
    return hwnd != nullptr && Handle() != nullptr && (hwnd == Handle() || IsChild(Handle(), hwnd));
}

int32_t CXComboList::Count() const {
    LRESULT count = ListBox() != nullptr ? SendMessageW(ListBox(), LB_GETCOUNT, 0, 0) : 0;
    return count > 0 ? static_cast<int32_t>(count) : 0;
}

int32_t CXComboList::Selection() const {
    LRESULT selection = ListBox() != nullptr ? SendMessageW(ListBox(), LB_GETCURSEL, 0, 0) : LB_ERR;
    return selection == LB_ERR ? -1 : static_cast<int32_t>(selection);
}

std::wstring CXComboList::SelectedText() const {
    const int32_t selection = Selection();
    if (selection < 0)
        return {};
    LRESULT length = SendMessageW(ListBox(), LB_GETTEXTLEN, static_cast<WPARAM>(selection), 0);
    if (length == LB_ERR || length < 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT got = SendMessageW(ListBox(), LB_GETTEXT, static_cast<WPARAM>(selection),
                               reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

int32_t CXComboList::TopIndex() const {
    LRESULT top = ListBox() != nullptr ? SendMessageW(ListBox(), LB_GETTOPINDEX, 0, 0) : 0;
    return top > 0 ? static_cast<int32_t>(top) : 0;
}

int32_t CXComboList::VisibleRows() const {
    RECT client = {};
    if (ListBox() == nullptr || !GetClientRect(ListBox(), &client))
        return 1;
    return std::max(1, static_cast<int>(client.bottom / m_style.rowHeight));
}

void CXComboList::Select(int32_t index) {
    const int32_t count = Count();
    if (count == 0)
        return;
    index = std::clamp<int32_t>(index, 0, count - 1);
    SendMessageW(ListBox(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    UpdateScrollBar();
}

void CXComboList::UpdateScrollBar() {
    if (m_scrollBar == nullptr)
        return;
    SCROLLINFO info = {sizeof info};
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = std::max(0, Count() - 1);
    info.nPage = static_cast<UINT>(VisibleRows());
    info.nPos = TopIndex();
    SetScrollInfo(m_scrollBar, SB_CTL, &info, TRUE);
}

void CXComboList::Report(UINT registered) const {
    if (m_list != nullptr && IsWindow(m_list))
        SendMessageW(m_list, registered, 0, 0);
}

bool CXComboList::OnKey(WPARAM key) {
    const int32_t selection = std::max(0, Selection());
    switch (key) {
        case VK_RETURN:
            Report(Messages().ret);
            return true;
        case VK_ESCAPE:
            Report(Messages().escape);
            return true;
        case VK_UP:
            Select(selection - 1);
            break;
        case VK_DOWN:
            Select(selection + 1);
            break;
        case VK_PRIOR:
            Select(selection - VisibleRows());
            break;
        case VK_NEXT:
            Select(selection + VisibleRows());
            break;
        case VK_HOME:
            Select(0);
            break;
        case VK_END:
            Select(Count() - 1);
            break;
        default:
            return false;
    }
    Report(Messages().keyDown);
    return true;
}

void CXComboList::OnCharacter(wchar_t c) {
    const int32_t count = Count();
    if (c < L' ' || count == 0)
        return;
    const wchar_t wanted = static_cast<wchar_t>(std::towupper(c));
    const int32_t from = Selection();
    // The next row that starts with the character, from the one after the
    // current row round to the current one.
    for (int32_t step = 1; step <= count; ++step) {
        const int32_t row = (std::max(from, 0) + step) % count;
        LRESULT length = SendMessageW(ListBox(), LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
        if (length <= 0)
            continue;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(ListBox(), LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
        if (static_cast<wchar_t>(std::towupper(text[0])) == wanted) {
            Select(row);
            Report(Messages().keyDown);
            return;
        }
    }
}

void CXComboList::OnFocusLeaving(HWND newFocus) {
    if (m_list == nullptr || Contains(newFocus))
        return;
    if (++m_focusLosses > kIgnoredFocusLosses)
        Report(Messages().escape);
}

void CXComboList::OnListBoxButton(LPARAM position) {
    LRESULT hit = SendMessageW(ListBox(), LB_ITEMFROMPOINT, 0, position);
    if (hit != LB_ERR && HIWORD(hit) == 0)
        Select(LOWORD(hit));
    Report(Messages().button);
}

void CXComboList::OnScroll(WORD code) {
    const int32_t count = Count();
    const int32_t visible = VisibleRows();
    int32_t top = TopIndex();
    switch (code) {
        case SB_LINEUP:
            --top;
            break;
        case SB_LINEDOWN:
            ++top;
            break;
        case SB_PAGEUP:
            top -= visible;
            break;
        case SB_PAGEDOWN:
            top += visible;
            break;
        case SB_TOP:
            top = 0;
            break;
        case SB_BOTTOM:
            top = count;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info = {sizeof info};
            info.fMask = SIF_TRACKPOS;
            if (GetScrollInfo(m_scrollBar, SB_CTL, &info))
                top = info.nTrackPos;
            break;
        }
        default:
            return;
    }
    top = std::clamp<int32_t>(top, 0, std::max(0, count - visible));
    SendMessageW(ListBox(), LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    UpdateScrollBar();
}

void CXComboList::Paint(HDC dc) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    win::MemDC memory(dc, &client);
    win::UniqueBrush background(CreateSolidBrush(m_style.background));
    FillRect(memory, &client, background.get());
    win::UniqueBrush border(CreateSolidBrush(m_style.border));
    FrameRect(memory, &client, border.get());
}

void CXComboList::DrawRow(const DRAWITEMSTRUCT& item) const {
    if (item.itemID == static_cast<UINT>(-1))
        return;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    HDC dc = item.hDC;
    win::SaveDCGuard saved(dc);
    win::UniqueBrush fill(CreateSolidBrush(selected ? m_style.hotBackground : m_style.background));
    FillRect(dc, &item.rcItem, fill.get());
    LRESULT length = SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
    if (length <= 0)
        return;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT got =
        SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    if (m_font)
        SelectObject(dc, m_font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, selected ? m_style.hotText : m_style.text);
    RECT area = item.rcItem;
    area.left += 3;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

LRESULT CXComboList::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
        case WM_KEYDOWN:
            if (OnKey(wParam))
                return 0;
            break;
        case WM_CHAR:
            OnCharacter(static_cast<wchar_t>(wParam));
            return 0;
        case WM_KILLFOCUS:
            OnFocusLeaving(reinterpret_cast<HWND>(wParam));
            return 0;
        case WM_MOUSEWHEEL:
            if (ListBox() != nullptr) {
                SendMessageW(ListBox(), message, wParam, lParam);
                return 0;
            }
            break;
        case WM_VSCROLL:
            if (reinterpret_cast<HWND>(lParam) == m_scrollBar && m_scrollBar != nullptr) {
                OnScroll(LOWORD(wParam));
                return 0;
            }
            break;
        case WM_MEASUREITEM: {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            measure->itemHeight = static_cast<UINT>(m_style.rowHeight);
            return TRUE;
        }
        case WM_DRAWITEM:
            DrawRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_MOUSEACTIVATE:
            // The panel stays the active window; the drop-down only takes
            // the keys.
            return MA_NOACTIVATE;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}
