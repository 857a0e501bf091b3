// Automatic switching: which profile a program in front asks for, and when
// the profile that was active before comes back. Pure decisions, made on the
// companion's window thread from what the mouse last reported; the change
// itself is made by the mouse watcher.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "device/MouseGlance.h"

namespace tray {

// Full program paths name the same program when they are equal without
// regard to case.
bool SameProgram(const std::wstring& a, const std::wstring& b);

// The first profile whose program is `program` and whose automatic switching
// is on; -1 when none (an empty path never matches).
int ProfileForProgram(const std::vector<devlink::ProfileGlance>& profiles, const std::wstring& program);

// Windows of the shell that are no change of program: the desktop, the task
// bar, the task switcher, the start menu, menus.
bool IsShellWindowClass(const wchar_t* className);

class SwitchPolicy {
public:
    struct Decision {
        bool activate = false;
        GUID profile = {};
    };

    // The foreground settled on a window of `program` (its full image path).
    Decision OnForeground(const std::wstring& program, const devlink::MouseGlance& mouse);
    // What the mouse holds now. `settled`: every change this policy asked
    // for has been made (or given up) before the mouse was read, so a
    // profile other than the one switched to was chosen by someone else.
    void OnMouse(const devlink::MouseGlance& mouse, bool settled);
    // The user chose a profile (the menu): nothing to return to.
    void OnUserChoice() { m_switched = false; }
    // "Keep the profile until another program's profile takes over".
    void SetKeepProfile(bool keep) { m_keep = keep; }
    bool KeepProfile() const { return m_keep; }
    // While a switch of ours holds: the profile it returns to.
    bool Switched() const { return m_switched; }

private:
    bool m_keep = false;
    bool m_switched = false;  // the active profile is one this policy switched to
    GUID m_switchedTo = {};
    GUID m_returnTo = {};  // null: nothing was active before
};

}  // namespace tray
