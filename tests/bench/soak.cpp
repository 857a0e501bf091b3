// Soak: the real main window over the emulated mouse for a long session.
// Page switches (each painted), popups (opened through the pages, painted,
// answered), then Apply cycles, each after a change to the configuration,
// with the mouse failing calls now and then (TARN_DEVICE_FAULT; one call in
// 50 at random by default). Each write is followed to its end; a failed write must
// show the failure popup, which is answered; a successful one must have put
// exactly the configuration on the mouse (read back by a second device link).
// At the end, with the faults off, the mouse must hold the last successful
// write. GDI objects, user objects, windows, handles and memory are printed
// at the start and after each phase, and must stay flat.
//
// A watchdog ends the process when nothing moves for a while (a hang), and
// an unhandled exception is reported before the process ends (a crash).
//
// Usage: bench_soak [SCALE] [--module-dir DIR] [--fault FAULTS] [--stall-seconds S] [--verbose]
//   SCALE    1 = 10,000 page switches, 1,000 popups, 500 Apply cycles (default);
//            0.1 a tenth of each, and so on (at least one of each)
//   --fault  TARN_DEVICE_FAULT during the Apply cycles (default *~50)
//   --verbose  each Apply cycle's outcome
// The caller sets TARN_DEVICE_STATE to a state file of the soak's own.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/pages/PerformancePage.h"
#include "app/pages/ProfilesPage.h"
#include "app_bench.h"
#include "controls/BitmapBtn.h"
#include "device/Records.h"
#include "macro/Macro.h"
#include "model/MouseProfile.h"
#include "popups/PopupBox.h"
#include "skin/ControlIds.h"

namespace {

constexpr int kPerformanceIndex = 2;
constexpr int kLightingIndex = 5;
constexpr uint16_t kProduct = 21;
constexpr wchar_t kFailurePopup[] = L"NoMousePopup.xml";

// ---- hang and crash guards ------------------------------------------------------

std::atomic<long> g_progress{0};
std::atomic<const char*> g_phase{"start-up"};
std::atomic<long> g_step{0};
DWORD g_stallSeconds = 180;

void Progress(const char* phase, long step) {
    g_phase = phase;
    g_step = step;
    ++g_progress;
}

DWORD WINAPI Watchdog(void*) {
    long seen = g_progress.load();
    DWORD still = 0;
    for (;;) {
        Sleep(1000);
        const long now = g_progress.load();
        still = now == seen ? still + 1 : 0;
        seen = now;
        if (still >= g_stallSeconds) {
            std::printf("FAIL: hang: no progress for %lu s in phase %s at step %ld\n",
                        static_cast<unsigned long>(still), g_phase.load(), g_step.load());
            std::fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
    std::printf("FAIL: crash: exception 0x%08lX at %p in phase %s at step %ld\n",
                static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                info->ExceptionRecord->ExceptionAddress, g_phase.load(), g_step.load());
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 4);
    return EXCEPTION_EXECUTE_HANDLER;
}

// ---- figures --------------------------------------------------------------------

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(hwnd, CountChild, count);
    return TRUE;
}

struct Figures {
    bench::Reading memory;
    int userObjects = 0;
    int windows = 0;
    int handles = 0;
};

Figures Measure() {
    bench::Pump();
    Figures f;
    f.memory = bench::Read();
    f.userObjects = static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&f.windows));
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles))
        f.handles = static_cast<int>(handles);
    return f;
}

void PrintFigures(const char* when, const Figures& f) {
    std::printf("  %-24s GDI objects %5d  user objects %5d  windows %4d  handles %5d  private %7.1f MiB"
                "  working set %7.1f MiB\n",
                when, f.memory.gdiObjects, f.userObjects, f.windows, f.handles, f.memory.privateMiB,
                f.memory.workingSetMiB);
    std::fflush(stdout);
}

// ---- the configuration as text, from its getters --------------------------------------

std::wstring GuidText(const GUID& id) {
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return text;
}

// Assignments by identity and by name mean the same target: both are shown
// by the target's name, as the configuration and the mouse may hold either.
std::wstring AssignmentText(CVellConfig& config, const Assignment& a) {
    std::wostringstream out;
    switch (a.code) {
        case kFunctionMacroById: {
            const CMacro* macro = config.FindMacroById(AssignmentId(a));
            out << L"macro:" << (macro != nullptr ? macro->Name() : L"<unknown>");
            return out.str();
        }
        case kFunctionMacroByName:
            return L"macro:" + AssignmentName(a);
        case kFunctionProfileById: {
            const CMouseProfile* profile = config.FindById(AssignmentId(a));
            return L"profile:" + (profile != nullptr ? profile->GetName() : std::wstring(L"<unknown>"));
        }
        case kFunctionProfileByName:
            return L"profile:" + AssignmentName(a);
        case kFunctionSingleKey: {
            // The mouse keeps the scan code and the modifiers; the virtual
            // key only where one scan code stands for two keys.
            uint16_t scan = 0, virtualKey = 0;
            std::memcpy(&scan, a.data, sizeof scan);
            std::memcpy(&virtualKey, a.data + 2, sizeof virtualKey);
            out << L"key scan " << scan << L" modifiers " << a.data[4];
            if (scan == records::kScanNumLockPause)
                out << L" virtual key " << virtualKey;
            return out.str();
        }
        default:
            break;
    }
    out << a.code;
    size_t used = sizeof a.data;
    while (used > 0 && a.data[used - 1] == 0)
        --used;
    if (used > 0) {
        out << L" data";
        wchar_t hex[4];
        for (size_t i = 0; i < used; ++i) {
            swprintf(hex, 4, L"%02x", a.data[i]);
            out << hex;
        }
    }
    return out.str();
}

// The button ids of the mouse, from its capabilities.
std::vector<int32_t> g_buttons;

// One line per setting, in the order the configuration holds them. Every
// button of the mouse is listed: one the profile has no entry for acts as a
// click, and is written so.
std::wstring Describe(CVellConfig& config) {
    std::wostringstream out;
    out << L"polling choice " << config.GetPollingRateChoice() << L"\n";
    out << L"acceleration " << config.GetAccelerationEnabled() << L" level " << config.GetAccelerationLevel()
        << L"\n";
    out << L"profiles " << config.GetProfileCount() << L"\n";
    for (int32_t i = 0; i < config.GetProfileCount(); ++i) {
        CMouseProfile& p = *config.ProfileAt(i);
        const std::wstring at = L"profile " + std::to_wstring(i) + L" ";
        out << at << L"name " << p.GetName() << L" id " << GuidText(p.GetId())
            << (config.GetCurrentProfile() == &p ? L" current" : L"") << L"\n";
        out << at << L"program " << p.GetProgramPath() << L" autoswitch " << p.GetAutoSwitch() << L"\n";
        out << at << L"osd dpi " << p.GetDpiOsd() << L" profile " << p.GetProfileOsd() << L" thumb keys "
            << p.GetThumbKeysEnabled() << L"\n";
        out << at << L"lights scroll " << p.GetScrollLight() << L" glow " << p.GetUnderGlowLight() << L"\n";
        // Sensitivities as the mouse takes them: an X and Y pair, both the
        // value unless the axes are apart; the stages in use.
        const bool apart = p.GetSeparateXY();
        out << at << L"sensitivity x " << (apart ? p.GetSensitivityX() : p.GetSensitivity()) << L" y "
            << (apart ? p.GetSensitivityY() : p.GetSensitivity()) << L"\n";
        const int32_t inUse = std::clamp(p.GetStagesInUse(), 1, std::max(p.GetStageCount(), 1));
        out << at << L"stages " << p.GetStageCount() << L" in use " << inUse << L" active " << p.GetActiveStage()
            << L"\n";
        for (int32_t s = 1; s <= std::min(inUse, p.GetStageCount()); ++s) {
            const bool stageApart = p.GetStageFlag(s);
            out << at << L"stage " << s << L" x " << (stageApart ? p.GetStageX(s) : p.GetStageValue(s)) << L" y "
                << (stageApart ? p.GetStageY(s) : p.GetStageValue(s)) << L"\n";
        }
        for (int32_t button : g_buttons) {
            const auto entry = p.ButtonAssignments().find(button);
            const Assignment assignment =
                entry != p.ButtonAssignments().end() ? entry->second : MakeAssignment(kFunctionClick);
            out << at << L"button " << button << L" " << AssignmentText(config, assignment) << L"\n";
        }
        for (int32_t key : p.KeyOrder())
            out << at << L"key " << key << L" " << AssignmentText(config, p.GetKeyAssignment(key)) << L"\n";
    }
    out << L"macros " << config.GetMacroCount() << L"\n";
    for (int32_t i = 0; i < config.GetMacroCount(); ++i) {
        const CMacro& m = *config.MacroAt(i);
        out << L"macro " << i << L" name " << m.Name() << L" id " << GuidText(m.Id()) << L" events "
            << m.Events().size() << L":";
        // As the mouse keeps them: keys by scan code and state, delays by
        // their length.
        for (const MacroEvent& e : m.Events()) {
            if (e.kind == kMacroEventDelay)
                out << L" delay " << e.code;
            else
                out << L" " << e.kind << L"/" << (e.kind == kMacroEventKey ? e.code & 0xFFFF : e.code) << L"/" << e.state;
        }
        out << L"\n";
    }
    return out.str();
}

// Keeps both sides of the first difference found beside the state file
// (`<state>.expected.txt` and `<state>.mouse.txt`), for a closer look.
void KeepFirstDifference(const std::wstring& expected, const std::wstring& actual) {
    static bool kept = false;
    wchar_t state[MAX_PATH] = {};
    if (kept || GetEnvironmentVariableW(L"TARN_DEVICE_STATE", state, MAX_PATH) == 0)
        return;
    kept = true;
    for (const auto& [suffix, text] : {std::pair{L".expected.txt", &expected}, std::pair{L".mouse.txt", &actual}}) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, text->c_str(), static_cast<int>(text->size()), nullptr, 0,
                                              nullptr, nullptr);
        std::string utf8(static_cast<size_t>(std::max(bytes, 0)), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text->c_str(), static_cast<int>(text->size()), utf8.data(), bytes, nullptr,
                            nullptr);
        if (FILE* f = _wfopen((std::wstring(state) + suffix).c_str(), L"wb")) {
            std::fwrite(utf8.data(), 1, utf8.size(), f);
            std::fclose(f);
        }
    }
    std::printf("  (both sides kept in %ls.expected.txt and .mouse.txt)\n", state);
}

// The first line where two descriptions differ, both sides.
std::wstring FirstDifference(const std::wstring& expected, const std::wstring& actual) {
    std::wistringstream a(expected), b(actual);
    std::wstring la, lb;
    for (;;) {
        const bool moreA = static_cast<bool>(std::getline(a, la));
        const bool moreB = static_cast<bool>(std::getline(b, lb));
        if (!moreA && !moreB)
            return L"";
        if (!moreA)
            la = L"<end>";
        if (!moreB)
            lb = L"<end>";
        if (la != lb) {
            KeepFirstDifference(expected, actual);
            return L"expected \"" + la + L"\", the mouse has \"" + lb + L"\"";
        }
    }
}

// The mouse's whole state read by a second device link; `tries` reads,
// since with faults on a read may fail (and must say so).
bool ReadMouse(std::wstring& description, int tries) {
    for (int i = 0; i < tries; ++i) {
        CVellConfig config;
        CMouse mouse;
        const uint16_t product = kProduct;
        if (mouse.Initialize(&config, &product) && mouse.Synchronize(&config, SyncDirection::Read, kSectionsAll)) {
            description = Describe(config);
            return true;
        }
    }
    return false;
}

// ---- the main window watched: write results and popups -------------------------------

// Watches the main window's messages (its procedure is wrapped): counts the
// write results the device link posts, and answers each popup that opens
// over the window once it is idle: paints it, then clicks OK or Cancel as
// the popup's skin asks.
class Observer {
public:
    explicit Observer(HWND main) : m_main(main) {
        s_self = this;
        s_previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Observer::Proc)));
    }
    ~Observer() {
        s_self = nullptr;
        if (s_previous != nullptr && IsWindow(m_main))
            SetWindowLongPtrW(m_main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_previous));
    }
    Observer(const Observer&) = delete;
    Observer& operator=(const Observer&) = delete;

    bool Watching() const { return s_previous != nullptr; }
    int Written() const { return m_written; }
    int Failed() const { return m_failed; }
    int Popups() const { return m_popups; }
    int PopupsOf(const std::wstring& skin) const {
        auto it = m_seen.find(skin);
        return it == m_seen.end() ? 0 : it->second;
    }
    const std::map<std::wstring, int>& Seen() const { return m_seen; }
    // The next stages popup is confirmed (else cancelled).
    void ConfirmStages(bool ok) { m_confirmStages = ok; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (Observer* self = s_self) {
            if (message == CVellAppDlg::kWriteDoneMessage)
                ++(wParam != 0 ? self->m_written : self->m_failed);
            else if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX)
                self->Answer(reinterpret_cast<HWND>(lParam));
        }
        return CallWindowProcW(s_previous, hwnd, message, wParam, lParam);
    }

    void Answer(HWND popup) {
        if (popup == nullptr || !IsWindowVisible(popup))
            return;
        // A mark on the window itself: a later popup may get the same
        // address or handle, never the mark.
        auto* panel = dynamic_cast<CGUIPanel*>(win::WindowBase::FromHandle(popup));
        if (panel == nullptr || GetPropW(popup, kAnsweredMark) != nullptr)
            return;
        SetPropW(popup, kAnsweredMark, reinterpret_cast<HANDLE>(1));
        RedrawWindow(popup, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        const std::wstring& skin = panel->SkinFile();
        ++m_seen[skin];
        ++m_popups;
        bool ok = true;
        if (skin == L"DPIStagesPopup.xml")
            ok = m_confirmStages;
        else if (skin == L"RestorePopup.xml")
            ok = false;
        else if (skin != kFailurePopup && skin != L"DisallowDeletePopup.xml" && skin != L"ConfirmDeletePopup.xml")
            ok = false;  // not one the soak opens: left as it was
        CGUIItem* button = panel->FindItem(ok ? CPopupBox::kOkButton : CPopupBox::kCancelButton);
        if (button != nullptr && button->Window() != nullptr && IsWindowVisible(button->Window())) {
            PostMessageW(button->Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
            PostMessageW(button->Window(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        } else {
            PostMessageW(popup, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
        }
    }

    static constexpr wchar_t kAnsweredMark[] = L"TarnSoakAnswered";
    static inline Observer* s_self = nullptr;
    static inline WNDPROC s_previous = nullptr;
    HWND m_main = nullptr;
    int m_written = 0;
    int m_failed = 0;
    int m_popups = 0;
    bool m_confirmStages = true;
    std::map<std::wstring, int> m_seen;
};

// A real click on a skinned button: press and release, then its command.
void Press(CGUIItem* item) {
    SendMessageW(item->Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageW(item->Window(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

// Runs messages until `done`, or false after `timeoutMs`.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        bench::Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

int Scaled(double scale, int full) {
    return std::max(1, static_cast<int>(std::lround(full * scale)));
}

struct Phase {
    const char* name;
    double seconds = 0;
    std::vector<double> steps;
    Figures warm;  // after the first tenth: caches filled
    Figures end;
};

void PrintPhase(const Phase& p) {
    std::printf("%s: %zu steps in %.1f s, median %.2f ms, max %.2f ms\n", p.name, p.steps.size(), p.seconds,
                bench::Median(p.steps), p.steps.empty() ? 0.0 : *std::max_element(p.steps.begin(), p.steps.end()));
    PrintFigures("after its first tenth:", p.warm);
    PrintFigures("at its end:", p.end);
}

// Whether a phase left its figures flat after its first tenth; the reason when not.
std::string Flatness(const Phase& p) {
    char reason[200] = {};
    const int gdi = p.end.memory.gdiObjects - p.warm.memory.gdiObjects;
    const int windows = p.end.windows - p.warm.windows;
    const int user = p.end.userObjects - p.warm.userObjects;
    const int handles = p.end.handles - p.warm.handles;
    const double memory = p.end.memory.privateMiB - p.warm.memory.privateMiB;
    if (gdi > 8)
        std::snprintf(reason, sizeof reason, "%s: GDI objects grew by %d", p.name, gdi);
    else if (windows > 0)
        std::snprintf(reason, sizeof reason, "%s: windows grew by %d", p.name, windows);
    else if (user > 8)
        std::snprintf(reason, sizeof reason, "%s: user objects grew by %d", p.name, user);
    else if (handles > 16)
        std::snprintf(reason, sizeof reason, "%s: handles grew by %d", p.name, handles);
    else if (memory > 4.0)
        std::snprintf(reason, sizeof reason, "%s: private memory grew by %.1f MiB", p.name, memory);
    return reason;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    double scale = 1.0;
    std::wstring fault = L"*~50";
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--module-dir" && i + 1 < argc)
            app::SetModuleDirectory(argv[++i]);
        else if (arg == L"--fault" && i + 1 < argc)
            fault = argv[++i];
        else if (arg == L"--verbose")
            verbose = true;
        else if (arg == L"--stall-seconds" && i + 1 < argc)
            g_stallSeconds = static_cast<DWORD>(std::max(10, _wtoi(argv[++i])));
        else
            scale = std::max(0.0, _wtof(argv[i]));
    }
    const int switches = Scaled(scale, 10000);
    const int popups = Scaled(scale, 1000);
    const int applies = Scaled(scale, 500);

    SetUnhandledExceptionFilter(OnCrash);
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
    win::ComApartment com;

    // A factory-fresh mouse in the caller's state file.
    wchar_t state[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TARN_DEVICE_STATE", state, MAX_PATH) == 0) {
        std::printf("FAIL: TARN_DEVICE_STATE is not set (the soak needs a state file of its own)\n");
        return 2;
    }
    // One connection under "fresh" (each one under it starts again, with new
    // identities); then the mouse as stored.
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", nullptr);
    SetEnvironmentVariableW(L"TARN_DEVICE_SCENARIO", L"fresh");
    {
        CVellConfig factoryConfig;
        CMouse factoryMouse;
        const uint16_t product = kProduct;
        factoryMouse.Initialize(&factoryConfig, &product);
    }
    SetEnvironmentVariableW(L"TARN_DEVICE_SCENARIO", nullptr);
    std::wstring factory;
    if (!ReadMouse(factory, 1)) {
        std::printf("FAIL: no emulated mouse (is the device service registered?)\n");
        return 2;
    }

    bench::AppUnderTest app("bench_soak");
    if (app.hwnd == nullptr) {
        std::printf("FAIL: the main window did not start\n");
        return 2;
    }
    CVellAppDlg& window = *app.window;
    CVellConfig& config = app.config;
    for (uint32_t bit : app.mouse.SupportedButtonBits()) {
        if (const int32_t index = records::ButtonIndexForBit(bit); index != 0)
            g_buttons.push_back(index);
    }
    Observer observer(app.hwnd);
    if (!observer.Watching() || config.GetCurrentProfile() == nullptr) {
        std::printf("FAIL: the main window could not be watched or read no profile\n");
        return 2;
    }
    std::vector<std::string> failures;
    auto fail = [&](std::string reason) {
        if (failures.size() < 20)
            std::printf("  failure: %s\n", reason.c_str());
        failures.push_back(std::move(reason));
    };

    std::printf("soak: %d page switches, %d popups, %d Apply cycles; faults \"%ls\"; watchdog %lu s\n", switches,
                popups, applies, fault.c_str(), static_cast<unsigned long>(g_stallSeconds));
    static constexpr uint32_t kOrder[] = {kPageTopView,  kPageMacros,   kPageThumbGrid, kPageLighting,
                                          kPageProfiles, kPagePerformance};
    // Every page shown once, so the start figures hold what every page keeps.
    for (uint32_t page : kOrder) {
        window.SwitchPage(page);
        RedrawWindow(app.hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        bench::Pump();
    }
    const Figures start = Measure();
    std::printf("figures:\n");
    PrintFigures("start:", start);

    // ---- page switches ----
    Phase pages{"page switches"};
    double t0 = bench::Now();
    for (int i = 0; i < switches; ++i) {
        Progress(pages.name, i);
        const double s0 = bench::Now();
        window.SwitchPage(kOrder[static_cast<size_t>(i) % std::size(kOrder)]);
        RedrawWindow(app.hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        pages.steps.push_back(bench::Now() - s0);
        bench::Pump();
        if (i == switches / 10)
            pages.warm = Measure();
    }
    pages.seconds = (bench::Now() - t0) / 1000.0;
    pages.end = Measure();

    // ---- popups ----
    // In turn: the stages popup from the performance page (confirmed and
    // cancelled in turn), the restore question from the lighting page
    // (cancelled), and the warning that the first profile cannot be deleted.
    Phase popupPhase{"popups"};
    CGUIItem* stagesButton = ::FindItem(window.PageItems(kPerformanceIndex), ctl::BUTTON_SENSITIVITY_STAGES);
    CGUIItem* resetButton = ::FindItem(window.PageItems(kLightingIndex), ctl::BUTTON_RESET);
    if (stagesButton == nullptr || resetButton == nullptr || window.ProfilesPage() == nullptr) {
        std::printf("FAIL: the stages or reset button or the profiles page is missing\n");
        return 1;
    }
    t0 = bench::Now();
    for (int i = 0; i < popups; ++i) {
        Progress(popupPhase.name, i);
        const int before = observer.Popups();
        const std::wstring configBefore = Describe(config);
        const double s0 = bench::Now();
        bool cancelled = false;
        switch (i % 3) {
            case 0:
                window.SwitchPage(kPagePerformance);
                cancelled = (i / 3) % 2 == 1;
                observer.ConfirmStages(!cancelled);
                Press(stagesButton);
                break;
            case 1:
                window.SwitchPage(kPageLighting);
                cancelled = true;
                Press(resetButton);
                break;
            default:
                window.SwitchPage(kPageProfiles);
                window.ProfilesPage()->DeleteProfile(config.ProfileAt(0));
                break;
        }
        popupPhase.steps.push_back(bench::Now() - s0);
        bench::Pump();
        if (observer.Popups() != before + 1) {
            fail("popup " + std::to_string(i) + ": " + std::to_string(observer.Popups() - before) +
                 " popups opened, not one");
        } else if (cancelled && Describe(config) != configBefore) {
            fail("popup " + std::to_string(i) + ": a cancelled popup changed the configuration");
        } else if (config.GetProfileCount() == 0) {
            fail("popup " + std::to_string(i) + ": the first profile was deleted");
        }
        if (i == popups / 10)
            popupPhase.warm = Measure();
    }
    popupPhase.seconds = (bench::Now() - t0) / 1000.0;
    popupPhase.end = Measure();
    const int popupsSeen = observer.Popups();

    // ---- Apply cycles with faults ----
    Phase applyPhase{"Apply cycles"};
    int32_t minimum = 0, maximum = 0, step = 0;
    if (!config.GetSensitivityRange(minimum, maximum, step) || step <= 0 || maximum <= minimum) {
        std::printf("FAIL: no sensitivity range\n");
        return 1;
    }
    const int32_t steps = (maximum - minimum) / step;
    // A macro for a thumb key, its events changed now and then.
    // A key event's code: the virtual key above the scan code.
    auto keyEvent = [](int letter, uint32_t keyState) {
        return MacroEvent{kMacroEventKey, static_cast<uint32_t>((('A' + letter) << 16) | (0x1E + letter)), keyState};
    };
    CMacro* macro = config.CreateMacro(L"Soak", MacroEvents{keyEvent(0, kMacroStatePress), keyEvent(0, kMacroStateRelease)});
    if (macro == nullptr) {
        std::printf("FAIL: the configuration refused a macro\n");
        return 1;
    }
    window.SwitchPage(kPageTopView);
    bench::Pump();
    static constexpr int32_t kCodes[] = {kFunctionBackward, kFunctionForward, kFunctionScrollUp,
                                         kFunctionScrollDown, kFunctionButtonOff, kFunctionMenu};
    std::wstring lastWritten;  // the configuration of the last successful write
    int written = 0, failed = 0, refused = 0, verified = 0, unreadable = 0, retries = 0;
    const int failurePopupsBefore = observer.PopupsOf(kFailurePopup);
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", fault.c_str());

    // One Apply followed to its end. True when it wrote.
    auto applyOnce = [&](int cycle) -> bool {
        const int doneBefore = observer.Written() + observer.Failed();
        const int writtenBefore = observer.Written();
        const int popupsBefore = observer.PopupsOf(kFailurePopup);
        const double s0 = bench::Now();
        const bool started = window.Apply();
        const bool ended = PumpUntil(
            [&] { return !window.WritePending() && (!started || observer.Written() + observer.Failed() > doneBefore); },
            60000);
        applyPhase.steps.push_back(bench::Now() - s0);
        const int popupsShown = observer.PopupsOf(kFailurePopup) - popupsBefore;
        if (!ended) {
            fail("cycle " + std::to_string(cycle) + ": the write did not end within 60 s");
            return false;
        }
        if (!started) {
            ++refused;
            if (popupsShown != 1)
                fail("cycle " + std::to_string(cycle) + ": a refused Apply showed " + std::to_string(popupsShown) +
                     " failure popups");
            return false;
        }
        const bool ok = observer.Written() > writtenBefore;
        if (ok != app.mouse.LastWriteSucceeded())
            fail("cycle " + std::to_string(cycle) + ": the window and the device link disagree on the write");
        if (ok) {
            ++written;
            if (popupsShown != 0)
                fail("cycle " + std::to_string(cycle) + ": a successful write showed a failure popup");
            lastWritten = Describe(config);
            // The mouse must hold exactly that now; the read goes through the
            // faults too, so a failed read is tried again.
            std::wstring onMouse;
            if (!ReadMouse(onMouse, 10)) {
                ++unreadable;
            } else {
                ++verified;
                const std::wstring difference = FirstDifference(lastWritten, onMouse);
                if (!difference.empty()) {
                    char text[600];
                    std::snprintf(text, sizeof text, "cycle %d: after a successful write %ls", cycle,
                                  difference.c_str());
                    fail(text);
                }
            }
        } else {
            ++failed;
            if (popupsShown != 1)
                fail("cycle " + std::to_string(cycle) + ": a failed write showed " + std::to_string(popupsShown) +
                     " failure popups, not one");
        }
        return ok;
    };

    t0 = bench::Now();
    bool lastOk = false;
    CMouseProfile* copy = nullptr;
    for (int i = 0; i < applies; ++i) {
        Progress(applyPhase.name, i);
        // A real change each time: sensitivity, lights, a button, a key, the
        // mouse-wide settings; now and then the macro's events; and a copy of
        // the current profile made and later deleted through the profiles page.
        const int32_t value = minimum + step * ((i * 7 + 3) % (steps + 1));
        const int32_t active = std::max(1, config.GetActiveStage());
        config.SetStageValue(active, value);
        config.SetSensitivity(value);
        config.SetScrollLight(i % 2 == 0);
        config.SetUnderGlowLight(i % 3 != 0);
        config.SetButtonAssignment(kButtonThumbFirst + i % 12, MakeAssignment(kCodes[i % std::size(kCodes)]));
        if (const int32_t keys = config.GetKeyAssignmentCount(); keys > 0) {
            Assignment assignment = MakeSingleKeyAssignment(static_cast<uint16_t>(0x3B + i % 10),
                                                            static_cast<uint16_t>(VK_F1 + i % 10), 0);
            if (i % 4 == 1) {
                assignment = MakeAssignment(kFunctionMacroByName);
                SetAssignmentName(assignment, L"Soak");
            }
            config.SetKeyAssignment(config.KeyIdAt(i % keys), assignment);
        }
        config.SetAccelerationEnabled(i % 4 != 0);
        config.SetAccelerationLevel(1 + i % 10);
        config.SetPollingRateChoice(i % 3);
        if (i % 5 == 2) {
            MacroEvents events;
            for (int e = 0; e <= i % 7; ++e) {
                events.push_back(keyEvent(e, kMacroStatePress));
                events.push_back({kMacroEventDelay, static_cast<uint32_t>(10 + i % 90), 0});
                events.push_back(keyEvent(e, kMacroStateRelease));
            }
            macro->Events() = events;
        }
        if (i % 50 == 10 && copy == nullptr) {
            window.SwitchPage(kPageProfiles);
            const int32_t count = config.GetProfileCount();
            window.ProfilesPage()->CopyProfile(config.GetCurrentProfile());
            if (config.GetProfileCount() == count + 1)
                copy = config.GetCurrentProfile();
            else
                fail("cycle " + std::to_string(i) + ": the profile was not copied");
        } else if (i % 50 == 35 && copy != nullptr) {
            window.SwitchPage(kPageProfiles);
            window.ProfilesPage()->DeleteProfile(copy);
            copy = nullptr;
        }
        lastOk = applyOnce(i);
        if (verbose)
            std::printf("  cycle %d: %s\n", i, lastOk ? "written" : "failed");
        if (i == applies / 10)
            applyPhase.warm = Measure();
    }
    // The edits of a failed last write are still in the window: Apply again,
    // as the failure popup asks, until one goes.
    while (!lastOk && retries < 20) {
        Progress("retries", retries);
        ++retries;
        lastOk = applyOnce(applies + retries);
    }
    applyPhase.seconds = (bench::Now() - t0) / 1000.0;
    SetEnvironmentVariableW(L"TARN_DEVICE_FAULT", nullptr);
    applyPhase.end = Measure();
    const int failurePopups = observer.PopupsOf(kFailurePopup) - failurePopupsBefore;

    // ---- the mouse at the end, faults off ----
    Progress("final read", 0);
    std::wstring finalMouse;
    const bool finalRead = ReadMouse(finalMouse, 1);
    const Figures end = Measure();

    std::printf("phases:\n");
    PrintPhase(pages);
    PrintPhase(popupPhase);
    PrintPhase(applyPhase);
    std::printf("figures:\n");
    PrintFigures("start:", start);
    PrintFigures("end:", end);
    std::printf("popups: %d answered in the popup phase (", popupsSeen);
    bool firstSkin = true;
    for (const auto& [skin, count] : observer.Seen()) {
        std::printf("%s%ls %d", firstSkin ? "" : ", ", skin.c_str(), count);
        firstSkin = false;
    }
    std::printf(" in all)\n");
    std::printf("writes: %d successful, %d failed, %d refused at once; %d failure popups answered; "
                "%d retries at the end; %d successful writes read back and compared (%d unreadable)\n",
                written, failed, refused, failurePopups, retries, verified, unreadable);

    if (written == 0)
        fail("no write succeeded");
    else if (!lastOk)
        fail("the last write still failed after 20 retries");
    if (!finalRead) {
        fail("the mouse could not be read at the end");
    } else if (const std::wstring difference = FirstDifference(lastWritten, finalMouse); !difference.empty()) {
        char text[600];
        std::snprintf(text, sizeof text, "at the end %ls", difference.c_str());
        fail(text);
    } else if (Describe(config) != lastWritten) {
        fail("the window's configuration changed after its last write");
    }
    for (const Phase* p : {&pages, &popupPhase, &applyPhase}) {
        if (const std::string reason = Flatness(*p); !reason.empty())
            fail(reason);
    }
    if (failures.empty()) {
        std::printf("PASS: no crash, no hang, figures flat, the mouse holds the last successful write\n");
        return 0;
    }
    const std::string more = failures.size() > 1 ? " (and " + std::to_string(failures.size() - 1) + " more)" : "";
    std::printf("FAIL: %s%s\n", failures.front().c_str(), more.c_str());
    return 1;
}
