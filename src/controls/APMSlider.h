// The colour-range slider (type 9, skin element HSLIDERMAPM inside
// SLIDERLIST): a horizontal track that its thumbs divide into coloured
// ranges; range 0 lies left of the first thumb, range n right of the last.
// The page that owns it adds the thumbs and the colours:
//
//   auto* slider = panel.FindItemAs<CAPMSlider>(ctl::SLIDER_APM_MULTI, kItemColourRangeSlider);
//   slider->SetOwner(pageWindow);
//   slider->SetRange(1, 32);
//   slider->AddThumb(ctl::SLIDER_APM_MULTI_STAGE1);
//   slider->AddThumb(ctl::SLIDER_APM_MULTI_STAGE2);
//   slider->Reset();                        (evenly spread, neighbour caps, greys)
//   slider->SetColours({RGB(...), RGB(...), RGB(...)});
//
// Posted to the owner window:
//
//   WMU_SLIDERCHANGED (0x446)   wParam: new value     lParam: control id of the thumb
//   WMU_RANGECLICKED  (0x5F6)   wParam: range index   lParam: the slider's control id
//
// the second on a release over the track outside the thumbs: the range is
// the one painted under the pointer.
//
// Skin element (RECT in the track item's client coordinates):
//
//   <HSLIDERMAPM name="SLIDER_APM_MULTI" trackid="BITMAP_APM_SLIDER">
//     <RECT left="0" top="0" right="320" bottom="20"/>
//     <SBMN>apm-thumb.bmp</SBMN><SBMO>apm-thumb-hot.bmp</SBMO>
//   </HSLIDERMAPM>
//
// trackid names a BITMAPITEM made earlier; without it no slider is made.
#pragma once

#include <vector>

#include "controls/ThumbTrack.h"

constexpr UINT WMU_RANGECLICKED = 0x5F6;

class CAPMSlider : public CThumbTrack {
public:
    static constexpr wchar_t kClassName[] = L"TarnAPMSlider";
    // How much of the track picture shows over the range colours, of 255.
    static constexpr int kTrackOpacity = 50;

    CAPMSlider() = default;

    bool CreateWindowFor(HWND trackItem, HBITMAP trackPicture, const RECT& rect, int32_t id, void* owner);
    void SetThumbPictures(HBITMAP thumb, HBITMAP hotThumb) { CThumbTrack::SetThumbPictures(thumb, hotThumb); }

    // A thumb on the track whose centre runs from half a thumb inside the
    // left end to half a thumb inside the right end, as the ranges are
    // painted; with the neighbour caps the thumbs keep their order. Null
    // when it cannot be made.
    CPHSlider* AddThumb(int32_t thumbId);
    // The range, in either order, for the slider and every thumb.
    void SetRange(int32_t a, int32_t b);
    void SetEnabled(bool enabled);

    // Colour i fills range i; a range without a colour is black.
    void SetColours(std::vector<COLORREF> colours);
    const std::vector<COLORREF>& Colours() const { return m_colours; }
    // On (the default): no thumb passes its neighbours.
    void SetNeighbourCaps(bool on);
    bool NeighbourCaps() const { return m_neighbourCaps; }

    // Default stages, then the caps as switched, then default colours.
    void Reset();
    // Thumb i at minimum + (i + 1) * ((maximum - minimum) / (thumbs + 1)).
    void SetDefaultStages();
    // Greys: colour i of n thumbs has each channel (i * k) mod 256, where
    // k = (n + 1) * 255 / (maximum - minimum).
    void SetDefaultColours();
    void ApplyNeighbourCaps();
    void RemoveNeighbourCaps();

    // The x where range i ends and range i + 1 begins: the centre of thumb i.
    int RangeEdge(size_t i) const;
    // The range painted at client x.
    size_t RangeAt(int x) const;

    void Paint(HDC dc);

    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void UpdateCaps();
    void OnThumbChanged(WPARAM value, LPARAM thumbId);
    COLORREF ColourOf(size_t range) const;

    std::vector<COLORREF> m_colours{0};
    std::vector<int> m_paintedEdges;  // range edges as last painted, to redraw what a move uncovers
    std::vector<uint32_t> m_trackPixels;  // the track picture, 0x00RRGGBB rows, for blending
    int m_trackWidth = 0;
    int m_trackHeight = 0;
    bool m_neighbourCaps = true;
};
