#include "win/ModuleDir.h"

#include <windows.h>
#include <shlobj.h>

namespace app {
namespace {

std::wstring& Storage() {
    static std::wstring dir;
    return dir;
}

std::wstring ComputeModuleDirectory() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return L".\\";
    wchar_t drive[_MAX_DRIVE] = {};
    wchar_t dir[_MAX_DIR] = {};
    if (_wsplitpath_s(path, drive, _MAX_DRIVE, dir, _MAX_DIR, nullptr, 0, nullptr, 0) != 0)
        return L".\\";
    std::wstring result = std::wstring(drive) + dir;
    if (result.empty() || result.back() != L'\\')
        result += L'\\';
    return result;
}

std::wstring& UserStorage() {
    static std::wstring dir;
    return dir;
}

std::wstring ComputeUserDataDirectory() {
    PWSTR folder = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &folder)) && folder &&
        folder[0] != L'\0') {
        result = folder;
        if (result.back() != L'\\')
            result += L'\\';
        result += L"Korvo\\Tarn\\";
    }
    CoTaskMemFree(folder);
    return result;
}

}  // namespace

const std::wstring& ModuleDirectory() {
    std::wstring& dir = Storage();
    if (dir.empty())
        dir = ComputeModuleDirectory();
    return dir;
}

void SetModuleDirectory(const std::wstring& dir) {
    std::wstring& stored = Storage();
    stored = dir;
    if (stored.empty() || stored.back() != L'\\')
        stored += L'\\';
}

const std::wstring& UserDataDirectory() {
    std::wstring& dir = UserStorage();
    if (dir.empty())
        dir = ComputeUserDataDirectory();
    return dir;
}

void SetUserDataDirectory(const std::wstring& dir) {
    std::wstring& stored = UserStorage();
    stored = dir;
    if (stored.empty() || stored.back() != L'\\')
        stored += L'\\';
}

std::wstring ModuleFile(const wchar_t* folder, const std::wstring& name) {
    const bool absolute =
        (name.size() >= 2 && name[1] == L':') || (!name.empty() && (name[0] == L'\\' || name[0] == L'/'));
    return absolute ? name : ModuleDirectory() + folder + name;
}

}  // namespace app
