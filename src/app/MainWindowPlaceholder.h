// A frameless main window of the main class that stands in until the skinned
// main window exists; it keeps the single-instance behaviour whole.
#pragma once

#include <windows.h>

class CMouseConfig;
class IMouseDevice;

namespace app {

// Runs the main dialog template modally; returns the dialog's result. When
// the mouse is connected, the configuration is read from it first and the
// window names the mouse and its current profile.
INT_PTR RunMainWindowPlaceholder(HINSTANCE instance, IMouseDevice* device, CMouseConfig* config);

}  // namespace app
