// The objects of the contract as a caller meets them: the factory mouse,
// refusals that must change nothing, buffer sizes, faults and threads.
#include <cstring>
#include <thread>
#include <vector>

#include "ServiceFixture.h"

namespace svctest {
namespace {

using namespace devsvc;

uint32_t SubCode(const ActionRecord& record) {
    uint32_t code = 0;
    std::memcpy(&code, record.data, sizeof(code));
    return code;
}

std::vector<ActionRecord> ButtonRecords(IDeviceProfile* profile) {
    std::vector<ActionRecord> records(32);
    ULONG count = static_cast<ULONG>(records.size());
    auto buttons = Connection::ProfileFeature<IDeviceButtons>(profile, kIidButtons);
    if (!buttons || FAILED(buttons->Actions(&count, records.data())))
        return {};
    records.resize(count);
    return records;
}

using ServiceMouse = ServiceTest;

TEST_F(ServiceMouse, FactoryMouseIsTheDocumentedOne) {
    Connection c = Connect();
    InfoRecord info{};
    ASSERT_EQ(S_OK, c.device->Info(&info));
    EXPECT_EQ(21u, info.productId);
    EXPECT_EQ(2u, info.driverMajor);
    EXPECT_EQ(10u, info.driverMinor);
    EXPECT_EQ(1u, info.firmwareMajor);
    EXPECT_EQ(7u, info.firmwareMinor);
    ASSERT_NE(nullptr, info.text);
    ::CoTaskMemFree(info.text);

    ASSERT_EQ(1u, c.ProfileCount());
    auto profile = c.Profile(0);
    ButtonCapabilities caps{};
    ASSERT_EQ(S_OK,
              Connection::ProfileFeature<IDeviceButtons>(profile.get(), kIidButtons)->Capabilities(&caps));
    EXPECT_EQ(0x7FF99Fu, caps.mask);
    EXPECT_EQ(19u, caps.count);

    // Records come in capability order: ascending button bit.
    const std::vector<ActionRecord> records = ButtonRecords(profile.get());
    ASSERT_EQ(19u, records.size());
    const uint32_t ids[] = {1, 2, 3, 4, 5, 8, 9, 12};
    const uint32_t codes[] = {1, 2, 3, 5, 4, 6, 7, 0};
    for (size_t i = 0; i < std::size(ids); ++i) {
        EXPECT_EQ(1u, records[i].one);
        EXPECT_EQ(ids[i], records[i].id);
        EXPECT_EQ(codes[i], SubCode(records[i])) << "button " << ids[i];
    }
    EXPECT_EQ(kCategoryNone, records[7].category) << "thumb positions act through their keys";

    auto keys = Connection::ProfileFeature<IDeviceKeys>(profile.get(), kIidKeys);
    KeyCapabilities keyCaps{};
    ASSERT_EQ(S_OK, keys->Capabilities(&keyCaps));
    win::CoTaskMemPtr<ActionRecord> keyCapRecords(keyCaps.records);
    ASSERT_EQ(24u, keyCaps.count);
    EXPECT_EQ(2u, keyCaps.records[0].id);
    EXPECT_EQ(78u, keyCaps.records[23].id);
    ULONG count = keyCaps.count;
    ActionRecord keyRecords[24];
    ASSERT_EQ(S_OK, keys->Actions(&count, keyRecords));
    uint16_t scan = 0;
    std::memcpy(&scan, keyRecords[15].data, sizeof(scan));
    EXPECT_EQ(kCategoryKey, keyRecords[15].category);
    EXPECT_EQ(75u, scan) << "each key sends its own scan code";

    auto sensitivity = Connection::ProfileFeature<ISensitivity>(profile.get(), kIidSensitivity);
    SensitivityLimits limits{};
    LONG minimum = 0, maximum = 0, step = 0;
    ASSERT_EQ(S_OK, sensitivity->Limits(&limits));
    ASSERT_EQ(S_OK, sensitivity->Range(&minimum, &maximum, &step));
    EXPECT_EQ(5u, limits.stageCount);
    EXPECT_EQ(100, limits.minimum);
    EXPECT_EQ(5600, limits.maximum);
    EXPECT_EQ(100, step);
    ULONG stage = 0;
    sensitivity->ActiveStage(&stage);
    EXPECT_EQ(3u, stage);

    auto polling = c.DeviceFeature<IPolling>(kIidPolling);
    win::CoTaskMemOut<ULONG> intervals;
    ASSERT_EQ(S_OK, polling->Supported(&count, intervals.put()));
    ASSERT_EQ(3u, count);
    EXPECT_EQ(8u, intervals.get()[0]);
    EXPECT_EQ(1u, intervals.get()[2]);
}

TEST_F(ServiceMouse, AtMostFiveProfiles) {
    Connection c = Connect();
    std::vector<GUID> ids = {c.Id(c.Profile(0).get())};
    for (int i = 0; i < 4; ++i) {
        ComPtr<IDeviceProfile> created;
        ASSERT_EQ(S_OK, c.profiles->Create(created.put()));
        ids.push_back(c.Id(created.get()));
        for (size_t j = 0; j + 1 < ids.size(); ++j)
            EXPECT_FALSE(tarnsvc::SameId(ids[j], ids.back())) << "identities are fresh";
    }
    ComPtr<IDeviceProfile> sixth;
    EXPECT_LT(c.profiles->Create(sixth.put()), 0);
    EXPECT_FALSE(sixth);
    EXPECT_EQ(5u, c.ProfileCount());

    // Removing the active profile makes the first remaining one active.
    auto first = c.Profile(0);
    ASSERT_EQ(S_OK, c.profiles->Remove(first.get()));
    EXPECT_EQ(tarnsvc::kErrNotFound, first->SetName(L"gone"));
    ComPtr<IDeviceProfile> active;
    ASSERT_EQ(S_OK, c.profiles->Active(active.put()));
    EXPECT_TRUE(tarnsvc::SameId(ids[1], c.Id(active.get())));
    ComPtr<IDeviceProfile> again;
    EXPECT_EQ(S_OK, c.profiles->Create(again.put()));
    EXPECT_EQ(E_NOTIMPL, c.profiles->Reserved9());
}

TEST_F(ServiceMouse, SetActionsStoresByIdOrRefusesTheWholeCall) {
    Connection c = Connect();
    auto profile = c.Profile(0);
    auto buttons = Connection::ProfileFeature<IDeviceButtons>(profile.get(), kIidButtons);
    ActionRecord batch[2];
    batch[0].id = 20;  // a thumb position
    batch[0].category = kCategoryKey;
    batch[0].data[0] = 0x1E;
    batch[1] = batch[0];
    batch[1].id = 6;  // not on this mouse
    const std::vector<ActionRecord> before = ButtonRecords(profile.get());
    EXPECT_EQ(E_INVALIDARG, buttons->SetActions(2, batch));
    EXPECT_EQ(0, std::memcmp(before.data(), ButtonRecords(profile.get()).data(), sizeof(ActionRecord) * 19));
    batch[1].id = 1;
    batch[1].category = 7;  // no such category
    EXPECT_EQ(E_INVALIDARG, buttons->SetActions(2, batch));

    ASSERT_EQ(S_OK, buttons->SetActions(1, batch));
    const std::vector<ActionRecord> after = ButtonRecords(profile.get());
    EXPECT_EQ(20u, after[15].id);
    EXPECT_EQ(kCategoryKey, after[15].category);
    EXPECT_EQ(0x1E, after[15].data[0]);

    // A buffer too small gets what fits and says so.
    ActionRecord small[3] = {};
    ActionRecord guard;
    guard.id = 0xDEAD;
    ULONG count = 2;
    small[2] = guard;
    EXPECT_EQ(S_FALSE, buttons->Actions(&count, small));
    EXPECT_EQ(2u, count);
    EXPECT_EQ(0xDEADu, small[2].id);
}

TEST_F(ServiceMouse, OutOfRangeSettingsAreRefused) {
    Connection c = Connect();
    auto profile = c.Profile(0);
    auto acceleration = c.DeviceFeature<IAcceleration>(kIidAcceleration);
    EXPECT_EQ(E_INVALIDARG, acceleration->SetLevel(0));
    EXPECT_EQ(E_INVALIDARG, acceleration->SetLevel(11));
    EXPECT_EQ(S_OK, acceleration->SetLevel(10));
    auto polling = c.DeviceFeature<IPolling>(kIidPolling);
    EXPECT_EQ(E_INVALIDARG, polling->SetInterval(4));
    EXPECT_EQ(S_OK, polling->SetInterval(8));

    auto sensitivity = Connection::ProfileFeature<ISensitivity>(profile.get(), kIidSensitivity);
    const StagePair six[6] = {{100, 100}, {200, 200}, {300, 300}, {400, 400}, {500, 500}, {600, 600}};
    EXPECT_EQ(E_INVALIDARG, sensitivity->SetStages(6, six));
    EXPECT_EQ(E_INVALIDARG, sensitivity->SetStages(0, six));
    const StagePair high[1] = {{5700, 100}};
    EXPECT_EQ(E_INVALIDARG, sensitivity->SetStages(1, high));
    EXPECT_EQ(E_INVALIDARG, sensitivity->SetCurrent(50, 100));
    EXPECT_EQ(E_INVALIDARG, sensitivity->SetActiveStage(6));
    // Fewer stages keep the active stage within them.
    ASSERT_EQ(S_OK, sensitivity->SetStages(2, six));
    ULONG stage = 0;
    sensitivity->ActiveStage(&stage);
    EXPECT_EQ(2u, stage);
}

TEST_F(ServiceMouse, PropertiesKeepToTheCallersSizes) {
    Connection c = Connect();
    auto properties = Connection::ProfileFeature<IProperties>(c.Profile(0).get(), kIidProperties);
    ASSERT_TRUE(properties);

    // An empty path still answers its terminator, so the flags are read too.
    BYTE buffer[300];
    std::memset(buffer, 0xCC, sizeof(buffer));
    ULONG size = 256;
    ASSERT_EQ(S_OK, properties->Get(kPropertyProgramPath, 0, buffer, 0, &size));
    EXPECT_EQ(2u, size);

    wchar_t path[128];
    std::fill(std::begin(path), std::end(path), L'x');
    EXPECT_EQ(E_INVALIDARG, properties->Set(kPropertyProgramPath, reinterpret_cast<BYTE*>(path), 0, 256, 0))
        << "128 characters leave no room for the terminator";
    path[127] = 0;
    EXPECT_EQ(E_INVALIDARG, properties->Set(kPropertyProgramPath, reinterpret_cast<BYTE*>(path), 0, 255, 0));
    EXPECT_EQ(E_INVALIDARG, properties->Set(kPropertyProgramPath, buffer, 0, 258, 0));
    ASSERT_EQ(S_OK, properties->Set(kPropertyProgramPath, reinterpret_cast<BYTE*>(path), 0, 256, 0));

    std::memset(buffer, 0xCC, sizeof(buffer));
    size = 100;
    EXPECT_EQ(tarnsvc::kErrBufferTooSmall, properties->Get(kPropertyProgramPath, 0, buffer, 0, &size));
    EXPECT_EQ(256u, size) << "reports what it needs";
    EXPECT_EQ(0xCC, buffer[0]) << "wrote nothing";
    size = 256;
    ASSERT_EQ(S_OK, properties->Get(kPropertyProgramPath, 0, buffer, 0, &size));
    EXPECT_EQ(256u, size);
    EXPECT_EQ(0xCC, buffer[256]);

    const uint16_t bad[2] = {3, 1};
    const uint16_t dpi[2] = {kFlagDpiOsd, 1};
    EXPECT_EQ(E_INVALIDARG, properties->Set(kPropertyFlags, reinterpret_cast<const BYTE*>(bad), 0, 4, 0));
    EXPECT_EQ(E_INVALIDARG, properties->Set(kPropertyFlags, reinterpret_cast<const BYTE*>(dpi), 0, 2, 0));
    ASSERT_EQ(S_OK, properties->Set(kPropertyFlags, reinterpret_cast<const BYTE*>(dpi), 0, 4, 0));
    std::memset(buffer, 0xCC, sizeof(buffer));
    size = 1;
    EXPECT_LT(properties->Get(kPropertyFlags, 0, buffer, 0, &size), 0);
    size = 4;
    ASSERT_EQ(S_OK, properties->Get(kPropertyFlags, 0, buffer, 0, &size));
    EXPECT_EQ(2u, size);
    EXPECT_EQ(kFlagDpiOsd, buffer[0] | (buffer[1] << 8));
    EXPECT_EQ(0xCC, buffer[2]);
    EXPECT_EQ(E_INVALIDARG, properties->Get(0x80000009, 0, buffer, 0, &size));
}

TEST_F(ServiceMouse, SetEventsChecksTheBufferAgainstItsAllocation) {
    Connection c = Connect();
    auto macros = c.DeviceFeature<IMacros>(kIidMacros);
    ComPtr<IMacroItem> macro;
    ASSERT_EQ(S_OK, macros->Create(macro.put()));
    struct {
        EventBufferHeader header{0, 2};
        EventEntry entries[2] = {{2, 30, 0}, {2, 30, 1}};
    } events;
    ASSERT_EQ(S_OK, macro->SetEvents(TaskCopy(&events, sizeof(events)).get()));
    const std::vector<uint8_t> stored = EventBytes(macro.get());

    // A count that claims more than the block holds is refused even when the
    // bytes past the block would make valid events.
    EXPECT_EQ(E_INVALIDARG, macro->SetEvents(TaskCopy(&events, sizeof(events) - sizeof(EventEntry)).get()));
    events.header.count = 0xFFFFFFFF;
    EXPECT_EQ(E_INVALIDARG, macro->SetEvents(TaskCopy(&events, sizeof(events)).get()));
    events.header.count = 2;
    events.entries[1].type = 4;
    EXPECT_EQ(E_INVALIDARG, macro->SetEvents(TaskCopy(&events, sizeof(events)).get()));
    EXPECT_EQ(E_INVALIDARG, macro->SetEvents(TaskCopy(&events, 7).get()));
    EXPECT_EQ(E_POINTER, macro->SetEvents(nullptr));

    events.entries[1].type = 2;
    ASSERT_EQ(sizeof(events), stored.size());
    EXPECT_EQ(0, std::memcmp(stored.data(), &events, sizeof(events)));
    EXPECT_EQ(stored, EventBytes(macro.get())) << "the refusals changed nothing";
}

using ServiceFaults = ServiceTest;

TEST_F(ServiceFaults, TheNthCallFailsAndChangesNothing) {
    Connection c = Connect();
    SetEnv(L"TARN_DEVICE_FAULT", L"Profiles.Create:2,Buttons.SetActions:1");
    ComPtr<IDeviceProfile> created;
    ASSERT_EQ(S_OK, c.profiles->Create(created.put()));
    wchar_t fired[8] = {};
    EXPECT_EQ(0u, ::GetEnvironmentVariableW(L"TARN_DEVICE_FAULT_FIRED", fired, 8));
    EXPECT_EQ(E_FAIL, c.profiles->Create(created.put()));
    EXPECT_FALSE(created);
    EXPECT_EQ(2u, c.ProfileCount());
    EXPECT_NE(0u, ::GetEnvironmentVariableW(L"TARN_DEVICE_FAULT_FIRED", fired, 8));
    EXPECT_STREQ(L"1", fired);
    EXPECT_EQ(S_OK, c.profiles->Create(created.put())) << "only the n-th call fails";

    auto profile = c.Profile(0);
    auto buttons = Connection::ProfileFeature<IDeviceButtons>(profile.get(), kIidButtons);
    const std::vector<ActionRecord> before = ButtonRecords(profile.get());
    ActionRecord record;
    record.id = 1;
    EXPECT_EQ(E_FAIL, buttons->SetActions(1, &record));
    EXPECT_EQ(0, std::memcmp(before.data(), ButtonRecords(profile.get()).data(), sizeof(ActionRecord) * 19));
    EXPECT_EQ(S_OK, buttons->SetActions(1, &record));

    // The same value keeps counting; a new value starts again.
    SetEnv(L"TARN_DEVICE_FAULT", L"Profiles.Create:2,Buttons.SetActions:1");
    EXPECT_EQ(S_OK, buttons->SetActions(1, &record));
    SetEnv(L"TARN_DEVICE_FAULT", L"buttons.setactions:1");
    EXPECT_EQ(E_FAIL, buttons->SetActions(1, &record));
}

TEST_F(ServiceFaults, RepeatingFaultsEveryNthOrAtRandom) {
    Connection c = Connect();
    auto profile = c.Profile(0);
    ASSERT_TRUE(profile);
    SetEnv(L"TARN_DEVICE_FAULT", L"*%3,Bogus%0,Profile.Id%");
    std::vector<int> failed;
    for (int call = 1; call <= 10; ++call) {
        // Two operations in turn: `*` counts them together.
        GUID id = {};
        wchar_t* name = nullptr;
        const HRESULT hr = call % 2 ? profile->Id(&id) : profile->Name(&name);
        if (name != nullptr)
            ::CoTaskMemFree(name);
        if (hr == E_FAIL)
            failed.push_back(call);
        else
            EXPECT_EQ(S_OK, hr) << "call " << call;
    }
    EXPECT_EQ((std::vector<int>{3, 6, 9}), failed);

    // `~n`: one call in n at random, the same calls in every run.
    auto randomFailures = [&] {
        SetEnv(L"TARN_DEVICE_FAULT", L"Profile.Id~4");
        std::vector<int> calls;
        for (int call = 1; call <= 400; ++call) {
            GUID id = {};
            if (profile->Id(&id) == E_FAIL)
                calls.push_back(call);
        }
        SetEnv(L"TARN_DEVICE_FAULT", nullptr);
        GUID id = {};
        EXPECT_EQ(S_OK, profile->Id(&id)) << "a call without faults, so the next value starts again";
        return calls;
    };
    const std::vector<int> first = randomFailures();
    EXPECT_GT(first.size(), 60u);
    EXPECT_LT(first.size(), 140u);
    EXPECT_EQ(first, randomFailures());
}

// A sweep as a caller's tests run it: fail call 1, 2, 3 … of a fixed
// sequence until the fault no longer fires. Each time exactly one call fails
// and the failed call left the mouse as it was.
TEST_F(ServiceFaults, SweepOverEveryCall) {
    auto sequence = [] {
        int failures = 0;
        auto ok = [&](HRESULT hr) { failures += FAILED(hr) ? 1 : 0; };
        ComPtr<IDeviceEnumerator> enumerator;
        ComPtr<IDevice> device;
        ComPtr<IDeviceProfiles> profiles;
        ComPtr<IDeviceProfile> profile;
        ComPtr<IMacros> macros;
        ComPtr<IMacroItem> macro;
        ok(tarnsvc::CreateEnumerator(kIidEnumerator, enumerator.put_void()));
        if (enumerator)
            ok(enumerator->Device(0, device.put()));  // call 1
        if (device)
            ok(device->Feature(kIidProfiles, profiles.put_void()));
        if (profiles)
            ok(profiles->Create(profile.put()));
        if (profile)
            ok(profile->SetName(L"Swept"));
        if (device)
            ok(device->Feature(kIidMacros, macros.put_void()));
        if (macros)
            ok(macros->Create(macro.put()));
        if (macro)
            ok(macro->SetName(L"Swept"));
        if (profile)
            ok(profiles->Remove(profile.get()));  // call 8
        if (macro)
            ok(macros->Remove(macro.get()));  // call 9
        return failures;
    };
    int n = 1;
    for (; n < 100; ++n) {
        SCOPED_TRACE(n);
        SetEnv(L"TARN_DEVICE_FAULT_FIRED", nullptr);
        SetEnv(L"TARN_DEVICE_FAULT", (L"*:" + std::to_wstring(n)).c_str());
        const int failures = sequence();
        wchar_t fired[4] = {};
        const bool didFire = ::GetEnvironmentVariableW(L"TARN_DEVICE_FAULT_FIRED", fired, 4) > 0;
        EXPECT_EQ(didFire ? 1 : 0, failures);

        SetEnv(L"TARN_DEVICE_FAULT", nullptr);
        Connection c = Connect();
        auto macros = c.DeviceFeature<IMacros>(kIidMacros);
        ComPtr<IMacroItem> leftover;
        const bool macroLeft = SUCCEEDED(macros->Item(0, leftover.put()));
        EXPECT_EQ(n == 8 ? 2u : 1u, c.ProfileCount()) << "only a failed removal leaves the profile";
        EXPECT_EQ(n == 9, macroLeft) << "only a failed removal leaves the macro";
        if (c.ProfileCount() > 1)
            c.profiles->Remove(c.Profile(1).get());
        if (macroLeft)
            macros->Remove(leftover.get());
        if (!didFire)
            break;
    }
    EXPECT_EQ(10, n) << "the sequence makes nine calls";
}

using ServiceThreads = ServiceTest;

TEST_F(ServiceThreads, WriterAndReaderShareTheMouse) {
    Connection c = Connect();
    auto profile = c.Profile(0);
    std::thread writer([&] {
        auto buttons = Connection::ProfileFeature<IDeviceButtons>(profile.get(), kIidButtons);
        ActionRecord record;
        record.id = 3;
        record.category = kCategoryMouse;
        for (uint8_t i = 0; i < 200; ++i) {
            record.data[0] = i;
            buttons->SetActions(1, &record);
            profile->SetName((L"Name " + std::to_wstring(i)).c_str());
        }
    });
    int reads = 0;
    for (int i = 0; i < 200; ++i) {
        const std::wstring name = c.Name(profile.get());
        reads += name.rfind(L"Name ", 0) == 0 || name == L"Profile 1";
        ButtonRecords(profile.get());
    }
    writer.join();
    EXPECT_EQ(200, reads) << "every read saw a whole name";
    EXPECT_EQ(L"Name 199", c.Name(profile.get()));
    EXPECT_EQ(199, ButtonRecords(profile.get())[2].data[0]);
}

}  // namespace
}  // namespace svctest
