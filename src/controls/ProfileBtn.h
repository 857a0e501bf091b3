// The wide button of a profile row (type 4): four short texts in columns
// over its state picture. Its pictures are cut out of panel-sized state
// sheets at the button's own place.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "controls/FacedButton.h"
#include "skin/SkinLoader.h"

namespace controls {

constexpr int kProfileColumns = 4;
constexpr COLORREF kProfileTextColour = 0xE0E0E0;
// DrawText flags of a column: end ellipsis, no clipping, one vertically
// centred line.
constexpr UINT kProfileColumnFormat = DT_END_ELLIPSIS | DT_NOCLIP | DT_SINGLELINE | DT_VCENTER;

// The column rectangles of a profile button whose client rectangle is
// `client` and whose first column text is `firstTextHeight` high: 50 wide
// for the first, 100 for the others, 5 apart; each from half the client
// height less half the text height down to the client bottom.
std::array<RECT, kProfileColumns> ProfileColumnRects(const RECT& client, int firstTextHeight);

}  // namespace controls

class CProfileBtn : public CFacedButton {
public:
    CProfileBtn() : CFacedButton(false) {}

    // A visible owner-drawn child of `parent` at the rectangle.
    bool CreateWindowFor(HWND parent, const RECT& rect, int32_t id, void* owner);

    // A page makes a profile button a check box; a click then always
    // inverts its state.
    void SetCheckBox(bool isCheckBox) { m_isCheckBox = isCheckBox; }
    bool IsCheckBox() const { return m_isCheckBox; }

    void SetColumnTexts(const std::wstring& first, const std::wstring& second, const std::wstring& third,
                        const std::wstring& fourth);
    const std::wstring& ColumnText(int column) const { return m_columns[column]; }

    // Every face is cut from its source at the rectangle's top-left with the
    // rectangle's size.
    void SetPictures(const controls::FacePictures& faces, const RECT& rect);
    // The text is shown as given: no language, no backslash handling.
    void SetTooltip(const std::wstring& text) { m_tooltip.SetPlainText(Handle(), text); }

    controls::Face ChooseFace(bool pressed, bool disabled) const;
    void Paint(HDC dc, bool pressed, bool disabled) override;

    // PROFBUTTON: name, tooltip; RECT, SBMN (required), SBMO, SBMD, SBMDS.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT OnMouseButton(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::array<std::wstring, controls::kProfileColumns> m_columns;
};
