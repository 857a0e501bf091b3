// Single-profile (.vxp) and single-macro (.vxm) export files: UTF-8 text in
// the field syntax of RecordText.h, opened by a kind-and-version line and
// closed by a checksum line over every byte before it:
//
//   TarnProfileExport 1            or: TarnMacroExport 1
//   name=Profile 1
//   ...                            the profile's or the macro's fields
//   crc32=1A2B3C4D                 CRC-32 (IEEE) of all bytes before this line
//
// The file carries no identity: an imported profile or macro gets a fresh
// one and keeps its exported name.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "MouseState.h"

namespace tarnsvc::exports {

inline constexpr std::string_view kProfileHeader = "TarnProfileExport 1";
inline constexpr std::string_view kMacroHeader = "TarnMacroExport 1";
inline constexpr size_t kSizeLimit = 16u << 20;

std::string ProfileDocument(const ProfileState& profile);
std::string MacroDocument(const MacroState& macro);

// S_OK with the contents (null identity); kErrForeignFile for another kind
// of file or an unknown version; kErrDamagedFile for a wrong checksum, a
// missing checksum line (cut short) or a field that breaks the rules.
HRESULT ParseProfile(std::string_view document, ProfileState& out);
HRESULT ParseMacro(std::string_view document, MacroState& out);

// The same from a file; a missing or unreadable file gives its platform error.
HRESULT ReadProfile(const wchar_t* path, ProfileState& out);
HRESULT ReadMacro(const wchar_t* path, MacroState& out);

HRESULT WriteDocument(const wchar_t* path, std::string_view document);  // atomically

}  // namespace tarnsvc::exports
