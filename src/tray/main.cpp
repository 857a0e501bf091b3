// TarnTray.exe: the configurator's tray companion. One copy runs; a second
// start ends at once and has the first show its menu (or, when the
// configurator started it, tells the first that the configurator runs).
#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "app/Startup.h"
#include "controls/ItemFactories.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/SkinLoader.h"
#include "tray/TrayApp.h"
#include "win/Handles.h"

namespace {

// The configurator's language setting, read without creating or changing
// anything.
int InstalledLanguage() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, startup::kRegistryKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names::kDefaultLanguage;
    std::wstring name;
    const bool read = startup::ReadShortString(key, startup::kLanguageValue, name);
    RegCloseKey(key);
    const int id = read ? names::LanguageId(name.c_str()) : names::kDefaultLanguage;
    return id >= 0 ? id : names::kDefaultLanguage;
}

// Whether the process that started this one is the configurator.
bool StartedByConfigurator() {
    win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE)
        return false;
    const DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == self)
            parent = entry.th32ParentProcessID;
    }
    if (parent == 0)
        return false;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == parent)
            return _wcsicmp(entry.szExeFile, tray::kConfigurator) == 0;
    }
    return false;
}

// Hands the start over to the copy that runs; waits a little for its window
// when that copy is just starting.
void NotifyFirstCopy() {
    const WPARAM reason = StartedByConfigurator() ? 1 : 0;
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (HWND first = FindWindowW(tray::kWindowClass, nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(first, &pid);
            AllowSetForegroundWindow(pid);  // so that its menu may come to the front
            PostMessageW(first, tray::kMsgSecondStart, reason, 0);
            return;
        }
        Sleep(50);
    }
}

bool Disabled() {
    wchar_t value[8] = {};
    const DWORD length = GetEnvironmentVariableW(tray::kDisableVariable, value, 8);
    return length > 0 && length < 8 && _wcsicmp(value, L"off") == 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int) {
    if (Disabled())
        return 0;
    win::UniqueHandle mutex(CreateMutexW(nullptr, FALSE, tray::kMutexName));
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        NotifyFirstCopy();
        return 0;
    }
    win::ComApartment com;
    names::BuildAllNameTables();
    controls::RegisterItemFactories();
    ItemList languages;  // the language tables live as long as the program
    skin::LoadSkinFile(L"Language.xml", languages, nullptr, nullptr);
    lang::SelectCurrent(InstalledLanguage());

    tray::TrayApp app;
    if (!app.Start(instance))
        return 1;
    return app.Run();
}
