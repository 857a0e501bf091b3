// The device service contract: the COM class through which the mouse is
// reached, its interfaces and the records that travel through them. Shared
// by the device link and by the emulated service we ship; the slot order of
// every interface is a binary contract, reserved slots included.
//
// Conventions: a negative HRESULT is failure. Texts are wide. Buffers the
// service returns are allocated with CoTaskMemAlloc and freed by the caller
// with CoTaskMemFree; buffers the caller hands in come from CoTaskMemAlloc
// too. A GUID passed by value is four 32-bit words.
#pragma once

#include <objbase.h>
#include <unknwn.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace devsvc {

// {472079C9-3628-45F7-A32E-FE00490518F1}
inline constexpr CLSID kClassId = {
    0x472079C9, 0x3628, 0x45F7, {0xA3, 0x2E, 0xFE, 0x00, 0x49, 0x05, 0x18, 0xF1}};
inline constexpr DWORD kClassContext = 23;  // in-process, handler, local and remote server

// Interfaces named by the contract.
inline constexpr IID kIidEnumerator = {
    0xB006D662, 0xCE6E, 0x407A, {0xB1, 0x18, 0x28, 0x94, 0x9C, 0xA8, 0xF3, 0x72}};
inline constexpr IID kIidProfiles = {
    0x6CA4F031, 0x3120, 0x4DD7, {0x9A, 0x70, 0xD8, 0xD1, 0x32, 0x50, 0x85, 0x6B}};
inline constexpr IID kIidButtons = {
    0x51EAC755, 0xF10B, 0x46C7, {0xAD, 0xDE, 0x76, 0x23, 0x31, 0x36, 0x1B, 0xD3}};
inline constexpr IID kIidKeys = {
    0xD4CD0628, 0x4F69, 0x40D9, {0x96, 0x22, 0x88, 0xF1, 0x54, 0xC1, 0xCB, 0x5F}};
inline constexpr IID kIidSensitivity = {
    0x422FD3EB, 0x9CD5, 0x47E2, {0xB8, 0x60, 0xB0, 0xCE, 0x78, 0xE3, 0x39, 0x1B}};
inline constexpr IID kIidLights = {
    0x22F41CDE, 0x101B, 0x494F, {0xB0, 0x51, 0x84, 0x0E, 0xD2, 0x53, 0x09, 0x44}};
inline constexpr IID kIidProperties = {
    0x6C532F1F, 0x6D1C, 0x446E, {0x80, 0xF2, 0xE2, 0xD3, 0x6B, 0xE7, 0x1A, 0x02}};
inline constexpr IID kIidAcceleration = {
    0x86F7A21D, 0x1B53, 0x47B6, {0xA1, 0x4B, 0x72, 0x09, 0xAF, 0xC7, 0x39, 0x18}};
inline constexpr IID kIidPolling = {
    0x33B98675, 0xB977, 0x4C3B, {0x9A, 0x63, 0x58, 0x4A, 0x73, 0x9E, 0x52, 0x22}};
inline constexpr IID kIidMacros = {
    0x8459D73E, 0x6237, 0x4F22, {0xA3, 0x69, 0xE8, 0x03, 0x0D, 0xE6, 0xD7, 0x0D}};
inline constexpr IID kIidColourRanges = {
    0x9B2404CC, 0xF39A, 0x4907, {0x8A, 0x3C, 0xA3, 0x82, 0xD9, 0xD9, 0xD5, 0x92}};
inline constexpr IID kIidColourRangeColour = {
    0xF0BB08B3, 0x1B32, 0x4F53, {0x80, 0x59, 0xDB, 0xBE, 0x84, 0x08, 0x59, 0x58}};

// Interfaces the contract reaches only through other objects; their
// identifiers are ours.
// {5E0C7A41-2B9D-4F3A-8E61-3C7D2A9B1F01} .. {..F05}
inline constexpr IID kIidDevice = {
    0x5E0C7A41, 0x2B9D, 0x4F3A, {0x8E, 0x61, 0x3C, 0x7D, 0x2A, 0x9B, 0x1F, 0x01}};
inline constexpr IID kIidDeviceProfile = {
    0x5E0C7A41, 0x2B9D, 0x4F3A, {0x8E, 0x61, 0x3C, 0x7D, 0x2A, 0x9B, 0x1F, 0x02}};
inline constexpr IID kIidLight = {
    0x5E0C7A41, 0x2B9D, 0x4F3A, {0x8E, 0x61, 0x3C, 0x7D, 0x2A, 0x9B, 0x1F, 0x03}};
inline constexpr IID kIidMacro = {
    0x5E0C7A41, 0x2B9D, 0x4F3A, {0x8E, 0x61, 0x3C, 0x7D, 0x2A, 0x9B, 0x1F, 0x04}};
inline constexpr IID kIidColourRange = {
    0x5E0C7A41, 0x2B9D, 0x4F3A, {0x8E, 0x61, 0x3C, 0x7D, 0x2A, 0x9B, 0x1F, 0x05}};

// ---- records -------------------------------------------------------------

// Action record: one button's or key's function.
struct ActionRecord {
    uint32_t one = 1;       // always 1
    uint32_t id = 0;        // device button id or key id
    uint32_t category = 0;  // ActionCategory
    uint8_t data[20] = {};  // category data, zero where nothing is set
};
static_assert(sizeof(ActionRecord) == 32);
static_assert(offsetof(ActionRecord, data) == 12);

enum ActionCategory : uint32_t {
    kCategoryNone = 0,
    kCategoryMouse = 1,
    kCategoryMacro = 2,
    kCategoryProfile = 3,
    kCategorySensitivity = 4,
    kCategoryKey = 5,
    kCategoryAdvanced = 6,
};

// Offsets into an action record.
inline constexpr size_t kActionSubCode = 12;    // categories 1, 3, 4: 32-bit sub-code
inline constexpr size_t kActionMacroId = 12;    // category 2: 16-byte macro identifier
inline constexpr size_t kActionProfileId = 16;  // category 3, sub-code 3: 16-byte profile identifier
inline constexpr size_t kActionStage = 16;      // category 4, sub-code 3: 32-bit stage
inline constexpr size_t kActionScanCode = 12;   // category 5: 16-bit scan code
inline constexpr size_t kActionModifiers = 14;  // category 5: 32-bit modifier word (bits 24..27)

// Info record of a device. The text is the device's description, allocated
// by the service; the caller frees it.
struct InfoRecord {
    uint32_t reserved;  // our service: the mouse's revision (low 32 bits); 0 when a service keeps none
    uint32_t productId;
    uint32_t driverMajor;
    uint32_t driverMinor;
    uint32_t firmwareMajor;
    uint32_t firmwareMinor;
    wchar_t* text;
};

// Event buffer: header {0, count}, then one 8-byte entry per event.
struct EventBufferHeader {
    uint32_t reserved;
    uint32_t count;
};
struct EventEntry {
    uint32_t type;  // 1 mouse button, 2 key, 3 delay (the delay is the 32-bit word after the type)
    uint16_t first;
    uint16_t second;
};
static_assert(sizeof(EventBufferHeader) == 8 && sizeof(EventEntry) == 8);

struct ColourRange {
    uint32_t colour;
    int32_t lower;
    int32_t upper;
};

struct StagePair {
    int32_t x;
    int32_t y;
};

struct ButtonCapabilities {
    uint32_t count;  // number of supported buttons
    uint32_t mask;   // their button bits
};

// One action record per supported key, the key id at offset 4; the records
// are allocated by the service and freed by the caller.
struct KeyCapabilities {
    uint32_t count;
    ActionRecord* records;
};

struct SensitivityLimits {
    uint32_t stageCount;  // stages the profile holds
    int32_t minimum;
    int32_t maximum;
};

// Profile properties.
inline constexpr ULONG kPropertyProgramPath = 0x80000002;  // 128 wide characters
inline constexpr ULONG kPropertyFlags = 0x80000003;  // set: {16-bit flag, 16-bit value}; get: 16-bit mask
inline constexpr uint16_t kFlagAutoSwitch = 1;
inline constexpr uint16_t kFlagDpiOsd = 2;
inline constexpr uint16_t kFlagProfileOsd = 4;
// The thumb keys are switched off as a set; their records keep the functions
// they will have again when switched on. A service that refuses this flag
// gets the keys written as "off" instead.
inline constexpr uint16_t kFlagThumbKeysOff = 8;
// Read only, on any profile: {macros the mouse holds, events per macro}. A
// service without it is taken to hold 200 macros of 16384 events.
inline constexpr ULONG kPropertyDeviceLimits = 0x80000010;
struct DeviceLimitsRecord {
    uint32_t macros;
    uint32_t eventsPerMacro;
};
// Read only, on any profile, our service only: the name of the auto-reset
// event the service sets at every committed change of the mouse (wide text
// and its terminator). A service without it is watched by a slow poll.
inline constexpr ULONG kPropertyChangeSignal = 0x80000011;

// Light kinds.
inline constexpr ULONG kLightScrollWheel = 1;
inline constexpr ULONG kLightUnderGlow = 4;

// ---- interfaces (slot numbers in the comments) ------------------------------

// COM objects are released, never deleted through these interfaces, so they
// have no virtual destructor (it would shift every slot).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

struct IDevice;
struct IDeviceProfile;
struct ILight;
struct IMacroItem;
struct IColourRange;

struct IDeviceEnumerator : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Device(ULONG index, IDevice** out) = 0;  // 3; fails past the end
};

struct IDevice : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Info(InfoRecord* out) = 0;            // 3
    virtual HRESULT STDMETHODCALLTYPE Feature(REFIID iid, void** out) = 0;  // 4
};

struct IDeviceProfiles : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Item(ULONG index, IDeviceProfile** out) = 0;            // 3
    virtual HRESULT STDMETHODCALLTYPE Find(GUID id, IDeviceProfile** out) = 0;                // 4
    virtual HRESULT STDMETHODCALLTYPE SetActive(IDeviceProfile* profile) = 0;                 // 5
    virtual HRESULT STDMETHODCALLTYPE Active(IDeviceProfile** out) = 0;                       // 6
    virtual HRESULT STDMETHODCALLTYPE Create(IDeviceProfile** out) = 0;                       // 7
    virtual HRESULT STDMETHODCALLTYPE Remove(IDeviceProfile* profile) = 0;                    // 8
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;                                        // 9
    virtual HRESULT STDMETHODCALLTYPE Import(const wchar_t* path, IDeviceProfile** out) = 0;  // 10
};

struct IDeviceProfile : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Feature(REFIID iid, void** out) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE Id(GUID* out) = 0;                    // 4
    virtual HRESULT STDMETHODCALLTYPE Name(wchar_t** out) = 0;              // 5
    virtual HRESULT STDMETHODCALLTYPE SetName(const wchar_t* name) = 0;     // 6
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;                      // 7
    virtual HRESULT STDMETHODCALLTYPE Export(const wchar_t* path) = 0;      // 8
};

struct IDeviceButtons : IUnknown {
    // count: in, the buffer's capacity in records; out, the records written.
    virtual HRESULT STDMETHODCALLTYPE Actions(ULONG* count, ActionRecord* buffer) = 0;           // 3
    virtual HRESULT STDMETHODCALLTYPE SetActions(ULONG count, const ActionRecord* records) = 0;  // 4
    virtual HRESULT STDMETHODCALLTYPE Capabilities(ButtonCapabilities* out) = 0;                 // 5
};

struct IDeviceKeys : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Capabilities(KeyCapabilities* out) = 0;                    // 3
    virtual HRESULT STDMETHODCALLTYPE Actions(ULONG* count, ActionRecord* buffer) = 0;           // 4
    virtual HRESULT STDMETHODCALLTYPE SetActions(ULONG count, const ActionRecord* records) = 0;  // 5
};

struct ISensitivity : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Current(LONG* x, LONG* y) = 0;                        // 3
    virtual HRESULT STDMETHODCALLTYPE SetCurrent(LONG x, LONG y) = 0;                       // 4
    virtual HRESULT STDMETHODCALLTYPE Limits(SensitivityLimits* out) = 0;                   // 5
    virtual HRESULT STDMETHODCALLTYPE ActiveStage(ULONG* stage) = 0;                        // 6, 1-based
    virtual HRESULT STDMETHODCALLTYPE SetActiveStage(ULONG stage) = 0;                      // 7
    virtual HRESULT STDMETHODCALLTYPE Stages(ULONG* count, StagePair** pairs) = 0;          // 8
    virtual HRESULT STDMETHODCALLTYPE SetStages(ULONG count, const StagePair* pairs) = 0;   // 9
    virtual HRESULT STDMETHODCALLTYPE Range(LONG* minimum, LONG* maximum, LONG* step) = 0;  // 10
};

struct ILights : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Item(ULONG index, ILight** out) = 0;  // 3; fails past the end
};

struct ILight : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE On() = 0;               // 3
    virtual HRESULT STDMETHODCALLTYPE Off() = 0;              // 4
    virtual HRESULT STDMETHODCALLTYPE State(ULONG* out) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE Kind(ULONG* out) = 0;   // 6
};

struct IProperties : IUnknown {
    // size: in, the buffer's size in bytes; out, the bytes written.
    virtual HRESULT STDMETHODCALLTYPE Get(ULONG id, ULONG reserved1, BYTE* buffer, ULONG reserved2,
                                          ULONG* size) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE Set(ULONG id, const BYTE* buffer, ULONG reserved1, ULONG size,
                                          ULONG reserved2) = 0;  // 4
};

struct IAcceleration : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Enable() = 0;               // 3
    virtual HRESULT STDMETHODCALLTYPE Disable() = 0;              // 4
    virtual HRESULT STDMETHODCALLTYPE Enabled(BOOL* out) = 0;     // 5
    virtual HRESULT STDMETHODCALLTYPE SetLevel(ULONG level) = 0;  // 6
    virtual HRESULT STDMETHODCALLTYPE Level(ULONG* out) = 0;      // 7
};

struct IPolling : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Interval(ULONG* ms) = 0;                         // 3
    virtual HRESULT STDMETHODCALLTYPE SetInterval(ULONG ms) = 0;                       // 4
    virtual HRESULT STDMETHODCALLTYPE Supported(ULONG* count, ULONG** intervals) = 0;  // 5
};

struct IMacros : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Item(ULONG index, IMacroItem** out) = 0;            // 3
    virtual HRESULT STDMETHODCALLTYPE Find(GUID id, IMacroItem** out) = 0;                // 4
    virtual HRESULT STDMETHODCALLTYPE Create(IMacroItem** out) = 0;                       // 5
    virtual HRESULT STDMETHODCALLTYPE Remove(IMacroItem* macro) = 0;                      // 6
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;                                    // 7
    virtual HRESULT STDMETHODCALLTYPE Import(const wchar_t* path, IMacroItem** out) = 0;  // 8
};

struct IMacroItem : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Id(GUID* out) = 0;                 // 3
    virtual HRESULT STDMETHODCALLTYPE Name(wchar_t** out) = 0;           // 4
    virtual HRESULT STDMETHODCALLTYPE SetName(const wchar_t* name) = 0;  // 5
    virtual HRESULT STDMETHODCALLTYPE Export(const wchar_t* path) = 0;   // 6
    // An event buffer carries its own count in its header. The one returned
    // is allocated by the service; the one handed in by the caller, both
    // with CoTaskMemAlloc.
    virtual HRESULT STDMETHODCALLTYPE Events(BYTE** buffer) = 0;         // 7
    virtual HRESULT STDMETHODCALLTYPE SetEvents(const BYTE* buffer) = 0;  // 8
};

struct IColourRanges : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Item(ULONG index, IColourRange** out) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE Add(IColourRange** out) = 0;                // 4
    virtual HRESULT STDMETHODCALLTYPE Remove(IColourRange* item) = 0;             // 5
};

struct IColourRange : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetBounds(LONG lower, LONG upper) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE Bounds(LONG* lower, LONG* upper) = 0;   // 4
};

// A colour range item also answers this interface for its colour.
struct IColourRangeColour : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetColour(ULONG colour) = 0;  // 3
    virtual HRESULT STDMETHODCALLTYPE Colour(ULONG* out) = 0;       // 4
};

#pragma GCC diagnostic pop

}  // namespace devsvc
