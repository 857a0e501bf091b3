// One emulated mouse as the process holds it: its state behind one mutex,
// shared by every COM object that refers to it and by every open connection
// to the same state file. The last reference writes a changed state back, so
// a long run of calls costs one file write.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "MouseState.h"
#include "StateFile.h"

namespace tarnsvc {

class Mouse {
public:
    Mouse(const Mouse&) = delete;
    Mouse& operator=(const Mouse&) = delete;

    // The mouse kept in `path` with one reference for the caller: the one an
    // open connection of this process holds, else loaded from the file.
    // `fresh` replaces the state by the factory state.
    static Mouse* Open(const std::wstring& path, uint32_t product, bool fresh);

    // Only a holder of a reference adds one.
    void AddRef() noexcept { m_refs.fetch_add(1, std::memory_order_relaxed); }
    // Never call with Lock() held: the last release writes the file.
    void Release() noexcept;

    uint32_t Product() const noexcept { return m_product; }
    const std::wstring& Path() const noexcept { return m_path; }
    statefile::LoadOutcome LoadOutcome() const noexcept { return m_outcome; }

    // The state and the lookups below are used under this lock only.
    [[nodiscard]] std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(m_mutex); }
    MouseState& State() noexcept { return m_state; }
    void Changed() noexcept { m_dirty = true; }
    ProfileState* FindProfile(const GUID& id) noexcept;
    MacroState* FindMacro(const GUID& id) noexcept;
    RangeState* FindRange(uint64_t serial) noexcept;
    uint64_t NewSerial() noexcept { return ++m_lastSerial; }

private:
    Mouse(std::wstring path, uint32_t product) : m_path(std::move(path)), m_product(product) {}
    ~Mouse() = default;
    void Reset(MouseState state, bool dirty);

    std::atomic<long> m_refs{1};
    const std::wstring m_path;
    const uint32_t m_product;
    std::mutex m_mutex;
    MouseState m_state;
    bool m_dirty = false;
    bool m_writable = true;  // false when the file could not be read: never overwrite it
    statefile::LoadOutcome m_outcome = statefile::LoadOutcome::kMissing;
    uint64_t m_lastSerial = 0;
};

// An owned reference to a mouse.
class MouseRef {
public:
    MouseRef() noexcept = default;
    static MouseRef Adopt(Mouse* mouse) noexcept {
        MouseRef ref;
        ref.m_mouse = mouse;
        return ref;
    }
    MouseRef(const MouseRef& other) noexcept : m_mouse(other.m_mouse) {
        if (m_mouse)
            m_mouse->AddRef();
    }
    MouseRef(MouseRef&& other) noexcept : m_mouse(std::exchange(other.m_mouse, nullptr)) {}
    MouseRef& operator=(MouseRef other) noexcept {
        std::swap(m_mouse, other.m_mouse);
        return *this;
    }
    ~MouseRef() {
        if (m_mouse)
            m_mouse->Release();
    }
    Mouse* operator->() const noexcept { return m_mouse; }
    Mouse* get() const noexcept { return m_mouse; }

private:
    Mouse* m_mouse = nullptr;
};

}  // namespace tarnsvc
