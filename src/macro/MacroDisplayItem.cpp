#include "macro/MacroDisplayItem.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>

#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "win/Gdi.h"
#include "win/MemDC.h"
#include "win/RawInput.h"

namespace {

constexpr wchar_t kClassName[] = L"TarnMacroDisplay";
constexpr int kTextIndent = 4;
constexpr int kMenuWidth = 150;

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    win::UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.get());
}

const wchar_t* ButtonKey(uint32_t button) {
    switch (button) {
        case 1:
            return L"$LeftButton";
        case 2:
            return L"$RightButton";
        case 3:
            return L"$Wheel";
        case 25:
            return L"$Button4";
        case 26:
            return L"$Button5";
        default:
            return nullptr;
    }
}

bool SameKey(const std::wstring& text, const wchar_t* key) {
    return _wcsicmp(text.c_str(), key) == 0;
}

// The menu a skin gives no entries for.
void DefaultEntries(CListPanelItem& menu, bool mouse) {
    menu.AddEntry(CMacroDisplayItem::kInsertDelay);
    if (!mouse)
        menu.AddEntry(CMacroDisplayItem::kEdit);
    menu.AddEntry(CMacroDisplayItem::kDelete);
}

}  // namespace

CMacroDisplayItem::CMacroDisplayItem() {
    SetType(kItemMacroDisplay);
    m_columns = {Column{kIconColumn, kImageWidth + 4, controls::Justify::kLeft},
                 Column{kTextColumn, 0, controls::Justify::kLeft}};
    DefaultEntries(m_mouseMenu, true);
    DefaultEntries(m_otherMenu, false);
    for (CListPanelItem* menu : {&m_mouseMenu, &m_otherMenu})
        menu->SetSize(kMenuWidth, controls::ListPanelHeight(menu->EntryCount(), menu->Look().borderWidth));
}

CMacroDisplayItem::~CMacroDisplayItem() {
    m_bar.reset();
    if (Handle() != nullptr && IsWindow(Handle()))
        DestroyWindow(Handle());
}

bool CMacroDisplayItem::CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner, const Look& look,
                                        const controls::ScrollBarPictures& scrollBar) {
    if (Handle() != nullptr)
        return false;
    m_look = look;
    m_look.borderWidth = std::clamp(m_look.borderWidth, 0, controls::kMaxBorderWidth);
    SetId(id);
    SetOwner(owner);
    SetRect(rect);
    if (!win::Window::RegisterClass(kClassName, CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW)))
        return false;
    const RECT placed = win::WindowRectFor(rect);
    const int width = controls::RectWidth(placed);
    m_height = controls::RectHeight(placed);
    const int barWidth = scrollBar.Usable() ? std::min(scrollBar.Width(), width / 2) : 0;
    m_width = width - barWidth;
    // The platform's scroll bar keeps the position the skinned bar reads; it
    // lies beyond the visible width, where the window region cuts it off.
    const int platformBar = GetSystemMetrics(SM_CXVSCROLL);
    const RECT listRect = {placed.left, placed.top, placed.left + m_width + platformBar, placed.bottom};
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN | WS_TABSTOP;
    HWND hwnd = Create(0, kClassName, L"", style, listRect, parent,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
    SetWindow(hwnd);
    if (hwnd == nullptr)
        return false;
    win::UniqueRgn region(CreateRectRgn(0, 0, m_width, m_height));
    if (region && SetWindowRgn(hwnd, region.get(), FALSE))
        region.release();  // the window owns it now
    SetFont(nullptr);
    UpdateScrollInfo();
    if (barWidth > 0) {
        m_bar = std::make_unique<CVScrollBar>();
        const RECT barRect = {placed.left + m_width, placed.top, placed.left + width, placed.bottom};
        if (!m_bar->Create(hwnd, parent, barRect, scrollBar, m_look.background))
            m_bar.reset();
    }
    m_editor.CreateFor(hwnd);
    if (HWND editor = m_editor.Handle()) {
        SetWindowLongPtrW(editor, GWL_STYLE, GetWindowLongPtrW(editor, GWL_STYLE) | ES_NUMBER);
        SendMessageW(editor, EM_SETLIMITTEXT, kDelayDigits, 0);
        m_editor.SetColours(CXListEdit::Colours{m_look.selectedText, m_look.selectedText,
                                                m_look.selectedBackground, m_look.selectedBackground,
                                                m_look.border});
        m_editor.SetOnFinish([this](bool commit) { FinishDelayEdit(commit); });
    }
    return true;
}

HWND CMacroDisplayItem::InnerWindow() const {
    return m_bar != nullptr ? m_bar->Handle() : nullptr;
}

void CMacroDisplayItem::SetImage(int image, HBITMAP picture) {
    if (image < 0 || image >= kImageCount)
        return;
    m_images[static_cast<size_t>(image)] = picture;
    RecomputeRowHeight();
}

void CMacroDisplayItem::SetFont(HFONT font) {
    m_font = font;
    if (m_font == nullptr) {
        if (!m_defaultFont)
            m_defaultFont = controls::MakeDefaultFont();
        m_font = m_defaultFont.get();
    }
    LOGFONTW logFont = {};
    m_boldFont.reset();
    if (m_font != nullptr && GetObjectW(m_font, sizeof logFont, &logFont) == sizeof logFont) {
        logFont.lfWeight = FW_BOLD;
        m_boldFont.reset(CreateFontIndirectW(&logFont));
    }
    RecomputeRowHeight();
    m_editor.SetFont(m_font);
}

void CMacroDisplayItem::RecomputeRowHeight() {
    int height = 16;
    if (Handle() != nullptr && m_font != nullptr) {
        win::WindowDC dc(Handle());
        win::SelectGuard select(dc.get(), m_font);
        TEXTMETRICW metrics = {};
        if (GetTextMetricsW(dc.get(), &metrics) && metrics.tmHeight > 0)
            height = metrics.tmHeight + 1;
    }
    // A row is never lower than its picture.
    for (HBITMAP picture : m_images)
        height = std::max<int>(height, win::BitmapSize(picture).cy);
    m_rowHeight = std::clamp(height, 1, 256);
    if (Handle() != nullptr) {
        UpdateScrollInfo();
        InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void CMacroDisplayItem::SetColumns(const std::vector<Column>& columns) {
    std::vector<Column> kept;
    for (const Column& column : columns) {
        if (column.kind == kIconColumn || column.kind == kTextColumn)
            kept.push_back(Column{column.kind, std::clamp(column.width, 0, 32767), column.align});
    }
    if (!kept.empty())
        m_columns = std::move(kept);
}

// --- rows -----------------------------------------------------------------------------

std::wstring CMacroDisplayItem::EventText(const MacroEvent& event) {
    std::wstring text;
    switch (event.kind) {
        case kMacroEventKey:
            names::KeyDisplayName(static_cast<uint16_t>(event.code >> 16), static_cast<uint16_t>(event.code & 0xFFFF),
                                  (event.state & kMacroStateExtended) != 0, text);
            break;
        case kMacroEventButton: {
            const wchar_t* key = ButtonKey(event.code);
            wchar_t buffer[64] = {};
            if (key != nullptr)
                swprintf(buffer, std::size(buffer), L"%ls%ls", key, event.state == kMacroStateRelease ? L"Up" : L"Down");
            else
                swprintf(buffer, std::size(buffer), L"$Button%u%ls", event.code,
                         event.state == kMacroStateRelease ? L"Up" : L"Down");
            text = buffer;
            std::wstring shown;
            if (lang::Resolve(text, shown))
                text = shown;
            break;
        }
        case kMacroEventDelay: {
            wchar_t buffer[64] = {};
            swprintf(buffer, std::size(buffer), L"%.3f", event.code / 1000.0);
            // The language's row ("%1 sec delay", its %1 the seconds), else
            // the English one.
            std::wstring row;
            if (lang::Resolve(L"$MacroDelayRow", row) && row.find(L"%1") != std::wstring::npos)
                text = row.replace(row.find(L"%1"), 2, buffer);
            else
                text = std::wstring(buffer) + L" sec delay";
            break;
        }
        default:
            break;
    }
    return text;
}

std::wstring CMacroDisplayItem::RowText(int row) const {
    if (row < 0 || row >= RowCount())
        return {};
    return EventText(m_events[static_cast<size_t>(row)]);
}

int CMacroDisplayItem::RowImage(int row) const {
    if (row < 0 || row >= RowCount())
        return -1;
    const MacroEvent& event = m_events[static_cast<size_t>(row)];
    switch (event.kind) {
        case kMacroEventKey:
            return (event.state & 0xFF) == kMacroStateRelease ? kKeyUp : kKeyDown;
        case kMacroEventButton:
            return kMouse;
        case kMacroEventDelay:
            return kDelay;
        default:
            return -1;
    }
}

bool CMacroDisplayItem::Show(const MacroEvents& events) {
    if (IsRecording() || Handle() == nullptr)
        return false;
    FinishDelayEdit(false);
    try {
        m_events = events;  // one copy: the rows are painted from the events
    } catch (const std::bad_alloc&) {
        m_events.clear();
    }
    m_selected = -1;
    // Each row is made visible as it is added: the view ends at the last.
    m_top = std::max(0, RowCount() - VisibleRows());
    UpdateScrollInfo();
    InvalidateRect(Handle(), nullptr, FALSE);
    return !m_events.empty();
}

void CMacroDisplayItem::Clear() {
    FinishDelayEdit(false);
    m_events.clear();
    m_selected = -1;
    m_top = 0;
    if (Handle() != nullptr) {
        UpdateScrollInfo();
        InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void CMacroDisplayItem::Select(int row) {
    if (row < -1 || row >= RowCount())
        return;
    if (row == m_selected)
        return;
    const int previous = m_selected;
    m_selected = row;
    InvalidateRow(previous);
    InvalidateRow(row);
    if (row >= 0)
        EnsureVisible(row);
}

bool CMacroDisplayItem::DeleteRow(int row) {
    if (row < 0 || row >= RowCount())
        return false;
    if (m_editRow >= 0)
        FinishDelayEdit(false);
    m_events.erase(m_events.begin() + row);
    if (m_selected == row)
        m_selected = row < RowCount() ? row : -1;  // the next row, none after the last
    else if (m_selected > row)
        --m_selected;
    m_top = std::clamp(m_top, 0, std::max(0, RowCount() - VisibleRows()));
    UpdateScrollInfo();
    InvalidateFrom(row);
    Notify(WMU_MACRO_EVENTS_CHANGED);
    return true;
}

void CMacroDisplayItem::InsertAt(int row, const MacroEvent& event) {
    row = std::clamp(row, 0, RowCount());
    m_events.insert(m_events.begin() + row, event);
    if (m_selected >= row)
        ++m_selected;
    UpdateScrollInfo();
    InvalidateFrom(row);
}

// --- commands --------------------------------------------------------------------------

bool CMacroDisplayItem::RunCommand(const std::wstring& command) {
    if (IsRecording())
        return false;
    if (SameKey(command, kInsertDelay)) {
        if (RowCount() >= static_cast<int>(macro::CMacroRecorder::kMaxEvents))
            return false;
        InsertDelay();
        return true;
    }
    if (SameKey(command, kDelete))
        return DeleteRow(m_selected);
    if (SameKey(command, kEdit)) {
        if (m_selected < 0)
            return false;
        switch (m_events[static_cast<size_t>(m_selected)].kind) {
            case kMacroEventKey:
                Notify(WMU_MACRO_EDIT_KEY);
                return true;
            case kMacroEventDelay:
                return StartDelayEdit(m_selected);
            default:
                return false;  // a mouse row has nothing to edit
        }
    }
    return false;
}

void CMacroDisplayItem::InsertDelay() {
    const uint32_t delay = m_recorder.DefaultDelay();
    const int at = m_selected >= 0 ? m_selected + 1 : 0;
    InsertAt(at, MacroEvent{kMacroEventDelay, delay, delay});
    Select(at);
    Notify(WMU_MACRO_EVENTS_CHANGED);
}

bool CMacroDisplayItem::StartDelayEdit(int row) {
    if (IsRecording() || m_readOnly || row < 0 || row >= RowCount() ||
        m_events[static_cast<size_t>(row)].kind != kMacroEventDelay)
        return false;
    HWND editor = m_editor.Handle();
    if (editor == nullptr)
        return false;
    if (m_editRow >= 0)
        FinishDelayEdit(true);
    Select(row);
    EnsureVisible(row);
    RECT cell = RowRect(row);
    int x = 0;
    for (const Column& column : m_columns) {
        const int width = column.width > 0 ? column.width : std::max(0, m_width - x);
        if (column.kind == kTextColumn) {
            cell.left = x;
            cell.right = std::min(m_width, x + width);
            break;
        }
        x += width;
    }
    m_editRow = row;
    SetWindowTextW(editor, std::to_wstring(m_events[static_cast<size_t>(row)].code).c_str());
    SetWindowPos(editor, HWND_TOP, cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top,
                 SWP_SHOWWINDOW);
    SendMessageW(editor, EM_SETSEL, 0, -1);
    SetFocus(editor);
    return true;
}

void CMacroDisplayItem::FinishDelayEdit(bool commit) {
    if (m_editRow < 0)
        return;
    const int row = m_editRow;
    m_editRow = -1;  // first: the focus change below comes back here
    const std::wstring text = m_editor.Text();
    if (HWND editor = m_editor.Handle()) {
        if (GetFocus() == editor)
            SetFocus(Handle());
        ShowWindow(editor, SW_HIDE);
    }
    if (!commit || row >= RowCount())
        return;
    // Digits only, at most seven; an empty text or 0 keeps the delay.
    if (text.empty() || text.size() > kDelayDigits ||
        !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return;
    const uint32_t delay = std::min<uint32_t>(static_cast<uint32_t>(std::wcstoul(text.c_str(), nullptr, 10)),
                                              kMacroMaxDelay);
    MacroEvent& event = m_events[static_cast<size_t>(row)];
    if (delay == 0 || event.kind != kMacroEventDelay || delay == event.code)
        return;
    event.code = delay;
    event.state = delay;
    InvalidateRow(row);
    Notify(WMU_MACRO_EVENTS_CHANGED);
}

void CMacroDisplayItem::Notify(UINT message) {
    HWND parent = Handle() != nullptr ? GetParent(Handle()) : nullptr;
    if (parent != nullptr)
        SendMessageW(parent, message, 0, static_cast<LPARAM>(Id()));
}

// --- view -------------------------------------------------------------------------------

int CMacroDisplayItem::VisibleRows() const {
    return std::max(1, m_height / std::max(1, m_rowHeight));
}

RECT CMacroDisplayItem::RowRect(int row) const {
    const int top = (row - m_top) * m_rowHeight;
    return RECT{0, top, m_width, top + m_rowHeight};
}

int CMacroDisplayItem::RowAt(int y) const {
    if (y < 0 || y >= m_height)
        return -1;
    const int row = m_top + y / std::max(1, m_rowHeight);
    return row < RowCount() ? row : -1;
}

void CMacroDisplayItem::InvalidateRow(int row) {
    if (Handle() == nullptr || row < m_top || row < 0 || row > m_top + VisibleRows())
        return;
    const RECT rect = RowRect(row);
    InvalidateRect(Handle(), &rect, FALSE);
}

void CMacroDisplayItem::InvalidateFrom(int row) {
    if (Handle() == nullptr || row > m_top + VisibleRows())
        return;
    RECT rect = {0, std::max(0, (row - m_top) * m_rowHeight), m_width, m_height};
    InvalidateRect(Handle(), &rect, FALSE);
}

void CMacroDisplayItem::UpdateScrollInfo() {
    if (Handle() == nullptr)
        return;
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = std::max(0, RowCount() - 1);
    info.nPage = static_cast<UINT>(VisibleRows());
    info.nPos = m_top;
    SetScrollInfo(Handle(), SB_VERT, &info, FALSE);  // cut off: nothing to redraw
    if (m_bar != nullptr && m_bar->Handle() != nullptr && !m_destroying)
        m_bar->Update();
}

void CMacroDisplayItem::ScrollTo(int top) {
    top = std::clamp(top, 0, std::max(0, RowCount() - VisibleRows()));
    if (top == m_top)
        return;
    m_top = top;
    m_invalidFrom = 0;  // the whole view is repainted
    if (Handle() != nullptr) {
        if (m_editRow >= 0)
            FinishDelayEdit(true);
        InvalidateRect(Handle(), nullptr, FALSE);
        UpdateScrollInfo();
    }
}

void CMacroDisplayItem::EnsureVisible(int row) {
    if (row < 0 || row >= RowCount())
        return;
    if (row < m_top)
        ScrollTo(row);
    else if (row >= m_top + VisibleRows())
        ScrollTo(row - VisibleRows() + 1);
}

void CMacroDisplayItem::OnVScroll(WORD code) {
    switch (code) {
        case SB_LINEUP:
            ScrollTo(m_top - 1);
            break;
        case SB_LINEDOWN:
            ScrollTo(m_top + 1);
            break;
        case SB_PAGEUP:
            ScrollTo(m_top - VisibleRows());
            break;
        case SB_PAGEDOWN:
            ScrollTo(m_top + VisibleRows());
            break;
        case SB_TOP:
            ScrollTo(0);
            break;
        case SB_BOTTOM:
            ScrollTo(RowCount());
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info = {};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            if (GetScrollInfo(Handle(), SB_VERT, &info))
                ScrollTo(info.nTrackPos);
            break;
        }
        default:
            break;
    }
}

void CMacroDisplayItem::OnWheel(short delta) {
    m_wheelRest += delta;
    while (m_wheelRest >= WHEEL_DELTA) {
        m_wheelRest -= WHEEL_DELTA;
        PostMessageW(Handle(), WM_VSCROLL, SB_LINEUP, 0);
    }
    while (m_wheelRest <= -WHEEL_DELTA) {
        m_wheelRest += WHEEL_DELTA;
        PostMessageW(Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    }
}

void CMacroDisplayItem::Paint(HDC dc) {
    m_invalidFrom = INT_MAX;
    const RECT client = {0, 0, m_width, m_height};
    win::MemDC memory(dc, &client);
    HDC target = memory.get();
    Fill(target, client, m_look.background);
    const int last = std::min(RowCount(), m_top + VisibleRows() + 1);
    for (int row = m_top; row < last; ++row)
        DrawRow(target, row, RowRect(row));
    if (m_bar != nullptr && m_look.borderWidth > 0) {
        const RECT edge = {std::max(0, m_width - m_look.borderWidth), 0, m_width, m_height};
        Fill(target, edge, m_look.border);
    }
}

void CMacroDisplayItem::DrawRow(HDC dc, int row, const RECT& rect) {
    const MacroEvent& event = m_events[static_cast<size_t>(row)];
    const bool selected = row == m_selected;
    int x = 0;
    for (const Column& column : m_columns) {
        const int width = column.width > 0 ? column.width : std::max(0, m_width - x);
        const RECT cell = {x, rect.top, std::min(m_width, x + width), rect.bottom};
        x += width;
        if (cell.right <= cell.left)
            continue;
        if (column.kind == kIconColumn) {
            Fill(dc, cell, m_look.background);
            int image = RowImage(row);
            if (selected && (image == kDelay || image == kMouse))
                ++image;  // the selected variant
            HBITMAP picture = image >= 0 ? m_images[static_cast<size_t>(image)] : nullptr;
            if (picture == nullptr)
                continue;
            const SIZE size = win::BitmapSize(picture);
            win::UniqueDC source(CreateCompatibleDC(dc));
            if (!source)
                continue;
            win::SelectGuard select(source.get(), picture);
            const int top = cell.top + (cell.bottom - cell.top - size.cy) / 2;
            BitBlt(dc, cell.left, top, std::min<int>(size.cx, cell.right - cell.left), size.cy, source.get(), 0, 0,
                   SRCCOPY);
            continue;
        }
        const bool highlighted = selected && !IsRecording();
        Fill(dc, cell, highlighted ? m_look.selectedBackground : m_look.background);
        const std::wstring text = EventText(event);
        win::SaveDCGuard saved(dc);
        SelectObject(dc, m_boldFont ? m_boldFont.get() : m_font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, highlighted ? m_look.selectedText : m_look.text);
        RECT textRect = cell;
        UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
        switch (column.align) {
            case controls::Justify::kCentre:
                format |= DT_CENTER;
                break;
            case controls::Justify::kRight:
                format |= DT_RIGHT;
                textRect.right -= kTextIndent;
                break;
            default:
                textRect.left += kTextIndent;
                break;
        }
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, format);
    }
}

// --- recorder ----------------------------------------------------------------------------

bool CMacroDisplayItem::ToggleRecording() {
    win::RawInputRegistration& raw = win::ProgramRawInput();
    if (!IsRecording()) {
        if (Handle() == nullptr)
            return false;
        FinishDelayEdit(true);
        m_displacedTarget = nullptr;
        m_displacedUsages.clear();
        if (raw.IsRegistered()) {
            // The single-key field holds it: it gets it back when recording stops.
            if (raw.Target() != Handle()) {
                m_displacedTarget = raw.Target();
                m_displacedUsages = raw.Usages();
            }
            raw.Unregister();
        }
        raw.AddUsage(win::RawInputRegistration::kKeyboard);
        raw.AddUsage(win::RawInputRegistration::kMouse);
        if (!raw.Register(Handle())) {
            raw.Unregister();
            RestoreDisplaced();
            return false;
        }
        Clear();
        m_recorder.Start();
        m_limitTold = false;
        return true;
    }
    if (raw.IsRegistered() && raw.Target() == Handle())
        raw.Unregister();
    RestoreDisplaced();
    m_recorder.Stop();
    // The press of the click that stops (its release was not recorded): a
    // macro must not end with the left button held down.
    if (m_recordButton != nullptr && !m_events.empty() &&
        m_events.back() == MacroEvent{kMacroEventButton, 1, kMacroStatePress}) {
        m_events.pop_back();
        if (!m_events.empty() && m_events.back().kind == kMacroEventDelay)
            m_events.pop_back();
        if (m_selected >= RowCount())
            m_selected = -1;
    }
    if (m_followPending && Handle() != nullptr)
        KillTimer(Handle(), kFollowTimer);
    m_followPending = false;
    if (!m_destroying) {
        Follow();
        if (Handle() != nullptr)
            InvalidateRect(Handle(), nullptr, FALSE);  // the selected row's colours come back
    }
    return false;
}

void CMacroDisplayItem::RestoreDisplaced() {
    HWND target = m_displacedTarget;
    std::vector<uint16_t> usages;
    usages.swap(m_displacedUsages);
    m_displacedTarget = nullptr;
    win::RawInputRegistration& raw = win::ProgramRawInput();
    if (target == nullptr || !IsWindow(target) || raw.IsRegistered())
        return;
    for (uint16_t usage : usages)
        raw.AddUsage(usage);
    if (!raw.Register(target))
        raw.Unregister();
}

bool CMacroDisplayItem::OnRecordButton() const {
    HWND button = m_recordButton;
    if (button == nullptr || !IsWindow(button))
        return false;
    return GetCapture() == button || (SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

void CMacroDisplayItem::OnRawInput(const RAWINPUT& input) {
    if (!IsRecording())
        return;
    size_t appended = 0;
    if (input.header.dwType == RIM_TYPEKEYBOARD) {
        appended = m_recorder.OnKeyboard(input.data.keyboard, m_events);
    } else if (input.header.dwType == RIM_TYPEMOUSE) {
        const uint16_t flags = input.data.mouse.usButtonFlags;
        // Only a button word can be recorded; the button check costs window
        // look-ups, so moves and wheel turns skip it.
        if ((flags & 0x3FF) != 0 && (flags & ~0x3FF) == 0)
            appended = m_recorder.OnMouseButtons(flags, OnRecordButton(), m_events);
    }
    OnRecorded(appended);
}

void CMacroDisplayItem::OnRecorded(size_t appended) {
    if (appended == 0) {
        if (m_recorder.LimitReached() && !m_limitTold) {
            m_limitTold = true;
            if (m_onLimit)
                m_onLimit();
        }
        return;
    }
    // Only rows in view are repainted; the view and the bar catch up with
    // the end on the timer, once per burst.
    // One invalidation between two paints is enough (each costs a round trip
    // to the window server under Wine).
    const int first = RowCount() - static_cast<int>(appended);
    if (first <= m_top + VisibleRows() && first < m_invalidFrom) {
        InvalidateFrom(first);
        m_invalidFrom = first;
    }
    if (!m_followPending && Handle() != nullptr) {
        m_followPending = SetTimer(Handle(), kFollowTimer, kFollowInterval, nullptr) != 0;
        if (!m_followPending)
            Follow();
        return;
    }
    // Timers and paints wait for an empty queue: in a storm of input the
    // view catches up here a few times a second instead.
    const DWORD now = GetTickCount();
    if (now - m_lastFollow >= kStormRepaint && Handle() != nullptr) {
        Follow();
        UpdateWindow(Handle());
        if (m_bar != nullptr && m_bar->Handle() != nullptr)
            UpdateWindow(m_bar->Handle());
    }
}

void CMacroDisplayItem::Follow() {
    if (m_followPending && Handle() != nullptr)
        KillTimer(Handle(), kFollowTimer);
    m_followPending = false;
    m_lastFollow = GetTickCount();
    UpdateScrollInfo();
    EnsureVisible(RowCount() - 1);
}

// --- messages -----------------------------------------------------------------------------

void CMacroDisplayItem::OnRightButtonDown(LPARAM lParam) {
    if (IsRecording() || IsEditing() || m_readOnly || m_menuOpen)
        return;
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const int row = RowAt(pt.y);
    if (row < 0)
        return;
    Select(row);
    SetFocus(Handle());
    CListPanelItem& menu = m_events[static_cast<size_t>(row)].kind == kMacroEventButton ? m_mouseMenu : m_otherMenu;
    m_menuOpen = true;
    const int chosen = menu.Show(Handle(), pt);
    m_menuOpen = false;
    if (chosen >= 0)
        RunCommand(menu.EntryText(chosen));
}

LRESULT CMacroDisplayItem::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, result, [this](HDC dc) { Paint(dc); }))
        return result;
    switch (message) {
        case WM_INPUT: {
            if (IsRecording()) {
                std::vector<BYTE> buffer;
                if (win::ReadRawInput(lParam, buffer)) {
                    RAWINPUT input = {};
                    std::memcpy(&input, buffer.data(), std::min(buffer.size(), sizeof input));
                    const size_t data = offsetof(RAWINPUT, data);
                    const bool whole =
                        (input.header.dwType == RIM_TYPEKEYBOARD && buffer.size() >= data + sizeof(RAWKEYBOARD)) ||
                        (input.header.dwType == RIM_TYPEMOUSE && buffer.size() >= data + sizeof(RAWMOUSE));
                    if (whole)
                        OnRawInput(input);
                }
            }
            break;  // the platform's clean-up of the input
        }
        case WM_TIMER:
            if (wParam == kFollowTimer) {
                Follow();
                return 0;
            }
            break;
        case WM_VSCROLL:
            OnVScroll(LOWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL:
            OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            if (IsEditing())
                FinishDelayEdit(true);
            SetFocus(Handle());
            const int row = RowAt(GET_Y_LPARAM(lParam));
            if (row >= 0)
                Select(row);
            return 0;
        }
        case WM_RBUTTONDOWN:
            OnRightButtonDown(lParam);
            return 0;
        case WM_KEYDOWN: {
            const int last = RowCount() - 1;
            const int page = VisibleRows();
            if (last < 0)
                return 0;
            switch (wParam) {
                case VK_UP: Select(std::max(0, m_selected - 1)); break;
                case VK_DOWN: Select(std::min(last, m_selected + 1)); break;
                case VK_PRIOR: Select(std::max(0, m_selected - page)); break;
                case VK_NEXT: Select(std::min(last, std::max(0, m_selected) + page)); break;
                case VK_HOME: Select(0); break;
                case VK_END: Select(last); break;
                default: break;
            }
            return 0;
        }
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_CTLCOLOREDIT:
            if (reinterpret_cast<HWND>(lParam) == m_editor.Handle() && m_editor.Handle() != nullptr)
                return m_editor.ColourRequest(reinterpret_cast<HDC>(wParam));
            break;
        case WM_DESTROY:
            m_destroying = true;  // the scroll bar beside it may be gone already
            if (IsRecording())
                ToggleRecording();
            else if (m_followPending)
                KillTimer(Handle(), kFollowTimer);
            m_followPending = false;
            break;
        default:
            break;
    }
    return win::Window::HandleMessage(message, wParam, lParam);
}

// --- skin -----------------------------------------------------------------------------------

void CMacroDisplayItem::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    Look look;
    look.text = skin::ColourAttribute(element, L"fontclr", look.text);
    look.selectedText = skin::ColourAttribute(element, L"fontclrhi", look.selectedText);
    look.background = skin::ColourAttribute(element, L"backclr", look.background);
    look.selectedBackground = skin::ColourAttribute(element, L"backclrhi", look.selectedBackground);
    look.border = skin::ColourAttribute(element, L"bdrclr", look.border);
    if (element.HasAttribute(L"bdrwidth"))
        look.borderWidth = skin::NumberAttribute(element, L"bdrwidth");
    auto item = std::make_unique<CMacroDisplayItem>();
    if (!item->CreateWindowFor(context.Parent(), skin::ItemRect(element, id), id, context.Owner(), look,
                               controls::ReadScrollBarPictures(element)))
        return;
    if (HFONT font = skin::ItemFont(element, id, context))
        item->SetFont(font);
    static const wchar_t* const kPictures[kImageCount] = {L"MDBMP_KEYDN", L"MDBMP_KEYUP", L"MDBMP_CLK",
                                                           L"MDBMP_CLKH",  L"MDBMP_MSE",   L"MDBMP_MSEH"};
    for (int image = 0; image < kImageCount; ++image) {
        const std::wstring file = skin::ChildText(element, kPictures[image]);
        if (!file.empty())
            item->SetImage(image, skin::LoadPicture(file));
    }
    std::vector<Column> columns;
    for (const XmlElement* column : element.FindAll(L"LISTCOLUMN")) {
        const int32_t kind = names::ListColumnItemId(column->Attribute(L"name").c_str());
        const int32_t type = names::EventColumnTypeId(column->Attribute(L"type").c_str());
        if ((kind != kIconColumn && kind != kTextColumn) || type < 0)
            continue;
        controls::Justify align = controls::ParseJustify(column->Attribute(L"justify"));
        if (align == controls::Justify::kDefault)
            align = controls::Justify::kLeft;
        columns.push_back(Column{kind, skin::NumberAttribute(*column, L"width"), align});
    }
    item->SetColumns(columns);
    item->SetReadOnly(skin::FlagAttribute(element, L"readonly"));
    for (const XmlElement* menuElement : element.FindAll(L"MDMENU")) {
        const bool mouse = SameKey(menuElement->Attribute(L"kind"), L"mouse");
        CListPanelItem& menu = mouse ? item->MouseMenu() : item->OtherMenu();
        menu.ClearEntries();
        menu.SetLook(controls::ReadListPanelLook(*menuElement, id, context));
        for (const XmlElement* entry : menuElement->FindAll(L"LISTPANELITEM"))
            menu.AddEntry(skin::Trim(entry->Text()));
        const int width = skin::NumberAttribute(*menuElement, L"width");
        menu.SetSize(width > 0 ? width : kMenuWidth, 0);
    }
    for (CListPanelItem* menu : {&item->MouseMenu(), &item->OtherMenu()}) {
        if (menu->EntryCount() == 0)
            DefaultEntries(*menu, menu == &item->MouseMenu());
        menu->SetSize(menu->Width(), controls::ListPanelHeight(menu->EntryCount(), menu->Look().borderWidth));
    }
    context.Add(std::move(item));
}

namespace macro {

void RegisterItemFactories() {
    skin::RegisterItem(L"MACRODISPLAY", CMacroDisplayItem::FromSkin);
}

}  // namespace macro
