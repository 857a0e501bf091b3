// The on-screen display: a small skinned panel (skin file
// "TrayDisplay.xml") that shows the new profile and sensitivity for a
// moment. Topmost, it never takes the focus and lets clicks through; a new
// display replaces the one showing.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "controls/Panel.h"

namespace tray {

class OnScreenDisplay {
public:
    static constexpr UINT kShowMs = 1500;
    static constexpr wchar_t kClassName[] = L"TarnTrayDisplay";
    static constexpr BYTE kOpacity = 235;

    OnScreenDisplay();
    OnScreenDisplay(const OnScreenDisplay&) = delete;
    OnScreenDisplay& operator=(const OnScreenDisplay&) = delete;
    ~OnScreenDisplay();

    // Registers the display's window class (the dialog manager's procedure).
    static bool RegisterClass(HINSTANCE instance);
    // The companion's hidden window owns the display: an owned window gets
    // no task bar button.
    void SetOwner(HWND owner) { m_owner = owner; }

    // Shows the lines (an empty one is left out) on the monitor of `anchor`
    // for kShowMs, replacing what shows. The window's title holds the lines
    // shown, one after the other.
    void Show(const std::wstring& profileLine, const std::wstring& sensitivityLine, const std::wstring& stageLine,
              HWND anchor);
    void Hide();
    HWND Window() const;

private:
    class Panel;
    bool Ensure();
    std::unique_ptr<Panel> m_panel;
    HWND m_owner = nullptr;
};

}  // namespace tray
