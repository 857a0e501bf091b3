// The state file: what the emulated mouse remembers between connections and
// processes, as human-readable UTF-8 text (CR LF line ends):
//
//   TarnMouseState 1               first line: format and version
//   product=21                     device-wide settings
//   revision=42                    the change counter: every committed change
//                                  advances it; a file without it is at 1
//   polling=2                      milliseconds: 8, 2 or 1
//   acceleration=5                 level 1..10
//   accelerationEnabled=0
//   activeProfile={GUID}           empty when the mouse holds no profile
//   [profile]                      up to five; order is the mouse's order
//   id={GUID}
//   ...                            profile fields, see RecordText.h
//   [macro]                        any number (up to 200)
//   id={GUID}
//   ...                            macro fields, see RecordText.h
//   [range]                        colour ranges, product 25 only
//   colour=0000FF00                hex
//   lower=100
//   upper=1800
//   end                            last line: a file without it was cut short
//
// Blank lines and lines starting with '#' are ignored. A file that breaks any
// of these rules or the rules of MouseState.h is damaged as a whole.
#pragma once

#include <string>
#include <string_view>

#include "FileIo.h"
#include "MouseState.h"

namespace tarnsvc::statefile {

inline constexpr std::string_view kHeader = "TarnMouseState 1";
inline constexpr size_t kSizeLimit = 64u << 20;

std::string Serialize(const MouseState& state);
// The state of `document`, checked against every rule; false leaves `out`
// as it was.
bool Parse(std::string_view document, MouseState& out);

enum class LoadOutcome {
    kLoaded,      // `out` and `stamp` hold the file's state and stamp
    kMissing,     // no file
    kDamaged,     // read, and refused: another product's memory, a broken
                  // rule, cut short or too large
    kUnreadable,  // could not be read (held by another program, a folder, a
                  // read error): nothing can be said about its content
};
// Reads the state of a mouse of `product`; changes nothing on the disk, and
// `out` only on kLoaded.
LoadOutcome Load(const std::wstring& path, uint32_t product, MouseState& out, files::FileStamp& stamp);

// Renames a damaged file to `<path>.bad` (replacing an older one), so that
// it is kept for a look rather than overwritten.
bool SetAside(const std::wstring& path);

// Atomically; see files::WriteAtomically for the options.
bool Save(const std::wstring& path, const MouseState& state, const files::WriteOptions& options = {});

// %TARN_DEVICE_STATE% when set, else %LOCALAPPDATA%\Korvo\Tarn\mouse-state.txt.
std::wstring BasePath();

}  // namespace tarnsvc::statefile
