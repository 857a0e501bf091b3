#include "tray/OnScreenDisplay.h"

#include "controls/TextItem.h"
#include "skin/ControlIds.h"
#include "skin/GUIItem.h"
#include "tray/resource.h"

namespace tray {
namespace {

constexpr UINT_PTR kHideTimer = 1;

}  // namespace

class OnScreenDisplay::Panel final : public CGUIPanel {
public:
    explicit Panel(HWND owner) : CGUIPanel(L"TrayDisplay.xml", IDD_TRAY_DISPLAY, owner) {}

    void SetLine(int32_t id, const std::wstring& text) {
        auto* item = FindItemAs<CTextItem>(id, kItemText);
        if (!item)
            return;
        item->SetPlainText(text);
        ShowItem(item, !text.empty());
    }

protected:
    bool OnInitDialog() override {
        CGUIPanel::OnInitDialog();
        // Layered windows show nothing until their opacity is set.
        SetLayeredWindowAttributes(Handle(), 0, kOpacity, LWA_ALPHA);
        return false;
    }

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (message) {
            case WM_TIMER:
                if (wParam != kHideTimer)
                    break;
                KillTimer(Handle(), kHideTimer);
                ShowWindow(Handle(), SW_HIDE);
                result = 0;
                return true;
            case WM_MOUSEACTIVATE:
                result = MA_NOACTIVATE;
                return true;
            case WM_NCHITTEST:
                result = HTTRANSPARENT;
                return true;
            default:
                break;
        }
        return CGUIPanel::HandleMessage(message, wParam, lParam, result);
    }
};

OnScreenDisplay::OnScreenDisplay() = default;
OnScreenDisplay::~OnScreenDisplay() = default;

bool OnScreenDisplay::RegisterClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool OnScreenDisplay::Ensure() {
    if (m_panel && m_panel->Handle())
        return true;
    m_panel = std::make_unique<Panel>(m_owner);
    return m_panel->Create() != nullptr;
}

HWND OnScreenDisplay::Window() const {
    return m_panel ? m_panel->Handle() : nullptr;
}

void OnScreenDisplay::Show(const std::wstring& profileLine, const std::wstring& sensitivityLine,
                           const std::wstring& stageLine, HWND anchor) {
    if ((profileLine.empty() && sensitivityLine.empty()) || !Ensure())
        return;
    HWND hwnd = m_panel->Handle();
    m_panel->SetLine(ctl::TEXT_OSD_PROFILE, profileLine);
    m_panel->SetLine(ctl::TEXT_OSD_SENSITIVITY, sensitivityLine);
    m_panel->SetLine(ctl::TEXT_OSD_STAGE, sensitivityLine.empty() ? std::wstring() : stageLine);
    std::wstring title;
    for (const std::wstring& line : {profileLine, sensitivityLine, sensitivityLine.empty() ? L"" : stageLine}) {
        if (!line.empty())
            title += (title.empty() ? L"" : L" \u00B7 ") + line;
    }
    SetWindowTextW(hwnd, title.c_str());

    // Low in the middle of the work area of the monitor the user looks at.
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(anchor, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    RECT own = {};
    GetWindowRect(hwnd, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top) * 4 / 5 - height / 2;
    SetWindowPos(hwnd, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // A new display replaces the one showing: its time starts again.
    SetTimer(hwnd, kHideTimer, kShowMs, nullptr);
}

void OnScreenDisplay::Hide() {
    if (HWND hwnd = Window()) {
        KillTimer(hwnd, kHideTimer);
        ShowWindow(hwnd, SW_HIDE);
    }
}

}  // namespace tray
