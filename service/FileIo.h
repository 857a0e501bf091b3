// Whole-file reads and atomic writes: a file is written beside its target as
// `<path>.tmp`, flushed, then moved over the target in one step, so a killed
// process leaves either the old file or the new one, never half of one.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tarnsvc::files {

enum class ReadResult { kRead, kMissing, kTooLarge, kFailed };

// Reads at most `limit` bytes; `error` receives the platform's error code on
// kFailed. A file that another writer holds is retried briefly.
ReadResult ReadWhole(const std::wstring& path, size_t limit, std::string& out, DWORD& error);

// Creates the folders above `path` as needed, writes `<path>.tmp` and moves
// it over `path`. On failure the target is untouched, the temporary file is
// removed, and the platform's last error tells why.
bool WriteAtomically(const std::wstring& path, std::string_view bytes);

bool Exists(const std::wstring& path);

}  // namespace tarnsvc::files
