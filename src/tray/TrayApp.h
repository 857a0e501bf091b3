// The tray companion: a hidden window that owns the notification-area icon
// and its menu, watches the foreground for automatic switching, shows the
// on-screen display when the mouse's profile or stage changes, and pauses
// switching while the configurator runs.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>

#include "device/MouseGlance.h"
#include "tray/AutoSwitch.h"
#include "tray/MouseWatcher.h"
#include "tray/OnScreenDisplay.h"
#include "win/Handles.h"
#include "win/Window.h"

namespace tray {

inline constexpr wchar_t kWindowClass[] = L"TarnTrayCompanion";
inline constexpr wchar_t kMutexName[] = L"Local\\TarnTrayCompanion-{6B1F3C2A-94D7-4E21-B5A8-2C7E0F4D9A13}";
inline constexpr wchar_t kSettingsKey[] = L"Software\\Korvo\\Tarn\\Companion";
inline constexpr wchar_t kConfigurator[] = L"TarnConfig.exe";
// Set to "off" in the environment, the companion ends at once (test suites
// that start the configurator many times).
inline constexpr wchar_t kDisableVariable[] = L"TARN_COMPANION";

// Messages of the companion's window. The commands are those of its menu,
// so that scripts and tests drive it as the menu does.
enum : UINT {
    kMsgNotify = WM_APP + 1,       // the icon's notifications
    kMsgMouse = WM_APP + 2,        // the watcher has a report
    kMsgSecondStart = WM_APP + 3,  // wParam 1: started by the configurator; 0: show the menu
};
enum : UINT {
    kCmdAutoSwitch = 100,
    kCmdKeepProfile = 101,
    kCmdOpenConfigurator = 102,
    kCmdExit = 103,
    kCmdProfileFirst = 1000,  // + the profile's index in the mouse's order
    kCmdProfileLast = 1099,
};
// Delays, in milliseconds.
inline constexpr UINT kSettleMs = 300;       // a foreground that settles for less is passed over
inline constexpr UINT kIconRetryMs = 1000;   // no notification area yet (log-on)
inline constexpr int kIconRetries = 120;
// Only where the platform raises no foreground event (see TrayApp.cpp).
inline constexpr UINT kForegroundCheckMs = 100;

class TrayApp : public win::Window {
public:
    TrayApp();
    ~TrayApp() override;

    // Makes the window, the icon and the hook and starts the watcher.
    bool Start(HINSTANCE instance);
    // The message loop; returns the exit code.
    int Run();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static void CALLBACK ForegroundEvent(HWINEVENTHOOK hook, DWORD event, HWND hwnd, LONG object, LONG child,
                                         DWORD thread, DWORD time) noexcept;
    void OnForegroundChanged(HWND hwnd);
    void OnSettled();
    void OnMouseReport();
    void OnCommand(UINT id);
    void ShowMenu();
    void OpenConfigurator();
    bool AddIcon();
    void UpdateIcon();
    std::wstring ToolTip() const;
    bool IgnoredForeground(HWND hwnd) const;
    // Looks for a running configurator: switching pauses until its process ends.
    void CheckConfigurator();
    void OnConfiguratorEnded();
    bool SwitchingPaused() const { return !m_autoSwitch || m_configurator; }
    void ShowDisplayFor(const devlink::MouseGlance& before, const devlink::MouseGlance& now);
    void LoadSettings();
    void SaveSettings() const;

    static TrayApp* s_instance;
    HINSTANCE m_instance = nullptr;
    UINT m_taskbarCreated = 0;
    HWINEVENTHOOK m_hook = nullptr;
    bool m_foregroundEvents = false;  // the platform raised one: no look at the foreground needed
    HWND m_lastForeground = nullptr;
    bool m_iconShown = false;
    bool m_version4 = false;
    int m_iconRetries = 0;
    HICON m_icon = nullptr;        // shared resource icon
    win::UniqueIcon m_dimmedIcon;  // no mouse, or a mouse that does not answer
    std::unique_ptr<MouseWatcher> m_watcher;
    MouseWatcher::Report m_mouse;  // the last report
    bool m_haveMouse = false;      // m_mouse holds a report
    uint64_t m_requested = 0;      // the newest activation asked of the watcher
    SwitchPolicy m_policy;
    bool m_autoSwitch = true;
    win::UniqueHandle m_configurator;  // process of the running configurator
    OnScreenDisplay m_display;
    bool m_menuOpen = false;
};

// A copy of the icon in grey, half transparent: no mouse.
HICON MakeDimmedIcon(HICON icon);

// The text of a key of the current language, with %1 and %2 replaced.
std::wstring Text(const wchar_t* key, const std::wstring& first = {}, const std::wstring& second = {});

}  // namespace tray
