// One mouse shared with other programs: the window against changes it never
// read (another program's import and restore), a read that fails part way,
// a connection that failed once, the mouse's limits, buttons without an
// entry, and references that outlive what they name.
#include "app_support.h"

#include <algorithm>

#include "app/pages/AssignPage.h"
#include "app/pages/MacrosPage.h"
#include "macro/Macro.h"
#include "controls/TextItem.h"
#include "controls/XListCtrl.h"
#include "popups/VellWarningDlg.h"

namespace {

using namespace apptest;
using Seen = std::vector<std::wstring>;
using Names = std::vector<std::wstring>;

constexpr wchar_t kChangedPopup[] = L"MouseChangedPopup.xml";

std::wstring Said(const wchar_t* key) {
    std::wstring text;
    lang::Resolve(key, text);
    return text;
}

std::vector<std::wstring> ProfileNames(CMouseConfig& config) {
    std::vector<std::wstring> names;
    for (int32_t i = 0; i < config.GetProfileCount(); ++i)
        names.push_back(config.ProfileAt(i)->GetName());
    return names;
}

std::vector<std::wstring> ProfilesOnMouse() {
    CVellConfig config;
    return ReadMouse(config) ? ProfileNames(config) : std::vector<std::wstring>{L"<unreadable>"};
}

int32_t MacrosOnMouse() {
    CVellConfig config;
    return ReadMouse(config) ? config.GetMacroCount() : -1;
}

MacroEvents Presses(size_t count) {
    MacroEvents events;
    for (size_t i = 0; i < count; ++i)
        events.push_back(MacroEvent{kMacroEventKey, 30, i % 2 ? kMacroStateRelease : kMacroStatePress});
    return events;
}

// Another program on the same mouse, as tarnctl reaches it.
struct OtherProgram {
    CVellConfig config;
    CMouse link;
    bool Open() {
        const uint16_t product = kProduct;
        return link.Initialize(&config, &product) && link.Synchronize(&config, SyncDirection::Read, kSectionsAll);
    }
};

// A window started anew over the mouse as it is now, as the program starts.
struct NewWindow {
    CVellConfig config;
    CMouse mouse;
    CVellAppDlg window{&config, &mouse};
    HWND hwnd = nullptr;
    void Open() {
        mouse.SetSettleDelayForTesting(kSettleMs);
        const uint16_t product = kProduct;
        ASSERT_TRUE(mouse.Initialize(&config, &product));
        config.AttachDevice(&mouse);
        hwnd = window.Create();
        ASSERT_NE(hwnd, nullptr);
    }
    ~NewWindow() {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
        mouse.WaitUntilIdle(10000);
    }
};

void PressButton(CGUIPanel& popup, int32_t id) {
    CGUIItem* item = popup.FindItem(id);
    ASSERT_NE(item, nullptr);
    SendMessageW(popup.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(item->Window()));
}
void PressApplyOver(CGUIPanel& popup) {
    PressButton(popup, CUnsavedChangesPopup::kApplyButton);
}
// Reload takes the user's edits away: only a click on it gives it.
void PressReload(CGUIPanel& popup) {
    PressButton(popup, CPopupBox::kOkButton);
}

class SharedMouse : public MainWindow {
protected:
    // Apply, and wait until the write and every popup it raised are done.
    void ApplyAnswered(ScriptedPopups& popups, size_t popupsExpected) {
        Click(ctl::BUTTON_APPLY);
        std::vector<std::wstring> seen;
        ASSERT_TRUE(PumpUntil([&] {
            auto more = popups.Seen();
            seen.insert(seen.end(), more.begin(), more.end());
            return seen.size() >= popupsExpected && !m_window.WritePending();
        }));
        PumpUntil([] { return false; }, 200);
        auto more = popups.Seen();
        seen.insert(seen.end(), more.begin(), more.end());
        m_seen = seen;
    }
    Seen m_seen;
};

// Another program imports a profile while the window is open: Apply asks
// first, Cancel writes nothing, "Apply over it" writes the edits and keeps
// the imported profile, and the window then shows what the mouse holds.
TEST_F(SharedMouse, AnImportByAnotherProgramSurvivesEveryAnswer) {
    const std::wstring file = TempFile(L"tarn-shared-import.vxp");
    {
        OtherProgram other;
        ASSERT_TRUE(other.Open());
        ASSERT_TRUE(other.link.ExportProfile(file.c_str(), other.config.ProfileAt(0)));
        ASSERT_TRUE(other.link.ImportProfile(file.c_str(), &other.config));
    }
    const std::vector<std::wstring> imported = ProfilesOnMouse();
    ASSERT_EQ(2u, imported.size());
    ScriptedPopups popups(m_hwnd);
    m_config.SetStageValue(1, 700);

    popups.Cancel();
    ApplyAnswered(popups, 1);
    EXPECT_EQ(Seen({kChangedPopup}), m_seen);
    EXPECT_EQ(imported, ProfilesOnMouse());
    EXPECT_NE(700, StageOnMouse()) << "nothing is written before the user answers";
    EXPECT_EQ(700, m_config.GetStageValue(1)) << "Cancel keeps the edits";

    popups.Do(PressApplyOver, false);
    ApplyAnswered(popups, 1);
    EXPECT_EQ(Seen({kChangedPopup}), m_seen);
    EXPECT_EQ(imported, ProfilesOnMouse()) << "the imported profile stays";
    EXPECT_EQ(700, StageOnMouse());
    EXPECT_EQ(imported, ProfileNames(m_config)) << "the window shows what the mouse holds";
    EXPECT_EQ(CVellAppDlg::WriteStatus::kWritten, m_window.LastWriteStatus());

    // Known to the window now, the imported profile goes only when the user
    // deletes it here.
    m_config.SetStageValue(1, 900);
    ApplyAnswered(popups, 0);
    EXPECT_TRUE(m_seen.empty());
    EXPECT_EQ(imported, ProfilesOnMouse());
    m_config.Delete(m_config.ProfileAt(1));
    ApplyAnswered(popups, 0);
    EXPECT_EQ(1u, ProfilesOnMouse().size());
    DeleteFileW(file.c_str());
}

// A restore by another program gives every profile a new identity. Apply
// must never leave the mouse without profiles: "Reload" shows the restored
// mouse, "Apply over it" writes the edits into the profile of their name.
TEST_F(SharedMouse, ARestoreByAnotherProgramNeverEmptiesTheMouse) {
    const std::wstring dir = TempFile(L"tarn-shared-backup\\");
    {
        OtherProgram other;
        ASSERT_TRUE(other.Open());
        ASSERT_TRUE(other.link.Backup(dir).ok);
        ASSERT_TRUE(other.link.Restore(dir).ok);
    }
    ScriptedPopups popups(m_hwnd);
    m_config.SetStageValue(1, 1100);
    popups.Do(PressApplyOver, false);
    ApplyAnswered(popups, 1);
    EXPECT_EQ(Seen({kChangedPopup}), m_seen);
    EXPECT_EQ(ProfileNames(m_config), ProfilesOnMouse());
    EXPECT_EQ(1100, StageOnMouse());

    {
        OtherProgram other;
        ASSERT_TRUE(other.Open());
        ASSERT_TRUE(other.link.Restore(dir).ok);
    }
    const std::vector<std::wstring> restored = ProfilesOnMouse();
    m_config.SetStageValue(1, 1300);
    popups.Ok();  // Enter: the answer that loses nothing
    ApplyAnswered(popups, 1);
    EXPECT_EQ(Seen({kChangedPopup}), m_seen);
    EXPECT_EQ(restored, ProfilesOnMouse());
    EXPECT_EQ(1300, m_config.GetStageValue(1)) << "Enter keeps the edits";
    popups.Do(PressReload, false);
    ApplyAnswered(popups, 1);
    EXPECT_EQ(Seen({kChangedPopup}), m_seen);
    EXPECT_EQ(restored, ProfilesOnMouse());
    EXPECT_EQ(restored, ProfileNames(m_config));
    EXPECT_NE(1300, m_config.GetStageValue(1)) << "Reload drops the window's edits";
    EXPECT_FALSE(m_window.HasUnsavedChanges());
    // The reloaded window writes as if it had just started.
    m_config.SetStageValue(1, 1500);
    ApplyAnswered(popups, 0);
    EXPECT_TRUE(m_seen.empty());
    EXPECT_EQ(1500, StageOnMouse());
    EXPECT_EQ(restored, ProfilesOnMouse());
    RemoveFolder(dir);
}

// A read that fails part way is no mouse: nothing half-read is shown, and
// there is nothing Apply could write back.
TEST_F(SharedMouse, AReadThatFailsPartWayLeavesNoConfiguration) {
    {
        OtherProgram other;
        ASSERT_TRUE(other.Open());
        other.config.CreateProfile(L"Second");
        other.config.CreateMacro(L"Combo", Presses(4));
        ASSERT_TRUE(other.link.Synchronize(&other.config, SyncDirection::Write, kSectionsAll));
        ASSERT_TRUE(other.link.WaitUntilIdle(10000));
        ASSERT_TRUE(other.link.LastWriteSucceeded());
    }
    DestroyWindow(m_hwnd);
    // The second profile's assignments cannot be read.
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", L"Keys.Actions:2");
    NewWindow started;
    ASSERT_NO_FATAL_FAILURE(started.Open());
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", nullptr);
    EXPECT_EQ(nullptr, started.config.GetCurrentProfile());
    EXPECT_EQ(0, started.config.GetProfileCount());
    EXPECT_FALSE(started.window.Apply());
    EXPECT_EQ((std::vector<std::wstring>{L"Profile 1", L"Second"}), ProfilesOnMouse());
    EXPECT_EQ(1, MacrosOnMouse());
}

// A mouse that holds no profile is still a mouse: the window starts it from
// the factory profile, and Apply puts that profile on it with every button.
TEST_F(SharedMouse, AMouseWithoutProfilesStartsFromTheFactoryProfile) {
    DestroyWindow(m_hwnd);
    WriteBytes(m_state, "TarnMouseState 1\r\nproduct=21\r\npolling=2\r\nacceleration=5\r\n"
                        "accelerationEnabled=0\r\nactiveProfile=\r\nend\r\n");
    ASSERT_EQ(Names{}, ProfilesOnMouse());
    NewWindow started;
    ASSERT_NO_FATAL_FAILURE(started.Open());
    CVellConfig& config = started.config;
    CVellAppDlg& window = started.window;
    ASSERT_NE(config.GetCurrentProfile(), nullptr);
    EXPECT_TRUE(window.HasUnsavedChanges());
    config.SetButtonAssignment(kButtonLeftFront, MakeAssignment(3));
    ASSERT_TRUE(window.Apply());
    ASSERT_TRUE(PumpUntil([&] { return !window.WritePending(); }));
    EXPECT_EQ(CVellAppDlg::WriteStatus::kWritten, window.LastWriteStatus())
        << "read back: " << testing::PrintToString(window.WriteDifference());
    CVellConfig read;
    ASSERT_TRUE(ReadMouse(read));
    ASSERT_EQ(1, read.GetProfileCount());
    EXPECT_EQ(3, read.GetButtonAssignment(kButtonLeftFront, read.ProfileAt(0)).code);
}

// After a connection that failed (the mouse was away for one call), Apply
// looks for the mouse again and writes; it never does nothing.
TEST_F(SharedMouse, ApplyAfterAFailedConnectionWrites) {
    SetEnvironmentVariableW(L"TARN_DEVICE_SCENARIO", L"none");
    EXPECT_EQ(0, m_mouse.GetDeviceProfileCount());
    SetEnvironmentVariableW(L"TARN_DEVICE_SCENARIO", nullptr);
    m_config.SetStageValue(1, 2600);
    ASSERT_TRUE(m_window.Apply());
    ASSERT_TRUE(PumpUntil([&] { return !m_window.WritePending(); }));
    EXPECT_EQ(2600, StageOnMouse());
    EXPECT_EQ(CVellAppDlg::WriteStatus::kWritten, m_window.LastWriteStatus());
}

// A write that did not reach the mouse says why: a mouse that is gone, or
// one that answered but did not take every change.
TEST_F(SharedMouse, AFailedWriteSaysWhy) {
    ScriptedPopups popups(m_hwnd);
    std::wstring said;
    auto capture = [&](CGUIPanel& popup) {
        if (auto* text = popup.FindItemAs<CTextItem>(CVellWarningDlg::kMessageText, kItemText))
            said = text->GetText();
    };
    m_config.SetStageValue(1, 1900);
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", L"Sensitivity.SetStages:1");
    popups.Do(capture, true);
    ApplyAnswered(popups, 1);
    EXPECT_EQ(Seen({L"WriteFailedPopup.xml"}), m_seen);
    EXPECT_EQ(Said(L"$WriteFailedStep") + L" " + Said(L"$WriteFailedKept"), said);
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", nullptr);
    SetEnvironmentVariableW(L"TARN_DEVICE_SCENARIO", L"none");
    popups.Do(capture, true);
    ApplyAnswered(popups, 1);
    SetEnvironmentVariableW(L"TARN_DEVICE_SCENARIO", nullptr);
    EXPECT_EQ(Said(L"$WriteFailedNoMouse") + L" " + Said(L"$WriteFailedKept"), said);
    EXPECT_EQ(1900, m_config.GetStageValue(1)) << "the edit is kept";
}

// More than the mouse holds is refused before anything changes: the
// profiles created and deleted here stay as they were on the mouse.
TEST_F(SharedMouse, LimitsRefuseTheWriteBeforeItChangesAnything) {
    ScriptedPopups popups(m_hwnd);
    m_config.CreateProfile(L"Second");
    ApplyAnswered(popups, 0);
    const std::vector<std::wstring> before = ProfilesOnMouse();
    ASSERT_EQ(2u, before.size());

    // A new profile, a deleted one, and one macro more than the mouse holds.
    m_config.Delete(m_config.ProfileAt(1));
    m_config.CreateProfile(L"Third");
    for (int i = 0; i <= m_mouse.GetLimits().macros; ++i)
        m_config.CreateMacro((L"M" + std::to_wstring(i)).c_str(), Presses(2));
    popups.Ok();
    ApplyAnswered(popups, 1);
    EXPECT_EQ(Seen({L"WriteFailedPopup.xml"}), m_seen);
    EXPECT_EQ(before, ProfilesOnMouse());
    EXPECT_EQ(0, MacrosOnMouse());

    // A macro of more events than the mouse plays, and a program path longer
    // than it keeps, are refused the same way.
    while (m_config.GetMacroCount() > 1)
        m_config.DeleteMacro(m_config.MacroAt(1));
    m_config.MacroAt(0)->SetEvents(Presses(static_cast<size_t>(m_mouse.GetLimits().eventsPerMacro) + 1));
    std::wstring said;
    popups.Do([&](CGUIPanel& popup) {
        if (auto* text = popup.FindItemAs<CTextItem>(CVellWarningDlg::kMessageText, kItemText))
            said = text->GetText();
    }, true);
    ApplyAnswered(popups, 1);
    EXPECT_EQ(Said(L"$WriteFailedEvents") + L" " + Said(L"$WriteFailedKept"), said) << "the popup names the limit";
    EXPECT_EQ(Seen({L"WriteFailedPopup.xml"}), m_seen);
    EXPECT_EQ(before, ProfilesOnMouse());
    m_config.MacroAt(0)->SetEvents(Presses(2));
    m_config.SetProgramPath(m_config.ProfileAt(0), (L"C:\\" + std::wstring(130, L'x') + L".exe").c_str());
    popups.Ok();
    ApplyAnswered(popups, 1);
    EXPECT_EQ(Seen({L"WriteFailedPopup.xml"}), m_seen);

    // The program chosen in the dialog is refused at once when its path is
    // longer than the mouse keeps; the profile keeps its program.
    m_window.SwitchPage(kPageProfiles);
    auto* list = dynamic_cast<CXListCtrl*>(::FindItem(m_window.PageItems(3), ctl::LIST_PROFILELIST));
    ASSERT_NE(list, nullptr);
    const std::wstring longer = L"C:\\" + std::wstring(140, L'y') + L".exe";
    const std::wstring kept = m_config.ProfileAt(0)->GetProgramPath();
    ListNotify note = {0, 2, longer.c_str()};
    popups.Ok();
    SendMessageW(m_hwnd, WMU_LIST_PROGRAMCHANGED, reinterpret_cast<WPARAM>(list->Window()),
                 reinterpret_cast<LPARAM>(&note));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(Seen({L"ProgramPathPopup.xml"}), popups.Seen());
    EXPECT_EQ(kept, m_config.ProfileAt(0)->GetProgramPath());

    // Within the limits it all goes.
    m_config.SetProgramPath(m_config.ProfileAt(0), (L"C:\\" + std::wstring(100, L'x') + L".exe").c_str());
    ApplyAnswered(popups, 0);
    EXPECT_TRUE(m_seen.empty());
    EXPECT_EQ((std::vector<std::wstring>{L"Profile 1", L"Third"}), ProfilesOnMouse());
    EXPECT_EQ(1, MacrosOnMouse());

    // Where the user meets the limit, the page says so at once.
    m_window.SwitchPage(kPageMacros);
    for (int i = m_config.GetMacroCount(); i < m_mouse.GetLimits().macros; ++i)
        m_config.CreateMacro((L"N" + std::to_wstring(i)).c_str(), Presses(2));
    popups.Ok();
    Click(ctl::BUTTON_MACRO_CREATE, 4);
    PumpUntil([&] { return false; }, 300);
    EXPECT_EQ(Seen({L"MacroLimitPopup.xml"}), popups.Seen());
    EXPECT_EQ(m_mouse.GetLimits().macros, m_config.GetMacroCount());
}

// Apply and restart, twice: buttons the profile holds nothing for are never
// written as a click, so the one-click rule still guards the left button.
TEST_F(SharedMouse, TheOneClickRuleHoldsThroughApplyAndRestart) {
    for (int round = 0; round < 2; ++round) {
        m_config.SetStageValue(1, 900 + 100 * round);
        ApplyAndWait();
        CVellConfig read;
        ASSERT_TRUE(ReadMouse(read));
        CMouseProfile* profile = read.ProfileAt(0);
        int clicks = 0;
        for (const auto& [button, assignment] : profile->ButtonAssignments())
            clicks += assignment.code == kFunctionClick ? 1 : 0;
        for (const auto& [key, assignment] : profile->KeyAssignments())
            clicks += assignment.code == kFunctionClick ? 1 : 0;
        EXPECT_EQ(1, clicks) << "round " << round << ": only the left button clicks";
        EXPECT_TRUE(read.SetButtonAssignment(kButtonLeft, MakeAssignment(kFunctionMenu), profile));
        EXPECT_FALSE(read.HasClickAssignment(profile)) << "the guard would fire";
    }
}

// Deleting a macro resets the buttons that ran it in both key sets, shown or
// not; the next write reads back as written.
TEST_F(SharedMouse, ADeletedMacroLeavesNoReferenceInEitherKeySet) {
    CMacro* macro = m_config.CreateMacro(L"Combo", Presses(4));
    ASSERT_NE(macro, nullptr);
    Assignment byName = MakeAssignment(kFunctionMacroByName);
    SetAssignmentName(byName, L"Combo");
    const int32_t hidden = kThumbKeysNum.front();
    ASSERT_TRUE(m_config.SetKeyAssignment(hidden, byName));
    ASSERT_TRUE(m_config.SetKeyAssignment(kThumbKeys123.front(), byName));
    ApplyAndWait();
    ASSERT_EQ(CVellAppDlg::WriteStatus::kWritten, m_window.LastWriteStatus());

    ScriptedPopups popups(m_hwnd);
    m_window.SwitchPage(kPageMacros);
    popups.Ok();  // confirm the delete
    Click(ctl::BUTTON_MACRO_DELETE, 4);
    PumpUntil([&] { return false; }, 300);
    EXPECT_EQ(0, m_config.GetMacroCount());
    Assignment fallback;
    ASSERT_TRUE(m_config.DefaultKeyAssignment(hidden, fallback));
    EXPECT_EQ(fallback, m_config.GetKeyAssignment(hidden));
    ApplyAndWait();
    EXPECT_EQ(CVellAppDlg::WriteStatus::kWritten, m_window.LastWriteStatus())
        << "read back: " << testing::PrintToString(m_window.WriteDifference());
}

// Switched off, the thumb keys keep their functions through a write and a
// read, and come back with them.
TEST_F(SharedMouse, DisabledThumbKeysKeepTheirAssignments) {
    const Assignment key = MakeSingleKeyAssignment(0x1E, 0, 0);
    ASSERT_TRUE(m_config.SetKeyAssignment(kThumbKeysNum.back(), key));
    m_config.SetThumbKeysEnabled(false);
    ApplyAndWait();
    CVellConfig read;
    ASSERT_TRUE(ReadMouse(read));
    EXPECT_FALSE(read.ProfileAt(0)->GetThumbKeysEnabled());
    EXPECT_EQ(key, read.ProfileAt(0)->GetKeyAssignment(kThumbKeysNum.back()));
    Assignment first;
    ASSERT_TRUE(read.DefaultKeyAssignment(kThumbKeys123.front(), first));
    EXPECT_EQ(first, read.ProfileAt(0)->GetKeyAssignment(kThumbKeys123.front()));
}

// The write reads the mouse back on its own thread: a big configuration
// never holds the window's thread when the write ends.
TEST_F(SharedMouse, TheReadBackRunsOffTheWindowsThread) {
    for (int i = 0; i < 60; ++i)
        m_config.CreateMacro((L"Long" + std::to_wstring(i)).c_str(), Presses(4000));
    // The window's own start-up work (the other page files) first.
    PumpUntil([] { return false; }, 1500);
    ASSERT_TRUE(m_window.Apply());
    DWORD longest = 0;
    const DWORD start = GetTickCount();
    while (m_window.WritePending() && GetTickCount() - start < 60000) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            const DWORD before = GetTickCount();
            DispatchMessageW(&msg);
            longest = std::max<DWORD>(longest, GetTickCount() - before);
        }
        Sleep(2);
    }
    ASSERT_FALSE(m_window.WritePending());
    EXPECT_EQ(CVellAppDlg::WriteStatus::kWritten, m_window.LastWriteStatus());
    // What reading the mouse back costs a thread: the window must never pay it.
    const DWORD before = GetTickCount();
    CVellConfig read;
    ASSERT_TRUE(ReadMouse(read));
    const DWORD readMs = GetTickCount() - before;
    printf("read back %lu ms; longest message on the window's thread %lu ms\n", readMs, longest);
    EXPECT_LT(longest, readMs) << "the longest message on the window's thread, ms";
}

}  // namespace
