#include "device/MacroTransfer.h"

#include <cstring>
#include <cwchar>

#include "device/Collections.h"
#include "macro/Macro.h"
#include "model/MouseConfig.h"

using win::ComPtr;

namespace devlink {

bool SendEvents(devsvc::IMacroItem* item, const CMacro& macro) {
    const std::vector<uint8_t> buffer = macrobuf::FromEvents(macro.Events());
    auto block = TaskCopy(buffer.data(), buffer.size());
    return block && SUCCEEDED(item->SetEvents(block.get()));
}

bool ReadMacroItem(devsvc::IMacroItem* item, CMacro& macro, bool* converted) {
    GUID id = {};
    std::wstring name;
    win::CoTaskMemOut<BYTE> buffer;
    if (FAILED(item->Id(&id)) || !ReadName(item, name) || FAILED(item->Events(buffer.put())))
        return false;
    // The buffer carries its own count. One whose count does not fit the
    // block the service really allocated is damaged: it is not read at all.
    const size_t size = win::CoTaskMemSize(buffer.get());
    devsvc::EventBufferHeader header = {};
    if (!buffer.get() || size < sizeof(header))
        return false;
    std::memcpy(&header, buffer.get(), sizeof(header));
    if (header.count > (size - sizeof(header)) / sizeof(devsvc::EventEntry))
        return false;
    MacroEvents events;
    const bool any = macrobuf::ToEvents(buffer.get(), size, events);
    macro.SetId(id);
    macro.SetName(name.c_str());
    if (any)
        macro.SetEvents(events);
    if (converted)
        *converted = any;
    return true;
}

bool CreateDeviceMacro(devsvc::IMacros* macros, CMacro& macro) {
    if (!macros || macro.Events().empty())
        return false;
    ComPtr<devsvc::IMacroItem> item;
    if (FAILED(macros->Create(item.put())) || !item)
        return false;
    GUID id = {};
    if (FAILED(item->Id(&id)) || IsNull(id) || !SendEvents(item.get(), macro) ||
        FAILED(item->SetName(macro.Name()))) {
        macros->Remove(item.get());
        return false;
    }
    macro.SetId(id);
    return true;
}

bool FindMacroItem(devsvc::IMacros* macros, const GUID& id, ComPtr<devsvc::IMacroItem>& item) {
    item.reset();
    if (IsNull(id) || FAILED(macros->Find(id, item.put())) || !item) {
        item.reset();
        return false;
    }
    return true;
}

bool WriteMacros(devsvc::IMacros* macros, std::vector<CMacro>& list) {
    bool ok = true;
    for (CMacro& macro : list) {
        // Without events nothing goes to the mouse.
        if (macro.Events().empty())
            continue;
        if (!macro.HasId()) {
            ok = CreateDeviceMacro(macros, macro) && ok;
            continue;
        }
        // The write kept this macro on the mouse a moment ago: one that does
        // not load now is a failed call, not a reason for a second copy that
        // the assignments already sent would not name.
        ComPtr<devsvc::IMacroItem> item;
        CMacro stored;
        if (!FindMacroItem(macros, macro.Id(), item) || !ReadMacroItem(item.get(), stored)) {
            ok = false;
            continue;
        }
        // Exact comparison, so that a change of letter case reaches the mouse too.
        if (wcscmp(stored.Name(), macro.Name()) != 0 && FAILED(item->SetName(macro.Name()))) {
            ok = false;
            continue;
        }
        if (stored.Events() != macro.Events() && !SendEvents(item.get(), macro))
            ok = false;
    }
    return ok;
}

bool ReadMacros(devsvc::IDevice* device, CMouseConfig& config) {
    ComPtr<devsvc::IMacros> macros;
    if (!GetFeature(device, devsvc::kIidMacros, macros))
        return false;
    bool ok = true;
    const ULONG walked = ForEachItem<devsvc::IMacroItem>(macros.get(), [&](devsvc::IMacroItem* item, ULONG) {
        CMacro read;
        bool converted = false;
        if (!ReadMacroItem(item, read, &converted)) {
            ok = false;
            return true;
        }
        if (CMacro* known = config.FindMacroById(read.Id())) {
            known->SetName(read.Name());
            // A buffer that converts to nothing leaves the events as they were.
            if (converted)
                known->SetEvents(read.Events());
            return true;
        }
        // A name the list already holds (ignoring case) cannot be added twice.
        if (CMacro* added = config.CreateMacro(read.Name(), read.Events()))
            added->SetId(read.Id());
        return true;
    });
    // A macro missing from the list would be removed from the mouse by the next write.
    return CountItems<devsvc::IMacroItem>(macros.get()) == walked && ok;
}

}  // namespace devlink
