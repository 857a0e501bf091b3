#include "tarnctl/Json.h"

#include <windows.h>

#include <cstdio>

std::string ToUtf8(const std::wstring& text) {
    if (text.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

void JsonWriter::Indent() {
    m_out += '\n';
    m_out.append(m_first.size() * 2, ' ');
}

void JsonWriter::Separate(const char* key) {
    if (!m_first.empty()) {
        if (!m_first.back())
            m_out += ',';
        m_first.back() = false;
        Indent();
    }
    if (key) {
        AppendEscaped(m_out, key);
        m_out += ": ";
    }
}

void JsonWriter::AppendEscaped(std::string& out, const std::string& utf8) {
    out += '"';
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof(buffer), "\\u%04x", c);
                    out += buffer;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

void JsonWriter::BeginObject(const char* key) {
    Separate(key);
    m_out += '{';
    m_first.push_back(true);
}

void JsonWriter::EndObject() {
    bool empty = m_first.back();
    m_first.pop_back();
    if (!empty)
        Indent();
    m_out += '}';
    if (m_first.empty())
        m_out += '\n';
}

void JsonWriter::BeginArray(const char* key) {
    Separate(key);
    m_out += '[';
    m_first.push_back(true);
}

void JsonWriter::EndArray() {
    bool empty = m_first.back();
    m_first.pop_back();
    if (!empty)
        Indent();
    m_out += ']';
}

void JsonWriter::String(const char* key, const std::wstring& value) {
    Separate(key);
    AppendEscaped(m_out, ToUtf8(value));
}

void JsonWriter::Number(const char* key, int64_t value) {
    Separate(key);
    m_out += std::to_string(value);
}

void JsonWriter::Bool(const char* key, bool value) {
    Separate(key);
    m_out += value ? "true" : "false";
}

void JsonWriter::Null(const char* key) {
    Separate(key);
    m_out += "null";
}
