// What the benchmark programs share: a millisecond clock, the median, the
// process's GDI objects and memory, and running the pending messages.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <vector>

#include "win/Gdi.h"

namespace bench {

// Milliseconds from the performance counter.
inline double Now() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// The middle value (the mean of the middle two for an even count); 0 for none.
inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// GDI objects and memory of this process at one moment.
struct Reading {
    int gdiObjects = -1;
    double privateMiB = 0;
    double workingSetMiB = 0;
};

inline Reading Read() {
    Reading r;
    r.gdiObjects = win::GdiObjectCount();
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory)) {
        // Wine leaves PrivateUsage 0; the commit charge is the same figure.
        const SIZE_T privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
        r.privateMiB = double(privateBytes) / (1024.0 * 1024.0);
        r.workingSetMiB = double(memory.WorkingSetSize) / (1024.0 * 1024.0);
    }
    return r;
}

// A shown 640 x 480 top-level window of its own class, with `self` in its
// user data, for a benchmark's window procedure to find its object.
inline HWND MakeShownWindow(const wchar_t* className, WNDPROC proc, void* self) {
    WNDCLASSW cls = {};
    cls.lpfnWndProc = proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = className;
    RegisterClassW(&cls);
    HWND hwnd = CreateWindowExW(0, className, L"", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, cls.hInstance,
                                nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    return hwnd;
}

// Runs every message waiting for this thread.
inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace bench
