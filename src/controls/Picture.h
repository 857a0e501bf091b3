// Pictures of controls: the window region from a mask bitmap, and a
// control's own copy of a loaded bitmap.
#pragma once

#include <windows.h>

#include <cstddef>

#include "win/Handles.h"

namespace controls {

// Rectangles gathered before they are unioned into the region so far.
constexpr size_t kMaskBatch = 2000;

// Every pixel that is not pure white (255, 255, 255) lies inside, every white
// pixel outside: rows are scanned into one-pixel-high runs, unioned batch by
// batch. An all-white mask gives an empty region. Null when the bitmap cannot
// be read.
win::UniqueRgn BuildMaskRegion(HBITMAP mask);
// The shape of a picture drawn on a colour key: every pixel outside the
// colour of its top-left pixel. Null when the bitmap cannot be read.
win::UniqueRgn BuildKeyedRegion(HBITMAP picture);
// Makes the mask region the window's region (the window owns it then).
bool ApplyMaskRegion(HWND hwnd, HBITMAP mask);

// A bitmap compatible with the display holding the source's pixels from
// (x, y) on, width x height large but no larger than the part of the source
// that exists there. Null for no source or an empty area.
win::UniqueBitmap CutPicture(HBITMAP source, int x, int y, int width, int height);
// A control's picture out of a panel-sized sheet: cut at the control's
// rectangle (parent coordinates) when the source reaches that far, else a
// picture of the control's own size, taken from the source's top-left.
win::UniqueBitmap CutSheetPicture(HBITMAP source, const RECT& at);
// The whole source.
win::UniqueBitmap CopyPicture(HBITMAP source);

// Copies a bitmap to (x, y) of a DC, width x height (clipped to the bitmap).
void DrawPicture(HDC dc, HBITMAP picture, int x, int y, int width, int height);
// The same through a mask of the picture's size: white mask pixels leave the
// DC as it was, black ones take the picture. Without a mask: DrawPicture.
void DrawMaskedPicture(HDC dc, HBITMAP picture, HBITMAP mask, int x, int y, int width, int height);

}  // namespace controls
