// Page-switch benchmark: the main window with all six pages, over the
// emulated mouse, switched from page to page RUNS times (every switch to a
// different page, each one painted before the clock stops). Prints the
// median, and the GDI objects and memory after the first and the last
// switch. Then a sensitivity thumb dragged on the performance page: each
// move from the pointer message to the repainted value text, and a burst of
// moves posted faster than they are painted.
//
// Usage: bench_page [RUNS] [--module-dir DIR]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app_bench.h"
#include "controls/PHSlider.h"
#include "controls/SliderHMulti.h"
#include "controls/TextItem.h"

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
    std::vector<double> times, swaps, paints;
    times.reserve(static_cast<size_t>(runs));
    bench::Reading first;
    for (int i = 0; i < runs; ++i) {
        const double t0 = bench::Now();
        window.SwitchPage(kOrder[static_cast<size_t>(i) % std::size(kOrder)]);
        const double t1 = bench::Now();
        RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        const double t2 = bench::Now();
        times.push_back(t2 - t0);
        swaps.push_back(t1 - t0);
        paints.push_back(t2 - t1);
        bench::Pump();
        if (i == 0)
            first = bench::Read();
    }
    const bench::Reading last = bench::Read();
    // For comparison: repainting the whole window without a switch, on the
    // page the switches ended on, and on each of the six pages in turn.
    const auto repaint = [&](std::vector<double>& into, int count) {
        for (int i = 0; i < count; ++i) {
            const double t0 = bench::Now();
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            into.push_back(bench::Now() - t0);
            bench::Pump();
        }
    };
    std::vector<double> repaints, everyPage;
    repaint(repaints, std::min(runs, 200));
    for (const uint32_t page : kOrder) {
        window.SwitchPage(page);
        bench::Pump();
        RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        repaint(everyPage, std::max(1, std::min(runs, 200) / static_cast<int>(std::size(kOrder))));
    }
    // A drag of the both-axes thumb, one step (8 pixels) at a time, back and forth.
    window.SwitchPage(kPagePerformance);
    bench::Pump();
    auto* slider = dynamic_cast<CSliderHMulti*>(::FindItem(window.PageItems(2), ctl::SLIDER_DPI_MULTI));
    auto* value = dynamic_cast<CTextItem*>(::FindItem(window.PageItems(2), ctl::TEXT_DPIVALUE1));
    std::vector<double> moves;
    double burst = 0;
    std::wstring burstShown;
    if (slider != nullptr && slider->Thumb(0) != nullptr && value != nullptr) {
        HWND thumb = slider->Thumb(0)->Handle();
        RECT r = {};
        GetClientRect(thumb, &r);
        const LPARAM grip = MAKELPARAM(r.right / 2, r.bottom / 2);
        slider->Thumb(0)->SetValue(20);
        SendMessageW(thumb, WM_LBUTTONDOWN, MK_LBUTTON, grip);
        for (int i = 0; i < runs; ++i) {
            // The thumb moves with the pointer, so the grip point is the
            // same spot of the thumb again: 8 pixels right or left of it.
            const int dx = (i % 2 == 0) ? 8 : -8;
            const double t0 = bench::Now();
            SendMessageW(thumb, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(r.right / 2 + dx, r.bottom / 2));
            bench::Pump();  // the change reaches the page through the main window
            UpdateWindow(value->Window());
            moves.push_back(bench::Now() - t0);
        }
        // A hand faster than the screen: 200 moves queued before any is handled.
        const double t0 = bench::Now();
        for (int i = 0; i < 200; ++i)
            PostMessageW(thumb, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(r.right / 2 + ((i % 2 == 0) ? 8 : -8), r.bottom / 2));
        bench::Pump();
        UpdateWindow(value->Window());
        burst = bench::Now() - t0;
        burstShown = value->GetText();
        SendMessageW(thumb, WM_LBUTTONUP, 0, grip);
        bench::Pump();
    }
    const bench::Reading dragged = bench::Read();
    std::printf("page switch with all six pages: median of %d %.2f ms (min %.2f, max %.2f); goal <= 16 ms\n", runs,
                bench::Median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()));
    std::printf("  of it: hiding and showing the pages' items %.2f ms, painting what changed %.2f ms (medians)\n",
                bench::Median(swaps), bench::Median(paints));
    std::printf("whole window repainted without a switch: median of %zu %.2f ms; on each of the six pages: median "
                "of %zu %.2f ms\n",
                repaints.size(), bench::Median(repaints), everyPage.size(), bench::Median(everyPage));
    std::printf("switch against the whole-window repaint: %.2fx (%.2fx against the six pages' repaint)\n",
                bench::Median(times) / bench::Median(repaints), bench::Median(times) / bench::Median(everyPage));
    std::printf("after the first switch: GDI objects %d, private %.1f MiB\n", first.gdiObjects, first.privateMiB);
    std::printf("after the last switch:  GDI objects %d, private %.1f MiB\n", last.gdiObjects, last.privateMiB);
    if (moves.empty()) {
        std::printf("sensitivity thumb: not found on the performance page\n");
        return 1;
    }
    std::printf("sensitivity thumb dragged: move to repainted value, median of %zu %.2f ms (max %.2f); goal <= 8 ms\n",
                moves.size(), bench::Median(moves), *std::max_element(moves.begin(), moves.end()));
    std::printf("200 moves queued at once: all handled and the value (%ls) shown in %.2f ms\n", burstShown.c_str(),
                burst);
    std::printf("after the drags: GDI objects %d, private %.1f MiB\n", dragged.gdiObjects, dragged.privateMiB);
    return 0;
}
