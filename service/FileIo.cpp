#include "FileIo.h"

#include <atomic>

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

uint64_t FromFileTime(const FILETIME& time) {
    return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t value) {
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

uint64_t Now() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return FromFileTime(now);
}

// Size and last-write time of an open file (two cheap queries: the one that
// gives both at once asks the volume too and costs far more).
bool StampOf(HANDLE file, FileStamp& stamp) {
    LARGE_INTEGER size{};
    FILETIME written{};
    if (!::GetFileSizeEx(file, &size) || !::GetFileTime(file, nullptr, nullptr, &written))
        return false;
    stamp.size = static_cast<uint64_t>(size.QuadPart);
    stamp.writeTime = FromFileTime(written);
    return true;
}

bool AllDigits(std::wstring_view text) {
    if (text.empty())
        return false;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
    }
    return true;
}

// A name no other writer uses: this process's id and a counter of its own.
std::wstring TemporaryName(const std::wstring& path) {
    static std::atomic<unsigned long> counter{0};
    return path + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) +
           L".tmp";
}

}  // namespace

ReadResult ReadWhole(const std::wstring& path, size_t limit, std::string& out, DWORD& error, FileStamp* stamp) {
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
    FileStamp found;
    if (!StampOf(file.get(), found)) {
        error = ::GetLastError();
        return ReadResult::kFailed;
    }
    if (found.size > limit)
        return ReadResult::kTooLarge;
    std::string bytes(static_cast<size_t>(found.size), '\0');
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
    if (stamp)
        *stamp = found;
    return ReadResult::kRead;
}

ReadResult QueryStamp(const std::wstring& path, FileStamp& stamp, DWORD& error) {
    error = ERROR_SUCCESS;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::kMissing
                                                                               : ReadResult::kFailed;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        error = ERROR_ACCESS_DENIED;  // as opening a folder for reading answers
        return ReadResult::kFailed;
    }
    stamp.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.writeTime = FromFileTime(data.ftLastWriteTime);
    return ReadResult::kRead;
}

bool WriteAtomically(const std::wstring& path, std::string_view bytes, const WriteOptions& options) {
    CreateParentFolders(path);
    std::wstring temp;
    win::UniqueFile file;
    // A name left behind by a killed process that had this process's id is
    // skipped, never reused.
    for (int attempt = 0; attempt < 8 && !file; ++attempt) {
        temp = TemporaryName(path);
        file.reset(::CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && ::GetLastError() != ERROR_FILE_EXISTS)
            return false;  // nothing was created
    }
    if (!file)
        return false;
    size_t done = 0;
    bool written = true;
    while (written && done < bytes.size()) {
        DWORD chunk = 0;
        written = ::WriteFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &chunk,
                              nullptr) != FALSE;
        done += chunk;
    }
    if (written && options.notBefore != 0) {
        const uint64_t now = Now();
        const FILETIME stamp = ToFileTime(now > options.notBefore ? now : options.notBefore);
        written = ::SetFileTime(file.get(), nullptr, nullptr, &stamp) != FALSE;
    }
    if (written && options.flush)
        written = ::FlushFileBuffers(file.get()) != FALSE;
    // The move keeps the last-write time, so the stamp taken here is the
    // stamp of the target once it is in place.
    FileStamp stamp;
    written = written && StampOf(file.get(), stamp);
    file.reset();
    DWORD error = ERROR_SUCCESS;
    if (written) {
        const DWORD flags = MOVEFILE_REPLACE_EXISTING | (options.flush ? MOVEFILE_WRITE_THROUGH : 0);
        // A file that a reader holds open cannot be replaced; readers hold it
        // for the moment of one read, so the move is tried again a few times
        // (about 130 ms in all) before it counts as failed.
        for (DWORD pause = 1;; pause *= 2) {
            if (::MoveFileExW(temp.c_str(), path.c_str(), flags)) {
                if (options.written)
                    *options.written = stamp;
                return true;
            }
            error = ::GetLastError();
            if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || pause > 64)
                break;
            ::Sleep(pause);
        }
    } else {
        error = ::GetLastError();
    }
    ::DeleteFileW(temp.c_str());
    ::SetLastError(error);
    return false;
}

bool IsTemporaryOf(std::wstring_view name, std::wstring_view target) {
    // <target>.<digits>-<digits>.tmp
    constexpr std::wstring_view kSuffix = L".tmp";
    if (name.size() <= target.size() + 1 + kSuffix.size() ||
        ::CompareStringOrdinal(name.data(), static_cast<int>(target.size()), target.data(),
                               static_cast<int>(target.size()), TRUE) != CSTR_EQUAL ||
        name[target.size()] != L'.' ||
        ::CompareStringOrdinal(name.data() + name.size() - kSuffix.size(), static_cast<int>(kSuffix.size()),
                               kSuffix.data(), static_cast<int>(kSuffix.size()), TRUE) != CSTR_EQUAL)
        return false;
    const std::wstring_view middle = name.substr(target.size() + 1, name.size() - target.size() - 1 - kSuffix.size());
    const size_t dash = middle.find(L'-');
    return dash != std::wstring_view::npos && AllDigits(middle.substr(0, dash)) && AllDigits(middle.substr(dash + 1));
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace tarnsvc::files
