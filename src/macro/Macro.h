// Macro model: a named sequence of key, mouse-button and delay events, the
// list the configuration owns, and the conversion to and from the device
// service's event buffer.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One macro event: three 32-bit words.
//  kind 0 key:    code = scan code (low 16) | virtual key << 16;
//                 state low byte 255 press / 1 release, bit 8 = extended key.
//  kind 1 button: code = 1, 2, 3, 25 or 26; state 255 press / 1 release.
//  kind 2 delay:  code = state = milliseconds (at most 0xFFFFFF).
struct MacroEvent {
    uint32_t kind = 0;
    uint32_t code = 0;
    uint32_t state = 0;
    friend bool operator==(const MacroEvent&, const MacroEvent&) = default;
};

using MacroEvents = std::vector<MacroEvent>;

constexpr uint32_t kMacroEventKey = 0;
constexpr uint32_t kMacroEventButton = 1;
constexpr uint32_t kMacroEventDelay = 2;
constexpr uint32_t kMacroStatePress = 255;
constexpr uint32_t kMacroStateRelease = 1;
constexpr uint32_t kMacroStateExtended = 0x100;
constexpr uint32_t kMacroMaxDelay = 0xFFFFFF;
constexpr size_t kMacroNameCapacity = 256;  // 255 characters and the terminator
constexpr size_t kMacroListLimit = 0x10000;

class CMacro {
public:
    CMacro() = default;
    // Copies name (cut safely to 255 characters) and events; zero identifier,
    // empty source path.
    CMacro(const wchar_t* name, const MacroEvents& events);

    const wchar_t* Name() const { return m_name; }
    void SetName(const wchar_t* name);  // cut safely to 255 characters
    const GUID& Id() const { return m_id; }
    void SetId(const GUID& id) { m_id = id; }
    bool HasId() const;  // identifier is not all zero
    const MacroEvents& Events() const { return m_events; }
    MacroEvents& Events() { return m_events; }
    void SetEvents(const MacroEvents& events) { m_events = events; }
    const std::wstring& SourcePath() const { return m_sourcePath; }
    void SetSourcePath(const std::wstring& path) { m_sourcePath = path; }

    // Equal identifiers, names equal ignoring case, pairwise equal events.
    friend bool operator==(const CMacro& a, const CMacro& b);

private:
    wchar_t m_name[kMacroNameCapacity] = {};
    GUID m_id = {};
    MacroEvents m_events;
    std::wstring m_sourcePath;
};

class CMacroList {
public:
    CMacroList() = default;
    CMacroList(const CMacroList&) = delete;
    CMacroList& operator=(const CMacroList&) = delete;
    virtual ~CMacroList();

    int Count() const { return static_cast<int>(m_macros.size()); }
    CMacro* At(int index) const;                    // null when out of range
    CMacro* FindByName(const wchar_t* name) const;  // ignoring case
    CMacro* FindById(const GUID& id) const;
    // Null when a macro of that name exists (ignoring case, after the cut to
    // 255 characters) or the name is null.
    CMacro* Add(const wchar_t* name, const MacroEvents& events);
    void Remove(CMacro* macro);  // nothing when not in the list
    void Clear();

private:
    std::vector<std::unique_ptr<CMacro>> m_macros;
};

// The device service's event buffer: header {0, count} of two 32-bit words,
// then one 8-byte entry per event: 32-bit type, two 16-bit values (type 3 uses
// the 32-bit word after the type as the delay).
namespace macrobuf {
constexpr uint32_t kTypeButton = 1;
constexpr uint32_t kTypeKey = 2;
constexpr uint32_t kTypeDelay = 3;
constexpr size_t kHeaderSize = 8;
constexpr size_t kEntrySize = 8;

std::vector<uint8_t> FromEvents(const MacroEvents& events);
// Appends the converted events of a buffer of `size` bytes to a fresh list in
// `out`; never reads past `size` whatever the header claims; unknown types are
// dropped. Returns whether the result is non-empty; on false `out` is left as
// it was.
bool ToEvents(const uint8_t* buffer, size_t size, MacroEvents& out);

// Raw-input mouse-button flag <-> (button, state).
uint16_t ButtonFlag(uint32_t button, uint32_t state);  // 0 when none
bool ButtonFromFlag(uint16_t flag, uint32_t& button, uint32_t& state);
}  // namespace macrobuf

// Ready-made key sequences for common commands, numbered 1..17 as in the
// predefined-command name table (group 1: 1..9, group 2: 10..17).
class CPredefinedMacroList {
public:
    // The program's list, built once at start-up.
    static CPredefinedMacroList& Instance();

    // Builds the lists with the platform's virtual-key-to-scan-code mapping.
    void Build();
    // Copies the list of a number into `out`; false for numbers outside 1..17.
    bool Lookup(int number, MacroEvents& out) const;
    static int GroupOf(int number);  // 1, 2, or 0 for none
    // The keywords ("$cut", ...) of the commands of group 1 or 2 that the
    // list holds, in number order: what the predefined-command popup offers.
    // Empty for another group, and before Build().
    std::vector<std::wstring> Keywords(int group) const;

private:
    std::vector<MacroEvents> m_group1;  // numbers 1..9
    std::vector<MacroEvents> m_group2;  // numbers 10..17
};
