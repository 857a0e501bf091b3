#include "controls/Picture.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "win/Gdi.h"

namespace controls {
namespace {

// A region of the gathered rectangles, unioned into `into` (or becoming it).
bool FlushBatch(std::vector<RECT>& rects, win::UniqueRgn& into) {
    if (rects.empty())
        return true;
    const size_t bytes = sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT);
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[bytes]);
    if (buffer == nullptr)
        return false;
    auto* data = reinterpret_cast<RGNDATA*>(buffer.get());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(rects.size());
    data->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    RECT bounds = rects.front();
    for (const RECT& r : rects) {
        bounds.left = std::min(bounds.left, r.left);
        bounds.top = std::min(bounds.top, r.top);
        bounds.right = std::max(bounds.right, r.right);
        bounds.bottom = std::max(bounds.bottom, r.bottom);
    }
    data->rdh.rcBound = bounds;
    std::copy(rects.begin(), rects.end(), reinterpret_cast<RECT*>(data->Buffer));
    win::UniqueRgn batch(ExtCreateRegion(nullptr, static_cast<DWORD>(bytes), data));
    rects.clear();
    if (!batch)
        return false;
    if (!into)
        into = std::move(batch);
    else if (CombineRgn(into.get(), into.get(), batch.get(), RGN_OR) == ERROR)
        return false;
    return true;
}

// Every pixel whose colour is not `outside` lies in the region (see
// BuildMaskRegion). A negative key takes the colour of the top-left pixel.
win::UniqueRgn BuildRegionWithout(HBITMAP mask, int64_t outsideKey) {
    SIZE size = win::BitmapSize(mask);
    if (size.cx <= 0 || size.cy <= 0)
        return {};
    // A 32-bit bottom-up copy of the mask.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    win::WindowDC screen(nullptr);
    if (screen.get() == nullptr)
        return {};
    void* bits = nullptr;
    win::UniqueBitmap section(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    win::UniqueDC source(CreateCompatibleDC(screen.get()));
    win::UniqueDC target(CreateCompatibleDC(screen.get()));
    if (!section || bits == nullptr || !source || !target)
        return {};
    {
        win::SelectGuard from(source.get(), mask);
        win::SelectGuard to(target.get(), section.get());
        if (!BitBlt(target.get(), 0, 0, size.cx, size.cy, source.get(), 0, 0, SRCCOPY))
            return {};
    }
    GdiFlush();

    const auto* pixels = static_cast<const uint32_t*>(bits);
    const uint32_t outside = outsideKey >= 0 ? static_cast<uint32_t>(outsideKey) & 0xFFFFFF
                                             : pixels[static_cast<size_t>(size.cy - 1) * size.cx] & 0xFFFFFF;
    std::vector<RECT> rects;
    rects.reserve(100);
    win::UniqueRgn region;
    // Runs of the row above that are still in `rects`: a row with exactly the
    // same runs grows those rectangles by one line instead of adding more,
    // which keeps a mostly straight outline down to a few rectangles.
    std::vector<std::pair<int, int>> runs;
    std::vector<std::pair<int, int>> previousRuns;
    size_t previousFirst = 0;
    bool previousInBatch = false;
    for (int y = 0; y < size.cy; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(size.cy - 1 - y) * size.cx;  // bottom-up
        runs.clear();
        int x = 0;
        while (x < size.cx) {
            while (x < size.cx && (row[x] & 0xFFFFFF) == outside)
                ++x;
            if (x >= size.cx)
                break;
            int x0 = x;
            while (x < size.cx && (row[x] & 0xFFFFFF) != outside)
                ++x;
            runs.emplace_back(x0, x);
        }
        if (previousInBatch && !runs.empty() && runs == previousRuns) {
            for (size_t i = 0; i < runs.size(); ++i)
                rects[previousFirst + i].bottom = y + 1;
            continue;
        }
        if (rects.size() + runs.size() > kMaskBatch && !FlushBatch(rects, region))
            return {};
        previousFirst = rects.size();
        for (const auto& run : runs) {
            if (rects.size() == rects.capacity())
                rects.reserve(rects.capacity() + 100);
            rects.push_back(RECT{run.first, y, run.second, y + 1});
            if (rects.size() == kMaskBatch && !FlushBatch(rects, region))
                return {};
        }
        // A row that did not fit whole in one batch cannot be grown later.
        previousInBatch = rects.size() >= previousFirst + runs.size();
        previousRuns.swap(runs);
    }
    if (!FlushBatch(rects, region))
        return {};
    if (!region)
        region.reset(CreateRectRgn(0, 0, 0, 0));  // all white: nothing inside
    return region;
}

}  // namespace

win::UniqueRgn BuildMaskRegion(HBITMAP mask) {
    return BuildRegionWithout(mask, 0xFFFFFF);
}

win::UniqueRgn BuildKeyedRegion(HBITMAP picture) {
    return BuildRegionWithout(picture, -1);
}

bool ApplyMaskRegion(HWND hwnd, HBITMAP mask) {
    win::UniqueRgn region = BuildMaskRegion(mask);
    if (!region)
        return false;
    if (!SetWindowRgn(hwnd, region.get(), TRUE))
        return false;
    region.release();  // the window owns it now
    return true;
}

win::UniqueBitmap CutPicture(HBITMAP source, int x, int y, int width, int height) {
    SIZE size = win::BitmapSize(source);
    if (x < 0 || y < 0)
        return {};
    width = static_cast<int>(std::min<int64_t>(width, static_cast<int64_t>(size.cx) - x));
    height = static_cast<int>(std::min<int64_t>(height, static_cast<int64_t>(size.cy) - y));
    if (width <= 0 || height <= 0)
        return {};
    // Memory DCs and a 32-bit DIB section: no display DC asked for, and
    // cheap to select.
    win::UniqueDC from(CreateCompatibleDC(nullptr));
    win::UniqueDC to(CreateCompatibleDC(nullptr));
    win::UniqueBitmap copy(win::CreateBitmap32(width, height));
    if (!from || !to || !copy)
        return {};
    bool ok;
    {
        win::SelectGuard selectFrom(from.get(), source);
        win::SelectGuard selectTo(to.get(), copy.get());
        ok = BitBlt(to.get(), 0, 0, width, height, from.get(), x, y, SRCCOPY) != FALSE;
    }
    if (!ok)
        copy.reset();
    return copy;
}

win::UniqueBitmap CutSheetPicture(HBITMAP source, const RECT& at) {
    const SIZE size = win::BitmapSize(source);
    const int width = at.right - at.left;
    const int height = at.bottom - at.top;
    if (at.left >= 0 && at.top >= 0 && size.cx >= at.right && size.cy >= at.bottom)
        return CutPicture(source, at.left, at.top, width, height);
    return CutPicture(source, 0, 0, width, height);
}

win::UniqueBitmap CopyPicture(HBITMAP source) {
    SIZE size = win::BitmapSize(source);
    return CutPicture(source, 0, 0, size.cx, size.cy);
}

void DrawPicture(HDC dc, HBITMAP picture, int x, int y, int width, int height) {
    if (picture == nullptr)
        return;
    SIZE size = win::BitmapSize(picture);
    width = std::min<int>(width, size.cx);
    height = std::min<int>(height, size.cy);
    if (width <= 0 || height <= 0)
        return;
    win::UniqueDC memory(CreateCompatibleDC(dc));
    if (!memory)
        return;
    win::SelectGuard select(memory.get(), picture);
    BitBlt(dc, x, y, width, height, memory.get(), 0, 0, SRCCOPY);
}

void DrawMaskedPicture(HDC dc, HBITMAP picture, HBITMAP mask, int x, int y, int width, int height) {
    if (mask == nullptr) {
        DrawPicture(dc, picture, x, y, width, height);
        return;
    }
    if (picture == nullptr)
        return;
    SIZE size = win::BitmapSize(picture);
    SIZE maskSize = win::BitmapSize(mask);
    width = std::min<int>({width, size.cx, maskSize.cx});
    height = std::min<int>({height, size.cy, maskSize.cy});
    if (width <= 0 || height <= 0)
        return;
    win::UniqueDC image(CreateCompatibleDC(dc));
    win::UniqueDC shape(CreateCompatibleDC(dc));
    if (!image || !shape)
        return;
    win::SelectGuard selectImage(image.get(), picture);
    win::SelectGuard selectShape(shape.get(), mask);
    win::SaveDCGuard saved(dc);
    // A one-bit mask takes these colours: 0 black, 1 white.
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    // target ^ picture, kept only under white, ^ picture again: the target
    // where the mask is white, the picture where it is black.
    BitBlt(dc, x, y, width, height, image.get(), 0, 0, SRCINVERT);
    BitBlt(dc, x, y, width, height, shape.get(), 0, 0, SRCAND);
    BitBlt(dc, x, y, width, height, image.get(), 0, 0, SRCINVERT);
}

}  // namespace controls
