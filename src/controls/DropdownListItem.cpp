#include "controls/DropdownListItem.h"

#include <algorithm>
#include <memory>

#include "controls/ItemText.h"
#include "controls/ListPanelLimits.h"
#include "skin/ControlIds.h"
#include "win/Gdi.h"
#include "win/MemDC.h"
#include "skin/LangTable.h"

namespace {

// The box whose bottom edge stays drawn while its list is open.
constexpr int32_t kAlwaysClosedBottom = ctl::LIST_GLOBALMACROLIST;
// The arrow: a downward triangle this wide and high.
constexpr int kArrowWidth = 9;
constexpr int kArrowHeight = 5;
constexpr int kTextIndent = 4;

void FillColour(HDC dc, const RECT& rect, COLORREF colour) {
    win::UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.get());
}

}  // namespace

bool CDropdownListItem::CreateWindowFor(HWND parent, const RECT& box, int32_t id, void* owner,
                                        const Look& look) {
    m_look = look;
    m_look.list.borderWidth = std::clamp(m_look.list.borderWidth, 0, controls::kMaxBorderWidth);
    SetId(id);
    SetType(kItemDropdown);
    SetOwner(owner);
    SetRect(box);
    HWND hwnd = CreateControl(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, box, parent);
    SetWindow(hwnd);
    if (hwnd == nullptr)
        return false;
    if (m_look.list.font != nullptr)
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_look.list.font), FALSE);
    return true;
}

int CDropdownListItem::AddEntry(const std::wstring& text, CListPanelItem* subList) {
    m_entries.push_back(controls::ListEntry{text, subList});
    return EntryCount() - 1;
}

int CDropdownListItem::InsertEntry(int index, const std::wstring& text, CListPanelItem* subList) {
    if (index < 0 || index > EntryCount())
        return -1;
    m_entries.insert(m_entries.begin() + index, controls::ListEntry{text, subList});
    return index;
}

std::wstring CDropdownListItem::EntryText(int index) const {
    if (index < 0 || index >= EntryCount())
        return {};
    return m_entries[static_cast<size_t>(index)].text;
}

int CDropdownListItem::FindEntry(const std::wstring& text) const {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].text == text)
            return static_cast<int>(i);
    }
    return -1;
}

bool CDropdownListItem::SelectEntry(int index, const std::wstring& secondText) {
    if (index < 0 || index >= EntryCount())
        return false;
    m_text = m_entries[static_cast<size_t>(index)].text;
    m_secondText = secondText;
    Invalidate();
    return true;
}

void CDropdownListItem::ClearSelection() {
    m_text.clear();
    m_secondText.clear();
    Invalidate();
}

std::wstring CDropdownListItem::DisplayText() const {
    std::wstring shown = controls::ShownEntryText(m_text);
    if (!m_secondText.empty())
        shown += lang::NameSeparator() + m_secondText;
    return shown;
}

void CDropdownListItem::SetDisabled(bool disabled) {
    if (m_disabled == disabled)
        return;
    m_disabled = disabled;
    Invalidate();
}

int CDropdownListItem::ListHeight() const {
    if (m_look.listHeight > 0)
        return m_look.listHeight;
    const int rows = std::clamp(EntryCount(), 1, std::max(listpanel::Limits().dropDownRows, 1));
    return controls::ListPanelHeight(rows, m_look.list.borderWidth);
}

int CDropdownListItem::Open() {
    HWND hwnd = Handle();
    if (hwnd == nullptr || m_disabled || m_dropped)
        return -1;
    HWND parent = GetParent(hwnd);
    // The parent may refill the entries (or disable the box) now.
    SendMessageW(parent, kOpeningMessage, 0, reinterpret_cast<LPARAM>(hwnd));
    if (!IsWindow(hwnd) || Handle() != hwnd || m_disabled || m_entries.empty())
        return -1;

    RECT box = {};
    GetWindowRect(hwnd, &box);
    controls::ListPanelRequest request;
    request.entries = &m_entries;
    request.owner = GetAncestor(hwnd, GA_ROOT);
    request.anchor = box;
    request.opening = controls::ListPanelOpening::kBelow;
    request.size = SIZE{box.right - box.left, ListHeight()};
    request.look = m_look.list;

    m_dropped = true;
    Invalidate();
    const int chosen = controls::RunListPanel(request);
    if (!IsWindow(hwnd) || Handle() != hwnd)
        return -1;  // the box went while its list was open
    m_dropped = false;
    Invalidate();
    if (chosen < 0 || chosen >= EntryCount())
        return -1;

    const controls::ListEntry& entry = m_entries[static_cast<size_t>(chosen)];
    std::wstring second;
    if (entry.subList != nullptr) {
        // An entry with a sub-list counts only with one of its entries.
        second = entry.subList->ChosenText();
        if (second.empty() || entry.subList->FindEntry(second) < 0)
            return -1;
    }
    m_text = entry.text;
    m_secondText = std::move(second);
    Invalidate();
    SendMessageW(parent, kChosenMessage, static_cast<WPARAM>(chosen), reinterpret_cast<LPARAM>(hwnd));
    return chosen;
}

void CDropdownListItem::Paint(HDC dc) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    win::MemDC memory(dc, &client);
    const controls::ListPanelLook& look = m_look.list;
    const int w = client.right;
    const int h = client.bottom;
    const int b = std::min({look.borderWidth, w / 2, h / 2});
    FillColour(memory, client, m_disabled ? m_look.disabledBackground : look.background);

    const COLORREF border = m_disabled ? m_look.disabledBorder : look.border;
    if (b > 0) {
        FillColour(memory, RECT{0, 0, b, h}, border);
        FillColour(memory, RECT{0, 0, w, b}, border);
        FillColour(memory, RECT{w - b, 0, w, h}, border);
        // Open, the box runs on into its list.
        if (!m_dropped || Id() == kAlwaysClosedBottom)
            FillColour(memory, RECT{0, h - b, w, h}, border);
    }

    // The arrow, centred in a square as tall as the box at its right end.
    const int square = std::min(h, w);
    const int arrowLeft = w - square + (square - kArrowWidth) / 2;
    const int arrowTop = (h - kArrowHeight) / 2;
    for (int row = 0; row < kArrowHeight; ++row)
        FillColour(memory, RECT{arrowLeft + row, arrowTop + row, arrowLeft + kArrowWidth - row, arrowTop + row + 1},
                   look.text);

    const std::wstring text = DisplayText();
    if (!text.empty()) {
        win::SaveDCGuard saved(memory);
        win::UniqueFont fallback;
        controls::PrepareItemText(memory, look.font, look.text, fallback);
        RECT area = {b + kTextIndent, b, w - square, h - b};
        DrawTextW(memory, text.c_str(), static_cast<int>(text.size()), &area,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
}

void CDropdownListItem::Invalidate() {
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT CDropdownListItem::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
        case WM_NCHITTEST:
            return HTCLIENT;  // a static control would let the press through to its parent
        case WM_LBUTTONDOWN:
            Open();
            return 0;
        default:
            return Default(message, wParam, lParam);
    }
}

void CDropdownListItem::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    Look look;
    look.list = controls::ReadListPanelLook(element, id, context);
    look.disabledBackground = skin::ColourAttribute(element, L"disbbackclr", look.disabledBackground);
    look.disabledBorder = skin::ColourAttribute(element, L"disbbdrclr", look.disabledBorder);
    if (const XmlElement* list = element.FindFirst(L"CLIST"))
        look.listHeight = std::clamp(skin::NumberAttribute(*list, L"height"), 0, 32767);
    auto box = std::make_unique<CDropdownListItem>();
    if (!box->CreateWindowFor(context.Parent(), skin::ItemRect(element, id), id, context.Owner(), look))
        return;
    for (const XmlElement* entry : element.FindAll(L"COMBOITEM"))
        box->AddEntry(skin::Trim(entry->Text()));
    context.Add(std::move(box));
}
