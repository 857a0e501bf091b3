// Backups of the whole mouse: every profile and every macro as the service's
// own export files, in one folder with an index that holds what the export
// files do not (the profiles' order, the running profile, the identities
// the assignments point at, polling, acceleration and colour ranges) and a
// size and checksum for every file.
//
//   backup.txt        TarnBackup 1
//                     product=21
//                     polling=2                      milliseconds
//                     acceleration=5
//                     accelerationEnabled=0
//                     activeProfile=1                1-based; 0: none
//                     profile=profile-1.vxp {GUID} <bytes> <crc32>   in the mouse's order
//                     macro=macro-001.vxm {GUID} <bytes> <crc32>
//                     range=<colour> <lower> <upper>                 product 25
//                     crc32=XXXXXXXX                 over every byte before this line
//   profile-N.vxp, macro-NNN.vxm
//
// These work on an open device, so both a link's own connection and the
// write worker's can use them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/DeviceService.h"

namespace backup {

inline constexpr wchar_t kIndexFile[] = L"backup.txt";
// The automatic backups the program keeps under its save folder.
inline constexpr size_t kKeptAutomatic = 10;

struct Result {
    bool ok = false;
    std::wstring message;  // what went wrong, naming the file or folder
    std::wstring folder;   // the folder written (SaveDated)
};

struct Entry {
    std::wstring file;  // a plain name inside the backup folder
    GUID id = {};       // the identity it had on the mouse
    uint64_t size = 0;
    uint32_t crc = 0;
};

struct Index {
    uint32_t product = 0;
    uint32_t pollingMs = 0;
    uint32_t accelerationLevel = 0;
    bool accelerationEnabled = false;
    uint32_t activeProfile = 0;  // 1-based; 0 when the mouse held none
    std::vector<Entry> profiles;
    std::vector<Entry> macros;
    std::vector<devsvc::ColourRange> ranges;
};

// Writes the backup into `dir`, which must not exist yet or be an empty
// folder. The files go to a scratch folder beside it that takes the name
// only once complete, so a failed backup never leaves a folder that looks
// like one.
Result Save(devsvc::IDevice* device, uint32_t product, const std::wstring& dir);

// A new folder under `root` named after the local time (YYYY-MM-DD_HHMMSS),
// then only the newest `keep` such folders kept.
Result SaveDated(devsvc::IDevice* device, uint32_t product, const std::wstring& root, size_t keep);

// Checks the index and every file it lists (present, same size, same
// checksum) without touching the mouse.
Result Check(const std::wstring& dir, Index& index);

// Replaces the mouse's profiles, macros and device-wide settings by the
// backup's, after checking the whole folder first: a damaged or missing file
// leaves the mouse unchanged. Profiles and macros get fresh identities from
// the mouse; assignments that pointed at the old ones are pointed at the new.
// When the mouse refuses part way, what it held before is put back.
Result Restore(devsvc::IDevice* device, uint32_t product, const std::wstring& dir);

// The dated folder names under `root`, oldest first.
std::vector<std::wstring> DatedFolders(const std::wstring& root);
// Removes the oldest dated folders (with their files) until `keep` remain.
void Prune(const std::wstring& root, size_t keep);
// Whether a name has the form the dated folders take.
bool IsDatedName(const std::wstring& name);

}  // namespace backup
