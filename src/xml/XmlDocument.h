// A small element tree read with the platform's XML reader: elements with a
// name, ordered attributes, text content and children. Names match exactly,
// letter case included; a missing attribute reads as the empty string.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class XmlElement {
public:
    const std::wstring& Name() const { return m_name; }
    // The first text piece among the element's children, at most 512 characters.
    const std::wstring& Text() const { return m_text; }

    bool HasAttribute(const wchar_t* name) const;
    // The value, or an empty text when the attribute is missing.
    const std::wstring& Attribute(const wchar_t* name) const;
    size_t AttributeCount() const { return m_attributes.size(); }
    const std::wstring& AttributeName(size_t index) const;   // empty when out of range
    const std::wstring& AttributeValue(size_t index) const;  // empty when out of range

    const std::vector<std::unique_ptr<XmlElement>>& Children() const { return m_children; }
    bool HasContent() const { return !m_children.empty() || !m_text.empty(); }

    // Below this element (not the element itself), depth first in document
    // order: children before later siblings.
    const XmlElement* FindFirst(const wchar_t* name) const;
    std::vector<const XmlElement*> FindAll(const wchar_t* name) const;

    // Building (used by the reader).
    explicit XmlElement(std::wstring name) : m_name(std::move(name)) {}
    ~XmlElement();  // iterative, so that deep trees cannot exhaust the stack
    XmlElement(const XmlElement&) = delete;
    XmlElement& operator=(const XmlElement&) = delete;
    void AddAttribute(std::wstring name, std::wstring value);
    void SetText(std::wstring text);
    XmlElement* AddChild(std::wstring name);

private:
    std::wstring m_name;
    std::wstring m_text;
    std::vector<std::pair<std::wstring, std::wstring>> m_attributes;
    std::vector<std::unique_ptr<XmlElement>> m_children;
};

class XmlDocument {
public:
    // Skin files are a few kilobytes and a few levels deep; anything far
    // beyond that is refused before it can cost time or memory.
    static constexpr size_t kMaxFileSize = 16 * 1024 * 1024;
    static constexpr size_t kMaxDepth = 512;
    static constexpr size_t kMaxTextLength = 512;

    // False (and an empty document) for a missing, empty, unreadable or
    // malformed file, one with a document type declaration, one larger than
    // kMaxFileSize or one nested deeper than kMaxDepth. UTF-8 (with or
    // without a byte-order mark) and UTF-16 with a byte-order mark are read.
    bool Load(const std::wstring& path);
    bool LoadFromMemory(const void* data, size_t size);

    const XmlElement* Root() const { return m_root.get(); }
    // The root itself when it has the name, else the first below it; FindAll
    // likewise starts with the root.
    const XmlElement* FindFirst(const wchar_t* name) const;
    std::vector<const XmlElement*> FindAll(const wchar_t* name) const;

private:
    std::unique_ptr<XmlElement> m_root;
};
