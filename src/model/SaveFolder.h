// Where profile files and the settings file live. Normally "save\" beside
// the program; when the program sits in a folder its user may not write to
// (Program Files, for a user who is not an administrator), "save\" in the
// user's own data folder instead.
#pragma once

#include <string>

namespace savefolder {

// The save folder for the given module directory (ending with a
// backslash), ending with a backslash. The module's "save\" is kept when a
// file can be created in it (or, while it does not exist, in the module
// directory, where it will be created). Otherwise the user's "save\" is used
// (app::UserDataDirectory, asked only then); the first time it is chosen,
// the files of an existing module "save\" are copied into it, so profiles
// saved there before still load. The module's files are never changed or
// removed. Without a user data directory the module's folder stays.
std::wstring Choose(const std::wstring& moduleDir);

// Whether a new file can be created in the folder: tried for real with a
// scratch file that goes again when closed.
bool CanCreateFilesIn(const std::wstring& folder);

}  // namespace savefolder
