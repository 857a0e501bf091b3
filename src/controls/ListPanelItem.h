// List panels as the controls see them: the entry list, the look of a list
// panel, the request to show one, and CListPanelItem (type 15, LISTPANEL),
// the window-less menu description a panel holds and shows on demand.
//
// The list panel itself (CListPanel, a modal popup) lives in the popups
// layer, above this one. Items of this layer open it through the runner that
// start-up installs (popups::InstallListPanel); until then nothing opens and
// every show answers -1.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "controls/VScrollBar.h"
#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"

class CListPanelItem;

namespace controls {

// Every row of a list panel is this many pixels high.
constexpr int kListRowHeight = 18;
// A list panel whose skin gives it no width.
constexpr int kDefaultListWidth = 150;

// One entry: its text as given (a language key stays a key; it is resolved
// only where it is shown) and the list it opens, if any. A sub-list belongs
// to the panel that holds it and must outlive the entry.
struct ListEntry {
    std::wstring text;
    CListPanelItem* subList = nullptr;
};
using ListEntries = std::vector<ListEntry>;

// The text shown for an entry text: resolved through the current language.
std::wstring ShownEntryText(const std::wstring& text);
// The entries' indices in the order they are shown: as added, or, sorted,
// by shown text without regard to case (equal texts keep their order).
std::vector<int> DisplayOrder(const ListEntries& entries, bool sorted);

// Colours, border, font and scroll bar of a list panel.
struct ListPanelLook {
    COLORREF text = 0xFFFFFF;
    COLORREF hotText = 0xFFFFFF;
    COLORREF background = 0x000000;
    COLORREF hotBackground = 0x505050;
    COLORREF border = 0xFFFFFF;
    int borderWidth = 1;
    HFONT font = nullptr;  // null: the default font; owned by its font item
    bool sorted = false;
    ScrollBarPictures scrollBar;  // without a thumb: no skinned scroll bar
};
// The widest border a skin may ask for.
constexpr int kMaxBorderWidth = 16;

// fontclr, fontclrhi, backclr, backclrhi, bdrclr, bdrwidth, fontid, sorted
// and the VSCROLL child, which COMBO and LISTPANEL share.
ListPanelLook ReadListPanelLook(const XmlElement& element, int32_t id, const skin::SkinContext& context);

// Where a list panel opens, beside its anchor rectangle (screen coordinates).
enum class ListPanelOpening {
    kAtPoint,  // at the anchor's top-left (a menu at the pointer)
    kBelow,    // below the anchor, left-aligned (a drop-down box)
    kBeside,   // right of the anchor, top-aligned (a sub-list beside its row)
};

struct ListPanelRequest {
    const ListEntries* entries = nullptr;  // copied when the panel opens
    HWND owner = nullptr;                  // disabled while the panel runs
    RECT anchor = {};
    ListPanelOpening opening = ListPanelOpening::kAtPoint;
    SIZE size = {};
    ListPanelLook look;
};

// Shows a list panel modally; answers the chosen entry's index (as added) or -1.
using ListPanelRunner = int (*)(const ListPanelRequest& request);
void SetListPanelRunner(ListPanelRunner runner);
bool HasListPanelRunner();
// -1, with nothing shown, without entries or without a runner.
int RunListPanel(const ListPanelRequest& request);

// The height of a list panel showing `rows` rows.
int ListPanelHeight(int rows, int borderWidth);
// A skin rectangle's width and height, 0..32767 whatever its numbers.
int RectWidth(const RECT& rect);
int RectHeight(const RECT& rect);

}  // namespace controls

class CListPanelItem : public CGUIItem {
public:
    CListPanelItem();  // type 15, no window

    // The size the list panel opens with: the skin's RECT width and height.
    void SetSize(int width, int height);
    int Width() const;  // kDefaultListWidth when none was given
    int Height() const { return m_height; }
    void SetLook(const controls::ListPanelLook& look) { m_look = look; }
    const controls::ListPanelLook& Look() const { return m_look; }

    // Entries keep their text as given; the index is the entry's place in
    // the order added, whatever the sorted flag shows.
    int AddEntry(const std::wstring& text, CListPanelItem* subList = nullptr);
    // Replaces every entry (a refreshed menu: macro or profile names).
    void SetEntries(const std::vector<std::wstring>& texts);
    void ClearEntries() { m_entries.clear(); }
    int EntryCount() const { return static_cast<int>(m_entries.size()); }
    const controls::ListEntries& Entries() const { return m_entries; }
    // Empty for an index outside the list.
    std::wstring EntryText(int index) const;
    // The first entry whose text equals `text` exactly; -1 when none.
    int FindEntry(const std::wstring& text) const;

    // The text of the entry chosen the last time this list was shown, as
    // given; empty when it closed without a choice.
    const std::wstring& ChosenText() const { return m_chosenText; }

    // Shows the list at `at` (the owner's client coordinates), `height`
    // pixels high (0: the item's own height), and waits for it to close.
    // The chosen entry's index, or -1; nothing opens without entries.
    int Show(HWND owner, POINT at, int height = 0);
    // As the sub-list of a row (screen rectangle) of another list panel:
    // beside the row, one row per entry up to the sub-list limit.
    int ShowBeside(HWND owner, const RECT& rowOnScreen);

    // LISTPANEL: name, fontclr, fontclrhi, backclr, backclrhi, bdrclr,
    // bdrwidth, fontid, sorted; RECT; LISTPANELITEMS with LISTPANELITEM
    // texts; VSCROLL.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

private:
    int Run(controls::ListPanelRequest& request);

    int m_width = 0;
    int m_height = 0;
    controls::ListPanelLook m_look;
    controls::ListEntries m_entries;
    std::wstring m_chosenText;
    bool m_showing = false;
};
