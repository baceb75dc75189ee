#pragma once
#include <windows.h>

#include <string>

#include "flat/colors.h"

// Painting is specified in pixels at 96 dpi. At other scales a 96-dpi pixel at x covers the
// device pixels from Scale(x) to Scale(x + 1), so lines stay crisp and proportional and a
// one-pixel line never vanishes.
RECT ScaledRect(int left, int top, int right, int bottom, UINT dpi);

void FillSolid(HDC dc, const RECT& rect, Color color);

// `count` nested frames, each one 96-dpi pixel thick, inside `rect` (device pixels, right
// and bottom exclusive). Left column and top row in `first`, right column and bottom row in
// `second`; the top-right and bottom-left corners belong to `second`.
void DrawBevelFrame(HDC dc, const RECT& rect, Color first, Color second, int count, UINT dpi);

// The whole-pixel enlargement that keeps a bitmap crisp at `dpi`: 1 up to 191 dpi, 2 from 192.
int BitmapFactor(UINT dpi);

// The character after the "&" that marks a caption's accelerator, or 0 ("&&" is a literal
// ampersand).
wchar_t AcceleratorOf(const wchar_t* caption);
// Makes the caption read as it shows: without its "&" marks.
void RemoveAcceleratorMarks(wchar_t* caption);
// True when `character` is the accelerator that "&" marks in `caption` (letters compared
// without regard to case; "&&" is a literal ampersand).
bool IsAccelerator(wchar_t character, const std::wstring& caption);
