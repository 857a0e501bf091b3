// The manual: Manuals\index.html in English, and Manuals\<code>\index.html
// (for example Manuals\de\index.html) in the other languages that have one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace app {

// The folder of a language's manual under Manuals\ ("de" for German), empty
// for English and for an id that is not a language.
const wchar_t* ManualFolder(int32_t languageId);

// The manual's file for the language (a language id, 318-326) in the module
// directory `moduleDir` (ending with a backslash): the language's own when
// it is there, else the English one.
std::wstring ManualFile(const std::wstring& moduleDir, int32_t languageId);

// The address that opens `file` (a full path) at the chapter of that id;
// without a chapter the file's own address. Empty when the path makes none.
std::wstring ManualAddress(const std::wstring& file, const wchar_t* chapter);

// Opens the manual of the current language in the user's browser, at the
// chapter of that id when one is given ("updating", "addons").
void OpenManual(HWND owner, const wchar_t* chapter = nullptr);

}  // namespace app
