#include "controls/SliderHMulti.h"

#include <windowsx.h>

#include <memory>

#include "controls/BitmapItem.h"
#include "skin/NameTables.h"
#include "win/Gdi.h"

bool CSliderHMulti::CreateWindowFor(HWND trackItem, HBITMAP trackPicture, const RECT& rect, int32_t id,
                                    void* owner) {
    return CreateOn(kClassName, trackItem, trackPicture, rect, id, kItemMultiSlider, owner);
}

CPHSlider* CSliderHMulti::AddStage(int32_t thumbId, HBITMAP thumb, HBITMAP hotThumb) {
    if (m_thumbs.size() >= kMaxThumbs || Handle() == nullptr)
        return nullptr;
    SetThumbPictures(thumb, hotThumb);
    return AddThumb(thumbId);
}

void CSliderHMulti::SetRange(int32_t a, int32_t b) {
    m_minimum = std::min(a, b);
    m_maximum = std::max(a, b);
    for (const auto& thumb : m_thumbs)
        thumb->SetRange(m_minimum, m_maximum);
}

void CSliderHMulti::SetOffsets(int32_t left, int32_t right) {
    for (const auto& thumb : m_thumbs)
        thumb->SetOffsets(left, right);
}

void CSliderHMulti::SetEnabled(bool enabled) {
    m_enabled = enabled;
    for (const auto& thumb : m_thumbs)
        thumb->SetEnabled(enabled);
}

void CSliderHMulti::OnTrackReleased(LPARAM position) {
    CPHSlider* first = Thumb(0);
    if (!m_enabled || first == nullptr)
        return;
    first->SetValue(first->Scale().ValueAt(GET_X_LPARAM(position)));
    PostMessageW(Handle(), WMU_SLIDERCHANGED, static_cast<WPARAM>(first->Value()),
                 static_cast<LPARAM>(first->Id()));
}

LRESULT CSliderHMulti::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
        case WM_LBUTTONUP:
            OnTrackReleased(lParam);
            return Default(message, wParam, lParam);
        case WMU_SLIDERCHANGED:
            Relay(message, wParam, lParam);
            return 0;
        default:
            return CThumbTrack::HandleMessage(message, wParam, lParam);
    }
}

void CSliderHMulti::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    const XmlElement* stages = element.FindFirst(L"STAGES");
    if (stages == nullptr)
        return;
    const std::vector<const XmlElement*> stageElements = stages->FindAll(L"STAGE");
    auto* track = dynamic_cast<CBitmapItem*>(TrackItem(element, context));
    if (stageElements.empty() || track == nullptr)
        return;
    auto slider = std::make_unique<CSliderHMulti>();
    if (!slider->CreateWindowFor(track->Handle(), track->Picture(), skin::ItemRect(element, id), id, track))
        return;
    slider->SetOwner(context.Parent());
    HBITMAP thumb = skin::LoadDibSection(skin::ChildText(element, L"SBMN"));
    HBITMAP hotThumb = skin::LoadDibSection(skin::ChildText(element, L"SBMO"));
    for (const XmlElement* stage : stageElements) {
        const int32_t thumbId = names::ControlId(skin::Trim(stage->Text()).c_str());
        if (thumbId < 0)
            continue;
        const int32_t index = static_cast<int32_t>(slider->ThumbCount());
        CPHSlider* made = slider->AddStage(thumbId, thumb, hotThumb);
        if (made == nullptr)
            break;
        made->SetValue(index + 3);
        const std::wstring tooltip = skin::OverriddenAttribute(*stage, id, L"tooltip");
        if (!tooltip.empty() && tooltip != L"0")
            made->SetTooltip(tooltip);
    }
    if (slider->ThumbCount() == 0)
        return;
    if (element.HasAttribute(L"offset")) {
        const int32_t offset = skin::NumberAttribute(element, L"offset");
        slider->SetOffsets(offset, 0);
    }
    if (element.HasAttribute(L"loffset") && element.HasAttribute(L"roffset"))
        slider->SetOffsets(skin::NumberAttribute(element, L"loffset"), skin::NumberAttribute(element, L"roffset"));
    slider->SetEnabled(skin::FlagAttribute(element, L"interactive"));
    context.Add(std::move(slider));
}
