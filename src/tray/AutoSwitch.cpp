#include "tray/AutoSwitch.h"

#include <cwchar>

namespace tray {

bool SameProgram(const std::wstring& a, const std::wstring& b) {
    return !a.empty() && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

int ProfileForProgram(const std::vector<devlink::ProfileGlance>& profiles, const std::wstring& program) {
    for (size_t i = 0; i < profiles.size(); ++i) {
        if (profiles[i].autoSwitch && SameProgram(profiles[i].programPath, program))
            return static_cast<int>(i);
    }
    return -1;
}

bool IsShellWindowClass(const wchar_t* className) {
    static const wchar_t* const kShell[] = {
        L"Progman", L"WorkerW", L"#32769",  // the desktop
        L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd", L"NotifyIconOverflowWindow", L"TopLevelWindowForOverflowXamlIsland",
        L"MultitaskingViewFrame", L"TaskSwitcherWnd", L"TaskSwitcherOverlayWnd", L"XamlExplorerHostIslandWindow",
        L"ForegroundStaging", L"Windows.UI.Core.CoreWindow", L"DV2ControlHost", L"#32768",  // menus
    };
    for (const wchar_t* name : kShell) {
        if (_wcsicmp(className, name) == 0)
            return true;
    }
    return false;
}

SwitchPolicy::Decision SwitchPolicy::OnForeground(const std::wstring& program, const devlink::MouseGlance& mouse) {
    Decision decision;
    const devlink::ProfileGlance* active = mouse.ActiveProfile();
    const int match = ProfileForProgram(mouse.profiles, program);
    if (match >= 0) {
        const GUID target = mouse.profiles[static_cast<size_t>(match)].id;
        if (m_switched) {
            // From one tied program to another: the first one's return stays.
            if (target != m_switchedTo) {
                m_switchedTo = target;
                decision = {true, target};
            }
            return decision;
        }
        if (active && active->id == target)
            return decision;  // the user has it active already: nothing to give back later
        m_returnTo = active ? active->id : GUID{};
        m_switchedTo = target;
        m_switched = true;
        return {true, target};
    }
    if (!m_switched || m_keep)
        return decision;
    m_switched = false;
    for (const devlink::ProfileGlance& p : mouse.profiles) {
        if (p.id == m_returnTo && m_returnTo != GUID{})
            return {true, p.id};  // a profile deleted meanwhile has nothing to return to
    }
    return decision;
}

void SwitchPolicy::OnMouse(const devlink::MouseGlance& mouse, bool settled) {
    if (!m_switched || !settled)
        return;
    const devlink::ProfileGlance* active = mouse.ActiveProfile();
    if (!active || active->id != m_switchedTo)
        m_switched = false;  // changed by the menu, the configurator or the mouse's button
}

}  // namespace tray
