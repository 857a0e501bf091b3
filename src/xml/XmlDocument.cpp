#include "xml/XmlDocument.h"

#include <objbase.h>
#include <shlwapi.h>
#include <windows.h>
#include <xmllite.h>

#include <algorithm>
#include <new>
#include <utility>

#include "win/ComPtr.h"
#include "win/Handles.h"

namespace {

const std::wstring kEmpty;

bool SameName(const std::wstring& a, const wchar_t* b) {
    return b != nullptr && a == b;
}

// Pre-order walk below `top` with an explicit stack, so that depth costs
// heap, not stack. `visit` answers false to stop the walk.
template <typename Visit>
void WalkBelow(const XmlElement& top, Visit visit) {
    std::vector<const XmlElement*> pending;
    for (auto child = top.Children().rbegin(); child != top.Children().rend(); ++child)
        pending.push_back(child->get());
    while (!pending.empty()) {
        const XmlElement* element = pending.back();
        pending.pop_back();
        if (!visit(*element))
            return;
        for (auto child = element->Children().rbegin(); child != element->Children().rend(); ++child)
            pending.push_back(child->get());
    }
}

// At most `limit` characters, never ending on the first half of a surrogate
// pair.
std::wstring Capped(const wchar_t* text, UINT length, size_t limit) {
    size_t count = length < limit ? length : limit;
    if (count < length && count > 0 && IS_HIGH_SURROGATE(text[count - 1]))
        --count;
    return std::wstring(text, count);
}

bool QualifiedName(IXmlReader* reader, std::wstring& out) {
    const wchar_t* name = nullptr;
    UINT length = 0;
    if (reader->GetQualifiedName(&name, &length) != S_OK || name == nullptr)
        return false;
    out.assign(name, length);
    return true;
}

bool Value(IXmlReader* reader, const wchar_t*& value, UINT& length) {
    value = nullptr;
    length = 0;
    if (reader->GetValue(&value, &length) != S_OK)
        return false;
    if (value == nullptr) {
        value = L"";
        length = 0;
    }
    return true;
}

// Not every reader refuses a start tag that names an attribute twice. Sorted,
// so that a tag with very many attributes costs no more than reading it.
bool HasDuplicateAttribute(const XmlElement& element) {
    const size_t count = element.AttributeCount();
    if (count < 2)
        return false;
    std::vector<const std::wstring*> names;
    names.reserve(count);
    for (size_t i = 0; i < count; ++i)
        names.push_back(&element.AttributeName(i));
    std::sort(names.begin(), names.end(),
              [](const std::wstring* a, const std::wstring* b) { return *a < *b; });
    return std::adjacent_find(names.begin(), names.end(), [](const std::wstring* a, const std::wstring* b) {
               return *a == *b;
           }) != names.end();
}

// True when the bytes hold at least one element start tag: '<' followed by a
// name character. Some readers fail hard (rather than report an error) on a
// document that is only a declaration or a comment, so such input never
// reaches the reader.
bool HasElementStart(const uint8_t* data, size_t size) {
    auto nameStart = [](unsigned c) { return c == '_' || c == ':' || iswalpha(c) || c >= 0x80; };
    const bool bigEndian = size >= 2 && data[0] == 0xFE && data[1] == 0xFF;
    bool wide = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    if (!wide && !bigEndian && size >= 4)
        wide = data[1] == 0 && data[3] == 0;  // UTF-16LE without a byte-order mark
    if (wide || bigEndian) {
        for (size_t i = 0; i + 3 < size; i += 2) {
            const unsigned unit = bigEndian ? (data[i] << 8) | data[i + 1] : data[i] | (data[i + 1] << 8);
            if (unit != '<')
                continue;
            const unsigned next =
                bigEndian ? (data[i + 2] << 8) | data[i + 3] : data[i + 2] | (data[i + 3] << 8);
            if (nameStart(next))
                return true;
        }
        return false;
    }
    for (size_t i = 0; i + 1 < size; ++i) {
        if (data[i] == '<' && nameStart(data[i + 1]))
            return true;
    }
    return false;
}

// Builds the tree from the reader's node sequence. Null when the document is
// malformed, too deep or has no root element.
std::unique_ptr<XmlElement> BuildTree(IXmlReader* reader) {
    std::unique_ptr<XmlElement> root;
    // Elements whose end tag is still to come, root first; and whether each
    // has its text piece already.
    std::vector<XmlElement*> open;
    std::vector<bool> hasText;
    std::wstring name;
    XmlNodeType type = XmlNodeType_None;
    HRESULT hr = S_OK;
    // A reader that stops making progress (seen with an unclosed element at
    // the end of a truncated file) keeps reporting nodes at one place; a
    // well-formed document never has this many nodes at one position.
    constexpr int kMaxNodesAtOnePlace = 32;
    UINT lastLine = 0;
    UINT lastColumn = 0;
    int nodesAtOnePlace = 0;
    while ((hr = reader->Read(&type)) == S_OK) {
        UINT line = 0;
        UINT column = 0;
        reader->GetLineNumber(&line);
        reader->GetLinePosition(&column);
        if (line == lastLine && column == lastColumn) {
            if (++nodesAtOnePlace >= kMaxNodesAtOnePlace)
                return nullptr;
        } else {
            lastLine = line;
            lastColumn = column;
            nodesAtOnePlace = 0;
        }
        switch (type) {
            case XmlNodeType_Element: {
                if (open.size() >= XmlDocument::kMaxDepth)
                    return nullptr;
                if (!QualifiedName(reader, name))
                    return nullptr;
                const bool empty = reader->IsEmptyElement() != FALSE;
                XmlElement* element = nullptr;
                if (open.empty()) {
                    if (root != nullptr)
                        return nullptr;  // a second root element
                    root = std::make_unique<XmlElement>(name);
                    element = root.get();
                } else {
                    element = open.back()->AddChild(name);
                }
                HRESULT attr = reader->MoveToFirstAttribute();
                for (; attr == S_OK; attr = reader->MoveToNextAttribute()) {
                    const wchar_t* text = nullptr;
                    UINT length = 0;
                    if (!QualifiedName(reader, name) || !Value(reader, text, length))
                        return nullptr;
                    element->AddAttribute(name, std::wstring(text, length));
                }
                if (FAILED(attr) || HasDuplicateAttribute(*element))
                    return nullptr;
                reader->MoveToElement();
                if (!empty) {
                    open.push_back(element);
                    hasText.push_back(false);
                }
                break;
            }
            case XmlNodeType_EndElement:
                if (open.empty())
                    return nullptr;
                open.pop_back();
                hasText.pop_back();
                break;
            case XmlNodeType_Text:
            case XmlNodeType_CDATA:
                if (!open.empty() && !hasText.back()) {
                    const wchar_t* text = nullptr;
                    UINT length = 0;
                    if (!Value(reader, text, length))
                        return nullptr;
                    open.back()->SetText(Capped(text, length, XmlDocument::kMaxTextLength));
                    hasText.back() = true;
                }
                break;
            case XmlNodeType_DocumentType:
                return nullptr;  // refused even where the reader lets one through
            default:
                break;  // declarations, comments, processing instructions, white space
        }
    }
    if (FAILED(hr) || !open.empty())
        return nullptr;
    return root;
}

}  // namespace

// --- XmlElement ----------------------------------------------------------------

XmlElement::~XmlElement() {
    // Unlink every descendant into one flat list first, so that no element is
    // destroyed while it still has children.
    std::vector<std::unique_ptr<XmlElement>> pending = std::move(m_children);
    while (!pending.empty()) {
        std::unique_ptr<XmlElement> last = std::move(pending.back());
        pending.pop_back();
        for (auto& child : last->m_children)
            pending.push_back(std::move(child));
        last->m_children.clear();
    }
}

bool XmlElement::HasAttribute(const wchar_t* name) const {
    for (const auto& attribute : m_attributes) {
        if (SameName(attribute.first, name))
            return true;
    }
    return false;
}

const std::wstring& XmlElement::Attribute(const wchar_t* name) const {
    for (const auto& attribute : m_attributes) {
        if (SameName(attribute.first, name))
            return attribute.second;
    }
    return kEmpty;
}

const std::wstring& XmlElement::AttributeName(size_t index) const {
    return index < m_attributes.size() ? m_attributes[index].first : kEmpty;
}

const std::wstring& XmlElement::AttributeValue(size_t index) const {
    return index < m_attributes.size() ? m_attributes[index].second : kEmpty;
}

const XmlElement* XmlElement::FindFirst(const wchar_t* name) const {
    const XmlElement* found = nullptr;
    if (name == nullptr)
        return nullptr;
    WalkBelow(*this, [&](const XmlElement& element) {
        if (SameName(element.m_name, name))
            found = &element;
        return found == nullptr;
    });
    return found;
}

std::vector<const XmlElement*> XmlElement::FindAll(const wchar_t* name) const {
    std::vector<const XmlElement*> found;
    if (name == nullptr)
        return found;
    WalkBelow(*this, [&](const XmlElement& element) {
        if (SameName(element.m_name, name))
            found.push_back(&element);
        return true;
    });
    return found;
}

void XmlElement::AddAttribute(std::wstring name, std::wstring value) {
    m_attributes.emplace_back(std::move(name), std::move(value));
}

void XmlElement::SetText(std::wstring text) {
    if (text.size() > XmlDocument::kMaxTextLength)
        text = Capped(text.c_str(), static_cast<UINT>(XmlDocument::kMaxTextLength + 1),
                      XmlDocument::kMaxTextLength);
    m_text = std::move(text);
}

XmlElement* XmlElement::AddChild(std::wstring name) {
    m_children.push_back(std::make_unique<XmlElement>(std::move(name)));
    return m_children.back().get();
}

// --- XmlDocument ---------------------------------------------------------------

bool XmlDocument::Load(const std::wstring& path) {
    m_root.reset();
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        static_cast<uint64_t>(size.QuadPart) > kMaxFileSize)
        return false;
    const auto length = static_cast<size_t>(size.QuadPart);
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[length]);
    if (bytes == nullptr)
        return false;
    size_t total = 0;
    while (total < length) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.get() + total, static_cast<DWORD>(length - total), &got, nullptr) ||
            got == 0)
            return false;  // the file shrank or cannot be read: take nothing of it
        total += got;
    }
    return LoadFromMemory(bytes.get(), total);
}

bool XmlDocument::LoadFromMemory(const void* data, size_t size) {
    m_root.reset();
    if (data == nullptr || size == 0 || size > kMaxFileSize)
        return false;
    if (!HasElementStart(static_cast<const uint8_t*>(data), size))
        return false;
    try {
        win::ComPtr<IStream> stream = win::ComPtr<IStream>::Attach(
            SHCreateMemStream(static_cast<const BYTE*>(data), static_cast<UINT>(size)));
        if (!stream)
            return false;
        win::ComPtr<IXmlReader> reader;
        if (FAILED(CreateXmlReader(__uuidof(IXmlReader), reader.put_void(), nullptr)) || !reader)
            return false;
        // No document type declarations: that refuses entity expansion bombs
        // and external entities outright.
        if (FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)))
            return false;
        // Not every reader honours this; BuildTree counts the depth itself.
        reader->SetProperty(XmlReaderProperty_MaxElementDepth, static_cast<LONG_PTR>(kMaxDepth));
        if (FAILED(reader->SetInput(stream.get())))
            return false;
        m_root = BuildTree(reader.get());
    } catch (const std::bad_alloc&) {
        m_root.reset();
    }
    return m_root != nullptr;
}

const XmlElement* XmlDocument::FindFirst(const wchar_t* name) const {
    if (m_root == nullptr || name == nullptr)
        return nullptr;
    if (m_root->Name() == name)
        return m_root.get();
    return m_root->FindFirst(name);
}

std::vector<const XmlElement*> XmlDocument::FindAll(const wchar_t* name) const {
    std::vector<const XmlElement*> found;
    if (m_root == nullptr || name == nullptr)
        return found;
    if (m_root->Name() == name)
        found.push_back(m_root.get());
    std::vector<const XmlElement*> below = m_root->FindAll(name);
    found.insert(found.end(), below.begin(), below.end());
    return found;
}
