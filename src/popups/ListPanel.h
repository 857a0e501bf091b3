// The list panel (CListPanel): the modal popup that menus and drop-down boxes
// open. It is a borderless pop-up of its own drawing (background colour and a
// frame), placed beside what opened it and kept on the screen, holding one
// CListPanelList. It ends with the index of the chosen entry (in the order
// the entries were added), or -1 when the user pressed outside it, pressed
// the right button, pressed Escape or switched to another window.
//
// Items of the controls layer open it through controls::RunListPanel once
// start-up has called popups::InstallListPanel().
#pragma once

#include <windows.h>

#include <memory>

#include "controls/ListPanelItem.h"
#include "popups/PopupBox.h"

class CListPanelList;

class CListPanel : public CPopupBox {
public:
    // From the list: wParam the chosen sub-entry (or -1), lParam the chosen
    // entry (or -1). The panel ends with lParam.
    static constexpr UINT kChoiceMessage = 0x530;

    // The entries are copied: whatever changes them while the panel is open
    // cannot pull them from under it.
    explicit CListPanel(const controls::ListPanelRequest& request);
    ~CListPanel() override;

    // Shows the panel and returns when it closes: the chosen entry's index,
    // or -1.
    int Run();

    const controls::ListEntries& Entries() const { return m_entries; }
    const controls::ListPanelLook& Look() const { return m_look; }
    // Where the panel stands, in screen coordinates.
    const RECT& ScreenRect() const { return m_screen; }
    // Null once a choice closed it, and for a panel without entries.
    CListPanelList* List() const { return m_list.get(); }
    // The open list panels of this thread, innermost last.
    static CListPanel* Innermost();

    void Paint(HDC dc);

protected:
    bool OnInitDialog() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Enter chooses the selected row; Escape closes without a choice.
    void OnOK() override;
    void OnCancel() override;

private:
    void Close(int chosen);

    controls::ListEntries m_entries;
    controls::ListPanelLook m_look;
    RECT m_screen;
    std::unique_ptr<CListPanelList> m_list;
    CListPanel* m_outer = nullptr;  // the panel open when this one opened
};

namespace popups {

// Where a list panel of `size` opens for its anchor (screen coordinates),
// within the work area: beside the anchor as `opening` says; flipped above
// or to the left where it would run past the bottom or right edge; cut to
// the work area's size, and for a drop-down to the larger side of the box
// when it fits on neither.
RECT PlaceListPanel(const RECT& anchor, controls::ListPanelOpening opening, SIZE size, const RECT& work);

// Makes controls::RunListPanel open a CListPanel. Start-up calls it once,
// beside controls::RegisterItemFactories.
void InstallListPanel();

}  // namespace popups
