// Macros on the mouse: creating one, reading one back, and the macro section
// of a write and of a read.
#pragma once

#include <vector>

#include "device/DeviceService.h"
#include "win/ComPtr.h"

class CMacro;
class CMouseConfig;

namespace devlink {

// Sends the events as an event buffer from the task allocator.
bool SendEvents(devsvc::IMacroItem* item, const CMacro& macro);
// Identifier, name and events of a device macro into `macro`. The events are
// replaced only when the buffer converts to at least one; `converted` tells
// whether it did. A missing or damaged event buffer fails the read.
bool ReadMacroItem(devsvc::IMacroItem* item, CMacro& macro, bool* converted = nullptr);
// Creates the macro on the mouse (never one without events); the identifier
// is stored only when the macro is there completely.
bool CreateDeviceMacro(devsvc::IMacros* macros, CMacro& macro);
bool FindMacroItem(devsvc::IMacros* macros, const GUID& id, win::ComPtr<devsvc::IMacroItem>& item);
// Brings every macro up to date on the mouse: one without identity is
// created, one that differs is renamed and its events sent.
bool WriteMacros(devsvc::IMacros* macros, std::vector<CMacro>& list);
bool ReadMacros(devsvc::IDevice* device, CMouseConfig& config);

}  // namespace devlink
