// Plain data shared by the profile, the configuration, the pages and the
// device link: assignments, sensitivity stages, button and key ids, and the
// helpers that fill the fixed-size parameter block of an assignment.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Function codes the model itself looks at (the full catalogue lives in the
// name tables).
constexpr int32_t kFunctionNone = -1;
constexpr int32_t kFunctionClick = 0;
constexpr int32_t kFunctionMenu = 1;
constexpr int32_t kFunctionUniversalScrolling = 2;
constexpr int32_t kFunctionSingleKey = 4;
constexpr int32_t kFunctionMacroById = 5;
constexpr int32_t kFunctionMacroByName = 6;
constexpr int32_t kFunctionButtonOff = 7;
constexpr int32_t kFunctionProfileById = 20;
constexpr int32_t kFunctionProfileByName = 21;
constexpr int32_t kFunctionBackward = 31;
constexpr int32_t kFunctionForward = 32;
constexpr int32_t kFunctionScrollUp = 39;
constexpr int32_t kFunctionScrollDown = 40;

// Button ids.
constexpr int32_t kButtonLeft = 1;
constexpr int32_t kButtonRight = 2;
constexpr int32_t kButtonScroll = 3;
constexpr int32_t kButtonScrollUp = 10;
constexpr int32_t kButtonScrollDown = 11;
constexpr int32_t kButtonThumbFirst = 12;  // thumb-grid position 1
constexpr int32_t kButtonThumbLast = 23;   // thumb-grid position 12
constexpr int32_t kButtonLeftFront = 25;
constexpr int32_t kButtonLeftRear = 26;

// Scan codes the twelve thumb-grid keys send: the "123" row and the keypad.
constexpr std::array<int32_t, 12> kThumbKeys123 = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
constexpr std::array<int32_t, 12> kThumbKeysNum = {79, 80, 81, 75, 76, 77, 71, 72, 73, 82, 74, 78};

constexpr int32_t kMaxStages = 10;

constexpr size_t kAssignmentDataSize = 80;
// A name in the parameter block: 40 wide characters including the terminator.
constexpr size_t kAssignmentNameCapacity = kAssignmentDataSize / sizeof(wchar_t);

// A function code and its parameter block. Layouts of the block:
//  4 (single key):   scan code u16, virtual key u16, modifier bits u8.
//  5 / 20 (by id):   the macro's or target profile's GUID.
//  6 / 21 (by name): the name, zero-terminated, at most 39 characters.
struct Assignment {
    int32_t code = kFunctionNone;
    uint8_t data[kAssignmentDataSize] = {};
    friend bool operator==(const Assignment&, const Assignment&) = default;
};
static_assert(sizeof(Assignment) == 84, "the device link copies assignments as 84-byte records");

// Counts per inch; flag 1 = X and Y apply separately, 0 = value applies to both.
struct SensitivityStage {
    int32_t value = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint8_t flag = 0;
    friend bool operator==(const SensitivityStage&, const SensitivityStage&) = default;
};
static_assert(sizeof(SensitivityStage) == 16, "a stage is a 16-byte record");

// An assignment with the given code and a zero block.
inline Assignment MakeAssignment(int32_t code) {
    Assignment a;
    a.code = code;
    return a;
}

Assignment MakeSingleKeyAssignment(uint16_t scanCode, uint16_t virtualKey, uint8_t modifiers);

// The identity at the start of the block (codes 5 and 20).
void SetAssignmentId(Assignment& assignment, const GUID& id);
GUID AssignmentId(const Assignment& assignment);

// The name in the block (codes 6 and 21). Setting clears the block and cuts
// the name to 39 characters without splitting a surrogate pair; reading stops
// at the end of the block even when the terminator is missing.
void SetAssignmentName(Assignment& assignment, const wchar_t* name);
std::wstring AssignmentName(const Assignment& assignment);

// How many of the first `limit` characters of `text` (of `length`) can be
// kept without leaving half a surrogate pair at the end.
size_t SafeCutLength(const wchar_t* text, size_t length, size_t limit);
std::wstring SafeCut(const std::wstring& text, size_t limit);

// The name a copy of `source` gets, as Copy makes it: the name (from 20
// characters on, its first 18) and the first two-digit counter whose name is
// not `taken`, "Game00" to "Game99"; empty when all hundred are taken.
std::wstring NameOfCopy(const std::wstring& source, const std::function<bool(const std::wstring&)>& taken);

// Copies `source` (null = empty) into a buffer of `capacity` characters,
// always terminated, cut safely; nothing when capacity is 0.
void CopyTruncated(wchar_t* buffer, size_t capacity, const wchar_t* source);
