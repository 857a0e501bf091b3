// The skinned push button and check box (type 2): an owner-drawn platform
// button that draws one of four face pictures with an optional caption, hot
// tracks the pointer, and reports clicks to its parent with WM_COMMAND.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/CheckBoxLink.h"
#include "controls/GUIItem.h"
#include "controls/HotTracking.h"
#include "controls/ItemText.h"
#include "controls/Tooltip.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/Window.h"

namespace controls {

// The four state pictures of a button.
enum class Face { kNormal, kOver, kDown, kDisabled };

// A source picture for each face; null leaves that face as it is.
struct FacePictures {
    HBITMAP normal = nullptr;
    HBITMAP over = nullptr;
    HBITMAP down = nullptr;
    HBITMAP disabled = nullptr;
};

// The caption colour of each face; 0 stands for the default colour.
struct FaceColours {
    COLORREF normal = 0;
    COLORREF over = 0;
    COLORREF down = 0;
    COLORREF disabled = 0;
};

// The face pictures a button owns, each cut from its source.
class FaceSet {
public:
    // Cuts every given source at (x, y), width x height.
    void Cut(const FacePictures& sources, int x, int y, int width, int height);
    HBITMAP Get(Face face) const;

private:
    win::UniqueBitmap m_normal;
    win::UniqueBitmap m_over;
    win::UniqueBitmap m_down;
    win::UniqueBitmap m_disabled;
};

// DrawText flags of a button caption: the justification (left 0, centre 1,
// right 2; the default is left), edit-control and modify-string, and either
// one vertically centred line or word-wrapped lines.
UINT ButtonDrawFormat(Justify justify, bool multiline);

// Makes the window that holds a control the active one, as a click on a
// control of an inactive window should.
void ActivateTopLevel(HWND hwnd);

// The file of a face element (SBMN, SBMO, SBMD, SBMDS, SBMM) of a skin
// button: the current language's override of that face when there is one,
// else the element's text.
std::wstring FaceFile(const XmlElement& element, int32_t id, const wchar_t* face);

}  // namespace controls

class CBitmapBtn : public win::SubclassedWindow,
                   public CGUIItem,
                   public ICheckBoxLink,
                   private controls::HotTracker::Repaint {
public:
    CBitmapBtn() = default;

    // A visible owner-drawn child of `parent` at the rectangle; its window
    // identifier is the control id, so the platform's notifications carry it.
    bool CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner, controls::Justify justify,
                         bool multiline, bool isCheckBox);

    // ICheckBoxLink. Setting the state repaints only when it changes; on an
    // ordinary button a checked state holds the down face.
    bool IsCheckBox() const override { return m_isCheckBox; }
    bool TogglesOnClick() const override { return m_togglesOnClick != 0; }
    int32_t GetChecked() const override { return m_checked; }
    void SetChecked(int32_t checked) override;
    HWND CheckBoxWindow() const override { return Handle(); }

    // 0: a click leaves the state to the page, which sets it itself.
    void SetTogglesOnClick(uint8_t toggles) { m_togglesOnClick = toggles; }

    // Resolved through the language; the caps mode applies to the resolved
    // text, or to the text as written when it does not resolve; the first
    // backslash + n becomes a line break.
    void SetCaption(const std::wstring& text, int32_t caps);
    const std::wstring& Caption() const { return m_caption; }
    void SetTooltip(const std::wstring& text) { m_tooltip.SetText(Handle(), text); }
    const controls::ItemTooltip& Tooltip() const { return m_tooltip; }

    // With a mask the window region is built from it first; every face is cut
    // from its source at the picture rectangle's top-left with the
    // rectangle's size. Drops the border and tab-stop styles.
    void SetPictures(const controls::FacePictures& faces, HBITMAP mask, const RECT& pictureRect);
    void SetTextColours(const controls::FaceColours& colours) { m_colours = colours; }
    // Sends WM_SETFONT and remembers the font (owned by its font item).
    void SetFont(HFONT font);
    UINT DrawFormat() const { return m_drawFormat; }

    bool IsHot() const { return m_hot.Hot(); }
    // The face and caption colour for the platform's pressed and disabled
    // states (caption colour 0 already replaced by the default).
    controls::Face ChooseFace(bool pressed, bool disabled) const;
    COLORREF ChooseTextColour(bool pressed, bool disabled) const;
    HBITMAP FacePicture(controls::Face face) const { return m_faces.Get(face); }

    void Paint(HDC dc, bool pressed, bool disabled);

    // BUTTON: name, tooltip, ischeckbox, dynamic, justify, multiline,
    // windowid, fontid, caption, caps; RECT; unless dynamic SBMN, SBMO, SBMD,
    // SBMDS (each with fontclr), SBMM, BMPSZ.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnWindowGone() override { SetWindow(nullptr); }

private:
    void OnHotChanged() override { Invalidate(); }
    void Invalidate();
    void PaintCurrent(HDC dc);
    void ClickCheckBox();

    int32_t m_checked = 0;
    bool m_isCheckBox = false;
    uint8_t m_togglesOnClick = 1;
    controls::FaceSet m_faces;
    controls::FaceColours m_colours;
    std::wstring m_caption;
    HFONT m_font = nullptr;
    UINT m_drawFormat = 0;
    controls::HotTracker m_hot;
    controls::ItemTooltip m_tooltip;
};
