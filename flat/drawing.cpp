#include "flat/drawing.h"

#include "win32/dpi.h"
#include "win32/handles.h"

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

RECT ScaledRect(int left, int top, int right, int bottom, UINT dpi) {
    return RECT{Scale(left, dpi), Scale(top, dpi), Scale(right, dpi), Scale(bottom, dpi)};
}

void FillSolid(HDC dc, const RECT& rect, Color color) {
    UniqueBrush brush(CreateSolidBrush(ResolveColor(color)));
    FillRect(dc, &rect, brush.get());
}

void DrawBevelFrame(HDC dc, const RECT& rect, Color first, Color second, int count, UINT dpi) {
    for (int k = 0; k < count; ++k) {
        const int o = Scale(k, dpi);
        const int t = Scale(k + 1, dpi) - o;
        const RECT r{rect.left + o, rect.top + o, rect.right - o, rect.bottom - o};
        if (r.right - r.left <= 0 || r.bottom - r.top <= 0) return;
        FillSolid(dc, RECT{r.left, r.top, r.right - t, r.top + t}, first);        // top row
        FillSolid(dc, RECT{r.left, r.top, r.left + t, r.bottom - t}, first);      // left column
        FillSolid(dc, RECT{r.right - t, r.top, r.right, r.bottom}, second);       // right column
        FillSolid(dc, RECT{r.left, r.bottom - t, r.right, r.bottom}, second);     // bottom row
    }
}

int BitmapFactor(UINT dpi) { return dpi >= 192 ? static_cast<int>(dpi / 96) : 1; }

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, int factor) {
    const SIZE size = BitmapSize(bitmap);
    DrawTransparentBitmap(dc, bitmap, RECT{x, y, x + size.cx * factor, y + size.cy * factor});
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, const RECT& target) {
    const SIZE size = BitmapSize(bitmap);
    const int width = target.right - target.left, height = target.bottom - target.top;
    if (size.cx <= 0 || size.cy <= 0 || width <= 0 || height <= 0) return;
    const int x = target.left, y = target.top;
    const bool wholeFactor = width % size.cx == 0 && height % size.cy == 0;

    MemoryDc image(dc);
    image.Select(bitmap);
    const COLORREF maskColour = GetPixel(image.get(), 0, size.cy - 1);

    // Monochrome mask: 1 where the mask colour is, 0 elsewhere.
    UniqueBitmap maskBitmap(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    MemoryDc mask(dc);
    mask.Select(maskBitmap.get());
    SetBkColor(image.get(), maskColour);
    BitBlt(mask.get(), 0, 0, size.cx, size.cy, image.get(), 0, 0, SRCCOPY);

    // The image with its mask-coloured pixels turned black, so that it can be OR-ed in. A
    // monochrome source takes the destination's colours: 1 becomes the background colour
    // (black), 0 the text colour (white).
    UniqueBitmap cutBitmap(CreateCompatibleBitmap(dc, size.cx, size.cy));
    MemoryDc cut(dc);
    cut.Select(cutBitmap.get());
    BitBlt(cut.get(), 0, 0, size.cx, size.cy, image.get(), 0, 0, SRCCOPY);
    SetBkColor(cut.get(), RGB(0, 0, 0));
    SetTextColor(cut.get(), RGB(255, 255, 255));
    BitBlt(cut.get(), 0, 0, size.cx, size.cy, mask.get(), 0, 0, SRCAND);

    const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    StretchBlt(dc, x, y, width, height, mask.get(), 0, 0, size.cx, size.cy, SRCAND);
    if (!wholeFactor) {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
    }
    StretchBlt(dc, x, y, width, height, cut.get(), 0, 0, size.cx, size.cy, SRCPAINT);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    SetStretchBltMode(dc, oldMode);
}

bool IsAccelerator(wchar_t character, const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        wchar_t pair[2] = {character, caption[i + 1]};
        CharUpperBuffW(pair, 2);
        return pair[0] == pair[1];
    }
    return false;
}

OffscreenCanvas::OffscreenCanvas(HDC target, int width, int height)
    : dc_(CreateCompatibleDC(target)),
      bitmap_(CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1)),
      oldBitmap_(SelectObject(dc_, bitmap_)),
      width_(width),
      height_(height) {}

OffscreenCanvas::~OffscreenCanvas() {
    SelectObject(dc_, oldBitmap_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

void OffscreenCanvas::CopyTo(HDC target, int x, int y) const { BitBlt(target, x, y, width_, height_, dc_, 0, 0, SRCCOPY); }
