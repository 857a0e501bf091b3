// What the benchmarks of the main window share: the module directory and run
// count from the command line, the start-up registrations, and the window
// itself over the emulated mouse, shown and painted.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "app/Startup.h"
#include "app/VellAppDlg.h"
#include "bench_support.h"
#include "controls/ItemFactories.h"
#include "macro/MacroDisplayItem.h"
#include "device/Mouse.h"
#include "model/VellConfig.h"
#include "popups/ListPanel.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/ModuleDir.h"

namespace bench {

// [RUNS] [--module-dir DIR]: the runs (at least 1), `runs` when not given.
inline int RunsFrom(int argc, wchar_t** argv, int runs) {
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--module-dir" && i + 1 < argc)
            app::SetModuleDirectory(argv[++i]);
        else
            runs = std::max(1, _wtoi(argv[i]));
    }
    return runs;
}

// The main window over the emulated mouse, as the program starts it.
class AppUnderTest {
public:
    // Null window (and a message on stderr naming `who`) when it cannot start.
    explicit AppUnderTest(const char* who) {
        names::BuildAllNameTables();
        controls::RegisterItemFactories();
        macro::RegisterItemFactories();
        popups::InstallListPanel();
        startup::RegisterMainWindowClass(GetModuleHandleW(nullptr));
        skin::LoadSkinFile(L"Language.xml", m_languages, nullptr, nullptr);
        lang::SelectCurrent(lang::kFirstLanguage);
        const uint16_t product = 21;
        if (!mouse.Initialize(&config, &product)) {
            std::fprintf(stderr, "%s: no emulated mouse (is the device service registered?)\n", who);
            return;
        }
        config.AttachDevice(&mouse);
        window = std::make_unique<CVellAppDlg>(&config, &mouse);
        hwnd = window->Create();
        if (hwnd == nullptr) {
            std::fprintf(stderr, "%s: the main window could not be made\n", who);
            return;
        }
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
        Pump();
    }
    ~AppUnderTest() {
        if (hwnd != nullptr)
            DestroyWindow(hwnd);
    }
    AppUnderTest(const AppUnderTest&) = delete;
    AppUnderTest& operator=(const AppUnderTest&) = delete;

    CVellConfig config;
    CMouse mouse;
    std::unique_ptr<CVellAppDlg> window;
    HWND hwnd = nullptr;

private:
    ItemList m_languages;
};

}  // namespace bench
