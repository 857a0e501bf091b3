#include "skin/LangTable.h"

#include <cstring>
#include <limits>

#include "skin/NameTables.h"
#include "skin/ResourceCache.h"
#include "xml/XmlDocument.h"

namespace {

constexpr wchar_t kCarriageReturn = 13;
constexpr wchar_t kLineFeed = 10;
constexpr wchar_t kByteOrderMark = 0xFEFF;

bool EqualIgnoringCase(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength) {
    if (aLength != bLength)
        return false;
    if (aLength == 0)
        return true;
    return CompareStringOrdinal(a, static_cast<int>(aLength), b, static_cast<int>(bLength), TRUE) ==
           CSTR_EQUAL;
}

bool EqualIgnoringCase(const std::wstring& a, const wchar_t* b) {
    return b != nullptr && EqualIgnoringCase(a.c_str(), a.size(), b, wcslen(b));
}

// The key as look-ups see it: blanks left out, up to the first line end, at
// most kMaxKeyLength characters. `overlong` tells that more would have
// followed.
std::wstring NormalisedKey(const std::wstring& key, bool& overlong) {
    std::wstring out;
    overlong = false;
    for (wchar_t c : key) {
        if (c == kCarriageReturn || c == kLineFeed || c == L'\0')
            break;
        if (c == L' ')
            continue;
        if (out.size() == CLangTable::kMaxKeyLength) {
            overlong = true;
            break;
        }
        out.push_back(c);
    }
    return out;
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == kCarriageReturn || c == kLineFeed;
}

std::wstring Trimmed(const std::wstring& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

// Decimal with an optional sign, leading blanks skipped, stopping at the
// first non-digit; 0 without digits; saturated to 32 bits.
int32_t ParseNumber(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
        negative = text[i++] == L'-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > std::numeric_limits<int32_t>::max())
            return negative ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(negative ? -value : value);
}

// The attribute whose name is `name` ignoring case; -1 when none.
int AttributeIndex(const XmlElement& element, const wchar_t* name) {
    for (size_t i = 0; i < element.AttributeCount(); ++i) {
        if (EqualIgnoringCase(element.AttributeName(i), name))
            return static_cast<int>(i);
    }
    return -1;
}

// The first direct child of the name, or null.
const XmlElement* Child(const XmlElement& element, const wchar_t* name) {
    for (const auto& child : element.Children()) {
        if (child->Name() == name)
            return child.get();
    }
    return nullptr;
}

std::vector<uint8_t> BytesOf(const wchar_t* text, size_t characters, size_t fieldBytes) {
    std::vector<uint8_t> bytes(fieldBytes, 0);
    std::memcpy(bytes.data(), text, characters * sizeof(wchar_t));
    return bytes;
}

// Wide characters from a byte block, up to a terminator or the block's end.
std::wstring TextOf(const std::vector<uint8_t>& bytes) {
    std::wstring out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto c = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == L'\0')
            break;
        out.push_back(c);
    }
    return out;
}

void ReadFontReplacement(const XmlElement& element, CLangTable& table) {
    int32_t from = names::ControlId(element.Attribute(L"fontsearch").c_str());
    if (from < 0)
        return;
    int32_t to = names::ControlId(element.Attribute(L"fontreplace").c_str());
    if (to >= 0)
        table.SetFontReplacement(from, to);
}

void ReadOverride(const XmlElement& element, CLangTable& table) {
    const size_t count = element.AttributeCount();
    if (count != 1 && count != 2)
        return;
    const int nameIndex = AttributeIndex(element, L"name");
    if (nameIndex < 0)
        return;
    const int32_t itemId = names::ControlId(element.AttributeValue(static_cast<size_t>(nameIndex)).c_str());
    if (itemId < 0)
        return;
    if (count == 2) {
        const size_t other = nameIndex == 0 ? 1 : 0;
        table.AddOverride(
            LangOverride::MakeText(itemId, element.AttributeName(other), element.AttributeValue(other)));
        return;
    }
    if (const XmlElement* rect = Child(element, L"RECT")) {
        const int32_t numbers[4] = {
            ParseNumber(rect->Attribute(L"left")), ParseNumber(rect->Attribute(L"top")),
            ParseNumber(rect->Attribute(L"right")), ParseNumber(rect->Attribute(L"bottom"))};
        table.AddOverride(LangOverride::MakeRect(itemId, numbers));
        return;
    }
    for (const wchar_t* face : {L"SBMN", L"SBMO", L"SBMD", L"SBMDS", L"SBMM"}) {
        if (const XmlElement* bitmap = Child(element, face))
            table.AddOverride(LangOverride::MakeBitmap(itemId, face, Trimmed(bitmap->Text())));
    }
}

// The register: one slot per language number. Plain pointers with static
// storage, so that a table destroyed late in the process still finds it.
CLangTable* g_register[lang::kLastLanguage - lang::kFirstLanguage + 1] = {};
CLangTable* g_current = nullptr;
// The current language's NameSeparator, looked up once ("" until then); it
// is asked for while items paint.
std::wstring g_separator;

void SetCurrent(CLangTable* table) {
    g_current = table;
    g_separator.clear();
}

bool IsLanguageNumber(int32_t id) {
    return id >= lang::kFirstLanguage && id <= lang::kLastLanguage;
}

}  // namespace

// --- LangOverride ------------------------------------------------------------------

LangOverride LangOverride::MakeText(int32_t itemId, std::wstring attribute, const std::wstring& text) {
    return LangOverride(itemId, std::move(attribute), Shape::Text,
                        BytesOf(text.c_str(), text.size(), (text.size() + 1) * sizeof(wchar_t)));
}

LangOverride LangOverride::MakeRect(int32_t itemId, const int32_t (&numbers)[4]) {
    std::vector<uint8_t> bytes(sizeof(numbers));
    std::memcpy(bytes.data(), numbers, sizeof(numbers));
    return LangOverride(itemId, L"RECT", Shape::Rect, std::move(bytes));
}

LangOverride LangOverride::MakeBitmap(int32_t itemId, std::wstring element, const std::wstring& fileName) {
    constexpr size_t kMaxCharacters = kBitmapFieldBytes / sizeof(wchar_t) - 1;
    size_t length = fileName.size() < kMaxCharacters ? fileName.size() : kMaxCharacters;
    if (length < fileName.size() && length > 0 && IS_HIGH_SURROGATE(fileName[length - 1]))
        --length;
    return LangOverride(itemId, std::move(element), Shape::Bitmap,
                        BytesOf(fileName.c_str(), length, kBitmapFieldBytes));
}

std::wstring LangOverride::Text() const {
    return TextOf(m_value);
}

bool LangOverride::Numbers(int32_t (&out)[4]) const {
    if (m_shape != Shape::Rect || m_value.size() != sizeof(out))
        return false;
    std::memcpy(out, m_value.data(), sizeof(out));
    return true;
}

std::wstring LangOverride::BitmapName() const {
    return m_shape == Shape::Bitmap ? TextOf(m_value) : std::wstring();
}

// --- CLangTable ----------------------------------------------------------------------

CLangTable::CLangTable() {
    SetType(kItemLanguage);
}

CLangTable::~CLangTable() {
    lang::Unregister(this);
}

void CLangTable::AddEntry(std::wstring key, std::wstring text) {
    bool overlong = false;
    std::wstring lookup = NormalisedKey(key, overlong);
    m_lookupKeys.emplace_back(std::move(lookup), overlong);
    m_entries.emplace_back(std::move(key), std::move(text));
}

bool CLangTable::Resolve(const std::wstring& text, std::wstring& out) const {
    if (text.empty() || (text[0] != L'$' && text[0] != L'#'))
        return false;
    const bool prefix = text[0] == L'#';
    // Up to a terminator, as the key would read in a C string.
    const wchar_t* wanted = text.c_str() + 1;
    const size_t wantedLength = wcslen(wanted);
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const std::wstring& key = m_lookupKeys[i].first;
        const bool overlong = m_lookupKeys[i].second;
        bool match = false;
        if (prefix)
            match = key.size() >= wantedLength &&
                    EqualIgnoringCase(key.c_str(), wantedLength, wanted, wantedLength);
        else
            match = !overlong && EqualIgnoringCase(key.c_str(), key.size(), wanted, wantedLength);
        if (match) {
            out = m_entries[i].second;
            return true;
        }
    }
    return false;
}

int32_t CLangTable::FontOf(int32_t fontId) const {
    auto found = m_fonts.find(fontId);
    return found != m_fonts.end() ? found->second : fontId;
}

void CLangTable::AddOverride(LangOverride record) {
    for (auto& existing : m_overrides) {
        if (existing.ItemId() == record.ItemId() &&
            EqualIgnoringCase(existing.Attribute(), record.Attribute().c_str())) {
            existing = std::move(record);
            return;
        }
    }
    m_overrides.push_back(std::move(record));
}

const LangOverride* CLangTable::OverrideOf(int32_t itemId, const wchar_t* attribute) const {
    if (attribute == nullptr)
        return nullptr;
    for (const auto& record : m_overrides) {
        if (record.ItemId() == itemId && EqualIgnoringCase(record.Attribute(), attribute))
            return &record;
    }
    return nullptr;
}

// --- reading ---------------------------------------------------------------------------

bool ParseLangText(const void* bytes, size_t size, CLangTable& table) {
    if (bytes == nullptr)
        return false;
    const auto* data = static_cast<const uint8_t*>(bytes);
    const size_t count = size / 2;
    auto at = [data](size_t i) { return static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8)); };

    size_t line = 0;
    std::wstring key;
    bool added = false;
    size_t i = 0;
    while (i < count) {
        wchar_t c = at(i);
        if (c == L'\0')
            break;
        if (c == kCarriageReturn || c == kLineFeed) {
            ++i;  // a run of line ends: blank lines do not count
            continue;
        }
        std::wstring text;
        for (; i < count && (c = at(i)) != L'\0' && c != kCarriageReturn && c != kLineFeed; ++i)
            text.push_back(c);
        if (line == 0) {
            if (!text.empty() && text[0] == kByteOrderMark)
                text.erase(0, 1);
            table.SetTitle(std::move(text));
        } else if (line >= 2) {
            if (EqualIgnoringCase(text, L"END OF FILE"))
                break;
            if (line % 2 == 0) {
                key = std::move(text);
            } else {
                table.AddEntry(std::move(key), std::move(text));
                key.clear();
                added = true;
            }
        }
        ++line;
    }
    return added;
}

std::unique_ptr<CLangTable> ReadLangElement(const XmlElement& lang, void* owner) {
    const int32_t id = names::ControlId(lang.Attribute(L"name").c_str());
    if (id < 0)
        return nullptr;
    const ResourceEntry* file =
        CResourceCache::Instance().Get(lang.Attribute(L"file").c_str(), kResourceRawBytes);
    if (file == nullptr || file->Bytes() == nullptr || file->Size() <= 0)
        return nullptr;

    auto table = std::make_unique<CLangTable>();
    ParseLangText(file->Bytes(), static_cast<size_t>(file->Size()), *table);  // a table without pairs is kept
    table->SetKeyboardLayout(GetKeyboardLayout(0));
    for (const auto& child : lang.Children()) {
        if (child->Name() == L"LANGFONT")
            ReadFontReplacement(*child, *table);
        else if (child->Name() == L"LANGOVERRIDE")
            ReadOverride(*child, *table);
    }
    table->SetId(id);
    table->SetOwner(owner);
    lang::Register(table.get());  // refused for ids that are no language number
    return table;
}

// --- the register and the current language ---------------------------------------

namespace lang {

bool Register(CLangTable* table) {
    if (table == nullptr || !IsLanguageNumber(table->Id()))
        return false;
    g_register[table->Id() - kFirstLanguage] = table;
    return true;
}

void Unregister(const CLangTable* table) {
    if (table == nullptr)
        return;
    for (CLangTable*& slot : g_register) {
        if (slot == table)
            slot = nullptr;
    }
    if (g_current == table)
        SetCurrent(nullptr);
}

CLangTable* Find(int32_t id) {
    return IsLanguageNumber(id) ? g_register[id - kFirstLanguage] : nullptr;
}

CLangTable* SelectCurrent(int32_t id) {
    CLangTable* table = Find(id);
    if (table == nullptr)
        table = Find(kFirstLanguage);
    SetCurrent(table);
    return table;
}

CLangTable* Current() {
    return g_current;
}

void ClearRegister() {
    for (CLangTable*& slot : g_register)
        slot = nullptr;
    SetCurrent(nullptr);
}

bool Resolve(const std::wstring& text, std::wstring& out) {
    if (g_current == nullptr)
        return false;
    if (g_current->Resolve(text, out))
        return true;
    // A key that a translation lacks (a file cut short, a key added since)
    // shows the English text rather than the bare key.
    const CLangTable* english = Find(kFirstLanguage);
    return english != nullptr && english != g_current && english->Resolve(text, out);
}

std::wstring NameSeparator() {
    if (g_separator.empty() && (!Resolve(L"$NameSeparator", g_separator) || g_separator.empty()))
        g_separator = L": ";
    return g_separator;
}

int32_t FontOf(int32_t fontId) {
    return g_current != nullptr ? g_current->FontOf(fontId) : fontId;
}

const LangOverride* OverrideOf(int32_t itemId, const wchar_t* attribute) {
    return g_current != nullptr ? g_current->OverrideOf(itemId, attribute) : nullptr;
}

HKL KeyboardLayout() {
    if (g_current != nullptr && g_current->KeyboardLayout() != nullptr)
        return g_current->KeyboardLayout();
    HKL layout = nullptr;
    if (SystemParametersInfoW(SPI_GETDEFAULTINPUTLANG, 0, &layout, 0) && layout != nullptr)
        return layout;
    return GetKeyboardLayout(0);
}

}  // namespace lang
