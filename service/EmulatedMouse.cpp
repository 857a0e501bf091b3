#include "EmulatedMouse.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "ComBase.h"
#include "EmulatedService.h"
#include "Faults.h"

namespace tarnsvc {
namespace {

// Longer than any call holds the shared lock (the largest state is written
// in well under a second); a holder that keeps it longer makes the mouse
// busy.
constexpr DWORD kLockTimeoutMs = 2000;

// Each commit stamps its file at least this much (1 ms) after the file it
// replaces, so that two commits within one tick of the clock still differ in
// their stamps and every process notices the second one.
constexpr uint64_t kStampStep = 10000;

// The mice this process holds. Its mutex also orders a last release (which
// may write the file) before the next open of the same file.
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

// 16 hex digits of a 64-bit FNV-1a hash of the path in lower case (the
// invariant mapping, so every process and locale agrees).
std::wstring PathKey(const std::wstring& fullPath) {
    std::wstring lower(fullPath.size(), L'\0');
    const int mapped = fullPath.empty() ? 0
                                        : ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, fullPath.c_str(),
                                                          static_cast<int>(fullPath.size()), lower.data(),
                                                          static_cast<int>(lower.size()), nullptr, nullptr, 0);
    if (mapped != static_cast<int>(fullPath.size()))
        lower = fullPath;
    uint64_t hash = 0xCBF29CE484222325ull;
    for (wchar_t c : lower) {
        for (int shift = 0; shift < 16; shift += 8) {
            hash ^= (static_cast<uint16_t>(c) >> shift) & 0xFF;
            hash *= 0x100000001B3ull;
        }
    }
    wchar_t text[17];
    for (int i = 15; i >= 0; --i, hash >>= 4)
        text[i] = L"0123456789abcdef"[hash & 0xF];
    text[16] = L'\0';
    return text;
}

// The revision after `revision`; its low 32 bits, which callers see, are
// never 0.
uint64_t NextRevision(uint64_t revision) {
    ++revision;
    if (static_cast<uint32_t>(revision) == 0)
        ++revision;
    return revision;
}

std::wstring FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::wstring MouseLockName(const std::wstring& fullPath) {
    return L"Local\\TarnMouseState-" + PathKey(fullPath);
}

std::wstring MouseChangedEventName(const std::wstring& fullPath) {
    return L"Local\\TarnMouseChanged-" + PathKey(fullPath);
}

Mouse::Mouse(std::wstring path, uint32_t product) : m_path(std::move(path)), m_product(product) {
    // Without the shared lock the mouse answers busy wherever it is needed.
    m_shared.reset(::CreateMutexW(nullptr, FALSE, MouseLockName(m_path).c_str()));
    m_changed.reset(::CreateEventW(nullptr, FALSE, FALSE, MouseChangedEventName(m_path).c_str()));
}

Mouse* Mouse::Open(const std::wstring& path, uint32_t product) {
    const std::wstring full = FullPath(path);
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.mutex);
    for (Mouse* mouse : registry.mice) {
        if (mouse->m_product == product && SamePath(mouse->m_path, full)) {
            mouse->AddRef();
            return mouse;
        }
    }
    auto* mouse = new Mouse(full, product);
    try {
        registry.mice.push_back(mouse);
    } catch (...) {
        delete mouse;
        throw;
    }
    return mouse;
}

void Mouse::Release() noexcept {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.mutex);
    if (m_refs.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    registry.mice.erase(std::remove(registry.mice.begin(), registry.mice.end(), this), registry.mice.end());
    // A state file deleted while this process held the state is written
    // again: the mouse still holds everything, and the file is its memory.
    // No other object of this process refers to the mouse any more.
    if (m_loaded && m_shared) {
        const DWORD wait = ::WaitForSingleObject(m_shared.get(), kLockTimeoutMs);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
            files::FileStamp stamp;
            DWORD error = 0;
            try {
                if (files::QueryStamp(m_path, stamp, error) == files::ReadResult::kMissing)
                    Store(StoreKind::kRewrite);
            } catch (...) {
                // Not written: the next program to open the mouse finds no file.
            }
            ::ReleaseMutex(m_shared.get());
        }
    }
    delete this;
}

Mouse::Access::~Access() {
    if (!m_mouse)
        return;
    m_mouse->m_changing = false;
    if (std::exchange(m_mouse->m_sharedHeld, false))
        ::ReleaseMutex(m_mouse->m_shared.get());
}

Mouse::Access Mouse::Lock() {
    return Enter(Mode::kRead);
}

Mouse::Access Mouse::Enter(Mode mode) {
    if (FaultFires("Lock", false))
        throw CallFailed{kErrBusy};
    Access access(this, std::unique_lock<std::mutex>(m_mutex));
    if (mode == Mode::kExclusive)
        TakeSharedLock();
    Refresh();
    m_changing = mode != Mode::kRead;
    return access;
}

void Mouse::TakeSharedLock() {
    if (m_sharedHeld)
        return;
    if (!m_shared)
        throw CallFailed{kErrBusy};
    // An abandoned lock is taken as it is: its holder died, but the file is
    // replaced whole or not at all, so it left nothing half done.
    const DWORD wait = ::WaitForSingleObject(m_shared.get(), kLockTimeoutMs);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED)
        throw CallFailed{kErrBusy};
    m_sharedHeld = true;
}

void Mouse::Refresh() {
    for (;;) {
        const Finding finding = Inspect();
        if (finding == Finding::kCurrent)
            return;
        // The file must be replaced; one process decides by what, under the
        // shared lock, and another may have done so while this one waited.
        if (!m_sharedHeld) {
            TakeSharedLock();
            continue;
        }
        if (finding == Finding::kMissing) {
            if (m_loaded)
                Store(StoreKind::kRewrite);  // deleted while held: the mouse forgets nothing
            else
                ResetToFactory();  // a new mouse
            return;
        }
        // Keep the damaged file for a look rather than overwriting it; one
        // that cannot be moved away must not be overwritten either.
        if (!statefile::SetAside(m_path))
            throw CallFailed{kErrBusy};
        ResetToFactory();
        return;
    }
}

Mouse::Finding Mouse::Inspect() {
    if (m_shared && !m_swept) {
        // Only under the shared lock can a leftover be told from a file that
        // another process is writing.
        const DWORD wait = ::WaitForSingleObject(m_shared.get(), 0);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
            RemoveLeftoverTemporaries();
            m_swept = true;
            ::ReleaseMutex(m_shared.get());
        }
    }
    files::FileStamp stamp;
    DWORD error = 0;
    switch (files::QueryStamp(m_path, stamp, error)) {
        case files::ReadResult::kRead:
            break;
        case files::ReadResult::kMissing:
            return Finding::kMissing;
        case files::ReadResult::kTooLarge:
        case files::ReadResult::kFailed:
            throw CallFailed{kErrBusy};
    }
    // Every commit of every process gives the file a new stamp, so an
    // unchanged stamp means the state held here is the latest.
    if (m_loaded && stamp == m_stamp)
        return Finding::kCurrent;
    if (FaultFires("Load", false))
        throw CallFailed{kErrBusy};
    MouseState state;
    switch (statefile::Load(m_path, m_product, state, stamp)) {
        case statefile::LoadOutcome::kLoaded:
            Adopt(std::move(state));
            m_stamp = stamp;
            m_loaded = true;
            return Finding::kCurrent;
        case statefile::LoadOutcome::kMissing:  // deleted since its stamp was taken
            return Finding::kMissing;
        case statefile::LoadOutcome::kDamaged:
            return Finding::kDamaged;
        case statefile::LoadOutcome::kUnreadable:
            break;
    }
    // Nothing is known about the file: it is neither replaced nor set aside,
    // and the state held here may no longer be the latest.
    throw CallFailed{kErrBusy};
}

void Mouse::ResetToFactory() {
    MouseState state = FactoryState(m_product);
    state.revision = NextRevision(m_lastRevision);  // 1 for a new mouse
    Adopt(std::move(state));
    Store(StoreKind::kReplace);
}

void Mouse::Changed() {
    if (!m_changing)
        throw CallFailed{E_UNEXPECTED};  // a commit without the shared lock could undo another's
    if (!m_sharedHeld) {
        TakeSharedLock();  // a failure drops the change (Run)
        // The copy was brought up to date moments ago without the shared
        // lock; it is still the latest unless another process committed in
        // between (a deleted file does not count: the copy is all there is).
        files::FileStamp stamp;
        DWORD error = 0;
        const files::ReadResult now = files::QueryStamp(m_path, stamp, error);
        const bool current = m_loaded && (now == files::ReadResult::kMissing ||
                                          (now == files::ReadResult::kRead && stamp == m_stamp));
        if (!current) {
            m_loaded = false;  // the change was made to an old state
            throw Conflict{};
        }
    }
    Store(StoreKind::kCommit);
}

void Mouse::Adopt(MouseState state) {
    // Ranges have no identity in the file: a range object keeps its range
    // across a reload as long as the mouse holds as many ranges as before.
    const bool keepSerials = state.ranges.size() == m_state.ranges.size();
    for (size_t i = 0; i < state.ranges.size(); ++i)
        state.ranges[i].serial = keepSerials ? m_state.ranges[i].serial : NewSerial();
    m_state = std::move(state);
    m_lastRevision = std::max(m_lastRevision, m_state.revision);
}

void Mouse::Store(StoreKind kind) {
    // Past every revision this process has seen, even when the file was
    // put back to an older one behind its back.
    if (kind == StoreKind::kCommit)
        m_state.revision = NextRevision(std::max(m_state.revision, m_lastRevision));
    DWORD error = ERROR_WRITE_FAULT;
    bool saved = false;
    // A state the file could not load again is never committed: the next
    // load would set the whole mouse aside as damaged.
    if (!ValidState(m_state)) {
        error = ERROR_INVALID_DATA;
    } else if (!FaultFires("Save", false)) {
        files::WriteOptions options;
        // No flush: the rename already keeps a killed process from leaving
        // half a file, and a flush at every commit would cost a disk round
        // trip per call. A power cut may lose the last moments of changes.
        options.flush = false;
        options.notBefore = m_stamp.writeTime + kStampStep;
        files::FileStamp stamp;
        options.written = &stamp;
        saved = statefile::Save(m_path, m_state, options);
        if (saved)
            m_stamp = stamp;
        else
            error = ::GetLastError();
    }
    if (!saved) {
        // A change that is not in the file did not happen: the state is read
        // again at the next access. A deleted file's rewrite keeps the state,
        // which is still the latest there is.
        if (kind != StoreKind::kRewrite)
            m_loaded = false;
        throw CallFailed{error ? Win32Error(error) : E_FAIL};
    }
    m_loaded = true;
    m_lastRevision = std::max(m_lastRevision, m_state.revision);
    if (kind != StoreKind::kRewrite && m_changed)
        ::SetEvent(m_changed.get());
}

void Mouse::RemoveLeftoverTemporaries() const {
    // Every writer of this file holds the shared lock while its temporary
    // file exists, so under that lock any such file was left by a killed
    // process.
    const size_t slash = m_path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : m_path.substr(0, slash + 1);
    const std::wstring name = FileName(m_path);
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW((m_path + L".*.tmp").c_str(), &data));
    if (!find)
        return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && files::IsTemporaryOf(data.cFileName, name))
            ::DeleteFileW((folder + data.cFileName).c_str());
    } while (::FindNextFileW(find.get(), &data));
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
