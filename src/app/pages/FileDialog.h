// The platform's open and save dialogs for the export files of profiles and
// macros: "<ext> <Kind> Files (*.<ext>)", starting in the given folder with
// the initial name "." and the extension.
#pragma once

#include <windows.h>

#include <string>

namespace pages {

// False when cancelled or when no more than the initial name came back;
// otherwise the chosen path.
bool AskForExportFile(HWND owner, bool save, const std::wstring& extension, const std::wstring& kind,
                      const std::wstring& folder, std::wstring& path);

}  // namespace pages
