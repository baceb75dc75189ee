#include "win32/gdi.h"

#include <climits>
#include <cstdlib>
#include <cstring>

OffscreenCanvas::OffscreenCanvas(HDC target, int width, int height)
    : dc_(CreateCompatibleDC(target)),
      owned_(CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1)),
      selected_(dc_.get(), owned_.get()),
      width_(width),
      height_(height) {}

OffscreenCanvas::OffscreenCanvas(HDC target, HBITMAP bitmap)
    : dc_(CreateCompatibleDC(target)),
      selected_(dc_.get(), bitmap),
      width_(BitmapSize(bitmap).cx),
      height_(BitmapSize(bitmap).cy) {}

void OffscreenCanvas::CopyTo(HDC target, int x, int y) const {
    BitBlt(target, x, y, width_, height_, dc_.get(), 0, 0, SRCCOPY);
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

HBITMAP BitmapFromPackedDib(std::span<const BYTE> dib) {
    BITMAPINFOHEADER header;
    if (dib.size() < sizeof header) return nullptr;
    std::memcpy(&header, dib.data(), sizeof header);
    const WORD bits = header.biBitCount;
    if (header.biSize != sizeof header || header.biCompression != BI_RGB || header.biPlanes != 1 ||
        header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == LONG_MIN ||
        !(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32))
        return nullptr;
    const unsigned long long colours = header.biClrUsed ? header.biClrUsed : bits <= 8 ? 1u << bits : 0;
    const unsigned long long stride = (static_cast<unsigned long long>(header.biWidth) * bits + 31) / 32 * 4;
    const unsigned long long pixelOffset = sizeof header + colours * sizeof(RGBQUAD);
    const unsigned long long pixelBytes = stride * static_cast<unsigned long long>(std::abs(header.biHeight));
    if (colours > 256 || pixelOffset + pixelBytes > dib.size()) return nullptr;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS,
                                      &pixels, nullptr, 0);
    if (bitmap) std::memcpy(pixels, dib.data() + pixelOffset, static_cast<size_t>(pixelBytes));
    return bitmap;
}

namespace {

// The bitmap's pixels, or with `solid` its shape in `colour`, over `target`.
void DrawMasked(HDC dc, HBITMAP bitmap, const RECT& target, bool solid, COLORREF colour) {
    const SIZE size = BitmapSize(bitmap);
    const int width = target.right - target.left, height = target.bottom - target.top;
    if (size.cx <= 0 || size.cy <= 0 || width <= 0 || height <= 0) return;
    const int x = target.left, y = target.top;
    const bool wholeFactor = width % size.cx == 0 && height % size.cy == 0;

    const OffscreenCanvas image(dc, bitmap);
    const COLORREF maskColour = GetPixel(image.dc(), 0, size.cy - 1);

    // Monochrome mask: 1 where the mask colour is, 0 elsewhere.
    UniqueBitmap maskBitmap(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    const OffscreenCanvas mask(dc, maskBitmap.get());
    SetBkColor(image.dc(), maskColour);
    BitBlt(mask.dc(), 0, 0, size.cx, size.cy, image.dc(), 0, 0, SRCCOPY);

    // The image with its mask-coloured pixels turned black, so that it can be OR-ed in. A
    // monochrome source takes the destination's colours: 1 becomes the background colour
    // (black), 0 the text colour (white).
    const OffscreenCanvas cut(dc, size.cx, size.cy);
    if (solid) {
        const UniqueBrush brush(CreateSolidBrush(colour));
        const RECT whole{0, 0, size.cx, size.cy};
        FillRect(cut.dc(), &whole, brush.get());
    } else {
        BitBlt(cut.dc(), 0, 0, size.cx, size.cy, image.dc(), 0, 0, SRCCOPY);
    }
    SetBkColor(cut.dc(), RGB(0, 0, 0));
    SetTextColor(cut.dc(), RGB(255, 255, 255));
    BitBlt(cut.dc(), 0, 0, size.cx, size.cy, mask.dc(), 0, 0, SRCAND);

    const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    StretchBlt(dc, x, y, width, height, mask.dc(), 0, 0, size.cx, size.cy, SRCAND);
    if (!wholeFactor) {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
    }
    StretchBlt(dc, x, y, width, height, cut.dc(), 0, 0, size.cx, size.cy, SRCPAINT);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    SetStretchBltMode(dc, oldMode);
}

}  // namespace

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, int factor, COLORREF colour) {
    const SIZE size = BitmapSize(bitmap);
    DrawMasked(dc, bitmap, RECT{x, y, x + size.cx * factor, y + size.cy * factor}, colour != CLR_INVALID, colour);
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, const RECT& target) { DrawMasked(dc, bitmap, target, false, 0); }

SIZE TextSize(HWND window, HFONT font, std::wstring_view text) {
    const WindowDc dc(window);
    const SelectedObject selected(dc.get(), font);
    SIZE size{0, 0};
    GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &size);
    return size;
}
