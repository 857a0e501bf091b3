#include "app/Manual.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "skin/LangTable.h"
#include "win/ModuleDir.h"

namespace app {

namespace {
constexpr DWORD kAddressLimit = 2084;  // the longest address the shell takes
}  // namespace

const wchar_t* ManualFolder(int32_t languageId) {
    switch (languageId) {
        case 319: return L"zh-Hans";
        case 320: return L"zh-Hant";
        case 321: return L"fr";
        case 322: return L"fr-CA";
        case 323: return L"de";
        case 324: return L"ko";
        case 325: return L"ru";
        case 326: return L"ja";
        default: return L"";
    }
}

std::wstring ManualFile(const std::wstring& moduleDir, int32_t languageId) {
    const std::wstring english = moduleDir + L"Manuals\\index.html";
    const std::wstring folder = ManualFolder(languageId);
    if (folder.empty())
        return english;
    const std::wstring own = moduleDir + L"Manuals\\" + folder + L"\\index.html";
    const DWORD attributes = GetFileAttributesW(own.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return english;
    return own;
}

std::wstring ManualAddress(const std::wstring& file, const wchar_t* chapter) {
    // The platform encodes what an address cannot hold as it is (spaces, a
    // "#" in a folder name), so the chapter after "#" stays the fragment.
    std::wstring address(kAddressLimit, L'\0');
    DWORD length = static_cast<DWORD>(address.size());
    if (FAILED(UrlCreateFromPathW(file.c_str(), address.data(), &length, 0)))
        return {};
    address.resize(length);
    if (chapter != nullptr && *chapter != L'\0')
        address += std::wstring(L"#") + chapter;
    return address;
}

void OpenManual(HWND owner, const wchar_t* chapter) {
    const CLangTable* current = lang::Current();
    const std::wstring file =
        ManualFile(ModuleDirectory(), current != nullptr ? current->Id() : lang::kFirstLanguage);
    if (chapter == nullptr || *chapter == L'\0') {
        ShellExecuteW(owner, L"OPEN", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    // A chapter needs a file address: a plain path cannot carry the anchor.
    const std::wstring address = ManualAddress(file, chapter);
    ShellExecuteW(owner, L"OPEN", address.empty() ? file.c_str() : address.c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

}  // namespace app
