// Macro display benchmark (mode "macro" of bench_listpanel): showing a macro
// of 10,000 events until painted, one scroll step until painted, and the
// recorder's cost per raw-input record, fed as WM_INPUT decodes them.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "macro/MacroDisplayItem.h"
#include "win/Gdi.h"
#include "win/Handles.h"

namespace {

win::UniqueBitmap Picture(int width, int height, COLORREF colour) {
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

MacroEvents MixedEvents(size_t count) {
    MacroEvents events;
    events.reserve(count);
    for (size_t i = 0; events.size() < count; ++i) {
        const uint16_t vk = static_cast<uint16_t>('A' + i % 26);
        const uint32_t key = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) | (static_cast<uint32_t>(vk) << 16);
        switch (i % 4) {
            case 0:
                events.push_back(MacroEvent{kMacroEventKey, key, 255});
                break;
            case 1:
                events.push_back(MacroEvent{kMacroEventDelay, 1234, 1234});
                break;
            case 2:
                events.push_back(MacroEvent{kMacroEventKey, key, 1});
                break;
            default:
                events.push_back(MacroEvent{kMacroEventButton, 1, i % 8 == 3 ? 255u : 1u});
                break;
        }
    }
    return events;
}

void Report(const char* what, std::vector<double> values, double goal) {
    std::sort(values.begin(), values.end());
    const double median = bench::Median(values);
    std::printf("%-34s median %.4f ms (min %.4f, max %.4f; goal <= %.1f ms) %s\n", what, median, values.front(),
                values.back(), goal, median <= goal ? "ok" : "OVER");
}

}  // namespace

int RunMacroDisplayBench() {
    HWND page = bench::MakeShownWindow(L"TarnMacroBenchPage", DefWindowProcW, nullptr);
    win::UniqueBitmap thumb = Picture(12, 20, RGB(60, 200, 60));
    win::UniqueBitmap cap = Picture(12, 4, RGB(128, 128, 128));
    win::UniqueBitmap spine = Picture(12, 8, RGB(48, 48, 48));
    std::vector<win::UniqueBitmap> rows;
    CMacroDisplayItem display;
    CMacroDisplayItem::Look look;
    look.background = RGB(11, 11, 11);
    look.selectedBackground = RGB(0, 200, 255);
    if (!display.CreateWindowFor(page, RECT{20, 20, 420, 440}, 206, nullptr, look,
                                 controls::ScrollBarPictures{thumb.get(), cap.get(), cap.get(), cap.get(), cap.get(),
                                                             spine.get()})) {
        std::fprintf(stderr, "bench: the macro display could not be made\n");
        return 1;
    }
    for (int image = 0; image < CMacroDisplayItem::kImageCount; ++image) {
        rows.push_back(Picture(28, 18, RGB(40 * image, 200 - 30 * image, 120)));
        display.SetImage(image, rows.back().get());
    }
    bench::Pump();
    const MacroEvents events = MixedEvents(10000);
    std::printf("macro display: %zu events, %d rows of %d px in view\n", events.size(), display.VisibleRows(),
                display.RowHeight());

    std::vector<double> show;
    for (int i = 0; i < 20; ++i) {
        display.Clear();
        UpdateWindow(display.Handle());
        const double t0 = bench::Now();
        display.Show(events);
        UpdateWindow(display.Handle());
        show.push_back(bench::Now() - t0);
    }
    Report("show 10,000 events until painted:", show, 50);

    std::vector<double> scroll;
    for (int i = 0; i < 200; ++i) {
        const double t0 = bench::Now();
        SendMessageW(display.Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
        UpdateWindow(display.Handle());
        UpdateWindow(display.ScrollBar()->Handle());
        scroll.push_back(bench::Now() - t0);
    }
    Report("one scroll step until painted:", scroll, 16);

    // Recording: key presses and releases and button clicks 30 ms apart on
    // the real clock, each as WM_INPUT hands it over; then the pending
    // paint and the view following the end.
    display.SetRecordButton(nullptr);
    if (!display.ToggleRecording()) {
        std::fprintf(stderr, "bench: recording could not start\n");
        return 1;
    }
    std::vector<double> perEvent;
    for (int i = 0; i < 10000; ++i) {
        RAWINPUT input = {};
        if (i % 4 == 3) {
            input.header.dwType = RIM_TYPEMOUSE;
            input.data.mouse.usButtonFlags = i % 8 == 3 ? RI_MOUSE_LEFT_BUTTON_DOWN : RI_MOUSE_LEFT_BUTTON_UP;
        } else {
            const uint16_t vk = static_cast<uint16_t>('A' + (i / 2) % 26);
            input.header.dwType = RIM_TYPEKEYBOARD;
            input.data.keyboard.VKey = vk;
            input.data.keyboard.MakeCode = static_cast<USHORT>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
            input.data.keyboard.Flags = i % 2 ? RI_KEY_BREAK : RI_KEY_MAKE;
        }
        const double t0 = bench::Now();
        display.OnRawInput(input);
        perEvent.push_back(bench::Now() - t0);
    }
    const double t0 = bench::Now();
    Sleep(CMacroDisplayItem::kFollowInterval + 5);
    bench::Pump();
    UpdateWindow(display.Handle());
    const double caughtUp = bench::Now() - t0 - (CMacroDisplayItem::kFollowInterval + 5);
    Report("recorder, per raw-input record:", perEvent, 0.2);
    std::printf("%-34s %.2f ms for %d rows recorded (top row %d)\n", "then following the end:", caughtUp,
                display.RowCount(), display.TopRow());
    display.ToggleRecording();
    DestroyWindow(page);
    return 0;
}
