#include "ExportFile.h"

#include <vector>

#include "EmulatedService.h"
#include "FileIo.h"
#include "RecordText.h"
#include "TextFormat.h"

namespace tarnsvc::exports {
namespace {

using records::FieldResult;

std::string Seal(text::Writer& writer) {
    std::string document = std::move(writer.Text());
    const std::string seal = text::Hex32(text::Crc32(document));
    document += "crc32=";
    document += seal;
    document += "\r\n";
    return document;
}

// Checks kind, version and checksum; `fields` receives the lines between the
// header and the checksum line.
HRESULT Open(std::string_view document, std::string_view header, std::vector<text::Line>& fields) {
    std::string_view first, rest;
    text::SplitHeader(document, first, rest);
    if (first != header)
        return kErrForeignFile;  // another kind of file, or a version we do not know
    // The checksum line is the last line; only a line end may follow it.
    std::string_view trimmed = document;
    while (!trimmed.empty() && (trimmed.back() == '\n' || trimmed.back() == '\r'))
        trimmed.remove_suffix(1);
    const size_t lineStart = trimmed.rfind('\n');
    if (lineStart == std::string_view::npos)
        return kErrDamagedFile;
    const std::string_view sealLine = trimmed.substr(lineStart + 1);
    const std::string_view tail = document.substr(lineStart + 1 + sealLine.size());
    if (tail != "\r\n" && tail != "\n" && !tail.empty())
        return kErrDamagedFile;
    uint32_t expected = 0;
    if (sealLine.substr(0, 6) != "crc32=" || sealLine.size() != 14 ||
        !text::ParseHex32(sealLine.substr(6), expected))
        return kErrDamagedFile;
    const std::string_view sealed = document.substr(0, lineStart + 1);
    if (text::Crc32(sealed) != expected)
        return kErrDamagedFile;
    std::string_view ignored, body;
    text::SplitHeader(sealed, ignored, body);
    if (!text::SplitLines(body, fields))
        return kErrDamagedFile;
    return S_OK;
}

HRESULT ReadDocument(const wchar_t* path, std::string& document) {
    if (!path)
        return E_POINTER;
    DWORD error = 0;
    switch (files::ReadWhole(path, kSizeLimit, document, error)) {
        case files::ReadResult::kRead:
            return S_OK;
        case files::ReadResult::kMissing:
            return Win32Error(ERROR_FILE_NOT_FOUND);
        case files::ReadResult::kTooLarge:
            return kErrForeignFile;
        case files::ReadResult::kFailed:
            break;
    }
    return error ? Win32Error(error) : E_FAIL;
}

}  // namespace

std::string ProfileDocument(const ProfileState& profile) {
    text::Writer writer;
    writer.Raw(kProfileHeader);
    records::WriteProfileFields(writer, profile);
    return Seal(writer);
}

std::string MacroDocument(const MacroState& macro) {
    text::Writer writer;
    writer.Raw(kMacroHeader);
    records::WriteMacroFields(writer, macro);
    return Seal(writer);
}

HRESULT ParseProfile(std::string_view document, ProfileState& out) {
    std::vector<text::Line> fields;
    const HRESULT hr = Open(document, kProfileHeader, fields);
    if (FAILED(hr))
        return hr;
    ProfileState profile = FactoryProfile(L"");
    bool named = false;
    records::ProfileFieldsSeen seen;
    for (const text::Line& line : fields) {
        if (line.kind != text::Line::kField ||
            records::ReadProfileField(line.key, line.value, profile, seen) != FieldResult::kApplied)
            return kErrDamagedFile;
        named = named || line.key == "name";
    }
    profile.id = NewId();  // the rules want an identity; the caller gives the real one
    if (!named || !ValidProfile(profile))
        return kErrDamagedFile;
    profile.id = GUID{};
    out = std::move(profile);
    return S_OK;
}

HRESULT ParseMacro(std::string_view document, MacroState& out) {
    std::vector<text::Line> fields;
    const HRESULT hr = Open(document, kMacroHeader, fields);
    if (FAILED(hr))
        return hr;
    MacroState macro;
    bool named = false;
    for (const text::Line& line : fields) {
        if (line.kind != text::Line::kField ||
            records::ReadMacroField(line.key, line.value, macro) != FieldResult::kApplied)
            return kErrDamagedFile;
        named = named || line.key == "name";
    }
    macro.id = NewId();
    if (!named || !ValidMacro(macro))
        return kErrDamagedFile;
    macro.id = GUID{};
    out = std::move(macro);
    return S_OK;
}

HRESULT ReadProfile(const wchar_t* path, ProfileState& out) {
    std::string document;
    const HRESULT hr = ReadDocument(path, document);
    return FAILED(hr) ? hr : ParseProfile(document, out);
}

HRESULT ReadMacro(const wchar_t* path, MacroState& out) {
    std::string document;
    const HRESULT hr = ReadDocument(path, document);
    return FAILED(hr) ? hr : ParseMacro(document, out);
}

HRESULT WriteDocument(const wchar_t* path, std::string_view document) {
    if (!path)
        return E_POINTER;
    if (!*path)
        return E_INVALIDARG;
    if (files::WriteAtomically(path, document))
        return S_OK;
    const DWORD error = ::GetLastError();
    return error ? Win32Error(error) : E_FAIL;
}

}  // namespace tarnsvc::exports
