// The language tables: one per language declared in "Language.xml", with its
// texts, font replacements and per-item overrides. The tables live in the
// item list of whoever read "Language.xml"; a process-wide register refers to
// them by language number, and one of them is the current language that
// every text, font and override look-up consults.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "skin/GUIItem.h"

class XmlElement;

// A language's replacement of one attribute of one item.
class LangOverride {
public:
    enum class Shape { Text, Rect, Bitmap };

    // A bitmap file name is kept in a field of this many bytes (255
    // characters and the terminator).
    static constexpr size_t kBitmapFieldBytes = 512;

    // Value: the text and its terminator.
    static LangOverride MakeText(int32_t itemId, std::wstring attribute, const std::wstring& text);
    // Value: four numbers as written in the RECT (left, top, width, height).
    static LangOverride MakeRect(int32_t itemId, const int32_t (&numbers)[4]);
    // Value: the file name, cut to 255 characters, in a 512-byte field.
    static LangOverride MakeBitmap(int32_t itemId, std::wstring element, const std::wstring& fileName);

    int32_t ItemId() const { return m_itemId; }
    const std::wstring& Attribute() const { return m_attribute; }
    Shape Kind() const { return m_shape; }
    const uint8_t* Bytes() const { return m_value.data(); }
    size_t Size() const { return m_value.size(); }

    // The value read as text, up to its terminator; for a RECT override this
    // is meaningless but safe. Bitmap overrides give their file name.
    std::wstring Text() const;
    // The four RECT numbers; false for overrides of another shape.
    bool Numbers(int32_t (&out)[4]) const;
    // The file name of a bitmap override; empty for another shape.
    std::wstring BitmapName() const;

private:
    LangOverride(int32_t itemId, std::wstring attribute, Shape shape, std::vector<uint8_t> value)
        : m_itemId(itemId), m_attribute(std::move(attribute)), m_shape(shape), m_value(std::move(value)) {}

    int32_t m_itemId;
    std::wstring m_attribute;
    Shape m_shape;
    std::vector<uint8_t> m_value;
};

class CLangTable : public CGUIItem {
public:
    // Keys are compared over at most this many characters; a key line longer
    // than kMaxKeyLength (blanks left out) never matches a $ look-up.
    static constexpr size_t kMaxKeyLength = 59;

    CLangTable();  // type code 13, no id yet
    // Leaves the register, and stops being the current language.
    ~CLangTable() override;

    const std::wstring& Title() const { return m_title; }
    void SetTitle(std::wstring title) { m_title = std::move(title); }
    HKL KeyboardLayout() const { return m_keyboardLayout; }
    void SetKeyboardLayout(HKL layout) { m_keyboardLayout = layout; }

    // Key/text pairs in file order.
    uint32_t EntryCount() const { return static_cast<uint32_t>(m_entries.size()); }
    const std::vector<std::pair<std::wstring, std::wstring>>& Entries() const { return m_entries; }
    void AddEntry(std::wstring key, std::wstring text);

    // "$key": the text of the first pair whose key, blanks left out, equals
    // key ignoring case. "#prefix": the first pair whose key begins so. Any
    // other text, or no such pair: false and `out` unchanged.
    bool Resolve(const std::wstring& text, std::wstring& out) const;

    // A later replacement of the same font wins.
    void SetFontReplacement(int32_t fontId, int32_t replacementId) { m_fonts[fontId] = replacementId; }
    // The replacement, or the id itself.
    int32_t FontOf(int32_t fontId) const;

    // A later override of the same item and attribute (ignoring case) replaces
    // the earlier one.
    void AddOverride(LangOverride record);
    // Null when the language does not override that attribute of that item.
    const LangOverride* OverrideOf(int32_t itemId, const wchar_t* attribute) const;
    size_t OverrideCount() const { return m_overrides.size(); }

private:
    std::wstring m_title;
    HKL m_keyboardLayout = nullptr;
    std::vector<std::pair<std::wstring, std::wstring>> m_entries;
    // Per entry: the key as look-ups compare it, and whether it was cut.
    std::vector<std::pair<std::wstring, bool>> m_lookupKeys;
    std::map<int32_t, int32_t> m_fonts;
    std::vector<LangOverride> m_overrides;
};

// Parses a language text file: UTF-16LE, line 0 the title, line 1 ignored,
// then key and text lines in turn, up to a line "END OF FILE" or the end of
// the data. Lines end at a carriage return or line feed, and a run of them
// is one line end, so blank lines do not count. A zero character, or an odd
// last byte, ends the data. Pairs are added to `table`; true when at least
// one pair was read.
bool ParseLangText(const void* bytes, size_t size, CLangTable& table);

// Builds the table of one LANG element of "Language.xml": looks up its
// `name`, reads its `file` from lang\ through the resource cache, then its
// LANGFONT and LANGOVERRIDE children. Null when the name is unknown or the
// file is missing or empty. A table whose id is a language number
// (318-326) is registered before it is returned; the caller keeps it (in an
// item list) for as long as it may be used: destroying it unregisters it.
std::unique_ptr<CLangTable> ReadLangElement(const XmlElement& lang, void* owner);

namespace lang {

constexpr int32_t kFirstLanguage = 318;  // also the fallback language
constexpr int32_t kLastLanguage = 326;

// Registers the table under its id, replacing any table registered there.
// False (and nothing registered) for null or an id outside 318-326.
bool Register(CLangTable* table);
// Drops the table from the register (and as the current language).
void Unregister(const CLangTable* table);
// The table registered under the id, or null.
CLangTable* Find(int32_t id);
// Makes the table of `id` current, else that of 318, else none; returns the
// new current language (null for none).
CLangTable* SelectCurrent(int32_t id);
CLangTable* Current();
// Empties the register and leaves no current language. The tables stay with
// their owners.
void ClearRegister();

// The current language's text for a $ or # key; false for any other text,
// a key neither it nor English knows, or no current language (the caller
// shows the text as is). A key the current language lacks gives English.
bool Resolve(const std::wstring& text, std::wstring& out);
// What stands between a label and what follows it ("Profile: Game"): the
// current language's $NameSeparator (French puts a no-break space before
// the colon), else ": ".
std::wstring NameSeparator();
// The current language's replacement of the font id, else the id.
int32_t FontOf(int32_t fontId);
// The current language's override, or null (also without a current language).
const LangOverride* OverrideOf(int32_t itemId, const wchar_t* attribute);
// The current language's keyboard layout, else the system's default one.
HKL KeyboardLayout();

}  // namespace lang
