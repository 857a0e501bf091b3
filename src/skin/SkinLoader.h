// The skin loader: reads one skin file and creates its items, each as a child
// window of a given parent, appending them to a given item list.
//
// The grammar (GUIPANEL or ITEMLIST, BACKGROUND and MASK, the eleven lists in
// their fixed order, the item elements of each list in their order) lives in
// SkinLoader.cpp and does not change when controls are added. What an item
// element creates is looked up in a table: element name -> creation function.
// An element without a creation function is skipped.
//
// Adding a control: write its creation function with the CreateItemFn
// signature (it gets the element, the control id of its `name`, already
// checked, and the load context; it appends nothing when the item cannot be
// made), then add one RegisterItem line for its element in
// controls::RegisterItemFactories (src/controls/ItemFactories.cpp), which
// whatever loads skins calls at start-up: the loader knows no control. The
// helpers below parse the pieces that elements share.
//
// BACKGROUND and MASK of a GUIPANEL are made the same way, by the functions
// registered for those element names, with the ids 0 and 1; a panel whose
// BACKGROUND (or MASK, when there is one) makes nothing loads nothing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "skin/GUIItem.h"
#include "xml/XmlDocument.h"

namespace skin {

// Where the items of one load go, and what the load made so far.
class SkinContext {
public:
    SkinContext(ItemList& items, HWND parent, void* owner)
        : m_items(items), m_parent(parent), m_owner(owner) {}
    SkinContext(const SkinContext&) = delete;
    SkinContext& operator=(const SkinContext&) = delete;

    HWND Parent() const { return m_parent; }  // parent window of the items' windows
    void* Owner() const { return m_owner; }   // the panel or object the items are made for
    ItemList& Items() { return m_items; }

    // The first item of the list with the id and the type, or null. Items are
    // found only when made earlier (fonts before everything, bitmap items
    // before buttons, sliders and texts).
    CGUIItem* Find(int32_t id, int32_t type) const;
    void Add(std::unique_ptr<CGUIItem> item);

private:
    ItemList& m_items;
    HWND m_parent;
    void* m_owner;
};

using CreateItemFn = void (*)(const XmlElement& element, int32_t id, SkinContext& context);

// Sets (or replaces) the creation function of an item element.
void RegisterItem(const wchar_t* elementName, CreateItemFn create);
// The creation function of the element, or null.
CreateItemFn ItemCreator(const wchar_t* elementName);

// Reads xml\<fileName> under the module directory (an absolute path is read
// as it is) and appends the items it creates. Reports nothing: the caller
// finds what it needs in the list.
void LoadSkinFile(const std::wstring& fileName, ItemList& items, HWND parent, void* owner);
void LoadSkinDocument(const XmlDocument& document, ItemList& items, HWND parent, void* owner);

// --- pieces that creation functions share --------------------------------

// Decimal with an optional sign, leading blanks skipped, stopping at the
// first non-digit; 0 when there is no number; saturated to 32 bits.
int32_t ParseNumber(const std::wstring& text);
int32_t NumberAttribute(const XmlElement& element, const wchar_t* name);
// Number, not 0 is on.
bool FlagAttribute(const XmlElement& element, const wchar_t* name);

// x, y, width, height -> left, top, right, bottom, without overflow.
RECT CornerRect(int64_t x, int64_t y, int64_t width, int64_t height);
// A RECT element in corner form; all 0 for null.
RECT ReadRect(const XmlElement* rectElement);
// The item's RECT child, or the current language's RECT override of the id.
RECT ItemRect(const XmlElement& element, int32_t id);
// The same from the item's direct RECT child only, for items whose parts
// carry RECTs of their own that may come first.
RECT OwnItemRect(const XmlElement& element, int32_t id);

// A colour attribute (a colour name); `fallback` when missing or unknown.
COLORREF ColourAttribute(const XmlElement& element, const wchar_t* name, COLORREF fallback);

// The attribute, or the current language's override of (id, attribute) when
// there is one. `present` tells whether either exists.
std::wstring OverriddenAttribute(const XmlElement& element, int32_t id, const wchar_t* name,
                                 bool* present = nullptr);

// The font id named by `fontid`: the language's override (a control name)
// when present, else the file's name through the language's font replacement.
// -1 when none.
int32_t FontIdOf(const XmlElement& element, int32_t id);
// The font of an earlier FONT item for that id, or null.
HFONT ItemFont(const XmlElement& element, int32_t id, const SkinContext& context);

// The trimmed text of the first element of that name below `element`; empty
// when there is none.
std::wstring ChildText(const XmlElement& element, const wchar_t* childName);
std::wstring Trim(const std::wstring& text);

// Pictures through the resource cache (shared: never delete them). Null when
// the name is empty or the file cannot be read.
HBITMAP LoadPicture(const std::wstring& file);
HBITMAP LoadDibSection(const std::wstring& file);

}  // namespace skin
