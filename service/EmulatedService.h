// The emulated device service: an in-process COM server that stands in for
// the mouse so that the configurator works without one. This header is what
// the DLL's exports and the tests reach; the COM contract itself is
// device/DeviceService.h.
//
// Behaviour callers may rely on (beyond the contract):
// - One mouse for every process: every call that reaches the mouse's state
//   sees the latest committed state (the state file is read again when its
//   stamp, size and last-write time, changed since this process last read
//   or wrote it), and a call that changes the state commits it before it
//   returns: a call that answered S_OK has its change in the file. Commits
//   are made under a lock that every process using the same state file
//   shares (a named mutex, Local\TarnMouseState-<hex>, <hex> being 16 hex
//   digits of a 64-bit FNV-1a hash of the state file's full path in lower
//   case); reads need no lock, the file being replaced whole. A change that
//   cannot be saved fails the call (the platform's error as an HRESULT) and
//   is not kept. Connections of one process share one copy of the state.
// - Busy: kErrBusy when a change finds the lock held by another process for
//   more than 2 s, or when the state file exists but cannot be read (held open by another
//   program, a folder, a read error); nothing is set aside or overwritten
//   then. Enumerator.Device answers the same, so a program that cannot read
//   the mouse sees no mouse rather than a new one. A file that was read and
//   refused (damaged, cut short, another product's) is renamed to
//   "<file>.bad" and the mouse starts from its factory state, committed.
//   A state file deleted while this process holds the state is written again
//   at the next call or when the last object of the mouse is released.
// - Change signal: every committed change sets the auto-reset event
//   Local\TarnMouseChanged-<hex> (same <hex> as the lock), so one waiting
//   program (the tray companion) wakes without polling; it reads the
//   revision to learn whether anything is new to it.
// - The mouse (product 21; 25 in scenario product25): buttons left, right,
//   wheel, scroll up and down, the two beside the left button and the
//   twelve thumb positions (mask 0x7FF99F, 19 buttons, ascending bit order);
//   24 thumb keys (ids 2..13, 79 80 81 75 76 77 71 72 73 82 74 78); five
//   stages of 100..5600 (step 100); lights of kind 1 and 4; acceleration
//   levels 1..10; polling intervals 8, 2, 1 ms; driver 2.10, firmware 1.07;
//   at most five profiles; product 25 also has colour ranges (at most 16).
// - Info: reserved = the low 32 bits of the mouse's revision, a 64-bit
//   counter that every committed change advances (never 0: 0 would mean a
//   service that keeps no revision); product, versions, text "Emulated
//   mouse".
// - Device.Feature: Profiles, Acceleration, Polling, Macros, and Colour
//   ranges on product 25; any other interface gives E_NOINTERFACE. Profile
//   Feature: Buttons, Keys, Sensitivity, Lights, Properties.
// - Item(index) past the end gives kErrNoMoreItems; Find of an unknown id
//   and any call on an object whose profile, macro or range was removed give
//   kErrNotFound. Reserved slots give E_NOTIMPL.
// - Profiles.Create: a factory profile named "Profile N" with a fresh id;
//   the sixth gives kErrFull. The first profile of an empty mouse becomes
//   the active one; removing the active profile makes the first remaining
//   one active. Active on a mouse without profiles gives kErrNotFound.
// - Buttons/Keys.Actions: *count is the buffer's capacity in records and
//   comes back as the records written, in capability order; S_FALSE when the
//   buffer was too small for all. SetActions stores each record by its id
//   (offset 4); an unknown id or a category above 6 refuses the whole call
//   (E_INVALIDARG, nothing stored).
// - Sensitivity: SetStages takes one to five pairs in 100..5600 (the active
//   stage is kept within the new count); SetActiveStage 1..count also makes
//   that stage the current resolution; SetCurrent takes values in
//   100..5600. Limits: {5, 100, 5600}; Range: 100, 5600, 100.
// - Properties: 0x80000002 program path: Set takes an even size up to 256
//   bytes holding at most 127 characters (a terminator within the size ends
//   the text); Get needs room for the text and its terminator and reports
//   the bytes written (2 for an empty path). 0x80000003 flags: Set takes
//   exactly 4 bytes {flag 1, 2, 4 or 8 (thumb keys off: the key records are
//   kept); value 0 or 1}; Get needs 2 bytes and
//   writes the 16-bit mask. 0x80000010 device limits, read-only, the same
//   on every profile: Get writes 8 bytes {uint32 macros the mouse holds
//   (200), uint32 events per macro (16384)}; Set gives E_INVALIDARG.
//   0x80000011 change signal, read-only: the name of the change event
//   below, wide text with its terminator. A
//   buffer too small gives HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)
//   and *size the bytes needed.
// - Acceleration levels outside 1..10 and polling intervals other than 8, 2
//   and 1 ms give E_INVALIDARG.
// - Macros: Create gives an empty macro "Macro N" with a fresh id (at most
//   200 macros); Events gives header {0, count} and the entries, size
//   8 + 8 * count; SetEvents takes a CoTaskMemAlloc block whose size holds
//   8 + 8 * count, at most 16384 events, types 1..3 only, else E_INVALIDARG
//   and nothing changes.
// - Colour ranges: Add appends {colour 0xFFFFFF, 100..5600}; SetBounds needs
//   lower <= upper.
// - Import/Export: see ExportFile.h. Import refuses with kErrForeignFile
//   (not this kind of file or an unknown version) or kErrDamagedFile
//   (checksum, truncation, a bad field); nothing on the mouse changes.
//
// Environment, read each time an enumerator is created:
// - TARN_DEVICE_STATE: the state file (see StateFile.h for the default).
// - TARN_DEVICE_SCENARIO: unset (one mouse of product 21), "none" (no mouse:
//   Device(0) fails), "two" (two mice of product 21; the second keeps its
//   state in "<state file>.2"), "product25" (one mouse of product 25 with
//   colour ranges, state in "<state file>.p25"), "fresh" (the stored state
//   is replaced by the factory state, committed at the enumerator's first
//   Device call). Other values behave as unset.
// - TARN_DEVICE_FAULT: fault injection, see Faults.h.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tarnsvc {

constexpr HRESULT Win32Error(DWORD code) {
    return static_cast<HRESULT>(0x80070000u | (code & 0xFFFFu));
}

inline constexpr HRESULT kErrNoMoreItems = Win32Error(ERROR_NO_MORE_ITEMS);  // past the end
inline constexpr HRESULT kErrNotFound = Win32Error(ERROR_NOT_FOUND);         // unknown id, removed object
inline constexpr HRESULT kErrFull = static_cast<HRESULT>(0x80040201u);  // the mouse holds the most it can
inline constexpr HRESULT kErrDamagedFile = Win32Error(ERROR_FILE_CORRUPT);
inline constexpr HRESULT kErrForeignFile = Win32Error(ERROR_BAD_FORMAT);
inline constexpr HRESULT kErrBufferTooSmall = Win32Error(ERROR_INSUFFICIENT_BUFFER);
inline constexpr HRESULT kErrBusy = Win32Error(ERROR_BUSY);  // locked by another program, file unreadable

// Read-only profile property: {uint32 macro capacity, uint32 events per macro}.
inline constexpr ULONG kPropertyDeviceLimits = 0x80000010;
struct DeviceLimits {
    uint32_t macros;
    uint32_t eventsPerMacro;
};
static_assert(sizeof(DeviceLimits) == 8);

// A new connection: the enumerator of the mice of the current scenario.
HRESULT CreateEnumerator(REFIID iid, void** out) noexcept;

// Live objects and server locks, for DllCanUnloadNow.
bool CanUnloadModule() noexcept;
void LockModule(bool lock) noexcept;

}  // namespace tarnsvc
