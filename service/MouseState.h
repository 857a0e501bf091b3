// What the emulated mouse is and what it remembers: its fixed capabilities,
// the state it keeps (profiles, macros, device settings), the factory state
// and the rules every stored value obeys.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/DeviceService.h"

namespace tarnsvc {

// ---- capabilities -----------------------------------------------------------

inline constexpr uint32_t kProductStandard = 21;
inline constexpr uint32_t kProductColour = 25;  // also has colour ranges

inline constexpr uint32_t kDriverMajor = 2, kDriverMinor = 10;
inline constexpr uint32_t kFirmwareMajor = 1, kFirmwareMinor = 7;

inline constexpr size_t kMaxProfiles = 5;
inline constexpr size_t kMaxMacros = 200;
inline constexpr size_t kMaxMacroEvents = 16384;
inline constexpr size_t kMaxColourRanges = 16;
inline constexpr size_t kMaxNameChars = 1024;
inline constexpr size_t kProgramPathChars = 128;  // with the terminator
inline constexpr size_t kProgramPathBytes = kProgramPathChars * sizeof(wchar_t);

inline constexpr uint32_t kStageCount = 5;
inline constexpr int32_t kMinCpi = 100;
inline constexpr int32_t kMaxCpi = 5600;
inline constexpr int32_t kCpiStep = 100;

inline constexpr uint32_t kMinAccelerationLevel = 1;
inline constexpr uint32_t kMaxAccelerationLevel = 10;

// Supported buttons in capability order (ascending button bit).
struct ButtonCapability {
    uint32_t bit;
    uint32_t deviceId;
};
inline constexpr std::array<ButtonCapability, 19> kButtons = {{
    {0x1, 1},        // left
    {0x2, 2},        // right
    {0x4, 3},        // wheel
    {0x8, 4},        // rear button beside the left button
    {0x10, 5},       // front button beside the left button
    {0x80, 8},       // scroll up
    {0x100, 9},      // scroll down
    {0x800, 12},     // thumb positions 1..12
    {0x1000, 13},    //
    {0x2000, 14},    //
    {0x4000, 15},    //
    {0x8000, 16},    //
    {0x10000, 17},   //
    {0x20000, 18},   //
    {0x40000, 19},   //
    {0x80000, 20},   //
    {0x100000, 21},  //
    {0x200000, 22},  //
    {0x400000, 23},  //
}};

// The thumb keys' ids (the scan codes they send), in capability order.
inline constexpr std::array<uint32_t, 24> kKeyIds = {2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                                     79, 80, 81, 75, 76, 77, 71, 72, 73, 82, 74, 78};

inline constexpr std::array<ULONG, 3> kPollingIntervals = {8, 2, 1};  // milliseconds
inline constexpr std::array<ULONG, 2> kLightKinds = {devsvc::kLightScrollWheel, devsvc::kLightUnderGlow};

uint32_t ButtonMask();
int ButtonSlot(uint32_t deviceId);  // index into kButtons, -1 when unsupported
int KeySlot(uint32_t keyId);        // index into kKeyIds, -1 when unsupported

// ---- state -------------------------------------------------------------------

struct ProfileState {
    GUID id{};
    std::wstring name;
    std::array<devsvc::ActionRecord, kButtons.size()> buttons{};  // by button slot
    std::array<devsvc::ActionRecord, kKeyIds.size()> keys{};      // by key slot
    std::vector<devsvc::StagePair> stages;                        // 1..kStageCount
    uint32_t activeStage = 1;                                     // 1-based
    devsvc::StagePair current{};
    std::array<bool, kLightKinds.size()> lights{};  // by light slot
    std::wstring programPath;                       // at most 127 characters
    uint16_t flags = 0;                             // devsvc::kFlag* bits
};

struct MacroState {
    GUID id{};
    std::wstring name;
    std::vector<devsvc::EventEntry> events;
};

struct RangeState {
    uint32_t colour = 0;
    int32_t lower = 0;
    int32_t upper = 0;
    uint64_t serial = 0;  // identifies the range to its COM object; not stored
};

struct MouseState {
    uint32_t product = kProductStandard;
    uint64_t revision = 1;  // advanced by every committed change; never 0
    std::vector<ProfileState> profiles;
    GUID activeProfile{};  // null only when there is no profile
    uint32_t accelerationLevel = 5;
    bool accelerationEnabled = false;
    uint32_t pollingMs = 2;
    std::vector<MacroState> macros;
    std::vector<RangeState> ranges;  // product 25 only
};

// A profile with the default functions, stages and lights; null identity.
ProfileState FactoryProfile(const std::wstring& name);
devsvc::ActionRecord FactoryButtonRecord(size_t slot);
devsvc::ActionRecord FactoryKeyRecord(size_t slot);
// The state of a mouse fresh from the factory: one profile "Profile 1" with
// a new identity; product 25 starts with two colour ranges.
MouseState FactoryState(uint32_t product);

GUID NewId();  // a fresh GUID, never null
bool IsNullId(const GUID& id);
bool SameId(const GUID& a, const GUID& b);

// ---- rules -------------------------------------------------------------------

bool ValidCpi(int32_t value);
bool ValidStages(const devsvc::StagePair* pairs, size_t count);
bool ValidCategory(uint32_t category);
bool ValidEvents(const devsvc::EventEntry* events, size_t count);
bool ValidName(const std::wstring& name);
bool ValidProfile(const ProfileState& profile);
bool ValidMacro(const MacroState& macro);
bool ValidRange(int32_t lower, int32_t upper);
// Everything above, plus: limits on counts, distinct non-null identities, the
// active profile among the profiles, ranges only on product 25.
bool ValidState(const MouseState& state);

}  // namespace tarnsvc
