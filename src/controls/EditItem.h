// Skinned text fields: the platform's edit control, coloured by the field
// itself (its parent reflects the colour request back to it).
//
//  - CEditItem (type 18): a single-line field for names and numbers; it can
//    be told to take digits only. Its context menu never opens.
//  - CEditItemSingleKeyInput (type 19): shows the name of the last key
//    pressed in it and keeps that key's record. It reads the ordinary key
//    messages and the raw keyboard input delivered to it, so keys that make
//    no key messages (Print Screen) are caught too.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/Window.h"

class CEditItem : public win::SubclassedWindow, public CGUIItem {
public:
    struct Colours {
        COLORREF text = 0xFFFFFF;
        COLORREF hotText = 0;
        COLORREF background = 0;
        COLORREF hotBackground = 0xFFFFFF;
        COLORREF border = 0xFFFFFF;
    };

    CEditItem() = default;

    // A visible child of `parent` at the rectangle, without a border; the
    // window's id is the control id. `extraStyle` adds edit styles.
    bool CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner, const Colours& colours,
                         DWORD extraStyle = 0);

    // Sends WM_SETFONT; null keeps the system's font. The font belongs to
    // its font item.
    void SetFont(HFONT font);
    HFONT Font() const { return m_font; }
    // The most characters the field takes.
    void SetLimit(UINT characters);

    // Only 0-9 typed, Backspace, Delete, Left and Right; no context menu.
    void SetDigitsOnly(uint8_t on) { m_digitsOnly = on; }
    uint8_t DigitsOnly() const { return m_digitsOnly; }

    const Colours& GetColours() const { return m_colours; }
    // 1..9; other values keep the current width.
    void SetBorderWidth(int32_t width);
    int32_t BorderWidth() const { return m_borderWidth; }

    std::wstring Text() const;

    // The colour request (WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC for a read-only
    // or disabled field) that the parent reflects.
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // EDITCTRL: name, fontclr, fontclrhi, backclr, backclrhi, bdrclr,
    // bdrwidth, fontid, max; child RECT.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override { SetWindow(nullptr); }

    // Reads the attributes both field kinds share and applies font and limit.
    static Colours ColoursFrom(const XmlElement& element);
    void ApplySkin(const XmlElement& element, int32_t id, const skin::SkinContext& context);

private:
    bool FiltersOut(UINT message, WPARAM wParam) const;

    Colours m_colours;
    int32_t m_borderWidth = 1;
    uint8_t m_digitsOnly = 0;
    HFONT m_font = nullptr;  // owned by its font item
    win::UniqueBrush m_background;
};

class CEditItemSingleKeyInput : public CEditItem {
public:
    // The last key seen.
    struct KeyRecord {
        std::wstring name;
        uint16_t virtualKey = 0;  // refined: left and right Control, Alt, Shift; keypad Enter
        uint16_t scanCode = 0;
        uint8_t keyUp = 0;  // 1 released, 255 pressed
        uint8_t extended = 0;
    };
    static constexpr uint8_t kPressed = 255;
    static constexpr uint8_t kReleased = 1;

    CEditItemSingleKeyInput() = default;
    ~CEditItemSingleKeyInput() override;

    // Centred text; the field starts empty.
    bool CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner, const Colours& colours);

    const KeyRecord& Key() const { return m_key; }

    // Makes this field the target of the program's raw keyboard input. False
    // when the system refuses or another window holds the registration.
    bool RegisterRawKeyboard();
    bool HoldsRawKeyboard() const;

    // A key message (down or up, system or not): true when it was swallowed.
    bool OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // One raw keyboard record, as WM_INPUT delivers it.
    void OnRawKeyboard(const RAWKEYBOARD& keyboard);

    // EDITCTRLSK: as EDITCTRL; the raw keyboard input is registered for the
    // field right after it is made.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowKeyName();
    void ReleaseRawKeyboard();

    KeyRecord m_key;
};

namespace controls {
// Keys that a key press in the single-key field never shows: Backspace, Tab,
// Pause, Caps Lock, Space, Home, the arrows, the Windows and application
// keys, Num Lock and Scroll Lock.
bool IsSwallowedKeyDown(UINT virtualKey);
}  // namespace controls
