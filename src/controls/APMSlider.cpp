#include "controls/APMSlider.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "controls/BitmapItem.h"
#include "win/Gdi.h"

namespace {

uint32_t ToRgb(COLORREF c) {
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

// The pixels of a bitmap as 0x00RRGGBB rows, top row first; empty when it
// cannot be read.
std::vector<uint32_t> ReadPixels(HBITMAP bitmap, int& width, int& height) {
    const SIZE size = win::BitmapSize(bitmap);
    width = static_cast<int>(size.cx);
    height = static_cast<int>(size.cy);
    std::vector<uint32_t> pixels;
    if (width <= 0 || height <= 0)
        return pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.resize(static_cast<size_t>(width) * height);
    win::UniqueDC dc(CreateCompatibleDC(nullptr));
    if (!dc || GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) == 0) {
        pixels.clear();
        width = height = 0;
    }
    return pixels;
}

void Trace(const wchar_t* format, int a, int b, unsigned c = 0) {
    wchar_t line[96] = {};
    if (swprintf(line, 96, format, a, b, c) > 0)
        OutputDebugStringW(line);
}

}  // namespace

bool CAPMSlider::CreateWindowFor(HWND trackItem, HBITMAP trackPicture, const RECT& rect, int32_t id, void* owner) {
    if (!CreateOn(kClassName, trackItem, trackPicture, rect, id, kItemColourRangeSlider, owner))
        return false;
    m_trackPixels = ReadPixels(TrackPicture(), m_trackWidth, m_trackHeight);
    return true;
}

CPHSlider* CAPMSlider::AddThumb(int32_t thumbId) {
    if (Handle() == nullptr)
        return nullptr;
    CPHSlider* thumb = CThumbTrack::AddThumb(thumbId);
    if (thumb == nullptr)
        return nullptr;
    // Centres run where the range edges are painted.
    const int first = m_thumbs.front()->Width();
    thumb->SetOffsets(first / 2, first - first / 2);
    UpdateCaps();
    InvalidateRect(Handle(), nullptr, FALSE);
    return thumb;
}

void CAPMSlider::SetRange(int32_t a, int32_t b) {
    m_minimum = std::min(a, b);
    m_maximum = std::max(a, b);
    for (const auto& thumb : m_thumbs)
        thumb->SetRange(m_minimum, m_maximum);
    UpdateCaps();
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CAPMSlider::SetEnabled(bool enabled) {
    m_enabled = enabled;
    for (const auto& thumb : m_thumbs)
        thumb->SetEnabled(enabled);
}

void CAPMSlider::SetColours(std::vector<COLORREF> colours) {
    m_colours = std::move(colours);
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CAPMSlider::SetNeighbourCaps(bool on) {
    m_neighbourCaps = on;
    UpdateCaps();
}

void CAPMSlider::Reset() {
    SetDefaultStages();
    UpdateCaps();
    SetDefaultColours();
}

void CAPMSlider::SetDefaultStages() {
    // Free first: the old neighbours must not hold the new values back.
    RemoveNeighbourCaps();
    const int64_t step = (int64_t{m_maximum} - m_minimum) / static_cast<int64_t>(m_thumbs.size() + 1);
    for (size_t i = 0; i < m_thumbs.size(); ++i)
        m_thumbs[i]->SetValue(static_cast<int32_t>(m_minimum + static_cast<int64_t>(i + 1) * step));
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CAPMSlider::SetDefaultColours() {
    const size_t n = m_thumbs.size();
    if (n == 0)
        return;
    const int64_t span = int64_t{m_maximum} - m_minimum;
    const int64_t k = span > 0 ? static_cast<int64_t>(n + 1) * 255 / span : 0;
    if (m_colours.size() < n)
        m_colours.resize(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const auto grey = static_cast<BYTE>((static_cast<int64_t>(i) * k) % 256);
        m_colours[i] = RGB(grey, grey, grey);
    }
    if (Handle() != nullptr)
        InvalidateRect(Handle(), nullptr, FALSE);
}

void CAPMSlider::ApplyNeighbourCaps() {
    const size_t n = m_thumbs.size();
    if (n == 1) {
        m_thumbs[0]->SetCapRange(m_minimum, m_maximum);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        const int32_t low = i == 0 ? m_minimum : m_thumbs[i - 1]->Value();
        const int32_t high = i + 1 == n ? m_maximum : m_thumbs[i + 1]->Value();
        m_thumbs[i]->SetCapRange(low, high);
    }
}

void CAPMSlider::RemoveNeighbourCaps() {
    for (const auto& thumb : m_thumbs)
        thumb->SetCapRange(m_minimum, m_maximum);
}

void CAPMSlider::UpdateCaps() {
    if (m_neighbourCaps)
        ApplyNeighbourCaps();
    else
        RemoveNeighbourCaps();
}

int CAPMSlider::RangeEdge(size_t i) const {
    if (i >= m_thumbs.size())
        return ClientWidth();
    const int64_t thumb = m_thumbs.front()->Width();
    const int64_t width = ClientWidth() - thumb;
    const int64_t span = int64_t{m_maximum} - m_minimum;
    const int64_t offset = int64_t{m_thumbs[i]->Value()} - m_minimum;
    const int64_t x = thumb / 2 + (span > 0 ? (offset * width + span / 2) / span : 0);
    return static_cast<int>(std::clamp<int64_t>(x, -32768, 32767));
}

size_t CAPMSlider::RangeAt(int x) const {
    size_t range = 0;
    while (range < m_thumbs.size() && RangeEdge(range) <= x)
        ++range;
    return range;
}

COLORREF CAPMSlider::ColourOf(size_t range) const {
    return range < m_colours.size() ? m_colours[range] : 0;
}

void CAPMSlider::Paint(HDC dc) {
    RECT client = {};
    GetClientRect(Handle(), &client);
    RECT area = {};
    if (GetClipBox(dc, &area) == ERROR || !IntersectRect(&area, &area, &client))
        return;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    uint32_t* bits = nullptr;
    win::UniqueBitmap canvas(win::CreateBitmap32(width, height, &bits));
    win::UniqueDC memory(CreateCompatibleDC(dc));
    if (!canvas || !memory || bits == nullptr)
        return;

    const size_t n = m_thumbs.size();
    std::vector<int> edges(n);
    for (size_t i = 0; i < n; ++i)
        edges[i] = RangeEdge(i);
    // The ranges, then the track over them at its opacity.
    for (size_t range = 0; range <= n; ++range) {
        const int from = std::max(range == 0 ? static_cast<int>(client.left) : edges[range - 1], static_cast<int>(area.left));
        const int to = std::min(range == n ? static_cast<int>(client.right) : edges[range], static_cast<int>(area.right));
        const uint32_t rgb = ToRgb(ColourOf(range));
        for (int y = 0; y < height; ++y) {
            uint32_t* row = bits + static_cast<size_t>(y) * width;
            for (int x = from; x < to; ++x)
                row[x - area.left] = rgb;
        }
    }
    constexpr uint32_t a = kTrackOpacity;
    for (int y = 0; y < height; ++y) {
        const int ty = area.top + y;
        if (ty >= m_trackHeight)
            break;
        uint32_t* row = bits + static_cast<size_t>(y) * width;
        const uint32_t* track = m_trackPixels.data() + static_cast<size_t>(ty) * m_trackWidth;
        for (int x = 0; x < width && area.left + x < m_trackWidth; ++x) {
            const uint32_t t = track[area.left + x];
            const uint32_t f = row[x];
            uint32_t out = 0;
            for (int shift : {0, 8, 16}) {
                const uint32_t channel =
                    (a * ((t >> shift) & 0xFF) + (255 - a) * ((f >> shift) & 0xFF) + 127) / 255;
                out |= channel << shift;
            }
            row[x] = out;
        }
    }
    GdiFlush();
    {
        win::SelectGuard select(memory.get(), canvas.get());
        BitBlt(dc, area.left, area.top, width, height, memory.get(), 0, 0, SRCCOPY);
    }
    m_paintedEdges = edges;

    // For diagnosis: what was painted.
    for (size_t i = 0; i < m_colours.size(); ++i)
        Trace(L"CAPMSlider::OnPaint Color(%d): 0x%x\n", static_cast<int>(i), static_cast<int>(m_colours[i]));
    for (size_t i = 0; i < n; ++i)
        Trace(L"CAPMSlider::OnPaint Pos(%d): %d\n", static_cast<int>(i), m_thumbs[i]->Value());
    for (size_t range = 0; range <= n; ++range) {
        Trace(L"CAPMSlider::OnPaint CurrentRect(%d, %d): color(0x%x)\n",
              range == 0 ? static_cast<int>(client.left) : edges[range - 1],
              range == n ? static_cast<int>(client.right) : edges[range], static_cast<unsigned>(ColourOf(range)));
    }
}

void CAPMSlider::OnThumbChanged(WPARAM value, LPARAM thumbId) {
    UpdateCaps();
    for (size_t i = 0; i < m_thumbs.size(); ++i) {
        if (m_thumbs[i]->Id() != static_cast<int32_t>(thumbId))
            continue;
        // The ranges on both sides of the thumb, where it was and where it is.
        int from = i == 0 ? 0 : RangeEdge(i - 1);
        int to = i + 1 == m_thumbs.size() ? ClientWidth() : RangeEdge(i + 1);
        const int now = RangeEdge(i);
        from = std::min(from, now);
        to = std::max(to, now);
        if (i < m_paintedEdges.size()) {
            from = std::min(from, m_paintedEdges[i]);
            to = std::max(to, m_paintedEdges[i]);
        }
        RECT client = {};
        GetClientRect(Handle(), &client);
        RECT dirty = {from, client.top, to + 1, client.bottom};
        InvalidateRect(Handle(), &dirty, FALSE);
        break;
    }
    Relay(WMU_SLIDERCHANGED, value, thumbId);
}

LRESULT CAPMSlider::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;
    if (win::HandlePaintMessage(Handle(), message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
        case WMU_SLIDERCHANGED:
            OnThumbChanged(wParam, lParam);
            return 0;
        case WM_LBUTTONUP:
            if (m_enabled)
                Relay(WMU_RANGECLICKED, static_cast<WPARAM>(RangeAt(GET_X_LPARAM(lParam))), static_cast<LPARAM>(Id()));
            return Default(message, wParam, lParam);
        default:
            return CThumbTrack::HandleMessage(message, wParam, lParam);
    }
}

void CAPMSlider::FromSkin(const XmlElement& element, int32_t id, skin::SkinContext& context) {
    auto* track = dynamic_cast<CBitmapItem*>(TrackItem(element, context));
    if (track == nullptr)
        return;
    auto slider = std::make_unique<CAPMSlider>();
    if (!slider->CreateWindowFor(track->Handle(), track->Picture(), skin::ItemRect(element, id), id, track))
        return;
    slider->SetOwner(context.Parent());
    slider->SetThumbPictures(skin::LoadDibSection(skin::ChildText(element, L"SBMN")),
                             skin::LoadDibSection(skin::ChildText(element, L"SBMO")));
    slider->Reset();
    context.Add(std::move(slider));
}
