// One emulated mouse as the process holds it: a copy of the state kept in
// one state file, shared by every COM object of this process that refers to
// it. Every process that uses the same file sees one device: each call
// brings the copy up to date with the file, and a change is committed to the
// file before the call returns, under a lock that holds across processes.
//
// The file is replaced whole at every commit, and every commit gives it a
// new stamp (size and last-write time), so a call that only reads needs no
// lock shared with other processes: an unchanged stamp means the copy is the
// latest, a changed one that the file is read again. A call that changes the
// state takes the shared lock only when it commits, and checks there that
// no other process committed since its copy was brought up to date; if one
// did, the call runs again on the new state with the shared lock held from
// the start. Most calls of a full write change nothing and cost no more than
// a read.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "FileIo.h"
#include "MouseState.h"
#include "StateFile.h"
#include "win/Handles.h"

namespace tarnsvc {

class Mouse {
public:
    Mouse(const Mouse&) = delete;
    Mouse& operator=(const Mouse&) = delete;

    // The mouse kept in `path` with one reference for the caller: the one an
    // open connection of this process holds, else a new one, which reads the
    // file at its first access.
    static Mouse* Open(const std::wstring& path, uint32_t product);

    // Only a holder of a reference adds one.
    void AddRef() noexcept { m_refs.fetch_add(1, std::memory_order_relaxed); }
    // Never call during an access: the last release may write the file.
    void Release() noexcept;

    uint32_t Product() const noexcept { return m_product; }
    const std::wstring& Path() const noexcept { return m_path; }

    // Holds the mouse's state for one call (against the other threads of
    // this process, and the shared lock when it was taken); State() and the
    // lookups below are used only while one is alive.
    class Access {
    public:
        Access(Access&& other) noexcept
            : m_mouse(std::exchange(other.m_mouse, nullptr)), m_local(std::move(other.m_local)) {}
        Access(const Access&) = delete;
        Access& operator=(const Access&) = delete;
        Access& operator=(Access&&) = delete;
        ~Access();

    private:
        friend class Mouse;
        Access(Mouse* mouse, std::unique_lock<std::mutex> local) noexcept
            : m_mouse(mouse), m_local(std::move(local)) {}
        Mouse* m_mouse;
        std::unique_lock<std::mutex> m_local;
    };

    // Brings the state up to date with the file, for a call that only reads
    // it. Only a missing or damaged file, whose replacement one process
    // decides, takes the shared lock. Throws CallFailed: kErrBusy when the
    // file cannot be read or the shared lock is not had within 2 s, or the
    // error of a failed save (the factory state that replaces a missing or
    // damaged file is committed here).
    [[nodiscard]] Access Lock();

    // Runs `change` (which returns an HRESULT and calls Changed() once its
    // whole change is made, if it made one) on the latest state. `change`
    // may run twice: again, on the new state, when another process committed
    // in between; it must keep nothing of a first run but the state.
    template <typename F>
    HRESULT Change(F&& change) {
        try {
            Access access = Enter(Mode::kOptimistic);
            return Run(change);
        } catch (const Conflict&) {
        }
        Access access = Enter(Mode::kExclusive);
        return Run(change);
    }
    // An access that holds the shared lock throughout, for a change that
    // does not go through Changed() (ResetToFactory).
    [[nodiscard]] Access LockForChange() { return Enter(Mode::kExclusive); }

    MouseState& State() noexcept { return m_state; }
    // Commits the state as it is now (inside Change or LockForChange only):
    // the revision advances, the file is replaced and the change is
    // signalled. Throws CallFailed when the file cannot be written; the
    // change is then dropped (the next access reads the file again), so the
    // call fails and changes nothing.
    void Changed();
    // Replaces the state by the factory state and commits it (under
    // LockForChange only).
    void ResetToFactory();
    ProfileState* FindProfile(const GUID& id) noexcept;
    MacroState* FindMacro(const GUID& id) noexcept;
    RangeState* FindRange(uint64_t serial) noexcept;
    uint64_t NewSerial() noexcept { return ++m_lastSerial; }

private:
    enum class Mode {
        kRead,
        kOptimistic,  // may change; the shared lock is taken at the commit
        kExclusive,   // may change; the shared lock is held throughout
    };
    // Another process committed after this one's copy was brought up to
    // date, and before this one's commit: Change runs its change again.
    struct Conflict {};

    Mouse(std::wstring path, uint32_t product);
    ~Mouse() = default;
    Access Enter(Mode mode);
    // A change cut short by any failure is dropped with the rest of the
    // copy, never seen: the next access reads the file again.
    template <typename F>
    HRESULT Run(F& change) {
        try {
            return change();
        } catch (...) {
            m_loaded = false;
            throw;
        }
    }
    void TakeSharedLock();
    // Makes the state the file's; takes the shared lock when the file must
    // be replaced.
    void Refresh();
    enum class Finding { kCurrent, kMissing, kDamaged };
    Finding Inspect();
    void Adopt(MouseState state);
    enum class StoreKind {
        kCommit,   // a change: the revision advances
        kReplace,  // a new state that carries its own revision already
        kRewrite,  // the file was deleted: the same state and revision again
    };
    // Writes the state and signals the change; throws CallFailed when it
    // cannot (see Changed).
    void Store(StoreKind kind);
    void RemoveLeftoverTemporaries() const;

    std::atomic<long> m_refs{1};
    const std::wstring m_path;
    const uint32_t m_product;
    win::UniqueHandle m_shared;   // named mutex shared with every process using m_path
    win::UniqueHandle m_changed;  // named auto-reset event, set at every commit
    std::mutex m_mutex;           // what follows is used under it
    bool m_sharedHeld = false;    // by the access alive now
    bool m_changing = false;      // the access alive now may commit
    bool m_loaded = false;        // m_state is the file's state as of m_stamp
    bool m_swept = false;         // leftover temporary files were looked for
    files::FileStamp m_stamp;
    MouseState m_state;
    uint64_t m_lastRevision = 0;  // the highest revision seen of this file
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

// The name of the lock (`Local\TarnMouseState-<hex>`) and of the change
// event (`Local\TarnMouseChanged-<hex>`) of a state file, by its full path.
std::wstring MouseLockName(const std::wstring& fullPath);
std::wstring MouseChangedEventName(const std::wstring& fullPath);

}  // namespace tarnsvc
