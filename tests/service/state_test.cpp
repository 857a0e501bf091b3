// The mouse's memory: the state file round trip, atomic writes, damaged and
// unreadable files, and the scenarios.
#include <cstring>

#include "MouseState.h"
#include "ServiceFixture.h"
#include "StateFile.h"
#include "win/Handles.h"

namespace svctest {
namespace {

using namespace devsvc;

ActionRecord MacroRecord(uint32_t id, const GUID& macro) {
    ActionRecord record;
    record.id = id;
    record.category = kCategoryMacro;
    std::memcpy(record.data, &macro, sizeof(macro));
    return record;
}

// Changes something of every kind the mouse remembers.
struct Changes {
    GUID macroId{};
    GUID secondId{};
};

Changes ChangeEverything(const Connection& c) {
    Changes done;
    auto first = c.Profile(0);
    EXPECT_EQ(S_OK, first->SetName(L"\u00C4rger \u30D7\u30ED\\n=\r\n\U0001F600"));
    ComPtr<IDeviceProfile> second;
    EXPECT_EQ(S_OK, c.profiles->Create(second.put()));
    EXPECT_EQ(S_OK, second->SetName(L"Second"));
    done.secondId = c.Id(second.get());
    EXPECT_EQ(S_OK, c.profiles->SetActive(second.get()));

    auto macros = c.DeviceFeature<IMacros>(kIidMacros);
    ComPtr<IMacroItem> macro;
    EXPECT_EQ(S_OK, macros->Create(macro.put()));
    EXPECT_EQ(S_OK, macro->SetName(L"Combo"));
    struct {
        EventBufferHeader header{0, 3};
        EventEntry entries[3] = {{2, 30, 0}, {3, 0x86A0, 0x1}, {1, 0x4, 0}};  // delay 100000 ms
    } events;
    EXPECT_EQ(S_OK, macro->SetEvents(TaskCopy(&events, sizeof(events)).get()));
    macro->Id(&done.macroId);

    auto buttons = Connection::ProfileFeature<IDeviceButtons>(second.get(), kIidButtons);
    const ActionRecord record = MacroRecord(5, done.macroId);
    EXPECT_EQ(S_OK, buttons->SetActions(1, &record));
    auto keys = Connection::ProfileFeature<IDeviceKeys>(second.get(), kIidKeys);
    ActionRecord key;
    key.id = 79;
    key.category = kCategoryNone;
    EXPECT_EQ(S_OK, keys->SetActions(1, &key));

    auto sensitivity = Connection::ProfileFeature<ISensitivity>(second.get(), kIidSensitivity);
    const StagePair stages[3] = {{400, 400}, {900, 1300}, {5600, 100}};
    EXPECT_EQ(S_OK, sensitivity->SetStages(3, stages));
    EXPECT_EQ(S_OK, sensitivity->SetActiveStage(2));
    EXPECT_EQ(S_OK, sensitivity->SetCurrent(700, 800));

    auto lights = Connection::ProfileFeature<ILights>(second.get(), kIidLights);
    ComPtr<ILight> light;
    EXPECT_EQ(S_OK, lights->Item(1, light.put()));
    EXPECT_EQ(S_OK, light->Off());

    auto properties = Connection::ProfileFeature<IProperties>(second.get(), kIidProperties);
    wchar_t path[128] = L"C:\\Games\\Tarn \u00DF.exe";
    EXPECT_EQ(S_OK,
              properties->Set(kPropertyProgramPath, reinterpret_cast<const BYTE*>(path), 0, sizeof(path), 0));
    const uint16_t flag[2] = {kFlagProfileOsd, 1};
    EXPECT_EQ(S_OK, properties->Set(kPropertyFlags, reinterpret_cast<const BYTE*>(flag), 0, sizeof(flag), 0));

    auto acceleration = c.DeviceFeature<IAcceleration>(kIidAcceleration);
    EXPECT_EQ(S_OK, acceleration->SetLevel(9));
    EXPECT_EQ(S_OK, acceleration->Enable());
    auto polling = c.DeviceFeature<IPolling>(kIidPolling);
    EXPECT_EQ(S_OK, polling->SetInterval(1));
    return done;
}

void ExpectEverythingChanged(const Connection& c, const Changes& done) {
    ASSERT_EQ(2u, c.ProfileCount());
    EXPECT_EQ(L"\u00C4rger \u30D7\u30ED\\n=\r\n\U0001F600", c.Name(c.Profile(0).get()));
    auto second = c.Profile(1);
    EXPECT_EQ(L"Second", c.Name(second.get()));
    EXPECT_TRUE(tarnsvc::SameId(done.secondId, c.Id(second.get())));
    ComPtr<IDeviceProfile> active;
    ASSERT_EQ(S_OK, c.profiles->Active(active.put()));
    EXPECT_TRUE(tarnsvc::SameId(done.secondId, c.Id(active.get())));

    auto macros = c.DeviceFeature<IMacros>(kIidMacros);
    ComPtr<IMacroItem> macro;
    ASSERT_EQ(S_OK, macros->Find(done.macroId, macro.put()));
    const std::vector<uint8_t> buffer = EventBytes(macro.get());
    ASSERT_EQ(8u + 3 * 8, buffer.size());
    EventEntry entries[3];
    std::memcpy(entries, buffer.data() + 8, sizeof(entries));
    EXPECT_EQ(3u, entries[1].type);
    EXPECT_EQ(100000u, entries[1].first | (uint32_t(entries[1].second) << 16));
    EXPECT_EQ(1u, entries[2].type);
    EXPECT_EQ(4u, entries[2].first);

    ActionRecord records[19];
    ULONG count = 19;
    auto buttons = Connection::ProfileFeature<IDeviceButtons>(second.get(), kIidButtons);
    ASSERT_EQ(S_OK, buttons->Actions(&count, records));
    const ActionRecord expected = MacroRecord(5, done.macroId);
    EXPECT_EQ(0, std::memcmp(&expected, &records[4], sizeof(expected)));  // slot of id 5
    ActionRecord keys[24];
    count = 24;
    ASSERT_EQ(S_OK, Connection::ProfileFeature<IDeviceKeys>(second.get(), kIidKeys)->Actions(&count, keys));
    EXPECT_EQ(79u, keys[12].id);
    EXPECT_EQ(kCategoryNone, keys[12].category);

    auto sensitivity = Connection::ProfileFeature<ISensitivity>(second.get(), kIidSensitivity);
    win::CoTaskMemOut<StagePair> pairs;
    ASSERT_EQ(S_OK, sensitivity->Stages(&count, pairs.put()));
    ASSERT_EQ(3u, count);
    EXPECT_EQ(1300, pairs.get()[1].y);
    EXPECT_EQ(100, pairs.get()[2].y);
    ULONG stage = 0;
    LONG x = 0, y = 0;
    sensitivity->ActiveStage(&stage);
    sensitivity->Current(&x, &y);
    EXPECT_EQ(2u, stage);
    EXPECT_EQ(700, x);
    EXPECT_EQ(800, y);

    auto lights = Connection::ProfileFeature<ILights>(second.get(), kIidLights);
    ComPtr<ILight> light;
    ULONG on = 1;
    ASSERT_EQ(S_OK, lights->Item(1, light.put()));
    light->State(&on);
    EXPECT_EQ(0u, on);

    auto properties = Connection::ProfileFeature<IProperties>(second.get(), kIidProperties);
    wchar_t path[128] = {};
    ULONG bytes = sizeof(path);
    ASSERT_EQ(S_OK, properties->Get(kPropertyProgramPath, 0, reinterpret_cast<BYTE*>(path), 0, &bytes));
    EXPECT_STREQ(L"C:\\Games\\Tarn \u00DF.exe", path);
    uint16_t mask = 0;
    bytes = sizeof(mask);
    ASSERT_EQ(S_OK, properties->Get(kPropertyFlags, 0, reinterpret_cast<BYTE*>(&mask), 0, &bytes));
    EXPECT_EQ(kFlagProfileOsd, mask);

    ULONG level = 0, interval = 0;
    BOOL enabled = FALSE;
    auto acceleration = c.DeviceFeature<IAcceleration>(kIidAcceleration);
    acceleration->Level(&level);
    acceleration->Enabled(&enabled);
    c.DeviceFeature<IPolling>(kIidPolling)->Interval(&interval);
    EXPECT_EQ(9u, level);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(1u, interval);
}

using ServiceState = ServiceTest;

// The temporary files of the state file left in the folder.
std::vector<std::wstring> Temporaries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW((folder + L"\\*.tmp").c_str(), &data));
    if (find) {
        do
            names.push_back(data.cFileName);
        while (::FindNextFileW(find.get(), &data));
    }
    return names;
}

TEST_F(ServiceState, EverythingSurvivesTheFile) {
    // What a killed writer left goes; another file's temporary stays.
    WriteBytes(StatePath() + L".4242-7.tmp", "half a mouse");
    WriteBytes(StatePath() + L".2.4242-7.tmp", "the second mouse's");
    Changes done;
    {
        Connection c = Connect();
        done = ChangeEverything(c);
        // Each call committed its change before it returned.
        const tarnsvc::MouseState stored = StoredState();
        ASSERT_EQ(2u, stored.profiles.size());
        EXPECT_EQ(L"Second", stored.profiles[1].name);
        EXPECT_EQ(3u, stored.profiles[1].stages.size());
        EXPECT_EQ(9u, stored.accelerationLevel);
        EXPECT_EQ(1u, stored.pollingMs);
    }
    ASSERT_TRUE(Exists(StatePath()));
    EXPECT_EQ(std::vector<std::wstring>{L"state.txt.2.4242-7.tmp"}, Temporaries(Folder()));
    const std::string text = ReadBytes(StatePath());
    EXPECT_EQ(0u, text.find("TarnMouseState 1\r\n"));
    EXPECT_NE(std::string::npos, text.find("name=Second\r\n")) << "names are plain text";
    Connection again = Connect();
    ExpectEverythingChanged(again, done);
}

TEST_F(ServiceState, AFileDeletedWhileConnectedIsWrittenAgain) {
    {
        Connection c = Connect();
        ASSERT_EQ(S_OK, c.Profile(0)->SetName(L"Kept"));
    }
    const std::string saved = ReadBytes(StatePath());
    {
        // Only read, nothing changed: the file still comes back as it was.
        Connection c = Connect();
        ASSERT_TRUE(::DeleteFileW(StatePath().c_str()));
        EXPECT_EQ(L"Kept", c.Name(c.Profile(0).get()));
    }
    EXPECT_EQ(saved, ReadBytes(StatePath()));
}

TEST_F(ServiceState, ConnectionsOfOneProcessAreOneMouse) {
    Connection a = Connect();
    Connection b = Connect();
    const uint32_t start = a.Revision();
    EXPECT_EQ(1u, start) << "a new mouse, committed once";
    EXPECT_EQ(start, b.Revision());
    ASSERT_EQ(S_OK, a.Profile(0)->SetName(L"Shared"));
    EXPECT_EQ(L"Shared", b.Name(b.Profile(0).get()));
    // Interleaved creates through both survive; each commit is one revision.
    auto macrosA = a.DeviceFeature<IMacros>(kIidMacros);
    auto macrosB = b.DeviceFeature<IMacros>(kIidMacros);
    for (int i = 0; i < 3; ++i) {
        ComPtr<IMacroItem> created;
        ASSERT_EQ(S_OK, macrosA->Create(created.put()));
        ASSERT_EQ(S_OK, macrosB->Create(created.put()));
    }
    EXPECT_EQ(start + 7, a.Revision());
    EXPECT_EQ(start + 7, b.Revision());
    const tarnsvc::MouseState stored = StoredState();
    EXPECT_EQ(6u, stored.macros.size());
    EXPECT_EQ(start + 7, stored.revision);
    // A call that changes nothing commits nothing.
    ASSERT_EQ(S_OK, b.Profile(0)->SetName(L"Shared"));
    EXPECT_EQ(start + 7, a.Revision());
}

TEST_F(ServiceState, DeviceLimitsAreReadOnly) {
    Connection c = Connect();
    auto properties = Connection::ProfileFeature<IProperties>(c.Profile(0).get(), kIidProperties);
    uint32_t limits[3] = {0, 0, 0xCCCCCCCC};
    ULONG size = 4;
    EXPECT_EQ(tarnsvc::kErrBufferTooSmall,
              properties->Get(tarnsvc::kPropertyDeviceLimits, 0, reinterpret_cast<BYTE*>(limits), 0, &size));
    EXPECT_EQ(8u, size);
    size = sizeof(limits);
    ASSERT_EQ(S_OK, properties->Get(tarnsvc::kPropertyDeviceLimits, 0, reinterpret_cast<BYTE*>(limits), 0, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(200u, limits[0]);
    EXPECT_EQ(16384u, limits[1]);
    EXPECT_EQ(0xCCCCCCCCu, limits[2]);
    const uint32_t revision = c.Revision();
    EXPECT_EQ(E_INVALIDARG,
              properties->Set(tarnsvc::kPropertyDeviceLimits, reinterpret_cast<BYTE*>(limits), 0, 8, 0));
    EXPECT_EQ(revision, c.Revision());
}

TEST_F(ServiceState, AFailedSaveFailsTheCallAndKeepsNothing) {
    // A save whose move cannot take place leaves the target and no temporary file.
    const tarnsvc::MouseState factory = tarnsvc::FactoryState(21);
    const std::wstring folder = Folder() + L"\\taken";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_FALSE(tarnsvc::statefile::Save(folder, factory));
    EXPECT_TRUE(IsFolder(folder));
    EXPECT_TRUE(Temporaries(Folder()).empty());

    Connection c = Connect();
    auto profile = c.Profile(0);
    ASSERT_EQ(S_OK, profile->SetName(L"Kept"));
    const std::string before = ReadBytes(StatePath());
    const uint32_t revision = c.Revision();
    auto expectUnchanged = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(L"Kept", c.Name(profile.get()));
        EXPECT_EQ(1u, c.ProfileCount());
        EXPECT_EQ(revision, c.Revision());
        EXPECT_EQ(before, ReadBytes(StatePath()));
        EXPECT_TRUE(Temporaries(Folder()).empty());
    };

    // The save of this very commit fails: so does the call.
    SetEnv(L"TARN_DEVICE_FAULT", L"Save:1");
    EXPECT_EQ(tarnsvc::Win32Error(ERROR_WRITE_FAULT), profile->SetName(L"Lost"));
    expectUnchanged("save fault on a rename");
    ComPtr<IDeviceProfile> created;
    SetEnv(L"TARN_DEVICE_FAULT", L"Save:1,x");  // a new value: the count starts again
    EXPECT_EQ(tarnsvc::Win32Error(ERROR_WRITE_FAULT), c.profiles->Create(created.put()));
    EXPECT_FALSE(created);
    expectUnchanged("save fault on a create");
    SetEnv(L"TARN_DEVICE_FAULT", nullptr);

    // Another program holds the file open: it cannot be replaced.
    {
        win::UniqueFile held(::CreateFileW(StatePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_LT(profile->SetName(L"Lost"), 0);
        EXPECT_LT(c.profiles->Create(created.put()), 0);
    }
    expectUnchanged("file held open");

    // Afterwards the mouse takes changes again.
    ASSERT_EQ(S_OK, profile->SetName(L"Changed"));
    EXPECT_EQ(revision + 1, c.Revision());
    EXPECT_EQ(L"Changed", StoredState().profiles[0].name);
}

TEST_F(ServiceState, DamagedFilesFallBackAndAreKeptAside) {
    const std::string valid = tarnsvc::statefile::Serialize(tarnsvc::FactoryState(21));
    auto replace = [&](std::string from, std::string to) {
        std::string text = valid;
        const size_t at = text.find(from);
        EXPECT_NE(std::string::npos, at) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    // Two profiles of one identity, and 300 button lines in one profile.
    tarnsvc::MouseState twice = tarnsvc::FactoryState(21);
    twice.profiles.push_back(twice.profiles[0]);
    twice.profiles[1].name = L"Twin";
    std::string buttons = valid;
    for (int i = 0; i < 300; ++i)
        buttons.insert(buttons.find("button=1 1 01"), "button=" + std::to_string(1 + i % 5) + " 1 01\r\n");
    const std::string damaged[] = {
        "",
        "\xFF\xFE\x00garbage",
        tarnsvc::statefile::Serialize(twice),
        buttons,
        valid + std::string(50u << 20, 'x'),          // 50 MB after the end line
        std::string(65u << 20, '\n'),                 // past the size limit
        replace("name=Profile 1", "name=\xC3\x28"),   // invalid UTF-8
        replace("name=Profile 1", "name=\xED\xA0\x80"),  // an encoded surrogate
        replace("revision=1", "revision=0"),
        valid.substr(0, valid.size() / 2),                // cut short
        replace("TarnMouseState 1", "TarnMouseState 2"),  // a later version
        replace("product=21", "product=25"),              // another product's memory
        replace("stages=800x800", "stages=99x800"),
        replace("activeStage=3", "activeStage=6"),
        replace("button=1 1 01", "button=6 1 01"),  // a button the mouse lacks
        replace("polling=2", "polling=3"),
        replace("name=Profile 1", "name=\\q"),
        replace("[profile]", "[profile]\r\nid={not-a-guid}"),
        replace("\r\nend", "\r\nend\r\nproduct=21"),
    };
    for (const std::string& bytes : damaged) {
        SCOPED_TRACE(bytes.substr(0, 200));
        WriteBytes(StatePath(), bytes);
        ::DeleteFileW((StatePath() + L".bad").c_str());
        {
            Connection c = Connect();
            ASSERT_EQ(1u, c.ProfileCount());
            EXPECT_EQ(L"Profile 1", c.Name(c.Profile(0).get()));
            // The factory state is committed at once, so every program
            // finds the same new mouse.
            const tarnsvc::MouseState stored = StoredState();
            ASSERT_EQ(1u, stored.profiles.size());
            EXPECT_TRUE(tarnsvc::SameId(stored.profiles[0].id, c.Id(c.Profile(0).get())));
        }
        EXPECT_TRUE(ReadBytes(StatePath() + L".bad") == bytes) << "the damaged file is kept as it was";
    }
}

TEST_F(ServiceState, EveryCutShortFileIsRefused) {
    tarnsvc::MouseState state = tarnsvc::FactoryState(25);
    state.macros.push_back({tarnsvc::NewId(), L"M", {{2, 30, 0}}});
    const std::string valid = tarnsvc::statefile::Serialize(state);
    tarnsvc::MouseState out;
    ASSERT_TRUE(tarnsvc::statefile::Parse(valid, out));
    const size_t endLine = valid.rfind("end");
    for (size_t cut = 0; cut < endLine; cut += 7)
        EXPECT_FALSE(tarnsvc::statefile::Parse(valid.substr(0, cut), out)) << "cut at " << cut;
    // A line lost from the middle: the last range without its upper bound.
    const size_t upper = valid.rfind("upper=");
    std::string gap = valid;
    gap.erase(upper, valid.find('\n', upper) + 1 - upper);
    EXPECT_FALSE(tarnsvc::statefile::Parse(gap, out));
}

TEST_F(ServiceState, HandWrittenFileLoads) {
    // LF line ends, a byte-order mark, comments, only the fields that differ.
    WriteBytes(StatePath(),
               "\xEF\xBB\xBFTarnMouseState 1\n# my mouse\nproduct=21\nacceleration=2\n"
               "activeProfile={11111111-2222-3333-4444-555555555555}\n\n[profile]\n"
               "id={11111111-2222-3333-4444-555555555555}\nname=Hand made\nstages=1000x1000\nactiveStage=1\n"
               "end\n");
    Connection c = Connect();
    ASSERT_EQ(1u, c.ProfileCount());
    EXPECT_EQ(L"Hand made", c.Name(c.Profile(0).get()));
    ULONG level = 0;
    c.DeviceFeature<IAcceleration>(kIidAcceleration)->Level(&level);
    EXPECT_EQ(2u, level);
    EXPECT_FALSE(Exists(StatePath() + L".bad"));
    // A file without a revision is at revision 1; the first change makes it 2.
    EXPECT_EQ(1u, c.Revision());
    ASSERT_EQ(S_OK, c.Profile(0)->SetName(L"Edited"));
    EXPECT_EQ(2u, c.Revision());
    EXPECT_NE(std::string::npos, ReadBytes(StatePath()).find("\r\nrevision=2\r\n"));
}

TEST_F(ServiceState, AnUnreadableFileIsABusyMouse) {
    // A folder where the file should be: no mouse is handed out, nothing
    // is set aside or written.
    ASSERT_TRUE(::CreateDirectoryW(StatePath().c_str(), nullptr));
    for (int attempt = 0; attempt < 2; ++attempt) {
        ComPtr<IDeviceEnumerator> enumerator;
        ASSERT_EQ(S_OK, tarnsvc::CreateEnumerator(kIidEnumerator, enumerator.put_void()));
        ComPtr<IDevice> device;
        EXPECT_EQ(tarnsvc::kErrBusy, enumerator->Device(0, device.put()));
        EXPECT_FALSE(device);
    }
    EXPECT_TRUE(IsFolder(StatePath()));
    EXPECT_FALSE(Exists(StatePath() + L".bad"));
    ASSERT_TRUE(::RemoveDirectoryW(StatePath().c_str()));

    // A file that cannot be read any more fails the calls of an open
    // connection the same way, once its copy is not the latest.
    Connection c = Connect();
    auto profile = c.Profile(0);
    ASSERT_EQ(S_OK, profile->SetName(L"Before"));
    SetEnv(L"TARN_DEVICE_FAULT", L"Save:1,Load%1");
    EXPECT_LT(profile->SetName(L"Lost"), 0);
    wchar_t* name = nullptr;
    EXPECT_EQ(tarnsvc::kErrBusy, profile->Name(&name));
    EXPECT_EQ(nullptr, name);
    SetEnv(L"TARN_DEVICE_FAULT", L"Lock:1");
    EXPECT_EQ(tarnsvc::kErrBusy, profile->Name(&name));
    SetEnv(L"TARN_DEVICE_FAULT", nullptr);
    EXPECT_EQ(L"Before", c.Name(profile.get()));
    EXPECT_FALSE(Exists(StatePath() + L".bad"));
}

using ServiceScenario = ServiceTest;

TEST_F(ServiceScenario, NoMouse) {
    SetEnv(L"TARN_DEVICE_SCENARIO", L"none");
    ComPtr<IDeviceEnumerator> enumerator;
    ASSERT_EQ(S_OK, tarnsvc::CreateEnumerator(kIidEnumerator, enumerator.put_void()));
    ComPtr<IDevice> device;
    EXPECT_LT(enumerator->Device(0, device.put()), 0);
    EXPECT_FALSE(device);
}

TEST_F(ServiceScenario, TwoMiceKeepTheirOwnState) {
    SetEnv(L"TARN_DEVICE_SCENARIO", L"two");
    {
        Connection first = Connect(0);
        Connection second = Connect(1);
        ComPtr<IDevice> third;
        EXPECT_LT(first.enumerator->Device(2, third.put()), 0);
        InfoRecord info{};
        ASSERT_EQ(S_OK, second.device->Info(&info));
        ::CoTaskMemFree(info.text);
        EXPECT_EQ(21u, info.productId);
        ASSERT_EQ(S_OK, second.Profile(0)->SetName(L"Second mouse"));
        EXPECT_EQ(L"Profile 1", first.Name(first.Profile(0).get()));
    }
    EXPECT_NE(std::string::npos, ReadBytes(StatePath() + L".2").find("name=Second mouse"));
    EXPECT_EQ(std::string::npos, ReadBytes(StatePath()).find("Second mouse"));
}

TEST_F(ServiceScenario, Product25HasColourRanges) {
    {
        Connection c = Connect();
        EXPECT_FALSE(c.DeviceFeature<IColourRanges>(kIidColourRanges)) << "product 21 has none";
    }
    SetEnv(L"TARN_DEVICE_SCENARIO", L"product25");
    Connection c = Connect();
    InfoRecord info{};
    ASSERT_EQ(S_OK, c.device->Info(&info));
    ::CoTaskMemFree(info.text);
    EXPECT_EQ(25u, info.productId);
    auto ranges = c.DeviceFeature<IColourRanges>(kIidColourRanges);
    ASSERT_TRUE(ranges);
    ComPtr<IColourRange> range;
    ASSERT_EQ(S_OK, ranges->Item(1, range.put()));
    EXPECT_LT(ranges->Item(2, ComPtr<IColourRange>().put()), 0);
    ComPtr<IColourRangeColour> colour;
    ASSERT_TRUE(range.As(kIidColourRangeColour, colour));
    EXPECT_EQ(S_OK, colour->SetColour(0x123456));
    EXPECT_EQ(E_INVALIDARG, range->SetBounds(500, 400));
    ASSERT_EQ(S_OK, range->SetBounds(400, 500));
    ComPtr<IColourRange> first;
    ASSERT_EQ(S_OK, ranges->Item(0, first.put()));
    ASSERT_EQ(S_OK, ranges->Remove(first.get()));
    EXPECT_LT(first->SetBounds(1, 2), 0) << "a removed range is gone";
    ULONG value = 0;
    LONG lower = 0, upper = 0;
    EXPECT_EQ(S_OK, colour->Colour(&value));
    EXPECT_EQ(0x123456u, value);
    EXPECT_EQ(S_OK, range->Bounds(&lower, &upper));
    EXPECT_EQ(400, lower);
    EXPECT_LT(ranges->Item(1, ComPtr<IColourRange>().put()), 0) << "one left after the removal";
}

TEST_F(ServiceScenario, FreshReplacesTheStoredState) {
    {
        Connection c = Connect();
        ComPtr<IDeviceProfile> created;
        ASSERT_EQ(S_OK, c.profiles->Create(created.put()));
    }
    {
        Connection c = Connect();
        EXPECT_EQ(2u, c.ProfileCount());
    }
    const uint64_t before = StoredState().revision;
    SetEnv(L"TARN_DEVICE_SCENARIO", L"fresh");
    {
        Connection c = Connect();
        EXPECT_EQ(1u, c.ProfileCount());
        EXPECT_EQ(before + 1, StoredState().revision) << "committed once, as a new revision";
        EXPECT_EQ(before + 1, c.Revision());
    }
    SetEnv(L"TARN_DEVICE_SCENARIO", nullptr);
    Connection c = Connect();
    EXPECT_EQ(1u, c.ProfileCount()) << "the factory state was stored";
}

}  // namespace
}  // namespace svctest
