// The module directory: the folder of the program's own file, ending with a
// backslash. Every path to skin, language, font, picture, manual and save
// files is built from it.
#pragma once

#include <string>

namespace app {

// The folder of the running executable (computed on first use) unless a
// test or start-up has set another one.
const std::wstring& ModuleDirectory();
// Overrides the module directory (tests point it at a scratch folder). A
// missing trailing backslash is added.
void SetModuleDirectory(const std::wstring& dir);

// The user's own folder for this program's files, ending with a backslash:
// Korvo\Tarn\ in the user's local application-data folder (where the
// mouse keeps its state too). Empty when the system names no such folder.
// Computed on first use unless a test has set another one.
const std::wstring& UserDataDirectory();
void SetUserDataDirectory(const std::wstring& dir);

// A file the skin names: kept as given when it is an absolute path (a drive
// or a leading slash), else looked for in `folder` (for example L"skins\\")
// of the module directory.
std::wstring ModuleFile(const wchar_t* folder, const std::wstring& name);

}  // namespace app
