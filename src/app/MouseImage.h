// What the mouse holds of a configuration, as text that two configurations
// can be compared by: the device-wide settings, every profile in order with
// what the mouse keeps of it, the current profile and every macro. What the
// mouse does not keep (files, the program file's display name, values of
// stages not in use, virtual keys beside scan codes) is left out, and a
// macro or profile named by identity or by name reads the same. The main
// window tells unsaved changes by it and checks a write by reading back.
#pragma once

#include <string>

class CMouseConfig;

namespace app {

std::wstring MouseImage(CMouseConfig& config);

// The first line where two images differ, as "expected / found" (which part
// of the mouse did not take the write), empty when they are the same.
std::wstring FirstDifference(const std::wstring& expected, const std::wstring& found);

}  // namespace app
