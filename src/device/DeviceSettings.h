// The device-wide sections: acceleration, polling rate and (product 25) the
// colour ranges.
#pragma once

#include <cstdint>
#include <vector>

#include "device/DeviceService.h"
#include "model/MouseConfig.h"

class CMouseConfig;

namespace devlink {

// The device-wide values of a configuration, as a write sends them.
struct DeviceSettings {
    int32_t pollingChoice = -1;
    int32_t accelerationLevel = 0;
    bool accelerationEnabled = false;
    std::vector<ColourRange> colourRanges;
};
DeviceSettings SettingsOf(const CMouseConfig& config);

bool WriteAcceleration(devsvc::IDevice* device, const DeviceSettings& settings);
bool ReadAcceleration(devsvc::IDevice* device, CMouseConfig& config);
bool WritePolling(devsvc::IDevice* device, const DeviceSettings& settings);
bool ReadPolling(devsvc::IDevice* device, CMouseConfig& config);
bool WriteColourRanges(devsvc::IDevice* device, const DeviceSettings& settings);
bool ReadColourRanges(devsvc::IDevice* device, CMouseConfig& config);

}  // namespace devlink
