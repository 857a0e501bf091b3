// skinview: opens any skin file as a panel, for skin authors, tests and
// benchmarks.
//
//   skinview FILE [--screenshot OUT.bmp] [--exit-after MS] [--language N]
//            [--append TEXT] [--message TEXT]
//   skinview FILE --bench N        load and paint N times, print the median
//   skinview --batch LIST          one screenshot per line of LIST (UTF-8):
//                                  the arguments above, separated by tabs
//   skinview --bench-mask N        build the region of a 1024x768 mask N times
//
// FILE is a name under xml\ in the program's folder (with or without that
// folder in front), or a path to a file. Texts are shown in the language N
// of Language.xml; without --language, in the language the installation's
// registry value "Language" names, as the configurator does (English when
// there is none). --append and --message
// open the file as a warning popup that shows the text after its heading, or
// in place of it, as the pages do.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "controls/ItemFactories.h"
#include "macro/MacroDisplayItem.h"
#include "controls/Panel.h"
#include "controls/Picture.h"
#include "popups/ListPanel.h"
#include "popups/VellWarningDlg.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/SkinLoader.h"
#include "win/Gdi.h"

namespace {

constexpr UINT_PTR kExitTimer = 1;
constexpr UINT_PTR kShotTimer = 2;

struct Options {
    std::wstring file;
    std::wstring screenshot;
    int exitAfter = -1;
    int bench = 0;
    int benchMask = 0;
    int language = -1;  // -1: as the registry says
    std::wstring append;
    std::wstring message;
    std::wstring detail;  // a warning's message text; a leading key is resolved
    std::wstring batch;   // a list of screenshots to take in one run
};

// The configurator's language setting, read without creating or changing
// anything.
int InstalledLanguage() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, startup::kRegistryKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names::kDefaultLanguage;
    std::wstring name;
    const bool read = startup::ReadShortString(key, startup::kLanguageValue, name);
    RegCloseKey(key);
    return read ? names::LanguageId(name.c_str()) : names::kDefaultLanguage;
}

void Print(const std::wstring& text) {
    std::string narrow(text.begin(), text.end());
    std::fputs(narrow.c_str(), stdout);
    std::fflush(stdout);
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == L"--screenshot" && hasValue)
            options.screenshot = argv[++i];
        else if (arg == L"--exit-after" && hasValue)
            options.exitAfter = _wtoi(argv[++i]);
        else if (arg == L"--bench" && hasValue)
            options.bench = std::max(1, _wtoi(argv[++i]));
        else if (arg == L"--language" && hasValue)
            options.language = _wtoi(argv[++i]);
        else if (arg == L"--append" && hasValue)
            options.append = argv[++i];
        else if (arg == L"--message" && hasValue)
            options.message = argv[++i];
        else if (arg == L"--detail" && hasValue)
            options.detail = argv[++i];
        else if (arg == L"--bench-mask" && hasValue)
            options.benchMask = std::max(1, _wtoi(argv[++i]));
        else if (arg == L"--batch" && hasValue)
            options.batch = argv[++i];
        else if (!arg.empty() && arg[0] != L'-' && options.file.empty())
            options.file = arg;
        else
            return false;
    }
    return !options.file.empty() || options.benchMask > 0 || !options.batch.empty();
}

// The skin file as the loader takes it: a file that exists as given (from
// the current folder) by its full path; otherwise a name under xml\, with a
// leading "xml\" dropped so that `skinview xml\MainPage.xml` works from
// anywhere.
std::wstring SkinFileArgument(const std::wstring& file) {
    DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        std::wstring full(MAX_PATH, L'\0');
        DWORD length = GetFullPathNameW(file.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length > 0 && length < full.size()) {
            full.resize(length);
            return full;
        }
    }
    if (file.size() > 4 && _wcsnicmp(file.c_str(), L"xml", 3) == 0 && (file[3] == L'\\' || file[3] == L'/'))
        return file.substr(4);
    return file;
}

// A 24-bit BMP of the screen area of the window.
bool SaveScreenshot(HWND hwnd, const std::wstring& path) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return false;
    win::WindowDC screen(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win::UniqueBitmap section(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    win::UniqueDC memory(CreateCompatibleDC(screen.get()));
    if (!section || !memory || bits == nullptr)
        return false;
    {
        win::SelectGuard select(memory.get(), section.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), r.left, r.top, SRCCOPY);
    }
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageSize;
    win::UniqueFile out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!out)
        return false;
    DWORD written = 0;
    return WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
           WriteFile(out.get(), &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
           WriteFile(out.get(), bits, imageSize, &written, nullptr);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double Milliseconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Creates, shows and paints the panel N times; prints the median time.
int Bench(const std::wstring& file, int runs) {
    std::vector<double> times;
    size_t items = 0;
    int gdiBefore = win::GdiObjectCount();
    for (int i = 0; i < runs; ++i) {
        if (i == 1)
            gdiBefore = win::GdiObjectCount();  // the pictures are in the cache now
        auto start = std::chrono::steady_clock::now();
        {
            CGUIPanel panel(file, 0, nullptr);
            HWND hwnd = panel.Create();
            if (hwnd == nullptr)
                return 1;
            ShowWindow(hwnd, SW_SHOWNOACTIVATE);
            RedrawWindow(hwnd, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            GdiFlush();
            times.push_back(Milliseconds(start));
            items = panel.Items().size();
        }
        PumpMessages();
    }
    const int gdiAfter = win::GdiObjectCount();
    wchar_t line[256];
    swprintf(line, 256,
             L"load+paint %ls: median %.2f ms of %d (min %.2f, max %.2f), %zu items, GDI objects after the "
             L"first run %d, after the last %d\n",
             file.c_str(), Median(times), runs, *std::min_element(times.begin(), times.end()),
             *std::max_element(times.begin(), times.end()), items, gdiBefore, gdiAfter);
    Print(line);
    return 0;
}

// A 1024x768 mask whose outline is a wavy star with holes and a dither band:
// tens of thousands of runs.
win::UniqueBitmap ComplexMask() {
    constexpr int kWidth = 1024;
    constexpr int kHeight = 768;
    uint32_t* pixels = nullptr;
    win::UniqueBitmap mask(win::CreateBitmap32(kWidth, kHeight, &pixels));
    if (!mask)
        return mask;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            double dx = x - kWidth / 2.0;
            double dy = y - kHeight / 2.0;
            double angle = std::atan2(dy, dx);
            double radius = std::sqrt(dx * dx + dy * dy);
            double outline = 300 + 40 * std::sin(angle * 12) + 8 * std::sin(angle * 97);
            bool inside = radius < outline;
            if (inside && radius > 100 && radius < 130 && ((x / 3 + y / 3) % 2) == 0)
                inside = false;  // a dithered ring of holes
            pixels[static_cast<size_t>(y) * kWidth + x] = inside ? 0x202020 : 0xFFFFFF;
        }
    }
    return mask;
}

int BenchMask(int runs) {
    win::UniqueBitmap mask = ComplexMask();
    std::vector<double> times;
    DWORD rects = 0;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        win::UniqueRgn region = controls::BuildMaskRegion(mask.get());
        times.push_back(Milliseconds(start));
        if (!region)
            return 1;
        rects = GetRegionData(region.get(), 0, nullptr);
    }
    wchar_t line[200];
    swprintf(line, 200, L"mask region 1024x768: median %.2f ms of %d (region data %lu bytes)\n",
             Median(times), runs, static_cast<unsigned long>(rects));
    Print(line);
    return 0;
}

// Shows the panel of `options`; with a screenshot to take, takes it after
// the first paints and (without --exit-after) closes the panel again.
int ShowPanel(const Options& options) {
    std::unique_ptr<CGUIPanel> panel;
    if (!options.append.empty() || !options.message.empty() || !options.detail.empty()) {
        auto warning = std::make_unique<CVellWarningDlg>(options.file, 0, nullptr, options.append);
        warning->SetMessage(options.message);
        if (!options.detail.empty()) {
            // "$Key rest": the key's text, then the rest as given.
            const size_t space = options.detail.find(L' ');
            std::wstring detail = options.detail;
            std::wstring resolved;
            if (lang::Resolve(detail.substr(0, space), resolved))
                detail = resolved + (space == std::wstring::npos ? L"" : detail.substr(space));
            warning->SetDetail(detail);
        }
        panel = std::move(warning);
    } else {
        panel = std::make_unique<CGUIPanel>(options.file, 0, nullptr);
    }
    HWND hwnd = panel->Create();
    if (hwnd == nullptr) {
        Print(L"skinview: the panel could not be created\n");
        return 1;
    }
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    if (!options.screenshot.empty())
        SetTimer(hwnd, kShotTimer, 200, nullptr);
    if (options.exitAfter >= 0)
        SetTimer(hwnd, kExitTimer, static_cast<UINT>(options.exitAfter), nullptr);

    int status = 0;
    MSG msg;
    while (IsWindow(hwnd) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == hwnd && msg.wParam == kShotTimer) {
            KillTimer(hwnd, kShotTimer);
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            if (!SaveScreenshot(hwnd, options.screenshot))
                status = 1;
            if (options.exitAfter < 0)
                break;
            continue;
        }
        if (msg.message == WM_TIMER && msg.hwnd == hwnd && msg.wParam == kExitTimer)
            break;
        if (!IsDialogMessageW(hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return status;
}

// The lines of a UTF-8 file, without their line ends; empty when unreadable.
std::vector<std::wstring> ReadLines(const std::wstring& path) {
    std::vector<std::wstring> lines;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lines;
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// One panel after another in this process, each line's arguments split at
// tabs; a line that cannot be read or drawn is reported and the rest go on.
int RunBatch(const std::wstring& list) {
    const std::vector<std::wstring> lines = ReadLines(list);
    if (lines.empty()) {
        Print(L"skinview: nothing to draw in the batch list\n");
        return 2;
    }
    int status = 0;
    for (const std::wstring& line : lines) {
        std::vector<std::wstring> fields{L"skinview"};
        size_t start = 0;
        for (size_t tab = line.find(L'\t'); ; tab = line.find(L'\t', start)) {
            fields.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
            if (tab == std::wstring::npos)
                break;
            start = tab + 1;
        }
        std::vector<wchar_t*> argv;
        for (std::wstring& field : fields)
            argv.push_back(field.data());
        Options options;
        if (!ParseOptions(static_cast<int>(argv.size()), argv.data(), options) || options.file.empty() ||
            !options.batch.empty() || options.bench > 0 || options.benchMask > 0) {
            Print(L"skinview: a batch line that is no panel to draw\n");
            status = 1;
            continue;
        }
        options.file = SkinFileArgument(options.file);
        options.exitAfter = -1;
        lang::SelectCurrent(options.language >= 0 ? options.language : InstalledLanguage());
        if (ShowPanel(options) != 0)
            status = 1;
    }
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Print(
            L"usage: skinview FILE [--screenshot OUT.bmp] [--exit-after MS] [--language N] [--bench N]\n"
            L"                     [--append TEXT] [--message TEXT]\n"
            L"       skinview --bench-mask N\n");
        return 2;
    }
    if (!options.file.empty())
        options.file = SkinFileArgument(options.file);
    names::BuildAllNameTables();
    controls::RegisterItemFactories();
    macro::RegisterItemFactories();
    popups::InstallListPanel();
    ItemList languages;  // the language tables live as long as the panels
    skin::LoadSkinFile(L"Language.xml", languages, nullptr, nullptr);
    lang::SelectCurrent(options.language >= 0 ? options.language : InstalledLanguage());
    if (options.benchMask > 0)
        return BenchMask(options.benchMask);
    if (options.bench > 0)
        return Bench(options.file, options.bench);

    if (!options.batch.empty())
        return RunBatch(options.batch);
    return ShowPanel(options);
}
