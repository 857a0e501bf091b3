// Page-switch benchmark: the main window with all six pages, over the
// emulated mouse, switched from page to page RUNS times (every switch to a
// different page, each one painted before the clock stops). Prints the
// median, and the GDI objects and memory after the first and the last
// switch.
//
// Usage: bench_page [RUNS] [--module-dir DIR]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app_bench.h"

int wmain(int argc, wchar_t** argv) {
    const int runs = bench::RunsFrom(argc, argv, 1000);
    win::ComApartment com;
    bench::AppUnderTest app("bench_page");
    if (app.hwnd == nullptr)
        return 1;
    CVellAppDlg& window = *app.window;
    HWND hwnd = app.hwnd;

    static constexpr uint32_t kOrder[] = {kPageTopView,  kPageMacros,   kPageThumbGrid, kPageLighting,
                                          kPageProfiles, kPagePerformance};
    std::vector<double> times;
    times.reserve(static_cast<size_t>(runs));
    bench::Reading first;
    for (int i = 0; i < runs; ++i) {
        const double t0 = bench::Now();
        window.SwitchPage(kOrder[static_cast<size_t>(i) % std::size(kOrder)]);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        times.push_back(bench::Now() - t0);
        bench::Pump();
        if (i == 0)
            first = bench::Read();
    }
    const bench::Reading last = bench::Read();
    // For comparison: repainting the whole window without a switch.
    std::vector<double> repaints;
    for (int i = 0; i < std::min(runs, 200); ++i) {
        const double t0 = bench::Now();
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        repaints.push_back(bench::Now() - t0);
        bench::Pump();
    }
    std::printf("page switch with all six pages: median of %d %.2f ms (min %.2f, max %.2f); goal <= 16 ms\n", runs,
                bench::Median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()));
    std::printf("whole window repainted without a switch: median of %zu %.2f ms\n", repaints.size(),
                bench::Median(repaints));
    std::printf("after the first switch: GDI objects %d, private %.1f MiB\n", first.gdiObjects, first.privateMiB);
    std::printf("after the last switch:  GDI objects %d, private %.1f MiB\n", last.gdiObjects, last.privateMiB);
    return 0;
}
