// A small streaming JSON writer: objects, arrays, strings (UTF-8, escaped),
// numbers and booleans, pretty-printed with two-space indents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class JsonWriter {
public:
    void BeginObject(const char* key = nullptr);
    void EndObject();
    void BeginArray(const char* key = nullptr);
    void EndArray();
    void String(const char* key, const std::wstring& value);
    void Number(const char* key, int64_t value);
    void Bool(const char* key, bool value);
    void Null(const char* key);

    const std::string& Text() const { return m_out; }

private:
    void Separate(const char* key);
    void Indent();
    static void AppendEscaped(std::string& out, const std::string& utf8);

    std::string m_out;
    std::vector<bool> m_first;  // per open container: nothing written in it yet
};

std::string ToUtf8(const std::wstring& text);
