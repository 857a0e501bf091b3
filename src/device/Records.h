// The device link's fixed tables and record conversions: button numbering,
// action records for button and key functions, sensitivity stage pairs and
// polling intervals. Pure functions, so they are tested without the service.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/DeviceService.h"
#include "model/Types.h"

namespace records {

constexpr int kMaxProfiles = 5;

// Button bits the device reports, lowest to highest.
constexpr uint32_t kFirstButtonBit = 0x1;
constexpr uint32_t kLastButtonBit = 0x400000;

// The program path travels in a fixed buffer of 128 characters.
constexpr size_t kProgramPathChars = 128;
constexpr uint32_t kProgramPathBytes = kProgramPathChars * sizeof(wchar_t);

// Scan code shared by Num Lock and Pause; the modifier word's bit 24 tells them apart.
constexpr uint16_t kScanNumLockPause = 0x45;
constexpr uint16_t kVkPause = 19;
constexpr uint16_t kVkNumLock = 144;

constexpr uint32_t kProductWithColourRanges = 25;

// ---- button tables --------------------------------------------------------

// Profile button index -> the device's button bit / device button id; 0 for
// buttons the device does not have.
uint32_t ButtonBit(int32_t buttonIndex);
uint32_t DeviceButtonId(int32_t buttonIndex);
// The reverse look-ups; 0 when no profile button has that bit or id.
int32_t ButtonIndexForBit(uint32_t bit);
int32_t ButtonIndexForDeviceId(uint32_t deviceId);

// The bits of `mask` from kFirstButtonBit to kLastButtonBit, ascending, at
// most `count` of them.
std::vector<uint32_t> SupportedButtonBits(uint32_t mask, uint32_t count);

// ---- action records -------------------------------------------------------

// Whether the function code has a row in the action table.
bool HasActionTemplate(int32_t code);
// The template of a function code (id 0); category and data zero for a code
// without a row.
devsvc::ActionRecord ActionTemplate(int32_t code);

// The record that sends a resolved assignment (codes 6 and 21 must have been
// turned into 5 and 20) to the button or key `id`.
devsvc::ActionRecord EncodeAssignment(const Assignment& assignment, uint32_t id);

// The first function code, ascending, whose template matches the record's
// category (and sub-code for categories 1, 3 and 4); -1 when none does.
int32_t FunctionCodeOf(const devsvc::ActionRecord& record);

// The assignment a record holds: its function code and the data decoded
// from it. Code -1 with a zero block when no template matches.
Assignment DecodeAction(const devsvc::ActionRecord& record);

// ---- sensitivity ----------------------------------------------------------

// The pair a stage is sent as: (value, value), or (x, y) for a stage with
// separate X and Y.
devsvc::StagePair StagePairOf(const SensitivityStage& stage);
// The stage a pair reads back as: equal axes give one value, different axes
// separate X and Y with the smaller as the value.
SensitivityStage StageFromPair(const devsvc::StagePair& pair);

// ---- polling --------------------------------------------------------------

// Polling choice 0, 1, 2 <-> interval 8, 2, 1 ms. 0 for a choice without an
// interval, -1 for an interval without a choice.
uint32_t PollingIntervalForChoice(int32_t choice);
int32_t PollingChoiceForInterval(uint32_t milliseconds);

// ---- texts ----------------------------------------------------------------

// "major.minor" with two digits of minor, e.g. "1.05".
std::wstring VersionText(uint32_t major, uint32_t minor);

}  // namespace records
