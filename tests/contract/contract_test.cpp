// The device link against a second service written from the contract alone
// (FixedService): if the link leaned on anything our own service does beyond
// the contract, these tests would see it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>

#include "FixedService.h"
#include "device/Mouse.h"
#include "device/MouseGlance.h"
#include "device/Records.h"
#include "model/VellConfig.h"
#include "skin/NameTables.h"
#include "tray/MouseWatcher.h"

namespace {

constexpr uint16_t kProduct = 21;
constexpr DWORD kWriteTimeoutMs = 30000;

class Contract : public ::testing::Test {
protected:
    void SetUp() override { fixedsvc::Reset(); }
    void TearDown() override {
        std::lock_guard<std::recursive_mutex> hold(fixedsvc::Lock());
        const fixedsvc::Mouse& m = fixedsvc::State();
        EXPECT_EQ(0, m.foreignBuffers) << "buffers handed in must come from the task allocator";
        EXPECT_TRUE(m.outstanding.empty()) << m.outstanding.size() << " returned buffers never freed";
        EXPECT_EQ(0, m.liveObjects) << "service objects never released";
    }
};

struct Session {
    CVellConfig config;
    std::unique_ptr<CMouse> mouse = std::make_unique<CMouse>();
    bool Open(bool read = true) {
        const uint16_t product = kProduct;
        mouse->SetSettleDelayForTesting(0);
        if (!mouse->Initialize(&config, &product))
            return false;
        config.AttachDevice(mouse.get());
        return !read || mouse->Synchronize(&config, SyncDirection::Read, kSectionsAll);
    }
};

fixedsvc::Profile DeviceProfileNamed(const wchar_t* name) {
    std::lock_guard<std::recursive_mutex> hold(fixedsvc::Lock());
    for (const fixedsvc::Profile& p : fixedsvc::State().profiles) {
        if (p.name == name)
            return p;
    }
    return {};
}

GUID DeviceMacroId(const wchar_t* name) {
    std::lock_guard<std::recursive_mutex> hold(fixedsvc::Lock());
    for (const fixedsvc::Macro& m : fixedsvc::State().macros) {
        if (m.name == name)
            return m.id;
    }
    return {};
}

GUID RecordId(const devsvc::ActionRecord& record, size_t offset) {
    GUID id{};
    std::memcpy(&id, reinterpret_cast<const uint8_t*>(&record) + offset, sizeof(id));
    return id;
}

TEST_F(Contract, TheTaskAllocatorCheckTellsForeignBuffersApart) {
    // The contract checks below mean something only if a vector's or a stack
    // buffer's memory is not taken for the task allocator's.
    IMalloc* malloc = nullptr;
    ASSERT_EQ(S_OK, CoGetMalloc(1, &malloc));
    auto heap = std::make_unique<char[]>(64);
    char stack[64] = {};
    void* task = CoTaskMemAlloc(64);
    EXPECT_NE(1, malloc->DidAlloc(heap.get()));
    EXPECT_NE(1, malloc->DidAlloc(stack));
    EXPECT_EQ(1, malloc->DidAlloc(task));
    EXPECT_EQ(64u, win::CoTaskMemSize(task));
    CoTaskMemFree(task);
    malloc->Release();
}

TEST_F(Contract, AFullConfigurationTravelsBothWays) {
    {
        Session s;
        ASSERT_TRUE(s.Open());
        std::wstring firmware, driver;
        s.mouse->GetFirmwareVersion(firmware);
        s.mouse->GetDriverVersion(driver);
        EXPECT_EQ(L"1.04", firmware) << "the second device, not the first of another product";
        EXPECT_EQ(L"3.07", driver);
        EXPECT_EQ(fixedsvc::kButtonCount, s.mouse->SupportedButtonBits().size());
        ASSERT_EQ(fixedsvc::kKeyCount, s.mouse->SupportedKeyIds().size());
        EXPECT_EQ(fixedsvc::kFirstKey + 11, s.mouse->SupportedKeyIds().back());
        EXPECT_EQ(3, s.mouse->GetPollingRateCount());
        EXPECT_EQ(1, s.mouse->GetPollingRate(2));

        // Everything the fixed mouse holds arrived.
        CVellConfig& c = s.config;
        ASSERT_EQ(2, c.GetProfileCount());
        CMouseProfile* one = c.FindByName(L"Fixed One");
        CMouseProfile* two = c.FindByName(L"Fixed Two");
        ASSERT_TRUE(one && two);
        EXPECT_EQ(one, c.GetCurrentProfile());
        EXPECT_EQ(L"C:\\Games\\fixed.exe", two->GetProgramPath());
        EXPECT_TRUE(two->GetAutoSwitch());
        EXPECT_FALSE(two->GetDpiOsd());
        EXPECT_TRUE(two->GetProfileOsd());
        EXPECT_FALSE(two->GetUnderGlowLight());
        EXPECT_TRUE(two->GetScrollLight());
        EXPECT_EQ(3, two->GetStagesInUse());
        EXPECT_EQ(1600, two->GetStageValue(3));
        EXPECT_EQ(2, two->GetActiveStage());
        EXPECT_EQ(kFunctionClick, one->GetButtonAssignment(1).code);
        EXPECT_EQ(kFunctionSingleKey, one->GetKeyAssignment(7).code);
        EXPECT_EQ(7, one->GetKeyAssignment(7).data[0]);
        ASSERT_EQ(1, c.GetMacroCount());
        const CMacro* fixedMacro = c.MacroAt(0);
        EXPECT_STREQ(L"Fixed Macro", fixedMacro->Name());
        const MacroEvents expected = {{kMacroEventKey, 0x1E, kMacroStatePress},
                                      {kMacroEventDelay, 250, 250},
                                      {kMacroEventKey, 0x1E, kMacroStateRelease},
                                      {kMacroEventButton, 1, kMacroStatePress}};
        EXPECT_EQ(expected, fixedMacro->Events());

        // Change something of every kind and write it back.
        one = c.Rename(one, L"Renamed");
        ASSERT_TRUE(one);
        CMouseProfile* third = c.CreateProfile(L"Third");
        const MacroEvents made = {{kMacroEventKey, 0x20, kMacroStatePress},
                                  {kMacroEventDelay, 40, 40},
                                  {kMacroEventKey, 0x20, kMacroStateRelease}};
        ASSERT_TRUE(c.CreateMacro(L"Made Here", made));
        Assignment byName = MakeAssignment(kFunctionMacroByName);
        SetAssignmentName(byName, L"Fixed Macro");
        c.SetButtonAssignment(3, byName, one);
        SetAssignmentName(byName, L"Made Here");
        c.SetKeyAssignment(7, byName, third);
        c.SetStageValue(1, 2400, two);
        c.SetScrollLight(false, two);
        c.SetPollingRateChoice(0);
        c.SetAccelerationLevel(7);
        c.SetAccelerationEnabled(true);
        c.SetCurrentProfile(third);

        ASSERT_TRUE(s.mouse->Synchronize(&c, SyncDirection::Write, kSectionsAll));
        ASSERT_TRUE(s.mouse->WaitUntilIdle(kWriteTimeoutMs));
        EXPECT_TRUE(s.mouse->LastWriteSucceeded());

        // The mouse gave the new profile and macro their identities; they
        // reached the configuration on this thread.
        const fixedsvc::Profile onMouse = DeviceProfileNamed(L"Third");
        EXPECT_NE(GUID{}, onMouse.id);
        EXPECT_EQ(onMouse.id, third->GetId());
        const CMacro* madeHere = c.FindMacroByName(L"Made Here");
        ASSERT_TRUE(madeHere);
        EXPECT_EQ(DeviceMacroId(L"Made Here"), madeHere->Id());
    }

    std::lock_guard<std::recursive_mutex> hold(fixedsvc::Lock());
    const fixedsvc::Mouse& m = fixedsvc::State();
    ASSERT_EQ(3u, m.profiles.size());
    EXPECT_EQ(L"Renamed", m.profiles[0].name);
    EXPECT_EQ(L"Third", m.profiles[m.active].name);
    ASSERT_EQ(2u, m.macros.size());
    EXPECT_EQ(L"Made Here", m.macros[1].name);
    ASSERT_EQ(3u, m.macros[1].events.size());
    EXPECT_EQ(3u, m.macros[1].events[1].type);
    EXPECT_EQ(40u, m.macros[1].events[1].first);
    // By-name assignments went as the identities the mouse knows.
    const devsvc::ActionRecord& wheel = m.profiles[0].buttons.at(3);
    EXPECT_EQ(devsvc::kCategoryMacro, wheel.category);
    EXPECT_EQ(m.macros[0].id, RecordId(wheel, devsvc::kActionMacroId));
    const devsvc::ActionRecord& key = m.profiles[2].keys.at(7);
    EXPECT_EQ(devsvc::kCategoryMacro, key.category);
    EXPECT_EQ(m.macros[1].id, RecordId(key, devsvc::kActionMacroId));
    EXPECT_EQ(2400, m.profiles[1].stages[0].x);
    EXPECT_EQ(0u, m.profiles[1].scrollLight);
    EXPECT_EQ(L"C:\\Games\\fixed.exe", m.profiles[1].programPath);
    EXPECT_EQ(8u, m.interval);
    EXPECT_EQ(7u, m.accelerationLevel);
    EXPECT_TRUE(m.accelerationOn);
}

// Event buffers that lie about their count, are empty, or are missing: no
// read past the block, no crash, and nothing of them in the configuration.
TEST_F(Contract, DamagedEventBuffersChangeNothing) {
    using fixedsvc::EventsAnswer;
    for (EventsAnswer answer : {EventsAnswer::CountPastTheBlock, EventsAnswer::ZeroLength, EventsAnswer::Null}) {
        SCOPED_TRACE(static_cast<int>(answer));
        fixedsvc::Reset();
        Session s;
        ASSERT_TRUE(s.Open());
        ASSERT_EQ(1, s.config.GetMacroCount());
        const MacroEvents before = s.config.MacroAt(0)->Events();
        ASSERT_EQ(4u, before.size());
        {
            std::lock_guard<std::recursive_mutex> hold(fixedsvc::Lock());
            fixedsvc::State().eventsAnswer = answer;
        }
        // A known macro keeps its events, and the read says it failed.
        EXPECT_FALSE(s.mouse->Synchronize(&s.config, SyncDirection::Read, kSectionsAll));
        ASSERT_EQ(1, s.config.GetMacroCount());
        EXPECT_EQ(before, s.config.MacroAt(0)->Events());

        // A macro not yet known is not added from such a buffer.
        Session fresh;
        EXPECT_FALSE(fresh.Open());
        EXPECT_EQ(0, fresh.config.GetMacroCount());
    }
}

// A current sensitivity outside the mouse's own limits is read inside them,
// so that the next write is one the mouse accepts.
TEST_F(Contract, ACurrentValueOutsideTheLimitsIsReadInsideThem) {
    fixedsvc::Reset();
    {
        std::lock_guard<std::recursive_mutex> hold(fixedsvc::Lock());
        ASSERT_FALSE(fixedsvc::State().profiles.empty());
        fixedsvc::State().profiles[0].x = 99999;
        fixedsvc::State().profiles[0].y = -5;
    }
    Session s;
    ASSERT_TRUE(s.Open());
    CMouseProfile* profile = s.config.ProfileAt(0);
    ASSERT_NE(nullptr, profile);
    EXPECT_EQ(5600, s.config.GetSensitivityX(profile));
    EXPECT_EQ(100, s.config.GetSensitivityY(profile));
    EXPECT_TRUE(s.config.GetSeparateXY(profile));
}

// An empty event list from the mouse leaves the macro's events as they were.
TEST_F(Contract, AnEmptyEventListDoesNotWipeAMacro) {
    Session s;
    ASSERT_TRUE(s.Open());
    const MacroEvents before = s.config.MacroAt(0)->Events();
    {
        std::lock_guard<std::recursive_mutex> hold(fixedsvc::Lock());
        fixedsvc::State().macros[0].events.clear();
    }
    EXPECT_TRUE(s.mouse->Synchronize(&s.config, SyncDirection::Read, kSectionsAll));
    EXPECT_EQ(before, s.config.MacroAt(0)->Events());
}

// The tray companion and tarnctl's profile and button commands need nothing
// beyond the contract: a service that names no change signal is read and
// changed all the same, and the companion's watcher reads it by its slow poll.
TEST_F(Contract, TheCompanionWorksWithAServiceThatNamesNoChangeSignal) {
    devlink::MouseGlance glance;
    ASSERT_EQ(devlink::ReadGlance(kProduct, glance), devlink::Outcome::kDone);
    ASSERT_EQ(glance.profiles.size(), 2u);
    EXPECT_EQ(glance.profiles[0].name, L"Fixed One");
    EXPECT_EQ(glance.active, 0);
    EXPECT_TRUE(glance.changeSignal.empty());

    EXPECT_EQ(devlink::ActivateProfile(kProduct, glance.profiles[1].id), devlink::Outcome::kDone);
    GUID unknown = {};
    unknown.Data1 = 0xDEAD;
    EXPECT_EQ(devlink::ActivateProfile(kProduct, unknown), devlink::Outcome::kNotFound);
    {
        std::lock_guard<std::recursive_mutex> hold(fixedsvc::Lock());
        EXPECT_EQ(fixedsvc::State().active, 1u);
    }
    EXPECT_EQ(devlink::PressButton(kProduct, devlink::MouseButton::kProfileNext), devlink::Outcome::kDone);
    ULONG stagesBefore = 0;
    {
        std::lock_guard<std::recursive_mutex> hold(fixedsvc::Lock());
        EXPECT_EQ(fixedsvc::State().active, 0u);  // round from the last to the first
        stagesBefore = fixedsvc::State().profiles[0].activeStage;
    }
    const devlink::Outcome up = devlink::PressButton(kProduct, devlink::MouseButton::kStageCycle);
    EXPECT_EQ(up, devlink::Outcome::kDone);
    {
        std::lock_guard<std::recursive_mutex> hold(fixedsvc::Lock());
        EXPECT_NE(fixedsvc::State().profiles[0].activeStage, stagesBefore);
    }

    tray::MouseWatcher watcher(kProduct, nullptr, 0);
    ASSERT_TRUE(watcher.Start());
    tray::MouseWatcher::Report report;
    auto wait = [&](DWORD ms) {
        for (DWORD waited = 0; waited < ms; waited += 20) {
            if (watcher.Take(report))
                return true;
            Sleep(20);
        }
        return false;
    };
    ASSERT_TRUE(wait(3000));
    EXPECT_EQ(report.outcome, devlink::Outcome::kDone);
    EXPECT_EQ(report.glance.active, 0);
    // Changed behind the watcher's back, without a signal: the poll sees it.
    {
        std::lock_guard<std::recursive_mutex> hold(fixedsvc::Lock());
        fixedsvc::State().active = 1;
    }
    ASSERT_TRUE(wait(tray::MouseWatcher::kPollMs + 1500));
    EXPECT_EQ(report.glance.active, 1);
    // An activation asked of it is made, and reported as handled.
    const uint64_t number = watcher.Activate(report.glance.profiles[0].id);
    ASSERT_TRUE(wait(3000));
    EXPECT_EQ(report.handled, number);
    EXPECT_EQ(report.glance.active, 0);
    watcher.Stop();
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // One apartment for the test and the link's worker, so that the class
    // registered here is the one both of them create.
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 2;
    names::BuildAllNameTables();
    if (!fixedsvc::Register()) {
        std::fprintf(stderr, "could not register the fixed service\n");
        return 2;
    }
    const int result = RUN_ALL_TESTS();
    fixedsvc::Unregister();
    CoUninitialize();
    return result;
}
