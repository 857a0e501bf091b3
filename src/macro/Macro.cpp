#include "macro/Macro.h"

#include <algorithm>
#include <cstring>

namespace {

// Copies `name` into a name buffer, cut to what the buffer holds. A cut that
// would leave half a surrogate pair drops that half too.
void CopyName(wchar_t (&dst)[kMacroNameCapacity], const wchar_t* src) {
    size_t n = 0;
    if (src) {
        while (n < kMacroNameCapacity - 1 && src[n] != L'\0')
            ++n;
        if (n == kMacroNameCapacity - 1 && src[n] != L'\0' && IS_HIGH_SURROGATE(src[n - 1]))
            --n;
        std::memcpy(dst, src, n * sizeof(wchar_t));
    }
    dst[n] = L'\0';
}

bool NamesEqual(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

// --- CMacro ------------------------------------------------------------------

CMacro::CMacro(const wchar_t* name, const MacroEvents& events) : m_events(events) {
    CopyName(m_name, name);
}

void CMacro::SetName(const wchar_t* name) {
    CopyName(m_name, name);
}

bool CMacro::HasId() const {
    return m_id != GUID{};
}

bool operator==(const CMacro& a, const CMacro& b) {
    return a.m_id == b.m_id && NamesEqual(a.m_name, b.m_name) && a.m_events == b.m_events;
}

// --- CMacroList --------------------------------------------------------------

CMacroList::~CMacroList() = default;

CMacro* CMacroList::At(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_macros[static_cast<size_t>(index)].get();
}

CMacro* CMacroList::FindByName(const wchar_t* name) const {
    if (!name)
        return nullptr;
    // Compare with the name as a macro would hold it, so an over-long name
    // finds the macro that was added under it.
    wchar_t stored[kMacroNameCapacity];
    CopyName(stored, name);
    for (const auto& macro : m_macros) {
        if (NamesEqual(macro->Name(), stored))
            return macro.get();
    }
    return nullptr;
}

CMacro* CMacroList::FindById(const GUID& id) const {
    for (const auto& macro : m_macros) {
        if (macro->Id() == id)
            return macro.get();
    }
    return nullptr;
}

CMacro* CMacroList::Add(const wchar_t* name, const MacroEvents& events) {
    if (!name || FindByName(name))
        return nullptr;
    m_macros.push_back(std::make_unique<CMacro>(name, events));
    return m_macros.back().get();
}

void CMacroList::Remove(CMacro* macro) {
    auto it = std::find_if(m_macros.begin(), m_macros.end(),
                           [macro](const std::unique_ptr<CMacro>& p) { return p.get() == macro; });
    if (it != m_macros.end())
        m_macros.erase(it);
}

void CMacroList::Clear() {
    m_macros.clear();
}

// --- event buffer ------------------------------------------------------------

namespace macrobuf {
namespace {

// The raw-input mouse-button flags, a press and a release per button.
struct ButtonCode {
    uint16_t flag;
    uint32_t button;
    uint32_t state;
};
constexpr ButtonCode kButtonCodes[] = {
    {0x001, 1, kMacroStatePress},    {0x002, 1, kMacroStateRelease},  {0x004, 2, kMacroStatePress},
    {0x008, 2, kMacroStateRelease},  {0x010, 3, kMacroStatePress},    {0x020, 3, kMacroStateRelease},
    {0x040, 25, kMacroStatePress},   {0x080, 25, kMacroStateRelease}, {0x100, 26, kMacroStatePress},
    {0x200, 26, kMacroStateRelease},
};

constexpr uint16_t kFlagRelease = 0x1;
constexpr uint16_t kFlagExtended = 0x2;
constexpr uint16_t kScanNumLock = 0x45;  // shared by Num Lock and Pause
constexpr uint32_t kVkPause = 19;
constexpr uint32_t kVkNumLock = 144;

// The buffer is little-endian whatever the host.
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
uint32_t Get32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

uint16_t ButtonFlag(uint32_t button, uint32_t state) {
    for (const ButtonCode& c : kButtonCodes) {
        if (c.button == button && c.state == state)
            return c.flag;
    }
    return 0;
}

bool ButtonFromFlag(uint16_t flag, uint32_t& button, uint32_t& state) {
    for (const ButtonCode& c : kButtonCodes) {
        if (c.flag == flag) {
            button = c.button;
            state = c.state;
            return true;
        }
    }
    return false;
}

std::vector<uint8_t> FromEvents(const MacroEvents& events) {
    std::vector<uint8_t> buf(kHeaderSize + kEntrySize * events.size(), 0);
    uint8_t* entry = buf.data() + kHeaderSize;
    uint32_t count = 0;
    for (const MacroEvent& e : events) {
        switch (e.kind) {
            case kMacroEventKey: {
                uint16_t flags = 0;
                if ((e.state & 0xFF) != kMacroStatePress)
                    flags |= kFlagRelease;
                if ((e.state & kMacroStateExtended) || (e.code >> 16) == kVkPause)
                    flags |= kFlagExtended;
                Put32(entry, kTypeKey);
                Put16(entry + 4, static_cast<uint16_t>(e.code));
                Put16(entry + 6, flags);
                break;
            }
            case kMacroEventButton:
                Put32(entry, kTypeButton);
                Put16(entry + 4, ButtonFlag(e.code, e.state));
                break;
            case kMacroEventDelay:
                // Longer delays are out of the model's range; clamp rather than drop them.
                Put32(entry, kTypeDelay);
                Put32(entry + 4, std::min(e.code, kMacroMaxDelay));
                break;
            default:
                continue;  // an unknown kind has no entry; the count says so
        }
        entry += kEntrySize;
        ++count;
    }
    buf.resize(kHeaderSize + kEntrySize * count);
    Put32(buf.data(), 0);
    Put32(buf.data() + 4, count);
    return buf;
}

bool ToEvents(const uint8_t* buffer, size_t size, MacroEvents& out) {
    if (!buffer || size < kHeaderSize)
        return false;
    // Trust the header's count only as far as the bytes actually go.
    size_t count = std::min<size_t>(Get32(buffer + 4), (size - kHeaderSize) / kEntrySize);
    MacroEvents events;
    events.reserve(count);
    const uint8_t* entry = buffer + kHeaderSize;
    for (size_t i = 0; i < count; ++i, entry += kEntrySize) {
        uint32_t type = Get32(entry);
        if (type == kTypeButton) {
            uint32_t button = 0, state = 0;
            if (ButtonFromFlag(Get16(entry + 4), button, state))
                events.push_back({kMacroEventButton, button, state});
        } else if (type == kTypeKey) {
            uint16_t scan = Get16(entry + 4);
            uint16_t flags = Get16(entry + 6);
            uint32_t state = (flags & kFlagRelease) ? kMacroStateRelease : kMacroStatePress;
            uint32_t code = scan;
            if (scan == kScanNumLock)
                code |= ((flags & kFlagExtended) ? kVkPause : kVkNumLock) << 16;
            else if (flags & kFlagExtended)
                state |= kMacroStateExtended;
            events.push_back({kMacroEventKey, code, state});
        } else if (type == kTypeDelay) {
            uint32_t delay = std::min(Get32(entry + 4), kMacroMaxDelay);
            events.push_back({kMacroEventDelay, delay, delay});
        }
    }
    if (events.empty())
        return false;
    out = std::move(events);
    return true;
}

}  // namespace macrobuf
