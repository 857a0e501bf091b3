// Several programs on one mouse, checked against a model: seeded random
// sequences interleave the window's edits and Apply (every answer of the
// changed-mouse popup) with tarnctl's import, restore, backup and dump as
// processes of their own, and with faults (one call in N fails, a read that
// fails part way, the state file held locked). After every step:
//   - no profile or macro has left the mouse unless a user deleted it;
//   - after a successful Apply the window shows what tarnctl dump shows;
//   - every profile on the mouse keeps its one click, and no more clicks
//     than the window gave it;
//   - the state file loads.
// TARN_MODEL_SEED and TARN_MODEL_STEPS choose the run (the seed is printed;
// 300 steps by default); TARN_MODEL_TRACE=1 prints every step.
#include "app_support.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <sstream>

#include "app/MouseImage.h"
#include "macro/Macro.h"
#include "popups/VellWarningDlg.h"

namespace {

using namespace apptest;
using Names = std::vector<std::wstring>;

std::wstring ModuleFile(const wchar_t* name) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir = exe;
    dir.resize(dir.find_last_of(L'\\') + 1);
    return dir + L"..\\bin\\" + name;
}

// Runs tarnctl as a process of its own; its exit code, and what it printed.
int Tarnctl(const std::wstring& args, std::string* output = nullptr) {
    const std::wstring out = TempFile(L"tarn-model-tarnctl.out");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    win::UniqueFile file(CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file.get();
    startup.hStdError = file.get();
    startup.hStdInput = nullptr;
    PROCESS_INFORMATION process = {};
    std::wstring command = L"\"" + ModuleFile(L"tarnctl.exe") + L"\" " + args;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    file.reset();
    if (output)
        *output = ReadBytes(out);
    DeleteFileW(out.c_str());
    return static_cast<int>(code);
}

Names Sorted(Names names) {
    std::sort(names.begin(), names.end());
    return names;
}

Names ProfileNames(CMouseConfig& config) {
    Names names;
    for (int32_t i = 0; i < config.GetProfileCount(); ++i)
        names.push_back(config.ProfileAt(i)->GetName());
    return Sorted(names);
}

Names MacroNames(CMouseConfig& config) {
    Names names;
    for (int32_t i = 0; i < config.GetMacroCount(); ++i)
        names.push_back(config.MacroAt(i)->Name());
    return Sorted(names);
}

// Whether `all` holds every name of `some`, as many times (both sorted).
bool HoldsAll(const Names& all, const Names& some) {
    return std::includes(all.begin(), all.end(), some.begin(), some.end());
}

std::wstring Join(const Names& names) {
    std::wstring text;
    for (const auto& name : names)
        text += L"\"" + name + L"\" ";
    return text;
}

int Clicks(CMouseProfile& profile) {
    int clicks = 0;
    for (const auto& entry : profile.ButtonAssignments())
        clicks += entry.second.code == kFunctionClick ? 1 : 0;
    if (profile.GetThumbKeysEnabled()) {
        for (const auto& entry : profile.KeyAssignments())
            clicks += entry.second.code == kFunctionClick ? 1 : 0;
    }
    return clicks;
}

MacroEvents Presses(size_t count, uint32_t code) {
    MacroEvents events;
    for (size_t i = 0; i < count; ++i)
        events.push_back(MacroEvent{kMacroEventKey, code, i % 2 ? kMacroStateRelease : kMacroStatePress});
    return events;
}

class SharedModel : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        const char* seedText = getenv("TARN_MODEL_SEED");
        m_seed = seedText ? static_cast<uint32_t>(strtoul(seedText, nullptr, 10)) : GetTickCount();
        const char* stepsText = getenv("TARN_MODEL_STEPS");
        m_steps = stepsText ? atoi(stepsText) : 300;
        printf("shared mouse model: seed %u, %d steps (TARN_MODEL_SEED, TARN_MODEL_STEPS)\n", m_seed, m_steps);
        fflush(stdout);
        m_random.seed(m_seed);
        m_files = TempFile(L"tarn-model\\");
        CreateDirectoryW(m_files.c_str(), nullptr);
        m_popups = std::make_unique<ScriptedPopups>(m_hwnd);
        ReadCommitted();
    }
    void TearDown() override {
        m_popups.reset();
        if (!m_backup.empty())
            RemoveFolder(m_backup);
        RemoveFolder(m_files);
        MainWindow::TearDown();
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool Chance(int oneIn) { return Pick(oneIn) == 0; }
    std::wstring Fresh(const wchar_t* prefix) { return prefix + std::to_wstring(++m_counter); }

    // The mouse as a program that starts now sees it.
    bool ReadNow(CVellConfig& config) { return ReadMouse(config); }
    // Everything on the mouse now must stay unless a user deletes it.
    void ReadCommitted() {
        CVellConfig mouse;
        ASSERT_TRUE(ReadNow(mouse)) << Where();
        m_profiles = ProfileNames(mouse);
        m_macros = MacroNames(mouse);
    }
    std::string Where() const {
        std::ostringstream text;
        text << "seed " << m_seed << ", step " << m_step << " (" << m_last << ")";
        return text.str();
    }

    // ---- the window's steps -----------------------------------------------------

    void WindowEdit() {
        CMouseProfile* current = m_config.GetCurrentProfile();
        switch (Pick(6)) {
            case 0:
                if (m_config.GetProfileCount() < 5 && m_config.CreateProfile(Fresh(L"P").c_str()))
                    m_last = "create a profile";
                break;
            case 1:
                if (m_config.GetProfileCount() > 1) {
                    CMouseProfile* gone = m_config.ProfileAt(1 + Pick(m_config.GetProfileCount() - 1));
                    m_deletedProfiles.push_back(gone->GetName());
                    m_config.Delete(gone);
                    m_last = "delete a profile";
                }
                break;
            case 2:
                if (m_config.GetProfileCount() > 1) {
                    CMouseProfile* renamed = m_config.ProfileAt(1 + Pick(m_config.GetProfileCount() - 1));
                    m_deletedProfiles.push_back(renamed->GetName());
                    m_config.Rename(renamed, Fresh(L"R").c_str());
                    m_last = "rename a profile";
                }
                break;
            case 3: {
                // A front button of the current profile, never the left one.
                static constexpr int32_t kCodes[] = {kFunctionMenu, 3, kFunctionButtonOff, kFunctionForward};
                m_config.SetButtonAssignment(kButtonLeftFront, MakeAssignment(kCodes[Pick(4)]), current);
                m_config.SetStageValue(1, 100 * (1 + Pick(56)), current);
                m_last = "assign";
                break;
            }
            case 4:
                if (CMacro* macro = m_config.CreateMacro(Fresh(L"M").c_str(), Presses(2 + 2 * Pick(5), 30))) {
                    if (Chance(2)) {
                        Assignment byName = MakeAssignment(kFunctionMacroByName);
                        SetAssignmentName(byName, macro->Name());
                        const auto& keys = Chance(2) ? kThumbKeys123 : kThumbKeysNum;
                        m_config.SetKeyAssignment(keys[static_cast<size_t>(Pick(12))], byName, current);
                    }
                    m_last = "record a macro";
                }
                break;
            case 5:
                if (m_config.GetMacroCount() > 0) {
                    CMacro* macro = m_config.MacroAt(Pick(m_config.GetMacroCount()));
                    if (Chance(2)) {
                        MacroEvents events = macro->Events();
                        const MacroEvents more = Presses(2, 31);
                        events.insert(events.begin(), more.begin(), more.end());
                        macro->SetEvents(events);
                        m_last = "insert into a macro";
                    } else {
                        ForgetMacro(*macro);
                        m_deletedMacros.push_back(macro->Name());
                        m_config.DeleteMacro(macro);
                        m_last = "delete a macro";
                    }
                }
                break;
        }
    }
    // As the macros page does: every button that ran the macro, in both key
    // sets of every profile, gets its default back.
    void ForgetMacro(const CMacro& macro) {
        for (int32_t p = 0; p < m_config.GetProfileCount(); ++p) {
            CMouseProfile* profile = m_config.ProfileAt(p);
            std::vector<int32_t> keys;
            for (const auto& [key, assignment] : profile->KeyAssignments()) {
                if ((assignment.code == kFunctionMacroByName && AssignmentName(assignment) == macro.Name()) ||
                    (assignment.code == kFunctionMacroById && AssignmentId(assignment) == macro.Id()))
                    keys.push_back(key);
            }
            for (int32_t key : keys) {
                Assignment fallback;
                m_config.DefaultKeyAssignment(key, fallback);
                m_config.SetKeyAssignment(key, fallback, profile);
            }
        }
    }

    // Apply, with a random answer to the question another program's change
    // raises; faults now and then.
    void WindowApply() {
        // A fresh script: an answer no popup took is not left for the next one.
        m_popups.reset();
        m_popups = std::make_unique<ScriptedPopups>(m_hwnd);
        const bool fault = Chance(6);
        // A reload that fails is no mouse, and the window closes: under
        // faults the answers are the other two.
        const int answer = fault ? 1 + Pick(2) : Pick(3);
        if (answer == 0)
            m_popups->Do([](CGUIPanel& popup) {
                // Reload (or OK on any other popup): a click, as Enter cancels.
                if (CGUIItem* item = popup.FindItem(CPopupBox::kOkButton))
                    SendMessageW(popup.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(item->Window()));
            }, true);
        else if (answer == 1)
            m_popups->Do([](CGUIPanel& popup) {
                if (CGUIItem* item = popup.FindItem(CUnsavedChangesPopup::kApplyButton))
                    SendMessageW(popup.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(item->Window()));
            }, true);
        else
            m_popups->Cancel();
        if (fault)
            SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", Chance(2) ? L"*~40" : L"Macros.Create:1,Keys.SetActions:3");
        m_last = fault ? "Apply under faults" : "Apply";
        const Names profilesBefore = m_profiles, macrosBefore = m_macros;
        m_window.Apply();
        std::vector<std::wstring> seen;
        ASSERT_TRUE(PumpUntil([&] {
            auto more = m_popups->Seen();
            seen.insert(seen.end(), more.begin(), more.end());
            return !m_window.WritePending();
        }, 60000)) << Where();
        SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", nullptr);
        PumpUntil([] { return false; }, 150);
        auto more = m_popups->Seen();
        seen.insert(seen.end(), more.begin(), more.end());
        const bool changedAsked = std::find(seen.begin(), seen.end(), L"MouseChangedPopup.xml") != seen.end();
        // A write over another program's change may follow the question.
        if (changedAsked) {
            ASSERT_TRUE(PumpUntil([&] { return !m_window.WritePending(); }, 60000)) << Where();
        }
        if (changedAsked && answer == 0) {
            // Reloaded: the window's edits, its deletions among them, are gone.
            m_deletedProfiles.clear();
            m_deletedMacros.clear();
        }
        PumpUntil([] { return false; }, 100);
        (void)m_popups->Seen();

        CVellConfig mouse;
        ASSERT_TRUE(ReadNow(mouse)) << Where();
        // What the user deleted here may be gone; nothing else.
        Names mayGoProfiles = Sorted(m_deletedProfiles), mayGoMacros = Sorted(m_deletedMacros);
        Names mustProfiles, mustMacros;
        std::set_difference(profilesBefore.begin(), profilesBefore.end(), mayGoProfiles.begin(), mayGoProfiles.end(),
                            std::back_inserter(mustProfiles));
        std::set_difference(macrosBefore.begin(), macrosBefore.end(), mayGoMacros.begin(), mayGoMacros.end(),
                            std::back_inserter(mustMacros));
        EXPECT_TRUE(HoldsAll(ProfileNames(mouse), mustProfiles))
            << Where() << ": the mouse holds " << testing::PrintToString(Join(ProfileNames(mouse)))
            << ", it must hold " << testing::PrintToString(Join(mustProfiles));
        EXPECT_TRUE(HoldsAll(MacroNames(mouse), mustMacros))
            << Where() << ": macros " << testing::PrintToString(Join(MacroNames(mouse))) << ", must hold "
            << testing::PrintToString(Join(mustMacros));
        if (m_window.LastWriteStatus() == CVellAppDlg::WriteStatus::kWritten && !fault) {
            // The window shows what the mouse holds, as a process of its own sees it.
            EXPECT_EQ(ProfileNames(m_config), ProfileNames(mouse)) << Where();
            EXPECT_EQ(MacroNames(m_config), MacroNames(mouse)) << Where();
            std::string dump;
            EXPECT_EQ(0, Tarnctl(L"dump", &dump)) << Where();
            for (const auto& name : ProfileNames(m_config)) {
                const std::string quoted = "\"" + std::string(name.begin(), name.end()) + "\"";
                EXPECT_NE(std::string::npos, dump.find(quoted)) << Where() << ": tarnctl dump lacks profile " << quoted << " in " << dump.substr(0, 400);
            }
            for (int32_t i = 0; i < mouse.GetProfileCount(); ++i) {
                CMouseProfile* held = mouse.ProfileAt(i);
                CMouseProfile* shown = m_config.FindById(held->GetId());
                ASSERT_NE(shown, nullptr) << Where();
                EXPECT_EQ(Clicks(*shown), Clicks(*held)) << Where() << ": clicks of " << testing::PrintToString(held->GetName());
            }
            m_deletedProfiles.clear();
            m_deletedMacros.clear();
        }
        ASSERT_TRUE(IsWindow(m_hwnd)) << Where();
        ASSERT_NE(m_config.GetCurrentProfile(), nullptr) << Where();
        ReadCommitted();
    }

    // ---- the other programs' steps ------------------------------------------------

    void OtherProgram() {
        switch (Pick(5)) {
            case 0: {
                CVellConfig mouse;
                ASSERT_TRUE(ReadNow(mouse));
                const std::wstring file = m_files + L"p.vxp";
                const std::wstring name = mouse.ProfileAt(Pick(mouse.GetProfileCount()))->GetName();
                if (Tarnctl(L"export-profile \"" + name + L"\" \"" + file + L"\"") == 0) {
                    const int code = Tarnctl(L"import-profile \"" + file + L"\"");
                    EXPECT_TRUE(code == 0 || (code == 4 && mouse.GetProfileCount() == 5)) << Where() << ": " << code;
                }
                m_last = "tarnctl import-profile";
                break;
            }
            case 1: {
                // A folder of its own each time: a backup never replaces another.
                if (!m_backup.empty())
                    RemoveFolder(m_backup);
                m_backup = m_files + Fresh(L"backup") + L"\\";
                std::string said;
                EXPECT_EQ(0, Tarnctl(L"backup \"" + m_backup.substr(0, m_backup.size() - 1) + L"\"", &said))
                    << Where() << ": " << said;
                m_last = "tarnctl backup";
                break;
            }
            case 2:
                if (!m_backup.empty()) {
                    std::string said;
                    EXPECT_EQ(0, Tarnctl(L"restore \"" + m_backup.substr(0, m_backup.size() - 1) + L"\"", &said))
                        << Where() << ": " << said;
                    m_last = "tarnctl restore";
                    // A restore replaces the mouse: that is its user's deletion.
                    ReadCommitted();
                    return;
                }
                break;
            case 3: {
                // The state file held by another process for a moment: the
                // mouse is busy, nothing is lost.
                win::UniqueFile held(CreateFileW(m_state.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
                const int code = Tarnctl(L"dump");
                EXPECT_NE(0, code) << Where() << ": a locked state file is no mouse to read";
                m_last = "state file locked";
                break;
            }
            case 4:
                EXPECT_EQ(0, Tarnctl(L"dump")) << Where();
                m_last = "tarnctl dump";
                break;
        }
        CVellConfig mouse;
        ASSERT_TRUE(ReadNow(mouse)) << Where() << ": the state file loads";
        EXPECT_TRUE(HoldsAll(ProfileNames(mouse), m_profiles)) << Where();
        EXPECT_TRUE(HoldsAll(MacroNames(mouse), m_macros)) << Where();
        m_profiles = ProfileNames(mouse);
        m_macros = MacroNames(mouse);
    }

    void CheckClicks() {
        CVellConfig mouse;
        ASSERT_TRUE(ReadNow(mouse)) << Where();
        for (int32_t i = 0; i < mouse.GetProfileCount(); ++i)
            EXPECT_GE(Clicks(*mouse.ProfileAt(i)), 1) << Where() << ": profile " << i << " lost its click";
    }

    uint32_t m_seed = 0;
    int m_steps = 0;
    int m_step = 0;
    int m_counter = 0;
    std::string m_last = "start";
    std::mt19937 m_random;
    std::wstring m_files;
    std::wstring m_backup;  // the last backup's folder
    std::unique_ptr<ScriptedPopups> m_popups;
    Names m_profiles, m_macros;                // committed to the mouse
    Names m_deletedProfiles, m_deletedMacros;  // by the user here, since the last write
};

TEST_F(SharedModel, ProgramsSharingOneMouseNeverLoseWhatAnotherWrote) {
    for (m_step = 1; m_step <= m_steps && !HasFatalFailure(); ++m_step) {
        const int kind = Pick(10);
        if (kind < 5)
            WindowEdit();
        else if (kind < 8)
            WindowApply();
        else
            OtherProgram();
        if (getenv("TARN_MODEL_TRACE"))
            printf("%s\n", Where().c_str()), fflush(stdout);
        if (HasFailure())
            break;
        CheckClicks();
    }
}

}  // namespace
