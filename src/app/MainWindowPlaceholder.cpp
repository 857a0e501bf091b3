#include "app/MainWindowPlaceholder.h"

#include <string>

#include "app/resource.h"
#include "device/MouseDevice.h"
#include "model/MouseConfig.h"
#include "win/Handles.h"

namespace app {
namespace {

constexpr COLORREF kColourKey = RGB(255, 0, 255);
constexpr COLORREF kPanel = RGB(18, 18, 20);
constexpr COLORREF kAccent = RGB(0, 200, 255);
constexpr COLORREF kText = RGB(0xFE, 0xFE, 0xFE);
constexpr wchar_t kTitle[] = L"Korvo Tarn Configurator";

struct Context {
    IMouseDevice* device;
    CMouseConfig* config;
    std::wstring status;  // what the window says about the mouse
};

// Reads the whole configuration from the mouse, as the main window does when
// it opens, and says what was found.
std::wstring ReadMouse(IMouseDevice* device, CMouseConfig* config) {
    if (!device || !config || !device->IsConnected())
        return L"No mouse found.";
    if (!device->Synchronize(config, 1, 127))
        return L"The mouse could not be read.";
    if (!config->GetCurrentProfile() && config->GetProfileCount() > 0)
        config->SetCurrentProfile(config->ProfileAt(0));
    std::wstring firmware;
    device->GetFirmwareVersion(firmware);
    std::wstring text = L"Mouse connected (firmware " + firmware + L"), " +
                        std::to_wstring(config->GetProfileCount()) + L" profile(s).";
    if (const CMouseProfile* current = config->GetCurrentProfile())
        text += L"\nCurrent profile: " + current->GetName();
    return text;
}

void Paint(HWND hwnd, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    win::UniqueBrush panel(CreateSolidBrush(kPanel));
    FillRect(dc, &rc, panel.get());
    RECT band = rc;
    band.bottom = band.top + 6;
    win::UniqueBrush accent(CreateSolidBrush(kAccent));
    FillRect(dc, &band, accent.get());

    win::UniqueFont heading(CreateFontW(-28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                        CLEARTYPE_QUALITY, 0, L"Arial"));
    win::UniqueFont body(CreateFontW(-14, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                     CLEARTYPE_QUALITY, 0, L"Arial"));
    SetBkMode(dc, TRANSPARENT);
    RECT text = rc;
    InflateRect(&text, -24, -24);
    {
        win::SelectGuard font(dc, heading.get());
        SetTextColor(dc, kText);
        DrawTextW(dc, kTitle, -1, &text, DT_LEFT | DT_TOP | DT_SINGLELINE);
    }
    text.top += 48;
    win::SelectGuard font(dc, body.get());
    SetTextColor(dc, kText);
    const auto* context = reinterpret_cast<const Context*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (context)
        DrawTextW(dc, context->status.c_str(), -1, &text, DT_LEFT | DT_TOP | DT_WORDBREAK);
    text.top = rc.bottom - 40;
    SetTextColor(dc, kAccent);
    DrawTextW(dc, L"Press Esc to close.", -1, &text, DT_LEFT | DT_TOP | DT_SINGLELINE);
}

void CentreOnScreen(HWND hwnd) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int x = work.left + ((work.right - work.left) - (rc.right - rc.left)) / 2;
    int y = work.top + ((work.bottom - work.top) - (rc.bottom - rc.top)) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
        case WM_INITDIALOG: {
            auto* context = reinterpret_cast<Context*>(lp);
            SetWindowLongPtrW(hwnd, DWLP_USER, lp);
            context->status = ReadMouse(context->device, context->config);
            HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd, GWLP_HINSTANCE));
            HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINICON));
            SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
            SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
            // A layered window stays invisible until its attributes are set.
            SetLayeredWindowAttributes(hwnd, kColourKey, 255, LWA_COLORKEY);
            SetWindowTextW(hwnd, kTitle);
            CentreOnScreen(hwnd);
            return TRUE;
        }
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            Paint(hwnd, dc);
            EndPaint(hwnd, &ps);
            return TRUE;
        }
        case WM_PRINTCLIENT:
            Paint(hwnd, reinterpret_cast<HDC>(wp));
            return TRUE;
        case WM_NCHITTEST: {
            // The whole background drags the frameless window.
            LRESULT hit = DefWindowProcW(hwnd, msg, wp, 0);
            SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, hit == HTCLIENT ? HTCAPTION : hit);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                EndDialog(hwnd, LOWORD(wp));
                return TRUE;
            }
            break;
        case WM_CLOSE:
            EndDialog(hwnd, IDCANCEL);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

INT_PTR RunMainWindowPlaceholder(HINSTANCE instance, IMouseDevice* device, CMouseConfig* config) {
    Context context{device, config, {}};
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                           reinterpret_cast<LPARAM>(&context));
}

}  // namespace app
