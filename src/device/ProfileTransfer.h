// The per-profile sections: properties, sensitivity limits and stages,
// lights and assignments, each written to or read from one device profile.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "device/DeviceService.h"
#include "model/MouseDevice.h"
#include "model/Types.h"

class CMouseProfile;

namespace devlink {

// What Initialize learned of the mouse: the buttons and keys it has.
struct DeviceCaps {
    std::vector<uint32_t> buttonBits;  // ascending
    std::vector<uint32_t> keyIds;
};

// Turns a by-name assignment into its by-identity form before it is sent;
// false when the target is unknown or not on the mouse, so the button keeps
// its device function.
using AssignmentResolver = std::function<bool(Assignment&)>;

// The buttons and keys, from the active profile (the first one when none is
// active); false when the mouse holds no profile or cannot tell.
bool ReadCapabilities(devsvc::IDeviceProfiles* profiles, DeviceCaps& caps);
// The mouse's limits from any of its profiles; the usual ones when it does
// not tell them.
DeviceLimits ReadDeviceLimits(devsvc::IDeviceProfiles* profiles);

bool WriteProperties(devsvc::IDeviceProfile* device, const CMouseProfile& profile);
bool ReadProperties(devsvc::IDeviceProfile* device, CMouseProfile& profile);
bool ReadLimits(devsvc::IDeviceProfile* device, CMouseProfile& profile);
bool WriteSensitivity(devsvc::IDeviceProfile* device, const CMouseProfile& profile);
bool ReadSensitivity(devsvc::IDeviceProfile* device, CMouseProfile& profile);
bool WriteLights(devsvc::IDeviceProfile* device, const CMouseProfile& profile);
bool ReadLights(devsvc::IDeviceProfile* device, CMouseProfile& profile);
bool WriteAssignments(devsvc::IDeviceProfile* device, CMouseProfile& profile, const DeviceCaps& caps,
                      const AssignmentResolver& resolve);
bool ReadAssignments(devsvc::IDeviceProfile* device, CMouseProfile& profile, const DeviceCaps& caps);

}  // namespace devlink
