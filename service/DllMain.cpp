// The DLL's exports: the class factory of the device service's class and its
// registration. Registration is machine-wide (HKLM), as an installer makes
// it; Wine's CoCreateInstance does not look at per-user classes.
#include <olectl.h>
#include <windows.h>

#include <new>
#include <string>

#include "ComBase.h"
#include "EmulatedService.h"
#include "device/DeviceService.h"
#include "win/Handles.h"

namespace {

HMODULE g_module = nullptr;

class ClassFactory final : public tarnsvc::ComObject<IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return tarnsvc::CreateEnumerator(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override {
        tarnsvc::LockModule(lock != FALSE);
        return S_OK;
    }
};

std::wstring ClassKeyPath() {
    wchar_t clsid[64] = {};
    ::StringFromGUID2(devsvc::kClassId, clsid, static_cast<int>(std::size(clsid)));
    return std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
}

LSTATUS SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// The full path of this DLL; empty when it cannot be had.
std::wstring ModulePath() {
    wchar_t path[MAX_PATH * 2];
    const DWORD length = ::GetModuleFileNameW(g_module, path, static_cast<DWORD>(std::size(path)));
    if (length == 0 || length >= std::size(path))
        return {};
    return std::wstring(path, length);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, devsvc::kClassId))
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) ClassFactory();
    if (!factory)
        return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return tarnsvc::CanUnloadModule() ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    const std::wstring path = ModulePath();
    if (path.empty())
        return SELFREG_E_CLASS;
    win::UniqueKey classKey;
    win::UniqueKey serverKey;
    const std::wstring classPath = ClassKeyPath();
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, classPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                          classKey.put(), nullptr) != ERROR_SUCCESS ||
        SetString(classKey.get(), nullptr, L"Emulated mouse device service") != ERROR_SUCCESS ||
        ::RegCreateKeyExW(classKey.get(), L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr,
                          serverKey.put(), nullptr) != ERROR_SUCCESS ||
        SetString(serverKey.get(), nullptr, path) != ERROR_SUCCESS ||
        SetString(serverKey.get(), L"ThreadingModel", L"Both") != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    // The class may belong to another service by now (a real one installed
    // over ours): only a registration that names this file is ours to remove.
    wchar_t registered[MAX_PATH * 2] = {};
    DWORD size = sizeof(registered) - sizeof(wchar_t);
    const std::wstring serverPath = ClassKeyPath() + L"\\InprocServer32";
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, serverPath.c_str(), nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ,
                       nullptr, registered, &size) == ERROR_SUCCESS &&
        ::CompareStringOrdinal(registered, -1, ModulePath().c_str(), -1, TRUE) != CSTR_EQUAL)
        return S_OK;
    const LSTATUS status = ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassKeyPath().c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
