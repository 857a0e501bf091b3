// The sensitivity-stage tile (type 20, skin element DPISTAGEWINDOW inside
// DPISTAGELIST): a framed child window showing a stage's heading and its
// sensitivity, one value or separate X and Y values. The popup that holds the
// tiles owns the numbers and the selection; the tile shows them and reports a
// click on an enabled, unselected tile:
//
//   0x5F4  the tile became selected   wParam: stage number   lParam: control id
//
// sent to the parent. Only the popup deselects a tile.
//
// Skin element (every RECT is left, top, width, height; the RECTs of BITMAP
// and TEXTAREA parts are relative to the tile):
//
//   <DPISTAGELIST>
//     <DPISTAGEWINDOW name="DPISTAGEWINDOW_01" fontid="FONT_STAGE" fontclr="WHITE" tooltip="$dpistage1">
//       <RECT left="20" top="60" right="110" bottom="120"/>
//       <BITMAP name="DPIFRAME"><BMP>stage-frame.bmp</BMP><RECT left="0" top="0" right="110" bottom="120"/></BITMAP>
//       <BITMAP name="DPIFRAMESELECTED"><BMP>stage-frame-selected.bmp</BMP><RECT .../></BITMAP>
//       <BITMAP name="DPIWIN"><BMP>stage-value.bmp</BMP><BMPMASK>optional.bmp</BMPMASK><RECT .../></BITMAP>
//       <BITMAP name="DPIWINX">...</BITMAP>  <BITMAP name="DPIWINY">...</BITMAP>
//       <TEXTAREA name="HEADING" textkey="$dpistage1"><RECT .../></TEXTAREA>
//       <TEXTAREA name="DPI" textkey="DPI"><RECT .../></TEXTAREA>
//       <TEXTAREA name="X" textkey="X"><RECT .../></TEXTAREA>  (likewise Y, DPIX, DPIY)
//     </DPISTAGEWINDOW>
//   </DPISTAGELIST>
//
// The tile's own RECT is its direct RECT child (a language RECT override of
// the id replaces it). Part names are matched ignoring case; other names are
// ignored. fontclr (a colour name, default near-white), tooltip and fontid
// are optional; textkey is a literal text or a language key. A BMPMASK is
// white where the picture leaves what lies below it showing. Every part is
// optional: a missing picture leaves its place black, a missing text empty.
// The value windows of a selected tile are drawn from "stageSelected.bmp".
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "controls/Tooltip.h"
#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"
#include "win/Window.h"

// wParam: stage number, lParam: control id of the tile.
constexpr UINT WMU_DPISTAGE_SELECTED = 0x5F4;

class CDPIStageWindow : public win::Window, public CGUIItem {
public:
    static constexpr wchar_t kClassName[] = L"TarnDPIStageWindow";
    // Drawn in place of the value windows' own pictures while selected.
    static constexpr wchar_t kSelectedValuePicture[] = L"stageSelected.bmp";

    enum class Text { kHeading, kValue, kXValue, kYValue, kX, kY, kCount };
    enum class Picture { kFrame, kFrameSelected, kValue, kXValue, kYValue, kCount };

    CDPIStageWindow() = default;

    bool CreateWindowFor(HWND parent, const RECT& rect, int32_t id, int32_t stage, void* owner);

    // Skin parts; rectangles relative to the tile, in corner form. Pictures
    // come from the resource cache and are not owned.
    void SetText(Text role, const std::wstring& text, const RECT& rect);
    void SetPicture(Picture role, HBITMAP picture, HBITMAP mask, const RECT& rect);
    void SetSelectedValuePicture(HBITMAP picture) { m_selectedValue = picture; }
    void SetFont(HFONT font);
    void SetTextColour(COLORREF colour) { m_textColour = colour; }
    void SetTooltip(const std::wstring& text) { m_tooltip.SetText(Handle(), text); }

    // Set by the popup; each repaints the tile when it changes something.
    void SetValue(int32_t value);
    void SetXValue(int32_t value);
    void SetYValue(int32_t value);
    void SetSeparateXY(bool separate);
    void SetSelected(bool selected);
    void SetStageEnabled(bool enabled);  // a disabled tile ignores clicks
    void SetInUse(bool inUse);           // a tile not in use paints nothing

    int32_t StageNumber() const { return m_stage; }
    int32_t Value() const { return m_value; }
    int32_t XValue() const { return m_xValue; }
    int32_t YValue() const { return m_yValue; }
    bool IsSeparateXY() const { return m_separateXY; }
    bool IsSelected() const { return m_selected; }
    bool IsStageEnabled() const { return m_enabled; }
    bool IsInUse() const { return m_inUse; }
    const std::wstring& TextOf(Text role) const { return m_texts[Index(role)].text; }
    const controls::ItemTooltip& Tooltip() const { return m_tooltip; }

    void Paint(HDC dc);

    // DPISTAGEWINDOW, as above. The stage number follows from the control id:
    // DPISTAGEWINDOW_01 .. _05 are stages 1 .. 5, any other name stage 0.
    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override { SetWindow(nullptr); }

private:
    struct TextArea {
        std::wstring text;
        RECT rect = {};
    };
    struct Part {
        HBITMAP picture = nullptr;  // owned by the resource cache
        HBITMAP mask = nullptr;
        RECT rect = {};
    };
    template <typename E>
    static size_t Index(E role) {
        return static_cast<size_t>(role);
    }

    void Repaint();
    void OnClicked();
    void DrawLabel(HDC dc, Text role, UINT format);
    void DrawValueWindow(HDC dc, Picture role, int32_t value);

    std::array<TextArea, static_cast<size_t>(Text::kCount)> m_texts{};
    std::array<Part, static_cast<size_t>(Picture::kCount)> m_parts{};
    HBITMAP m_selectedValue = nullptr;  // owned by the resource cache
    HFONT m_font = nullptr;             // owned by its font item
    COLORREF m_textColour = 0;          // 0: the default near-white
    UINT m_textFormat = DT_SINGLELINE | DT_VCENTER;
    int32_t m_stage = 0;
    int32_t m_value = 0;
    int32_t m_xValue = 0;
    int32_t m_yValue = 0;
    bool m_separateXY = false;
    bool m_selected = false;
    bool m_enabled = true;
    bool m_inUse = false;
    controls::ItemTooltip m_tooltip;
};
