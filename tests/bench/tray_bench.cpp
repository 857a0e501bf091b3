// The tray companion's figures (tools/bench-tray.sh runs them):
//
//   tray_bench latency N PROFILE FRONT_CLASS OTHER_CLASS
//       N times: the window of FRONT_CLASS (whose program PROFILE is tied to)
//       comes to the front, then the one of OTHER_CLASS; prints the median and
//       the maximum of the time from the foreground change until the mouse
//       has the profile active, and until the profile before is back
//   tray_bench changes N PROFILE_A PROFILE_B
//       N profile changes made through the service, in turn (the companion
//       reads each and shows it on screen); prints how long they took
//   tray_bench start EXE N
//       starts EXE (the companion, or "floor": this program as the platform's
//       floor) N times; prints the median and maximum time from the start
//       until its icon is shown (the title of its window changes), and ends
//       each copy again
//   tray_bench floor-child
//       the floor: a hidden window and a notification icon, nothing else
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "device/MouseGlance.h"
#include "win/Handles.h"

namespace {

constexpr uint32_t kProduct = 21;
constexpr wchar_t kCompanionClass[] = L"TarnTrayCompanion";
constexpr wchar_t kFloorClass[] = L"TarnTrayBenchFloor";

HWND Find(const wchar_t* cls) {
    std::pair<const wchar_t*, HWND> search{cls, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* out = reinterpret_cast<std::pair<const wchar_t*, HWND>*>(lp);
            wchar_t name[128] = {};
            GetClassNameW(hwnd, name, 128);
            if (wcscmp(name, out->first) == 0 && IsWindowVisible(hwnd)) {
                out->second = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

std::wstring ActiveName() {
    devlink::MouseGlance glance;
    if (devlink::ReadGlance(kProduct, glance) != devlink::Outcome::kDone || !glance.ActiveProfile())
        return L"";
    return glance.ActiveProfile()->name;
}

// Milliseconds until `profile` is active, looked at every 5 ms; -1 after 5 s.
double WaitActive(const std::wstring& profile, double since) {
    while (bench::Now() - since < 5000) {
        if (ActiveName() == profile)
            return bench::Now() - since;
        Sleep(5);
    }
    return -1;
}

void Report(const char* what, const std::vector<double>& times) {
    double maximum = 0;
    int failed = 0;
    for (double t : times) {
        if (t < 0)
            ++failed;
        else if (t > maximum)
            maximum = t;
    }
    std::vector<double> good;
    for (double t : times)
        if (t >= 0)
            good.push_back(t);
    printf("%s: median %.0f ms, maximum %.0f ms of %zu (%d not within 5 s)\n", what, bench::Median(good), maximum,
           times.size(), failed);
}

int Latency(int runs, const std::wstring& profile, const wchar_t* frontClass, const wchar_t* otherClass) {
    HWND front = Find(frontClass);
    HWND other = Find(otherClass);
    if (!front || !other) {
        printf("latency: the windows are missing\n");
        return 1;
    }
    SetForegroundWindow(other);
    Sleep(800);
    const std::wstring before = ActiveName();
    std::vector<double> to, back;
    for (int i = 0; i < runs; ++i) {
        double t0 = bench::Now();
        SetForegroundWindow(front);
        to.push_back(WaitActive(profile, t0));
        Sleep(100);
        t0 = bench::Now();
        SetForegroundWindow(other);
        back.push_back(WaitActive(before, t0));
        Sleep(100);
    }
    Report("foreground change to the tied profile active on the mouse", to);
    Report("foreground change to the profile before back on the mouse", back);
    return 0;
}

int Changes(int runs, const std::wstring& a, const std::wstring& b) {
    devlink::MouseGlance glance;
    if (devlink::ReadGlance(kProduct, glance) != devlink::Outcome::kDone)
        return 1;
    GUID ids[2] = {};
    for (const auto& p : glance.profiles) {
        if (p.name == a)
            ids[0] = p.id;
        if (p.name == b)
            ids[1] = p.id;
    }
    const double t0 = bench::Now();
    int failed = 0;
    for (int i = 0; i < runs; ++i) {
        if (devlink::ActivateProfile(kProduct, ids[i % 2]) != devlink::Outcome::kDone)
            ++failed;
        Sleep(10);
    }
    printf("%d profile changes in %.1f s (%d refused)\n", runs, (bench::Now() - t0) / 1000, failed);
    return 0;
}

// The title of a top-level window of the class, shown or hidden; empty when none.
std::wstring TitleOf(const wchar_t* cls, HWND* out = nullptr) {
    HWND hwnd = FindWindowW(cls, nullptr);
    if (out)
        *out = hwnd;
    if (!hwnd)
        return L"";
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

int Start(const std::wstring& exe, int runs) {
    const bool floor = exe == L"floor";
    const wchar_t* cls = floor ? kFloorClass : kCompanionClass;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = floor ? L"\"" + std::wstring(self) + L"\" floor-child" : L"\"" + exe + L"\"";
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        std::wstring line = command;
        const double t0 = bench::Now();
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return 1;
        double shown = -1;
        while (bench::Now() - t0 < 10000) {
            HWND hwnd = nullptr;
            const std::wstring title = TitleOf(cls, &hwnd);
            // The window starts with a fixed title; the icon's tool tip replaces it.
            if (hwnd && !title.empty() && title != L"Korvo Tarn companion" && title != L"floor") {
                shown = bench::Now() - t0;
                break;
            }
            Sleep(1);
        }
        times.push_back(shown);
        if (HWND hwnd = FindWindowW(cls, nullptr))
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        Sleep(200);
    }
    Report(floor ? "start to icon shown, platform floor" : "start to icon shown, companion", times);
    return 0;
}

LRESULT CALLBACK FloorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (message == WM_DESTROY) {
        NOTIFYICONDATAW data = {};
        data.cbSize = sizeof data;
        data.hWnd = hwnd;
        data.uID = 1;
        Shell_NotifyIconW(NIM_DELETE, &data);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int FloorChild() {
    win::ComApartment com;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kFloorClass;
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, kFloorClass, L"floor", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = hwnd;
    data.uID = 1;
    data.uFlags = NIF_ICON | NIF_TIP;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wcscpy_s(data.szTip, L"floor icon");
    Shell_NotifyIconW(NIM_ADD, &data);
    SetWindowTextW(hwnd, L"floor icon");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    win::ComApartment com;
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"latency" && argc == 6)
        return Latency(_wtoi(argv[2]), argv[3], argv[4], argv[5]);
    if (mode == L"changes" && argc == 5)
        return Changes(_wtoi(argv[2]), argv[3], argv[4]);
    if (mode == L"start" && argc == 4)
        return Start(argv[2], _wtoi(argv[3]));
    if (mode == L"floor-child")
        return FloorChild();
    printf("usage: tray_bench latency N PROFILE FRONT_CLASS OTHER_CLASS | changes N A B | start EXE|floor N\n");
    return 2;
}
