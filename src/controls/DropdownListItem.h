// The skinned drop-down box (type 14, COMBO): a face showing the chosen
// entry, which a press opens into a list panel right below it. Its parent
// hears 0x634 just before the list opens (it may still change the entries
// then) and 0x614 with the chosen entry's index once a choice was made; both
// carry the box's window as their second argument.
//
// An entry may open a sub-list (a CListPanelItem, such as the macro names):
// the entry is chosen only together with one of the sub-list's entries, and
// the box then shows "entry: sub-entry".
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/ListPanelItem.h"
#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"
#include "win/Window.h"

class CDropdownListItem : public win::SubclassedWindow, public CGUIItem {
public:
    static constexpr UINT kOpeningMessage = 0x634;  // wParam 0
    static constexpr UINT kChosenMessage = 0x614;   // wParam the chosen index

    struct Look {
        controls::ListPanelLook list;  // the face's colours, border and font, and its list's
        COLORREF disabledBackground = 0x282828;
        COLORREF disabledBorder = 0x707070;
        // The open list's height (CLIST height); 0: one row per entry, up
        // to the drop-down row limit.
        int listHeight = 0;
    };

    CDropdownListItem() = default;

    // A visible child of `parent` at the box's rectangle (parent coordinates).
    bool CreateWindowFor(HWND parent, const RECT& box, int32_t id, void* owner, const Look& look);
    const Look& GetLook() const { return m_look; }

    // Entries, addressed by their index in the order added (also when the
    // list shows them sorted). Texts stay as given; language keys are
    // resolved only where they are shown.
    int AddEntry(const std::wstring& text, CListPanelItem* subList = nullptr);
    // At `index` (0 .. count); -1 and nothing added for any other index.
    int InsertEntry(int index, const std::wstring& text, CListPanelItem* subList = nullptr);
    // Empty for an index outside the list.
    std::wstring EntryText(int index) const;
    // The first entry whose whole text equals `text` (letter case counts); -1 when none.
    int FindEntry(const std::wstring& text) const;
    int EntryCount() const { return static_cast<int>(m_entries.size()); }
    const controls::ListEntries& Entries() const { return m_entries; }
    // Empties the list; the face keeps showing what it showed.
    void ClearEntries() { m_entries.clear(); }

    // Shows entry `index` with an optional second text ("text: second");
    // false, and nothing changes, for an index outside the list.
    bool SelectEntry(int index, const std::wstring& secondText = {});
    // Shows nothing.
    void ClearSelection();
    // The index of the entry whose text is shown; -1 when none is.
    int SelectedIndex() const { return FindEntry(m_text); }
    // The shown entry's text as given, and the second text.
    const std::wstring& Text() const { return m_text; }
    const std::wstring& SecondText() const { return m_secondText; }
    // What the face shows: the entry's text resolved, then ": " and the
    // second text as given (it holds names, never language keys).
    std::wstring DisplayText() const;

    // A disabled box opens nothing and sends nothing.
    void SetDisabled(bool disabled);
    bool IsDisabled() const { return m_disabled; }
    // The list is open.
    bool IsDropped() const { return m_dropped; }
    int ListHeight() const;

    // What a press on the box does: 0x634, the list, and after a choice the
    // new face and 0x614. Answers the chosen index, or -1.
    int Open();

    // Draws the face into a DC whose origin is the box's top-left corner.
    void Paint(HDC dc);

    // COMBO: name, fontclr, fontclrhi, backclr, backclrhi, bdrclr,
    // disbbackclr, disbbdrclr, bdrwidth, fontid, sorted; CBOX with RECT;
    // CLIST with height; VSCROLL; COMBOITEM texts.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override { SetWindow(nullptr); }

private:
    void Invalidate();

    Look m_look;
    controls::ListEntries m_entries;
    std::wstring m_text;
    std::wstring m_secondText;
    bool m_disabled = false;
    bool m_dropped = false;
};
