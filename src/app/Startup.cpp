#include "app/Startup.h"

#include <shellapi.h>

#include "app/resource.h"
#include "skin/NameTables.h"
#include "win/Handles.h"

namespace startup {

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSW wc = {};
    wc.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;  // 0x2808
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINICON));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kWindowClass;
    if (RegisterClassW(&wc))
        return true;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void ActivateRunningCopy(HWND existing) {
    HWND popup = GetLastActivePopup(existing);
    if (!popup)
        popup = existing;
    BringWindowToTop(existing);
    if (IsIconic(popup))
        ShowWindow(popup, SW_RESTORE);
    else
        SetForegroundWindow(popup);
}

InstanceCheck CheckSingleInstance() {
    win::UniqueHandle mutex(CreateMutexW(nullptr, FALSE, kMutexName));
    if (!mutex)
        return InstanceCheck::First;  // without the mutex the window check still holds
    DWORD wait = WaitForSingleObject(mutex.get(), kMutexWaitMs);
    if (wait == WAIT_TIMEOUT)
        return InstanceCheck::TimedOut;
    // WAIT_ABANDONED also grants ownership: a copy died inside the check.
    InstanceCheck result = InstanceCheck::First;
    if (HWND existing = FindWindowW(kWindowClass, nullptr)) {
        ActivateRunningCopy(existing);
        result = InstanceCheck::OtherActivated;
    }
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED)
        ReleaseMutex(mutex.get());
    return result;
}

bool ReadShortString(HKEY key, const wchar_t* value, std::wstring& out) {
    // One spare character so that a value stored without its terminator is
    // still read as a terminated text.
    wchar_t buffer[kRegistryValueBytes / sizeof(wchar_t) + 1] = {};
    DWORD type = 0;
    DWORD size = kRegistryValueBytes;
    LONG rc = RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    buffer[std::min<DWORD>(size / sizeof(wchar_t), kRegistryValueBytes / sizeof(wchar_t))] = L'\0';
    out = buffer;
    return true;
}

std::wstring TrimInstallDir(std::wstring dir) {
    if (!dir.empty() && dir.back() == L'\\')
        dir.pop_back();
    return dir;
}

InstallSettings ReadInstallSettings(HKEY root, const wchar_t* subkey, const RegistryOps& ops) {
    InstallSettings settings;
    win::UniqueKey key;
    if (ops.open(root, subkey, 0, KEY_ALL_ACCESS, key.put()) == ERROR_SUCCESS ||
        ops.create(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(),
                   nullptr) == ERROR_SUCCESS) {
        settings.writable = true;
    } else if (ops.open(root, subkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        // A normal user may read the machine's key without being allowed to
        // write it; only when even that fails do we fall back to English.
        settings.languageId = names::kDefaultLanguage;
        return settings;
    }
    settings.keyAvailable = true;

    std::wstring language;
    if (ReadShortString(key.get(), kLanguageValue, language))
        settings.languageId = names::LanguageId(language.c_str());
    else
        settings.languageId = names::kDefaultLanguage;

    std::wstring dir;
    if (ReadShortString(key.get(), kInstallDirValue, dir))
        settings.installDir = TrimInstallDir(std::move(dir));
    return settings;
}

bool StartTrayCompanion() {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;  // a missing companion is not worth a message
    info.lpVerb = L"open";
    info.lpFile = kTrayCompanion;
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}

}  // namespace startup
