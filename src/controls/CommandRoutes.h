// What a panel's items do when clicked, by control id: a page or popup says
// once which control runs which handler, and the panel finds the item that
// sent a command by its window (skin items are made with window id 0, so the
// sender's window, not the command's id, tells them apart).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <unordered_map>

#include "skin/GUIItem.h"

class CommandRoutes {
public:
    using Handler = std::function<void()>;

    void On(int32_t id, Handler handler);
    void On(std::initializer_list<int32_t> ids, const Handler& handler);
    bool Has(int32_t id) const { return m_handlers.count(id) != 0; }
    // Runs the handler of the id; false when there is none.
    bool Run(int32_t id) const;

private:
    std::unordered_map<int32_t, Handler> m_handlers;
};

// Whether the item is one of the skin's two button kinds.
inline bool IsButtonItem(const CGUIItem* item) {
    return item && (item->Type() == kItemButton || item->Type() == kItemProfileButton);
}
