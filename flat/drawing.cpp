#include "flat/drawing.h"

#include "app/handles.h"

namespace {

class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDc() {
        if (old_) SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    void Select(HGDIOBJ object) {
        HGDIOBJ previous = SelectObject(dc_, object);
        if (!old_) old_ = previous;
    }
    HDC get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

}  // namespace

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height) {
    const SIZE size = BitmapSize(bitmap);
    if (size.cx <= 0 || size.cy <= 0 || width <= 0 || height <= 0) return;

    MemoryDc image(dc);
    image.Select(bitmap);
    const COLORREF maskColour = GetPixel(image.get(), 0, size.cy - 1);

    // Monochrome mask: white where the mask colour is, black elsewhere.
    UniqueBitmap maskBitmap(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    MemoryDc mask(dc);
    mask.Select(maskBitmap.get());
    SetBkColor(image.get(), maskColour);
    BitBlt(mask.get(), 0, 0, size.cx, size.cy, image.get(), 0, 0, SRCCOPY);

    // The image with its mask-coloured pixels turned black, so that it can be OR-ed in.
    UniqueBitmap cutBitmap(CreateCompatibleBitmap(dc, size.cx, size.cy));
    MemoryDc cut(dc);
    cut.Select(cutBitmap.get());
    BitBlt(cut.get(), 0, 0, size.cx, size.cy, image.get(), 0, 0, SRCCOPY);
    // A monochrome source takes the destination's colours: 1 (transparent) becomes the
    // background colour, black, and 0 the text colour, white.
    SetBkColor(cut.get(), RGB(0, 0, 0));
    SetTextColor(cut.get(), RGB(255, 255, 255));
    BitBlt(cut.get(), 0, 0, size.cx, size.cy, mask.get(), 0, 0, SRCAND);

    const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    StretchBlt(dc, x, y, width, height, mask.get(), 0, 0, size.cx, size.cy, SRCAND);
    StretchBlt(dc, x, y, width, height, cut.get(), 0, 0, size.cx, size.cy, SRCPAINT);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    SetStretchBltMode(dc, oldMode);
}
