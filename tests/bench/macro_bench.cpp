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

    // From the top (a shown macro opens at its end), one line at a time.
    display.ScrollTo(0);
    UpdateWindow(display.Handle());
    std::vector<double> scroll;
    for (int i = 0; i < 200; ++i) {
        const double t0 = bench::Now();
        SendMessageW(display.Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
        UpdateWindow(display.Handle());
        UpdateWindow(display.ScrollBar()->Handle());
        scroll.push_back(bench::Now() - t0);
    }
    Report("one scroll step until painted:", scroll, 16);
    if (display.TopRow() != 200)
        std::printf("the steps moved the view to row %d, not 200\n", display.TopRow());

    // Recording: key presses and releases and button clicks, each as
    // WM_INPUT hands it over (delays ignored, so that every record is
    // appended: with delays 10,000 records pass the macro's limit); then the
    // pending paint and the view following the end.
    display.SetRecordButton(nullptr);
    display.SetIgnoreDelays(true);
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

    // A storm of real input: 16,000 key events through SendInput and WM_INPUT
    // while recording; until the window answers again once the queue is
    // drained.
    SetForegroundWindow(page);
    SetFocus(display.Handle());
    bench::Pump();
    if (display.ToggleRecording()) {
        std::vector<INPUT> storm(16000);
        for (size_t i = 0; i < storm.size(); ++i) {
            const WORD vk = static_cast<WORD>('A' + (i / 2) % 26);
            storm[i].type = INPUT_KEYBOARD;
            storm[i].ki.wVk = vk;
            storm[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
            storm[i].ki.dwFlags = i % 2 ? KEYEVENTF_KEYUP : 0;
        }
        const double s0 = bench::Now();
        const UINT sent = SendInput(static_cast<UINT>(storm.size()), storm.data(), sizeof(INPUT));
        const double s1 = bench::Now();
        int quiet = 0;
        int lastTop = display.TopRow();
        int viewUpdates = 0;
        while (quiet < 3 && bench::Now() - s1 < 60000) {
            MSG msg;
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
                quiet = 0;
                if (display.TopRow() != lastTop) {
                    lastTop = display.TopRow();
                    ++viewUpdates;
                }
            } else {
                ++quiet;
                Sleep(CMacroDisplayItem::kFollowInterval + 5);
            }
        }
        DWORD_PTR answer = 0;
        const double a0 = bench::Now();
        SendMessageTimeoutW(display.Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer);
        const double answered = bench::Now() - a0;
        std::printf("%-34s %u sent in %.1f ms, %d rows recorded, drained after %.1f ms (the view moved %d times\n"
                    "%-34s on the way); then answers in %.3f ms\n",
                    "storm of real key events:", sent, s1 - s0, display.RowCount(), bench::Now() - s1, viewUpdates,
                    "", answered);
        display.ToggleRecording();
    }
    DestroyWindow(page);
    return 0;
}
