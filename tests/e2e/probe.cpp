// A small Windows-side helper for end-to-end tests and benchmarks: it looks
// at top-level windows from inside the Wine session (inside a virtual desktop
// they are not X windows) and prints what it finds.
//
//   probe wait CLASS MS        exit 0 once a visible window of CLASS exists
//   probe count CLASS          print the number of visible windows of CLASS
//   probe foreground           print the class of the foreground window
//   probe hold SECONDS         show a window of class TarnProbeHold in front
//   probe minimize CLASS       minimise the first window of CLASS
//   probe iconic CLASS         print 1 when that window is minimised, else 0
//   probe close CLASS MS       ask every window of CLASS to close, wait for it
//   probe launch EXE CLASS N   start EXE N times, print ms until its window shows
//                              and until it has painted (the window property
//                              "TarnFirstPaint" holds the counter then)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
    const wchar_t* cls;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<Search*>(lp);
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    if (wcscmp(name, search->cls) == 0 && IsWindowVisible(hwnd))
        search->found.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> Windows(const wchar_t* cls) {
    Search search{cls, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitFor(const wchar_t* cls, DWORD ms) {
    DWORD start = GetTickCount();
    while (Windows(cls).empty()) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(1);
    }
    return true;
}

int Hold(int seconds) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TarnProbeHold";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300,
                                200, nullptr, nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(hwnd);
    DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    MSG msg;
    while (GetTickCount() < end) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    DestroyWindow(hwnd);
    return 0;
}

int Launch(const wchar_t* exe, const wchar_t* cls, int runs) {
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    std::vector<double> times;
    std::vector<double> paints;
    for (int i = 0; i < runs; ++i) {
        std::wstring cmd = L"\"" + std::wstring(exe) + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            fwprintf(stderr, L"cannot start %ls\n", exe);
            return 1;
        }
        bool shown = WaitFor(cls, 20000);
        QueryPerformanceCounter(&t1);
        if (!shown) {
            TerminateProcess(pi.hProcess, 1);
            fwprintf(stderr, L"no window of %ls\n", cls);
            return 1;
        }
        times.push_back(double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart));
        LONGLONG painted = 0;
        for (DWORD waited = 0; painted == 0 && waited < 20000; waited += 1) {
            for (HWND hwnd : Windows(cls))
                painted = reinterpret_cast<LONGLONG>(GetPropW(hwnd, L"TarnFirstPaint"));
            if (painted == 0)
                Sleep(1);
        }
        if (painted != 0)
            paints.push_back(double(painted - t0.QuadPart) * 1000.0 / double(freq.QuadPart));
        for (HWND hwnd : Windows(cls))
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        if (painted != 0)
            wprintf(L"run %d: shown %.1f ms, first paint %.1f ms\n", i + 1, times.back(), paints.back());
        else
            wprintf(L"run %d: shown %.1f ms, first paint not seen\n", i + 1, times.back());
    }
    auto report = [](const wchar_t* what, std::vector<double> values) {
        if (values.empty())
            return;
        std::sort(values.begin(), values.end());
        const size_t n = values.size();
        const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
        wprintf(L"%ls: median of %d: %.1f ms (min %.1f, max %.1f)\n", what, static_cast<int>(n), median,
                values.front(), values.back());
    };
    report(L"window shown", times);
    report(L"first paint", paints);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    std::wstring cmd = argv[1];
    if (cmd == L"wait" && argc == 4)
        return WaitFor(argv[2], static_cast<DWORD>(_wtoi(argv[3]))) ? 0 : 1;
    if (cmd == L"count" && argc == 3) {
        wprintf(L"%d\n", static_cast<int>(Windows(argv[2]).size()));
        return 0;
    }
    if (cmd == L"foreground") {
        wchar_t name[256] = L"(none)";
        if (HWND fg = GetForegroundWindow())
            GetClassNameW(fg, name, 256);
        wprintf(L"%ls\n", name);
        return 0;
    }
    if (cmd == L"hold" && argc == 3)
        return Hold(_wtoi(argv[2]));
    if ((cmd == L"minimize" || cmd == L"iconic") && argc == 3) {
        auto found = Windows(argv[2]);
        if (found.empty())
            return 1;
        if (cmd == L"minimize")
            ShowWindow(found.front(), SW_MINIMIZE);
        else
            wprintf(L"%d\n", IsIconic(found.front()) ? 1 : 0);
        return 0;
    }
    if (cmd == L"close" && argc == 4) {
        for (HWND hwnd : Windows(argv[2]))
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        DWORD start = GetTickCount();
        while (!Windows(argv[2]).empty()) {
            if (GetTickCount() - start > static_cast<DWORD>(_wtoi(argv[3])))
                return 1;
            Sleep(10);
        }
        return 0;
    }
    if (cmd == L"launch" && argc == 5)
        return Launch(argv[2], argv[3], _wtoi(argv[4]));
    return 2;
}
