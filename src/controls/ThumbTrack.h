// What the multi-stage slider (type 8) and the colour-range slider (type 9)
// share: a child window of the bitmap item that serves as its track (the
// companion, named by `trackid`), its own picture cut from that item's
// picture, the thumbs it owns, and the relay of the thumbs' notifications.
//
// Notifications go to the owner window, which a page sets to itself; the
// window the skin was loaded for until then. They are also posted to the
// companion, unless that is the owner.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "controls/PHSlider.h"
#include "skin/GUIItem.h"
#include "skin/SkinLoader.h"
#include "win/Handles.h"
#include "win/Window.h"

class CThumbTrack : public win::Window, public CGUIItem {
public:
    // The window that receives the notifications.
    using CGUIItem::SetOwner;
    void SetOwner(HWND owner) { m_ownerWindow = owner; }
    HWND OwnerWindow() const { return m_ownerWindow; }
    HWND Companion() const { return m_companion; }

    size_t ThumbCount() const { return m_thumbs.size(); }
    // Null past the last thumb.
    CPHSlider* Thumb(size_t i) const { return i < m_thumbs.size() ? m_thumbs[i].get() : nullptr; }
    int32_t Minimum() const { return m_minimum; }
    int32_t Maximum() const { return m_maximum; }
    bool IsEnabled() const { return m_enabled; }
    HBITMAP TrackPicture() const { return m_track.get(); }

    // Cuts the slider's picture out of the source at `at` (the slider's
    // place on the source).
    void SetTrackPicture(HBITMAP source, const RECT& at);

protected:
    CThumbTrack() = default;

    // A visible child of the companion at the rectangle (the companion's
    // client coordinates), its picture cut from the companion's picture.
    bool CreateOn(const wchar_t* className, HWND companion, HBITMAP companionPicture, const RECT& rect,
                  int32_t id, int32_t type, void* owner);
    // The companion named by the element's trackid: an earlier bitmap item
    // with a window, else null.
    static CGUIItem* TrackItem(const XmlElement& element, const skin::SkinContext& context);

    // Thumbs of the slider's pictures on the scale (0, 0, width, height),
    // with the slider's range and enabled state. Null when the window cannot
    // be made.
    CPHSlider* AddThumb(int32_t id);
    void SetThumbPictures(HBITMAP thumb, HBITMAP hotThumb);

    // Posts to the owner (or, without one, the parent) and to the companion.
    void Relay(UINT message, WPARAM wParam, LPARAM lParam) const;
    void PaintTrack(HDC dc);
    int ClientWidth() const;

    std::vector<std::unique_ptr<CPHSlider>> m_thumbs;
    int32_t m_minimum = 1;
    int32_t m_maximum = 32;
    bool m_enabled = true;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override { SetWindow(nullptr); }

private:
    win::UniqueBitmap m_track;
    HBITMAP m_thumbPicture = nullptr;  // shared by the resource cache; each thumb copies it
    HBITMAP m_hotThumbPicture = nullptr;
    HWND m_companion = nullptr;
    HWND m_ownerWindow = nullptr;
};

// The multi-stage or colour-range slider in the list that holds a thumb of
// the id, or null: thumbs are kept by their sliders, not in the list, and a
// report names the thumb.
CThumbTrack* FindSliderOfThumb(const ItemList& items, int32_t thumbId);
