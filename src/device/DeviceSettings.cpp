#include "device/DeviceSettings.h"

#include <algorithm>
#include <climits>

#include "device/Collections.h"
#include "device/Records.h"
#include "model/MouseConfig.h"

using win::ComPtr;

namespace devlink {

DeviceSettings SettingsOf(const CMouseConfig& config) {
    DeviceSettings settings;
    settings.pollingChoice = config.GetPollingRateChoice();
    settings.accelerationLevel = config.GetAccelerationLevel();
    settings.accelerationEnabled = config.GetAccelerationEnabled();
    settings.colourRanges = config.ColourRanges();
    return settings;
}

bool WriteAcceleration(devsvc::IDevice* device, const DeviceSettings& settings) {
    ComPtr<devsvc::IAcceleration> acceleration;
    if (!GetFeature(device, devsvc::kIidAcceleration, acceleration))
        return false;
    if (FAILED(acceleration->SetLevel(static_cast<ULONG>(std::max(settings.accelerationLevel, 0)))))
        return false;
    return SUCCEEDED(settings.accelerationEnabled ? acceleration->Enable() : acceleration->Disable());
}

bool ReadAcceleration(devsvc::IDevice* device, CMouseConfig& config) {
    ComPtr<devsvc::IAcceleration> acceleration;
    if (!GetFeature(device, devsvc::kIidAcceleration, acceleration))
        return false;
    ULONG level = 0;
    BOOL enabled = FALSE;
    if (FAILED(acceleration->Level(&level)) || FAILED(acceleration->Enabled(&enabled)))
        return false;
    config.SetAccelerationLevel(static_cast<int32_t>(std::min<ULONG>(level, INT32_MAX)));
    config.SetAccelerationEnabled(enabled != FALSE);
    return true;
}

bool WritePolling(devsvc::IDevice* device, const DeviceSettings& settings) {
    const uint32_t interval = records::PollingIntervalForChoice(settings.pollingChoice);
    if (interval == 0)
        return false;
    ComPtr<devsvc::IPolling> polling;
    return GetFeature(device, devsvc::kIidPolling, polling) && SUCCEEDED(polling->SetInterval(interval));
}

bool ReadPolling(devsvc::IDevice* device, CMouseConfig& config) {
    ComPtr<devsvc::IPolling> polling;
    ULONG interval = 0;
    if (!GetFeature(device, devsvc::kIidPolling, polling) || FAILED(polling->Interval(&interval)))
        return false;
    config.SetPollingRateChoice(records::PollingChoiceForInterval(interval));
    return true;
}

bool WriteColourRanges(devsvc::IDevice* device, const DeviceSettings& settings) {
    ComPtr<devsvc::IColourRanges> ranges;
    if (!GetFeature(device, devsvc::kIidColourRanges, ranges) ||
        !RemoveAllItems<devsvc::IColourRange>(ranges.get()))
        return false;
    for (const ColourRange& range : settings.colourRanges) {
        ComPtr<devsvc::IColourRange> item;
        ComPtr<devsvc::IColourRangeColour> colour;
        if (FAILED(ranges->Add(item.put())) || !item || FAILED(item->SetBounds(range.lower, range.upper)) ||
            !item.As(devsvc::kIidColourRangeColour, colour) || FAILED(colour->SetColour(range.colour)))
            return false;
    }
    return CountItems<devsvc::IColourRange>(ranges.get()) == settings.colourRanges.size();
}

bool ReadColourRanges(devsvc::IDevice* device, CMouseConfig& config) {
    ComPtr<devsvc::IColourRanges> ranges;
    if (!GetFeature(device, devsvc::kIidColourRanges, ranges))
        return false;
    std::vector<ColourRange> read;
    bool ok = true;
    const ULONG walked = ForEachItem<devsvc::IColourRange>(ranges.get(), [&](devsvc::IColourRange* item, ULONG) {
        ComPtr<devsvc::IColourRangeColour> colour;
        LONG lower = 0, upper = 0;
        ULONG value = 0;
        if (FAILED(item->Bounds(&lower, &upper)) || FAILED(item->QueryInterface(devsvc::kIidColourRangeColour,
                                                                                colour.put_void())) ||
            !colour || FAILED(colour->Colour(&value)))
            return ok = false;
        read.push_back({value, lower, upper});
        return true;
    });
    if (!ok || CountItems<devsvc::IColourRange>(ranges.get()) != walked)
        return false;
    // A mouse without ranges leaves the configuration's as they are.
    if (read.empty())
        return true;
    config.ClearColourRanges();
    for (const ColourRange& range : read)
        config.AddColourRange(range);
    return true;
}

}  // namespace devlink
