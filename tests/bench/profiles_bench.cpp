// Profiles page benchmark: the main window over the emulated mouse, on the
// manage-profiles page.
//  - Filling the list with five profiles and repainting it, RUNS times.
//  - Create, rename, copy and delete, each through the page as the user
//    asks for it (the button, the list's in-place edit, the menu), popups
//    included: they are answered by messages the moment their modal loop
//    idles (WM_ENTERIDLE to the owner), so no person's time is counted.
// Prints the medians, and the GDI objects and memory before and after.
//
// Usage: bench_profiles [RUNS] [--module-dir DIR]
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/pages/ProfilesPage.h"
#include "app_bench.h"
#include "controls/XListCtrl.h"
#include "popups/VellNameEntryPopup.h"

namespace {

WNDPROC g_mainProc = nullptr;
std::wstring g_name;  // what the next name entry receives

// The main window's procedure, answering every popup it owns with OK.
LRESULT CALLBACK Answering(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX) {
        HWND popup = reinterpret_cast<HWND>(lParam);
        if (GetPropW(popup, L"TarnBenchAnswered") == nullptr) {
            SetPropW(popup, L"TarnBenchAnswered", reinterpret_cast<HANDLE>(1));
            if (auto* entry = dynamic_cast<CVellNameEntryPopup*>(win::WindowBase::FromHandle(popup)))
                SetWindowTextW(entry->EditWindow(), g_name.c_str());
            PostMessageW(popup, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        return 0;
    }
    return CallWindowProcW(g_mainProc, hwnd, message, wParam, lParam);
}

void Report(const char* what, const std::vector<double>& times, const char* goal) {
    std::printf("%-44s median of %zu %6.2f ms (min %.2f, max %.2f); goal %s\n", what, times.size(),
                bench::Median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), goal);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = bench::RunsFrom(argc, argv, 200);
    win::ComApartment com;
    bench::AppUnderTest app("bench_profiles");
    if (app.hwnd == nullptr)
        return 1;
    CVellAppDlg& window = *app.window;
    CVellConfig& config = app.config;
    CProfilesPage& page = *window.ProfilesPage();
    window.SwitchPage(kPageProfiles);
    auto* list = dynamic_cast<CXListCtrl*>(::FindItem(window.PageItems(3), ctl::LIST_PROFILELIST));
    if (list == nullptr) {
        std::fprintf(stderr, "bench_profiles: the page has no profile list\n");
        return 1;
    }
    g_mainProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(app.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Answering)));
    while (config.GetProfileCount() < 5)
        config.CreateProfile((L"Profile " + std::to_wstring(config.GetProfileCount() + 1)).c_str());
    page.Refresh();
    bench::Pump();
    const bench::Reading before = bench::Read();

    std::vector<double> fills;
    for (int i = 0; i < runs; ++i) {
        const double t0 = bench::Now();
        page.Refresh();
        RedrawWindow(list->Window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        fills.push_back(bench::Now() - t0);
        bench::Pump();
    }

    // One profile fewer, so that each round can create one.
    CMouseProfile* fifth = config.ProfileAt(4);
    config.Delete(fifth);
    page.Refresh();
    CGUIItem* newButton = ::FindItem(window.PageItems(3), ctl::BUTTON_NEWPROFILE);
    std::vector<double> creates, renames, copies, deletes;
    const int rounds = std::max(1, runs / 4);
    for (int i = 0; i < rounds; ++i) {
        g_name = L"Bench " + std::to_wstring(i);
        double t0 = bench::Now();
        SendMessageW(app.hwnd, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(newButton->Window()));
        creates.push_back(bench::Now() - t0);
        bench::Pump();

        // In place: the editor opened on the new row, a new text, Enter.
        const int32_t row = config.GetProfileCount() - 1;
        list->StartEdit(controls::LCITEM_PROFILENAME, row);
        SetWindowTextW(list->Editor().Handle(), (L"Renamed " + std::to_wstring(i)).c_str());
        t0 = bench::Now();
        list->FinishEdit(true);
        renames.push_back(bench::Now() - t0);
        bench::Pump();

        // Copying needs room: the renamed profile goes first (delete, confirmed).
        CMouseProfile* renamed = config.ProfileAt(row);
        t0 = bench::Now();
        page.DeleteProfile(renamed);
        deletes.push_back(bench::Now() - t0);
        bench::Pump();

        const ListNotify note{1, 0, L"$Copy"};
        t0 = bench::Now();
        SendMessageW(app.hwnd, WMU_LIST_MENUCHOICE, reinterpret_cast<WPARAM>(list->Window()),
                     reinterpret_cast<LPARAM>(&note));
        copies.push_back(bench::Now() - t0);
        bench::Pump();
        config.Delete(config.ProfileAt(config.GetProfileCount() - 1));
        page.Refresh();
        bench::Pump();
    }
    const bench::Reading after = bench::Read();

    Report("fill the list with five profiles, repainted", fills, "<= 5 ms");
    Report("create (name popup answered)", creates, "<= 20 ms");
    Report("rename in place", renames, "<= 20 ms");
    Report("copy (row menu)", copies, "<= 20 ms");
    Report("delete (confirmation answered)", deletes, "<= 20 ms");
    std::printf("before: GDI objects %d, private %.1f MiB\n", before.gdiObjects, before.privateMiB);
    std::printf("after:  GDI objects %d, private %.1f MiB\n", after.gdiObjects, after.privateMiB);
    SetWindowLongPtrW(app.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_mainProc));
    return 0;
}
