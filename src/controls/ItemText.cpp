#include "controls/ItemText.h"

#include "skin/LangTable.h"

namespace controls {

Justify ParseJustify(const std::wstring& value) {
    if (value.empty())
        return Justify::kDefault;
    switch (value[0]) {
        case L'L':
            return Justify::kLeft;
        case L'C':
            return Justify::kCentre;
        case L'R':
            return Justify::kRight;
        default:
            return Justify::kDefault;
    }
}

int32_t ParseCaps(const std::wstring& value) {
    if (value.empty())
        return kCapsNone;
    if (value[0] == L'U')
        return kCapsUpper;
    if (value[0] == L'L')
        return kCapsLower;
    return kCapsNone;
}

void ApplyCaps(std::wstring& text, int32_t caps) {
    if (text.empty())
        return;
    if (caps == kCapsUpper)
        CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    else if (caps == kCapsLower)
        CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
}

void FirstLineBreak(std::wstring& text) {
    size_t at = text.find(L"\\n");
    if (at != std::wstring::npos)
        text.replace(at, 2, L"\r\n");
}

std::wstring ItemText(const std::wstring& key, int32_t caps) {
    std::wstring text;
    const bool resolved = lang::Resolve(key, text);
    if (!resolved)
        text = key;
    // The break first: upper case would turn backslash + n into backslash + N.
    FirstLineBreak(text);
    if (resolved)
        ApplyCaps(text, caps);
    return text;
}

std::wstring TooltipText(const std::wstring& key) {
    std::wstring text;
    if (!lang::Resolve(key, text))
        text = key;
    size_t at = text.find(L'\\');
    if (at != std::wstring::npos)
        text.replace(at, at + 1 < text.size() ? 2 : 1, L" ");
    return text;
}

UINT TextDrawFormat(Justify justify, bool multiline) {
    UINT align = 0;
    if (justify == Justify::kCentre)
        align = DT_CENTER;
    else if (justify == Justify::kRight)
        align = DT_RIGHT;
    if (align == 0)
        return multiline ? DT_WORDBREAK : 0;
    return multiline ? (align | DT_WORDBREAK) : (align | DT_VCENTER | DT_SINGLELINE);
}

win::UniqueFont MakeDefaultFont() {
    return win::UniqueFont(CreateFontW(14, 0, 0, 0, 700, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS,
                                       L"Arial"));
}

void PrepareItemText(HDC dc, HFONT font, COLORREF colour, win::UniqueFont& fallback) {
    if (font == nullptr) {
        fallback = MakeDefaultFont();
        font = fallback.get();
    }
    if (font != nullptr)
        SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
}

}  // namespace controls
