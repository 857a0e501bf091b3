#include "app/pages/FileDialog.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "skin/LangTable.h"

namespace pages {

std::wstring FilterName(const std::wstring& extension, const std::wstring& kind, const wchar_t* filterKey) {
    std::wstring name;
    if (filterKey == nullptr || !lang::Resolve(filterKey, name) || name.empty() ||
        name.find(L'|') != std::wstring::npos)
        return extension + L" " + kind + L" Files (*." + extension + L")";
    for (size_t at = name.find(L"%1"); at != std::wstring::npos; at = name.find(L"%1", at + extension.size()))
        name.replace(at, 2, extension);
    return name;
}

bool AskForExportFile(HWND owner, bool save, const std::wstring& extension, const std::wstring& kind,
                      const wchar_t* filterKey, const std::wstring& folder, std::wstring& path) {
    const std::wstring initial = L"." + extension;
    // Name and pattern, each ended by a zero, and one more zero at the end.
    std::wstring filter = FilterName(extension, kind, filterKey);
    filter += L'\0';
    filter += L"*." + extension;
    filter += L'\0';
    filter += L'\0';
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
