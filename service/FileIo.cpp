#include "FileIo.h"

#include "win/Handles.h"

namespace tarnsvc::files {
namespace {

void CreateParentFolders(const std::wstring& path) {
    // Walk the folders from the root down; existing ones are fine.
    for (size_t pos = path.find_first_of(L"\\/", 3); pos != std::wstring::npos;
         pos = path.find_first_of(L"\\/", pos + 1)) {
        const std::wstring folder = path.substr(0, pos);
        if (!folder.empty() && folder.back() != L':')
            ::CreateDirectoryW(folder.c_str(), nullptr);
    }
}

}  // namespace

ReadResult ReadWhole(const std::wstring& path, size_t limit, std::string& out, DWORD& error) {
    error = ERROR_SUCCESS;
    win::UniqueFile file;
    for (int attempt = 0;; ++attempt) {
        file.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            break;
        error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return ReadResult::kMissing;
        // Another process may be replacing the file this very moment.
        if (error != ERROR_SHARING_VIOLATION || attempt >= 10)
            return ReadResult::kFailed;
        ::Sleep(20);
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        error = ::GetLastError();
        return ReadResult::kFailed;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > limit)
        return ReadResult::kTooLarge;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read,
                        nullptr)) {
            error = ::GetLastError();
            return ReadResult::kFailed;
        }
        if (read == 0)
            break;  // shrank while we read
        done += read;
    }
    bytes.resize(done);
    out = std::move(bytes);
    return ReadResult::kRead;
}

bool WriteAtomically(const std::wstring& path, std::string_view bytes) {
    CreateParentFolders(path);
    const std::wstring temp = path + L".tmp";
    bool written = false;
    {
        win::UniqueFile file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;  // nothing was created
        size_t done = 0;
        written = true;
        while (written && done < bytes.size()) {
            DWORD chunk = 0;
            written = ::WriteFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                                  &chunk, nullptr) != FALSE;
            done += chunk;
        }
        written = written && ::FlushFileBuffers(file.get());
    }
    if (written &&
        ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = ::GetLastError();
    ::DeleteFileW(temp.c_str());
    ::SetLastError(error);
    return false;
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace tarnsvc::files
