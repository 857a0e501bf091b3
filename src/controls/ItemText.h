// Text rules that the skinned items share: caps modes, the first backslash+n
// line break, tool-tip texts, draw formats from justify and multiline, and
// the default font and colour.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "win/Handles.h"

namespace controls {

constexpr COLORREF kDefaultTextColour = 0xFEFEFE;

enum CapsMode : int32_t { kCapsNone = 0, kCapsUpper = 1, kCapsLower = 2 };
enum class Justify { kDefault, kLeft, kCentre, kRight };

// First letter only, letter case included: "C..." centre, "c" stays default.
Justify ParseJustify(const std::wstring& value);
// "U..." upper, "L..." lower, anything else none.
int32_t ParseCaps(const std::wstring& value);

void ApplyCaps(std::wstring& text, int32_t caps);
// The first backslash + n becomes CR LF; later ones stay as written.
void FirstLineBreak(std::wstring& text);
// The text of an item: resolved through the language; the first line
// break; caps only on a text that resolved (after the break, so that upper
// case cannot turn backslash + n into backslash + N).
std::wstring ItemText(const std::wstring& key, int32_t caps);
// A tool-tip text: resolved; the first backslash and the character after it
// become one space.
std::wstring TooltipText(const std::wstring& key);

// DrawText flags of text items and bitmap windows. Left single-line gives 0:
// the text is written at a fixed offset instead.
UINT TextDrawFormat(Justify justify, bool multiline);
// Glyphs may ink this many pixels past their advance: text that wraps does
// so this far inside its item, so a line's last letter is never cut off.
inline constexpr int kInkOverhang = 3;

// "Arial", height 14, weight 700: the font of items without one.
win::UniqueFont MakeDefaultFont();

// Readies a DC for an item's text: its font (or, when null, the default
// font, kept alive in `fallback` for as long as the drawing lasts), a
// transparent background and the colour. The caller saves and restores the
// DC around it.
void PrepareItemText(HDC dc, HFONT font, COLORREF colour, win::UniqueFont& fallback);

// 0 stands for the default colour.
inline COLORREF TextColourOr(COLORREF colour) {
    return colour == 0 ? kDefaultTextColour : colour;
}

}  // namespace controls
