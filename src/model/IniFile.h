// Thin wrappers over the platform's initialisation-file functions, with the
// read limits of our files and the preparation a new file needs so that its
// text stays Unicode.
#pragma once

#include <string>
#include <vector>

namespace inifile {

constexpr unsigned kValueLimit = 4096;    // characters of one value read
constexpr unsigned kSectionLimit = 8192;  // characters of one section read

std::wstring ReadString(const std::wstring& path, const wchar_t* section, const wchar_t* key);
int ReadInt(const std::wstring& path, const wchar_t* section, const wchar_t* key, int fallback);
// The "key=value" lines of a section, in file order.
std::vector<std::wstring> ReadSectionLines(const std::wstring& path, const wchar_t* section);
bool WriteString(const std::wstring& path, const wchar_t* section, const wchar_t* key, const wchar_t* value);

// Creates the file's folder when missing, and gives a new or empty file the
// UTF-16LE byte order mark: otherwise the platform writes the file in the
// ANSI code page and names outside it are lost. An existing file with
// content is left alone.
bool PrepareForWrite(const std::wstring& path);

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b);

}  // namespace inifile
