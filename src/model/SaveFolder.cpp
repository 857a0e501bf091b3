#include "model/SaveFolder.h"

#include <windows.h>
#include <shlobj.h>

#include "win/Handles.h"
#include "win/ModuleDir.h"

namespace savefolder {
namespace {

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WithoutTrailingSlash(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    return path;
}

bool CreateFolderTree(const std::wstring& folder) {
    const int result = SHCreateDirectoryExW(nullptr, WithoutTrailingSlash(folder).c_str(), nullptr);
    return result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS || result == ERROR_FILE_EXISTS;
}

// Calls visit(name) for every plain file of the folder.
template <typename Visit>
bool ForEachFile(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW found = {};
    const win::UniqueFind search(FindFirstFileW((folder + L"*").c_str(), &found));
    if (!search)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool ok = true;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ok = visit(std::wstring(found.cFileName)) && ok;
    } while (FindNextFileW(search.get(), &found));
    return ok;
}

// Copies the old folder's files into a staging folder beside the new one and
// then renames it into place, so an interrupted copy is never mistaken for
// a finished one. Copies are made writable: the old files may be read-only.
void CarryOver(const std::wstring& oldFolder, const std::wstring& newFolder) {
    const std::wstring staging = WithoutTrailingSlash(newFolder) + L".partial\\";
    // What an interrupted earlier attempt left behind.
    ForEachFile(staging, [&](const std::wstring& name) { return DeleteFileW((staging + name).c_str()) != FALSE; });
    if (!CreateFolderTree(staging))
        return;
    const bool copied = ForEachFile(oldFolder, [&](const std::wstring& name) {
        const std::wstring target = staging + name;
        if (!CopyFileW((oldFolder + name).c_str(), target.c_str(), FALSE))
            return false;
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        return true;
    });
    // On failure the staging folder stays and the next start tries again;
    // the user's folder is then created on demand by the first save.
    if (copied)
        MoveFileW(WithoutTrailingSlash(staging).c_str(), WithoutTrailingSlash(newFolder).c_str());
}

}  // namespace

bool CanCreateFilesIn(const std::wstring& folder) {
    std::wstring dir = folder;
    if (dir.empty() || dir.back() != L'\\')
        dir += L'\\';
    const std::wstring probe = dir + L"~tarn-write-check-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                               std::to_wstring(GetTickCount64()) + L".tmp";
    const win::UniqueFile file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return static_cast<bool>(file);
}

std::wstring Choose(const std::wstring& moduleDir) {
    const std::wstring moduleSave = moduleDir + L"save\\";
    const bool moduleSaveExists = IsFolder(moduleSave);
    // A missing save folder is made on demand in the module directory.
    if (CanCreateFilesIn(moduleSaveExists ? moduleSave : moduleDir))
        return moduleSave;
    const std::wstring& userDir = app::UserDataDirectory();
    if (userDir.empty())
        return moduleSave;
    const std::wstring userSave = userDir + L"save\\";
    if (!IsFolder(userSave) && moduleSaveExists)
        CarryOver(moduleSave, userSave);
    return userSave;
}

}  // namespace savefolder
