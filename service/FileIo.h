// Whole-file reads and atomic writes: a file is written beside its target
// under a name of its own (`<path>.<process>-<n>.tmp`), then moved over the
// target in one step, so a killed process leaves either the old file or the
// new one, never half of one, and two writers never share a temporary file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnsvc::files {

enum class ReadResult { kRead, kMissing, kTooLarge, kFailed };

// What tells one version of a file from the next without reading it.
struct FileStamp {
    uint64_t size = 0;
    uint64_t writeTime = 0;  // FILETIME units (100 ns)
    bool operator==(const FileStamp&) const = default;
};

// Reads at most `limit` bytes; `error` receives the platform's error code on
// kFailed. A file that another writer holds is retried briefly. `stamp`, when
// given, receives the stamp of the very file that was read.
ReadResult ReadWhole(const std::wstring& path, size_t limit, std::string& out, DWORD& error,
                     FileStamp* stamp = nullptr);

// The stamp of a file without opening it: kRead, kMissing, or kFailed (a
// folder at the path, or an error the platform reports in `error`).
ReadResult QueryStamp(const std::wstring& path, FileStamp& stamp, DWORD& error);

struct WriteOptions {
    // Wait until the bytes are on the disk before the move. The move alone
    // already keeps a killed process from leaving half a file; the flush
    // guards against a power cut too, at the price of a disk round trip.
    bool flush = true;
    // The new file's last-write time is at least this (FILETIME units), so
    // that a reader comparing stamps tells two writes of one moment apart.
    uint64_t notBefore = 0;
    FileStamp* written = nullptr;  // receives the new file's stamp
};

// Creates the folders above `path` as needed, writes a temporary file beside
// it and moves that over `path`. On failure the target is untouched, the
// temporary file is removed, and the platform's last error tells why.
bool WriteAtomically(const std::wstring& path, std::string_view bytes, const WriteOptions& options = {});

// Whether `name` (a name without folder) is one of the temporary files that
// WriteAtomically makes for `target` (also without folder).
bool IsTemporaryOf(std::wstring_view name, std::wstring_view target);

bool Exists(const std::wstring& path);

}  // namespace tarnsvc::files
