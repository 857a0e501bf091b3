// The tray companion's automatic switching: which profile a program in front
// asks for, and when the profile active before comes back.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "device/MouseGlance.h"
#include "tray/AutoSwitch.h"
#include "tray/MouseWatcher.h"

namespace {

const std::wstring kGame = L"C:\\Games\\Arena\\arena.exe";
const std::wstring kEditor = L"C:\\Tools\\editor.exe";
const std::wstring kOther = L"C:\\windows\\system32\\notepad.exe";

GUID Id(unsigned n) {
    GUID id = {};
    id.Data1 = n;
    return id;
}

// Profiles 1..3: "Desktop" (no program), "Team" for the game, "Code" for the
// editor; `active` is the index of the active one.
devlink::MouseGlance Mouse(int active) {
    devlink::MouseGlance mouse;
    mouse.profiles = {
        {Id(1), L"Desktop", L"", false, false, false},
        {Id(2), L"Team", kGame, true, true, true},
        {Id(3), L"Code", kEditor, true, false, false},
    };
    mouse.active = active;
    mouse.revision = 7;
    return mouse;
}

// The policy against a mouse that takes every change at once.
struct Session {
    tray::SwitchPolicy policy;
    devlink::MouseGlance mouse = Mouse(0);

    // The foreground settles on `program`; the name of the profile activated,
    // or "" when nothing is asked.
    std::wstring Front(const std::wstring& program) {
        const tray::SwitchPolicy::Decision d = policy.OnForeground(program, mouse);
        if (!d.activate)
            return L"";
        for (size_t i = 0; i < mouse.profiles.size(); ++i) {
            if (mouse.profiles[i].id == d.profile) {
                mouse.active = static_cast<int>(i);
                ++mouse.revision;
                policy.OnMouse(mouse, true);
                return mouse.profiles[i].name;
            }
        }
        return L"(unknown profile)";
    }
    // Someone else (the menu, the configurator, the mouse's button) makes a profile active.
    void Elsewhere(int index) {
        mouse.active = index;
        ++mouse.revision;
        policy.OnMouse(mouse, true);
    }
};

TEST(TraySwitching, MatchesFullPathsWithoutRegardToCaseAndOnlyWithSwitchingOn) {
    devlink::MouseGlance mouse = Mouse(0);
    EXPECT_EQ(tray::ProfileForProgram(mouse.profiles, L"c:\\games\\ARENA\\Arena.EXE"), 1);
    EXPECT_EQ(tray::ProfileForProgram(mouse.profiles, L"D:\\Games\\Arena\\arena.exe"), -1);
    EXPECT_EQ(tray::ProfileForProgram(mouse.profiles, L"arena.exe"), -1);  // a file name is no full path
    EXPECT_EQ(tray::ProfileForProgram(mouse.profiles, L""), -1);           // the empty path of "Desktop"
    mouse.profiles[1].autoSwitch = false;
    EXPECT_EQ(tray::ProfileForProgram(mouse.profiles, kGame), -1);
    // The longest path the mouse keeps (127 characters) matches as a whole.
    const std::wstring longPath = L"C:\\" + std::wstring(118, L'x') + L"\\g.exe";
    ASSERT_EQ(longPath.size(), 127u);
    mouse.profiles[2].programPath = longPath;
    EXPECT_EQ(tray::ProfileForProgram(mouse.profiles, longPath), 2);
    EXPECT_EQ(tray::ProfileForProgram(mouse.profiles, longPath.substr(0, 126)), -1);
}

TEST(TraySwitching, SwitchesAndGivesTheProfileBack) {
    Session s;
    EXPECT_EQ(s.Front(kGame), L"Team");
    EXPECT_EQ(s.Front(kGame), L"");  // the same program again: nothing to do
    EXPECT_EQ(s.Front(kOther), L"Desktop");
    EXPECT_EQ(s.Front(kOther), L"");
    // From one tied program to another and away: back to the first profile
    // of all, not to the one in between.
    EXPECT_EQ(s.Front(kGame), L"Team");
    EXPECT_EQ(s.Front(kEditor), L"Code");
    EXPECT_EQ(s.Front(kOther), L"Desktop");
}

TEST(TraySwitching, AChangeMadeElsewhereIsNeverUndone) {
    Session s;
    EXPECT_EQ(s.Front(kGame), L"Team");
    s.Elsewhere(2);                    // the user picks "Code" while the game is in front
    EXPECT_EQ(s.Front(kOther), L"");  // and keeps it
    // A profile the user made active already is not switched, so nothing comes back.
    s.Elsewhere(1);
    EXPECT_EQ(s.Front(kGame), L"");
    EXPECT_EQ(s.Front(kOther), L"");
    EXPECT_EQ(s.mouse.active, 1);
    // The menu's choice counts as the user's too.
    s.Elsewhere(0);
    EXPECT_EQ(s.Front(kGame), L"Team");
    s.policy.OnUserChoice();
    EXPECT_EQ(s.Front(kOther), L"");
}

TEST(TraySwitching, AReportReadBeforeOurChangeIsNotTakenForTheUsers) {
    Session s;
    const tray::SwitchPolicy::Decision d = s.policy.OnForeground(kGame, s.mouse);
    ASSERT_TRUE(d.activate);
    s.policy.OnMouse(s.mouse, false);  // still "Desktop": read before the switch was made
    s.mouse.active = 1;
    s.policy.OnMouse(s.mouse, true);
    EXPECT_EQ(s.Front(kOther), L"Desktop");
}

TEST(TraySwitching, KeepModeAndDeletedProfiles) {
    Session s;
    s.policy.SetKeepProfile(true);
    EXPECT_EQ(s.Front(kGame), L"Team");
    EXPECT_EQ(s.Front(kOther), L"");      // kept
    EXPECT_EQ(s.Front(kEditor), L"Code");  // until another program's profile takes over
    s.policy.SetKeepProfile(false);
    EXPECT_EQ(s.Front(kOther), L"Desktop");
    // The profile to go back to was deleted meanwhile: the mouse stays as it is.
    EXPECT_EQ(s.Front(kGame), L"Team");
    s.mouse.profiles.erase(s.mouse.profiles.begin());
    s.mouse.active = 0;  // "Team" is first now
    s.policy.OnMouse(s.mouse, true);
    EXPECT_EQ(s.Front(kOther), L"");
}

TEST(TraySwitching, ShellWindowsAreNoChangeOfProgram) {
    for (const wchar_t* cls : {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"MultitaskingViewFrame", L"#32768",
                               L"shell_traywnd"})
        EXPECT_TRUE(tray::IsShellWindowClass(cls)) << cls;
    for (const wchar_t* cls : {L"Notepad", L"SINGLE_INSTANCE_APP_TARN", L"", L"Shell"})
        EXPECT_FALSE(tray::IsShellWindowClass(cls)) << cls;
}

TEST(TraySwitching, GlancesDifferInWhatTheCompanionShows) {
    const devlink::MouseGlance a = Mouse(1);
    devlink::MouseGlance b = a;
    EXPECT_TRUE(tray::SameGlance(a, b));
    b.stage = 3;
    EXPECT_FALSE(tray::SameGlance(a, b));
    b = a;
    b.profiles[2].dpiDisplay = true;
    EXPECT_FALSE(tray::SameGlance(a, b));
    b = a;
    b.profiles[0].name = L"desktop";
    EXPECT_FALSE(tray::SameGlance(a, b));
}

TEST(TraySwitching, TheMousesOwnButtons) {
    using devlink::MouseButton;
    EXPECT_EQ(devlink::StageAfter(MouseButton::kStageUp, 2, 5), 3u);
    EXPECT_EQ(devlink::StageAfter(MouseButton::kStageUp, 5, 5), 5u);
    EXPECT_EQ(devlink::StageAfter(MouseButton::kStageDown, 1, 5), 1u);
    EXPECT_EQ(devlink::StageAfter(MouseButton::kStageCycle, 5, 5), 1u);
    EXPECT_EQ(devlink::StageAfter(MouseButton::kStageCycle, 1, 1), 1u);
    EXPECT_EQ(devlink::StageAfter(MouseButton::kStageUp, 0, 0), 0u);
    EXPECT_EQ(devlink::ProfileAfter(MouseButton::kProfileNext, 2, 3), 0);
    EXPECT_EQ(devlink::ProfileAfter(MouseButton::kProfilePrevious, 0, 3), 2);
    EXPECT_EQ(devlink::ProfileAfter(MouseButton::kProfileNext, 0, 1), 0);
}

}  // namespace
