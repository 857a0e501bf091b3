#include "controls/CommandRoutes.h"

#include <utility>

void CommandRoutes::On(int32_t id, Handler handler) {
    m_handlers[id] = std::move(handler);
}

void CommandRoutes::On(std::initializer_list<int32_t> ids, const Handler& handler) {
    for (int32_t id : ids)
        m_handlers[id] = handler;
}

bool CommandRoutes::Run(int32_t id) const {
    const auto found = m_handlers.find(id);
    if (found == m_handlers.end() || !found->second)
        return false;
    found->second();
    return true;
}
