#include "controls/ThumbTrack.h"

#include "controls/Picture.h"
#include "skin/NameTables.h"
#include "win/Gdi.h"

bool CThumbTrack::CreateOn(const wchar_t* className, HWND companion, HBITMAP companionPicture, const RECT& rect,
                           int32_t id, int32_t type, void* owner) {
    if (!RegisterClass(className))
        return false;
    SetId(id);
    SetType(type);
    CGUIItem::SetOwner(owner);
    SetRect(rect);
    m_companion = companion;
    // The thumbs are windows of their own: the track is never drawn over them.
    HWND hwnd = Create(0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect, companion);
    SetWindow(hwnd);
    if (hwnd == nullptr)
        return false;
    SetTrackPicture(companionPicture, rect);
    return true;
}

CGUIItem* CThumbTrack::TrackItem(const XmlElement& element, const skin::SkinContext& context) {
    const int32_t trackId = names::ControlId(element.Attribute(L"trackid").c_str());
    if (trackId < 0)
        return nullptr;
    CGUIItem* item = context.Find(trackId, kItemBitmap);
    return item != nullptr && item->Window() != nullptr ? item : nullptr;
}

void CThumbTrack::SetTrackPicture(HBITMAP source, const RECT& at) {
    if (source == nullptr)
        return;
    m_track = controls::CutPicture(source, at.left, at.top, at.right - at.left, at.bottom - at.top);
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CThumbTrack::SetThumbPictures(HBITMAP thumb, HBITMAP hotThumb) {
    m_thumbPicture = thumb;
    m_hotThumbPicture = hotThumb;
}

int CThumbTrack::ClientWidth() const {
    RECT client = {};
    if (Handle() != nullptr)
        GetClientRect(Handle(), &client);
    return client.right;
}

CPHSlider* CThumbTrack::AddThumb(int32_t id) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    auto thumb = std::make_unique<CPHSlider>();
    if (!thumb->Create(m_thumbPicture, m_hotThumbPicture, Handle(), client, id, this))
        return nullptr;
    thumb->SetRange(m_minimum, m_maximum);
    thumb->SetEnabled(m_enabled);
    m_thumbs.push_back(std::move(thumb));
    return m_thumbs.back().get();
}

void CThumbTrack::Relay(UINT message, WPARAM wParam, LPARAM lParam) const {
    HWND target = m_ownerWindow != nullptr ? m_ownerWindow : GetParent(Handle());
    if (target != nullptr)
        PostMessageW(target, message, wParam, lParam);
    if (m_companion != nullptr && m_companion != target)
        PostMessageW(m_companion, message, wParam, lParam);
}

void CThumbTrack::PaintTrack(HDC dc) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    controls::DrawPicture(dc, m_track.get(), 0, 0, client.right, client.bottom);
}

LRESULT CThumbTrack::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

CThumbTrack* FindSliderOfThumb(const ItemList& items, int32_t thumbId) {
    for (const auto& item : items) {
        if (item->Type() != kItemMultiSlider && item->Type() != kItemColourRangeSlider)
            continue;
        auto* slider = dynamic_cast<CThumbTrack*>(item.get());
        if (slider == nullptr)
            continue;
        for (size_t i = 0; i < slider->ThumbCount(); ++i) {
            if (slider->Thumb(i)->Id() == thumbId)
                return slider;
        }
    }
    return nullptr;
}
