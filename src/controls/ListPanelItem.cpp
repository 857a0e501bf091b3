#include "controls/ListPanelItem.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <numeric>

#include "controls/ListPanelLimits.h"
#include "skin/LangTable.h"

namespace controls {
namespace {

ListPanelRunner g_runner = nullptr;

}  // namespace

std::wstring ShownEntryText(const std::wstring& text) {
    std::wstring shown;
    if (!lang::Resolve(text, shown))
        return text;
    return shown;
}

std::vector<int> DisplayOrder(const ListEntries& entries, bool sorted) {
    std::vector<int> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    if (!sorted || entries.size() < 2)
        return order;
    std::vector<std::wstring> shown;
    shown.reserve(entries.size());
    for (const ListEntry& entry : entries)
        shown.push_back(ShownEntryText(entry.text));
    std::stable_sort(order.begin(), order.end(), [&shown](int a, int b) {
        const std::wstring& x = shown[static_cast<size_t>(a)];
        const std::wstring& y = shown[static_cast<size_t>(b)];
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, x.c_str(), static_cast<int>(x.size()),
                              y.c_str(), static_cast<int>(y.size())) == CSTR_LESS_THAN;
    });
    return order;
}

ListPanelLook ReadListPanelLook(const XmlElement& element, int32_t id, const skin::SkinContext& context) {
    ListPanelLook look;
    look.text = skin::ColourAttribute(element, L"fontclr", look.text);
    look.hotText = skin::ColourAttribute(element, L"fontclrhi", look.hotText);
    look.background = skin::ColourAttribute(element, L"backclr", look.background);
    look.hotBackground = skin::ColourAttribute(element, L"backclrhi", look.hotBackground);
    look.border = skin::ColourAttribute(element, L"bdrclr", look.border);
    if (element.HasAttribute(L"bdrwidth"))
        look.borderWidth = std::clamp(skin::NumberAttribute(element, L"bdrwidth"), 0, kMaxBorderWidth);
    look.font = skin::ItemFont(element, id, context);
    look.sorted = skin::FlagAttribute(element, L"sorted");
    look.scrollBar = ReadScrollBarPictures(element);
    return look;
}

void SetListPanelRunner(ListPanelRunner runner) {
    g_runner = runner;
}

bool HasListPanelRunner() {
    return g_runner != nullptr;
}

int RunListPanel(const ListPanelRequest& request) {
    if (request.entries == nullptr || request.entries->empty())
        return -1;
    if (g_runner == nullptr) {
        OutputDebugStringW(L"list panel: no runner installed, nothing opens\n");
        return -1;
    }
    const int chosen = g_runner(request);
    return chosen >= 0 && static_cast<size_t>(chosen) < request.entries->size() ? chosen : -1;
}

int RectWidth(const RECT& rect) {
    return static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(rect.right) - rect.left, 0, 32767));
}

int RectHeight(const RECT& rect) {
    return static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(rect.bottom) - rect.top, 0, 32767));
}

int ListPanelHeight(int rows, int borderWidth) {
    return std::max(rows, 0) * kListRowHeight + std::clamp(borderWidth, 0, kMaxBorderWidth);
}

}  // namespace controls

CListPanelItem::CListPanelItem() {
    SetType(kItemListPanel);
}

void CListPanelItem::SetSize(int width, int height) {
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
}

int CListPanelItem::Width() const {
    return m_width > 0 ? m_width : controls::kDefaultListWidth;
}

int CListPanelItem::AddEntry(const std::wstring& text, CListPanelItem* subList) {
    m_entries.push_back(controls::ListEntry{text, subList});
    return static_cast<int>(m_entries.size()) - 1;
}

void CListPanelItem::SetEntries(const std::vector<std::wstring>& texts) {
    controls::ListEntries entries;
    entries.reserve(texts.size());
    for (const std::wstring& text : texts)
        entries.push_back(controls::ListEntry{text, nullptr});
    m_entries = std::move(entries);
}

std::wstring CListPanelItem::EntryText(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_entries.size())
        return {};
    return m_entries[static_cast<size_t>(index)].text;
}

int CListPanelItem::FindEntry(const std::wstring& text) const {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].text == text)
            return static_cast<int>(i);
    }
    return -1;
}

int CListPanelItem::Show(HWND owner, POINT at, int height) {
    if (owner != nullptr)
        ClientToScreen(owner, &at);
    controls::ListPanelRequest request;
    request.owner = owner;
    request.anchor = RECT{at.x, at.y, at.x, at.y};
    request.opening = controls::ListPanelOpening::kAtPoint;
    if (height <= 0)
        height = m_height > 0 ? m_height : controls::ListPanelHeight(EntryCount(), m_look.borderWidth);
    request.size = SIZE{Width(), height};
    return Run(request);
}

int CListPanelItem::ShowBeside(HWND owner, const RECT& rowOnScreen) {
    const int rows = std::clamp(EntryCount(), 1, std::max(listpanel::Limits().subListRows, 1));
    controls::ListPanelRequest request;
    request.owner = owner;
    request.anchor = rowOnScreen;
    request.opening = controls::ListPanelOpening::kBeside;
    request.size = SIZE{Width(), controls::ListPanelHeight(rows, m_look.borderWidth)};
    return Run(request);
}

int CListPanelItem::Run(controls::ListPanelRequest& request) {
    m_chosenText.clear();
    // A list that names itself as a sub-list cannot open inside itself.
    if (m_showing || m_entries.empty())
        return -1;
    request.entries = &m_entries;
    request.look = m_look;
    m_showing = true;
    const int chosen = controls::RunListPanel(request);
    m_showing = false;
    if (chosen < 0 || static_cast<size_t>(chosen) >= m_entries.size())
        return -1;
    m_chosenText = m_entries[static_cast<size_t>(chosen)].text;
    return chosen;
}

void CListPanelItem::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    auto item = std::make_unique<CListPanelItem>();
    item->SetId(id);
    item->SetOwner(context.Owner());
    const RECT rect = skin::ItemRect(element, id);
    item->SetRect(rect);
    item->SetSize(controls::RectWidth(rect), controls::RectHeight(rect));
    item->SetLook(controls::ReadListPanelLook(element, id, context));
    if (const XmlElement* list = element.FindFirst(L"LISTPANELITEMS")) {
        for (const XmlElement* entry : list->FindAll(L"LISTPANELITEM"))
            item->AddEntry(skin::Trim(entry->Text()));
    }
    context.Add(std::move(item));
}
