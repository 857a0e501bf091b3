// The device link against the emulated mouse: initialisation, every section
// both ways, import and export, the state a write sends while the window
// keeps editing, and a failure at every single service call.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "device/Mouse.h"
#include "device/Records.h"
#include "model/VellConfig.h"
#include "win/ComPtr.h"
#include "win/Handles.h"

namespace {

using win::ComPtr;

constexpr uint16_t kProduct = 21;
constexpr uint16_t kProductWithRanges = 25;
constexpr DWORD kTestSettleMs = 5;
constexpr DWORD kWriteTimeoutMs = 30000;
constexpr GUID kStranger = {0xDEADBEEF, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};

void SetVar(const wchar_t* name, const wchar_t* value) {
    SetEnvironmentVariableW(name, value);
}

std::wstring GetVar(const wchar_t* name) {
    wchar_t buffer[256];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 256);
    return n > 0 && n < 256 ? std::wstring(buffer, n) : std::wstring();
}

// The service counts its live objects for DllCanUnloadNow: none may be left
// once every link and session is gone.
bool NoServiceObjectsLeft() {
    HMODULE module = GetModuleHandleW(L"TarnDeviceService.dll");
    if (!module)
        return true;
    using CanUnload = HRESULT(WINAPI*)();
    auto canUnload =
        reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    return canUnload && canUnload() == S_OK;
}

std::wstring GuidText(const GUID& id) {
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return text;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Assignment ByName(int32_t code, const wchar_t* name) {
    Assignment a = MakeAssignment(code);
    SetAssignmentName(a, name);
    return a;
}

Assignment ById(int32_t code, const GUID& id) {
    Assignment a = MakeAssignment(code);
    SetAssignmentId(a, id);
    return a;
}

MacroEvents SampleEvents(uint16_t scan) {
    return {{kMacroEventKey, scan, kMacroStatePress},
            {kMacroEventDelay, 40, 40},
            {kMacroEventKey, scan, kMacroStateRelease},
            {kMacroEventButton, 1, kMacroStatePress},
            {kMacroEventButton, 1, kMacroStateRelease},
            {kMacroEventKey, 0x1D, kMacroStatePress | kMacroStateExtended},
            {kMacroEventKey, 0x1D, kMacroStateRelease | kMacroStateExtended}};
}

// The device link and a configuration filled from the mouse, as the
// program opens them.
struct Session {
    CVellConfig config;
    CMouse mouse;

    bool Open(uint16_t product = kProduct, bool read = true) {
        mouse.SetSettleDelayForTesting(kTestSettleMs);
        if (!mouse.Initialize(&config, &product))
            return false;
        config.AttachDevice(&mouse);
        if (read && !mouse.Synchronize(&config, SyncDirection::Read, kSectionsAll))
            return false;
        if (!config.GetCurrentProfile() && config.GetProfileCount() > 0)
            config.SetCurrentProfile(config.ProfileAt(0));
        return true;
    }
    // Starts a write and waits for the worker; whether every section went.
    bool Write(uint32_t flags = kSectionsAll) {
        return mouse.Synchronize(&config, SyncDirection::Write, flags) &&
               mouse.WaitUntilIdle(kWriteTimeoutMs) && mouse.LastWriteSucceeded();
    }
};

// ---- the state of a configuration as comparable tokens ----------------------
//
// One token per piece the device keeps as a unit, keyed by profile and macro
// names, with by-name assignments shown in the form the mouse stores.

using State = std::map<std::wstring, std::wstring>;

std::wstring AssignmentText(const Assignment& stored, CVellConfig& config) {
    Assignment a = stored;
    if (a.code == kFunctionMacroByName) {
        const CMacro* macro = config.FindMacroByName(AssignmentName(a).c_str());
        a = ById(kFunctionMacroById, macro ? macro->Id() : GUID{});
    } else if (a.code == kFunctionProfileByName) {
        const CMouseProfile* target = config.FindByName(AssignmentName(a).c_str());
        a = ById(kFunctionProfileById, target ? target->GetId() : GUID{});
    }
    std::wstring text = std::to_wstring(a.code) + L":";
    size_t n = sizeof(a.data);
    while (n > 0 && a.data[n - 1] == 0)
        --n;
    for (size_t i = 0; i < n; ++i) {
        wchar_t hex[4];
        swprintf(hex, 4, L"%02x", a.data[i]);
        text += hex;
    }
    return text;
}

std::wstring EventsText(const MacroEvents& events) {
    std::wstring text;
    for (const MacroEvent& e : events)
        text +=
            std::to_wstring(e.kind) + L"/" + std::to_wstring(e.code) + L"/" + std::to_wstring(e.state) + L" ";
    return text;
}

void AddProfile(State& state, CVellConfig& config, CMouseProfile& p, const CMouse& mouse,
                bool withId = true) {
    const std::wstring key = L"profile " + p.GetName() + L" ";
    if (withId)
        state[key + L"id"] = GuidText(p.GetId());
    state[key + L"properties"] = p.GetProgramPath() + L"|" + std::to_wstring(p.GetAutoSwitch()) +
                                 std::to_wstring(p.GetDpiOsd()) + std::to_wstring(p.GetProfileOsd());
    state[key + L"scroll light"] = std::to_wstring(p.GetScrollLight());
    state[key + L"under-glow light"] = std::to_wstring(p.GetUnderGlowLight());
    int32_t minimum = 0, maximum = 0, step = 0;
    p.GetSensitivityRange(minimum, maximum, step);
    std::wstring stages = std::to_wstring(minimum) + L"-" + std::to_wstring(maximum) + L"/" +
                          std::to_wstring(step) + L" stages " + std::to_wstring(p.GetStageCount()) +
                          L" in use " + std::to_wstring(p.GetStagesInUse()) + L" active " +
                          std::to_wstring(p.GetActiveStage());
    for (int32_t s = 1; s <= p.GetStagesInUse(); ++s) {
        const devsvc::StagePair pair =
            records::StagePairOf({p.GetStageValue(s), p.GetStageX(s), p.GetStageY(s),
                                  p.GetStageFlag(s) ? uint8_t{1} : uint8_t{0}});
        stages += L" " + std::to_wstring(pair.x) + L"x" + std::to_wstring(pair.y);
    }
    stages += p.GetSeparateXY() ? L" current " + std::to_wstring(p.GetSensitivityX()) + L"x" +
                                      std::to_wstring(p.GetSensitivityY())
                                : L" current " + std::to_wstring(p.GetSensitivity());
    state[key + L"sensitivity"] = stages;
    for (uint32_t bit : mouse.SupportedButtonBits()) {
        const int32_t index = records::ButtonIndexForBit(bit);
        state[key + L"button " + std::to_wstring(index)] =
            AssignmentText(p.GetButtonAssignment(index), config);
    }
    state[key + L"thumb keys"] = std::to_wstring(p.GetThumbKeysEnabled());
    if (p.GetThumbKeysEnabled()) {
        for (uint32_t id : mouse.SupportedKeyIds()) {
            const int32_t keyId = static_cast<int32_t>(id);
            state[key + L"key " + std::to_wstring(keyId)] = AssignmentText(p.GetKeyAssignment(keyId), config);
        }
    }
}

State Describe(CVellConfig& config, const CMouse& mouse) {
    State state;
    for (int32_t i = 0; i < config.GetProfileCount(); ++i)
        AddProfile(state, config, *config.ProfileAt(i), mouse);
    state[L"current"] = config.GetCurrentProfile() ? config.GetCurrentProfile()->GetName() : L"(none)";
    for (int32_t i = 0; i < config.GetMacroCount(); ++i) {
        const CMacro* macro = config.MacroAt(i);
        state[std::wstring(L"macro ") + macro->Name()] =
            GuidText(macro->Id()) + L" " + EventsText(macro->Events());
    }
    state[L"acceleration"] = std::to_wstring(config.GetAccelerationLevel()) + L" on " +
                             std::to_wstring(config.GetAccelerationEnabled());
    state[L"polling"] = std::to_wstring(config.GetPollingRateChoice());
    std::wstring ranges;
    for (const ColourRange& r : config.ColourRanges())
        ranges += std::to_wstring(r.colour) + L"@" + std::to_wstring(r.lower) + L"-" +
                  std::to_wstring(r.upper) + L" ";
    state[L"colour ranges"] = ranges;
    return state;
}

// The tokens that differ, one per line; empty when the states are equal.
std::wstring Diff(const State& expected, const State& actual) {
    std::wstring out;
    for (const auto& [key, value] : expected) {
        auto it = actual.find(key);
        if (it == actual.end())
            out += L"missing " + key + L" = " + value + L"\n";
        else if (it->second != value)
            out += key + L": expected " + value + L", got " + it->second + L"\n";
    }
    for (const auto& [key, value] : actual) {
        if (!expected.count(key))
            out += L"extra " + key + L" = " + value + L"\n";
    }
    return out;
}

// The device's state, read by a new link into a new configuration.
State ReadBack(uint16_t product = kProduct) {
    Session s;
    if (!s.Open(product))
        return {{L"error", L"the mouse could not be read"}};
    return Describe(s.config, s.mouse);
}

// ---- the emulated mouse, one per test ---------------------------------------

class MouseEnv : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        m_folder = std::wstring(temp) + L"tarn-mouse-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(++counter) + L"\\";
        CreateDirectoryW(m_folder.c_str(), nullptr);
        SetVar(L"TARN_DEVICE_STATE", (m_folder + L"state.txt").c_str());
        SetVar(L"TARN_DEVICE_FAULT", nullptr);
        SetVar(L"TARN_DEVICE_FAULT_FIRED", nullptr);
        // A state file that does not exist yet: a factory-fresh mouse.
        UseScenario(nullptr);
    }
    void TearDown() override {
        EXPECT_TRUE(NoServiceObjectsLeft()) << "a service object was not released";
        SetVar(L"TARN_DEVICE_STATE", nullptr);
        SetVar(L"TARN_DEVICE_SCENARIO", nullptr);
        SetVar(L"TARN_DEVICE_FAULT", nullptr);
        SetVar(L"TARN_DEVICE_FAULT_FIRED", nullptr);
        WIN32_FIND_DATAW data;
        win::UniqueFind find(FindFirstFileW((m_folder + L"*").c_str(), &data));
        if (find) {
            do {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileW((m_folder + data.cFileName).c_str());
            } while (FindNextFileW(find.get(), &data));
        }
        find.reset();
        RemoveDirectoryW(m_folder.c_str());
    }

    static void UseScenario(const wchar_t* scenario) { SetVar(L"TARN_DEVICE_SCENARIO", scenario); }
    std::wstring File(const wchar_t* name) const { return m_folder + name; }

    win::ComApartment m_com;
    std::wstring m_folder;
};

using MouseDevice = MouseEnv;
using MouseSync = MouseEnv;
using MouseFiles = MouseEnv;
using SyncConsistency = MouseEnv;
using SyncFaults = MouseEnv;

// ---- initialisation ---------------------------------------------------------

TEST_F(MouseDevice, InitializeFillsTheConfigurationFromTheMouse) {
    Session s;
    ASSERT_TRUE(s.Open(kProduct, false));
    EXPECT_EQ(s.mouse.IsConnected(), 1);
    EXPECT_EQ(s.mouse.GetProductId(), kProduct);
    EXPECT_EQ(s.mouse.GetMaxProfiles(), 5);
    EXPECT_EQ(s.mouse.GetDeviceProfileCount(), 1);

    ASSERT_EQ(s.config.GetProfileCount(), 1);
    const CMouseProfile* profile = s.config.ProfileAt(0);
    EXPECT_NE(profile->GetId(), GUID{});
    EXPECT_FALSE(profile->GetName().empty());
    EXPECT_EQ(profile->GetStageCount(), 5);
    int32_t minimum = 0, maximum = 0, step = 0;
    profile->GetSensitivityRange(minimum, maximum, step);
    EXPECT_EQ(minimum, 100);
    EXPECT_EQ(maximum, 5600);
    EXPECT_EQ(step, 100);
    EXPECT_EQ(s.config.GetAccelerationMin(), 1);
    EXPECT_EQ(s.config.GetAccelerationMax(), 10);

    ASSERT_EQ(s.mouse.GetPollingRateCount(), 3);
    EXPECT_EQ(s.config.GetPollingRateCount(), 3);
    std::vector<int> rates = {s.mouse.GetPollingRate(0), s.mouse.GetPollingRate(1),
                              s.mouse.GetPollingRate(2)};
    std::sort(rates.begin(), rates.end());
    EXPECT_EQ(rates, (std::vector<int>{1, 2, 8}));
    EXPECT_EQ(s.mouse.GetPollingRate(3), 0);
    EXPECT_EQ(s.mouse.GetPollingRate(-1), 0);

    std::wstring firmware, driver;
    s.mouse.GetFirmwareVersion(firmware);
    s.mouse.GetDriverVersion(driver);
    EXPECT_EQ(firmware, L"1.07");
    EXPECT_EQ(driver, L"2.10");
    // Every supported button is one the profile knows; 24 thumb keys.
    EXPECT_FALSE(s.mouse.SupportedButtonBits().empty());
    for (uint32_t bit : s.mouse.SupportedButtonBits())
        EXPECT_NE(records::ButtonIndexForBit(bit), 0) << bit;
    EXPECT_EQ(s.mouse.SupportedKeyIds().size(), 24u);

    // The rest of a factory-fresh mouse arrives with the read.
    ASSERT_TRUE(s.mouse.Synchronize(&s.config, SyncDirection::Read, kSectionsAll));
    EXPECT_EQ(s.config.GetAccelerationLevel(), 5);
    EXPECT_EQ(s.config.GetPollingRateChoice(), 1);  // 2 ms
    EXPECT_EQ(s.config.GetCurrentProfile(), s.config.ProfileAt(0));
    EXPECT_EQ(s.config.GetStagesInUse(s.config.ProfileAt(0)), 5);
    EXPECT_TRUE(s.config.GetThumbKeysEnabled(s.config.ProfileAt(0)));
}

TEST_F(MouseDevice, WithoutAMouseEverythingStaysEmpty) {
    UseScenario(L"none");
    CVellConfig config;
    config.CreateProfile(L"Local");
    CMouse mouse;
    EXPECT_FALSE(mouse.Initialize(&config, &kProduct));
    EXPECT_EQ(mouse.IsConnected(), 0);
    std::wstring firmware = L"x", driver = L"x";
    mouse.GetFirmwareVersion(firmware);
    mouse.GetDriverVersion(driver);
    EXPECT_EQ(firmware, L"");
    EXPECT_EQ(driver, L"");
    EXPECT_EQ(mouse.GetPollingRateCount(), 0);
    for (int i = -1; i < 4; ++i)
        EXPECT_EQ(mouse.GetPollingRate(i), 0);
    EXPECT_TRUE(mouse.SupportedButtonBits().empty());
    EXPECT_TRUE(mouse.SupportedKeyIds().empty());
    EXPECT_EQ(mouse.GetDeviceProfileCount(), 0);
    // The configuration keeps what it had.
    ASSERT_EQ(config.GetProfileCount(), 1);
    EXPECT_EQ(config.ProfileAt(0)->GetName(), L"Local");

    EXPECT_FALSE(mouse.Synchronize(&config, SyncDirection::Read, kSectionsAll));
    EXPECT_FALSE(mouse.Synchronize(&config, SyncDirection::Write, kSectionsAll));
    EXPECT_FALSE(mouse.IsBusy());
    EXPECT_FALSE(mouse.IsProfileOnDevice(config.ProfileAt(0)));
    EXPECT_FALSE(mouse.ImportProfile(File(L"none.vxp").c_str(), &config));
    EXPECT_EQ(config.GetProfileCount(), 1);
}

// The service reached directly, past the device link.
struct RawMouse {
    ComPtr<devsvc::IDeviceEnumerator> service;
    ComPtr<devsvc::IDevice> device;
    ComPtr<devsvc::IDeviceProfiles> profiles;

    bool Open(ULONG index) {
        return SUCCEEDED(CoCreateInstance(devsvc::kClassId, nullptr, devsvc::kClassContext,
                                          devsvc::kIidEnumerator, service.put_void())) &&
               SUCCEEDED(service->Device(index, device.put())) &&
               SUCCEEDED(device->Feature(devsvc::kIidProfiles, profiles.put_void()));
    }
};

// The name of the first profile of the n-th mouse the service lists.
std::wstring FirstProfileName(ULONG mouse) {
    RawMouse raw;
    ComPtr<devsvc::IDeviceProfile> profile;
    win::CoTaskMemOut<wchar_t> name;
    if (!raw.Open(mouse) || FAILED(raw.profiles->Item(0, profile.put())) ||
        FAILED(profile->Name(name.put())) || !name.get())
        return L"(unreadable)";
    return name.get();
}

TEST_F(MouseDevice, OfTwoMiceTheFirstIsUsed) {
    UseScenario(L"two");
    Session a;
    ASSERT_TRUE(a.Open());
    const std::wstring factoryName = a.config.ProfileAt(0)->GetName();
    a.config.Rename(a.config.ProfileAt(0), L"First mouse");
    ASSERT_TRUE(a.Write());
    EXPECT_EQ(FirstProfileName(0), L"First mouse");
    EXPECT_EQ(FirstProfileName(1), factoryName);
    EXPECT_EQ(ReadBack().count(L"profile First mouse id"), 1u);
}

TEST_F(MouseDevice, ProductZeroOrMissingFindsNothing) {
    CVellConfig config;
    CMouse mouse;
    EXPECT_FALSE(mouse.Initialize(&config, nullptr));
    EXPECT_EQ(mouse.GetProductId(), 0);
    const uint16_t zero = 0;
    EXPECT_FALSE(mouse.Initialize(&config, &zero));
    const uint16_t other = 99;
    EXPECT_FALSE(mouse.Initialize(&config, &other));
    EXPECT_EQ(mouse.IsConnected(), 0);
    // A direction that is neither read nor write.
    EXPECT_TRUE(mouse.Initialize(&config, &kProduct));
    EXPECT_FALSE(mouse.Synchronize(&config, static_cast<SyncDirection>(2), kSectionsAll));
    EXPECT_FALSE(mouse.Synchronize(nullptr, SyncDirection::Read, kSectionsAll));
}

// ---- every section, written and read back -----------------------------------

TEST_F(MouseSync, EverySectionSurvivesARoundTrip) {
    Session a;
    ASSERT_TRUE(a.Open());
    CVellConfig& c = a.config;
    CMouseProfile* main = c.Rename(c.ProfileAt(0), L"Main");
    ASSERT_NE(main, nullptr);
    CMouseProfile* second = c.CreateProfile(L"Second");
    ASSERT_NE(c.CreateMacro(L"Fire", SampleEvents(0x21)), nullptr);
    ASSERT_NE(c.CreateMacro(L"Reload", SampleEvents(0x13)), nullptr);

    // Properties.
    c.SetProgramPath(main, L"C:\\Games\\Tarn\\game.exe");
    c.SetAutoSwitch(main, true);
    c.SetDpiOsd(false, main);
    c.SetProfileOsd(true, main);
    c.SetDpiOsd(true, second);
    c.SetProfileOsd(false, second);
    // Assignments: Pause, by-name macro and profile, off, stage up, by-id profile.
    ASSERT_TRUE(c.SetButtonAssignment(kButtonRight, MakeSingleKeyAssignment(0x45, 19, 0), main));
    ASSERT_TRUE(c.SetButtonAssignment(kButtonScroll, ByName(kFunctionMacroByName, L"Fire"), main));
    ASSERT_TRUE(c.SetButtonAssignment(kButtonLeftFront, ByName(kFunctionProfileByName, L"Second"), main));
    ASSERT_TRUE(c.SetButtonAssignment(kButtonLeftRear, MakeAssignment(kFunctionButtonOff), main));
    ASSERT_TRUE(c.SetButtonAssignment(kButtonScrollUp, MakeAssignment(12), main));
    ASSERT_TRUE(c.SetKeyAssignment(2, ByName(kFunctionMacroByName, L"Reload"), main));
    ASSERT_TRUE(c.SetKeyAssignment(3, MakeSingleKeyAssignment(0x1E, 0, 2), main));
    ASSERT_TRUE(c.SetKeyAssignment(79, MakeAssignment(kFunctionButtonOff), main));
    ASSERT_TRUE(c.SetButtonAssignment(kButtonLeftRear, ById(kFunctionProfileById, main->GetId()), second));
    c.SetThumbKeysEnabled(false, second);
    // Stages: three in use, the second with separate X and Y and active.
    c.SetStagesInUse(3, main);
    c.SetStageValue(1, 400, main);
    c.SetStageFlag(1, false, main);
    c.SetStageFlag(2, true, main);
    c.SetStageX(2, 800, main);
    c.SetStageY(2, 1600, main);
    c.SetStageValue(3, 3200, main);
    c.SetStageFlag(3, false, main);
    c.SetActiveStage(2, main);
    c.SetSeparateXY(true, main);
    c.SetSensitivityX(800, main);
    c.SetSensitivityY(1600, main);
    c.SetSensitivity(800, main);
    // Lights.
    c.SetScrollLight(false, main);
    c.SetUnderGlowLight(true, main);
    c.SetScrollLight(true, second);
    c.SetUnderGlowLight(false, second);
    // Device-wide.
    c.SetAccelerationLevel(7);
    c.SetAccelerationEnabled(true);
    c.SetPollingRateChoice(2);
    c.SetCurrentProfile(second);

    ASSERT_TRUE(a.Write());
    // The write gave the new profile and macros their identities.
    EXPECT_NE(second->GetId(), GUID{});
    EXPECT_TRUE(c.FindMacroByName(L"Fire")->HasId());
    EXPECT_TRUE(c.FindMacroByName(L"Reload")->HasId());

    const State expected = Describe(c, a.mouse);
    Session b;
    ASSERT_TRUE(b.Open());
    EXPECT_EQ(Diff(expected, Describe(b.config, b.mouse)), L"");

    // The forms the mouse keeps.
    CMouseProfile* mainBack = b.config.FindByName(L"Main");
    ASSERT_NE(mainBack, nullptr);
    EXPECT_EQ(b.config.GetButtonAssignment(kButtonRight, mainBack), MakeSingleKeyAssignment(0x45, 19, 0));
    EXPECT_EQ(b.config.GetButtonAssignment(kButtonScroll, mainBack),
              ById(kFunctionMacroById, c.FindMacroByName(L"Fire")->Id()));
    EXPECT_EQ(b.config.GetButtonAssignment(kButtonLeftFront, mainBack),
              ById(kFunctionProfileById, second->GetId()));
    EXPECT_EQ(b.config.GetCurrentProfile(), b.config.FindByName(L"Second"));
    EXPECT_EQ(b.config.GetStageX(2, mainBack), 800);
    EXPECT_EQ(b.config.GetStageY(2, mainBack), 1600);
    EXPECT_TRUE(b.config.GetStageFlag(2, mainBack));
    EXPECT_EQ(b.config.GetProgramPath(mainBack), L"C:\\Games\\Tarn\\game.exe");
    EXPECT_EQ(b.config.FindMacroByName(L"Fire")->Events(), SampleEvents(0x21));

    // Removing the program reaches the mouse as well.
    c.SetProgramPath(main, L"");
    c.SetAutoSwitch(main, false);
    ASSERT_TRUE(a.Write());
    Session again;
    ASSERT_TRUE(again.Open());
    EXPECT_EQ(again.config.GetProgramPath(again.config.FindByName(L"Main")), L"");
    EXPECT_FALSE(again.config.GetAutoSwitch(again.config.FindByName(L"Main")));
}

TEST_F(MouseSync, StageSelectionRecordReadsBackAsTheFirstStageCode) {
    Session s;
    ASSERT_TRUE(s.Open());
    // No page offers a stage selection, so the record goes to the mouse directly.
    RawMouse raw;
    ComPtr<devsvc::IDeviceProfile> active;
    ComPtr<devsvc::IDeviceButtons> buttons;
    ASSERT_TRUE(raw.Open(0));
    ASSERT_TRUE(SUCCEEDED(raw.profiles->Active(active.put())));
    ASSERT_TRUE(SUCCEEDED(active->Feature(devsvc::kIidButtons, buttons.put_void())));
    Assignment stage = MakeAssignment(17);  // "$dpistage3"
    const uint32_t two = 2;
    memcpy(stage.data, &two, sizeof(two));
    const devsvc::ActionRecord sent =
        records::EncodeAssignment(stage, records::DeviceButtonId(kButtonScroll));
    ASSERT_TRUE(SUCCEEDED(buttons->SetActions(1, &sent)));

    std::vector<devsvc::ActionRecord> back(s.mouse.SupportedButtonBits().size());
    ULONG count = static_cast<ULONG>(back.size());
    ASSERT_TRUE(SUCCEEDED(buttons->Actions(&count, back.data())));
    auto it = std::find_if(back.begin(), back.begin() + count,
                           [&](const devsvc::ActionRecord& r) { return r.id == sent.id; });
    ASSERT_NE(it, back.begin() + count);
    const Assignment decoded = records::DecodeAction(*it);
    EXPECT_EQ(decoded.code, 15);
    uint32_t stageBack = 0;
    memcpy(&stageBack, decoded.data, sizeof(stageBack));
    EXPECT_EQ(stageBack, 2u);
    // Reading a profile that holds it still succeeds.
    EXPECT_TRUE(s.mouse.Synchronize(&s.config, SyncDirection::Read, kSectionsAll));
}

TEST_F(MouseSync, ColourRangesTravelOnlyForProduct25) {
    UseScenario(L"product25");
    Session a;
    ASSERT_TRUE(a.Open(kProductWithRanges));
    EXPECT_GT(a.config.GetColourRangeCount(), 0);
    const std::vector<ColourRange> wanted = {
        {0xFF0000, 100, 800}, {0x00FF00, 800, 2400}, {0x0000FF, 2400, 5600}};
    a.config.ClearColourRanges();
    for (const ColourRange& r : wanted)
        a.config.AddColourRange(r);
    ASSERT_TRUE(a.Write());
    Session b;
    ASSERT_TRUE(b.Open(kProductWithRanges));
    EXPECT_EQ(b.config.ColourRanges(), wanted);

    // An empty list is written, and a mouse without ranges keeps the list read.
    a.config.ClearColourRanges();
    ASSERT_TRUE(a.Write());
    Session c;
    c.config.AddColourRange({1, 2, 3});
    ASSERT_TRUE(c.Open(kProductWithRanges));
    EXPECT_EQ(c.config.ColourRanges(), (std::vector<ColourRange>{{1, 2, 3}}));
}

TEST_F(MouseSync, ColourRangeFlagHasNoEffectForProduct21) {
    Session s;
    s.config.AddColourRange({0x123456, 10, 20});
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(s.config.ColourRanges(), (std::vector<ColourRange>{{0x123456, 10, 20}}));
    EXPECT_TRUE(s.Write());
}

TEST_F(MouseSync, ActiveProfileUnknownToTheMouseFailsAtTheEnd) {
    Session a;
    ASSERT_TRUE(a.Open());
    CMouseProfile* known = a.config.Rename(a.config.ProfileAt(0), L"Known");
    CMouseProfile* ghost = a.config.CreateProfile(L"Ghost");
    ghost->SetId(kStranger);
    a.config.SetCurrentProfile(ghost);
    ASSERT_TRUE(a.mouse.Synchronize(&a.config, SyncDirection::Write, kSectionsAll));
    ASSERT_TRUE(a.mouse.WaitUntilIdle(kWriteTimeoutMs));
    EXPECT_FALSE(a.mouse.LastWriteSucceeded());
    // Everything else was written.
    Session b;
    ASSERT_TRUE(b.Open());
    ASSERT_EQ(b.config.GetProfileCount(), 1);
    EXPECT_EQ(b.config.ProfileAt(0)->GetName(), L"Known");
    EXPECT_EQ(b.config.ProfileAt(0)->GetId(), known->GetId());
}

TEST_F(MouseSync, MacroWithoutEventsIsNeverCreated) {
    Session a;
    ASSERT_TRUE(a.Open());
    CMouseProfile* profile = a.config.ProfileAt(0);
    const Assignment before = a.config.GetButtonAssignment(kButtonScroll, profile);
    ASSERT_NE(a.config.CreateMacro(L"Empty", {}), nullptr);
    ASSERT_TRUE(a.config.SetButtonAssignment(kButtonScroll, ByName(kFunctionMacroByName, L"Empty"), profile));
    EXPECT_TRUE(a.Write());
    EXPECT_FALSE(a.config.FindMacroByName(L"Empty")->HasId());

    Session b;
    ASSERT_TRUE(b.Open());
    EXPECT_EQ(b.config.GetMacroCount(), 0);
    // The button keeps the function it had on the mouse.
    EXPECT_EQ(b.config.GetButtonAssignment(kButtonScroll, b.config.ProfileAt(0)), before);
    // Creating it directly is refused too, connected or not.
    CMacro empty(L"Empty", {});
    EXPECT_FALSE(b.mouse.CreateMacro(&empty));
}

TEST_F(MouseSync, DeletedProfileMakesRoomForANewOne) {
    Session a;
    ASSERT_TRUE(a.Open());
    for (int i = a.config.GetProfileCount(); i < 5; ++i)
        a.config.CreateProfile((L"P" + std::to_wstring(i + 1)).c_str());
    ASSERT_TRUE(a.Write());
    EXPECT_EQ(a.mouse.GetDeviceProfileCount(), 5);

    Session b;
    ASSERT_TRUE(b.Open());
    ASSERT_EQ(b.config.GetProfileCount(), 5);
    CMouseProfile* doomed = b.config.FindByName(L"P3");
    ASSERT_NE(doomed, nullptr);
    b.config.Delete(doomed);
    b.config.CreateProfile(L"Newcomer");
    if (!b.config.GetCurrentProfile())
        b.config.SetCurrentProfile(b.config.ProfileAt(0));
    ASSERT_TRUE(b.Write());

    const State back = ReadBack();
    EXPECT_TRUE(back.count(L"profile Newcomer id"));
    EXPECT_FALSE(back.count(L"profile P3 id"));
    EXPECT_EQ(b.mouse.GetDeviceProfileCount(), 5);

    // A sixth is refused before anything starts.
    b.config.CreateProfile(L"Sixth");
    EXPECT_FALSE(b.mouse.Synchronize(&b.config, SyncDirection::Write, kSectionsAll));
    EXPECT_FALSE(b.mouse.IsBusy());
}

// ---- import and export --------------------------------------------------------

TEST_F(MouseFiles, ProfileTravelsThroughAFile) {
    Session a;
    ASSERT_TRUE(a.Open());
    CMouseProfile* shared = a.config.Rename(a.config.ProfileAt(0), L"Shared");
    ASSERT_TRUE(a.config.SetButtonAssignment(kButtonRight, MakeSingleKeyAssignment(0x2C, 0, 1), shared));
    a.config.SetStagesInUse(2, shared);
    a.config.SetStageValue(1, 1200, shared);
    a.config.SetActiveStage(1, shared);
    a.config.SetSensitivity(1200, shared);
    a.config.SetUnderGlowLight(false, shared);
    ASSERT_TRUE(a.Write());

    const std::wstring path = File(L"shared.vxp");
    EXPECT_TRUE(a.mouse.IsProfileOnDevice(shared));
    ASSERT_TRUE(a.mouse.ExportProfile(path.c_str(), shared));
    EXPECT_TRUE(FileExists(path));
    CMouseProfile stranger(L"Stranger");
    EXPECT_FALSE(a.mouse.IsProfileOnDevice(&stranger));
    stranger.SetId(kStranger);
    EXPECT_FALSE(a.mouse.IsProfileOnDevice(&stranger));
    EXPECT_FALSE(a.mouse.ExportProfile(File(L"stranger.vxp").c_str(), &stranger));

    Session b;
    ASSERT_TRUE(b.Open());
    // Device-wide settings the user has not applied yet stay as they are.
    b.config.SetPollingRateChoice(0);
    b.config.SetAccelerationLevel(9);
    b.config.SetAccelerationEnabled(true);
    // "Shared" is on the mouse already: the import is its copy, "Shared00".
    std::wstring nameInFile;
    ASSERT_TRUE(b.mouse.ImportProfile(path.c_str(), &b.config, &nameInFile));
    EXPECT_EQ(nameInFile, L"Shared");
    EXPECT_EQ(b.config.GetPollingRateChoice(), 0);
    EXPECT_EQ(b.config.GetAccelerationLevel(), 9);
    EXPECT_TRUE(b.config.GetAccelerationEnabled());
    ASSERT_EQ(b.config.GetProfileCount(), 2);
    EXPECT_EQ(b.mouse.GetDeviceProfileCount(), 2);
    CMouseProfile* imported = b.config.ProfileAt(1);
    EXPECT_EQ(imported->GetName(), L"Shared00");
    EXPECT_NE(imported->GetId(), GUID{});
    EXPECT_NE(imported->GetId(), shared->GetId());
    EXPECT_TRUE(b.mouse.IsProfileOnDevice(imported));
    State original, copy;
    AddProfile(original, a.config, *shared, a.mouse, false);
    AddProfile(copy, b.config, *imported, b.mouse, false);
    State renamed;
    for (const auto& [key, value] : copy) {
        std::wstring name = key;
        if (const size_t at = name.find(L"Shared00"); at != std::wstring::npos)
            name.replace(at, 8, L"Shared");
        renamed[name] = value;
    }
    EXPECT_EQ(Diff(original, renamed), L"");
    EXPECT_EQ(ReadBack().count(L"profile Shared00 thumb keys"), 1u) << "the copy's name is on the mouse";

    // A damaged file changes nothing.
    const std::wstring damaged = File(L"damaged.vxp");
    win::UniqueFile file(CreateFileW(damaged.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), "not a profile", 13, &written, nullptr);
    file.reset();
    EXPECT_FALSE(b.mouse.ImportProfile(damaged.c_str(), &b.config));
    EXPECT_EQ(b.config.GetProfileCount(), 2);
    EXPECT_EQ(b.mouse.GetDeviceProfileCount(), 2);
}

TEST_F(MouseFiles, MacroTravelsThroughAFile) {
    Session a;
    ASSERT_TRUE(a.Open());
    ASSERT_NE(a.config.CreateMacro(L"Combo", SampleEvents(0x2E)), nullptr);
    ASSERT_TRUE(a.Write());
    CMacro* combo = a.config.FindMacroByName(L"Combo");
    ASSERT_TRUE(combo->HasId());

    const std::wstring path = File(L"combo.vxm");
    EXPECT_TRUE(a.mouse.IsMacroOnDevice(combo));
    ASSERT_TRUE(a.mouse.ExportMacro(path.c_str(), combo));
    EXPECT_TRUE(FileExists(path));
    CMacro local(L"Local", SampleEvents(0x10));
    EXPECT_FALSE(a.mouse.IsMacroOnDevice(&local));
    EXPECT_FALSE(a.mouse.ExportMacro(File(L"local.vxm").c_str(), &local));

    // The name is taken: the import is a copy, "Combo00", here and on the mouse.
    std::wstring nameInFile;
    ASSERT_TRUE(a.mouse.ImportMacro(path.c_str(), &a.config, &nameInFile));
    EXPECT_EQ(nameInFile, L"Combo");
    ASSERT_EQ(a.config.GetMacroCount(), 2);
    EXPECT_NE(a.config.FindMacroByName(L"Combo00"), nullptr);
    CVellConfig held;
    CMouse reader;
    const uint16_t product = kProduct;
    ASSERT_TRUE(reader.Initialize(&held, &product) && reader.Synchronize(&held, SyncDirection::Read, kSectionsAll));
    ASSERT_NE(held.FindMacroByName(L"Combo00"), nullptr);
    EXPECT_EQ(held.FindMacroByName(L"Combo00")->Events(), SampleEvents(0x2E));

    Session b;
    ASSERT_TRUE(b.Open(kProduct, false));
    ASSERT_EQ(b.config.GetMacroCount(), 0);
    ASSERT_TRUE(b.mouse.ImportMacro(path.c_str(), &b.config));
    const CMacro* imported = b.config.FindMacroByName(L"Combo");
    ASSERT_NE(imported, nullptr);
    EXPECT_EQ(imported->Events(), SampleEvents(0x2E));
    EXPECT_EQ(imported->SourcePath(), path);
    EXPECT_TRUE(imported->HasId());
    EXPECT_NE(imported->Id(), combo->Id());

    const std::wstring damaged = File(L"damaged.vxm");
    win::UniqueFile file(CreateFileW(damaged.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    file.reset();
    EXPECT_FALSE(b.mouse.ImportMacro(damaged.c_str(), &b.config));
    EXPECT_FALSE(b.mouse.ImportMacro(File(L"missing.vxm").c_str(), &b.config));
    EXPECT_EQ(b.config.GetMacroCount(), 1);
}

// ---- a write sends the state of its request -------------------------------------

TEST_F(SyncConsistency, WriteSendsTheStateOfTheRequestWhileTheWindowEdits) {
    Session a;
    ASSERT_TRUE(a.Open());
    CVellConfig& c = a.config;
    CMouseProfile* main = c.ProfileAt(0);
    CMouseProfile* extra = c.CreateProfile(L"Extra");
    c.CreateMacro(L"Keep", SampleEvents(0x22));
    c.CreateMacro(L"Gone", SampleEvents(0x23));
    ASSERT_TRUE(a.Write());
    c.SetStageValue(1, 1000, main);
    ASSERT_TRUE(c.SetButtonAssignment(kButtonScroll, ByName(kFunctionMacroByName, L"Gone"), extra));
    ASSERT_TRUE(c.SetButtonAssignment(kButtonRight, ByName(kFunctionProfileByName, L"Extra"), main));
    c.SetCurrentProfile(extra);

    // Long enough a pause that the edits below certainly fall inside the write.
    a.mouse.SetSettleDelayForTesting(300);
    ASSERT_TRUE(a.mouse.Synchronize(&c, SyncDirection::Write, kSectionsAll));
    const State expected = Describe(c, a.mouse);

    c.Rename(extra, L"Renamed");
    c.SetStageValue(1, 3000, main);
    c.SetStagesInUse(2, main);
    c.DeleteMacro(c.FindMacroByName(L"Gone"));
    c.SetAccelerationLevel(9);
    c.SetScrollLight(false, main);
    c.SetCurrentProfile(main);
    EXPECT_TRUE(a.mouse.IsBusy());

    ASSERT_TRUE(a.mouse.WaitUntilIdle(kWriteTimeoutMs));
    EXPECT_TRUE(a.mouse.LastWriteSucceeded());
    EXPECT_EQ(Diff(expected, ReadBack()), L"");
}

// Profiles and macros that a write creates get their identities once it has
// ended, and only those the window has not deleted meanwhile.
TEST_F(SyncConsistency, IdentitiesOfAWriteReachWhatIsStillThere) {
    Session a;
    ASSERT_TRUE(a.Open());
    CVellConfig& c = a.config;
    CMouseProfile* fresh = c.CreateProfile(L"Fresh");
    CMacro* keep = c.CreateMacro(L"NewKeep", SampleEvents(0x22));
    c.CreateMacro(L"NewGone", SampleEvents(0x23));
    ASSERT_TRUE(c.SetButtonAssignment(kButtonScroll, ByName(kFunctionMacroByName, L"NewKeep"), fresh));
    a.mouse.SetSettleDelayForTesting(300);
    ASSERT_TRUE(a.mouse.Synchronize(&c, SyncDirection::Write, kSectionsAll));
    fresh = c.Rename(fresh, L"Renamed");
    c.DeleteMacro(c.FindMacroByName(L"NewGone"));
    EXPECT_EQ(GUID{}, keep->Id()) << "nothing reaches the configuration while the worker runs";

    ASSERT_TRUE(a.mouse.WaitUntilIdle(kWriteTimeoutMs));
    ASSERT_TRUE(a.mouse.LastWriteSucceeded());
    const State written = ReadBack();
    EXPECT_EQ(GuidText(fresh->GetId()), written.at(L"profile Fresh id"));
    EXPECT_TRUE(keep->HasId());
    EXPECT_EQ(written.count(L"macro NewGone"), 1u) << "on the mouse until the next write";

    // The next write brings the mouse to what the window shows.
    a.mouse.SetSettleDelayForTesting(kTestSettleMs);
    ASSERT_TRUE(a.Write());
    EXPECT_EQ(Diff(Describe(c, a.mouse), ReadBack()), L"");
}

TEST_F(SyncConsistency, SecondWriteIsRefusedWhileOneRuns) {
    Session a;
    ASSERT_TRUE(a.Open());
    a.mouse.SetSettleDelayForTesting(300);
    ASSERT_TRUE(a.mouse.Synchronize(&a.config, SyncDirection::Write, kSectionsAll));
    EXPECT_TRUE(a.mouse.IsBusy());
    EXPECT_FALSE(a.mouse.Synchronize(&a.config, SyncDirection::Write, kSectionsAll));
    // Every other connection waits for the worker too.
    EXPECT_FALSE(a.mouse.Synchronize(&a.config, SyncDirection::Read, kSectionsAll));
    EXPECT_EQ(a.mouse.GetDeviceProfileCount(), 0);
    EXPECT_FALSE(a.mouse.WaitUntilIdle(0));
    ASSERT_TRUE(a.mouse.WaitUntilIdle(kWriteTimeoutMs));
    EXPECT_FALSE(a.mouse.IsBusy());
    EXPECT_TRUE(a.mouse.LastWriteSucceeded());
    a.mouse.SetSettleDelayForTesting(kTestSettleMs);
    EXPECT_TRUE(a.Write());
}

TEST_F(SyncConsistency, DestructionWaitsForARunningWrite) {
    {
        Session a;
        ASSERT_TRUE(a.Open());
        a.config.Rename(a.config.ProfileAt(0), L"Written");
        a.mouse.SetSettleDelayForTesting(200);
        ASSERT_TRUE(a.mouse.Synchronize(&a.config, SyncDirection::Write, kSectionsAll));
    }
    EXPECT_EQ(ReadBack().count(L"profile Written id"), 1u);
}

// ---- a failure at every call --------------------------------------------------
//
// The service fails its n-th call for n = 1, 2, ... until a run passes
// without the fault firing. Each failing run must report failure or leave
// only consistent data behind, and the next run without the fault succeeds.

class Fault {
public:
    explicit Fault(int n) : Fault((L"*:" + std::to_wstring(n)).c_str()) {}
    explicit Fault(const wchar_t* faults) {
        SetVar(L"TARN_DEVICE_FAULT_FIRED", nullptr);
        SetVar(L"TARN_DEVICE_FAULT", faults);
    }
    Fault(const Fault&) = delete;
    Fault& operator=(const Fault&) = delete;
    ~Fault() { Clear(); }
    // Ends the fault; whether it fired.
    bool Clear() {
        SetVar(L"TARN_DEVICE_FAULT", nullptr);
        const bool fired = GetVar(L"TARN_DEVICE_FAULT_FIRED") == L"1";
        SetVar(L"TARN_DEVICE_FAULT_FIRED", nullptr);
        return fired;
    }
};

constexpr int kSweepLimit = 2000;

// Each token is either as it was before or as the mouse holds it.
std::wstring Inconsistent(const State& before, const State& device, const State& after) {
    std::wstring out;
    for (const auto& [key, value] : after) {
        auto was = before.find(key);
        auto is = device.find(key);
        if ((was == before.end() || was->second != value) && (is == device.end() || is->second != value))
            out += key + L" = " + value + L"\n";
    }
    return out;
}

TEST_F(SyncFaults, InitializeFailsCleanlyAtEveryCall) {
    State baseline;
    int32_t baselineProfiles = 0;
    int wentOn = 0;  // runs that met a fault and still started
    {
        Session s;
        ASSERT_TRUE(s.Open(kProduct, false));
        baseline = Describe(s.config, s.mouse);
        baselineProfiles = s.config.GetProfileCount();
    }
    int n = 1;
    for (; n < kSweepLimit; ++n) {
        ASSERT_TRUE(NoServiceObjectsLeft()) << "objects left after the run with a fault at call " << n - 1;
        Session s;
        bool ok = false;
        bool fired = false;
        {
            Fault fault(n);
            ok = s.Open(kProduct, false);
            fired = fault.Clear();
        }
        if (!fired) {
            EXPECT_TRUE(ok);
            EXPECT_EQ(Diff(baseline, Describe(s.config, s.mouse)), L"");
            break;
        }
        // A profile read only in part does not fail the start; but whenever
        // it reports success, the capabilities that every write needs are there.
        if (ok) {
            ++wentOn;
            EXPECT_FALSE(s.mouse.SupportedButtonBits().empty()) << "call " << n;
            EXPECT_FALSE(s.mouse.SupportedKeyIds().empty()) << "call " << n;
            EXPECT_EQ(baselineProfiles, s.config.GetProfileCount()) << "call " << n;
        }
        Session again;
        ASSERT_TRUE(again.Open(kProduct, false)) << "after a fault at call " << n;
        EXPECT_EQ(Diff(baseline, Describe(again.config, again.mouse)), L"") << "after a fault at call " << n;
    }
    EXPECT_GT(wentOn, 0) << "a profile read only in part must not stop the start";
    EXPECT_GT(n, 5);
    EXPECT_LT(n, kSweepLimit);
}

// A profile listed at start-up without its identity (that one call failed)
// cannot be matched by the read: the read must fail, or the window would
// show factory settings in its place and the next Apply would replace the
// mouse's own profile with them.
TEST_F(SyncFaults, AProfileListedWithoutItsIdentityFailsTheRead) {
    Session s;
    {
        Fault fault(L"Profile.Id:1");
        s.Open(kProduct, false);
        ASSERT_TRUE(fault.Clear());
    }
    ASSERT_EQ(1, s.config.GetProfileCount());
    ASSERT_EQ(GUID{}, s.config.ProfileAt(0)->GetId()) << "the fault met the list's identity call";
    EXPECT_FALSE(s.mouse.Synchronize(&s.config, SyncDirection::Read, kSectionsAll));
}

// Not knowing the active profile is a failed read too: the window would
// make another profile current, and the next Apply would switch the mouse.
TEST_F(SyncFaults, AnUnreadActiveProfileFailsTheRead) {
    Session s;
    ASSERT_TRUE(s.Open(kProduct, false));
    Fault fault(L"Profiles.Active:1");
    EXPECT_FALSE(s.mouse.Synchronize(&s.config, SyncDirection::Read, kSectionsAll));
    EXPECT_TRUE(fault.Clear());
}

// Two profiles and two macros, every section away from the factory state.
void FillForSweep(Session& s) {
    CVellConfig& c = s.config;
    CMouseProfile* main = c.ProfileAt(0);
    CMouseProfile* other = c.CreateProfile(L"Other");
    c.CreateMacro(L"One", SampleEvents(0x24));
    c.CreateMacro(L"Two", SampleEvents(0x25));
    c.SetButtonAssignment(kButtonScroll, ByName(kFunctionMacroByName, L"One"), main);
    c.SetButtonAssignment(kButtonLeftFront, ByName(kFunctionProfileByName, L"Other"), main);
    c.SetKeyAssignment(2, ByName(kFunctionMacroByName, L"Two"), other);
    c.SetProgramPath(other, L"C:\\x.exe");
    c.SetStagesInUse(4, other);
    c.SetStageValue(2, 2000, other);
    c.SetUnderGlowLight(false, other);
    c.SetAccelerationLevel(3);
    c.SetAccelerationEnabled(true);
    c.SetPollingRateChoice(0);
    c.SetCurrentProfile(other);
}

TEST_F(SyncFaults, ReadFailsCleanlyAtEveryCall) {
    {
        Session s;
        ASSERT_TRUE(s.Open());
        FillForSweep(s);
        ASSERT_TRUE(s.Write());
    }
    const State baseline = ReadBack();
    int n = 1;
    for (; n < kSweepLimit; ++n) {
        ASSERT_TRUE(NoServiceObjectsLeft()) << "objects left after the run with a fault at call " << n - 1;
        Session s;
        ASSERT_TRUE(s.Open(kProduct, false));
        const State before = Describe(s.config, s.mouse);
        bool ok = false;
        bool fired = false;
        {
            Fault fault(n);
            ok = s.mouse.Synchronize(&s.config, SyncDirection::Read, kSectionsAll);
            fired = fault.Clear();
        }
        if (!s.config.GetCurrentProfile())
            s.config.SetCurrentProfile(s.config.ProfileAt(0));
        const State after = Describe(s.config, s.mouse);
        if (!fired) {
            EXPECT_TRUE(ok);
            EXPECT_EQ(Diff(baseline, after), L"");
            break;
        }
        // Whatever was read is what the mouse holds, whether or not it was reported.
        EXPECT_EQ(Inconsistent(before, baseline, after), L"") << "call " << n;
        EXPECT_EQ(Diff(baseline, ReadBack()), L"") << "after a fault at call " << n;
    }
    EXPECT_GT(n, 20);
    EXPECT_LT(n, kSweepLimit);
}

// Two targets to alternate between, so that every write changes the mouse:
// profiles and macros appear, disappear and change in each direction.
void ApplyTarget(Session& s, bool second) {
    CVellConfig& c = s.config;
    while (c.GetProfileCount() > 1)
        c.Delete(c.ProfileAt(c.GetProfileCount() - 1));
    while (c.GetMacroCount() > 0)
        c.DeleteMacro(c.MacroAt(0));
    CMouseProfile* main = c.ProfileAt(0);
    if (main->GetName() != L"Main")
        main = c.Rename(main, L"Main");
    c.SetCurrentProfile(main);
    if (!second) {
        c.CreateMacro(L"Alpha", SampleEvents(0x1E));
        c.SetButtonAssignment(kButtonScroll, ByName(kFunctionMacroByName, L"Alpha"), main);
        c.SetButtonAssignment(kButtonRight, MakeSingleKeyAssignment(0x45, 19, 0), main);
        c.SetStageValue(1, 600, main);
        c.SetScrollLight(false, main);
        c.SetProgramPath(main, L"C:\\a.exe");
        c.SetAccelerationLevel(2);
        c.SetAccelerationEnabled(false);
        c.SetPollingRateChoice(0);
    } else {
        CMouseProfile* beta = c.CreateProfile(L"Beta");
        c.CreateMacro(L"Bravo", SampleEvents(0x30));
        c.SetButtonAssignment(kButtonScroll, MakeAssignment(kFunctionUniversalScrolling), main);
        c.SetButtonAssignment(kButtonRight, ByName(kFunctionProfileByName, L"Beta"), main);
        c.SetKeyAssignment(2, ByName(kFunctionMacroByName, L"Bravo"), beta);
        c.SetStageValue(1, 1400, main);
        c.SetScrollLight(true, main);
        c.SetProgramPath(main, L"");
        c.SetAccelerationLevel(8);
        c.SetAccelerationEnabled(true);
        c.SetPollingRateChoice(2);
        c.SetCurrentProfile(beta);
    }
}

TEST_F(SyncFaults, WriteFailsCleanlyAtEveryCall) {
    {
        Session s;
        ASSERT_TRUE(s.Open());
        ApplyTarget(s, true);
        ASSERT_TRUE(s.Write());
    }
    // Each round writes the first target over the second and back, so every
    // call of either direction meets the fault.
    int n = 1;
    for (; n < kSweepLimit; ++n) {
        bool anyFired = false;
        for (bool second : {false, true}) {
            ASSERT_TRUE(NoServiceObjectsLeft()) << "objects left after a fault at call " << n;
            Session s;
            ASSERT_TRUE(s.Open());
            ApplyTarget(s, second);
            bool ok = false;
            bool fired = false;
            {
                Fault fault(n);
                ok = s.mouse.Synchronize(&s.config, SyncDirection::Write, kSectionsAll) &&
                     s.mouse.WaitUntilIdle(kWriteTimeoutMs) && s.mouse.LastWriteSucceeded();
                fired = fault.Clear();
            }
            EXPECT_FALSE(s.mouse.IsBusy());
            anyFired = anyFired || fired;
            const State requested = Describe(s.config, s.mouse);
            const State after = ReadBack();
            if (!fired || ok) {
                // Without a fault, or with one that did not matter, all that
                // was asked for is there.
                EXPECT_TRUE(ok) << "call " << n;
                for (const auto& [key, value] : requested) {
                    auto it = after.find(key);
                    EXPECT_TRUE(it != after.end() && it->second == value) << "call " << n << ": " << key;
                }
            }
            if (!fired) {
                EXPECT_EQ(Diff(requested, after), L"") << "call " << n;
                continue;
            }
            // A failed write leaves a mouse that still reads.
            EXPECT_EQ(after.count(L"error"), 0u) << "call " << n;
            // The same request again, without the fault.
            Session retry;
            ASSERT_TRUE(retry.Open()) << "after a fault at call " << n;
            ApplyTarget(retry, second);
            ASSERT_TRUE(retry.Write()) << "after a fault at call " << n;
            EXPECT_EQ(Diff(Describe(retry.config, retry.mouse), ReadBack()), L"")
                << "after a fault at call " << n;
        }
        if (!anyFired)
            break;
    }
    EXPECT_GT(n, 100);
    EXPECT_LT(n, kSweepLimit);
}

}  // namespace
