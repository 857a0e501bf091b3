// Profile files and the settings file in the save folder: names, derived file
// names, Unicode text, renames and deletes, and damaged files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "model/VellConfig.h"
#include "win/ModuleDir.h"

namespace {

std::string ReadBytes(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// A file as the platform writes it for UTF-16 text.
std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool StartsWithBom(const std::wstring& path) {
    return ReadBytes(path).rfind("\xFF\xFE", 0) == 0;
}

std::wstring ReadValue(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    wchar_t buffer[256] = {};
    GetPrivateProfileStringW(section, key, L"<missing>", buffer, 256, path.c_str());
    return buffer;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// Each test runs with a module directory of its own under %TEMP%.
class ScratchFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        static int serial = 0;
        m_folder = std::wstring(temp) + L"tarn-files-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++serial);
        ASSERT_TRUE(CreateDirectoryW(m_folder.c_str(), nullptr));
        m_previousModuleDir = app::ModuleDirectory();
        app::SetModuleDirectory(m_folder);
    }
    void TearDown() override {
        app::SetModuleDirectory(m_previousModuleDir);
        RemoveTree(m_folder);
    }

    std::wstring SavePath(const std::wstring& fileName) const { return m_folder + L"\\save\\" + fileName; }

    std::wstring m_folder;
    std::wstring m_previousModuleDir;
};

class ProfileFile : public ScratchFolderTest {};
class SettingsFile : public ScratchFolderTest {};

std::set<std::wstring> ProfileNames(CMouseConfig& config) {
    std::set<std::wstring> names;
    for (int32_t i = 0; i < config.GetProfileCount(); ++i)
        names.insert(config.ProfileAt(i)->GetName());
    return names;
}

// Records what a load hands to the assignment hook.
class RecordingProfile : public CMouseProfile {
public:
    bool ApplyStoredAssignment(int32_t keyId, const wchar_t* value) override {
        applied.emplace_back(keyId, value);
        return false;
    }
    std::vector<std::pair<int32_t, std::wstring>> applied;
};

// ------------------------------------------------------------ profile files

TEST_F(ProfileFile, SaveWritesPropertiesAndAssignmentsIntoANewSaveFolder) {
    CVellConfig config;
    EXPECT_EQ(config.ProfileFolder(), m_folder + L"\\save\\");
    EXPECT_EQ(config.SettingsFilePath(), m_folder + L"\\save\\Vell.vxc");
    CMouseProfile* game = config.CreateProfile(L"Game");
    ASSERT_FALSE(Exists(SavePath(L"")));

    ASSERT_TRUE(config.SaveProfileFiles(game));
    const std::wstring path = SavePath(L"Game.vxp");
    EXPECT_TRUE(Exists(path));
    EXPECT_TRUE(game->HasFile());
    EXPECT_EQ(game->GetFilePath(), path);
    EXPECT_TRUE(StartsWithBom(path));
    EXPECT_EQ(ReadValue(path, L"PROPERTIES", L"name"), L"Game");
    EXPECT_EQ(ReadValue(path, L"PROPERTIES", L"exe"), L"");
    EXPECT_EQ(ReadValue(path, L"PROPERTIES", L"auto"), L"0");

    wchar_t section[512] = {};
    const DWORD n = GetPrivateProfileSectionW(L"ASSIGNMENTS", section, 512, path.c_str());
    std::vector<std::wstring> lines;
    for (const wchar_t* line = section; line < section + n && *line; line += wcslen(line) + 1)
        lines.emplace_back(line);
    EXPECT_EQ(lines,
              (std::vector<std::wstring>{L"1=0", L"2=1", L"3=2", L"10=39", L"11=40", L"25=32", L"26=31"}));

    // A later save replaces the section instead of leaving old buttons behind.
    game->SetButtonAssignment(4, MakeAssignment(kFunctionButtonOff));
    game->SetButtonAssignment(kButtonLeft, MakeAssignment(kFunctionMenu));
    ASSERT_TRUE(config.SaveProfileFiles(game));
    EXPECT_EQ(ReadValue(path, L"ASSIGNMENTS", L"1"), L"1");
    EXPECT_EQ(ReadValue(path, L"ASSIGNMENTS", L"4"), L"7");
}

TEST_F(ProfileFile, UnicodeNamesSurviveSaveAndLoad) {
    const std::wstring names[] = {L"Ärger", L"Профиль", L"プロファイル"};
    {
        CVellConfig config;
        for (const std::wstring& name : names)
            config.CreateProfile(name.c_str());
        config.SetProgramPath(config.ProfileAt(1), L"C:\\Spiele\\Über Spiel.exe");
        config.SetAutoSwitch(config.ProfileAt(1), true);
        config.SetCurrentProfile(config.ProfileAt(2));
        EXPECT_TRUE(config.SaveSettings());
    }
    for (const std::wstring& name : names)
        EXPECT_TRUE(StartsWithBom(SavePath(name + L".vxp")));
    EXPECT_TRUE(StartsWithBom(SavePath(L"Vell.vxc")));

    CVellConfig loaded;
    EXPECT_FALSE(loaded.LoadSettings());
    EXPECT_EQ(ProfileNames(loaded), std::set<std::wstring>(std::begin(names), std::end(names)));
    ASSERT_NE(loaded.GetCurrentProfile(), nullptr);
    EXPECT_EQ(loaded.GetCurrentProfile()->GetName(), L"プロファイル");
    CMouseProfile* second = loaded.FindByName(L"профиль");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetProgramPath(), L"C:\\Spiele\\Über Spiel.exe");
    EXPECT_EQ(second->GetProgramFileName(), L"Über Spiel.exe");
    EXPECT_TRUE(second->GetAutoSwitch());
    EXPECT_EQ(second->GetFilePath(), SavePath(L"Профиль.vxp"));
}

TEST_F(ProfileFile, LongNamesGetNumberedFileNames) {
    CVellConfig config;
    const std::wstring stem(123, L'L');
    CMouseProfile* first = config.CreateProfile((stem + L"-first").c_str());
    CMouseProfile* second = config.CreateProfile((stem + L"-other").c_str());
    ASSERT_EQ(first->GetName().size(), 129u);
    ASSERT_TRUE(config.SaveProfileFiles(first));
    ASSERT_TRUE(config.SaveProfileFiles(second));
    EXPECT_EQ(first->GetFilePath(), SavePath(stem + L"0000.vxp"));
    EXPECT_EQ(second->GetFilePath(), SavePath(stem + L"0001.vxp"));
    // Saving again finds its own file (names compared ignoring case).
    first->SetName((stem + L"-FIRST").c_str());
    ASSERT_TRUE(config.SaveProfileFiles(first));
    EXPECT_EQ(first->GetFilePath(), SavePath(stem + L"0000.vxp"));

    // A name of exactly 127 characters is used as it is.
    CMouseProfile* exact = config.CreateProfile(std::wstring(127, L'E').c_str());
    ASSERT_TRUE(config.SaveProfileFiles(exact));
    EXPECT_EQ(exact->GetFilePath(), SavePath(std::wstring(127, L'E') + L".vxp"));

    // A given file name is cut to 127 characters.
    CMouseProfile named(L"Named");
    const std::wstring folder = config.ProfileFolder();
    ASSERT_TRUE(named.SaveToFile(std::wstring(200, L'g').c_str(), folder.c_str(), L"vxp"));
    EXPECT_EQ(named.GetFilePath(), SavePath(std::wstring(127, L'g') + L".vxp"));
}

TEST_F(ProfileFile, AllNumberedNamesTakenFailsWithoutWriting) {
    CVellConfig config;
    const std::wstring stem(123, L'T');
    ASSERT_TRUE(CreateDirectoryW(SavePath(L"").c_str(), nullptr));
    for (int i = 0; i < 100; ++i) {
        wchar_t counter[8];
        swprintf(counter, 8, L"%04d", i);
        WriteBytes(SavePath(stem + counter + L".vxp"),
                   Utf16File(L"[PROPERTIES]\r\nname=Owner" + std::to_wstring(i) + L"\r\n"));
    }
    CMouseProfile* late = config.CreateProfile((stem + L"-late").c_str());
    EXPECT_FALSE(config.SaveProfileFiles(late));
    EXPECT_FALSE(late->HasFile());
    EXPECT_EQ(ReadValue(SavePath(stem + L"0099.vxp"), L"PROPERTIES", L"name"), L"Owner99");
}

TEST_F(ProfileFile, NamesThatAreNoFileNamesStayInTheSaveFolder) {
    CVellConfig config;
    CMouseProfile* escape = config.CreateProfile(L"..\\..\\escape");
    CMouseProfile* device = config.CreateProfile(L"CON");
    CMouseProfile* colon = config.CreateProfile(L"a:b");
    CMouseProfile* nameless = config.CreateProfile(L"");
    ASSERT_TRUE(config.SaveProfileFiles(escape));
    ASSERT_TRUE(config.SaveProfileFiles(device));
    ASSERT_TRUE(config.SaveProfileFiles(colon));
    EXPECT_EQ(escape->GetFilePath(), SavePath(L".._.._escape0000.vxp"));
    EXPECT_EQ(device->GetFilePath(), SavePath(L"CON0000.vxp"));
    EXPECT_EQ(colon->GetFilePath(), SavePath(L"a_b0000.vxp"));
    EXPECT_FALSE(Exists(m_folder + L"\\..\\escape.vxp"));
    // A profile without a name has no file name of its own.
    EXPECT_FALSE(config.SaveProfileFiles(nameless));
    EXPECT_FALSE(Exists(SavePath(L".vxp")));

    CVellConfig loaded;
    EXPECT_EQ(loaded.LoadProfileFiles(), 3);
    EXPECT_EQ(ProfileNames(loaded), (std::set<std::wstring>{L"..\\..\\escape", L"CON", L"a:b"}));
}

TEST_F(ProfileFile, RenameMovesTheFileAndKeepsItOnACaseChange) {
    CVellConfig config;
    CMouseProfile* game = config.CreateProfile(L"Game");
    ASSERT_TRUE(config.SaveProfileFiles(game));

    CMouseProfile* lower = config.Rename(game, L"game");
    ASSERT_NE(lower, nullptr);
    EXPECT_TRUE(Exists(SavePath(L"game.vxp")));
    EXPECT_EQ(ReadValue(SavePath(L"game.vxp"), L"PROPERTIES", L"name"), L"game");

    CMouseProfile* other = config.Rename(lower, L"Other");
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(Exists(SavePath(L"game.vxp")));
    EXPECT_TRUE(Exists(SavePath(L"Other.vxp")));
    EXPECT_EQ(other->GetFilePath(), SavePath(L"Other.vxp"));

    // A profile without a file gets none by being renamed.
    CMouseProfile* fresh = config.Rename(config.CreateProfile(L"Fresh"), L"Newer");
    EXPECT_FALSE(fresh->HasFile());
    EXPECT_FALSE(Exists(SavePath(L"Newer.vxp")));

    // Deleting a profile deletes its file.
    config.Delete(other);
    EXPECT_FALSE(Exists(SavePath(L"Other.vxp")));
}

TEST_F(ProfileFile, NamesDifferingOnlyInCaseKeepFilesOfTheirOwn) {
    {
        CVellConfig config;
        config.CreateProfile(L"Game");
        config.SetCurrentProfile(config.CreateProfile(L"game"));
        EXPECT_TRUE(config.SaveSettings());
        const std::wstring upper = config.ProfileAt(0)->GetFilePath();
        const std::wstring lower = config.ProfileAt(1)->GetFilePath();
        // The disk ignores letter case: "game.vxp" would be Game's file.
        EXPECT_EQ(upper, SavePath(L"Game.vxp"));
        EXPECT_EQ(lower, SavePath(L"game0000.vxp"));
        EXPECT_EQ(ReadValue(upper, L"PROPERTIES", L"name"), L"Game");
        EXPECT_EQ(ReadValue(lower, L"PROPERTIES", L"name"), L"game");
        // Saved again, each keeps its file.
        EXPECT_TRUE(config.SaveSettings());
        EXPECT_EQ(config.ProfileAt(0)->GetFilePath(), upper);
        EXPECT_EQ(config.ProfileAt(1)->GetFilePath(), lower);
    }
    CVellConfig loaded;
    loaded.LoadSettings();
    EXPECT_EQ(ProfileNames(loaded), (std::set<std::wstring>{L"Game", L"game"}));
    ASSERT_NE(loaded.GetCurrentProfile(), nullptr);
    EXPECT_EQ(loaded.GetCurrentProfile()->GetName(), L"game") << "the active one, by its exact name";
    ASSERT_NE(loaded.FindByName(L"Game"), nullptr);
    EXPECT_EQ(loaded.FindByName(L"Game")->GetName(), L"Game");
    EXPECT_EQ(loaded.FindByName(L"game")->GetName(), L"game");
    // With Game gone, game keeps its numbered file, and saving leaves no second one.
    loaded.Delete(loaded.FindByName(L"Game"));
    EXPECT_TRUE(loaded.SaveSettings());
    EXPECT_EQ(loaded.ProfileAt(0)->GetFilePath(), SavePath(L"game0000.vxp"));
    EXPECT_FALSE(Exists(SavePath(L"Game.vxp")));
}

TEST_F(ProfileFile, FailedSaveOnRenameKeepsTheOldFile) {
    CVellConfig config;
    CMouseProfile* keep = config.CreateProfile(L"Keep");
    ASSERT_TRUE(config.SaveProfileFiles(keep));
    // A folder where the new file should go makes the write fail.
    ASSERT_TRUE(CreateDirectoryW(SavePath(L"Blocked.vxp").c_str(), nullptr));
    CMouseProfile* blocked = config.Rename(keep, L"Blocked");
    ASSERT_NE(blocked, nullptr);
    EXPECT_TRUE(Exists(SavePath(L"Keep.vxp")));
    EXPECT_EQ(blocked->GetFilePath(), SavePath(L"Keep.vxp"));
}

TEST_F(ProfileFile, LoadSkipsAssignmentLinesWithoutKeyOrValue) {
    CreateDirectoryW(SavePath(L"").c_str(), nullptr);
    WriteBytes(
        SavePath(L"Lines.vxp"),
        Utf16File(L"[PROPERTIES]\r\nname=Lines\r\nauto=7\r\n[ASSIGNMENTS]\r\n0=5\r\n3=\r\n2=1\r\nx=4\r\n"
                  L"12=7\r\nnoequals\r\n"));
    RecordingProfile profile;
    const std::wstring folder = m_folder + L"\\save\\";
    ASSERT_TRUE(profile.LoadFromFile(L"Lines", folder.c_str(), L"vxp"));
    EXPECT_EQ(profile.GetName(), L"Lines");
    EXPECT_TRUE(profile.GetAutoSwitch());
    EXPECT_EQ(profile.applied, (std::vector<std::pair<int32_t, std::wstring>>{{2, L"1"}, {12, L"7"}}));
    // The base profile keeps nothing of them.
    CMouseProfile plain;
    ASSERT_TRUE(plain.LoadFromFile(L"Lines", folder.c_str(), L"vxp"));
    EXPECT_TRUE(plain.ButtonAssignments().empty());
}

TEST_F(ProfileFile, DamagedFilesAreSkippedAndLeftUntouched) {
    {
        CVellConfig config;
        config.CreateProfile(L"Good1");
        config.CreateProfile(L"Good2");
        config.SaveProfileFiles();
    }
    std::string garbage;
    uint32_t seed = 12345;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1103515245u + 12345u;
        char byte = static_cast<char>(seed >> 16);
        garbage += byte == '=' ? '\x01' : byte;  // no byte can make a key=value line
    }
    const std::vector<std::pair<std::wstring, std::string>> damaged = {
        {L"Aempty.vxp", ""},
        {L"Agarbage.vxp", garbage},
        {L"Abom-garbage.vxp", "\xFF\xFE" + garbage},
        {L"Atruncated.vxp", Utf16File(L"[PROPER")},
        {L"Anoname.vxp", Utf16File(L"[PROPERTIES]\r\nexe=C:\\x.exe\r\nauto=1\r\n")},
        {L"Aemptyname.vxp", Utf16File(L"[PROPERTIES]\r\nname=\r\n")},
        {L"Ahuge.vxp", Utf16File(L"[PROPERTIES]\r\nname=" + std::wstring(10000, L'h') + L"\r\nexe=" +
                                 std::wstring(10000, L'e') + L"\r\n[ASSIGNMENTS]\r\n" +
                                 std::wstring(10000, L'1') + L"=" + std::wstring(10000, L'2') + L"\r\n")},
        {L"Zbackup.vxp.bak", Utf16File(L"[PROPERTIES]\r\nname=Backup\r\n")},
    };
    for (const auto& [name, bytes] : damaged)
        WriteBytes(SavePath(name), bytes);

    CVellConfig config;
    CMouseProfile* before = config.CreateProfile(L"Before");
    config.SetCurrentProfile(before);
    const int32_t loaded = config.LoadProfileFiles();
    const std::set<std::wstring> names = ProfileNames(config);
    EXPECT_EQ(loaded, 3);
    EXPECT_EQ(names.count(L"Good1"), 1u);
    EXPECT_EQ(names.count(L"Good2"), 1u);
    EXPECT_EQ(names.count(L"Backup"), 0u);
    EXPECT_EQ(names.count(L"Before"), 0u);  // files were found: old profiles are gone
    EXPECT_EQ(config.GetCurrentProfile(), nullptr);
    // An overlong name is read up to the value limit.
    EXPECT_EQ(names.count(std::wstring(4095, L'h')), 1u);
    for (const auto& [name, bytes] : damaged)
        EXPECT_EQ(ReadBytes(SavePath(name)), bytes);
}

TEST_F(ProfileFile, ExistingFilesKeepTheirEncoding) {
    CreateDirectoryW(SavePath(L"").c_str(), nullptr);
    WriteBytes(SavePath(L"Plain.vxp"), "[PROPERTIES]\r\nname=Plain\r\n");
    WriteBytes(SavePath(L"Blank.vxp"), "");
    CVellConfig config;
    config.CreateProfile(L"Plain");
    config.CreateProfile(L"Blank");
    config.SaveProfileFiles();
    EXPECT_EQ(ReadBytes(SavePath(L"Plain.vxp")).rfind("[PROPERTIES]", 0), 0u);
    EXPECT_TRUE(StartsWithBom(SavePath(L"Blank.vxp")));  // an empty file has nothing to keep

    CVellConfig loaded;
    EXPECT_EQ(loaded.LoadProfileFiles(), 2);
    EXPECT_EQ(ProfileNames(loaded), (std::set<std::wstring>{L"Plain", L"Blank"}));
}

// ------------------------------------------------------------ settings file

TEST_F(SettingsFile, ActiveProfileIsFoundIgnoringCase) {
    {
        CVellConfig config;
        config.CreateProfile(L"Alpha");
        config.SetCurrentProfile(config.CreateProfile(L"Beta"));
        EXPECT_TRUE(config.SaveSettings());
    }
    EXPECT_EQ(ReadValue(SavePath(L"Vell.vxc"), L"SETTINGS", L"ActiveProfileName"), L"Beta");
    WritePrivateProfileStringW(L"SETTINGS", L"ActiveProfileName", L"BETA", SavePath(L"Vell.vxc").c_str());

    CVellConfig loaded;
    loaded.LoadSettings();
    EXPECT_EQ(loaded.GetProfileCount(), 2);
    ASSERT_NE(loaded.GetCurrentProfile(), nullptr);
    EXPECT_EQ(loaded.GetCurrentProfile()->GetName(), L"Beta");
}

TEST_F(SettingsFile, WithoutFilesTheProfilesStay) {
    CVellConfig config;
    CMouseProfile* current = config.CreateProfile(L"Current");
    config.SetCurrentProfile(current);
    EXPECT_FALSE(config.LoadSettings());
    EXPECT_EQ(config.GetProfileCount(), 1);
    EXPECT_EQ(config.GetCurrentProfile(), current);
}

TEST_F(SettingsFile, MissingOrDamagedSettingsSelectTheFirstProfile) {
    {
        CVellConfig config;
        config.CreateProfile(L"One");
        config.CreateProfile(L"Two");
        config.SaveProfileFiles();
    }
    const std::wstring settings = SavePath(L"Vell.vxc");
    const std::vector<std::string> variants = {
        "",  // no settings file at all (removed below)
        Utf16File(L"[SETTINGS]\r\nActiveProfileName=Nobody\r\n"),
        Utf16File(L"[SETTINGS]\r\nActiveProfileName=" + std::wstring(10000, L'n') + L"\r\n"),
        std::string("\x00\x01\x02[SETTINGS\xFF\xFE", 12),
    };
    for (size_t i = 0; i < variants.size(); ++i) {
        SCOPED_TRACE(i);
        if (i == 0)
            DeleteFileW(settings.c_str());
        else
            WriteBytes(settings, variants[i]);
        CVellConfig config;
        config.LoadSettings();
        ASSERT_EQ(config.GetProfileCount(), 2);
        EXPECT_EQ(config.GetCurrentProfile(), config.ProfileAt(0));
    }
}

TEST_F(SettingsFile, SaveWithoutCurrentProfileSavesProfilesAndFails) {
    CVellConfig config;
    config.CreateProfile(L"Lonely");
    EXPECT_FALSE(config.SaveSettings());
    EXPECT_TRUE(Exists(SavePath(L"Lonely.vxp")));
    EXPECT_FALSE(Exists(SavePath(L"Vell.vxc")));
}

TEST_F(SettingsFile, UnwritableSaveFolderFailsCleanly) {
    // A file where the save folder should be.
    WriteBytes(m_folder + L"\\save", "not a folder");
    CVellConfig config;
    CMouseProfile* profile = config.CreateProfile(L"Nowhere");
    config.SetCurrentProfile(profile);
    EXPECT_FALSE(config.SaveProfileFiles(profile));
    EXPECT_FALSE(profile->HasFile());
    EXPECT_FALSE(config.SaveSettings());
    EXPECT_EQ(config.LoadProfileFiles(), 0);
    EXPECT_EQ(config.GetProfileCount(), 1);
}

}  // namespace
