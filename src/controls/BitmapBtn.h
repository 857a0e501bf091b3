// The skinned push button and check box (type 2): an owner-drawn platform
// button that draws one of four face pictures with an optional caption, hot
// tracks the pointer, and reports clicks to its parent with WM_COMMAND.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/CheckBoxLink.h"
#include "controls/FacedButton.h"
#include "controls/ItemText.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/Window.h"

namespace controls {

// The caption colour of each face; 0 stands for the default colour.
struct FaceColours {
    COLORREF normal = 0;
    COLORREF over = 0;
    COLORREF down = 0;
    COLORREF disabled = 0;
};

// DrawText flags of a button caption: the justification (left 0, centre 1,
// right 2; the default is left), edit-control and modify-string, and either
// one vertically centred line or word-wrapped lines.
UINT ButtonDrawFormat(Justify justify, bool multiline);

// The file of a face element (SBMN, SBMO, SBMD, SBMDS, SBMM) of a skin
// button: the current language's override of that face when there is one,
// else the element's text.
std::wstring FaceFile(const XmlElement& element, int32_t id, const wchar_t* face);

}  // namespace controls

class CBitmapBtn : public CFacedButton, public ICheckBoxLink {
public:
    // Raised above its siblings under the pointer.
    CBitmapBtn() : CFacedButton(true) {}

    // A visible owner-drawn child of `parent` at the rectangle; its window
    // identifier is the control id, so the platform's notifications carry it.
    bool CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner, controls::Justify justify,
                         bool multiline, bool isCheckBox);

    // ICheckBoxLink. Setting the state repaints only when it changes; on an
    // ordinary button a checked state holds the down face.
    bool IsCheckBox() const override { return m_isCheckBox; }
    bool TogglesOnClick() const override { return m_togglesOnClick != 0; }
    int32_t GetChecked() const override { return CFacedButton::GetChecked(); }
    void SetChecked(int32_t checked) override { CFacedButton::SetChecked(checked); }
    HWND CheckBoxWindow() const override { return Handle(); }

    // 0: a click leaves the state to the page, which sets it itself.
    void SetTogglesOnClick(uint8_t toggles) { m_togglesOnClick = toggles; }

    // Resolved through the language; the caps mode applies to the resolved
    // text, or to the text as written when it does not resolve; the first
    // backslash + n becomes a line break.
    void SetCaption(const std::wstring& text, int32_t caps);
    const std::wstring& Caption() const { return m_caption; }
    void SetTooltip(const std::wstring& text) { m_tooltip.SetText(Handle(), text); }

    // With a mask the window region is built from it first; every face is cut
    // from its source at the picture rectangle's top-left with the
    // rectangle's size. Drops the border and tab-stop styles.
    void SetPictures(const controls::FacePictures& faces, HBITMAP mask, const RECT& pictureRect);
    void SetTextColours(const controls::FaceColours& colours) { m_colours = colours; }
    // Sends WM_SETFONT and remembers the font (owned by its font item).
    void SetFont(HFONT font);
    UINT DrawFormat() const { return m_drawFormat; }

    // The face and caption colour for the platform's pressed and disabled
    // states (caption colour 0 already replaced by the default).
    controls::Face ChooseFace(bool pressed, bool disabled) const;
    COLORREF ChooseTextColour(bool pressed, bool disabled) const;

    void Paint(HDC dc, bool pressed, bool disabled) override;

    // BUTTON: name, tooltip, ischeckbox, dynamic, justify, multiline,
    // windowid, fontid, caption, caps; RECT; unless dynamic SBMN, SBMO, SBMD,
    // SBMDS (each with fontclr), SBMM, BMPSZ.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT OnMouseButton(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ClickCheckBox();

    uint8_t m_togglesOnClick = 1;
    controls::FaceColours m_colours;
    std::wstring m_caption;
    HFONT m_font = nullptr;
    UINT m_drawFormat = 0;
};
