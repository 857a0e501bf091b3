// The multi-stage slider (type 8, skin element HSLIDERM inside SLIDERLIST):
// a horizontal track with one thumb (CPHSlider, type 6) per sensitivity
// stage, at most five, sharing one range. A page finds it by id, sets its
// range, values and owner:
//
//   auto* slider = panel.FindItemAs<CSliderHMulti>(ctl::SLIDER_DPI_MULTI, kItemMultiSlider);
//   slider->SetOwner(pageWindow);
//   slider->SetRange(1, 56);
//   slider->Thumb(0)->SetValue(16);
//
// and receives, posted to the owner window:
//
//   WMU_SLIDERCHANGED (0x446)   wParam: new value   lParam: control id of the thumb
//
// for every change while a thumb is dragged, every drop, key and wheel step,
// and a release on the bare track (which moves only the first thumb there).
//
// Skin element (RECT is left, top, width, height in the track item's client
// coordinates; the slider is a child of that item):
//
//   <SLIDERLIST>
//     <HSLIDERM name="SLIDER_DPI_MULTI" trackid="BITMAP_SLSENSTRK_XY" interactive="1" loffset="8" roffset="8">
//       <RECT left="0" top="0" right="320" bottom="24"/>
//       <SBMN>thumb.bmp</SBMN>        (normal thumb, a BMP; its top-left colour is transparent)
//       <SBMO>thumb-hot.bmp</SBMO>    (thumb under the pointer or dragged)
//       <STAGES>
//         <STAGE tooltip="$stage1">SLIDER_DPI_MULTI_STAGE1</STAGE>
//         <STAGE>SLIDER_DPI_MULTI_STAGE2</STAGE>
//       </STAGES>
//     </HSLIDERM>
//   </SLIDERLIST>
//
// trackid names a BITMAPITEM made earlier; without it, or without STAGE
// elements, no slider is made. interactive: 0 or missing leaves the slider
// and its thumbs deaf to the mouse and keys. offset: the left margin of the
// track; loffset and roffset (read only together) both margins. Each STAGE's
// text names its thumb (an unknown name makes no thumb); its tooltip may be
// replaced by the language's tooltip override of the slider, "0" for none.
#pragma once

#include "controls/ThumbTrack.h"

class CSliderHMulti : public CThumbTrack {
public:
    static constexpr wchar_t kClassName[] = L"TarnSliderHMulti";
    static constexpr size_t kMaxThumbs = 5;

    CSliderHMulti() = default;

    // A child of the track item's window at the rectangle (its client
    // coordinates); the track picture is cut from the item's picture there.
    bool CreateWindowFor(HWND trackItem, HBITMAP trackPicture, const RECT& rect, int32_t id, void* owner);
    // Thumbs of the pictures (each keeps its own copy), at most five.
    CPHSlider* AddStage(int32_t thumbId, HBITMAP thumb, HBITMAP hotThumb);

    // The smaller is the minimum; every thumb takes the range as its cap
    // range and keeps its value inside.
    void SetRange(int32_t a, int32_t b);
    void SetOffsets(int32_t left, int32_t right);
    void SetEnabled(bool enabled);

    void Paint(HDC dc) { PaintTrack(dc); }

    static void FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnTrackReleased(LPARAM position);
};
