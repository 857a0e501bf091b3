// The fields of a profile and of a macro as text lines, shared by the state
// file and the export files so that both read and write them alike.
//
// Profile fields:
//   name=Profile 1                 escaped text (see TextFormat.h)
//   programPath=C:\\Games\\x.exe   escaped text, at most 127 characters
//   flags=0                        1 automatic switching, 2 DPI display, 4 profile display
//   stages=800x800 1200x1200 ...   one to five X x Y pairs, 100..5600 each
//   activeStage=3                  1-based
//   current=1800x1800              current resolution X x Y
//   light.1=1, light.4=1           scroll-wheel and under-glow light on (1) or off (0)
//   button=<id> <category> <data>  one action record: device button id, category 0..6,
//   key=<id> <category> <data>     the 20 data bytes as hex (trailing zero bytes left out)
// Macro fields:
//   name=Macro 1
//   event=1 <button code> <0>      mouse button
//   event=2 <scan code> <flags>    key (flags: 1 release, 2 extended)
//   event=3 <milliseconds>         delay
#pragma once

#include <array>
#include <string_view>

#include "MouseState.h"
#include "TextFormat.h"

namespace tarnsvc::records {

enum class FieldResult { kApplied, kUnknown, kBad };

// The buttons and keys a profile's text has named so far: each may be named
// once (a second line for the same button is a damaged file, not an edit).
struct ProfileFieldsSeen {
    std::array<bool, kButtons.size()> buttons{};
    std::array<bool, kKeyIds.size()> keys{};
};

void WriteProfileFields(text::Writer& writer, const ProfileState& profile);  // all but the id
FieldResult ReadProfileField(std::string_view key, std::string_view value, ProfileState& profile,
                             ProfileFieldsSeen& seen);

void WriteMacroFields(text::Writer& writer, const MacroState& macro);  // all but the id
FieldResult ReadMacroField(std::string_view key, std::string_view value, MacroState& macro);

}  // namespace tarnsvc::records
