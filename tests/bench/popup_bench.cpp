// Popup benchmark: a warning popup opened and closed many times the way a
// page does it (built on the stack over a shown owner, run modally, its
// skin read, shown and painted, its OK button clicked, destroyed). Prints the
// median time of one cycle and, after the first and after the last cycle,
// the process's GDI object count and memory.
//
// Usage: bench_popup [RUNS] [SKIN_FILE] [--module-dir DIR]
//   RUNS       cycles (default 1000)
//   SKIN_FILE  a popup skin of xml\ (default NoMousePopup.xml); when the
//              module directory lacks it, a small popup skin made in %TEMP%
//              stands in and the output says so.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/resource.h"
#include "controls/GUIItem.h"
#include "popups/VellWarningDlg.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/SkinLoader.h"
#include "win/Gdi.h"
#include "win/ModuleDir.h"

namespace {

double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(freq.QuadPart);
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// A solid 24-bit BMP.
std::string SolidBmp(int width, int height, uint32_t rgb) {
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    std::string bytes(54 + stride * height, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            size_t at = 54 + y * stride + x * 3;
            bytes[at] = static_cast<char>(rgb & 0xFF);
            bytes[at + 1] = static_cast<char>((rgb >> 8) & 0xFF);
            bytes[at + 2] = static_cast<char>((rgb >> 16) & 0xFF);
        }
    }
    return bytes;
}

// A stand-in module directory with one warning popup skin; empty on failure.
std::wstring MakeStandInModuleDir(const std::wstring& skinFile) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring dir = std::wstring(temp) + L"tarn-popup-bench\\";
    for (const wchar_t* sub : {L"", L"xml", L"skins", L"fonts", L"lang"})
        CreateDirectoryW((dir + sub).c_str(), nullptr);
    const char* skin =
        R"(<?xml version="1.0"?><GUIPANEL><BACKGROUND>bench-bg.bmp</BACKGROUND><MASK>bench-mask.bmp</MASK>
<BUTTONLIST>
  <BUTTON name="BUTTON_POPUP_OK" caption="OK" justify="C"><RECT left="60" top="180" right="100" bottom="30"/>
    <SBMN>bench-b.bmp</SBMN><SBMO>bench-b.bmp</SBMO><SBMD>bench-b.bmp</SBMD><SBMDS>bench-b.bmp</SBMDS></BUTTON>
  <BUTTON name="BUTTON_POPUP_CANCEL" caption="Cancel" justify="C"><RECT left="260" top="180" right="100" bottom="30"/>
    <SBMN>bench-b.bmp</SBMN><SBMO>bench-b.bmp</SBMO><SBMD>bench-b.bmp</SBMD><SBMDS>bench-b.bmp</SBMDS></BUTTON>
</BUTTONLIST>
<TEXTLIST>
  <TEXTITEM name="TEXT_WARNDLG_HEADING" textkey="The mouse is not connected." justify="C" multiline="1">
    <RECT left="20" top="40" right="380" bottom="100"/></TEXTITEM>
</TEXTLIST></GUIPANEL>)";
    if (!WriteBytes(dir + L"xml\\" + skinFile, skin) ||
        !WriteBytes(dir + L"skins\\bench-bg.bmp", SolidBmp(420, 240, 0x181818)) ||
        !WriteBytes(dir + L"skins\\bench-mask.bmp", SolidBmp(420, 240, 0x000000)) ||
        !WriteBytes(dir + L"skins\\bench-b.bmp", SolidBmp(100, 30, 0x2050B0)))
        return {};
    return dir;
}

// The page that owns the popups (shown, as the main window is). When a popup's modal loop falls
// idle it paints whatever is pending, then clicks the popup's OK button the
// way the mouse does (button down and up through the loop).
class Owner {
public:
    Owner() {
        WNDCLASSW cls = {};
        cls.lpfnWndProc = Proc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"TarnPopupBenchOwner";
        RegisterClassW(&cls);
        m_hwnd = CreateWindowExW(0, cls.lpszClassName, L"", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                                 cls.hInstance, nullptr);
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ShowWindow(m_hwnd, SW_SHOW);
        UpdateWindow(m_hwnd);
    }
    ~Owner() { DestroyWindow(m_hwnd); }
    HWND Handle() const { return m_hwnd; }
    void Expect(CGUIPanel* popup) {
        m_popup = popup;
        m_clicked = false;
    }
    bool Clicked() const { return m_clicked; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX) {
            auto* self = reinterpret_cast<Owner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            HWND popup = reinterpret_cast<HWND>(lParam);
            if (self != nullptr && !self->m_clicked && self->m_popup != nullptr && IsWindowVisible(popup)) {
                RedrawWindow(popup, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                CGUIItem* ok = self->m_popup->FindItem(CPopupBox::kOkButton);
                if (ok != nullptr && ok->Window() != nullptr) {
                    PostMessageW(ok->Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
                    PostMessageW(ok->Window(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
                } else {
                    PostMessageW(popup, WM_COMMAND, IDOK, 0);
                }
                self->m_clicked = true;
            }
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND m_hwnd = nullptr;
    CGUIPanel* m_popup = nullptr;
    bool m_clicked = false;
};

struct Reading {
    int gdiObjects = -1;
    double privateMiB = 0;
    double workingSetMiB = 0;
};

Reading Read() {
    Reading r;
    r.gdiObjects = win::GdiObjectCount();
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory)) {
        // Wine leaves PrivateUsage 0; the commit charge is the same figure.
        SIZE_T privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
        r.privateMiB = double(privateBytes) / (1024.0 * 1024.0);
        r.workingSetMiB = double(memory.WorkingSetSize) / (1024.0 * 1024.0);
    }
    return r;
}

void Print(const char* when, const Reading& r) {
    std::printf("%-22s GDI objects %d, private %.1f MiB, working set %.1f MiB\n", when, r.gdiObjects,
                r.privateMiB, r.workingSetMiB);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = 1000;
    std::wstring skinFile = L"NoMousePopup.xml";
    std::wstring moduleDir;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--module-dir" && i + 1 < argc)
            moduleDir = argv[++i];
        else if (positional++ == 0)
            runs = std::max(1, _wtoi(argv[i]));
        else
            skinFile = arg;
    }
    if (!moduleDir.empty())
        app::SetModuleDirectory(moduleDir);
    names::BuildAllNameTables();

    const bool shipped = FileExists(app::ModuleDirectory() + L"xml\\" + skinFile);
    if (!shipped) {
        std::wstring standIn = MakeStandInModuleDir(skinFile);
        if (standIn.empty()) {
            std::fprintf(stderr, "bench_popup: cannot write a stand-in skin\n");
            return 1;
        }
        app::SetModuleDirectory(standIn);
    }
    // The languages, as the program reads them at start-up.
    ItemList languages;
    skin::LoadSkinFile(L"Language.xml", languages, nullptr, nullptr);
    lang::SelectCurrent(lang::kFirstLanguage);

    std::printf("popup open/close: %ls%s, %d cycles, template %d\n", skinFile.c_str(),
                shipped ? "" : " (stand-in skin: the module directory has none)", runs, IDD_POPUP_WARNING);
    Owner owner;
    std::vector<double> times;
    times.reserve(runs);
    Reading first;
    int notOk = 0;
    INT_PTR firstOther = 0;
    for (int i = 0; i < runs; ++i) {
        double t0 = Now();
        {
            CVellWarningDlg popup(skinFile, IDD_POPUP_WARNING, owner.Handle());
            owner.Expect(&popup);
            INT_PTR result = popup.RunModal();
            if (result != CPopupBox::kResultOk && notOk++ == 0)
                firstOther = result;
            owner.Expect(nullptr);
        }
        times.push_back(Now() - t0);
        if (i == 0)
            first = Read();
    }
    Reading last = Read();
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    double median = sorted.size() % 2 ? sorted[sorted.size() / 2]
                                      : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2;
    std::printf("cycle: median %.2f ms (min %.2f, max %.2f, first %.2f); goal <= 15 ms\n", median,
                sorted.front(), sorted.back(), times.front());
    Print("after the first cycle:", first);
    Print("after the last cycle:", last);
    if (notOk != 0)
        std::printf("%d cycles did not end with OK (the first: %d)\n", notOk, static_cast<int>(firstOther));
    return notOk == 0 ? 0 : 1;
}
