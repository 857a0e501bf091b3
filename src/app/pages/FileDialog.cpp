#include "app/pages/FileDialog.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace pages {

bool AskForExportFile(HWND owner, bool save, const std::wstring& extension, const std::wstring& kind,
                      const std::wstring& folder, std::wstring& path) {
    const std::wstring initial = L"." + extension;
    std::wstring filter = extension + L" " + kind + L" Files (*." + extension + L")|*." + extension + L"||";
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    std::vector<wchar_t> file(32768, L'\0');
    std::copy(initial.begin(), initial.end(), file.begin());
    CreateDirectoryW(folder.c_str(), nullptr);

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.c_str();
    dialog.lpstrDefExt = extension.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen)
        return false;
    path.assign(file.data());
    return path.size() > initial.size();
}

}  // namespace pages
