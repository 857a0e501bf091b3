#include "device/Records.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace records {
namespace {

struct ButtonRow {
    int32_t index;
    uint32_t bit;
    uint32_t deviceId;
};

// Buttons 4 to 7 exist in the profile but not on this mouse.
constexpr ButtonRow kButtons[] = {
    {1, 0x1, 1},       {2, 0x2, 2},        {3, 0x4, 3},        {8, 0x200, 10},     {9, 0x400, 11},
    {10, 0x80, 8},     {11, 0x100, 9},     {12, 0x800, 12},    {13, 0x1000, 13},   {14, 0x2000, 14},
    {15, 0x4000, 15},  {16, 0x8000, 16},   {17, 0x10000, 17},  {18, 0x20000, 18},  {19, 0x40000, 19},
    {20, 0x80000, 20}, {21, 0x100000, 21}, {22, 0x200000, 22}, {23, 0x400000, 23}, {25, 0x10, 5},
    {26, 0x8, 4},
};

struct ActionRow {
    int32_t code;
    uint32_t category;
    uint32_t subCode;
    int32_t stage;  // -1: none
};

// Ascending by function code: the reverse look-up takes the first match.
constexpr ActionRow kActions[] = {
    {0, devsvc::kCategoryMouse, 1, -1},        {1, devsvc::kCategoryMouse, 2, -1},
    {2, devsvc::kCategoryMouse, 3, -1},        {3, devsvc::kCategoryMouse, 11, -1},
    {4, devsvc::kCategoryKey, 0, -1},          {5, devsvc::kCategoryMacro, 0, -1},
    {6, devsvc::kCategoryMacro, 0, -1},        {7, devsvc::kCategoryMouse, 0, -1},
    {8, devsvc::kCategoryAdvanced, 0, -1},     {9, devsvc::kCategoryMouse, 8, -1},
    {12, devsvc::kCategorySensitivity, 1, -1}, {13, devsvc::kCategorySensitivity, 2, -1},
    {15, devsvc::kCategorySensitivity, 3, 0},  {16, devsvc::kCategorySensitivity, 3, 1},
    {17, devsvc::kCategorySensitivity, 3, 2},  {18, devsvc::kCategorySensitivity, 3, 3},
    {19, devsvc::kCategorySensitivity, 3, 4},  {20, devsvc::kCategoryProfile, 3, -1},
    {21, devsvc::kCategoryProfile, 3, -1},     {22, devsvc::kCategoryProfile, 2, -1},
    {23, devsvc::kCategoryProfile, 1, -1},     {24, devsvc::kCategoryProfile, 3, -1},
    {25, devsvc::kCategoryProfile, 3, -1},     {26, devsvc::kCategoryProfile, 3, -1},
    {27, devsvc::kCategoryProfile, 3, -1},     {28, devsvc::kCategoryProfile, 3, -1},
    {31, devsvc::kCategoryMouse, 5, -1},       {32, devsvc::kCategoryMouse, 4, -1},
    {39, devsvc::kCategoryMouse, 6, -1},       {40, devsvc::kCategoryMouse, 7, -1},
};

constexpr size_t kGuidSize = sizeof(GUID);
constexpr uint32_t kModifierShift = 24;
constexpr uint32_t kModifierMask = 0xF;  // bits 1, 2, 4 and 8 of the assignment
constexpr uint32_t kPauseBit = 1u << kModifierShift;

const ActionRow* FindAction(int32_t code) {
    for (const ActionRow& row : kActions) {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

bool HasSubCode(uint32_t category) {
    return category == devsvc::kCategoryMouse || category == devsvc::kCategoryProfile ||
           category == devsvc::kCategorySensitivity;
}

// Access to the record by its offsets (the category data starts at 12).
uint8_t* At(devsvc::ActionRecord& r, size_t offset) {
    return r.data + (offset - offsetof(devsvc::ActionRecord, data));
}
const uint8_t* At(const devsvc::ActionRecord& r, size_t offset) {
    return r.data + (offset - offsetof(devsvc::ActionRecord, data));
}

template <typename T>
T Read(const uint8_t* p) {
    T v;
    memcpy(&v, p, sizeof(v));
    return v;
}
template <typename T>
void Write(uint8_t* p, T v) {
    memcpy(p, &v, sizeof(v));
}

}  // namespace

uint32_t ButtonBit(int32_t buttonIndex) {
    for (const ButtonRow& row : kButtons) {
        if (row.index == buttonIndex)
            return row.bit;
    }
    return 0;
}

uint32_t DeviceButtonId(int32_t buttonIndex) {
    for (const ButtonRow& row : kButtons) {
        if (row.index == buttonIndex)
            return row.deviceId;
    }
    return 0;
}

int32_t ButtonIndexForBit(uint32_t bit) {
    for (const ButtonRow& row : kButtons) {
        if (bit != 0 && row.bit == bit)
            return row.index;
    }
    return 0;
}

int32_t ButtonIndexForDeviceId(uint32_t deviceId) {
    for (const ButtonRow& row : kButtons) {
        if (deviceId != 0 && row.deviceId == deviceId)
            return row.index;
    }
    return 0;
}

std::vector<uint32_t> SupportedButtonBits(uint32_t mask, uint32_t count) {
    std::vector<uint32_t> bits;
    for (uint32_t bit = kFirstButtonBit; bit != 0 && bit <= kLastButtonBit && bits.size() < count;
         bit <<= 1) {
        if (mask & bit)
            bits.push_back(bit);
    }
    return bits;
}

bool HasActionTemplate(int32_t code) {
    return FindAction(code) != nullptr;
}

devsvc::ActionRecord ActionTemplate(int32_t code) {
    devsvc::ActionRecord r;
    const ActionRow* row = FindAction(code);
    if (!row)
        return r;
    r.category = row->category;
    if (HasSubCode(row->category))
        Write<uint32_t>(At(r, devsvc::kActionSubCode), row->subCode);
    if (row->stage >= 0)
        Write<uint32_t>(At(r, devsvc::kActionStage), static_cast<uint32_t>(row->stage));
    return r;
}

devsvc::ActionRecord EncodeAssignment(const Assignment& assignment, uint32_t id) {
    devsvc::ActionRecord r = ActionTemplate(assignment.code);
    r.id = id;
    const uint32_t subCode = Read<uint32_t>(At(r, devsvc::kActionSubCode));
    switch (r.category) {
        case devsvc::kCategoryMacro:
            memcpy(At(r, devsvc::kActionMacroId), assignment.data, kGuidSize);
            break;
        case devsvc::kCategoryProfile:
            if (subCode == 3)
                memcpy(At(r, devsvc::kActionProfileId), assignment.data, kGuidSize);
            break;
        case devsvc::kCategorySensitivity:
            if (subCode == 3)
                memcpy(At(r, devsvc::kActionStage), assignment.data, sizeof(uint32_t));
            break;
        case devsvc::kCategoryKey: {
            const uint16_t scan = Read<uint16_t>(assignment.data);
            const uint16_t vk = Read<uint16_t>(assignment.data + 2);
            uint32_t word = (assignment.data[4] & kModifierMask) << kModifierShift;
            // For the scan code Num Lock and Pause share, bit 24 names the key
            // and nothing else: an extended flag there would turn Num Lock
            // into Pause.
            if (scan == kScanNumLockPause)
                word &= ~kPauseBit;
            if (vk == kVkPause)
                word |= kPauseBit;
            Write<uint16_t>(At(r, devsvc::kActionScanCode), scan);
            Write<uint32_t>(At(r, devsvc::kActionModifiers), word);
            break;
        }
        default:
            break;
    }
    return r;
}

int32_t FunctionCodeOf(const devsvc::ActionRecord& record) {
    const uint32_t subCode = Read<uint32_t>(At(record, devsvc::kActionSubCode));
    for (const ActionRow& row : kActions) {
        if (row.category != record.category)
            continue;
        if (HasSubCode(row.category) && row.subCode != subCode)
            continue;
        return row.code;
    }
    return kFunctionNone;
}

Assignment DecodeAction(const devsvc::ActionRecord& record) {
    Assignment a = MakeAssignment(FunctionCodeOf(record));
    if (a.code == kFunctionNone)
        return a;
    switch (record.category) {
        case devsvc::kCategoryMacro:
            memcpy(a.data, At(record, devsvc::kActionMacroId), kGuidSize);
            break;
        case devsvc::kCategoryProfile:
            memcpy(a.data, At(record, devsvc::kActionProfileId), kGuidSize);
            break;
        case devsvc::kCategorySensitivity:
            memcpy(a.data, At(record, devsvc::kActionStage), sizeof(uint32_t));
            break;
        case devsvc::kCategoryKey: {
            const uint16_t scan = Read<uint16_t>(At(record, devsvc::kActionScanCode));
            uint32_t word = Read<uint32_t>(At(record, devsvc::kActionModifiers));
            uint16_t vk = 0;
            if (scan == kScanNumLockPause) {
                vk = (word & kPauseBit) ? kVkPause : kVkNumLock;
                word &= ~kPauseBit;
            }
            Write<uint16_t>(a.data, scan);
            Write<uint16_t>(a.data + 2, vk);
            a.data[4] = static_cast<uint8_t>((word >> kModifierShift) & kModifierMask);
            break;
        }
        default:
            break;
    }
    return a;
}

devsvc::StagePair StagePairOf(const SensitivityStage& stage) {
    if (stage.flag)
        return {stage.x, stage.y};
    return {stage.value, stage.value};
}

SensitivityStage StageFromPair(const devsvc::StagePair& pair) {
    SensitivityStage s;
    if (pair.x == pair.y) {
        s.value = s.x = s.y = pair.x;
        s.flag = 0;
    } else {
        s.x = pair.x;
        s.y = pair.y;
        s.value = std::min(pair.x, pair.y);
        s.flag = 1;
    }
    return s;
}

uint32_t PollingIntervalForChoice(int32_t choice) {
    switch (choice) {
        case 0:
            return 8;
        case 1:
            return 2;
        case 2:
            return 1;
        default:
            return 0;
    }
}

int32_t PollingChoiceForInterval(uint32_t milliseconds) {
    switch (milliseconds) {
        case 8:
            return 0;
        case 2:
            return 1;
        case 1:
            return 2;
        default:
            return -1;
    }
}

std::wstring VersionText(uint32_t major, uint32_t minor) {
    wchar_t text[32];
    swprintf(text, 32, L"%d.%02d", static_cast<int>(major), static_cast<int>(minor));
    return text;
}

}  // namespace records
