// Drop-down benchmark: an assign-page drop-down (fifteen entries, five rows
// with a skinned scroll bar) opened, painted, a row pressed and the list
// closed, many times over. Prints the medians of opening (until the list is
// on the screen, painted), of the choice (press to the box's 0x614, of which
// the list's 250 ms choice delay is part by design) and of the whole cycle,
// and the GDI object count and memory after the first and the last cycle.
//
// Usage: bench_listpanel [RUNS]   (default 200)
//        bench_listpanel macro    the macro display (macro_bench.cpp)
#include <windows.h>


#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "bench_support.h"
#include "controls/DropdownListItem.h"
#include "controls/ListPanelItem.h"
#include "popups/ListPanel.h"
#include "popups/ListPanelList.h"
#include "win/Gdi.h"
#include "win/Handles.h"

namespace {

constexpr int kChosenRow = 2;

// Pictures for the scroll bar, drawn here (the shipped skin names its own).
win::UniqueBitmap Solid(int width, int height, COLORREF colour) {
    win::UniqueBitmap bitmap(win::CreateBitmap32(width, height));
    win::UniqueDC dc(CreateCompatibleDC(nullptr));
    if (!bitmap || !dc)
        return bitmap;
    win::SelectGuard select(dc.get(), bitmap.get());
    win::UniqueBrush brush(CreateSolidBrush(colour));
    RECT all = {0, 0, width, height};
    FillRect(dc.get(), &all, brush.get());
    return bitmap;
}

// The page: it owns the box, hears its notifications, and, when the list's
// modal loop first falls idle with the list shown, paints it and presses a
// row the way the mouse does.
class Page {
public:
    double opened = 0;
    double pressed = 0;
    double chosen = 0;
    int choices = 0;

    Page() { m_hwnd = bench::MakeShownWindow(L"TarnListPanelBenchPage", Proc, this); }
    ~Page() { DestroyWindow(m_hwnd); }
    HWND Handle() const { return m_hwnd; }
    void Arm() { m_pressSent = false; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Page*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self != nullptr && message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && !self->m_pressSent) {
            CListPanel* panel = CListPanel::Innermost();
            if (panel != nullptr && panel->List() != nullptr && IsWindowVisible(panel->Handle())) {
                RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                self->opened = bench::Now();
                const RECT row = panel->List()->RowRect(kChosenRow);
                const LPARAM at = MAKELPARAM((row.left + row.right) / 2, (row.top + row.bottom) / 2);
                PostMessageW(panel->List()->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
                PostMessageW(panel->List()->Handle(), WM_LBUTTONUP, 0, at);
                self->pressed = bench::Now();
                self->m_pressSent = true;
            }
            return 0;
        }
        if (self != nullptr && message == CDropdownListItem::kChosenMessage) {
            self->chosen = bench::Now();
            ++self->choices;
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND m_hwnd = nullptr;
    bool m_pressSent = false;
};

}  // namespace

int RunMacroDisplayBench();

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && wcscmp(argv[1], L"macro") == 0)
        return RunMacroDisplayBench();
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 200;
    popups::InstallListPanel();

    win::UniqueBitmap thumb = Solid(12, 20, RGB(60, 200, 60));
    win::UniqueBitmap cap = Solid(12, 4, RGB(128, 128, 128));
    win::UniqueBitmap arrow = Solid(12, 12, RGB(192, 192, 192));
    win::UniqueBitmap spine = Solid(12, 8, RGB(48, 48, 48));
    CDropdownListItem::Look look;
    look.list.scrollBar = controls::ScrollBarPictures{thumb.get(), cap.get(),   cap.get(),
                                                      arrow.get(), arrow.get(), spine.get()};
    look.list.background = RGB(0, 0, 0);
    look.list.hotBackground = RGB(80, 80, 80);

    Page page;
    CDropdownListItem box;
    if (!box.CreateWindowFor(page.Handle(), RECT{40, 40, 240, 62}, 12, &page, look)) {
        std::fprintf(stderr, "bench_listpanel: the drop-down could not be made\n");
        return 1;
    }
    for (const wchar_t* text :
         {L"$click", L"$menu", L"$universalscrolling", L"$Double-Click", L"$macro", L"$SensitivityStageUp",
          L"$SensitivityStageDown", L"$Forward", L"$Backward", L"$on-the-flysensitivity", L"$SingleKey",
          L"$profile", L"$scrollup", L"$scrolldown", L"$buttonoff"})
        box.AddEntry(text);
    UpdateWindow(page.Handle());

    std::printf("drop-down open, choose, close: %d cycles, %d entries, %d rows shown\n", runs, box.EntryCount(),
                (box.ListHeight() - look.list.borderWidth) / controls::kListRowHeight);
    std::vector<double> open, choose, cycle;
    bench::Reading first;
    int wrong = 0;
    for (int i = 0; i < runs; ++i) {
        page.Arm();
        const double t0 = bench::Now();
        const int result = box.Open();
        const double t1 = bench::Now();
        if (result != kChosenRow)
            ++wrong;
        open.push_back(page.opened - t0);
        choose.push_back(page.chosen - page.pressed);
        cycle.push_back(t1 - t0);
        if (i == 0)
            first = bench::Read();
    }
    const bench::Reading last = bench::Read();
    std::printf("open until painted:       median %.2f ms (min %.2f, max %.2f)\n", bench::Median(open),
                *std::min_element(open.begin(), open.end()), *std::max_element(open.begin(), open.end()));
    std::printf("press until 0x614:        median %.2f ms (of which %u ms is the choice delay)\n",
                bench::Median(choose), CListPanelList::kChoiceDelay);
    std::printf("whole cycle:              median %.2f ms (min %.2f, max %.2f)\n", bench::Median(cycle),
                *std::min_element(cycle.begin(), cycle.end()), *std::max_element(cycle.begin(), cycle.end()));
    std::printf("after the first cycle:    GDI objects %d, private %.1f MiB\n", first.gdiObjects, first.privateMiB);
    std::printf("after the last cycle:     GDI objects %d, private %.1f MiB\n", last.gdiObjects, last.privateMiB);
    if (wrong != 0 || page.choices != runs)
        std::printf("%d cycles did not choose row %d (%d choices reported)\n", wrong, kChosenRow, page.choices);
    return wrong == 0 ? 0 : 1;
}
