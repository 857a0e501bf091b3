// The manage-profiles page in the real main window over the emulated mouse:
// its list, buttons and menu driven by the messages the list sends, its
// popups answered as a user would. What it must keep: the naming rules, the
// first profile, the buttons that switch to a deleted profile, and the
// mouse and configuration untouched by a file that cannot be imported.
#include "app_support.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/pages/ProfilesPage.h"
#include "controls/DropdownListItem.h"
#include "controls/TextItem.h"
#include "controls/XListCtrl.h"
#include "popups/PreviewPopup.h"

namespace {

using namespace apptest;

constexpr int kProfilesPage = 3;

std::vector<std::wstring> NamesOf(CMouseConfig& config) {
    std::vector<std::wstring> names;
    for (int32_t i = 0; i < config.GetProfileCount(); ++i)
        names.push_back(config.ProfileAt(i)->GetName());
    return names;
}

// The profile names on the mouse, read afresh.
std::vector<std::wstring> NamesOnMouse() {
    CVellConfig config;
    return ReadMouse(config) ? NamesOf(config) : std::vector<std::wstring>{L"<unreadable>"};
}

class ProfilesPageTest : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        m_window.SwitchPage(kPageProfiles);
        m_list = dynamic_cast<CXListCtrl*>(::FindItem(m_window.PageItems(kProfilesPage), ctl::LIST_PROFILELIST));
        ASSERT_NE(m_list, nullptr);
        m_indicator = m_window.FindItemAs<CTextItem>(ctl::TEXT_PROFILENAME, kItemText);
    }

    // The list's rows as it shows them: "01 name".
    std::vector<std::wstring> Rows() const {
        std::vector<std::wstring> rows;
        for (int32_t i = 0; i < m_list->RowCount(); ++i) {
            const int32_t id = m_list->RowIdAt(i);
            rows.push_back(m_list->CellText(controls::LCITEM_PROFILEID, id) + L" " +
                           m_list->CellText(controls::LCITEM_PROFILENAME, id));
        }
        return rows;
    }
    int32_t RowOf(const std::wstring& name) const {
        for (int32_t i = 0; i < m_list->RowCount(); ++i) {
            if (m_list->CellText(controls::LCITEM_PROFILENAME, m_list->RowIdAt(i)) == name)
                return m_list->RowIdAt(i);
        }
        return -1;
    }
    // A right-click menu entry chosen on a row, as the list reports it.
    void Menu(const std::wstring& name, const wchar_t* entry) {
        const ListNotify note{RowOf(name), 0, entry};
        SendMessageW(m_hwnd, WMU_LIST_MENUCHOICE, reinterpret_cast<WPARAM>(m_list->Window()),
                     reinterpret_cast<LPARAM>(&note));
    }
    // Types a name into the row's name cell and leaves it, as the user does.
    void RenameInPlace(const std::wstring& name, const std::wstring& typed) {
        ASSERT_TRUE(m_list->StartEdit(controls::LCITEM_PROFILENAME, RowOf(name)));
        SetWindowTextW(m_list->Editor().Handle(), typed.c_str());
        m_list->FinishEdit(true);
    }
    void DoubleClick(const std::wstring& name) {
        const ListNotify note{RowOf(name), 0, nullptr};
        SendMessageW(m_hwnd, WMU_LIST_DBLCLICK, reinterpret_cast<WPARAM>(m_list->Window()),
                     reinterpret_cast<LPARAM>(&note));
    }
    void Select(const std::wstring& name) { ASSERT_TRUE(m_list->SelectRow(RowOf(name))); }
    std::wstring Current() const {
        const CMouseProfile* current = m_config.GetCurrentProfile();
        return current != nullptr ? current->GetName() : L"<none>";
    }
    std::wstring Indicated() const { return m_indicator != nullptr ? m_indicator->GetText() : L"<none>"; }

    CXListCtrl* m_list = nullptr;
    CTextItem* m_indicator = nullptr;
};

using Seen = std::vector<std::wstring>;

TEST(ProfileCopyName, CountsUpFromTheStemAndCutsLongNames) {
    CVellConfig config;
    for (const wchar_t* name : {L"Game", L"Game00", L"Game01", L"game02"})
        config.CreateProfile(name);
    // Names are compared exactly: "game02" does not take Game02.
    EXPECT_EQ(L"Game02", CProfilesPage::CopyName(config, L"Game"));
    EXPECT_EQ(L"ABCDEFGHIJKLMNOPQR00", CProfilesPage::CopyName(config, L"ABCDEFGHIJKLMNOPQRSTUVWXY"));
    EXPECT_EQ(L"ABCDEFGHIJKLMNOPQRS00", CProfilesPage::CopyName(config, L"ABCDEFGHIJKLMNOPQRS"))
        << "a name shorter than 20 is kept whole";
    // A surrogate pair is never cut in half.
    const std::wstring emoji = L"ABCDEFGHIJKLMNOPQ\U0001F3AEXY";
    EXPECT_EQ(L"ABCDEFGHIJKLMNOPQ00", CProfilesPage::CopyName(config, emoji));

    CVellConfig full;
    for (int i = 0; i < 100; ++i) {
        wchar_t name[8];
        swprintf(name, 8, L"X%02d", i);
        full.CreateProfile(name);
    }
    EXPECT_EQ(L"", CProfilesPage::CopyName(full, L"X"));
}

TEST_F(ProfilesPageTest, NamingCopyingRenamingAndDeletingKeepTheRules) {
    ScriptedPopups popups(m_hwnd);
    const std::wstring first = Current();
    ASSERT_EQ(1, m_config.GetProfileCount()) << "a fresh mouse holds one profile";
    m_config.SetPollingRateChoice(2);

    // New: the name typed into the popup; the new profile becomes current.
    popups.Ok(L"Ärger");
    Click(ctl::BUTTON_NEWPROFILE, kProfilesPage);
    EXPECT_EQ(Seen({L"ProfileNamePopup.xml"}), popups.Seen());
    EXPECT_EQ(L"Ärger", Current());
    EXPECT_EQ(L"Ärger", Indicated());
    EXPECT_EQ(2, m_config.GetPollingRateChoice()) << "a new profile leaves the mouse-wide settings alone";
    // The same name again is refused; another letter case is a name of its own.
    popups.Ok(L"Ärger").Ok();
    Click(ctl::BUTTON_NEWPROFILE, kProfilesPage);
    EXPECT_EQ(Seen({L"ProfileNamePopup.xml", L"DuplicateProfileWarningPopup.xml"}), popups.Seen());
    popups.Cancel();
    Click(ctl::BUTTON_NEWPROFILE, kProfilesPage);
    EXPECT_EQ(Seen({L"ProfileNamePopup.xml"}), popups.Seen());
    EXPECT_EQ(2, m_config.GetProfileCount()) << "cancelled";

    // Copies count up from the name and become current.
    Menu(L"Ärger", L"$Copy");
    Menu(L"Ärger", L"$Copy");
    EXPECT_EQ(L"Ärger01", Current());
    EXPECT_EQ((Seen{L"01 " + first, L"02 Ärger", L"03 Ärger00", L"04 Ärger01"}), Rows());
    popups.Ok(L"プロファイル");
    Click(ctl::BUTTON_NEWPROFILE, kProfilesPage);
    // The mouse holds five: the sixth is refused with the copy's caption.
    popups.Ok();
    Menu(L"Ärger", L"$Copy");
    EXPECT_EQ(Seen({L"ProfileNamePopup.xml", L"ProfileLimitReachedPopup.xml"}), popups.Seen());
    EXPECT_EQ(5, m_config.GetProfileCount());

    // A double click makes a profile current. Rename in place: a used name
    // brings the warning and the old name back; an empty one just the old
    // name; anything else is taken.
    DoubleClick(L"Ärger01");
    EXPECT_EQ(L"Ärger01", Current());
    EXPECT_EQ(L"Ärger01", Indicated());
    popups.Ok();
    RenameInPlace(L"Ärger01", L"Ärger");
    EXPECT_EQ(Seen({L"DuplicateProfileWarningPopup.xml"}), popups.Seen());
    EXPECT_NE(-1, RowOf(L"Ärger01"));
    RenameInPlace(L"Ärger01", L"");
    EXPECT_TRUE(popups.Seen().empty());
    EXPECT_NE(-1, RowOf(L"Ärger01"));
    RenameInPlace(L"Ärger01", L"a\\/:*?\"<>|");
    EXPECT_EQ(L"a\\/:*?\"<>|", Current());
    EXPECT_EQ(L"a\\/:*?\"<>|", Indicated()) << "the indicator follows a rename of the current profile";

    // The first profile stays, whatever asks.
    popups.Ok().Ok();
    Select(first);
    Click(ctl::BUTTON_DELETEPROFILE, kProfilesPage);
    Menu(first, L"$Delete");
    EXPECT_EQ(Seen({L"DisallowDeletePopup.xml", L"DisallowDeletePopup.xml"}), popups.Seen());

    // Buttons of any profile that switch to a deleted profile fall back to
    // their defaults: thumb key 1 by identity-less name, the wheel button by name.
    CMouseProfile* firstProfile = m_config.ProfileAt(0);
    Assignment toCopy = MakeAssignment(kFunctionProfileByName);
    SetAssignmentName(toCopy, L"ärger00");
    const int32_t key = m_config.KeyIdAt(0, firstProfile);
    ASSERT_GE(key, 0);
    ASSERT_TRUE(m_config.SetKeyAssignment(key, toCopy, firstProfile));
    ASSERT_TRUE(m_config.SetButtonAssignment(3, toCopy, m_config.ProfileAt(1)));
    popups.Cancel();
    Menu(L"Ärger00", L"$Delete");
    EXPECT_EQ(5, m_config.GetProfileCount()) << "not confirmed";
    popups.Ok();
    Menu(L"Ärger00", L"$Delete");
    EXPECT_EQ(Seen({L"ConfirmDeletePopup.xml", L"ConfirmDeletePopup.xml"}), popups.Seen());
    EXPECT_EQ(-1, RowOf(L"Ärger00"));
    Assignment fallback;
    ASSERT_TRUE(m_config.DefaultKeyAssignment(key, fallback));
    EXPECT_EQ(fallback, m_config.GetKeyAssignment(key, firstProfile));
    ASSERT_TRUE(m_config.DefaultButtonAssignment(3, fallback));
    EXPECT_EQ(fallback, m_config.GetButtonAssignment(3, m_config.ProfileAt(1)));

    // A paste of 10,000 characters into the name cell keeps the first 20.
    const std::wstring cyrillic = L"Профиль 20 символов!";
    ASSERT_TRUE(m_list->StartEdit(controls::LCITEM_PROFILENAME, RowOf(L"Ärger")));
    HWND editor = m_list->Editor().Handle();
    SendMessageW(editor, EM_SETSEL, 0, -1);
    const std::wstring pasted = cyrillic + std::wstring(10000 - cyrillic.size(), L'x');
    if (OpenClipboard(editor)) {
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
        std::copy_n(pasted.c_str(), pasted.size() + 1, static_cast<wchar_t*>(GlobalLock(block)));
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
        CloseClipboard();
    }
    SendMessageW(editor, WM_PASTE, 0, 0);
    m_list->FinishEdit(true);
    EXPECT_NE(-1, RowOf(cyrillic));

    // Deleting the current profile makes the first one current.
    popups.Ok();
    Menu(L"a\\/:*?\"<>|", L"$Delete");
    EXPECT_EQ(first, Current());
    EXPECT_EQ(first, Indicated());
    const std::vector<std::wstring> kept = {first, cyrillic, L"プロファイル"};
    EXPECT_EQ(kept, NamesOf(m_config));
    EXPECT_EQ((Seen{L"01 " + first, L"02 " + cyrillic, L"03 プロファイル"}), Rows());

    // Apply, then a new window over the mouse shows the same list.
    ApplyAndWait();
    EXPECT_EQ(kept, NamesOnMouse());
    DestroyWindow(m_hwnd);
    CVellConfig again;
    CMouse mouse;
    const uint16_t product = kProduct;
    ASSERT_TRUE(mouse.Initialize(&again, &product));
    CVellAppDlg window{&again, &mouse};
    ASSERT_NE(window.Create(), nullptr);
    window.SwitchPage(kPageProfiles);
    auto* list = dynamic_cast<CXListCtrl*>(::FindItem(window.PageItems(kProfilesPage), ctl::LIST_PROFILELIST));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(3, list->RowCount());
    EXPECT_EQ(L"プロファイル", list->CellText(controls::LCITEM_PROFILENAME, list->RowIdAt(2)));
    DestroyWindow(window.Handle());
}

TEST_F(ProfilesPageTest, ImportAndExportSayWhatFailedAndChangeNothing) {
    ScriptedPopups popups(m_hwnd);
    const std::wstring folder = TempFile(L"tarn-profile-files\\");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring exported = folder + L"weird.vxp";
    DeleteFileW(exported.c_str());

    // A profile not yet on the mouse cannot be exported; once applied it can.
    popups.Ok(L"a\\/:*?\"<>|");
    Click(ctl::BUTTON_NEWPROFILE, kProfilesPage);
    popups.Ok();
    Menu(L"a\\/:*?\"<>|", L"$Export");
    EXPECT_EQ(Seen({L"ProfileNamePopup.xml", L"ExportProfileWarningPopup.xml"}), popups.Seen());
    // Nor can anything be imported while the list and the mouse differ.
    popups.Ok();
    Click(ctl::BUTTON_IMPORTPROFILE, kProfilesPage);
    EXPECT_EQ(Seen({L"ImporttProfileWarningPopup.xml"}), popups.Seen());
    ApplyAndWait();

    popups.Ok(exported);
    Menu(L"a\\/:*?\"<>|", L"$Export");
    EXPECT_EQ(Seen({ScriptedPopups::kFileDialog}), popups.Seen());
    const std::string good = ReadBytes(exported);
    ASSERT_FALSE(good.empty()) << "the profile was exported";
    // A failed write is said, and the file there stays as it was.
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", L"Profile.Export:1");
    popups.Ok(exported).Ok().Ok();
    Menu(L"a\\/:*?\"<>|", L"$Export");
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", nullptr);
    EXPECT_EQ(Seen({ScriptedPopups::kFileDialog, ScriptedPopups::kQuestion, L"ExportProfileFailedPopup.xml"}),
              popups.Seen());
    EXPECT_EQ(good, ReadBytes(exported));

    // Files that are no profile export are refused, each with the popup.
    const std::wstring bad = folder + L"bad.vxp";
    const std::wstring huge = folder + L"huge.vxp";
    {
        win::UniqueFile file(CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        LARGE_INTEGER size;
        size.QuadPart = 100ll << 20;
        SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN);
        SetEndOfFile(file.get());
    }
    std::string wrongSum = good;
    wrongSum[wrongSum.find("name=") + 5] ^= 1;
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"empty", ""},
        {"text", "just some notes\r\n"},
        {"cut short", good.substr(0, good.size() / 2)},
        {"wrong checksum", wrongSum},
        {"macro export", "TarnMacroExport 1\r\nname=m\r\n"},
    };
    const std::vector<std::wstring> before = NamesOf(m_config);
    auto importRefused = [&](const std::wstring& path, const char* what) {
        popups.Ok(path).Ok();
        Click(ctl::BUTTON_IMPORTPROFILE, kProfilesPage);
        EXPECT_EQ(Seen({ScriptedPopups::kFileDialog, L"ImportProfileFailedPopup.xml"}), popups.Seen()) << what;
        EXPECT_EQ(before, NamesOf(m_config)) << what;
    };
    for (const auto& [what, bytes] : damaged) {
        WriteBytes(bad, bytes);
        importRefused(bad, what);
    }
    importRefused(huge, "100 MB");
    // (Typed into the platform's file dialog, a path this long is the
    // dialog's business; the page must still refuse it.)
    const std::wstring longPath = folder + std::wstring(300 - folder.size() - 4, L'x') + L".vxp";
    popups.Ok();
    EXPECT_FALSE(m_window.ProfilesPage()->ImportFile(longPath));
    EXPECT_EQ(Seen({L"ImportProfileFailedPopup.xml"}), popups.Seen());
    EXPECT_EQ(before, NamesOf(m_config));
    EXPECT_EQ(before, NamesOnMouse());

    // The good file comes back under its name once the original is gone.
    popups.Ok();
    Menu(L"a\\/:*?\"<>|", L"$Delete");
    ApplyAndWait();
    popups.Ok(exported);
    Click(ctl::BUTTON_IMPORTPROFILE, kProfilesPage);
    EXPECT_EQ(Seen({L"ConfirmDeletePopup.xml", ScriptedPopups::kFileDialog}), popups.Seen());
    EXPECT_EQ(before, NamesOf(m_config));
    EXPECT_EQ(before, NamesOnMouse()) << "an import goes to the mouse at once";

    for (const std::wstring& file : {exported, bad, huge})
        DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(ProfilesPageTest, ThePreviewShowsTheChosenProfile) {
    ScriptedPopups popups(m_hwnd);
    CMouseProfile& profile = *m_config.GetCurrentProfile();
    Assignment toFirst = MakeAssignment(kFunctionProfileByName);
    SetAssignmentName(toFirst, profile.GetName().c_str());
    ASSERT_TRUE(m_config.SetButtonAssignment(3, toFirst, &profile));
    const int32_t numKey1 = m_config.KeyIdAt(12, &profile);
    ASSERT_GE(numKey1, 0);
    const uint16_t scan = static_cast<uint16_t>(MapVirtualKeyW(VK_F5, MAPVK_VK_TO_VSC));
    ASSERT_TRUE(m_config.SetKeyAssignment(numKey1, MakeSingleKeyAssignment(scan, VK_F5, 0), &profile));
    m_config.SetStagesInUse(3, &profile);
    m_config.SetActiveStage(2, &profile);

    const PreviewContent content = CProfilesPage::DescribeProfile(m_config, profile);
    // Button 3 is the third line of the top view: the function, then whom it switches to.
    std::wstring keyword;
    ASSERT_TRUE(lang::Resolve(content.topView[2].keyword, keyword));
    EXPECT_EQ(keyword + L": " + profile.GetName(), CPreviewPopup::LineText(content.topView[2]));
    std::wstring f5;
    names::KeyDisplayName(VK_F5, scan, false, f5);
    EXPECT_EQ(f5, content.keypadNum[0].detail) << "the NUM set's first key";
    EXPECT_NE(f5, content.keypad123[0].detail);
    std::vector<int> shown;
    for (const PreviewStage& stage : content.stages)
        shown.push_back((stage.inUse ? 1 : 0) + (stage.active ? 2 : 0));
    EXPECT_EQ((std::vector<int>{1, 3, 1, 0, 0}), shown) << "three stages in use, the second active";

    // The row menu opens it; it changes nothing.
    popups.Cancel();
    Menu(profile.GetName(), L"$Preview");
    EXPECT_EQ(Seen({L"PreviewPopup.xml"}), popups.Seen());
    EXPECT_EQ(toFirst, m_config.GetButtonAssignment(3, &profile));
}

// Names that differ only in letter case are two profiles: the button's
// choice, the preview, the write to the mouse and a delete each keep to the
// one named.
TEST_F(ProfilesPageTest, ProfilesNamedApartOnlyByCaseStayApart) {
    ScriptedPopups popups(m_hwnd);
    CMouseProfile* home = m_config.GetCurrentProfile();
    const std::wstring homeName = home->GetName();
    std::vector<std::wstring> kept = NamesOf(m_config);
    kept.push_back(L"game");
    ASSERT_NE(m_config.CreateProfile(L"Game"), nullptr);
    ASSERT_NE(m_config.CreateProfile(L"game"), nullptr);
    m_window.SwitchPage(kPageTopView);

    // "Profile" chosen with "game" on the front button, as the box reports it.
    auto* front =
        dynamic_cast<CDropdownListItem*>(::FindItem(m_window.PageItems(0), ctl::BUTTON_ASSNLEFTCLICKFRONT));
    ASSERT_NE(front, nullptr);
    const int entry = front->FindEntry(names::FunctionName(kFunctionProfileById));
    ASSERT_GE(entry, 0);
    ASSERT_TRUE(front->SelectEntry(entry, L"game"));
    SendMessageW(GetParent(front->Window()), CDropdownListItem::kChosenMessage, static_cast<WPARAM>(entry),
                 reinterpret_cast<LPARAM>(front->Window()));
    const Assignment chosen = m_config.GetButtonAssignment(kButtonLeftFront, home);
    ASSERT_EQ(kFunctionProfileByName, chosen.code);
    EXPECT_EQ(L"game", AssignmentName(chosen));
    EXPECT_EQ(L"game", front->SecondText());
    EXPECT_EQ(L"game", CProfilesPage::DescribeProfile(m_config, *home).topView[3].detail) << "the preview";

    // On the mouse the button switches to game, not to Game.
    ApplyAndWait();
    auto onMouse = [](CVellConfig& config, const std::wstring& name) -> CMouseProfile* {
        for (int32_t i = 0; i < config.GetProfileCount(); ++i) {
            if (config.ProfileAt(i)->GetName() == name)
                return config.ProfileAt(i);
        }
        return nullptr;
    };
    {
        CVellConfig mouse;
        ASSERT_TRUE(ReadMouse(mouse));
        CMouseProfile* target = onMouse(mouse, L"game");
        CMouseProfile* start = onMouse(mouse, homeName);
        ASSERT_TRUE(target != nullptr && start != nullptr && onMouse(mouse, L"Game") != nullptr);
        const Assignment written = mouse.GetButtonAssignment(kButtonLeftFront, start);
        ASSERT_EQ(kFunctionProfileById, written.code);
        EXPECT_EQ(target->GetId(), AssignmentId(written));
    }

    // Deleting Game leaves the buttons that switch to game alone.
    Assignment toGame = MakeAssignment(kFunctionProfileByName);
    SetAssignmentName(toGame, L"game");
    home = m_config.GetCurrentProfile();
    ASSERT_TRUE(m_config.SetButtonAssignment(kButtonLeftRear, toGame, home));
    m_window.SwitchPage(kPageProfiles);
    m_window.ProfilesPage()->Refresh();
    popups.Ok();
    Menu(L"Game", L"$Delete");
    EXPECT_EQ(Seen({L"ConfirmDeletePopup.xml"}), popups.Seen());
    EXPECT_EQ(kept, NamesOf(m_config));
    EXPECT_EQ(toGame, m_config.GetButtonAssignment(kButtonLeftRear, home));
    const Assignment front2 = m_config.GetButtonAssignment(kButtonLeftFront, home);
    EXPECT_TRUE(front2.code == kFunctionProfileById || front2.code == kFunctionProfileByName)
        << "still switches to game";
}

// Restore defaults on one profile leaves what belongs to the whole mouse.
TEST_F(ProfilesPageTest, RestoreDefaultsKeepsThePollingRateAndAcceleration) {
    ScriptedPopups popups(m_hwnd);
    CMouseProfile* profile = m_config.GetCurrentProfile();
    ASSERT_GT(m_mouse.GetPollingRateCount(), 2);
    m_config.SetPollingRateChoice(2);
    m_config.SetAccelerationEnabled(true);
    const int32_t level = m_config.SetAccelerationLevel(8);
    ASSERT_NE(5, level) << "a level other than the default";
    m_config.SetSensitivity(400, profile);

    popups.Ok();
    Menu(profile->GetName(), L"$RestoreDefault");
    EXPECT_EQ(Seen({L"RestorePopup.xml"}), popups.Seen());
    EXPECT_EQ(1800, m_config.GetSensitivity(profile)) << "the profile's own settings are restored";
    EXPECT_EQ(2, m_config.GetPollingRateChoice());
    EXPECT_TRUE(m_config.GetAccelerationEnabled());
    EXPECT_EQ(level, m_config.GetAccelerationLevel());
}

}  // namespace
