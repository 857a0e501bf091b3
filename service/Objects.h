// Creators of the service's COM objects, so that each family of objects
// lives in its own source file. Every object holds a reference to its mouse;
// objects that stand for one profile, macro or range hold its identity and
// fail with kErrNotFound once it is removed.
#pragma once

#include <windows.h>

#include "EmulatedMouse.h"
#include "device/DeviceService.h"

namespace tarnsvc {

HRESULT NewDevice(const MouseRef& mouse, devsvc::IDevice** out);
HRESULT NewProfiles(const MouseRef& mouse, REFIID iid, void** out);
HRESULT NewMacros(const MouseRef& mouse, REFIID iid, void** out);

// A new name "<stem> N" with the smallest N that no name in `taken` uses.
template <typename Items>
std::wstring UnusedName(const wchar_t* stem, const Items& taken) {
    for (int n = 1;; ++n) {
        std::wstring name = std::wstring(stem) + L" " + std::to_wstring(n);
        bool used = false;
        for (const auto& item : taken)
            used = used || item.name == name;
        if (!used)
            return name;
    }
}

// A copy of `text` in a CoTaskMemAlloc buffer; null when out of memory.
wchar_t* TaskMemString(const std::wstring& text) noexcept;

}  // namespace tarnsvc
