// Popup benchmark: a warning popup opened and closed many times the way a
// page does it (built on the stack over a shown owner, run modally, its
// skin read, shown and painted, its OK button clicked, destroyed). Prints the
// median time of one cycle and, after the first and after the last cycle,
// the process's GDI object count and memory.
//
// Usage: bench_popup [RUNS] [SKIN_FILE] [--module-dir DIR]
//   RUNS       cycles (default 1000)
//   SKIN_FILE  a popup skin of xml\ (default NoMousePopup.xml)
#include <windows.h>


#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/resource.h"
#include "bench_support.h"
#include "controls/ItemFactories.h"
#include "macro/MacroDisplayItem.h"
#include "popups/VellWarningDlg.h"
#include "skin/GUIItem.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/SkinLoader.h"
#include "win/Gdi.h"
#include "win/ModuleDir.h"

namespace {

// The page that owns the popups (shown, as the main window is). When a popup's modal loop falls
// idle it paints whatever is pending, then clicks the popup's OK button the
// way the mouse does (button down and up through the loop).
class Owner {
public:
    Owner() { m_hwnd = bench::MakeShownWindow(L"TarnPopupBenchOwner", Proc, this); }
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

void Print(const char* when, const bench::Reading& r) {
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
    controls::RegisterItemFactories();
    macro::RegisterItemFactories();

    if (GetFileAttributesW((app::ModuleDirectory() + L"xml\\" + skinFile).c_str()) ==
        INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "bench_popup: no xml\\%ls in %ls\n", skinFile.c_str(),
                     app::ModuleDirectory().c_str());
        return 1;
    }
    // The languages, as the program reads them at start-up.
    ItemList languages;
    skin::LoadSkinFile(L"Language.xml", languages, nullptr, nullptr);
    lang::SelectCurrent(lang::kFirstLanguage);

    std::printf("popup open/close: %ls, %d cycles, template %d\n", skinFile.c_str(), runs, IDD_POPUP_WARNING);
    Owner owner;
    std::vector<double> times;
    times.reserve(runs);
    bench::Reading first;
    int notOk = 0;
    INT_PTR firstOther = 0;
    for (int i = 0; i < runs; ++i) {
        double t0 = bench::Now();
        {
            CVellWarningDlg popup(skinFile, IDD_POPUP_WARNING, owner.Handle());
            owner.Expect(&popup);
            INT_PTR result = popup.RunModal();
            if (result != CPopupBox::kResultOk && notOk++ == 0)
                firstOther = result;
            owner.Expect(nullptr);
        }
        times.push_back(bench::Now() - t0);
        if (i == 0)
            first = bench::Read();
    }
    bench::Reading last = bench::Read();
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const double median = bench::Median(times);
    std::printf("cycle: median %.2f ms (min %.2f, max %.2f, first %.2f); goal <= 15 ms\n", median,
                sorted.front(), sorted.back(), times.front());
    Print("after the first cycle:", first);
    Print("after the last cycle:", last);
    if (notOk != 0)
        std::printf("%d cycles did not end with OK (the first: %d)\n", notOk, static_cast<int>(firstOther));
    return notOk == 0 ? 0 : 1;
}
