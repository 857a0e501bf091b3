#include "model/IniFile.h"

#include <windows.h>

#include "win/Handles.h"

namespace inifile {
namespace {

// Creates the file's folder and any missing folder above it (the user's save
// folder may be the first thing made under the user's data folder).
bool EnsureFolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0)
        return true;
    const std::wstring folder = path.substr(0, slash);
    for (size_t next = folder.find_first_of(L"\\/", 1); ; next = folder.find_first_of(L"\\/", next + 1)) {
        const std::wstring part = folder.substr(0, next);
        // The drive ("C:") and folders that exist already are passed over.
        if (!(part.size() == 2 && part[1] == L':'))
            CreateDirectoryW(part.c_str(), nullptr);
        if (next == std::wstring::npos)
            break;
    }
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring ReadString(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    std::wstring buffer(kValueLimit, L'\0');
    const DWORD n = GetPrivateProfileStringW(section, key, L"", buffer.data(), kValueLimit, path.c_str());
    buffer.resize(n < kValueLimit ? n : kValueLimit - 1);
    return buffer;
}

int ReadInt(const std::wstring& path, const wchar_t* section, const wchar_t* key, int fallback) {
    return static_cast<int>(GetPrivateProfileIntW(section, key, fallback, path.c_str()));
}

std::vector<std::wstring> ReadSectionLines(const std::wstring& path, const wchar_t* section) {
    std::vector<wchar_t> buffer(kSectionLimit, L'\0');
    DWORD n = GetPrivateProfileSectionW(section, buffer.data(), kSectionLimit, path.c_str());
    if (n >= kSectionLimit)
        n = kSectionLimit - 1;
    std::vector<std::wstring> lines;
    size_t pos = 0;
    while (pos < n) {
        size_t end = pos;
        while (end < n && buffer[end] != L'\0')
            ++end;
        if (end > pos)
            lines.emplace_back(buffer.data() + pos, end - pos);
        pos = end + 1;
    }
    return lines;
}

bool WriteString(const std::wstring& path, const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    return WritePrivateProfileStringW(section, key, value, path.c_str()) != FALSE;
}

bool PrepareForWrite(const std::wstring& path) {
    if (!EnsureFolderOf(path))
        return false;
    const win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size))
        return false;
    if (size.QuadPart != 0)
        return true;
    static constexpr BYTE kBom[] = {0xFF, 0xFE};
    DWORD written = 0;
    return WriteFile(file.get(), kBom, sizeof(kBom), &written, nullptr) && written == sizeof(kBom);
}

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

}  // namespace inifile
