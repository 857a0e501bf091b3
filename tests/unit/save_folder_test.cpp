// Where profiles are saved: beside the program when its folder can be
// written, else in the user's own folder, where the profiles saved beside
// the program before are carried over once and still load.
//
// The read-only cases need folders that no process of this user can write
// to, which a Windows program cannot make for itself under every system;
// tests/unit/save_folder.sh prepares them and names their parent in
// TARN_READONLY_MODULE_DIRS:
//   with-save\save\Older.vxp, with-save\save\Vell.vxc  (active: "Older")
//   without-save\                                       (no save folder)
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "model/SaveFolder.h"
#include "model/VellConfig.h"
#include "win/ModuleDir.h"

namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::set<std::wstring> FilesIn(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.insert(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
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

std::wstring ProfileNames(CMouseConfig& config) {
    std::wstring names;
    for (int32_t i = 0; i < config.GetProfileCount(); ++i)
        names += (names.empty() ? L"" : L",") + config.ProfileAt(i)->GetName();
    return names;
}

// A scratch module directory and a scratch user data directory of its own;
// the process's directories come back afterwards.
class SaveFolder : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        static int serial = 0;
        m_scratch = std::wstring(temp) + L"tarn-savefolder-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(++serial) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(m_scratch.c_str(), nullptr));
        m_user = m_scratch + L"user\\Korvo\\Tarn\\";
        m_oldModuleDir = app::ModuleDirectory();
        m_oldUserDir = app::UserDataDirectory();
        app::SetUserDataDirectory(m_user);
    }
    void TearDown() override {
        app::SetModuleDirectory(m_oldModuleDir);
        app::SetUserDataDirectory(m_oldUserDir);
        RemoveTree(m_scratch.substr(0, m_scratch.size() - 1));
    }

    // A module directory of the read-only fixture, or empty (test skipped).
    std::wstring ReadOnlyModuleDir(const wchar_t* name) {
        const wchar_t* parent = _wgetenv(L"TARN_READONLY_MODULE_DIRS");
        if (parent == nullptr || *parent == L'\0')
            return {};
        std::wstring dir = std::wstring(parent) + L"\\" + name + L"\\";
        return dir;
    }

    std::wstring m_scratch;
    std::wstring m_user;
    std::wstring m_oldModuleDir;
    std::wstring m_oldUserDir;
};

TEST_F(SaveFolder, AWritableModuleDirectoryKeepsItsSaveFolderAndLeavesNoTrace) {
    const std::wstring module = m_scratch + L"module\\";
    ASSERT_TRUE(CreateDirectoryW(module.c_str(), nullptr));
    app::SetModuleDirectory(module);

    // No save folder yet: it stays beside the program, made on demand.
    CVellConfig fresh;
    EXPECT_EQ(fresh.ProfileFolder(), module + L"save\\");
    EXPECT_EQ(fresh.SettingsFilePath(), module + L"save\\Vell.vxc");
    EXPECT_FALSE(Exists(module + L"save"));
    EXPECT_TRUE(FilesIn(module).empty()) << "the write check left a file behind";

    fresh.SetCurrentProfile(fresh.CreateProfile(L"Game"));
    ASSERT_TRUE(fresh.SaveSettings());
    CVellConfig again;
    EXPECT_EQ(again.ProfileFolder(), module + L"save\\");
    EXPECT_EQ(FilesIn(module + L"save\\"), (std::set<std::wstring>{L"Game.vxp", L"Vell.vxc"}));
    EXPECT_FALSE(Exists(m_user)) << "the user's folder is not touched";
}

TEST_F(SaveFolder, AReadOnlyModuleDirectoryMovesToTheUserFolderAndKeepsOlderProfiles) {
    const std::wstring module = ReadOnlyModuleDir(L"with-save");
    if (module.empty())
        GTEST_SKIP() << "run through tests/unit/save_folder.sh";
    const std::wstring oldSave = module + L"save\\";
    ASSERT_TRUE(Exists(oldSave + L"Older.vxp"));
    ASSERT_FALSE(savefolder::CanCreateFilesIn(oldSave)) << "the fixture's save folder can be written";
    app::SetModuleDirectory(module);

    CVellConfig config;
    const std::wstring userSave = m_user + L"save\\";
    ASSERT_EQ(config.ProfileFolder(), userSave);
    EXPECT_EQ(config.MacroFolder(), userSave);
    EXPECT_EQ(config.SettingsFilePath(), userSave + L"Vell.vxc");

    // The profile saved beside the program before is found, and still the
    // active one.
    config.LoadSettings();
    EXPECT_EQ(ProfileNames(config), L"Older");
    ASSERT_NE(config.GetCurrentProfile(), nullptr);
    EXPECT_EQ(config.GetCurrentProfile()->GetName(), L"Older");

    // Saving works in the new folder, into the carried-over files too (the
    // old ones were read-only), and the old folder is left as it was.
    ASSERT_NE(config.CreateProfile(L"Newer"), nullptr);
    EXPECT_TRUE(config.SaveSettings());
    EXPECT_EQ(FilesIn(userSave), (std::set<std::wstring>{L"Older.vxp", L"Newer.vxp", L"Vell.vxc"}));
    EXPECT_EQ(FilesIn(oldSave), (std::set<std::wstring>{L"Older.vxp", L"Vell.vxc"}));
    EXPECT_FALSE(Exists(m_user + L"save.partial"));

    // Carried over once only: a profile file the user removed from the new
    // folder does not come back from the old one at the next start.
    ASSERT_TRUE(DeleteFileW((userSave + L"Older.vxp").c_str()));
    CVellConfig next;
    ASSERT_EQ(next.ProfileFolder(), userSave);
    next.LoadSettings();
    EXPECT_EQ(ProfileNames(next), L"Newer");
    EXPECT_TRUE(Exists(oldSave + L"Older.vxp"));
}

TEST_F(SaveFolder, AReadOnlyModuleDirectoryWithoutSaveFolderSavesInTheUserFolder) {
    const std::wstring module = ReadOnlyModuleDir(L"without-save");
    if (module.empty())
        GTEST_SKIP() << "run through tests/unit/save_folder.sh";
    ASSERT_FALSE(savefolder::CanCreateFilesIn(module)) << "the fixture's module directory can be written";
    app::SetModuleDirectory(module);

    CVellConfig config;
    const std::wstring userSave = m_user + L"save\\";
    ASSERT_EQ(config.ProfileFolder(), userSave);
    EXPECT_FALSE(Exists(userSave)) << "made on demand, as beside the program";
    config.SetCurrentProfile(config.CreateProfile(L"First"));
    EXPECT_TRUE(config.SaveSettings());
    EXPECT_EQ(FilesIn(userSave), (std::set<std::wstring>{L"First.vxp", L"Vell.vxc"}));
    EXPECT_FALSE(Exists(module + L"save"));
}

}  // namespace
