// A text label (type 11): an owner-drawn static control that paints itself
// transparently over its parent's picture. Interactive texts (the static's
// notify style) take clicks and hover; a text bound to a check box toggles it
// and reports the click with its own control id.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/HotTracking.h"
#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"
#include "win/Window.h"

class ICheckBoxLink;

class CTextItem : public win::SubclassedWindow, public CGUIItem, private controls::HotTracker::Repaint {
public:
    struct Options {
        UINT drawFormat = 0;  // controls::TextDrawFormat
        bool interactive = false;
        COLORREF textColour = 0;     // 0: the default colour
        COLORREF hotTextColour = 0;  // 0: the text colour
    };

    CTextItem() = default;

    // A visible child of `parent` at the rectangle (parent coordinates).
    bool CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner, const Options& options);

    // Resolved through the language (shown unchanged when it does not
    // resolve), first backslash + n made a line break; repaints.
    void SetText(const std::wstring& text);
    // As SetText, with the caps mode applied to a resolved text only.
    void SetText(const std::wstring& text, int32_t caps);
    // Shown exactly as given: for names the user typed, never looked up.
    void SetPlainText(const std::wstring& text);
    std::wstring GetText() const { return m_text; }
    // Sends WM_SETFONT and remembers the font (null: the default font).
    void SetFont(HFONT font);
    // Only a check box is accepted; null unbinds.
    void SetLinkedCheckBox(ICheckBoxLink* checkBox);
    ICheckBoxLink* LinkedCheckBox() const { return m_checkBox; }

    bool IsHot() const { return m_hot.Hot(); }
    UINT DrawFormat() const { return m_options.drawFormat; }
    COLORREF CurrentColour() const;

    // Draws the text into a DC whose origin is the item's top-left corner.
    void Paint(HDC dc, const RECT& client);
    // Redraws the parent's picture under the text, then the text.
    void Repaint();

    // TEXTITEM: name, textkey, caps, windowid, justify, multiline (on for 1),
    // fontclr, fontclrhi, interactive, checkboxid, fontid; child RECT.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override { SetWindow(nullptr); }

private:
    void OnHotChanged() override { Repaint(); }

    Options m_options;
    std::wstring m_text;
    HFONT m_font = nullptr;  // owned by its font item
    ICheckBoxLink* m_checkBox = nullptr;
    controls::HotTracker m_hot;
};
