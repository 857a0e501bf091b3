#include "skin/SkinLoader.h"

#include <cwctype>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include "skin/FontItem.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/ResourceCache.h"
#include "win/ModuleDir.h"

namespace skin {
namespace {

// --- the grammar ---------------------------------------------------------------

struct ItemRule {
    const wchar_t* element;
    bool firstOnly;
};
struct ListRule {
    const wchar_t* list;  // null: the item elements lie anywhere below the root
    ItemRule items[4];
};

// Read in this order; within a list, every element of the first item name
// before any of the second.
constexpr ListRule kLists[] = {
    {L"LANGLIST", {{L"LANG", false}}},
    {L"FONTLIST", {{L"FONT", false}}},
    {L"BITMAPLIST", {{L"BITMAPITEM", false}, {L"BITMAPWINDOW", false}}},
    {L"BUTTONLIST", {{L"BUTTON", false}, {L"PROFBUTTON", true}, {L"AVIBUTTON", true}}},
    {L"SLIDERLIST",
     {{L"VSLIDER", false}, {L"HSLIDERM", false}, {L"HSLIDERMAPM", false}, {L"DMARKER", false}}},
    {L"TEXTLIST", {{L"TEXTITEM", false}}},
    {L"DPISTAGELIST", {{L"DPISTAGEWINDOW", false}}},
    {nullptr, {{L"MACRODISPLAY", true}}},
    {L"COMBOLIST", {{L"LISTCTRL", false}, {L"COMBO", false}}},
    {L"LISTPANELLIST", {{L"LISTPANEL", false}}},
    {L"EDITCTRLLIST", {{L"EDITCTRL", false}, {L"EDITCTRLSK", false}}},
};

constexpr int32_t kBackgroundId = 0;
constexpr int32_t kMaskId = 1;

// --- the creation table ----------------------------------------------------------

struct Factory {
    std::wstring element;
    CreateItemFn create;
};

std::vector<Factory>& Factories() {
    static std::vector<Factory> table;
    return table;
}

// LANG: a language table, kept in the list like any item.
void CreateLanguage(const XmlElement& element, int32_t, SkinContext& context) {
    std::unique_ptr<CLangTable> table = ReadLangElement(element, context.Owner());
    if (table != nullptr)
        context.Add(std::move(table));
}

// The loader's own element; the controls' are registered from start-up.
void EnsureFactories() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (ItemCreator(L"LANG") == nullptr)
            RegisterItem(L"LANG", CreateLanguage);
    });
}

// --- language overrides ------------------------------------------------------------

bool OverrideText(int32_t id, const wchar_t* attribute, std::wstring& out) {
    const auto* record = lang::OverrideOf(id, attribute);
    if (record == nullptr)
        return false;
    out = record->Text();
    return true;
}

bool OverrideRect(int32_t id, RECT& out) {
    const auto* record = lang::OverrideOf(id, L"RECT");
    int32_t values[4] = {};
    if (record == nullptr || !record->Numbers(values))
        return false;
    out = CornerRect(values[0], values[1], values[2], values[3]);
    return true;
}

// --- reading ---------------------------------------------------------------------

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

// One panel bitmap through the creation function of its element, with the
// fixed id. False when the function is missing or made nothing.
bool ReadPanelBitmap(const XmlElement& element, int32_t id, SkinContext& context) {
    CreateItemFn create = ItemCreator(element.Name().c_str());
    if (create == nullptr)
        return false;
    const size_t before = context.Items().size();
    create(element, id, context);
    return context.Items().size() > before;
}

// BACKGROUND and MASK of a GUIPANEL. False when either cannot be made, and
// then neither stays in the list; a panel without a MASK element stays
// rectangular.
bool ReadPanelBitmaps(const XmlElement& panel, SkinContext& context) {
    const XmlElement* background = panel.FindFirst(L"BACKGROUND");
    if (background == nullptr)
        return false;
    ItemList& items = context.Items();
    const size_t before = items.size();
    bool made = ReadPanelBitmap(*background, kBackgroundId, context);
    if (made) {
        if (const XmlElement* mask = panel.FindFirst(L"MASK"))
            made = ReadPanelBitmap(*mask, kMaskId, context);
    }
    if (!made) {
        while (items.size() > before)
            items.pop_back();  // last made first
    }
    return made;
}

void ReadItem(const XmlElement& element, SkinContext& context) {
    CreateItemFn create = ItemCreator(element.Name().c_str());
    if (create == nullptr)
        return;  // no control class for this element (yet)
    int32_t id = names::ControlId(element.Attribute(L"name").c_str());
    if (id < 0)
        return;
    create(element, id, context);
}

void ReadLists(const XmlElement& root, SkinContext& context) {
    for (const ListRule& rule : kLists) {
        const XmlElement* list = rule.list != nullptr ? root.FindFirst(rule.list) : &root;
        if (list == nullptr)
            continue;
        for (const ItemRule& item : rule.items) {
            if (item.element == nullptr)
                break;
            if (item.firstOnly) {
                if (const XmlElement* first = list->FindFirst(item.element))
                    ReadItem(*first, context);
                continue;
            }
            for (const XmlElement* element : list->FindAll(item.element))
                ReadItem(*element, context);
        }
    }
}

}  // namespace

// --- SkinContext -------------------------------------------------------------------

CGUIItem* SkinContext::Find(int32_t id, int32_t type) const {
    return FindItem(m_items, id, type);
}

void SkinContext::Add(std::unique_ptr<CGUIItem> item) {
    if (item != nullptr)
        m_items.push_back(std::move(item));
}

// --- the table ---------------------------------------------------------------------

void RegisterItem(const wchar_t* elementName, CreateItemFn create) {
    if (elementName == nullptr)
        return;
    for (Factory& factory : Factories()) {
        if (factory.element == elementName) {
            factory.create = create;
            return;
        }
    }
    Factories().push_back(Factory{elementName, create});
}

CreateItemFn ItemCreator(const wchar_t* elementName) {
    if (elementName == nullptr)
        return nullptr;
    for (const Factory& factory : Factories()) {
        if (factory.element == elementName)
            return factory.create;
    }
    return nullptr;
}

// --- loading -----------------------------------------------------------------------

void LoadSkinFile(const std::wstring& fileName, ItemList& items, HWND parent, void* owner) {
    if (fileName.empty())
        return;
    const std::wstring path = app::ModuleFile(L"xml\\", fileName);
    XmlDocument document;
    if (!document.Load(path))
        return;
    LoadSkinDocument(document, items, parent, owner);
}

void LoadSkinDocument(const XmlDocument& document, ItemList& items, HWND parent, void* owner) {
    EnsureFactories();
    SkinContext context(items, parent, owner);
    const XmlElement* panel = document.FindFirst(L"GUIPANEL");
    if (panel != nullptr && panel->HasContent()) {
        if (!ReadPanelBitmaps(*panel, context))
            return;
        ReadLists(*panel, context);
        return;
    }
    const XmlElement* list = document.FindFirst(L"ITEMLIST");
    if (list != nullptr && list->HasContent())
        ReadLists(*list, context);
}

// --- shared pieces -------------------------------------------------------------------

int32_t ParseNumber(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    int64_t value = 0;
    constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > kLimit)
            value = kLimit;  // saturate, keep reading digits
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value >= kLimit ? kLimit - 1 : value);
}

int32_t NumberAttribute(const XmlElement& element, const wchar_t* name) {
    return ParseNumber(element.Attribute(name));
}

bool FlagAttribute(const XmlElement& element, const wchar_t* name) {
    return NumberAttribute(element, name) != 0;
}

RECT CornerRect(int64_t x, int64_t y, int64_t width, int64_t height) {
    auto clamp = [](int64_t v) {
        constexpr int64_t lo = std::numeric_limits<int32_t>::min();
        constexpr int64_t hi = std::numeric_limits<int32_t>::max();
        return static_cast<LONG>(v < lo ? lo : (v > hi ? hi : v));
    };
    return RECT{clamp(x), clamp(y), clamp(x + width), clamp(y + height)};
}

RECT ReadRect(const XmlElement* rectElement) {
    if (rectElement == nullptr)
        return RECT{0, 0, 0, 0};
    return CornerRect(NumberAttribute(*rectElement, L"left"), NumberAttribute(*rectElement, L"top"),
                      NumberAttribute(*rectElement, L"right"), NumberAttribute(*rectElement, L"bottom"));
}

RECT ItemRect(const XmlElement& element, int32_t id) {
    RECT rect = {};
    if (OverrideRect(id, rect))
        return rect;
    return ReadRect(element.FindFirst(L"RECT"));
}

RECT OwnItemRect(const XmlElement& element, int32_t id) {
    RECT rect = {};
    if (OverrideRect(id, rect))
        return rect;
    for (const auto& child : element.Children()) {
        if (child->Name() == L"RECT")
            return ReadRect(child.get());
    }
    return rect;
}

COLORREF ColourAttribute(const XmlElement& element, const wchar_t* name, COLORREF fallback) {
    const std::wstring& value = element.Attribute(name);
    if (value.empty())
        return fallback;
    int32_t colour = names::ColourValue(value.c_str());
    return colour < 0 ? fallback : static_cast<COLORREF>(colour);
}

std::wstring OverriddenAttribute(const XmlElement& element, int32_t id, const wchar_t* name, bool* present) {
    std::wstring value;
    if (OverrideText(id, name, value)) {
        if (present != nullptr)
            *present = true;
        return value;
    }
    if (present != nullptr)
        *present = element.HasAttribute(name);
    return element.Attribute(name);
}

int32_t FontIdOf(const XmlElement& element, int32_t id) {
    std::wstring name;
    if (OverrideText(id, L"fontid", name))
        return names::ControlId(name.c_str());
    const std::wstring& declared = element.Attribute(L"fontid");
    if (declared.empty())
        return -1;
    int32_t fontId = names::ControlId(declared.c_str());
    return fontId < 0 ? -1 : lang::FontOf(fontId);
}

HFONT ItemFont(const XmlElement& element, int32_t id, const SkinContext& context) {
    int32_t fontId = FontIdOf(element, id);
    if (fontId < 0)
        return nullptr;
    auto* font = dynamic_cast<CFontItem*>(context.Find(fontId, kItemFont));
    if (font == nullptr) {
        // A language's replacement that this file does not declare leaves
        // the item the file's own font, not none.
        const int32_t declared = names::ControlId(element.Attribute(L"fontid").c_str());
        if (declared >= 0 && declared != fontId)
            font = dynamic_cast<CFontItem*>(context.Find(declared, kItemFont));
    }
    return font != nullptr ? font->Font() : nullptr;
}

std::wstring Trim(const std::wstring& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::iswspace(text[begin]))
        ++begin;
    while (end > begin && std::iswspace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::wstring ChildText(const XmlElement& element, const wchar_t* childName) {
    const XmlElement* child = element.FindFirst(childName);
    return child != nullptr ? Trim(child->Text()) : std::wstring();
}

HBITMAP LoadPicture(const std::wstring& file) {
    if (file.empty())
        return nullptr;
    return CResourceCache::Instance().Get(file.c_str(), kResourcePicture)->Bitmap();
}

HBITMAP LoadDibSection(const std::wstring& file) {
    if (file.empty())
        return nullptr;
    return CResourceCache::Instance().Get(file.c_str(), kResourceDibSection)->Bitmap();
}

}  // namespace skin
