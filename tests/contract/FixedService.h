// A second device service, for tests only: written from the contract alone,
// without anything of the service we ship, answering from fixed data kept in
// memory. It checks the caller's side of the contract as it goes: every
// buffer handed in must come from the task allocator, and every buffer it
// hands out is remembered until the caller frees it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "device/DeviceService.h"

namespace fixedsvc {

struct Profile {
    GUID id{};
    std::wstring name;
    std::wstring programPath;
    uint16_t flags = 0;  // the property's mask: 1 auto switch, 2 DPI display, 4 profile display
    std::map<uint32_t, devsvc::ActionRecord> buttons;  // by device button id
    std::map<uint32_t, devsvc::ActionRecord> keys;     // by key id
    std::vector<devsvc::StagePair> stages;
    ULONG activeStage = 1;
    LONG x = 800, y = 800;
    ULONG scrollLight = 1, underGlow = 1;
};

struct Macro {
    GUID id{};
    std::wstring name;
    std::vector<devsvc::EventEntry> events;
};

// How Macro.Events answers, for the bad-buffer cases.
enum class EventsAnswer { Normal, CountPastTheBlock, ZeroLength, Null };

struct Mouse {
    std::vector<Profile> profiles;
    size_t active = 0;
    std::vector<Macro> macros;
    ULONG interval = 2;
    ULONG accelerationLevel = 5;
    BOOL accelerationOn = FALSE;
    EventsAnswer eventsAnswer = EventsAnswer::Normal;

    // Contract checks, read by the tests.
    int foreignBuffers = 0;             // buffers handed in that the task allocator did not make
    std::set<const void*> outstanding;  // blocks handed out and not yet freed
    int liveObjects = 0;
};

// The one mouse behind the class while it is registered; guarded by Lock().
Mouse& State();
std::recursive_mutex& Lock();

// Buttons (device button ids) and keys the fixed mouse has.
inline constexpr uint32_t kButtonMask = 0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x80 | 0x100;
inline constexpr uint32_t kButtonCount = 7;
inline constexpr uint32_t kFirstKey = 2;  // key ids 2..13
inline constexpr uint32_t kKeyCount = 12;
inline constexpr uint32_t kProduct = 21;

// Fills State() with two profiles ("Fixed One", active, and "Fixed Two")
// and one macro ("Fixed Macro", four events).
void Reset();

// Registers the class in this process (taking the place of any registered
// server) and a malloc spy that sees the caller's frees; Unregister undoes
// both.
bool Register();
void Unregister();

}  // namespace fixedsvc
