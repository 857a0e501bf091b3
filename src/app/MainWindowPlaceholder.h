// A frameless main window of the main class that stands in until the skinned
// main window exists; it keeps the single-instance behaviour whole.
#pragma once

#include <windows.h>

namespace app {

// Runs the main dialog template modally; returns the dialog's result.
INT_PTR RunMainWindowPlaceholder(HINSTANCE instance);

}  // namespace app
