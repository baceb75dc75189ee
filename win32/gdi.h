#pragma once
#include <windows.h>

#include <span>
#include <string_view>

#include "win32/handles.h"

// A memory DC with a bitmap selected: a new one compatible with the target, painted off
// screen and copied in one step so that painting never flickers; or a given one (not owned),
// to draw from or into.
class OffscreenCanvas {
public:
    OffscreenCanvas(HDC target, int width, int height);
    OffscreenCanvas(HDC target, HBITMAP bitmap);
    HDC dc() const { return dc_.get(); }
    void CopyTo(HDC target, int x, int y) const;

private:
    UniqueMemoryDc dc_;
    UniqueBitmap owned_;
    SelectedObject selected_;
    int width_, height_;
};

SIZE BitmapSize(HBITMAP bitmap);

// A DIB section holding the picture of a packed DIB (its header, colour table and pixels, as a
// bitmap resource holds them; no compression), as LoadImage makes one from a bitmap
// resource. Null when the bytes are no such picture.
HBITMAP BitmapFromPackedDib(std::span<const BYTE> dib);

// Draws `bitmap` at (x, y), enlarged by `factor` pixel for pixel, leaving out every pixel
// that has the colour of the bitmap's bottom-left pixel. gdi32 only: msimg32 is no KnownDLL.
// With a `colour`, every pixel drawn is drawn in it: the bitmap's shape alone.
void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, int factor, COLORREF colour = CLR_INVALID);
// The same, stretched over `target`: pixel for pixel at whole factors, smoothed otherwise.
void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, const RECT& target);

// The size of `text` in `font` on `window`'s display.
SIZE TextSize(HWND window, HFONT font, std::wstring_view text);
