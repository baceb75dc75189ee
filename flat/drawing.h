#pragma once
#include <windows.h>

// Draws `bitmap` stretched to (x, y, width, height), leaving out every pixel that has the
// colour of the bitmap's bottom-left pixel. Uses gdi32 only (no msimg32, which is not a
// KnownDLL and could be planted beside the program).
void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height);

// Size of a bitmap in pixels.
SIZE BitmapSize(HBITMAP bitmap);
