// Device records: button numbering, action records, stage pairs, polling.
#include <gtest/gtest.h>

#include <cstring>

#include "device/Records.h"

namespace {

constexpr GUID kTarget = {0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};

uint32_t Word(const devsvc::ActionRecord& r, size_t offset) {
    uint32_t v;
    memcpy(&v, reinterpret_cast<const uint8_t*>(&r) + offset, sizeof(v));
    return v;
}

uint16_t Half(const devsvc::ActionRecord& r, size_t offset) {
    uint16_t v;
    memcpy(&v, reinterpret_cast<const uint8_t*>(&r) + offset, sizeof(v));
    return v;
}

uint32_t DataWord(const Assignment& a) {
    uint32_t v;
    memcpy(&v, a.data, sizeof(v));
    return v;
}

Assignment StageSelection(int32_t code, uint32_t stage) {
    Assignment a = MakeAssignment(code);
    memcpy(a.data, &stage, sizeof(stage));
    return a;
}

// ---------------------------------------------------------------- buttons

TEST(RecordsButtons, EachButtonHasOneBitAndIdBothWays) {
    for (int32_t index = -1; index <= 30; ++index) {
        const uint32_t bit = records::ButtonBit(index);
        const uint32_t id = records::DeviceButtonId(index);
        EXPECT_EQ(bit != 0, id != 0) << index;
        if (bit != 0) {
            EXPECT_EQ(records::ButtonIndexForBit(bit), index);
            EXPECT_EQ(records::ButtonIndexForDeviceId(id), index);
        }
    }
    // The mouse numbers some buttons differently from the profile.
    EXPECT_EQ(records::DeviceButtonId(25), 5u);
    EXPECT_EQ(records::DeviceButtonId(26), 4u);
    EXPECT_EQ(records::DeviceButtonId(10), 8u);
    EXPECT_EQ(records::DeviceButtonId(8), 10u);
    EXPECT_EQ(records::ButtonBit(23), 0x400000u);
    // Buttons the profile knows but the mouse lacks.
    for (int32_t index : {0, 4, 5, 6, 7, 24, 27})
        EXPECT_EQ(records::ButtonBit(index), 0u) << index;
    EXPECT_EQ(records::ButtonIndexForBit(0), 0);
    EXPECT_EQ(records::ButtonIndexForBit(0x800000), 0);
    EXPECT_EQ(records::ButtonIndexForDeviceId(0), 0);
    EXPECT_EQ(records::ButtonIndexForDeviceId(24), 0);
}

TEST(RecordsButtons, SupportedBitsAscendingWithinCountAndRange) {
    EXPECT_EQ(records::SupportedButtonBits(0x8000FF, 32),
              (std::vector<uint32_t>{0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x40, 0x80}));
    EXPECT_EQ(records::SupportedButtonBits(0x7FFFFF, 3), (std::vector<uint32_t>{0x1, 0x2, 0x4}));
    EXPECT_EQ(records::SupportedButtonBits(0x400800, 5), (std::vector<uint32_t>{0x800, 0x400000}));
    EXPECT_TRUE(records::SupportedButtonBits(0x7FFFFF, 0).empty());
    EXPECT_TRUE(records::SupportedButtonBits(0xFF800000, 32).empty());
}

// ---------------------------------------------------------------- action records

TEST(RecordsActions, CodeWithoutRowIsSentAsEmptyRecord) {
    Assignment a = MakeAssignment(29);  // "$play" has no row
    memset(a.data, 0xAB, sizeof(a.data));
    EXPECT_FALSE(records::HasActionTemplate(29));
    const devsvc::ActionRecord r = records::EncodeAssignment(a, 7);
    EXPECT_EQ(r.one, 1u);
    EXPECT_EQ(r.id, 7u);
    EXPECT_EQ(r.category, 0u);
    for (uint8_t byte : r.data)
        EXPECT_EQ(byte, 0);
    EXPECT_EQ(records::FunctionCodeOf(r), kFunctionNone);
    EXPECT_EQ(records::DecodeAction(r).code, kFunctionNone);
    EXPECT_FALSE(records::HasActionTemplate(-1));
    EXPECT_FALSE(records::HasActionTemplate(62));
}

TEST(RecordsActions, FunctionCodeIsTheFirstMatchingTemplate) {
    // Profile switch reads back as 20, a stage selection as 15, a macro as 5.
    EXPECT_EQ(records::FunctionCodeOf(records::ActionTemplate(21)), 20);
    EXPECT_EQ(records::FunctionCodeOf(records::ActionTemplate(27)), 20);
    EXPECT_EQ(records::FunctionCodeOf(records::ActionTemplate(19)), 15);
    EXPECT_EQ(records::FunctionCodeOf(records::ActionTemplate(6)), 5);
    for (int32_t code : {0, 1, 2, 3, 4, 7, 8, 9, 12, 13, 22, 23, 31, 32, 39, 40})
        EXPECT_EQ(records::FunctionCodeOf(records::ActionTemplate(code)), code) << code;

    devsvc::ActionRecord unknown = records::ActionTemplate(0);
    unknown.category = 9;
    EXPECT_EQ(records::FunctionCodeOf(unknown), kFunctionNone);
    devsvc::ActionRecord badSub = records::ActionTemplate(0);
    const uint32_t sub = 99;
    memcpy(badSub.data, &sub, sizeof(sub));
    EXPECT_EQ(records::FunctionCodeOf(badSub), kFunctionNone);
    // Categories without a sub-code match on the category alone.
    devsvc::ActionRecord key = records::ActionTemplate(4);
    memcpy(key.data, &sub, sizeof(sub));
    EXPECT_EQ(records::FunctionCodeOf(key), 4);
}

TEST(RecordsActions, IdentitiesTravelAtTheirOffsets) {
    Assignment macro = MakeAssignment(kFunctionMacroById);
    SetAssignmentId(macro, kTarget);
    devsvc::ActionRecord r = records::EncodeAssignment(macro, 3);
    EXPECT_EQ(r.category, devsvc::kCategoryMacro);
    EXPECT_EQ(memcmp(reinterpret_cast<const uint8_t*>(&r) + devsvc::kActionMacroId, &kTarget, 16), 0);
    EXPECT_EQ(records::DecodeAction(r), macro);

    Assignment profile = MakeAssignment(kFunctionProfileById);
    SetAssignmentId(profile, kTarget);
    r = records::EncodeAssignment(profile, 12);
    EXPECT_EQ(Word(r, devsvc::kActionSubCode), 3u);
    EXPECT_EQ(memcmp(reinterpret_cast<const uint8_t*>(&r) + devsvc::kActionProfileId, &kTarget, 16), 0);
    EXPECT_EQ(records::DecodeAction(r), profile);

    // Profile up carries no identity.
    Assignment up = MakeAssignment(22);
    SetAssignmentId(up, kTarget);
    r = records::EncodeAssignment(up, 1);
    EXPECT_EQ(Word(r, devsvc::kActionProfileId), 0u);
    EXPECT_EQ(records::DecodeAction(r), MakeAssignment(22));
}

TEST(RecordsActions, StageSelectionTakesTheStageFromTheData) {
    const devsvc::ActionRecord r = records::EncodeAssignment(StageSelection(17, 2), 1);
    EXPECT_EQ(Word(r, devsvc::kActionStage), 2u);
    const Assignment back = records::DecodeAction(r);
    EXPECT_EQ(back.code, 15);
    EXPECT_EQ(DataWord(back), 2u);
    // Stage up and down carry none.
    EXPECT_EQ(records::DecodeAction(records::EncodeAssignment(StageSelection(12, 4), 1)), MakeAssignment(12));
}

TEST(RecordsActions, SingleKeyScanCodeAndModifiers) {
    const devsvc::ActionRecord r = records::EncodeAssignment(MakeSingleKeyAssignment(0x1E, 0x41, 0x0F), 80);
    EXPECT_EQ(r.id, 80u);
    EXPECT_EQ(r.category, devsvc::kCategoryKey);
    EXPECT_EQ(Half(r, devsvc::kActionScanCode), 0x1Eu);
    EXPECT_EQ(Word(r, devsvc::kActionModifiers), 0x0F000000u);
    // The virtual key does not travel for ordinary keys.
    EXPECT_EQ(records::DecodeAction(r), MakeSingleKeyAssignment(0x1E, 0, 0x0F));
    // Only the four modifier bits travel.
    const devsvc::ActionRecord high = records::EncodeAssignment(MakeSingleKeyAssignment(2, 0, 0xF2), 2);
    EXPECT_EQ(Word(high, devsvc::kActionModifiers), 0x02000000u);
}

TEST(RecordsActions, PauseAndNumLockShareAScanCode) {
    const devsvc::ActionRecord pause = records::EncodeAssignment(MakeSingleKeyAssignment(0x45, 19, 0), 5);
    EXPECT_EQ(Word(pause, devsvc::kActionModifiers), 0x01000000u);
    EXPECT_EQ(records::DecodeAction(pause), MakeSingleKeyAssignment(0x45, 19, 0));

    // Num Lock carries the extended flag; it must not read back as Pause.
    const devsvc::ActionRecord numLock = records::EncodeAssignment(MakeSingleKeyAssignment(0x45, 144, 1), 5);
    EXPECT_EQ(Word(numLock, devsvc::kActionModifiers), 0u);
    EXPECT_EQ(records::DecodeAction(numLock), MakeSingleKeyAssignment(0x45, 144, 0));

    // Other modifiers survive next to the Pause bit.
    const devsvc::ActionRecord shifted = records::EncodeAssignment(MakeSingleKeyAssignment(0x45, 19, 4), 5);
    EXPECT_EQ(records::DecodeAction(shifted), MakeSingleKeyAssignment(0x45, 19, 4));
}

TEST(RecordsActions, EveryAllowedFunctionSurvivesARoundTrip) {
    for (int32_t code : {0, 1, 2, 3, 7, 9, 12, 13, 31, 32, 39, 40}) {
        const Assignment a = MakeAssignment(code);
        EXPECT_EQ(records::DecodeAction(records::EncodeAssignment(a, 1)), a) << code;
    }
}

// ---------------------------------------------------------------- stages, polling, texts

TEST(RecordsStages, PairsForOneOrTwoAxes) {
    const devsvc::StagePair both = records::StagePairOf({800, 1000, 1200, 0});
    EXPECT_EQ(both.x, 800);
    EXPECT_EQ(both.y, 800);
    const devsvc::StagePair separate = records::StagePairOf({800, 1000, 1200, 1});
    EXPECT_EQ(separate.x, 1000);
    EXPECT_EQ(separate.y, 1200);

    EXPECT_EQ(records::StageFromPair({1600, 1600}), (SensitivityStage{1600, 1600, 1600, 0}));
    EXPECT_EQ(records::StageFromPair({2400, 900}), (SensitivityStage{900, 2400, 900, 1}));
    EXPECT_EQ(records::StageFromPair({500, 700}), (SensitivityStage{500, 500, 700, 1}));
}

TEST(RecordsPolling, ChoicesAndIntervals) {
    EXPECT_EQ(records::PollingIntervalForChoice(0), 8u);
    EXPECT_EQ(records::PollingIntervalForChoice(1), 2u);
    EXPECT_EQ(records::PollingIntervalForChoice(2), 1u);
    EXPECT_EQ(records::PollingIntervalForChoice(-1), 0u);
    EXPECT_EQ(records::PollingIntervalForChoice(3), 0u);
    for (int32_t choice = 0; choice <= 2; ++choice)
        EXPECT_EQ(records::PollingChoiceForInterval(records::PollingIntervalForChoice(choice)), choice);
    EXPECT_EQ(records::PollingChoiceForInterval(4), -1);
    EXPECT_EQ(records::PollingChoiceForInterval(0), -1);
}

TEST(RecordsTexts, VersionHasTwoDigitMinor) {
    EXPECT_EQ(records::VersionText(1, 5), L"1.05");
    EXPECT_EQ(records::VersionText(12, 34), L"12.34");
    EXPECT_EQ(records::VersionText(0, 0), L"0.00");
}

}  // namespace
