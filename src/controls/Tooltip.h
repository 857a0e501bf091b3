// The tool tip of a skinned control: one tool over the control's client area,
// its text resolved through the language. The tool-tip window is made when
// the pointer first comes over a control that has a text.
#pragma once

#include <windows.h>

#include <string>

namespace controls {

class ItemTooltip {
public:
    ItemTooltip() = default;
    ItemTooltip(const ItemTooltip&) = delete;
    ItemTooltip& operator=(const ItemTooltip&) = delete;
    ~ItemTooltip();  // destroys the tool-tip window

    // Resolves the text (first backslash and the character after it become a
    // space); the tool shows it, active, from the pointer's first visit.
    void SetText(HWND control, const std::wstring& key);
    // Sets the text exactly as given (no language, no backslash handling).
    void SetPlainText(HWND control, const std::wstring& text);
    // Hands a mouse message of the control to the tool tip first.
    void Relay(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

    HWND Handle() const { return m_tip; }
    const std::wstring& Text() const { return m_text; }

private:
    bool EnsureCreated(HWND control);
    void ApplyText(HWND control);

    HWND m_tip = nullptr;
    bool m_hasTool = false;
    std::wstring m_text;
};

}  // namespace controls
