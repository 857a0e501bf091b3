// The pieces of start-up that decide things: the single-instance check and
// the installation settings kept in the registry.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace startup {

inline constexpr wchar_t kWindowClass[] = L"SINGLE_INSTANCE_APP_TARN";
inline constexpr wchar_t kMutexName[] = L"CSingleInstanceApp{B98C6AA5-57C0}";
inline constexpr DWORD kMutexWaitMs = 1000;
inline constexpr wchar_t kRegistryKey[] = L"Software\\Korvo\\Tarn";
inline constexpr wchar_t kLanguageValue[] = L"Language";
inline constexpr wchar_t kInstallDirValue[] = L"InstallDir";
inline constexpr wchar_t kTrayCompanion[] = L"TarnTray.exe";
inline constexpr wchar_t kSettingsKey[] = L"Local AppWizard-Generated Applications";
inline constexpr uint16_t kProductId = 21;
inline constexpr DWORD kRegistryValueBytes = 80;  // 39 characters and the terminator

// Registers the main window's class: the dialog manager's window procedure
// with the dialog extra bytes, so that the main dialog template can name it
// and a second copy can find the first by it.
bool RegisterMainWindowClass(HINSTANCE instance);

enum class InstanceCheck {
    First,           // no other copy: go on
    OtherActivated,  // another copy runs and was brought forward
    TimedOut,        // the check itself could not be made in time
};
// Serialises the check with the named mutex and, when a window of the main
// class exists, brings it (or its open popup) forward.
InstanceCheck CheckSingleInstance();
// Brings a running copy's window forward: its last active popup is restored
// when minimised, otherwise made the foreground window.
void ActivateRunningCopy(HWND existing);

struct InstallSettings {
    bool keyAvailable = false;  // the key could be opened (or created)
    bool writable = false;      // opened or created with full access
    int32_t languageId = -1;    // -1: the stored name is not a known language
    std::wstring installDir;    // without a trailing backslash; empty when unread
};

// How the key is opened and created; the platform's functions unless a test
// stands in for a registry that refuses write access.
struct RegistryOps {
    LONG(WINAPI* open)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY) = RegOpenKeyExW;
    LONG(WINAPI* create)
    (HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD) = RegCreateKeyExW;
};

// Reads "Language" and "InstallDir" under root\subkey: full access, else
// create, else read-only. Language unreadable -> the default language; a
// name that is not a language -> -1.
InstallSettings ReadInstallSettings(HKEY root, const wchar_t* subkey, const RegistryOps& ops = {});

// Reads a string value of at most kRegistryValueBytes; false when missing,
// not a string or too long.
bool ReadShortString(HKEY key, const wchar_t* value, std::wstring& out);

// Removes one trailing backslash.
std::wstring TrimInstallDir(std::wstring dir);

// Starts the tray companion without any error UI of the shell.
bool StartTrayCompanion();

}  // namespace startup
