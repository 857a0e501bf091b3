// The assign-buttons page: the top view (buttons 1, 2, 3, 10, 11, 25, 26)
// and the thumb-grid view (positions 12..23 through the active keypad map).
// Every assignable button is a drop-down box listing the functions it may
// take; a choice changes the current profile's assignment in the
// configuration, never so that the profile loses its last click.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "app/pages/Page.h"
#include "model/Types.h"

class CBitmapBtn;
class CDropdownListItem;
class CListPanelItem;

class CAssignPage : public CPage {
public:
    CAssignPage(CVellConfig& config, IMouseDevice* device, IPageHost& host, const ItemList& topView,
                const ItemList& thumbGrid);

    uint32_t Flags() const override { return kPageTopView | kPageThumbGrid; }
    void Bind() override;
    // Redraws every drop-down from the current profile.
    void Refresh() override;
    bool OnNotify(UINT message, WPARAM wParam, LPARAM lParam, CGUIItem* sender) override;

    // Resets every button and thumb key of every profile whose assignment
    // names the macro or profile to its default (a deleted macro or profile).
    void ForgetMacro(const GUID& id, const std::wstring& name);
    void ForgetProfile(const GUID& id, const std::wstring& name);

    // The key id of a thumb position (12..23) in the active keypad map; -1 when none.
    int32_t KeyIdOf(int32_t thumbPosition) const;
    bool NumPadActive() const { return m_activeMap == 1; }

private:
    void BuildKeypadMaps();
    void RefreshSubMenus();
    void ShowAssignment(int32_t buttonId, CDropdownListItem& box);
    void ApplyChoice(int32_t buttonId, CDropdownListItem& box);
    void ChooseSingleKey(int32_t buttonId, CDropdownListItem& box, const Assignment& saved);
    // The button's present assignment; false for a thumb position without key id.
    bool ReadAssignment(int32_t buttonId, Assignment& out);
    void Store(int32_t buttonId, const Assignment& assignment);
    // Stores the assignment unless it would take the profile's last click
    // away; then the warning is shown and `saved` goes back. Whether the new
    // assignment stays.
    bool StoreKeepingAClick(int32_t buttonId, const Assignment& assignment, const Assignment& saved);
    void SetKeypad(int map);
    void ToggleThumbKeys();
    // Every assignment for which `names` holds gets its button's default.
    void ResetWhere(const std::function<bool(const Assignment&)>& names);

    const ItemList& m_topView;
    const ItemList& m_thumbGrid;
    std::map<int32_t, CDropdownListItem*> m_buttons;  // button id -> its drop-down
    std::map<int32_t, int32_t> m_keypads[2];          // key id -> thumb position, 123 row and NUM pad
    int m_activeMap = 0;
    CListPanelItem* m_profileMenu = nullptr;
    CListPanelItem* m_macroMenu = nullptr;
    CBitmapBtn* m_keypad123 = nullptr;
    CBitmapBtn* m_keypadNum = nullptr;
    CBitmapBtn* m_disableKeys = nullptr;
};
