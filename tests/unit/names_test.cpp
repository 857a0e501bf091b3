#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "skin/NameTables.h"

namespace {

class NameTablesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { names::BuildAllNameTables(); }
};

class KeyDisplayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { names::BuildAllNameTables(); }

    // What the system itself calls the key, or an empty text.
    static std::wstring SystemName(uint16_t scan, bool extended) {
        wchar_t buffer[20] = {};
        LONG param = static_cast<LONG>(scan) << 16;
        if (extended)
            param |= 1L << 24;
        // Wine answers 1 and an empty text for keys it cannot name.
        return GetKeyNameTextW(param, buffer, 20) > 0 ? std::wstring(buffer) : std::wstring();
    }

    static std::wstring Display(uint16_t vk, uint16_t scan, bool extended = false) {
        std::wstring out = L"stale";
        names::KeyDisplayName(vk, scan, extended, out);
        return out;
    }
};

TEST_F(NameTablesTest, ControlNamesMatchIgnoringCaseOnly) {
    EXPECT_EQ(names::ControlId(L"BUTTON_OK"), 8);
    EXPECT_EQ(names::ControlId(L"button_ok"), 8);
    EXPECT_EQ(names::ControlId(L"Button_Ok"), 8);
    EXPECT_EQ(names::ControlId(L"BUTTON_OK "), -1);
    EXPECT_EQ(names::ControlId(L" BUTTON_OK"), -1);
    EXPECT_EQ(names::ControlId(L"BUTTON_O"), -1);
    EXPECT_EQ(names::ControlId(L""), -1);
    EXPECT_EQ(names::ControlId(nullptr), -1);
    EXPECT_EQ(names::ControlId(L"background"), 0);
}

TEST_F(NameTablesTest, ControlTableHasEveryIdButThreeAndUniqueNames) {
    int rows = 0;
    for (int32_t id = 0; id <= 369; ++id) {
        const wchar_t* name = names::ControlName(id);
        ASSERT_NE(name, nullptr) << id;
        if (id == 11 || id == 327 || id == 345) {
            EXPECT_STREQ(name, L"") << id;
            continue;
        }
        ++rows;
        EXPECT_NE(*name, L'\0') << id;
        // A duplicate or a shifted run would send the name to another id.
        EXPECT_EQ(names::ControlId(name), id) << id;
    }
    EXPECT_EQ(rows, 367);
    EXPECT_STREQ(names::ControlName(-1), L"");
    EXPECT_STREQ(names::ControlName(370), L"");

    EXPECT_EQ(names::ControlId(L"BUTTON_CANCEL"), 10);
    EXPECT_EQ(names::ControlId(L"BUTTON_ASSNLEFTCLICK"), 12);
    EXPECT_EQ(names::ControlId(L"BUTTON_ASSNTHUMBGRID12"), 34);
    EXPECT_EQ(names::ControlId(L"SLIDER_DPI_MULTI"), 169);
    EXPECT_EQ(names::ControlId(L"MACRO_DISPLAY"), 206);
    EXPECT_EQ(names::ControlId(L"FONT_ARIAL12"), 229);
    EXPECT_EQ(names::ControlId(L"FONT_KORVOREG36B"), 244);
    EXPECT_EQ(names::ControlId(L"LANGUAGE_JAPANESE"), 326);
    EXPECT_EQ(names::ControlId(L"BITMAPWIN_ASSIGNKEY"), 328);
    EXPECT_EQ(names::ControlId(L"BUTTON_DPISTAGES_OK"), 344);
    EXPECT_EQ(names::ControlId(L"BUTTON_DPISTAGES_CANCEL"), 346);
    EXPECT_EQ(names::ControlId(L"BUTTON_ADD_ADV_MACRO_CMDS"), 368);
}

TEST_F(NameTablesTest, SharedFunctionNamesFindTheLowerId) {
    EXPECT_EQ(names::FunctionId(L"$macro"), 5);
    EXPECT_EQ(names::FunctionId(L"$MACRO"), 5);
    EXPECT_EQ(names::FunctionId(L"$profile"), 20);
    EXPECT_STREQ(names::FunctionName(6), L"$macro");
    EXPECT_STREQ(names::FunctionName(21), L"$profile");

    for (int32_t id = 0; id <= 61; ++id) {
        const wchar_t* name = names::FunctionName(id);
        ASSERT_NE(*name, L'\0') << id;
        if (id != 6 && id != 21) {
            EXPECT_EQ(names::FunctionId(name), id) << id;
        }
    }
    EXPECT_STREQ(names::FunctionName(0), L"$click");
    EXPECT_EQ(names::FunctionId(L"$double-click"), 3);
    EXPECT_EQ(names::FunctionId(L"$launchprogram"), 61);
    EXPECT_STREQ(names::FunctionName(62), L"");
    EXPECT_STREQ(names::FunctionName(-1), L"");
    EXPECT_EQ(names::FunctionId(L"$macro2"), -1);
}

TEST_F(NameTablesTest, PredefinedCommandsShareTheFunctionTexts) {
    // Commands 1-17 are the same keys as functions 41-57.
    for (int32_t id = 1; id <= 17; ++id) {
        EXPECT_STREQ(names::PredefinedCommandName(id), names::FunctionName(id + 40)) << id;
        EXPECT_EQ(names::PredefinedCommandId(names::PredefinedCommandName(id)), id) << id;
    }
    EXPECT_EQ(names::PredefinedCommandId(L"$Save"), 9);
    EXPECT_EQ(names::PredefinedCommandId(L"$SWAPWINDOWS"), 10);
    EXPECT_EQ(names::PredefinedCommandId(L"$click"), -1);
    EXPECT_STREQ(names::PredefinedCommandName(0), L"");
    EXPECT_STREQ(names::PredefinedCommandName(18), L"");
    EXPECT_STREQ(names::PredefinedCommandName(-1), L"");
}

TEST_F(NameTablesTest, ColoursLanguagesAndColumns) {
    EXPECT_EQ(names::ColourValue(L"RED"), static_cast<int32_t>(RGB(255, 0, 0)));
    EXPECT_EQ(names::ColourValue(L"blue"), static_cast<int32_t>(RGB(0, 0, 255)));
    EXPECT_EQ(names::ColourValue(L"Green2"), static_cast<int32_t>(RGB(1, 116, 6)));
    EXPECT_EQ(names::ColourValue(L"GREEN3"), static_cast<int32_t>(RGB(1, 71, 9)));
    EXPECT_EQ(names::ColourValue(L"midgrey"), static_cast<int32_t>(RGB(95, 95, 95)));
    EXPECT_EQ(names::ColourValue(L"BLACK"), 0);  // a real colour, not "none"
    EXPECT_EQ(names::ColourValue(L"PURPLE"), -1);

    EXPECT_EQ(names::LanguageId(L"german"), 323);
    EXPECT_EQ(names::LanguageId(L"CHINESESIMPLIFIED"), 319);
    EXPECT_EQ(names::LanguageId(L"Klingon"), -1);
    EXPECT_STREQ(names::LanguageName(names::kDefaultLanguage), L"English");
    EXPECT_STREQ(names::LanguageName(317), L"");
    // A language has one number: its control name carries the same id.
    for (int32_t id = 318; id <= 326; ++id) {
        EXPECT_NE(*names::LanguageName(id), L'\0') << id;
        EXPECT_EQ(std::wstring(names::ControlName(id)).rfind(L"LANGUAGE_", 0), 0u) << id;
    }

    EXPECT_EQ(names::ListColumnItemId(L"lcitem_autoswitch"), 3);
    EXPECT_EQ(names::ListColumnItemId(L"LCITEM_MCREVENT_DESCRIP"), 5);
    EXPECT_EQ(names::ListColumnTypeId(L"FileDialog"), 5);
    EXPECT_EQ(names::ListColumnTypeId(L"icon"), 0);
    EXPECT_EQ(names::EventColumnTypeId(L"static"), 1);
    EXPECT_EQ(names::EventColumnTypeId(L"EDIT"), -1);  // only icon and static columns
    EXPECT_EQ(names::ListColumnTypeId(nullptr), -1);
}

TEST_F(NameTablesTest, KeyNamesAndRebuilding) {
    EXPECT_STREQ(names::KeyName(VK_BACK), L"BkSp");
    EXPECT_STREQ(names::KeyName(VK_NUMPAD0), L"Num0");
    EXPECT_STREQ(names::KeyName(VK_NUMPAD9), L"Num9");
    EXPECT_STREQ(names::KeyName(VK_DECIMAL), L"Num.");
    EXPECT_STREQ(names::KeyName(VK_F1), L"F1");
    EXPECT_STREQ(names::KeyName(VK_F12), L"F12");
    EXPECT_STREQ(names::KeyName(VK_NUMLOCK), L"Numl");
    EXPECT_STREQ(names::KeyName(VK_BROWSER_FORWARD), L"Forward");
    EXPECT_STREQ(names::KeyName('A'), L"");
    EXPECT_STREQ(names::KeyName('A'), L"");  // a miss stays a miss
    EXPECT_STREQ(names::KeyName(VK_F13), L"");

    names::BuildAllNameTables();
    EXPECT_EQ(names::ControlId(L"BUTTON_OK"), 8);
    EXPECT_EQ(names::FunctionId(L"$profile"), 20);
    EXPECT_STREQ(names::KeyName(VK_TAB), L"Tab");
    EXPECT_STREQ(names::ControlName(11), L"");
}

TEST_F(KeyDisplayTest, UsesTheSystemNameWhenThereIsOne) {
    struct Key {
        uint16_t vk;
        uint16_t scan;
        bool extended;
    };
    const Key keys[] = {{'A', 0x1E, false},        {VK_F1, 0x3B, false},       {VK_RETURN, 0x1C, false},
                        {VK_RCONTROL, 0x1D, true}, {VK_LCONTROL, 0x1D, false}, {VK_INSERT, 0x52, true}};
    int named = 0;
    for (const Key& key : keys) {
        std::wstring expected = SystemName(key.scan, key.extended);
        if (expected.empty())
            continue;
        ++named;
        EXPECT_EQ(Display(key.vk, key.scan, key.extended), expected) << key.vk;
    }
    EXPECT_GT(named, 0) << "the system names none of the usual keys";
}

TEST_F(KeyDisplayTest, NumLockIsAskedForAsExtended) {
    std::wstring expected = SystemName(0x45, true);
    if (expected.empty())
        GTEST_SKIP() << "the system has no name for Num Lock";
    EXPECT_EQ(Display(VK_NUMLOCK, 0x45, false), expected);
}

TEST_F(KeyDisplayTest, FallsBackToShortNameThenTypedCharacter) {
    if (!SystemName(0, false).empty())
        GTEST_SKIP() << "the system names scan code 0";
    EXPECT_EQ(Display(VK_F5, 0), L"F5");
    EXPECT_EQ(Display(VK_ESCAPE, 0), L"Esc");
    EXPECT_EQ(Display(VK_RMENU, 0), L"RAlt");
    // Not in the short table: the character the key types, upper-cased.
    EXPECT_EQ(Display('Q', 0), L"Q");
    EXPECT_EQ(Display('7', 0), L"7");
    // A key that types nothing has no name, not a stray zero character.
    EXPECT_EQ(Display(VK_F13, 0), L"");
}

}  // namespace
