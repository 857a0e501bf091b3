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
//   probe launch EXE CLASS N ARG   the same, with one argument for EXE
//   probe floor                a bare program: COM and one empty window, painted
//   probe rect CLASS           print "left top right bottom" of that window
//   probe fgrect               print the foreground window's class and rect
//   probe click X Y            a left click at the screen point (SendInput)
//   probe rclick X Y           a right click there
//   probe dblclick X Y         a double click there
//   probe drag X1 Y1 X2 Y2     press the left button at the first point, move to the second, release
//   probe buttonclick X Y      move there, then a left press and release without movement
//   probe type TEXT            type TEXT, any script, as Unicode key packets
//   probe key VK               press and release the virtual key (SendInput)
//   probe down VK / up VK      only press it, only release it
//   probe activate CLASS       bring that window to the foreground
//   probe exists CLASS MS      exit 0 once a window of CLASS exists, shown or hidden
//   probe title CLASS          print the title of the first window of CLASS, shown or hidden
//   probe post CLASS MSG WPARAM    post the message to the first window of CLASS, shown or hidden
//   probe flip CLASS1 CLASS2 N MS  bring the two windows to the front in turn, N times, MS apart
//   probe lock FILE MS         hold FILE open, shared with nobody, for MS
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
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

// The platform's floor for start-up: COM initialised and one empty window
// shown and painted, nothing else; it marks its first paint as the program
// does and ends when closed.
LRESULT CALLBACK FloorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        if (!GetPropW(hwnd, L"TarnFirstPaint")) {
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            SetPropW(hwnd, L"TarnFirstPaint", reinterpret_cast<HANDLE>(now.QuadPart));
        }
        return 0;
    }
    if (message == WM_DESTROY) {
        RemovePropW(hwnd, L"TarnFirstPaint");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int Floor() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TarnProbeFloor";
    RegisterClassW(&wc);
    CreateWindowExW(0, wc.lpszClassName, L"floor", WS_POPUP | WS_VISIBLE, 100, 100, 960, 620, nullptr, nullptr,
                    wc.hInstance, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    CoUninitialize();
    return 0;
}

int Launch(const wchar_t* exe, const wchar_t* cls, int runs, const wchar_t* argument) {
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    std::vector<double> times;
    std::vector<double> paints;
    for (int i = 0; i < runs; ++i) {
        std::wstring cmd = L"\"" + std::wstring(exe) + L"\"";
        if (argument != nullptr)
            cmd += std::wstring(L" ") + argument;
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
    if (cmd == L"launch" && (argc == 5 || argc == 6))
        return Launch(argv[2], argv[3], _wtoi(argv[4]), argc == 6 ? argv[5] : nullptr);
    if (cmd == L"floor")
        return Floor();
    if (cmd == L"rect" && argc == 3) {
        auto found = Windows(argv[2]);
        RECT r = {};
        if (found.empty() || !GetWindowRect(found.front(), &r))
            return 1;
        wprintf(L"%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return 0;
    }
    if (cmd == L"exists" && argc == 4) {
        const DWORD start = GetTickCount();
        while (!FindWindowW(argv[2], nullptr)) {
            if (GetTickCount() - start > static_cast<DWORD>(_wtoi(argv[3])))
                return 1;
            Sleep(20);
        }
        return 0;
    }
    if (cmd == L"title" && argc == 3) {
        HWND hwnd = FindWindowW(argv[2], nullptr);
        if (!hwnd)
            return 1;
        wchar_t title[512] = {};
        GetWindowTextW(hwnd, title, 512);
        // UTF-8, so that scripts compare any script
        char utf8[2048] = {};
        WideCharToMultiByte(CP_UTF8, 0, title, -1, utf8, sizeof utf8, nullptr, nullptr);
        fwrite(utf8, 1, strlen(utf8), stdout);
        fputs("\n", stdout);
        return 0;
    }
    if (cmd == L"post" && argc == 5) {
        HWND hwnd = FindWindowW(argv[2], nullptr);
        return hwnd && PostMessageW(hwnd, static_cast<UINT>(_wtoi(argv[3])), static_cast<WPARAM>(_wtoi(argv[4])), 0)
                   ? 0
                   : 1;
    }
    if (cmd == L"flip" && argc == 6) {
        auto first = Windows(argv[2]);
        auto second = Windows(argv[3]);
        if (first.empty() || second.empty())
            return 1;
        const int times = _wtoi(argv[4]);
        const DWORD gap = static_cast<DWORD>(_wtoi(argv[5]));
        for (int i = 0; i < times; ++i) {
            SetForegroundWindow(i % 2 == 0 ? first.front() : second.front());
            Sleep(gap);
        }
        return 0;
    }
    if (cmd == L"lock" && argc == 4) {
        HANDLE file = CreateFileW(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return 1;
        Sleep(static_cast<DWORD>(_wtoi(argv[3])));
        CloseHandle(file);
        return 0;
    }
    if (cmd == L"activate" && argc == 3) {
        // Xvfb has no window manager to give a newly shown window the
        // focus, as a desktop does.
        auto found = Windows(argv[2]);
        if (found.empty())
            return 1;
        SetForegroundWindow(found.front());
        for (int i = 0; i < 100 && GetForegroundWindow() != found.front(); ++i)
            Sleep(10);
        return GetForegroundWindow() == found.front() ? 0 : 1;
    }
    if (cmd == L"fgrect") {
        HWND fg = GetForegroundWindow();
        wchar_t name[256] = L"(none)";
        RECT r = {};
        if (fg) {
            GetClassNameW(fg, name, 256);
            GetWindowRect(fg, &r);
        }
        wprintf(L"%ls %ld %ld %ld %ld\n", name, r.left, r.top, r.right, r.bottom);
        return fg ? 0 : 1;
    }
    // clicks X Y [X Y ...]: left clicks one after another, 60 ms apart, from
    // one process (faster than a click per start).
    if (cmd == L"clicks" && argc >= 4 && argc % 2 == 0) {
        for (int i = 2; i + 1 < argc; i += 2) {
            wchar_t self[MAX_PATH] = {};
            GetModuleFileNameW(nullptr, self, MAX_PATH);
            wchar_t* one[] = {self, const_cast<wchar_t*>(L"click"), argv[i], argv[i + 1]};
            if (wmain(4, one) != 0)
                return 1;
            Sleep(60);
        }
        return 0;
    }
    if ((cmd == L"click" || cmd == L"rclick" || cmd == L"dblclick") && argc == 4) {
        // The move, press and release all carry the point: under Wine a
        // press sent right after SetCursorPos can still land where the
        // cursor was before.
        const int w = std::max(GetSystemMetrics(SM_CXSCREEN) - 1, 1);
        const int h = std::max(GetSystemMetrics(SM_CYSCREEN) - 1, 1);
        const LONG ax = MulDiv(_wtoi(argv[2]), 65535, w);
        const LONG ay = MulDiv(_wtoi(argv[3]), 65535, h);
        const bool right = cmd == L"rclick";
        INPUT in[3] = {};
        for (INPUT& one : in) {
            one.type = INPUT_MOUSE;
            one.mi.dx = ax;
            one.mi.dy = ay;
        }
        in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        in[1].mi.dwFlags = (right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN) | MOUSEEVENTF_MOVE |
                           MOUSEEVENTF_ABSOLUTE;
        in[2].mi.dwFlags = (right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP) | MOUSEEVENTF_MOVE |
                           MOUSEEVENTF_ABSOLUTE;
        // Press and release apart, as a finger makes them: sent in one call,
        // a program recording raw input under Wine was seen to get only the
        // release.
        auto press = [&] {
            if (SendInput(1, &in[1], sizeof(INPUT)) != 1)
                return false;
            Sleep(25);
            return SendInput(1, &in[2], sizeof(INPUT)) == 1;
        };
        if (SendInput(1, &in[0], sizeof(INPUT)) != 1)
            return 1;
        Sleep(30);
        if (!press())
            return 1;
        if (cmd != L"dblclick")
            return 0;
        Sleep(40);
        return press() ? 0 : 1;
    }
    if (cmd == L"buttonclick" && argc == 4) {
        // A left click whose press and release carry no movement: the
        // pointer goes there first, and the buttons follow once it is
        // there. (Under load, Wine was seen to fold a press that carried a
        // move into the move before it, so a program recording raw input
        // got only the release.)
        const int x = _wtoi(argv[2]), y = _wtoi(argv[3]);
        const int w = std::max(GetSystemMetrics(SM_CXSCREEN) - 1, 1);
        const int h = std::max(GetSystemMetrics(SM_CYSCREEN) - 1, 1);
        INPUT in[3] = {};
        for (INPUT& one : in)
            one.type = INPUT_MOUSE;
        in[0].mi.dx = MulDiv(x, 65535, w);
        in[0].mi.dy = MulDiv(y, 65535, h);
        in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        // The pointer must stay there before the press: under Wine an X
        // event still carrying the old position can put the cursor back a
        // moment after it arrived (seen after a click on a hot-tracked
        // button), and the press would land where the pointer was. So it is
        // moved (SetCursorPos also moves the X server's pointer) until it
        // has stayed at the point for 300 ms.
        auto there = [&] {
            POINT at = {};
            GetCursorPos(&at);
            return std::abs(at.x - x) <= 1 && std::abs(at.y - y) <= 1;
        };
        auto move = [&] {
            SetCursorPos(x, y);
            return SendInput(1, &in[0], sizeof(INPUT)) == 1;
        };
        if (!move())
            return 1;
        int steady = 0;
        for (int i = 0; i < 500 && steady < 30; ++i) {
            Sleep(10);
            if (there()) {
                ++steady;
            } else {
                steady = 0;
                if (i % 10 == 9 && !move())
                    return 1;
            }
        }
        if (steady < 30)
            return 1;
        if (SendInput(1, &in[1], sizeof(INPUT)) != 1)
            return 1;
        Sleep(80);
        return SendInput(1, &in[2], sizeof(INPUT)) == 1 ? 0 : 1;
    }
    if (cmd == L"drag" && argc == 6) {
        // Press at the first point, move to the second in steps as a hand
        // does, release there.
        const int w = std::max(GetSystemMetrics(SM_CXSCREEN) - 1, 1);
        const int h = std::max(GetSystemMetrics(SM_CYSCREEN) - 1, 1);
        const int x1 = _wtoi(argv[2]), y1 = _wtoi(argv[3]), x2 = _wtoi(argv[4]), y2 = _wtoi(argv[5]);
        auto send = [&](int x, int y, DWORD flags) {
            INPUT in = {};
            in.type = INPUT_MOUSE;
            in.mi.dx = MulDiv(x, 65535, w);
            in.mi.dy = MulDiv(y, 65535, h);
            in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
            return SendInput(1, &in, sizeof(INPUT)) == 1;
        };
        if (!send(x1, y1, 0))
            return 1;
        Sleep(30);
        send(x1, y1, MOUSEEVENTF_LEFTDOWN);
        constexpr int kSteps = 12;
        for (int i = 1; i <= kSteps; ++i) {
            Sleep(15);
            send(x1 + (x2 - x1) * i / kSteps, y1 + (y2 - y1) * i / kSteps, 0);
        }
        Sleep(30);
        return send(x2, y2, MOUSEEVENTF_LEFTUP) ? 0 : 1;
    }
    if (cmd == L"type" && argc == 3) {
        // Each character as the keyboard's Unicode packet, so any script types.
        for (const wchar_t* c = argv[2]; *c != 0; ++c) {
            INPUT in[2] = {};
            in[0].type = in[1].type = INPUT_KEYBOARD;
            in[0].ki.wScan = in[1].ki.wScan = *c;
            in[0].ki.dwFlags = KEYEVENTF_UNICODE;
            in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
            if (SendInput(2, in, sizeof(INPUT)) != 2)
                return 1;
            Sleep(10);
        }
        return 0;
    }
    if ((cmd == L"key" || cmd == L"down" || cmd == L"up") && argc == 3) {
        const WORD vk = static_cast<WORD>(_wtoi(argv[2]));
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = vk;
        in[0].ki.wScan = in[1].ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        if (cmd == L"down")
            return SendInput(1, &in[0], sizeof(INPUT)) == 1 ? 0 : 1;
        if (cmd == L"up")
            return SendInput(1, &in[1], sizeof(INPUT)) == 1 ? 0 : 1;
        return SendInput(2, in, sizeof(INPUT)) == 2 ? 0 : 1;
    }
    return 2;
}
