#include "controls/XListCtrl.h"

#include <windowsx.h>

#include <commdlg.h>

#include <algorithm>
#include <cwchar>
#include <unordered_set>
#include <utility>

#include "controls/Picture.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "win/Gdi.h"
#include "win/MemDC.h"

namespace {

// Posted by the drawing of a pressed drop-down arrow: the drop-down opens
// once the paint is over.
constexpr UINT kOpenDropDownMessage = WM_APP + 0x21;
// Posted by the first row of a burst of added rows.
constexpr UINT kResumeRedrawMessage = WM_APP + 0x22;

constexpr UINT kPressInterval = 100;
constexpr UINT kTakeInterval = 50;
// Texts longer than this are not read back whole (the list keeps them).
constexpr size_t kMaxCellText = 1u << 22;

int RowHeight(const RECT& r) {
    return r.bottom - r.top;
}

int FormatOf(controls::Justify align) {
    switch (align) {
        case controls::Justify::kCentre:
            return LVCFMT_CENTER;
        case controls::Justify::kRight:
            return LVCFMT_RIGHT;
        default:
            return LVCFMT_LEFT;
    }
}

int HeaderFormatOf(controls::Justify align) {
    switch (align) {
        case controls::Justify::kCentre:
            return HDF_CENTER;
        case controls::Justify::kRight:
            return HDF_RIGHT;
        default:
            return HDF_LEFT;
    }
}

bool SameKey(const std::wstring& text, const wchar_t* key) {
    return _wcsicmp(text.c_str(), key) == 0;
}

// A 13 x 13 check box for the header when the skin has no picture.
win::UniqueBitmap PlainCheckBox(bool checked) {
    win::UniqueBitmap bitmap(win::CreateBitmap32(controls::kCheckBoxSize, controls::kCheckBoxSize));
    win::UniqueDC dc(CreateCompatibleDC(nullptr));
    if (!bitmap || !dc)
        return {};
    win::SelectGuard select(dc.get(), bitmap.get());
    RECT cell = {0, 0, controls::kCheckBoxSize, controls::kCheckBoxSize};
    controls::DrawCheckBoxCell(dc.get(), cell, 0, nullptr, checked);
    return bitmap;
}

// Rows that belong to a list, so that an item data value that no list made
// (a raw insertion by someone else) is never taken for a row.
std::unordered_set<const controls::ListRow*>& OwnedRows() {
    static std::unordered_set<const controls::ListRow*> rows;
    return rows;
}

}  // namespace

CXListCtrl::~CXListCtrl() {
    m_dropDown.reset();
    // The list's window goes first: its header and editor go with it, and
    // their objects find their windows already gone.
    if (Handle() != nullptr && IsWindow(Handle()))
        DestroyWindow(Handle());
    for (const auto& row : m_rows)
        OwnedRows().erase(row.get());
    if (m_ownedHeaderImages != nullptr)
        ImageList_Destroy(m_ownedHeaderImages);
}

bool CXListCtrl::CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner, const Colours& colours) {
    win::EnsureCommonControls();
    CXComboList::RegisterMessages();
    m_colours = colours;
    SetId(id);
    SetType(kItemList);
    SetOwner(owner);
    SetRect(rect);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPCHILDREN | WS_TABSTOP | LVS_REPORT |
                        LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
    HWND hwnd = CreateControl(0, WC_LISTVIEWW, L"", style, rect, parent);
    SetWindow(hwnd);
    if (hwnd == nullptr)
        return false;
    SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    // The selected row shows in the skin's colours; the platform's dotted
    // focus frame stays off.
    SendMessageW(hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    m_header.AttachTo(reinterpret_cast<HWND>(SendMessageW(hwnd, LVM_GETHEADER, 0, 0)));
    m_header.SetColours(m_colours.background, m_colours.text);
    m_editor.CreateFor(hwnd);
    m_editor.SetOnFinish([this](bool commit) { FinishEdit(commit); });
    m_uncheckedPicture = skin::LoadPicture(L"checkbox3.bmp");
    m_checkedPicture = skin::LoadPicture(L"checkbox4.bmp");
    SetColours(m_colours);
    SetFont(nullptr);
    return true;
}

// --- columns ----------------------------------------------------------------------

int32_t CXListCtrl::AddColumn(int32_t content, int32_t type, const std::wstring& title, int32_t width,
                              controls::Justify align) {
    if (Handle() == nullptr)
        return -1;
    if (content < 0)
        return -1;
    if (type < controls::kColumnIcon || type > controls::kColumnFileDialog)
        return -1;
    if (ColumnOf(content) >= 0 || ColumnCount() >= controls::kMaxListColumns)
        return -1;
    std::wstring shown;
    if (!lang::Resolve(title, shown))
        shown = title;
    if (align == controls::Justify::kDefault)
        align = controls::Justify::kLeft;
    const int32_t index = ColumnCount();
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = FormatOf(align);
    column.cx = std::clamp<int32_t>(width, 0, 32767);
    column.pszText = shown.data();
    column.iSubItem = index;
    if (SendMessageW(Handle(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)) !=
        index)
        return -1;
    m_columns[index] = Column{content, type, align};
    for (const auto& row : m_rows)
        row->cells.resize(m_columns.size());
    // The platform keeps a first column left-aligned; the header shows the
    // skin's alignment, which the cells follow.
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    if (SendMessageW(m_header.Handle(), HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) {
        item.fmt = (item.fmt & ~HDF_JUSTIFYMASK) | HeaderFormatOf(align);
        SendMessageW(m_header.Handle(), HDM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
    return index;
}

int32_t CXListCtrl::ColumnOf(int32_t content) const {
    if (content < 0)
        return -1;
    for (const auto& [index, column] : m_columns) {
        if (column.content == content)
            return index;
    }
    return -1;
}

int32_t CXListCtrl::ColumnContent(int32_t column) const {
    auto it = m_columns.find(column);
    return it != m_columns.end() ? it->second.content : -1;
}

int32_t CXListCtrl::ColumnType(int32_t column) const {
    auto it = m_columns.find(column);
    return it != m_columns.end() ? it->second.type : -1;
}

// --- rows ---------------------------------------------------------------------------

int32_t CXListCtrl::AddRow(int32_t rowId) {
    if (Handle() == nullptr)
        return -1;
    controls::ListRow* row = nullptr;
    bool indexed = false;
    try {
        auto made = std::make_unique<controls::ListRow>();
        made->id = rowId;
        made->cells.resize(m_columns.size());
        row = made.get();
        m_rows.push_back(std::move(made));
        OwnedRows().insert(row);
        indexed = m_byId.emplace(rowId, row).second;  // the first row of an id stays the one found
    } catch (...) {
        ForgetRow(row, indexed);  // out of memory: no row
        return -1;
    }
    HoldRedraw();
    LVITEMW item = {};
    item.mask = LVIF_PARAM | LVIF_TEXT;
    item.iItem = RowCount();
    item.pszText = const_cast<wchar_t*>(L"");
    item.lParam = reinterpret_cast<LPARAM>(row);
    const int index = static_cast<int>(SendMessageW(Handle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) {
        ForgetRow(row, indexed);
        return -1;
    }
    row->indexHint = index;
    return index;
}

void CXListCtrl::ForgetRow(controls::ListRow* row, bool indexed) {
    if (row == nullptr)
        return;
    if (indexed)
        m_byId.erase(row->id);
    OwnedRows().erase(row);
    if (!m_rows.empty() && m_rows.back().get() == row)
        m_rows.pop_back();
}

void CXListCtrl::HoldRedraw() {
    if (m_redrawHeld || Handle() == nullptr)
        return;
    // Rows come in bursts (a page fills the whole list at once); the list
    // lays out and paints once the burst is over, not once per row.
    if (!PostMessageW(Handle(), kResumeRedrawMessage, 0, 0))
        return;
    SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
    m_redrawHeld = true;
}

void CXListCtrl::ResumeRedraw() {
    if (!m_redrawHeld || Handle() == nullptr)
        return;
    m_redrawHeld = false;
    SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

int32_t CXListCtrl::RowCount() const {
    if (Handle() == nullptr)
        return 0;
    return static_cast<int32_t>(SendMessageW(Handle(), LVM_GETITEMCOUNT, 0, 0));
}

controls::ListRow* CXListCtrl::RowAtIndex(int index) const {
    if (Handle() == nullptr || index < 0)
        return nullptr;
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageW(Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    auto* row = reinterpret_cast<controls::ListRow*>(item.lParam);
    return OwnedRows().count(row) != 0 ? row : nullptr;
}

controls::ListRow* CXListCtrl::RowOf(int32_t rowId) const {
    auto it = m_byId.find(rowId);
    return it != m_byId.end() ? it->second : nullptr;
}

int CXListCtrl::IndexOfRow(const controls::ListRow* row) const {
    if (row == nullptr || OwnedRows().count(row) == 0)
        return -1;
    if (row->indexHint >= 0 && RowAtIndex(row->indexHint) == row)
        return row->indexHint;
    LVFINDINFOW find = {};
    find.flags = LVFI_PARAM;
    find.lParam = reinterpret_cast<LPARAM>(row);
    row->indexHint = static_cast<int>(
        SendMessageW(Handle(), LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    return row->indexHint;
}

int32_t CXListCtrl::RowIndexOf(int32_t rowId) const {
    return IndexOfRow(RowOf(rowId));
}

int32_t CXListCtrl::RowIdAt(int32_t index) const {
    const controls::ListRow* row = RowAtIndex(index);
    return row != nullptr ? row->id : -1;
}

void CXListCtrl::DeleteAllRows() {
    // Nothing may keep pointing into the rows.
    if (IsEditing())
        FinishEdit(false);
    m_dropDown.reset();
    m_dropRow = nullptr;
    m_pressedRow = nullptr;
    m_hotIndex = -1;
    if (Handle() != nullptr) {
        KillTimer(Handle(), kPressTimer);
        KillTimer(Handle(), kTakeCloseTimer);
        KillTimer(Handle(), kTakeTimer);
        SendMessageW(Handle(), LVM_DELETEALLITEMS, 0, 0);
    }
    for (const auto& row : m_rows)
        OwnedRows().erase(row.get());
    m_byId.clear();
    m_rows.clear();
}

void CXListCtrl::Sort() {
    if (Handle() == nullptr || m_rows.empty())
        return;
    if (IsEditing())
        FinishEdit(true);
    CloseDropDown(false);
    ResumeRedraw();
    // The texts are read once; the comparison only looks them up.
    struct Context {
        std::unordered_map<const controls::ListRow*, std::vector<std::wstring>> texts;
    } context;
    const int count = RowCount();
    for (int index = 0; index < count; ++index) {
        const controls::ListRow* row = RowAtIndex(index);
        if (row == nullptr)
            continue;
        auto& texts = context.texts[row];
        for (const auto& [column, info] : m_columns)
            texts.push_back(TextAt(index, column));
    }
    auto compare = [](LPARAM a, LPARAM b, LPARAM data) -> int {
        const auto& texts = reinterpret_cast<const Context*>(data)->texts;
        auto ta = texts.find(reinterpret_cast<const controls::ListRow*>(a));
        auto tb = texts.find(reinterpret_cast<const controls::ListRow*>(b));
        if (ta == texts.end() || tb == texts.end())
            return (ta == texts.end() ? 1 : 0) - (tb == texts.end() ? 1 : 0);
        for (size_t i = 0; i < ta->second.size() && i < tb->second.size(); ++i) {
            const std::wstring& x = ta->second[i];
            const std::wstring& y = tb->second[i];
            int order = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, x.c_str(), static_cast<int>(x.size()),
                                       y.c_str(), static_cast<int>(y.size()));
            if (order != CSTR_EQUAL && order != 0)
                return order - CSTR_EQUAL;
        }
        return 0;
    };
    SendMessageW(Handle(), LVM_SORTITEMS, reinterpret_cast<WPARAM>(&context),
                 reinterpret_cast<LPARAM>(static_cast<PFNLVCOMPARE>(compare)));
    for (int index = 0; index < count; ++index) {
        if (const controls::ListRow* row = RowAtIndex(index))
            row->indexHint = index;
    }
    InvalidateRect(Handle(), nullptr, FALSE);
}

int32_t CXListCtrl::SelectedRowId() const {
    if (Handle() == nullptr)
        return -1;
    const int index = static_cast<int>(
        SendMessageW(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
    return RowIdAt(index);
}

bool CXListCtrl::SelectRow(int32_t rowId) {
    const int index = RowIndexOf(rowId);
    if (index < 0)
        return false;
    ResumeRedraw();  // scrolling needs the laid-out list
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    SendMessageW(Handle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
    return true;
}

// --- cells -----------------------------------------------------------------------------

bool CXListCtrl::Locate(int32_t content, int32_t rowId, controls::ListRow*& row, int& index, int& column) const {
    column = ColumnOf(content);
    row = RowOf(rowId);
    index = IndexOfRow(row);
    return column >= 0 && row != nullptr && index >= 0 && static_cast<size_t>(column) < row->cells.size();
}

std::wstring CXListCtrl::TextAt(int index, int column) const {
    if (Handle() == nullptr || index < 0 || column < 0)
        return {};
    // The platform answers the length it copied: grow until it all fits.
    for (size_t size = 256; size <= kMaxCellText; size *= 4) {
        std::wstring text(size, L'\0');
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(size);
        const LRESULT length =
            SendMessageW(Handle(), LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        if (length < 0)
            return {};
        if (static_cast<size_t>(length) + 1 < size) {
            text.resize(wcsnlen(text.c_str(), static_cast<size_t>(length)));
            return text;
        }
    }
    return {};
}

void CXListCtrl::SetTextAt(int index, int column, const std::wstring& text) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(Handle(), LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

bool CXListCtrl::SetCellText(int32_t content, int32_t rowId, const std::wstring& text) {
    controls::ListRow* row = nullptr;
    int index = -1;
    int column = -1;
    if (!Locate(content, rowId, row, index, column))
        return false;
    SetTextAt(index, column, text);
    RepaintRow(index);
    return true;
}

bool CXListCtrl::GetCellText(int32_t content, int32_t rowId, std::wstring& text) const {
    controls::ListRow* row = nullptr;
    int index = -1;
    int column = -1;
    if (!Locate(content, rowId, row, index, column))
        return false;
    text = TextAt(index, column);
    return true;
}

std::wstring CXListCtrl::CellText(int32_t content, int32_t rowId) const {
    std::wstring text;
    GetCellText(content, rowId, text);
    return text;
}

bool CXListCtrl::SetCheck(int32_t rowId, int8_t state) {
    return SetCellCheck(controls::LCITEM_AUTOSWITCH, rowId, state);
}

bool CXListCtrl::SetCellCheck(int32_t content, int32_t rowId, int8_t state) {
    controls::ListRow* row = nullptr;
    int index = -1;
    int column = -1;
    if (state < -1 || state > 1 || !Locate(content, rowId, row, index, column))
        return false;
    row->cells[static_cast<size_t>(column)].check = state;
    RepaintRow(index);
    UpdateHeaderCheck(column);
    return true;
}

int8_t CXListCtrl::CellCheck(int32_t content, int32_t rowId) const {
    controls::ListRow* row = nullptr;
    int index = -1;
    int column = -1;
    if (!Locate(content, rowId, row, index, column))
        return -1;
    return row->cells[static_cast<size_t>(column)].check;
}

bool CXListCtrl::SetCellBold(int32_t content, int32_t rowId, bool bold) {
    controls::ListRow* row = nullptr;
    int index = -1;
    int column = -1;
    if (!Locate(content, rowId, row, index, column))
        return false;
    row->cells[static_cast<size_t>(column)].bold = bold;
    RepaintRow(index);
    return true;
}

bool CXListCtrl::SetCellProgress(int32_t content, int32_t rowId, int32_t percent) {
    controls::ListRow* row = nullptr;
    int index = -1;
    int column = -1;
    if (percent < -1 || percent > 100 || !Locate(content, rowId, row, index, column))
        return false;
    row->cells[static_cast<size_t>(column)].progress = percent;
    RepaintRow(index);
    return true;
}

bool CXListCtrl::SetCellChoices(int32_t content, int32_t rowId, std::vector<std::wstring> choices) {
    controls::ListRow* row = nullptr;
    int index = -1;
    int column = -1;
    if (!Locate(content, rowId, row, index, column))
        return false;
    if (m_dropRow == row && m_dropColumn == column)
        CloseDropDown(false);
    controls::ListCell& cell = row->cells[static_cast<size_t>(column)];
    cell.hasDropDown = !choices.empty();
    cell.choices = std::move(choices);
    if (!cell.hasDropDown && m_pressedRow == row && m_pressedColumn == column)
        CancelPress();
    RepaintRow(index);
    return true;
}

bool CXListCtrl::CellRect(int32_t content, int32_t rowId, RECT& rect) const {
    controls::ListRow* row = nullptr;
    int index = -1;
    int column = -1;
    if (!Locate(content, rowId, row, index, column))
        return false;
    rect = CellRectAt(index, column);
    return true;
}

RECT CXListCtrl::CellRectAt(int index, int column) const {
    RECT rowRect = {};
    rowRect.left = LVIR_BOUNDS;
    if (!SendMessageW(Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rowRect)))
        return RECT{};
    RECT head = {};
    if (!SendMessageW(m_header.Handle(), HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&head)))
        return RECT{};
    // The header moves sideways with the list's scrolling; in the list's
    // coordinates its columns are where the cells are.
    MapWindowPoints(m_header.Handle(), Handle(), reinterpret_cast<POINT*>(&head), 2);
    return RECT{head.left, rowRect.top, head.right, rowRect.bottom};
}

CXListCtrl::Hit CXListCtrl::HitTest(POINT pt) const {
    Hit hit;
    RECT client = {};
    GetClientRect(Handle(), &client);
    if (!PtInRect(&client, pt))
        return hit;
    LVHITTESTINFO info = {};
    info.pt = pt;
    const int index = static_cast<int>(SendMessageW(Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (index < 0 || (info.flags & LVHT_ONITEM) == 0)
        return hit;
    hit.index = index;
    hit.row = RowAtIndex(index);
    for (const auto& entry : m_columns) {
        const RECT cell = CellRectAt(index, entry.first);
        if (PtInRect(&cell, pt)) {
            hit.column = entry.first;
            break;
        }
    }
    return hit;
}

void CXListCtrl::RepaintRow(int index) {
    if (Handle() == nullptr || index < 0)
        return;
    RECT rowRect = {};
    rowRect.left = LVIR_BOUNDS;
    if (SendMessageW(Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rowRect))) {
        // The whole width: cells may lie beyond the row's own bounds.
        RECT client = {};
        GetClientRect(Handle(), &client);
        rowRect.left = client.left;
        rowRect.right = client.right;
        InvalidateRect(Handle(), &rowRect, FALSE);
    }
}

void CXListCtrl::Send(UINT message, int32_t rowId, int32_t column, const void* data) {
    HWND parent = GetParent(Handle());
    if (parent == nullptr)
        return;
    ListNotify record = {rowId, column, data};
    SendMessageW(parent, message, reinterpret_cast<WPARAM>(Handle()), reinterpret_cast<LPARAM>(&record));
}

// --- header ------------------------------------------------------------------------

void CXListCtrl::SetHeaderColours(COLORREF background, COLORREF text) {
    m_header.SetColours(background, text);
}

void CXListCtrl::SetHeaderImageList(HIMAGELIST images) {
    if (m_header.Handle() != nullptr)
        SendMessageW(m_header.Handle(), HDM_SETIMAGELIST, HDSIL_NORMAL, reinterpret_cast<LPARAM>(images));
}

bool CXListCtrl::SetHeaderImage(int32_t content, int image) {
    const int32_t column = ColumnOf(content);
    return column >= 0 && m_header.SetColumnImage(column, image < 0 ? -1 : image);
}

int CXListCtrl::HeaderImage(int32_t content) const {
    const int32_t column = ColumnOf(content);
    return column >= 0 ? m_header.ColumnImage(column) : -1;
}

bool CXListCtrl::UseCheckBoxHeader(int32_t content) {
    const int32_t column = ColumnOf(content);
    if (column < 0 || m_header.Handle() == nullptr)
        return false;
    if (m_ownedHeaderImages == nullptr) {
        HIMAGELIST images = ImageList_Create(controls::kCheckBoxSize, controls::kCheckBoxSize, ILC_COLOR24, 2, 0);
        if (images == nullptr)
            return false;
        // Image 0 unchecked, 1 checked; the list copies the pictures.
        for (bool checked : {false, true}) {
            HBITMAP picture = checked ? m_checkedPicture : m_uncheckedPicture;
            win::UniqueBitmap copy =
                picture != nullptr
                    ? controls::CutPicture(picture, 0, 0, controls::kCheckBoxSize, controls::kCheckBoxSize)
                    : PlainCheckBox(checked);
            if (!copy || ImageList_Add(images, copy.get(), nullptr) < 0) {
                ImageList_Destroy(images);
                return false;
            }
        }
        m_ownedHeaderImages = images;
    }
    SetHeaderImageList(m_ownedHeaderImages);
    if (!m_header.SetColumnImage(column, 0))
        return false;
    UpdateHeaderCheck(column);
    return true;
}

void CXListCtrl::UpdateHeaderCheck(int column) {
    if (m_header.ColumnImage(column) < 0)
        return;
    std::vector<int8_t> states;
    states.reserve(m_rows.size());
    for (const auto& row : m_rows)
        states.push_back(static_cast<size_t>(column) < row->cells.size() ? row->cells[static_cast<size_t>(column)].check
                                                                         : -1);
    m_header.SetColumnImage(column, controls::HeaderCheckImage(states));
}

// --- look --------------------------------------------------------------------------

void CXListCtrl::SetColours(const Colours& colours) {
    m_colours = colours;
    CXListEdit::Colours editor;
    editor.text = colours.text;
    editor.hotText = colours.hotText;
    editor.background = colours.background;
    editor.hotBackground = colours.hotBackground;
    editor.border = colours.border;
    m_editor.SetColours(editor);
    if (Handle() == nullptr)
        return;
    SendMessageW(Handle(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(colours.background));
    SendMessageW(Handle(), LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(colours.background));
    SendMessageW(Handle(), LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(colours.text));
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

void CXListCtrl::SetFont(HFONT font) {
    // Without a font item the list uses the controls' default font.
    static const win::UniqueFont s_default = controls::MakeDefaultFont();
    m_font = font != nullptr ? font : s_default.get();
    LOGFONTW logFont = {};
    if (m_font != nullptr && GetObjectW(m_font, sizeof logFont, &logFont) == sizeof logFont) {
        logFont.lfWeight = FW_BOLD;
        m_boldFont.reset(CreateFontIndirectW(&logFont));
    }
    if (Handle() != nullptr)
        SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font), TRUE);
    m_header.SetFont(m_font);
    m_editor.SetFont(m_font);
}

// --- editing ------------------------------------------------------------------------

bool CXListCtrl::StartEdit(int32_t content, int32_t rowId) {
    controls::ListRow* row = nullptr;
    int index = -1;
    int column = -1;
    if (!Locate(content, rowId, row, index, column))
        return false;
    StartEditAt(index, column);
    return m_editRow == row && m_editColumn == column;
}

void CXListCtrl::StartEditAt(int index, int column) {
    controls::ListRow* row = RowAtIndex(index);
    if (row == nullptr || column < 0 || static_cast<size_t>(column) >= row->cells.size())
        return;
    if (m_editRow == row && m_editColumn == column)
        return;
    if (IsEditing()) {
        // The page may refill the list while it takes the commit: the row is
        // found again by its id.
        const int32_t rowId = row->id;
        FinishEdit(true);
        row = RowOf(rowId);
    }
    index = IndexOfRow(row);
    if (index < 0)
        return;
    if (m_editor.Handle() == nullptr && !m_editor.CreateFor(Handle()))
        return;
    ResumeRedraw();  // the editor shows over a painted list
    HWND editor = m_editor.Handle();
    m_editor.SetFont(m_font);
    SendMessageW(editor, EM_SETLIMITTEXT, kEditLimit, 0);
    RECT cell = CellRectAt(index, column);
    cell.left = std::min(cell.left + 5, cell.right);
    m_editRow = row;
    m_editColumn = column;
    SetWindowTextW(editor, TextAt(index, column).c_str());
    SetWindowPos(editor, HWND_TOP, cell.left, cell.top, cell.right - cell.left, RowHeight(cell), SWP_SHOWWINDOW);
    SendMessageW(editor, EM_SETSEL, 0, -1);
    SetFocus(editor);
    // Presses anywhere come to the list, which ends the edit.
    SetCapture(Handle());
}

void CXListCtrl::FinishEdit(bool commit) {
    if (m_editRow == nullptr)
        return;
    controls::ListRow* row = m_editRow;
    const int column = m_editColumn;
    m_editRow = nullptr;  // first: what follows may come back here
    m_editColumn = -1;
    if (GetCapture() == Handle())
        ReleaseCapture();
    const std::wstring text = m_editor.Text();
    HWND editor = m_editor.Handle();
    if (editor != nullptr) {
        if (GetFocus() == editor)
            SetFocus(Handle());
        ShowWindow(editor, SW_HIDE);
    }
    if (!commit)
        return;
    const int index = IndexOfRow(row);
    if (index < 0 || text == TextAt(index, column))
        return;
    SetTextAt(index, column, text);
    RepaintRow(index);
    Send(WMU_LIST_TEXTCHANGED, row->id, column, text.c_str());
}

// --- programs -----------------------------------------------------------------------

bool CXListCtrl::ChooseProgram(HWND owner, std::wstring& path) {
    std::vector<wchar_t> file(32768, L'\0');
    std::wstring filter = L"*.exe|*.exe||";
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner != nullptr ? GetAncestor(owner, GA_ROOT) : nullptr;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog))
        return false;
    path.assign(file.data());
    return !path.empty();
}

std::wstring CXListCtrl::FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void CXListCtrl::AssignProgram(int32_t rowId) {
    const int column = ColumnOf(controls::LCITEM_PROFILEEXE);
    if (RowOf(rowId) == nullptr || column < 0)
        return;
    std::wstring path;
    if (!ChooseProgram(Handle(), path))
        return;  // cancelled: nothing changes, nothing is sent
    // The dialog ran a message loop: the row is found again by its id.
    const int index = RowIndexOf(rowId);
    if (index < 0)
        return;
    SetTextAt(index, column, FileNameOf(path));
    RepaintRow(index);
    Send(WMU_LIST_PROGRAMCHANGED, rowId, column, path.c_str());
}

void CXListCtrl::UnassignProgram(int32_t rowId) {
    const int column = ColumnOf(controls::LCITEM_PROFILEEXE);
    int index = RowIndexOf(rowId);
    if (index < 0 || column < 0)
        return;
    SetTextAt(index, column, L"");
    RepaintRow(index);
    Send(WMU_LIST_PROGRAMCHANGED, rowId, column, L"");
    // Without a program there is nothing to switch to.
    const int check = ColumnOf(controls::LCITEM_AUTOSWITCH);
    controls::ListRow* row = RowOf(rowId);
    index = IndexOfRow(row);
    if (check < 0 || index < 0)
        return;
    row->cells[static_cast<size_t>(check)].check = 0;
    RepaintRow(index);
    const uint8_t state = 0;
    Send(WMU_LIST_CHECKCHANGED, rowId, check, &state);
    UpdateHeaderCheck(check);
}

// --- drop-down cells ----------------------------------------------------------------

void CXListCtrl::PressArrow(controls::ListRow* row, int index, int column) {
    CancelPress();
    row->cells[static_cast<size_t>(column)].arrowPressed = true;
    m_pressedRow = row;
    m_pressedColumn = column;
    RepaintRow(index);
    SetTimer(Handle(), kPressTimer, kPressInterval, nullptr);
}

void CXListCtrl::CancelPress() {
    if (Handle() != nullptr)
        KillTimer(Handle(), kPressTimer);
    controls::ListRow* row = m_pressedRow;
    const int column = m_pressedColumn;
    m_pressedRow = nullptr;
    m_pressedColumn = -1;
    const int index = IndexOfRow(row);
    if (index < 0 || static_cast<size_t>(column) >= row->cells.size())
        return;
    row->cells[static_cast<size_t>(column)].arrowPressed = false;
    RepaintRow(index);
}

void CXListCtrl::OpenDropDown() {
    m_openPosted = false;
    if (m_dropDown != nullptr || m_pressedRow == nullptr)
        return;
    controls::ListRow* row = m_pressedRow;
    const int column = m_pressedColumn;
    const int index = IndexOfRow(row);
    if (index < 0 || static_cast<size_t>(column) >= row->cells.size())
        return;
    const controls::ListCell& cell = row->cells[static_cast<size_t>(column)];
    if (!cell.arrowPressed || cell.choices.empty())
        return;
    RECT rect = CellRectAt(index, column);
    MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
    CXComboList::Style style;
    style.font = m_font;
    style.text = m_colours.text;
    style.hotText = m_colours.hotText;
    style.background = m_colours.background;
    style.hotBackground = m_colours.hotBackground;
    style.border = m_colours.border;
    style.rowHeight = std::max(1, RowHeight(rect) - 2);
    // One row per choice, below the cell and as wide; the drop-down keeps
    // itself on the screen.
    const int64_t height = static_cast<int64_t>(std::min<size_t>(cell.choices.size(), 4096)) * style.rowHeight + 4;
    RECT below = {rect.left, rect.bottom, rect.right, static_cast<LONG>(std::min<int64_t>(rect.bottom + height, 32767))};
    m_dropOriginal = TextAt(index, column);
    auto dropDown = std::make_unique<CXComboList>();
    if (dropDown->Open(Handle(), below, cell.choices, m_dropOriginal, style) == nullptr)
        return;
    m_dropDown = std::move(dropDown);
    m_dropRow = row;
    m_dropColumn = column;
    m_dropTake = false;
    m_dropDown->Size();
    SetFocus(m_dropDown->Handle());
}

void CXListCtrl::TakeDropDownChoice() {
    if (m_dropDown == nullptr)
        return;
    const int index = IndexOfRow(m_dropRow);
    if (index < 0)
        return;
    SetTextAt(index, m_dropColumn, m_dropDown->SelectedText());
    RepaintRow(index);
}

void CXListCtrl::CloseDropDown(bool take) {
    if (Handle() != nullptr) {
        KillTimer(Handle(), kTakeCloseTimer);
        KillTimer(Handle(), kTakeTimer);
    }
    if (m_dropDown == nullptr)
        return;
    const std::wstring chosen = m_dropDown->SelectedText();
    const bool hadFocus = m_dropDown->Contains(GetFocus());
    m_dropDown.reset();
    controls::ListRow* row = m_dropRow;
    const int column = m_dropColumn;
    m_dropRow = nullptr;
    m_dropColumn = -1;
    if (hadFocus)
        SetFocus(Handle());
    CancelPress();
    const int index = IndexOfRow(row);
    if (index < 0)
        return;
    // Keys may have shown other choices meanwhile: what stays is the choice
    // taken, or the text from before the drop-down opened.
    const std::wstring text = take ? chosen : m_dropOriginal;
    SetTextAt(index, column, text);
    RepaintRow(index);
    if (take && text != m_dropOriginal)
        Send(WMU_LIST_TEXTCHANGED, row->id, column, text.c_str());
}

// --- input -----------------------------------------------------------------------------

void CXListCtrl::ToggleCheck(controls::ListRow* row, int index, int column) {
    controls::ListCell& cell = row->cells[static_cast<size_t>(column)];
    const uint8_t state = cell.check == 1 ? 0 : 1;
    cell.check = static_cast<int8_t>(state);
    RepaintRow(index);
    Send(WMU_LIST_CHECKCHANGED, row->id, column, &state);
    UpdateHeaderCheck(column);
}

bool CXListCtrl::OnLeftButtonDown(WPARAM wParam, LPARAM lParam) {
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (IsEditing()) {
        // The list holds the capture while editing; a press on the editor
        // is the editor's own.
        RECT editor = {};
        GetWindowRect(m_editor.Handle(), &editor);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&editor), 2);
        if (PtInRect(&editor, pt)) {
            ReleaseCapture();
            POINT at = pt;
            MapWindowPoints(Handle(), m_editor.Handle(), &at, 1);
            SendMessageW(m_editor.Handle(), WM_LBUTTONDOWN, wParam, MAKELPARAM(at.x, at.y));
            return false;
        }
        FinishEdit(true);
        RECT client = {};
        GetClientRect(Handle(), &client);
        if (!PtInRect(&client, pt))
            return false;  // a press outside the list only ends the edit
    }
    CloseDropDown(false);

    const Hit hit = HitTest(pt);
    if (hit.index < 0)
        CancelPress();
    const int32_t rowId = hit.row != nullptr ? hit.row->id : -1;
    if (hit.row != nullptr) {
        for (const auto& [column, info] : m_columns) {
            if (static_cast<size_t>(column) >= hit.row->cells.size())
                break;
            const RECT cell = CellRectAt(hit.index, column);
            const controls::ListCell& record = hit.row->cells[static_cast<size_t>(column)];
            if (record.check >= 0) {
                if (!controls::CheckBoxHit(cell, pt))
                    continue;
                ToggleCheck(hit.row, hit.index, column);
                break;
            }
            if (!PtInRect(&cell, pt))
                continue;
            if (record.hasDropDown) {
                const RECT arrow = controls::DropDownArrowRect(cell);
                if (PtInRect(&arrow, pt))
                    PressArrow(hit.row, hit.index, column);
            }
            break;
        }
    }
    HWND parent = GetParent(Handle());
    if (parent != nullptr)
        SendMessageW(parent, WMU_LIST_LBUTTONDOWN, static_cast<WPARAM>(static_cast<INT_PTR>(rowId)),
                     reinterpret_cast<LPARAM>(Handle()));
    return Handle() != nullptr;
}

void CXListCtrl::OnDoubleClick(LPARAM lParam) {
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const Hit hit = HitTest(pt);
    if (hit.row == nullptr || hit.column < 0)
        return;
    switch (ColumnType(hit.column)) {
        case controls::kColumnFileDialog: {
            const int32_t rowId = hit.row->id;
            std::wstring path;
            if (!ChooseProgram(Handle(), path))
                return;  // cancelled: nothing changes, nothing is sent
            // The dialog ran a message loop: the row is found again by its id.
            const int index = RowIndexOf(rowId);
            if (index < 0)
                return;
            SetTextAt(index, hit.column, FileNameOf(path));
            RepaintRow(index);
            Send(WMU_LIST_PROGRAMCHANGED, rowId, hit.column, path.c_str());
            break;
        }
        case controls::kColumnEdit:
            StartEditAt(hit.index, hit.column);
            break;
        case controls::kColumnStatic:
            Send(WMU_LIST_DBLCLICK, hit.row->id, hit.column, nullptr);
            break;
        default:
            break;
    }
}

void CXListCtrl::OnRightButtonDown(LPARAM lParam) {
    FinishEdit(true);
    CloseDropDown(false);
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const Hit hit = HitTest(pt);
    if (hit.index >= 0) {
        // The menu acts on the row it was opened on: make it the selection.
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(hit.index), reinterpret_cast<LPARAM>(&item));
    }
    const int32_t rowId = hit.row != nullptr ? hit.row->id : -1;
    const int32_t chosen = m_menu->Show(Handle(), pt);
    if (chosen < 0)
        return;
    // The menu ran a message loop: the row is known by its id from here on.
    const std::wstring text = m_menu->EntryText(chosen);
    if (SameKey(text, kAssignApplication)) {
        if (hit.row != nullptr)
            AssignProgram(rowId);
    } else if (SameKey(text, kUnassignApplication)) {
        if (hit.row != nullptr)
            UnassignProgram(rowId);
    } else {
        Send(WMU_LIST_MENUCHOICE, rowId, 0, text.c_str());
    }
}

void CXListCtrl::OnMouseMove(LPARAM lParam) {
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const int index = HitTest(pt).index;
    if (index != m_hotIndex) {
        const int previous = m_hotIndex;
        m_hotIndex = index;
        RepaintRow(previous);
        RepaintRow(index);
    }
    if (!m_trackingLeave) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, Handle(), 0};
        m_trackingLeave = TrackMouseEvent(&track) != FALSE;
    }
}

void CXListCtrl::OnTimer(UINT_PTR id) {
    switch (id) {
        case kPressTimer: {
            const int index = IndexOfRow(m_pressedRow);
            if (index < 0) {
                CancelPress();
                return;
            }
            POINT pt = {};
            GetCursorPos(&pt);
            ScreenToClient(Handle(), &pt);
            const RECT cell = CellRectAt(index, m_pressedColumn);
            if (!PtInRect(&cell, pt)) {
                CancelPress();
                return;
            }
            if (m_dropDown != nullptr) {
                if (!m_dropDown->Contains(GetFocus()))
                    SetFocus(m_dropDown->Handle());
                m_dropDown->Size();
            }
            return;
        }
        case kTakeCloseTimer:
            KillTimer(Handle(), kTakeCloseTimer);
            CloseDropDown(m_dropTake);
            return;
        case kTakeTimer:
            KillTimer(Handle(), kTakeTimer);
            TakeDropDownChoice();
            return;
        default:
            return;
    }
}

// --- drawing ----------------------------------------------------------------------------

void CXListCtrl::Paint(HDC dc) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    win::MemDC memory(dc, &client);
    win::UniqueBrush background(CreateSolidBrush(m_colours.background));
    FillRect(memory, &client, background.get());
    // The platform lays the rows out; every cell is the list's own drawing,
    // done here for the rows in view. (Letting the platform paint and ask
    // for each cell costs more than the drawing itself.)
    static const controls::ListRow kNoData;
    const int count = RowCount();
    const int top = std::max(0, static_cast<int>(SendMessageW(Handle(), LVM_GETTOPINDEX, 0, 0)));
    const int last = top + static_cast<int>(SendMessageW(Handle(), LVM_GETCOUNTPERPAGE, 0, 0));
    for (int index = top; index < count && index <= last; ++index) {
        const bool selected =
            (SendMessageW(Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) & LVIS_SELECTED) != 0;
        const controls::ListRow* row = RowAtIndex(index);
        for (const auto& column : m_columns)
            DrawCell(memory, index, column.first, row != nullptr ? *row : kNoData, selected);
    }
}

void CXListCtrl::PaintBorder() {
    win::FrameWindowEdge(Handle(), m_colours.border);
}

void CXListCtrl::DrawCell(HDC dc, int index, int column, const controls::ListRow& row, bool selected) {
    const RECT cell = CellRectAt(index, column);
    if (IsRectEmpty(&cell))
        return;
    auto info = m_columns.find(column);
    const controls::Justify align = info != m_columns.end() ? info->second.align : controls::Justify::kLeft;
    const controls::CellColours colours = selected
                                              ? controls::CellColours{m_colours.hotText, m_colours.hotBackground}
                                              : controls::CellColours{m_colours.text, m_colours.background};
    const controls::ListCell* record =
        static_cast<size_t>(column) < row.cells.size() ? &row.cells[static_cast<size_t>(column)] : nullptr;
    const HFONT font = record != nullptr && record->bold && m_boldFont ? m_boldFont.get() : m_font;

    if (record != nullptr && record->hasDropDown &&
        (index == m_hotIndex || record->arrowPressed || (m_dropRow == &row && m_dropColumn == column))) {
        controls::DrawDropDownCell(dc, cell, TextAt(index, column), align, colours, font, record->arrowPressed);
        if (record->arrowPressed && m_dropDown == nullptr && !m_openPosted && m_pressedRow == &row) {
            m_openPosted = PostMessageW(Handle(), kOpenDropDownMessage, 0, 0) != FALSE;
        }
        return;
    }
    if (record != nullptr && record->check >= 0) {
        const bool checked = record->check == 1;
        controls::DrawCheckBoxCell(dc, cell, selected ? m_colours.hotBackground : m_colours.background,
                                   checked ? m_checkedPicture : m_uncheckedPicture, checked);
        return;
    }
    if (record != nullptr && record->progress >= 0) {
        controls::DrawProgressCell(dc, cell, record->progress, TextAt(index, column), colours, font);
        return;
    }
    controls::DrawTextCell(dc, cell, TextAt(index, column), align, colours, font);
}

LRESULT CXListCtrl::CustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            const int index = static_cast<int>(draw.nmcd.dwItemSpec);
            const bool selected =
                (SendMessageW(Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) & LVIS_SELECTED) != 0;
            static const controls::ListRow kNoData;
            const controls::ListRow* row = RowAtIndex(index);
            DrawCell(draw.nmcd.hdc, index, draw.iSubItem, row != nullptr ? *row : kNoData, selected);
            return CDRF_SKIPDEFAULT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

bool CXListCtrl::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_NOTIFY)
        return false;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header == nullptr || header->hwndFrom != Handle() || header->code != NM_CUSTOMDRAW)
        return false;
    result = CustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
    return true;
}

// --- messages ----------------------------------------------------------------------------

LRESULT CXListCtrl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CXComboList::ReturnMessage() || message == CXComboList::ButtonMessage()) {
        KillTimer(Handle(), kPressTimer);
        m_dropTake = true;
        SetTimer(Handle(), kTakeCloseTimer, kTakeInterval, nullptr);
        return 0;
    }
    if (message == CXComboList::KeyDownMessage()) {
        SetTimer(Handle(), kTakeTimer, kTakeInterval, nullptr);
        return 0;
    }
    if (message == CXComboList::EscapeMessage()) {
        KillTimer(Handle(), kPressTimer);
        if (!m_dropTake)  // a choice already made stays made
            SetTimer(Handle(), kTakeCloseTimer, kTakeInterval, nullptr);
        return 0;
    }
    const bool input = (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
                       (message >= WM_KEYFIRST && message <= WM_KEYLAST) || message == WM_VSCROLL ||
                       message == WM_HSCROLL || message == WM_PAINT || message == WM_PRINTCLIENT;
    if (input || message == kResumeRedrawMessage)
        ResumeRedraw();
    switch (message) {
        case kResumeRedrawMessage:
            return 0;
        case WM_PAINT: {
            win::PaintScope paint(Handle());
            Paint(paint.get());
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers the client area
        case WM_NCPAINT: {
            LRESULT result = Default(message, wParam, lParam);
            PaintBorder();
            return result;
        }
        case WM_LBUTTONDOWN:
            if (!OnLeftButtonDown(wParam, lParam))
                return 0;
            return Default(message, wParam, lParam);
        case WM_LBUTTONDBLCLK: {
            // The second press of a double click is a press too: a check box
            // toggles again, an arrow opens again, the page hears of it.
            if (!OnLeftButtonDown(wParam, lParam))
                return 0;
            LRESULT result = Default(message, wParam, lParam);
            OnDoubleClick(lParam);
            return result;
        }
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            if (m_menu == nullptr) {
                FinishEdit(true);  // any press in the list ends an edit
                break;
            }
            OnRightButtonDown(lParam);
            return 0;
        case WM_MBUTTONDOWN:
            FinishEdit(true);
            break;
        case WM_SHOWWINDOW:
            if (wParam == FALSE) {
                // A list going out of sight takes its editor and drop-down.
                FinishEdit(true);
                CloseDropDown(false);
            }
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(lParam);
            break;
        case WM_MOUSELEAVE:
            m_trackingLeave = false;
            if (m_hotIndex >= 0) {
                const int previous = m_hotIndex;
                m_hotIndex = -1;
                RepaintRow(previous);
            }
            break;
        case WM_VSCROLL:
        case WM_HSCROLL:
        case WM_MOUSEWHEEL:
            FinishEdit(true);
            CloseDropDown(false);
            break;
        case WM_TIMER:
            if (wParam == kPressTimer || wParam == kTakeCloseTimer || wParam == kTakeTimer) {
                OnTimer(wParam);
                return 0;
            }
            break;
        case kOpenDropDownMessage:
            OpenDropDown();
            return 0;
        case WM_CTLCOLOREDIT:
            if (reinterpret_cast<HWND>(lParam) == m_editor.Handle() && m_editor.Handle() != nullptr)
                return m_editor.ColourRequest(reinterpret_cast<HDC>(wParam));
            break;
        case WM_COMMAND:
            // The editor's notifications are the list's business only.
            if (reinterpret_cast<HWND>(lParam) == m_editor.Handle() && m_editor.Handle() != nullptr)
                return 0;
            break;
        case WM_DESTROY:
            m_dropDown.reset();
            KillTimer(Handle(), kPressTimer);
            KillTimer(Handle(), kTakeCloseTimer);
            KillTimer(Handle(), kTakeTimer);
            break;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

void CXListCtrl::OnWindowGone() {
    SetWindow(nullptr);
    m_editRow = nullptr;
    m_pressedRow = nullptr;
    m_dropRow = nullptr;
}

// --- skin ----------------------------------------------------------------------------------

void CXListCtrl::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    Colours colours;
    colours.text = skin::ColourAttribute(element, L"fontclr", colours.text);
    colours.hotText = skin::ColourAttribute(element, L"fontclrhi", colours.hotText);
    colours.background = skin::ColourAttribute(element, L"backclr", colours.background);
    colours.hotBackground = skin::ColourAttribute(element, L"backclrhi", colours.hotBackground);
    colours.border = skin::ColourAttribute(element, L"bdrclr", colours.border);
    auto item = std::make_unique<CXListCtrl>();
    if (!item->CreateWindowFor(context.Parent(), skin::ItemRect(element, id), id, context.Owner(), colours))
        return;
    if (HFONT font = skin::ItemFont(element, id, context))
        item->SetFont(font);
    if (const XmlElement* header = element.FindFirst(L"LISTHDR"))
        item->SetHeaderColours(skin::ColourAttribute(*header, L"backclr", colours.background),
                               skin::ColourAttribute(*header, L"fontclr", colours.text));
    item->SetSorted(skin::FlagAttribute(element, L"sorted"));
    for (const XmlElement* column : element.FindAll(L"LISTCOLUMN")) {
        const int32_t content = names::ListColumnItemId(column->Attribute(L"name").c_str());
        const int32_t type = names::ListColumnTypeId(column->Attribute(L"type").c_str());
        item->AddColumn(content, type, skin::Trim(column->Text()), skin::NumberAttribute(*column, L"width"),
                        controls::ParseJustify(column->Attribute(L"justify")));
    }
    context.Add(std::move(item));
}
