#include "EmulatedMouse.h"

#include <algorithm>
#include <vector>

namespace tarnsvc {
namespace {

// The mice this process holds. Its mutex also orders a last release (which
// writes the file) before the next load of the same file.
struct Registry {
    std::mutex mutex;
    std::vector<Mouse*> mice;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(std::size(buffer)), buffer, nullptr);
    return length > 0 && length < std::size(buffer) ? std::wstring(buffer, length) : path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

Mouse* Mouse::Open(const std::wstring& path, uint32_t product, bool fresh) {
    const std::wstring full = FullPath(path);
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.mutex);
    for (Mouse* mouse : registry.mice) {
        if (mouse->m_product == product && SamePath(mouse->m_path, full)) {
            mouse->AddRef();
            if (fresh) {
                auto lock = mouse->Lock();
                mouse->Reset(FactoryState(product), true);
            }
            return mouse;
        }
    }
    auto* mouse = new Mouse(full, product);
    if (fresh) {
        mouse->Reset(FactoryState(product), true);
    } else {
        MouseState state;
        mouse->m_outcome = statefile::Load(full, product, state);
        // A state that did not come from the file is written at the end, so
        // the identities handed out now are the ones found next time.
        mouse->Reset(std::move(state), mouse->m_outcome != statefile::LoadOutcome::kLoaded);
        mouse->m_writable = mouse->m_outcome != statefile::LoadOutcome::kUnreadable;
    }
    try {
        registry.mice.push_back(mouse);
    } catch (...) {
        delete mouse;
        throw;
    }
    return mouse;
}

void Mouse::Reset(MouseState state, bool dirty) {
    m_state = std::move(state);
    for (RangeState& range : m_state.ranges)
        range.serial = NewSerial();
    m_dirty = dirty;
    m_writable = true;
}

void Mouse::Release() noexcept {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.mutex);
    if (m_refs.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    registry.mice.erase(std::remove(registry.mice.begin(), registry.mice.end(), this), registry.mice.end());
    // A state file deleted while a connection was open is written again: the
    // mouse still holds everything, and the file is its memory.
    if (m_writable && (m_dirty || ::GetFileAttributesW(m_path.c_str()) == INVALID_FILE_ATTRIBUTES)) {
        try {
            statefile::Save(m_path, m_state);
        } catch (...) {
            // Out of memory while writing: the old file stays as it was.
        }
    }
    delete this;
}

ProfileState* Mouse::FindProfile(const GUID& id) noexcept {
    for (ProfileState& profile : m_state.profiles) {
        if (SameId(profile.id, id))
            return &profile;
    }
    return nullptr;
}

MacroState* Mouse::FindMacro(const GUID& id) noexcept {
    for (MacroState& macro : m_state.macros) {
        if (SameId(macro.id, id))
            return &macro;
    }
    return nullptr;
}

RangeState* Mouse::FindRange(uint64_t serial) noexcept {
    for (RangeState& range : m_state.ranges) {
        if (range.serial == serial)
            return &range;
    }
    return nullptr;
}

}  // namespace tarnsvc
