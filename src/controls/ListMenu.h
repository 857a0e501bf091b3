// What a skinned list needs of its right-click menu: show it at a point and
// say which entry was chosen. The skin's list panels provide it; the list
// knows nothing else of them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace controls {

class IListMenu {
public:
    // Shows the menu modally at `point` (client coordinates of `owner`) and
    // answers the chosen entry's index, or -1 when nothing was chosen.
    virtual int32_t ShowMenu(HWND owner, POINT point) = 0;
    // The entry's text as written in the skin (a language key stays a key);
    // empty for an index outside the menu.
    virtual std::wstring EntryText(int32_t index) const = 0;

    virtual ~IListMenu() = default;
};

}  // namespace controls
