// Profile and macro export files: round trips, and refusals of files that
// are damaged, cut short, foreign or of the other kind, with nothing changed.
#include <cstring>
#include <vector>

#include "ExportFile.h"
#include "ServiceFixture.h"
#include "TextFormat.h"

namespace svctest {
namespace {

using namespace devsvc;

std::vector<ActionRecord> Records(IDeviceProfile* profile) {
    std::vector<ActionRecord> records(43);
    ULONG buttons = 19, keys = 24;
    Connection::ProfileFeature<IDeviceButtons>(profile, kIidButtons)->Actions(&buttons, records.data());
    Connection::ProfileFeature<IDeviceKeys>(profile, kIidKeys)->Actions(&keys, records.data() + 19);
    return records;
}


using ServiceExport = ServiceTest;

TEST_F(ServiceExport, ProfileRoundTrip) {
    Connection c = Connect();
    auto original = c.Profile(0);
    ASSERT_EQ(S_OK, original->SetName(L"Export \u00E9\u00E8 \\ ="));
    ActionRecord record;
    record.id = 13;
    record.category = kCategoryProfile;
    record.data[0] = 3;
    std::memset(record.data + 4, 0xAB, 16);
    ASSERT_EQ(
        S_OK,
        Connection::ProfileFeature<IDeviceButtons>(original.get(), kIidButtons)->SetActions(1, &record));
    const StagePair stages[2] = {{300, 300}, {2500, 2600}};
    auto sensitivity = Connection::ProfileFeature<ISensitivity>(original.get(), kIidSensitivity);
    ASSERT_EQ(S_OK, sensitivity->SetStages(2, stages));
    const uint16_t flag[2] = {kFlagAutoSwitch, 1};
    ASSERT_EQ(S_OK, Connection::ProfileFeature<IProperties>(original.get(), kIidProperties)
                        ->Set(kPropertyFlags, reinterpret_cast<const BYTE*>(flag), 0, 4, 0));

    const std::wstring file = Folder() + L"\\profile.vxp";
    ASSERT_EQ(S_OK, original->Export(file.c_str()));
    EXPECT_FALSE(Exists(file + L".tmp"));
    EXPECT_EQ(0u, ReadBytes(file).find("TarnProfileExport 1\r\n"));

    ComPtr<IDeviceProfile> imported;
    ASSERT_EQ(S_OK, c.profiles->Import(file.c_str(), imported.put()));
    EXPECT_EQ(2u, c.ProfileCount());
    EXPECT_FALSE(tarnsvc::SameId(c.Id(original.get()), c.Id(imported.get()))) << "a fresh identity";
    EXPECT_EQ(c.Name(original.get()), c.Name(imported.get()));
    const auto a = Records(original.get()), b = Records(imported.get());
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), sizeof(ActionRecord) * a.size()));
    ULONG count = 0;
    win::CoTaskMemOut<StagePair> pairs;
    ASSERT_EQ(S_OK, Connection::ProfileFeature<ISensitivity>(imported.get(), kIidSensitivity)
                        ->Stages(&count, pairs.put()));
    ASSERT_EQ(2u, count);
    EXPECT_EQ(2600, pairs.get()[1].y);
    uint16_t mask = 0;
    ULONG size = sizeof(mask);
    Connection::ProfileFeature<IProperties>(imported.get(), kIidProperties)
        ->Get(kPropertyFlags, 0, reinterpret_cast<BYTE*>(&mask), 0, &size);
    EXPECT_EQ(kFlagAutoSwitch, mask);
}

TEST_F(ServiceExport, MacroRoundTrip) {
    Connection c = Connect();
    auto macros = c.DeviceFeature<IMacros>(kIidMacros);
    ComPtr<IMacroItem> macro;
    ASSERT_EQ(S_OK, macros->Create(macro.put()));
    ASSERT_EQ(S_OK, macro->SetName(L"Reload"));
    struct {
        EventBufferHeader header{0, 3};
        EventEntry entries[3] = {{1, 0x1, 0}, {3, 0xFFFF, 0xFF}, {2, 0x45, 3}};
    } events;
    ASSERT_EQ(S_OK, macro->SetEvents(TaskCopy(&events, sizeof(events)).get()));
    const std::wstring file = Folder() + L"\\macro.vxm";
    ASSERT_EQ(S_OK, macro->Export(file.c_str()));

    ComPtr<IMacroItem> imported;
    ASSERT_EQ(S_OK, macros->Import(file.c_str(), imported.put()));
    GUID a{}, b{};
    macro->Id(&a);
    imported->Id(&b);
    EXPECT_FALSE(tarnsvc::SameId(a, b));
    wchar_t* name = nullptr;
    ASSERT_EQ(S_OK, imported->Name(&name));
    EXPECT_STREQ(L"Reload", name);
    ::CoTaskMemFree(name);
    EXPECT_EQ(EventBytes(macro.get()), EventBytes(imported.get()));
}

TEST_F(ServiceExport, BadFilesAreRefusedAndChangeNothing) {
    Connection c = Connect();
    const std::wstring profileFile = Folder() + L"\\good.vxp";
    const std::wstring macroFile = Folder() + L"\\good.vxm";
    auto macros = c.DeviceFeature<IMacros>(kIidMacros);
    ComPtr<IMacroItem> macro;
    ASSERT_EQ(S_OK, macros->Create(macro.put()));
    ASSERT_EQ(S_OK, c.Profile(0)->Export(profileFile.c_str()));
    ASSERT_EQ(S_OK, macro->Export(macroFile.c_str()));
    const std::string profile = ReadBytes(profileFile);
    const std::string macroText = ReadBytes(macroFile);

    std::string flipped = profile;
    flipped[profile.find("stages=") + 7] = '9';  // 900x... still a valid value, but not what was sealed
    std::string resealedBad =
        std::string(profile).replace(profile.find("activeStage=3"), 13, "activeStage=9");
    resealedBad = resealedBad.substr(0, resealedBad.find("crc32="));
    resealedBad += "crc32=" + tarnsvc::text::Hex32(tarnsvc::text::Crc32(resealedBad)) + "\r\n";

    const struct {
        const char* what;
        std::string bytes;
        HRESULT expected;
    } cases[] = {
        {"a changed byte", flipped, tarnsvc::kErrDamagedFile},
        {"cut to 20 bytes", profile.substr(0, 20), tarnsvc::kErrDamagedFile},
        {"cut before the checksum", profile.substr(0, profile.find("crc32=")), tarnsvc::kErrDamagedFile},
        {"cut inside the checksum", profile.substr(0, profile.size() - 5), tarnsvc::kErrDamagedFile},
        {"sealed but breaking the rules", resealedBad, tarnsvc::kErrDamagedFile},
        {"a macro file", macroText, tarnsvc::kErrForeignFile},
        {"a later version", "TarnProfileExport 2" + profile.substr(profile.find("\r\n")),
         tarnsvc::kErrForeignFile},
        {"foreign text", "[PROPERTIES]\r\nname=x\r\n", tarnsvc::kErrForeignFile},
        {"empty", "", tarnsvc::kErrForeignFile},
    };
    const std::wstring file = Folder() + L"\\bad.vxp";
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.what);
        WriteBytes(file, bad.bytes);
        ComPtr<IDeviceProfile> imported;
        EXPECT_EQ(bad.expected, c.profiles->Import(file.c_str(), imported.put()));
        EXPECT_FALSE(imported);
        EXPECT_EQ(1u, c.ProfileCount());
    }
    ComPtr<IDeviceProfile> none;
    EXPECT_LT(c.profiles->Import((Folder() + L"\\missing.vxp").c_str(), none.put()), 0);

    // The other direction: a profile file is not a macro.
    ComPtr<IMacroItem> importedMacro;
    EXPECT_EQ(tarnsvc::kErrForeignFile, macros->Import(profileFile.c_str(), importedMacro.put()));
    WriteBytes(file, macroText.substr(0, macroText.size() / 2));
    EXPECT_EQ(tarnsvc::kErrDamagedFile, macros->Import(file.c_str(), importedMacro.put()));
    ComPtr<IMacroItem> second;
    EXPECT_LT(macros->Item(1, second.put()), 0) << "no macro was added";

    // A full mouse takes no more, even from a good file.
    for (int i = 0; i < 4; ++i) {
        ComPtr<IDeviceProfile> created;
        ASSERT_EQ(S_OK, c.profiles->Create(created.put()));
    }
    ComPtr<IDeviceProfile> sixth;
    EXPECT_LT(c.profiles->Import(profileFile.c_str(), sixth.put()), 0);
    EXPECT_EQ(5u, c.ProfileCount());
}

TEST_F(ServiceExport, ExportReplacesWholeOrNotAtAll) {
    Connection c = Connect();
    auto profile = c.Profile(0);
    const std::wstring file = Folder() + L"\\out.vxp";
    WriteBytes(file, std::string(100000, 'x'));
    ASSERT_EQ(S_OK, profile->Export(file.c_str()));
    tarnsvc::ProfileState parsed;
    EXPECT_EQ(S_OK, tarnsvc::exports::ParseProfile(ReadBytes(file), parsed)) << "no trace of the old bytes";

    const std::wstring folder = Folder() + L"\\folder.vxp";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_LT(profile->Export(folder.c_str()), 0);
    EXPECT_TRUE(IsFolder(folder));
    EXPECT_FALSE(Exists(folder + L".tmp"));
}

}  // namespace
}  // namespace svctest
