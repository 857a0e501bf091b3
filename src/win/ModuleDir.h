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

}  // namespace app
