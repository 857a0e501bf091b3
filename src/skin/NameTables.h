// Process-wide tables that pair the symbolic names used by skin files,
// language files and profile texts with their numbers. Built once at start-up
// and read-only afterwards (a key-name look-up of a missing code may add an
// empty row, which counts as no name).
#pragma once

#include <cstdint>
#include <string>

namespace names {

// Fills every table, in the order: predefined commands, assignment functions,
// control names, key names, colours, languages, list-column items,
// list-column types, event-display column types. Safe to call again.
void BuildAllNameTables();

// Number of a name: the id whose name equals the text ignoring letter case,
// walking ids in ascending order; -1 when none matches (or text is null).
int32_t ControlId(const wchar_t* name);
int32_t FunctionId(const wchar_t* name);
int32_t PredefinedCommandId(const wchar_t* name);
int32_t ColourValue(const wchar_t* name);  // a COLORREF (0x00BBGGRR), or -1
int32_t LanguageId(const wchar_t* name);
int32_t ListColumnItemId(const wchar_t* name);
int32_t ListColumnTypeId(const wchar_t* name);
int32_t EventColumnTypeId(const wchar_t* name);

// Name of a number: the static name, or an empty text (never null) when the
// table has no entry for the id.
const wchar_t* FunctionName(int32_t id);
const wchar_t* PredefinedCommandName(int32_t id);
const wchar_t* KeyName(int32_t virtualKey);
const wchar_t* ControlName(int32_t id);
const wchar_t* LanguageName(int32_t id);

// The text to show for a key: the system's name for it, then the short
// key-name table, then the upper-cased character the key types.
void KeyDisplayName(uint16_t virtualKey, uint16_t scanCode, bool extended, std::wstring& out);

// Fixed ids used across the program.
constexpr int32_t kDefaultLanguage = 318;  // "English"

}  // namespace names
