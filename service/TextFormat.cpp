#include "TextFormat.h"

#include <array>
#include <cstdio>

namespace tarnsvc::text {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUnit(std::wstring& out, uint32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<wchar_t>(cp);
    }
}

bool IsHigh(uint32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(uint32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// One UTF-8 sequence at `pos`; strict: no overlong forms, no surrogates.
bool DecodeUtf8(std::string_view s, size_t& pos, uint32_t& cp) {
    const auto b0 = static_cast<uint8_t>(s[pos]);
    size_t extra = 0;
    uint32_t minimum = 0;
    if (b0 < 0x80) {
        cp = b0;
        ++pos;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        extra = 1, cp = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, cp = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, cp = b0 & 0x07, minimum = 0x10000;
    } else {
        return false;
    }
    if (pos + extra >= s.size())
        return false;
    for (size_t i = 1; i <= extra; ++i) {
        const auto b = static_cast<uint8_t>(s[pos + i]);
        if ((b & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    pos += extra + 1;
    return true;
}

}  // namespace

std::string Escape(std::wstring_view value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        const auto u = static_cast<uint32_t>(static_cast<uint16_t>(value[i]));
        if (u == '\\') {
            out += "\\\\";
        } else if (u == '\n') {
            out += "\\n";
        } else if (u == '\r') {
            out += "\\r";
        } else if (u == '\t') {
            out += "\\t";
        } else if (IsHigh(u) && i + 1 < value.size() && IsLow(static_cast<uint16_t>(value[i + 1]))) {
            const uint32_t low = static_cast<uint16_t>(value[++i]);
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        } else if (u < 0x20 || u == 0x7F || IsHigh(u) || IsLow(u)) {
            char buffer[8];
            std::snprintf(buffer, sizeof(buffer), "\\u%04X", u);
            out += buffer;
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

bool Unescape(std::string_view value, std::wstring& out) {
    std::wstring result;
    result.reserve(value.size());
    size_t pos = 0;
    while (pos < value.size()) {
        if (value[pos] != '\\') {
            uint32_t cp = 0;
            if (!DecodeUtf8(value, pos, cp))
                return false;
            AppendUnit(result, cp);
            continue;
        }
        if (pos + 1 >= value.size())
            return false;
        const char c = value[pos + 1];
        pos += 2;
        switch (c) {
            case '\\':
                result += L'\\';
                break;
            case 'n':
                result += L'\n';
                break;
            case 'r':
                result += L'\r';
                break;
            case 't':
                result += L'\t';
                break;
            case 'u': {
                if (pos + 4 > value.size())
                    return false;
                uint32_t unit = 0;
                for (size_t i = 0; i < 4; ++i) {
                    const int h = HexValue(value[pos + i]);
                    if (h < 0)
                        return false;
                    unit = unit * 16 + static_cast<uint32_t>(h);
                }
                pos += 4;
                result += static_cast<wchar_t>(unit);
                break;
            }
            default:
                return false;
        }
    }
    out = std::move(result);
    return true;
}

std::string GuidText(const GUID& id) {
    char buffer[40];
    std::snprintf(buffer, sizeof(buffer), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
                  id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return buffer;
}

bool ParseGuid(std::string_view value, GUID& out) {
    // {8-4-4-4-12}: 38 characters, dashes at fixed places.
    if (value.size() != 38 || value.front() != '{' || value.back() != '}')
        return false;
    std::array<uint8_t, 16> bytes{};
    size_t byte = 0;
    for (size_t i = 1; i < 37;) {
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (value[i] != '-')
                return false;
            ++i;
            continue;
        }
        const int hi = HexValue(value[i]);
        const int lo = HexValue(value[i + 1]);
        if (hi < 0 || lo < 0 || byte >= bytes.size())
            return false;
        bytes[byte++] = static_cast<uint8_t>(hi * 16 + lo);
        i += 2;
    }
    if (byte != bytes.size())
        return false;
    GUID id{};
    id.Data1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
    id.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    id.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    for (size_t i = 0; i < 8; ++i)
        id.Data4[i] = bytes[8 + i];
    out = id;
    return true;
}

bool ParseUnsigned(std::string_view value, uint32_t& out) {
    if (value.empty() || value.size() > 10)
        return false;
    uint64_t result = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + static_cast<uint64_t>(c - '0');
    }
    if (result > 0xFFFFFFFFull)
        return false;
    out = static_cast<uint32_t>(result);
    return true;
}

bool ParseSigned(std::string_view value, int32_t& out) {
    const bool negative = !value.empty() && value.front() == '-';
    uint32_t magnitude = 0;
    if (!ParseUnsigned(negative ? value.substr(1) : value, magnitude))
        return false;
    if (negative ? magnitude > 0x80000000u : magnitude > 0x7FFFFFFFu)
        return false;
    out = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
    return true;
}

std::string Hex32(uint32_t value) {
    char buffer[12];
    std::snprintf(buffer, sizeof(buffer), "%08lX", static_cast<unsigned long>(value));
    return buffer;
}

bool ParseHex32(std::string_view value, uint32_t& out) {
    if (value.empty() || value.size() > 8)
        return false;
    uint32_t result = 0;
    for (char c : value) {
        const int h = HexValue(c);
        if (h < 0)
            return false;
        result = result * 16 + static_cast<uint32_t>(h);
    }
    out = result;
    return true;
}

std::string HexBytes(const uint8_t* bytes, size_t count) {
    std::string out;
    out.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        out += kHexDigits[bytes[i] >> 4];
        out += kHexDigits[bytes[i] & 0xF];
    }
    return out;
}

bool ParseHexBytes(std::string_view value, uint8_t* out, size_t capacity, size_t& written) {
    if (value.size() % 2 != 0 || value.size() / 2 > capacity)
        return false;
    for (size_t i = 0; i < value.size(); i += 2) {
        const int hi = HexValue(value[i]);
        const int lo = HexValue(value[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out[i / 2] = static_cast<uint8_t>(hi * 16 + lo);
    }
    written = value.size() / 2;
    return true;
}

std::vector<std::string_view> SplitSpaces(std::string_view value) {
    std::vector<std::string_view> parts;
    size_t pos = 0;
    while (pos < value.size()) {
        while (pos < value.size() && value[pos] == ' ')
            ++pos;
        const size_t start = pos;
        while (pos < value.size() && value[pos] != ' ')
            ++pos;
        if (pos > start)
            parts.push_back(value.substr(start, pos - start));
    }
    return parts;
}

uint32_t Crc32(std::string_view bytes) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (char ch : bytes)
        crc = table[(crc ^ static_cast<uint8_t>(ch)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void SplitHeader(std::string_view document, std::string_view& header, std::string_view& rest) {
    if (document.substr(0, 3) == "\xEF\xBB\xBF")
        document.remove_prefix(3);
    const size_t end = document.find('\n');
    header = document.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : document.substr(end + 1);
    if (!header.empty() && header.back() == '\r')
        header.remove_suffix(1);
}

bool SplitLines(std::string_view document, std::vector<Line>& out) {
    out.clear();
    if (document.substr(0, 3) == "\xEF\xBB\xBF")
        document.remove_prefix(3);
    size_t pos = 0;
    size_t number = 0;
    while (pos < document.size()) {
        size_t end = document.find('\n', pos);
        if (end == std::string_view::npos)
            end = document.size();
        std::string_view line = document.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#')
            continue;
        Line parsed;
        parsed.number = number;
        const size_t equals = line.find('=');
        if (equals != std::string_view::npos) {
            parsed.kind = Line::kField;
            parsed.key = line.substr(0, equals);
            parsed.value = line.substr(equals + 1);
            if (parsed.key.empty() || parsed.key.find_first_of(" \t") != std::string_view::npos)
                return false;
        } else if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            parsed.kind = Line::kSection;
            parsed.key = line.substr(1, line.size() - 2);
        } else {
            for (char c : line) {
                const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
                if (!word)
                    return false;
            }
            parsed.kind = Line::kWord;
            parsed.key = line;
        }
        out.push_back(parsed);
    }
    return true;
}

void Writer::Raw(std::string_view line) {
    m_text += line;
    m_text += "\r\n";
}

void Writer::Field(std::string_view key, std::string_view value) {
    m_text += key;
    m_text += '=';
    m_text += value;
    m_text += "\r\n";
}

}  // namespace tarnsvc::text
