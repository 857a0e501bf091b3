// The mouse at a glance, and the changes that need no configuration: what the
// tray companion and tarnctl's profile and button commands read and do. Each
// call opens its own connection through the device service and closes it
// before returning; nothing here holds a copy of the mouse.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/Mouse.h"

namespace devlink {

// Creates the service and keeps the first device of the product.
bool OpenLink(uint32_t product, Link& link);

struct ProfileGlance {
    GUID id = {};
    std::wstring name;
    std::wstring programPath;  // full path of the program of automatic switching; empty when none
    bool autoSwitch = false;
    bool dpiDisplay = false;      // show the sensitivity on screen when it changes
    bool profileDisplay = false;  // show the profile on screen when it changes
};

struct MouseGlance {
    uint32_t revision = 0;  // 0: the service keeps none
    std::vector<ProfileGlance> profiles;  // in the mouse's order
    int active = -1;                      // index into profiles; -1 when none is active
    uint32_t stage = 0;                   // the active profile's active stage, 1-based; 0 when unknown
    uint32_t stageCount = 0;
    int32_t sensitivity = 0;  // the active profile's current resolution
    // The event the service sets at every committed change; empty when it
    // names none (then the mouse is watched by a slow poll).
    std::wstring changeSignal;

    const ProfileGlance* ActiveProfile() const {
        return active >= 0 && active < static_cast<int>(profiles.size()) ? &profiles[active] : nullptr;
    }
};

enum class Outcome {
    kDone,
    kNoMouse,    // no service, or no mouse of the product (also a busy mouse that cannot be read)
    kNotFound,   // no such profile
    kUnchanged,  // the button has nothing to do (the first or last stage)
    kFailed,     // the mouse answered and refused, or a read stopped part way
};

// The whole glance, or nothing: a walk that stops part way fails rather
// than showing a mouse with fewer profiles.
Outcome ReadGlance(uint32_t product, MouseGlance& out);

// Makes the profile of `id` the active one.
Outcome ActivateProfile(uint32_t product, const GUID& id);

// The mouse's own buttons: stage up and down stop at the last and first
// stage in use, stage cycle goes round; profile next and previous go round
// the profiles in the mouse's order.
enum class MouseButton { kStageUp, kStageDown, kStageCycle, kProfileNext, kProfilePrevious };
Outcome PressButton(uint32_t product, MouseButton button);

// The stage or profile index a button leads to from `current` of `count`
// (stages 1-based, profiles 0-based); `current` itself when nothing changes.
uint32_t StageAfter(MouseButton button, uint32_t current, uint32_t count);
int ProfileAfter(MouseButton button, int current, int count);

}  // namespace devlink
