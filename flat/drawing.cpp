#include "flat/drawing.h"

#include "win32/dpi.h"
#include "win32/handles.h"

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

wchar_t AcceleratorOf(const wchar_t* caption) {
    for (; caption[0] && caption[1]; ++caption) {
        if (caption[0] != L'&') continue;
        if (caption[1] != L'&') return caption[1];
        ++caption;
    }
    return 0;
}

void RemoveAcceleratorMarks(wchar_t* caption) {
    wchar_t* kept = caption;
    for (; *caption; ++caption) {
        if (caption[0] == L'&' && caption[1]) ++caption;
        *kept++ = *caption;
    }
    *kept = 0;
}

bool IsAccelerator(wchar_t character, const std::wstring& caption) {
    const wchar_t accelerator = AcceleratorOf(caption.c_str());
    if (!accelerator) return false;
    wchar_t pair[2] = {character, accelerator};
    CharUpperBuffW(pair, 2);
    return pair[0] == pair[1];
}
