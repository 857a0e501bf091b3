#include "tray/TrayApp.h"

#include <dbt.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "app/Startup.h"
#include "skin/LangTable.h"
#include "tray/resource.h"
#include "win/ModuleDir.h"

namespace tray {
namespace {

constexpr UINT kIconId = 1;
constexpr UINT_PTR kSettleTimer = 1;
constexpr UINT_PTR kIconRetryTimer = 2;
constexpr UINT_PTR kForegroundCheckTimer = 3;
constexpr uint16_t kProduct = startup::kProductId;

// Wine (8.0 at least) raises no foreground event; it names itself by an
// export of its ntdll.
bool RunsOnPlatformWithoutForegroundEvent() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[128] = {};
    GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
    return name;
}

// The full image path of the process that owns the window; empty when it
// cannot be read (a process of another user, one that just ended).
std::wstring ImagePathOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    win::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process)
        return {};
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD size = static_cast<DWORD>(path.size());
        if (QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) {
            path.resize(size);
            return path;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            break;
        path.resize(path.size() * 2);
    }
    return {};
}

DWORD ReadDword(HKEY key, const wchar_t* name, DWORD fallback) {
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return fallback;
    return value;
}

// Copies text into a fixed field, cut with an ellipsis when it is too long.
template <size_t N>
void CopyField(wchar_t (&field)[N], const std::wstring& text) {
    if (text.size() < N) {
        wcscpy_s(field, N, text.c_str());
        return;
    }
    std::wstring cut = text.substr(0, N - 2);
    if (!cut.empty() && IS_HIGH_SURROGATE(cut.back()))
        cut.pop_back();
    cut += L"\u2026";
    wcscpy_s(field, N, cut.c_str());
}

}  // namespace

TrayApp* TrayApp::s_instance = nullptr;

std::wstring Text(const wchar_t* key, const std::wstring& first, const std::wstring& second) {
    std::wstring text;
    if (!lang::Resolve(std::wstring(L"$") + key, text))
        text = key;
    for (const auto& [mark, value] : {std::pair{L"%1", &first}, std::pair{L"%2", &second}}) {
        const size_t at = text.find(mark);
        if (at != std::wstring::npos)
            text.replace(at, 2, *value);
    }
    return text;
}

HICON MakeDimmedIcon(HICON icon) {
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info))
        return nullptr;
    win::UniqueBitmap colour(info.hbmColor);
    win::UniqueBitmap mask(info.hbmMask);
    BITMAP bm = {};
    if (!colour || !GetObjectW(colour.get(), sizeof bm, &bm))
        return nullptr;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = -bm.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    HDC screen = GetDC(nullptr);
    const int lines = GetDIBits(screen, colour.get(), 0, bm.bmHeight, pixels.data(), &bi, DIB_RGB_COLORS);
    bool alpha = false;
    for (uint32_t p : pixels)
        alpha = alpha || (p >> 24) != 0;
    for (uint32_t& p : pixels) {
        const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        const uint32_t grey = (r * 30 + g * 59 + b * 11) / 100 / 2 + 48;
        const uint32_t a = alpha ? ((p >> 24) / 2) : 0;
        p = (a << 24) | (grey << 16) | (grey << 8) | grey;
    }
    win::UniqueBitmap dimmed(CreateCompatibleBitmap(screen, bm.bmWidth, bm.bmHeight));
    if (dimmed && lines == bm.bmHeight)
        SetDIBits(screen, dimmed.get(), 0, bm.bmHeight, pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (!dimmed || lines != bm.bmHeight)
        return nullptr;
    ICONINFO made = {TRUE, 0, 0, mask.get(), dimmed.get()};
    return CreateIconIndirect(&made);
}

TrayApp::TrayApp() {
    s_instance = this;
}

TrayApp::~TrayApp() {
    if (m_watcher)
        m_watcher->Stop();
    if (m_hook)
        UnhookWinEvent(m_hook);
    if (m_iconShown) {
        NOTIFYICONDATAW data = {};
        data.cbSize = sizeof data;
        data.hWnd = Handle();
        data.uID = kIconId;
        Shell_NotifyIconW(NIM_DELETE, &data);
    }
    s_instance = nullptr;
}

void TrayApp::LoadSettings() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    m_autoSwitch = ReadDword(key, L"AutomaticSwitching", 1) != 0;
    m_policy.SetKeepProfile(ReadDword(key, L"KeepProfile", 0) != 0);
    RegCloseKey(key);
}

void TrayApp::SaveSettings() const {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    const DWORD values[] = {m_autoSwitch ? 1u : 0u, m_policy.KeepProfile() ? 1u : 0u};
    RegSetValueExW(key, L"AutomaticSwitching", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&values[0]), sizeof(DWORD));
    RegSetValueExW(key, L"KeepProfile", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&values[1]), sizeof(DWORD));
    RegCloseKey(key);
}

bool TrayApp::Start(HINSTANCE instance) {
    m_instance = instance;
    LoadSettings();
    if (!RegisterClass(kWindowClass, 0) || !OnScreenDisplay::RegisterClass(instance))
        return false;
    // A top-level window that never shows: it hears the task bar's
    // re-creation and session ends, which a message-only window would not.
    if (!Create(WS_EX_TOOLWINDOW, kWindowClass, L"Korvo Tarn companion", WS_POPUP, RECT{0, 0, 0, 0}, nullptr))
        return false;
    m_display.SetOwner(Handle());
    m_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    // Only the shell's message may pass up to a process of lower integrity.
    ChangeWindowMessageFilterEx(Handle(), m_taskbarCreated, MSGFLT_ALLOW, nullptr);
    m_icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TRAY), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    m_dimmedIcon.reset(MakeDimmedIcon(m_icon));
    m_watcher = std::make_unique<MouseWatcher>(kProduct, Handle(), kMsgMouse);
    if (!m_watcher->Start())
        return false;
    m_hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, ForegroundEvent, 0, 0,
                             WINEVENT_OUTOFCONTEXT);  // own windows are passed over below
    // Wine 8 never raises the foreground event: there, and only until the
    // first event shows that the platform does raise it, the foreground is
    // looked at every kForegroundCheckMs instead.
    m_lastForeground = GetForegroundWindow();
    if (RunsOnPlatformWithoutForegroundEvent())
        SetTimer(Handle(), kForegroundCheckTimer, kForegroundCheckMs, nullptr);
    if (!AddIcon())
        SetTimer(Handle(), kIconRetryTimer, kIconRetryMs, nullptr);
    CheckConfigurator();
    return true;
}

int TrayApp::Run() {
    MSG msg;
    for (;;) {
        // Nothing wakes this thread but messages, and the end of a
        // configurator being waited for.
        HANDLE process = m_configurator.get();
        const DWORD count = process ? 1 : 0;
        const DWORD woke = MsgWaitForMultipleObjectsEx(count, &process, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (count == 1 && woke == WAIT_OBJECT_0)
            OnConfiguratorEnded();
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

bool TrayApp::AddIcon() {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = Handle();
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    data.uCallbackMessage = kMsgNotify;
    data.hIcon = m_icon;
    CopyField(data.szTip, ToolTip());
    Shell_NotifyIconW(NIM_DELETE, &data);  // a stale one of a shell that restarted
    m_iconShown = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    if (!m_iconShown)
        return false;
    data.uVersion = NOTIFYICON_VERSION_4;
    m_version4 = Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
    UpdateIcon();
    return true;
}

std::wstring TrayApp::ToolTip() const {
    std::wstring tip;
    const devlink::ProfileGlance* active = m_haveMouse && m_mouse.outcome == devlink::Outcome::kDone
                                               ? m_mouse.glance.ActiveProfile()
                                               : nullptr;
    if (!m_haveMouse)
        tip = Text(L"TrayTipReading");
    else if (m_mouse.outcome == devlink::Outcome::kNoMouse)
        tip = Text(L"TrayTipNoMouse");
    else if (m_mouse.outcome != devlink::Outcome::kDone)
        tip = Text(L"TrayTipNoAnswer");
    else if (!active)
        tip = Text(L"TrayTipNoProfile");
    else
        tip = Text(L"TrayTip", active->name, std::to_wstring(m_mouse.glance.sensitivity));
    if (m_configurator)
        tip += L"\n" + Text(L"TrayTipPaused");
    else if (!m_autoSwitch)
        tip += L"\n" + Text(L"TrayTipSwitchingOff");
    if (m_haveMouse && m_mouse.activationFailed)
        tip += L"\n" + Text(L"TrayTipSwitchFailed");
    return tip;
}

void TrayApp::UpdateIcon() {
    // The window's title holds what the tool tip says, for scripts and for
    // shells that show no notification area.
    SetWindowTextW(Handle(), ToolTip().c_str());
    if (!m_iconShown)
        return;
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = Handle();
    data.uID = kIconId;
    data.uFlags = NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    const bool working = m_haveMouse && m_mouse.outcome == devlink::Outcome::kDone;
    data.hIcon = working || !m_dimmedIcon ? m_icon : m_dimmedIcon.get();
    CopyField(data.szTip, ToolTip());
    if (!Shell_NotifyIconW(NIM_MODIFY, &data))
        m_iconShown = false;  // the shell went away: TaskbarCreated brings it back
}

void CALLBACK TrayApp::ForegroundEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG, DWORD,
                                       DWORD) noexcept {
    if (event != EVENT_SYSTEM_FOREGROUND || object != OBJID_WINDOW || !s_instance)
        return;
    if (!s_instance->m_foregroundEvents) {
        s_instance->m_foregroundEvents = true;
        KillTimer(s_instance->Handle(), kForegroundCheckTimer);
    }
    s_instance->m_lastForeground = hwnd;
    s_instance->OnForegroundChanged(hwnd);
}

bool TrayApp::IgnoredForeground(HWND hwnd) const {
    if (!hwnd || !IsWindow(hwnd) || hwnd == GetDesktopWindow() || hwnd == GetShellWindow())
        return true;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == GetCurrentProcessId())
        return true;  // the menu, the display
    return IsShellWindowClass(ClassOf(hwnd).c_str());
}

void TrayApp::OnForegroundChanged(HWND hwnd) {
    if (IgnoredForeground(hwnd))
        return;
    CheckConfigurator();
    // Every change starts the wait again: Alt+Tab passing over windows
    // settles only on the last.
    SetTimer(Handle(), kSettleTimer, kSettleMs, nullptr);
}

void TrayApp::OnSettled() {
    KillTimer(Handle(), kSettleTimer);
    HWND front = GetForegroundWindow();
    if (IgnoredForeground(front))
        return;
    CheckConfigurator();
    if (SwitchingPaused() || !m_haveMouse || m_mouse.outcome != devlink::Outcome::kDone)
        return;
    const std::wstring program = ImagePathOf(front);
    if (program.empty())
        return;
    const SwitchPolicy::Decision decision = m_policy.OnForeground(program, m_mouse.glance);
    if (decision.activate)
        m_requested = m_watcher->Activate(decision.profile);
}

void TrayApp::CheckConfigurator() {
    if (m_configurator)
        return;
    HWND window = FindWindowW(startup::kWindowClass, nullptr);
    if (!window)
        return;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    m_configurator.reset(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (m_configurator) {
        KillTimer(Handle(), kSettleTimer);
        UpdateIcon();
    }
}

void TrayApp::OnConfiguratorEnded() {
    m_configurator.reset();
    CheckConfigurator();  // another copy may have started meanwhile
    UpdateIcon();
    if (!m_configurator) {
        // The configurator may have changed the profiles: read them, then
        // judge the program in front again.
        m_watcher->Refresh();
        SetTimer(Handle(), kSettleTimer, kSettleMs, nullptr);
    }
}

void TrayApp::ShowDisplayFor(const devlink::MouseGlance& before, const devlink::MouseGlance& now) {
    const devlink::ProfileGlance* was = before.ActiveProfile();
    const devlink::ProfileGlance* is = now.ActiveProfile();
    if (!is)
        return;
    const bool profileChanged = !was || was->id != is->id;
    const bool stageChanged = !profileChanged && (before.stage != now.stage || before.sensitivity != now.sensitivity);
    if (!profileChanged && !stageChanged)
        return;
    std::wstring profileLine, sensitivityLine, stageLine;
    if (profileChanged && is->profileDisplay)
        profileLine = Text(L"OsdProfile", is->name);
    if (is->dpiDisplay) {
        sensitivityLine = Text(L"OsdSensitivity", std::to_wstring(now.sensitivity));
        if (now.stage > 0)
            stageLine = Text(L"OsdStage", std::to_wstring(now.stage), std::to_wstring(now.stageCount));
    }
    m_display.Show(profileLine, sensitivityLine, stageLine, GetForegroundWindow());
}

void TrayApp::OnMouseReport() {
    MouseWatcher::Report report;
    if (!m_watcher->Take(report))
        return;
    const bool wasWorking = m_haveMouse && m_mouse.outcome == devlink::Outcome::kDone;
    const bool working = report.outcome == devlink::Outcome::kDone;
    if (working) {
        m_policy.OnMouse(report.glance, report.handled >= m_requested);
        if (wasWorking)
            ShowDisplayFor(m_mouse.glance, report.glance);
    }
    const bool cameBack = working && m_haveMouse && !wasWorking;
    m_mouse = std::move(report);
    m_haveMouse = true;
    UpdateIcon();
    if (cameBack)
        SetTimer(Handle(), kSettleTimer, kSettleMs, nullptr);  // judge the program in front on the mouse that is back
}

void TrayApp::ShowMenu() {
    if (m_menuOpen)
        return;
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    const bool working = m_haveMouse && m_mouse.outcome == devlink::Outcome::kDone;
    if (working && !m_mouse.glance.profiles.empty()) {
        const auto& profiles = m_mouse.glance.profiles;
        const size_t shown = std::min<size_t>(profiles.size(), kCmdProfileLast - kCmdProfileFirst + 1);
        for (size_t i = 0; i < shown; ++i) {
            std::wstring label = profiles[i].name;
            // An ampersand in a name is shown, not taken as a shortcut.
            for (size_t at = label.find(L'&'); at != std::wstring::npos; at = label.find(L'&', at + 2))
                label.insert(at, 1, L'&');
            MENUITEMINFOW item = {};
            item.cbSize = sizeof item;
            item.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | MIIM_STATE;
            item.fType = MFT_RADIOCHECK;
            item.fState = static_cast<int>(i) == m_mouse.glance.active ? MFS_CHECKED : MFS_UNCHECKED;
            item.wID = kCmdProfileFirst + static_cast<UINT>(i);
            item.dwTypeData = label.data();
            InsertMenuItemW(menu, static_cast<UINT>(i), TRUE, &item);
        }
    } else {
        const std::wstring label = Text(!m_haveMouse                                 ? L"TrayTipReading"
                                        : m_mouse.outcome == devlink::Outcome::kNoMouse ? L"TrayTipNoMouse"
                                        : working                                   ? L"TrayTipNoProfile"
                                                                                    : L"TrayTipNoAnswer");
        AppendMenuW(menu, MF_STRING | MF_GRAYED, 0, label.c_str());
    }
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | (m_autoSwitch ? MF_CHECKED : MF_UNCHECKED), kCmdAutoSwitch,
                Text(L"TrayMenuAutoSwitch").c_str());
    AppendMenuW(menu, MF_STRING | (m_policy.KeepProfile() ? MF_CHECKED : MF_UNCHECKED) | (m_autoSwitch ? 0 : MF_GRAYED),
                kCmdKeepProfile, Text(L"TrayMenuKeepProfile").c_str());
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kCmdOpenConfigurator, Text(L"TrayMenuOpen").c_str());
    SetMenuDefaultItem(menu, kCmdOpenConfigurator, FALSE);
    AppendMenuW(menu, MF_STRING, kCmdExit, Text(L"TrayMenuExit").c_str());

    POINT at = {};
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if our window is
    // in front while it shows.
    SetForegroundWindow(Handle());
    m_menuOpen = true;
    const UINT flags = TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY |
                       (GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN);
    const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(menu, flags, at.x, at.y, Handle(), nullptr));
    m_menuOpen = false;
    PostMessageW(Handle(), WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (chosen != 0)
        OnCommand(chosen);
}

void TrayApp::OpenConfigurator() {
    if (HWND existing = FindWindowW(startup::kWindowClass, nullptr)) {
        startup::ActivateRunningCopy(existing);
        return;
    }
    const std::wstring exe = app::ModuleDirectory() + kConfigurator;
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = Handle();
    info.lpVerb = L"open";
    info.lpFile = exe.c_str();
    info.lpDirectory = app::ModuleDirectory().c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
        const std::wstring message = Text(L"TrayOpenFailed");
        MessageBoxW(Handle(), message.c_str(), L"Korvo Tarn", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
    }
}

void TrayApp::OnCommand(UINT id) {
    if (id >= kCmdProfileFirst && id <= kCmdProfileLast) {
        const size_t index = id - kCmdProfileFirst;
        if (m_haveMouse && m_mouse.outcome == devlink::Outcome::kDone && index < m_mouse.glance.profiles.size()) {
            m_policy.OnUserChoice();
            m_requested = m_watcher->Activate(m_mouse.glance.profiles[index].id);
        }
        return;
    }
    switch (id) {
        case kCmdAutoSwitch:
            m_autoSwitch = !m_autoSwitch;
            if (!m_autoSwitch)
                KillTimer(Handle(), kSettleTimer);
            else
                SetTimer(Handle(), kSettleTimer, kSettleMs, nullptr);
            SaveSettings();
            UpdateIcon();
            break;
        case kCmdKeepProfile:
            m_policy.SetKeepProfile(!m_policy.KeepProfile());
            SaveSettings();
            break;
        case kCmdOpenConfigurator:
            OpenConfigurator();
            break;
        case kCmdExit:
            DestroyWindow(Handle());
            break;
        default:
            break;
    }
}

LRESULT TrayApp::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == m_taskbarCreated && m_taskbarCreated != 0) {
        m_iconShown = false;
        if (!AddIcon())
            SetTimer(Handle(), kIconRetryTimer, kIconRetryMs, nullptr);
        return 0;
    }
    switch (message) {
        case kMsgNotify: {
            const UINT event = LOWORD(lParam);
            if (event == WM_CONTEXTMENU || (!m_version4 && event == WM_RBUTTONUP))
                ShowMenu();
            else if (event == WM_LBUTTONDBLCLK)
                OpenConfigurator();
            else if (event == NIN_KEYSELECT && m_version4)
                ShowMenu();
            return 0;
        }
        case kMsgMouse:
            OnMouseReport();
            return 0;
        case kMsgSecondStart:
            if (wParam == 1) {
                CheckConfigurator();  // its window may come only later: the foreground tells then
            } else {
                ShowMenu();
            }
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_TIMER:
            if (wParam == kSettleTimer) {
                OnSettled();
            } else if (wParam == kForegroundCheckTimer) {
                HWND front = GetForegroundWindow();
                if (front != m_lastForeground) {
                    m_lastForeground = front;
                    OnForegroundChanged(front);
                }
            } else if (wParam == kIconRetryTimer) {
                if (AddIcon() || ++m_iconRetries >= kIconRetries)
                    KillTimer(Handle(), kIconRetryTimer);
            }
            return 0;
        case WM_DEVICECHANGE:
            if (wParam == DBT_DEVNODES_CHANGED || wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)
                m_watcher->Refresh();
            return TRUE;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam)
                DestroyWindow(Handle());
            return 0;
        case WM_CLOSE:
            if (m_menuOpen) {
                // The menu's loop ends first; the window goes once it has.
                EndMenu();
                PostMessageW(Handle(), WM_CLOSE, 0, 0);
                return 0;
            }
            DestroyWindow(Handle());
            return 0;
        case WM_DESTROY:
            if (m_watcher)
                m_watcher->Stop();
            m_display.Hide();
            if (m_iconShown) {
                NOTIFYICONDATAW data = {};
                data.cbSize = sizeof data;
                data.hWnd = Handle();
                data.uID = kIconId;
                Shell_NotifyIconW(NIM_DELETE, &data);
                m_iconShown = false;
            }
            PostQuitMessage(0);
            return 0;
        default:
            return win::Window::HandleMessage(message, wParam, lParam);
    }
}

}  // namespace tray
