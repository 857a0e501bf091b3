// Profile record and configuration: stages, permissions, copies, defaults,
// the profile set and the fallback fields.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/MouseDevice.h"
#include "model/MouseProfile.h"
#include "model/VellConfig.h"
#include "skin/NameTables.h"

namespace {

constexpr GUID kSomeId = {0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};

CMouseProfile RangedProfile(int32_t stages) {
    CMouseProfile profile(L"P");
    profile.SetSensitivityRange(100, 5600, 100);
    profile.SetStageCount(stages);
    return profile;
}

Assignment WithName(int32_t code, const wchar_t* name) {
    Assignment a = MakeAssignment(code);
    SetAssignmentName(a, name);
    return a;
}

// ---------------------------------------------------------------- profile

TEST(ProfileStages, StageCountIsLimitedAndResetsActiveStage) {
    CMouseProfile profile = RangedProfile(5);
    profile.SetActiveStage(4);
    EXPECT_TRUE(profile.SetStageCount(0));
    EXPECT_EQ(profile.GetStageCount(), 1);
    EXPECT_EQ(profile.GetActiveStage(), 1);

    profile.SetActiveStage(1);
    profile.SetStageCount(25);
    EXPECT_EQ(profile.GetStageCount(), 10);
    EXPECT_EQ(profile.GetActiveStage(), 1);
    EXPECT_EQ(profile.GetStageValue(10), 0);  // the new array is zeroed

    profile.SetStageCount(-3);
    EXPECT_EQ(profile.GetStageCount(), 1);
}

TEST(ProfileStages, StageSettersClampIntoTheRange) {
    CMouseProfile profile = RangedProfile(5);
    EXPECT_EQ(profile.SetStageValue(2, 7000), 5600);
    EXPECT_EQ(profile.GetStageValue(2), 5600);
    EXPECT_EQ(profile.SetStageValue(2, 50), 100);
    EXPECT_EQ(profile.SetStageX(3, 9999), 5600);
    EXPECT_EQ(profile.SetStageY(3, -1), 100);
    EXPECT_EQ(profile.GetStageY(3), 100);

    // Sensitivities themselves are stored unchanged.
    profile.SetSensitivity(99999);
    EXPECT_EQ(profile.GetSensitivity(), 99999);
}

TEST(ProfileStages, AddressingStaysInsideTheArray) {
    CMouseProfile profile = RangedProfile(3);
    profile.SetStageValue(1, 800);
    profile.SetStageValue(3, 1800);
    EXPECT_EQ(profile.SetStageValue(9, 2000), 2000);  // beyond the count: the last stage
    EXPECT_EQ(profile.GetStageValue(3), 2000);
    EXPECT_EQ(profile.GetStageValue(0), 800);  // 0 and below: the first stage
    EXPECT_EQ(profile.GetStageValue(-7), 800);
    profile.SetStageFlag(0, true);
    EXPECT_TRUE(profile.GetStageFlag(1));
    EXPECT_FALSE(profile.GetStageFlag(2));

    // A profile that never had stages answers 0 and stores nothing.
    CMouseProfile empty;
    EXPECT_EQ(empty.GetStageCount(), 0);
    EXPECT_EQ(empty.SetStageValue(1, 500), 0);
    EXPECT_EQ(empty.GetStageValue(1), 0);
    empty.SetStageFlag(2, true);
    EXPECT_FALSE(empty.GetStageFlag(2));
}

TEST(ProfileStages, ActiveStageAndStagesInUse) {
    CMouseProfile profile = RangedProfile(5);
    profile.SetActiveStage(3);
    EXPECT_EQ(profile.GetActiveStage(), 3);
    profile.SetActiveStage(8);
    EXPECT_EQ(profile.GetActiveStage(), 5);
    profile.SetActiveStage(0);
    EXPECT_EQ(profile.GetActiveStage(), 0);  // none
    profile.SetActiveStage(-5);
    EXPECT_EQ(profile.GetActiveStage(), 0);

    profile.SetStagesInUse(7);
    EXPECT_EQ(profile.GetStagesInUse(), 5);
    profile.SetStageCount(2);
    EXPECT_EQ(profile.GetStagesInUse(), 2);
}

TEST(ProfileAssignments, PermissionsFollowTheButton) {
    CMouseProfile profile(L"P");
    EXPECT_TRUE(profile.SetButtonAssignment(kButtonScrollUp, MakeAssignment(kFunctionScrollUp)));
    EXPECT_FALSE(profile.SetButtonAssignment(kButtonScrollUp, MakeAssignment(kFunctionMenu)));
    EXPECT_EQ(profile.GetButtonAssignment(kButtonScrollUp).code, kFunctionScrollUp);  // previous kept

    EXPECT_TRUE(profile.SetButtonAssignment(kButtonScrollUp, WithName(kFunctionMacroByName, L"Combo")));
    EXPECT_EQ(AssignmentName(profile.GetButtonAssignment(kButtonScrollUp)), L"Combo");
    EXPECT_TRUE(profile.SetButtonAssignment(kButtonLeft, WithName(kFunctionProfileByName, L"Other")));
    EXPECT_FALSE(profile.SetButtonAssignment(kButtonScrollDown, MakeAssignment(kFunctionProfileByName)));
    EXPECT_FALSE(profile.SetButtonAssignment(kButtonLeft, MakeAssignment(kFunctionNone)));
    EXPECT_FALSE(profile.SetButtonAssignment(kButtonLeft, MakeAssignment(61)));
    EXPECT_FALSE(profile.IsFunctionAllowed(kFunctionClick, kButtonScrollDown));
}

TEST(ProfileAssignments, ListsAllowedFunctionsInOfferOrder) {
    names::BuildAllNameTables();
    CMouseProfile profile;
    std::vector<std::wstring> names = {L"stale"};
    profile.ListAllowedFunctions(names, kButtonScrollDown);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"$macro", L"$SensitivityStageUp", L"$SensitivityStageDown",
                                                L"$scrollup", L"$scrolldown", L"$buttonoff"}));
    profile.ListAllowedFunctions(names, 14);
    ASSERT_EQ(names.size(), 15u);
    EXPECT_EQ(names.front(), L"$click");
    EXPECT_EQ(names[7], L"$Forward");
    EXPECT_EQ(names[10], L"$SingleKey");
    EXPECT_EQ(names[11], L"$profile");
    EXPECT_EQ(names.back(), L"$buttonoff");
}

TEST(ProfileAssignments, KeyOrderRecordsEveryKeyOnce) {
    CMouseProfile profile;
    EXPECT_TRUE(profile.SetKeyAssignment(79, MakeSingleKeyAssignment(79, 0, 0)));
    EXPECT_FALSE(profile.SetKeyAssignment(2, MakeAssignment(41)));  // "$cut": refused, still listed
    EXPECT_TRUE(profile.SetKeyAssignment(79, MakeAssignment(kFunctionClick)));
    EXPECT_EQ(profile.KeyOrder(), (std::vector<int32_t>{79, 2}));
    EXPECT_EQ(profile.GetKeyAssignmentCount(), 1);
    EXPECT_EQ(profile.KeyIdAt(1), 2);
    EXPECT_EQ(profile.KeyIdAt(2), -1);
    EXPECT_EQ(profile.KeyIdAt(-1), -1);
}

TEST(ProfileAssignments, ClickOnAThumbKeyCountsOnlyWhileKeysAreEnabled) {
    CMouseProfile profile;
    EXPECT_FALSE(profile.HasClickAssignment());
    profile.SetButtonAssignment(kButtonLeft, MakeAssignment(kFunctionClick));
    EXPECT_TRUE(profile.HasClickAssignment());
    profile.SetButtonAssignment(kButtonLeft, MakeAssignment(kFunctionMenu));
    EXPECT_FALSE(profile.HasClickAssignment());
    profile.SetKeyAssignment(5, MakeAssignment(kFunctionClick));
    EXPECT_TRUE(profile.HasClickAssignment());
    profile.SetThumbKeysEnabled(false);
    EXPECT_FALSE(profile.HasClickAssignment());

    // Reading a button without an entry shows "$click" but stores nothing:
    // it must not count as the profile's click, nor be written as one.
    EXPECT_EQ(profile.GetButtonAssignment(4), MakeAssignment(kFunctionClick));
    EXPECT_EQ(profile.FindButtonAssignment(4), nullptr);
    EXPECT_FALSE(profile.HasClickAssignment());
}

TEST(ProfileCopy, CopiesEveryFieldAndClampsAgainstTheCopiedRange) {
    CMouseProfile source(L"Source");
    source.SetProgramPath(L"C:\\Games\\shooter.exe");
    source.SetId(kSomeId);
    source.SetAutoSwitch(true);
    source.SetThumbKeysEnabled(false);
    source.SetSensitivityRange(0, 8000, 50);
    source.SetStageCount(4);
    source.SetStageValue(1, 400);
    source.SetStageValue(2, 7000);
    source.SetStageX(3, 900);
    source.SetStageY(3, 1100);
    source.SetStageFlag(3, true);
    source.SetStagesInUse(3);
    source.SetActiveStage(2);
    source.SetSeparateXY(true);
    source.SetButtonAssignment(kButtonRight, WithName(kFunctionMacroByName, L"Reload"));
    source.SetKeyAssignment(13, MakeSingleKeyAssignment(13, 0x42, 1));
    source.SetKeyAssignment(2, MakeAssignment(kFunctionClick));
    // Narrowing the range afterwards leaves the stored value; the copy clamps it.
    source.SetSensitivityRange(100, 5600, 100);

    const CMouseProfile copy(source);
    EXPECT_EQ(copy.GetName(), L"Source");
    EXPECT_EQ(copy.GetProgramFileName(), L"shooter.exe");
    EXPECT_TRUE(IsEqualGUID(copy.GetId(), kSomeId));
    EXPECT_TRUE(copy.GetAutoSwitch());
    EXPECT_FALSE(copy.GetThumbKeysEnabled());
    EXPECT_EQ(copy.GetStageCount(), 4);
    EXPECT_EQ(copy.GetStagesInUse(), 3);
    EXPECT_EQ(copy.GetActiveStage(), 2);
    EXPECT_EQ(copy.GetStageValue(1), 400);
    EXPECT_EQ(copy.GetStageValue(2), 5600);
    EXPECT_EQ(copy.GetStageY(3), 1100);
    EXPECT_TRUE(copy.GetStageFlag(3));
    EXPECT_TRUE(copy.GetSeparateXY());
    EXPECT_EQ(copy.ButtonAssignments(), source.ButtonAssignments());
    EXPECT_EQ(copy.KeyAssignments(), source.KeyAssignments());
    EXPECT_EQ(copy.KeyOrder(), (std::vector<int32_t>{13, 2}));

    const CMouseProfile empty;
    const CMouseProfile fromEmpty(empty);
    EXPECT_EQ(fromEmpty.GetStageCount(), 1);
    EXPECT_EQ(fromEmpty.GetStageValue(1), 0);
}

TEST(ProfileAssignmentBlock, NamesNeverLeaveTheirField) {
    struct Guarded {
        Assignment assignment;
        uint8_t after[16];
    } guarded;
    memset(guarded.assignment.data, 0xAB, sizeof(guarded.assignment.data));
    memset(guarded.after, 0xAB, sizeof(guarded.after));
    const std::wstring longName(300, L'M');
    SetAssignmentName(guarded.assignment, longName.c_str());
    EXPECT_EQ(AssignmentName(guarded.assignment), std::wstring(39, L'M'));
    EXPECT_EQ(guarded.assignment.data[78], 0);
    EXPECT_EQ(guarded.assignment.data[79], 0);
    for (uint8_t byte : guarded.after)
        EXPECT_EQ(byte, 0xAB);

    // A pair of surrogates is never split at the cut.
    const std::wstring emoji = std::wstring(38, L'a') + L"\U0001F600";
    Assignment a;
    SetAssignmentName(a, emoji.c_str());
    EXPECT_EQ(AssignmentName(a), std::wstring(38, L'a'));

    // The rest of the block is cleared; null reads as empty.
    memset(a.data, 0xFF, sizeof(a.data));
    SetAssignmentName(a, nullptr);
    EXPECT_EQ(a, MakeAssignment(a.code));

    // A block without a terminator reads as at most 40 characters.
    for (size_t i = 0; i < kAssignmentDataSize; i += 2) {
        a.data[i] = 'x';
        a.data[i + 1] = 0;
    }
    EXPECT_EQ(AssignmentName(a), std::wstring(40, L'x'));
}

TEST(ProfileAssignmentBlock, CopyTruncatedTerminatesSafely) {
    wchar_t buffer[6];
    wmemset(buffer, L'#', 6);
    CopyTruncated(buffer, 6, L"Profile");
    EXPECT_STREQ(buffer, L"Profi");
    CopyTruncated(buffer, 6, L"abcd\U0001F600");  // the pair would need slots 4 and 5
    EXPECT_STREQ(buffer, L"abcd");
    CopyTruncated(buffer, 1, L"abc");
    EXPECT_STREQ(buffer, L"");
}

// ----------------------------------------------------------- configuration

// Only the polling rate count matters to the configuration.
class FakeDevice : public IMouseDevice {
public:
    bool Initialize(CMouseConfig*, const uint16_t*) override { return true; }
    void Reset() override {}
    int GetPollingRateCount() override { return 3; }
    int GetPollingRate(int) override { return 0; }
    int GetMaxProfiles() override { return 0; }
    int GetDeviceProfileCount() override { return 0; }
    bool IsBusy() override { return false; }
    bool CreateMacro(CMacro*) override { return false; }
    bool LoadMacro(GUID, CMacro*) override { return false; }
    bool DeleteAllMacros() override { return false; }
    bool ImportMacro(const wchar_t*, CMouseConfig*, std::wstring*) override { return false; }
    bool ExportMacro(const wchar_t*, CMacro*) override { return false; }
    bool IsMacroOnDevice(CMacro*) override { return false; }
    bool ImportProfile(const wchar_t*, CMouseConfig*, std::wstring*) override { return false; }
    bool ExportProfile(const wchar_t*, CMouseProfile*) override { return false; }
    bool IsProfileOnDevice(CMouseProfile*) override { return false; }
    bool Synchronize(CMouseConfig*, SyncDirection, uint32_t) override { return false; }
    void NotifyWritesTo(HWND, UINT) override {}
    uint8_t IsConnected() override { return 0; }
    bool GetFirmwareVersion(std::wstring&) override { return false; }
    bool GetDriverVersion(std::wstring&) override { return false; }
    uint16_t GetProductId() override { return 0; }
};

TEST(ConfigCreate, NewProfileHasTheDefaultSettings) {
    CVellConfig config;
    config.SetAccelerationRange(1, 10);
    CMouseProfile* profile = config.CreateProfile(L"Default");
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(config.GetProfileCount(), 1);
    EXPECT_EQ(profile->GetName(), L"Default");
    EXPECT_EQ(profile->GetStageCount(), 5);
    EXPECT_EQ(profile->GetStagesInUse(), 5);
    EXPECT_EQ(profile->GetActiveStage(), 3);
    const int32_t values[] = {800, 1200, 1800, 4000, 5600};
    for (int32_t stage = 1; stage <= 5; ++stage) {
        EXPECT_EQ(profile->GetStageValue(stage), values[stage - 1]);
        EXPECT_FALSE(profile->GetStageFlag(stage));
    }
    EXPECT_EQ(profile->GetSensitivity(), 1800);
    EXPECT_EQ(profile->ButtonAssignments().size(), 7u);
    EXPECT_EQ(profile->GetKeyAssignmentCount(), 24);
    EXPECT_EQ(profile->GetButtonAssignment(kButtonLeftFront).code, kFunctionForward);
    EXPECT_EQ(profile->GetButtonAssignment(kButtonScrollDown).code, kFunctionScrollDown);
    EXPECT_EQ(profile->KeyIdAt(0), 2);
    EXPECT_EQ(profile->KeyIdAt(12), 79);
    EXPECT_EQ(profile->KeyIdAt(23), 78);
    EXPECT_EQ(profile->GetKeyAssignment(81), MakeSingleKeyAssignment(81, 0, 0));
    EXPECT_TRUE(profile->GetUnderGlowLight());
    EXPECT_TRUE(profile->GetDpiOsd());
    EXPECT_EQ(config.GetPollingRateChoice(), 1);
    EXPECT_EQ(config.GetAccelerationLevel(), 5);
    EXPECT_FALSE(config.GetAccelerationEnabled());

    Assignment fallback;
    EXPECT_TRUE(config.DefaultKeyAssignment(72, fallback));
    EXPECT_EQ(fallback, MakeSingleKeyAssignment(72, 0, 0));
    EXPECT_TRUE(config.DefaultButtonAssignment(kButtonRight, fallback));
    EXPECT_EQ(fallback.code, kFunctionMenu);
    EXPECT_FALSE(config.DefaultButtonAssignment(4, fallback));
}

TEST(ConfigCreate, ProfileDisplayIsSharedByAllProfiles) {
    CVellConfig config;
    CMouseProfile* first = config.CreateProfile(L"One");
    EXPECT_FALSE(first->GetProfileOsd());  // no current profile: off
    config.SetCurrentProfile(first);
    config.SetProfileOsd(true);
    CMouseProfile* second = config.CreateProfile(L"Two");
    EXPECT_TRUE(second->GetProfileOsd());

    config.SetProfileOsdAll(false);
    second->SetSensitivity(400);
    config.RestoreDefaults(second);
    EXPECT_EQ(second->GetSensitivity(), 1800);
    EXPECT_FALSE(first->GetProfileOsd());

    first->SetStageValue(2, 3000);
    config.RestoreDefaults();  // the current profile; every profile shows changes
    EXPECT_EQ(first->GetStageValue(2), 1200);
    EXPECT_TRUE(first->GetProfileOsd());
    EXPECT_TRUE(second->GetProfileOsd());
}

TEST(ConfigProfiles, LookupsAndDeletion) {
    CVellConfig config;
    CMouseProfile* game = config.CreateProfile(L"Ärger");
    CMouseProfile* work = config.CreateProfile(L"Work");
    work->SetId(kSomeId);
    EXPECT_EQ(config.ProfileAt(1), work);
    EXPECT_EQ(config.ProfileAt(2), nullptr);
    EXPECT_EQ(config.ProfileAt(-1), nullptr);
    EXPECT_EQ(config.FindByName(L"äRGER"), game);
    EXPECT_EQ(config.FindByName(L"Ärg"), nullptr);
    EXPECT_EQ(config.FindByName(nullptr), nullptr);
    EXPECT_EQ(config.FindById(kSomeId), work);

    CMouseProfile* copy = config.AddCopy(work);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, work);
    EXPECT_EQ(config.AddCopy(nullptr), nullptr);
    EXPECT_EQ(config.FindById(kSomeId), work);  // the first with that identity

    CMouseProfile stranger(L"Stranger");
    config.Delete(&stranger);  // not ours: nothing happens
    config.Delete(nullptr);
    EXPECT_EQ(config.GetProfileCount(), 3);

    config.SetCurrentProfile(work);
    config.Delete(work);
    EXPECT_EQ(config.GetProfileCount(), 2);
    EXPECT_EQ(config.GetCurrentProfile(), nullptr);
    EXPECT_EQ(config.ProfileAt(1), copy);

    config.ClearProfiles();
    EXPECT_EQ(config.GetProfileCount(), 0);
}

TEST(ConfigProfiles, RenameReplacesTheProfileInPlace) {
    CVellConfig config;
    config.CreateProfile(L"First");
    CMouseProfile* game = config.CreateProfile(L"Game");
    config.CreateProfile(L"Last");
    game->SetId(kSomeId);
    game->SetStageValue(2, 2500);
    config.SetCurrentProfile(game);

    EXPECT_EQ(config.Rename(game, L"Game"), nullptr);
    EXPECT_EQ(config.Rename(nullptr, L"X"), nullptr);
    CMouseProfile stranger(L"Stranger");
    EXPECT_EQ(config.Rename(&stranger, L"X"), nullptr);
    EXPECT_EQ(config.ProfileAt(1), game);

    CMouseProfile* renamed = config.Rename(game, L"game");
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(config.GetProfileCount(), 3);
    EXPECT_EQ(config.ProfileAt(1), renamed);
    EXPECT_EQ(renamed->GetName(), L"game");
    EXPECT_TRUE(IsEqualGUID(renamed->GetId(), kSomeId));
    EXPECT_EQ(renamed->GetStageValue(2), 2500);
    EXPECT_EQ(config.GetCurrentProfile(), renamed);
}

TEST(ConfigProfiles, DuplicateStartsWithoutIdentity) {
    CVellConfig config;
    CMouseProfile* source = config.CreateProfile(L"Source");
    source->SetId(kSomeId);
    source->SetButtonAssignment(4, MakeAssignment(kFunctionButtonOff));
    source->SetStageX(4, 3300);

    EXPECT_EQ(config.Duplicate(source, L"Source"), nullptr);
    EXPECT_EQ(config.Duplicate(nullptr, L"New"), nullptr);
    CMouseProfile* duplicate = config.Duplicate(source, L"New");
    ASSERT_NE(duplicate, nullptr);
    EXPECT_EQ(config.ProfileAt(1), duplicate);
    EXPECT_EQ(duplicate->GetName(), L"New");
    EXPECT_TRUE(IsEqualGUID(duplicate->GetId(), GUID{}));
    EXPECT_EQ(duplicate->ButtonAssignments(), source->ButtonAssignments());
    EXPECT_EQ(duplicate->KeyAssignments(), source->KeyAssignments());
    EXPECT_EQ(duplicate->GetStageX(4), 3300);
    EXPECT_EQ(source->GetName(), L"Source");
}

TEST(ConfigFallback, WithoutProfileTheFallbackFieldsAnswer) {
    CVellConfig config;
    CMouseProfile* only = config.CreateProfile(L"Only");
    config.SetCurrentProfile(only);
    config.Delete(only);
    ASSERT_EQ(config.GetCurrentProfile(), nullptr);

    EXPECT_FALSE(config.SetStageCount(0));
    EXPECT_TRUE(config.SetStageCount(12));
    EXPECT_EQ(config.GetStageCount(), 10);
    config.SetSensitivityRange(200, 3000, 50);
    config.SetStageValue(2, 9000);
    config.SetStageX(15, 100);  // beyond the count: the last entry
    EXPECT_EQ(config.GetStageValue(2), 3000);
    EXPECT_EQ(config.GetStageX(10), 200);
    EXPECT_EQ(config.GetStageY(1), 0);
    EXPECT_FALSE(config.SetStageCount(0));
    EXPECT_EQ(config.GetStageValue(2), 3000);  // the arrays are kept

    EXPECT_EQ(config.SetActiveStage(4), 3);
    EXPECT_EQ(config.GetActiveStage(), 4);
    EXPECT_EQ(config.SetActiveStage(40), 9);
    EXPECT_EQ(config.SetActiveStage(0), -1);
    config.SetStagesInUse(11);
    EXPECT_EQ(config.GetStagesInUse(), 10);

    config.SetStageFlag(3, true);
    EXPECT_TRUE(config.GetSeparateXY());  // one shared field
    config.SetSeparateXY(false);
    EXPECT_FALSE(config.GetStageFlag(1));
    config.SetScrollLight(true);
    config.SetUnderGlowLight(false);
    EXPECT_TRUE(config.GetScrollLight());
    EXPECT_FALSE(config.GetUnderGlowLight());

    EXPECT_TRUE(config.GetThumbKeysEnabled());
    EXPECT_EQ(config.GetKeyAssignment(2).code, kFunctionNone);
    EXPECT_EQ(config.GetButtonAssignment(1).code, kFunctionNone);
    EXPECT_FALSE(config.SetButtonAssignment(1, MakeAssignment(kFunctionClick)));
    EXPECT_FALSE(config.HasClickAssignment());
    EXPECT_EQ(config.KeyIdAt(0), -1);
}

TEST(ConfigFallback, StageCountUsesOnlyTheProfileGiven) {
    CVellConfig config;
    CMouseProfile* current = config.CreateProfile(L"Current");
    config.SetCurrentProfile(current);
    EXPECT_TRUE(config.SetStageCount(3));
    EXPECT_EQ(current->GetStageCount(), 5);
    EXPECT_TRUE(config.SetStageCount(3, current));
    EXPECT_EQ(current->GetStageCount(), 3);

    // Other forwarding operations fall back to the current profile.
    config.SetStageValue(1, 999);
    EXPECT_EQ(current->GetStageValue(1), 999);
    config.SetProgramPath(nullptr, L"D:\\Tools\\app.exe");
    EXPECT_EQ(current->GetProgramFileName(), L"app.exe");
}

TEST(ConfigDevice, AccelerationIsClampedAndDeviceGivesPollingRates) {
    CVellConfig config;
    EXPECT_EQ(config.SetAccelerationLevel(7), 0);  // no range yet
    config.SetAccelerationRange(1, 10);
    EXPECT_EQ(config.SetAccelerationLevel(12), 10);
    EXPECT_EQ(config.SetAccelerationLevel(0), 1);
    EXPECT_EQ(config.GetAccelerationLevel(), 1);

    FakeDevice device;
    config.AttachDevice(nullptr);
    EXPECT_EQ(config.GetDevice(), nullptr);
    config.AttachDevice(&device);
    EXPECT_EQ(config.GetDevice(), &device);
    EXPECT_EQ(config.GetPollingRateCount(), 3);
}

TEST(ConfigMacros, ForwardToTheMacroList) {
    CVellConfig config;
    CMacro* jump = config.CreateMacro(L"Jump", MacroEvents{{kMacroEventDelay, 10, 10}});
    ASSERT_NE(jump, nullptr);
    EXPECT_EQ(config.CreateMacro(L"JUMP", {}), nullptr);
    CMacro* run = config.CreateMacro(L"Run", {});
    EXPECT_EQ(config.MacroAt(1), run);
    EXPECT_EQ(config.FindMacroByName(L"jump"), jump);
    config.DeleteMacro(jump);
    config.DeleteMacro(nullptr);
    EXPECT_EQ(config.GetMacroCount(), 1);
    EXPECT_EQ(config.FindMacroByName(L"Jump"), nullptr);
}

}  // namespace
