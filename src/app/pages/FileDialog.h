// The platform's open and save dialogs for the export files of profiles and
// macros: "<ext> <Kind> Files (*.<ext>)", starting in the given folder with
// the initial name "." and the extension. The filter's name comes from the
// language key `filterKey` (its %1 the extension); English without one.
#pragma once

#include <windows.h>

#include <string>

namespace pages {

// False when cancelled or when no more than the initial name came back;
// otherwise the chosen path.
bool AskForExportFile(HWND owner, bool save, const std::wstring& extension, const std::wstring& kind,
                      const wchar_t* filterKey, const std::wstring& folder, std::wstring& path);

// The filter's name: the language's text of `filterKey` with every %1 the
// extension, or "<ext> <kind> Files (*.<ext>)".
std::wstring FilterName(const std::wstring& extension, const std::wstring& kind, const wchar_t* filterKey);

}  // namespace pages
