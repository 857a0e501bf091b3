// The line-based text shared by the state file and the export files: UTF-8,
// one `key=value` field a line, `[section]` headers, `#` comments. Values
// keep every character: backslash, line breaks, other control characters and
// unpaired surrogates travel as escapes, so any wide string survives.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnsvc::text {

// Escapes: \\ \n \r \t and \uXXXX (four hex digits) for other control
// characters and unpaired surrogates; everything else is plain UTF-8.
std::string Escape(std::wstring_view value);
// False on malformed UTF-8 or an unknown escape.
bool Unescape(std::string_view value, std::wstring& out);

std::string GuidText(const GUID& id);  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
bool ParseGuid(std::string_view value, GUID& out);

// Decimal numbers without sign, spaces or leading '+'; the signed form
// takes a leading '-'.
bool ParseUnsigned(std::string_view value, uint32_t& out);
bool ParseSigned(std::string_view value, int32_t& out);
std::string Hex32(uint32_t value);                         // eight upper-case digits
bool ParseHex32(std::string_view value, uint32_t& out);    // one to eight digits
std::string HexBytes(const uint8_t* bytes, size_t count);  // two digits a byte
bool ParseHexBytes(std::string_view value, uint8_t* out, size_t capacity, size_t& written);

std::vector<std::string_view> SplitSpaces(std::string_view value);  // on runs of spaces

uint32_t Crc32(std::string_view bytes);  // IEEE 802.3, as zip uses

// One meaningful line of a document.
struct Line {
    size_t number = 0;  // 1-based, for messages
    enum Kind { kField, kSection, kWord } kind = kField;
    std::string_view key;    // field key, section name, or the bare word
    std::string_view value;  // field value
};

// The first line of a document (without a leading UTF-8 byte-order mark and
// without its line end) and everything after it.
void SplitHeader(std::string_view document, std::string_view& header, std::string_view& rest);

// Splits a document into lines (CR LF or LF), drops blank and comment lines
// and a leading UTF-8 byte-order mark. False when a line is none of field,
// section header or a bare word of letters and digits.
bool SplitLines(std::string_view document, std::vector<Line>& out);

class Writer {
public:
    void Raw(std::string_view line);
    void Field(std::string_view key, std::string_view value);
    void Blank() { m_text += "\r\n"; }
    const std::string& Text() const { return m_text; }
    std::string& Text() { return m_text; }

private:
    std::string m_text;
};

}  // namespace tarnsvc::text
