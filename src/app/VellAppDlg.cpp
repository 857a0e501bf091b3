#include "app/VellAppDlg.h"

#include <shellapi.h>

#include "app/resource.h"
#include "controls/CheckBoxLink.h"
#include "controls/TextItem.h"
#include "model/MouseConfig.h"
#include "model/MouseDevice.h"
#include "win/ModuleDir.h"

namespace {

constexpr COLORREF kColourKey = RGB(255, 0, 255);
constexpr wchar_t kTitle[] = L"Korvo Tarn Configurator";

void CentreOnWorkArea(HWND hwnd) {
    RECT rc = {};
    GetWindowRect(hwnd, &rc);
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + ((work.right - work.left) - (rc.right - rc.left)) / 2;
    const int y = work.top + ((work.bottom - work.top) - (rc.bottom - rc.top)) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CVellAppDlg::CVellAppDlg(CMouseConfig* config, IMouseDevice* device)
    : CGUIPanel(L"MainPage.xml", IDD_MAIN, nullptr), m_config(config), m_device(device) {}

bool CVellAppDlg::OnInitDialog() {
    CGUIPanel::OnInitDialog();
    HWND hwnd = Handle();
    m_icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINICON));
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    // A layered window stays invisible until its attributes are set; magenta
    // is the skin's transparent colour.
    SetLayeredWindowAttributes(hwnd, kColourKey, 255, LWA_COLORKEY);
    SetWindowTextW(hwnd, kTitle);
    CentreOnWorkArea(hwnd);
    ReadMouse();
    ShowProfile();
    SelectTab(kFirstTab);
    return true;
}

void CVellAppDlg::ReadMouse() {
    if (m_device == nullptr || m_config == nullptr || !m_device->IsConnected())
        return;
    if (!m_device->Synchronize(m_config, SyncDirection::Read, kSectionsAll))
        return;
    if (m_config->GetCurrentProfile() == nullptr && m_config->GetProfileCount() > 0)
        m_config->SetCurrentProfile(m_config->ProfileAt(0));
}

void CVellAppDlg::ShowProfile() {
    auto* name = FindItemAs<CTextItem>(kProfileNameText, kItemText);
    if (name == nullptr)
        return;
    const CMouseProfile* current = m_config != nullptr ? m_config->GetCurrentProfile() : nullptr;
    name->SetPlainText(current != nullptr ? current->GetName() : std::wstring());
}

void CVellAppDlg::SelectTab(int32_t tabId) {
    if (tabId < kFirstTab || tabId > kLastTab)
        return;
    m_currentTab = tabId;
    for (int32_t id = kFirstTab; id <= kLastTab; ++id) {
        if (auto* tab = dynamic_cast<ICheckBoxLink*>(FindItem(id)))
            tab->SetChecked(id == tabId ? 1 : 0);
    }
}

bool CVellAppDlg::Apply() {
    if (m_device == nullptr || m_config == nullptr || !m_device->IsConnected())
        return false;
    return m_device->Synchronize(m_config, SyncDirection::Write, kSectionsAll);
}

void CVellAppDlg::OpenManual() {
    const std::wstring manual = app::ModuleDirectory() + L"Manuals\\index.html";
    ShellExecuteW(Handle(), L"OPEN", manual.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CVellAppDlg::OnCommand(int32_t id) {
    switch (id) {
        case kOkButton:
            Apply();
            End(IDOK);
            break;
        case kApplyButton:
            Apply();
            break;
        case kCancelButton:
        case kExitButton:
            End(IDCANCEL);
            break;
        case kHelpButton:
            OpenManual();
            break;
        default:
            if (id >= kFirstTab && id <= kLastTab)
                SelectTab(id);
            break;
    }
}

bool CVellAppDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_COMMAND: {
            // A skinned control says who it is by its window; the keyboard's
            // Enter and Escape arrive as IDOK and IDCANCEL.
            if (CGUIItem* item = FindItemByWindow(reinterpret_cast<HWND>(lParam))) {
                OnCommand(item->Id());
            } else if (lParam == 0 && LOWORD(wParam) == IDCANCEL) {
                End(IDCANCEL);
            } else {
                return false;
            }
            result = 0;
            return true;
        }
        case WM_CLOSE:
            End(IDCANCEL);
            result = 0;
            return true;
        case WM_HELP:
            OpenManual();
            result = 0;
            return true;
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<LRESULT>(m_icon);
            return true;
        case WM_NCHITTEST: {
            // The whole background drags the frameless window.
            const LRESULT hit = DefWindowProcW(Handle(), message, wParam, lParam);
            result = hit == HTCLIENT ? HTCAPTION : hit;
            return true;
        }
        case WM_PAINT: {
            const bool handled = CGUIPanel::HandleMessage(message, wParam, lParam, result);
            if (!m_painted) {
                m_painted = true;
                LARGE_INTEGER now = {};
                QueryPerformanceCounter(&now);
                SetPropW(Handle(), kFirstPaintProperty, reinterpret_cast<HANDLE>(now.QuadPart));
            }
            return handled;
        }
        case WM_DESTROY:
            RemovePropW(Handle(), kFirstPaintProperty);
            return CGUIPanel::HandleMessage(message, wParam, lParam, result);
        default:
            return CGUIPanel::HandleMessage(message, wParam, lParam, result);
    }
}
