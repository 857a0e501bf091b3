#include <gtest/gtest.h>
#include <windows.h>

#include "app/Startup.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "win/Handles.h"

namespace {

// Each test gets a key of its own under HKCU, removed afterwards.
class StartupRegistry : public ::testing::Test {
protected:
    static constexpr wchar_t kKey[] = L"Software\\TarnTests\\Startup";

    void SetUp() override {
        names::BuildAllNameTables();
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TarnTests"); }

    void Put(const wchar_t* value, const std::wstring& text) {
        win::UniqueKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
};

TEST_F(StartupRegistry, LanguageNameMatchesIgnoringCaseAndUnknownNamesGiveNone) {
    Put(L"Language", L"german");
    EXPECT_EQ(startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey).languageId, 323);
    Put(L"Language", L"JAPANESE");
    EXPECT_EQ(startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey).languageId, 326);
    Put(L"Language", L"Klingon");
    EXPECT_EQ(startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey).languageId, -1);
}

TEST_F(StartupRegistry, MissingOrOverlongLanguageMeansEnglish) {
    startup::InstallSettings fresh = startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey);
    EXPECT_TRUE(fresh.keyAvailable);  // created on first start
    EXPECT_TRUE(fresh.writable);
    EXPECT_EQ(fresh.languageId, 318);
    EXPECT_TRUE(fresh.installDir.empty());

    Put(L"Language", std::wstring(40, L'x'));  // 40 characters do not fit 80 bytes
    EXPECT_EQ(startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey).languageId, 318);
    Put(L"Language", L"English");
    EXPECT_EQ(startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey).languageId, 318);
}

TEST_F(StartupRegistry, InstallDirLosesOneTrailingBackslash) {
    Put(L"InstallDir", L"C:\\Games\\Tarn\\");
    EXPECT_EQ(startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey).installDir, L"C:\\Games\\Tarn");
    Put(L"InstallDir", L"C:\\Games\\Tarn");
    EXPECT_EQ(startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey).installDir, L"C:\\Games\\Tarn");
    Put(L"InstallDir", L"");
    EXPECT_EQ(startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey).installDir, L"");
    Put(L"InstallDir", std::wstring(39, L'd'));  // the longest that fits
    EXPECT_EQ(startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey).installDir.size(), 39u);
}

TEST_F(StartupRegistry, ValueWithoutTerminatorIsReadSafely) {
    win::UniqueKey key;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
        ERROR_SUCCESS);
    // 39 characters stored without their terminator: 78 bytes.
    std::wstring text(39, L'Z');
    ASSERT_EQ(RegSetValueExW(key.get(), L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);
    EXPECT_EQ(startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey).installDir, text);
}

// A registry as a normal user meets HKLM: reading allowed, writing refused.
LONG WINAPI OpenReadOnly(HKEY root, LPCWSTR subkey, DWORD options, REGSAM sam, PHKEY out) {
    if (sam & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY))
        return ERROR_ACCESS_DENIED;
    return RegOpenKeyExW(root, subkey, options, sam, out);
}
LONG WINAPI CreateRefused(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY,
                          LPDWORD) {
    return ERROR_ACCESS_DENIED;
}
LONG WINAPI OpenRefused(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY) {
    return ERROR_ACCESS_DENIED;
}

TEST_F(StartupRegistry, ReadOnlyKeyStillGivesItsValues) {
    Put(L"Language", L"French");
    Put(L"InstallDir", L"C:\\Tarn\\");
    startup::RegistryOps readOnly;
    readOnly.open = OpenReadOnly;
    readOnly.create = CreateRefused;
    startup::InstallSettings settings = startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey, readOnly);
    EXPECT_TRUE(settings.keyAvailable);
    EXPECT_FALSE(settings.writable);
    EXPECT_EQ(settings.languageId, 321);
    EXPECT_EQ(settings.installDir, L"C:\\Tarn");

    startup::RegistryOps refused;
    refused.open = OpenRefused;
    refused.create = CreateRefused;
    settings = startup::ReadInstallSettings(HKEY_CURRENT_USER, kKey, refused);
    EXPECT_FALSE(settings.keyAvailable);  // no companion, English
    EXPECT_EQ(settings.languageId, 318);
    EXPECT_TRUE(settings.installDir.empty());
}

TEST(StartupLanguage, FallsBackToEnglishThenToNone) {
    lang::ClearRegister();
    EXPECT_EQ(lang::SelectCurrent(323), nullptr);  // nothing registered yet
    EXPECT_EQ(lang::Current(), nullptr);

    CLangTable english;
    english.SetId(318);
    CLangTable german;
    german.SetId(323);
    ASSERT_TRUE(lang::Register(&english));
    ASSERT_TRUE(lang::Register(&german));
    EXPECT_EQ(lang::SelectCurrent(323), &german);
    EXPECT_EQ(lang::Current(), &german);
    EXPECT_EQ(lang::SelectCurrent(-1), &english);   // unknown name: English
    EXPECT_EQ(lang::SelectCurrent(325), &english);  // known name, not declared: English
    EXPECT_EQ(lang::Current(), &english);
    lang::ClearRegister();
    EXPECT_EQ(lang::Current(), nullptr);
    EXPECT_EQ(lang::Find(318), nullptr);
}

}  // namespace
