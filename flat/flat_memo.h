#pragma once
#include <windows.h>

#include <string>

#include "app/handles.h"
#include "flat/colors.h"

// A multi-line edit that paints its own three-pixel border in the non-client area: one line
// of ColorBorder outside and two lines of the fill colour, ColorFocused while highlighted
// (focused, or under the mouse while no other flat memo has the focus), else ColorFlat.
// The text background follows the fill colour; the parent reflects WM_CTLCOLOR* to it.
class TFlatMemo {
public:
    // `style` adds ES_READONLY, WS_VSCROLL and the like to a multi-line edit.
    static TFlatMemo* Create(HWND parent, int id, DWORD style);
    static TFlatMemo* FromHandle(HWND window);

    HWND Handle() const { return handle_; }
    void SetDpi(UINT dpi);
    void SetColorFocused(Color c);
    void SetColorBorder(Color c);
    void SetColorFlat(Color c);  // also turns ParentColor off
    void SetParentColor(bool parentColor);
    // The parent's colour changed (or the system colours did).
    void ParentColorChanged();
    Color ColorFlat() const { return flatColor_; }
    bool ParentColor() const { return parentColor_; }
    bool Highlighted() const;

    // Replaces the text; line breaks may be CR LF, CR or LF.
    void SetLines(const std::wstring& text);
    // Paints the border into a DC of the whole window.
    void PaintFlatBorder(HDC windowDc);

private:
    explicit TFlatMemo(HWND handle);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void PaintFlatBorder();
    Color ParentsColor() const;

    HWND handle_;
    WNDPROC editProc_ = nullptr;
    UINT dpi_ = 96;
    bool parentColor_ = true;
    Color focusedColor_ = kColorWhite;
    Color borderColor_ = kColorGreyBrown;
    Color flatColor_ = kColorCream;
    bool mouseInControl_ = false;
    UniqueBrush fillBrush_;
};

// A flat progress bar without a window of its own: it paints on its parent, inside the
// rectangle it is given, its background, a one-pixel outline and the bar.
class TFlatGauge {
public:
    // Takes the dpi of the parent's display, as the windowed controls do.
    explicit TFlatGauge(HWND parent);

    void SetBounds(const RECT& bounds);  // in the parent's client pixels
    const RECT& Bounds() const { return bounds_; }
    void SetDpi(UINT dpi) { dpi_ = dpi; Invalidate(); }
    void SetVisible(bool visible) { visible_ = visible; Invalidate(); }
    void SetColor(Color c) { color_ = c; Invalidate(); }
    void SetColorBorder(Color c) { borderColor_ = c; Invalidate(); }
    void SetBarColor(Color c) { barColor_ = c; Invalidate(); }
    void SetMinValue(int value);
    void SetMaxValue(int value);
    void SetProgress(int value);
    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    int Progress() const { return progress_; }
    // Width of the bar in pixels for an inner width, or 0 when maximum equals minimum.
    int BarWidth(int innerWidth) const;

    // Called from the parent's painting.
    void Paint(HDC dc) const;

private:
    void Invalidate() const;
    void RepaintNow() const;

    HWND parent_;
    RECT bounds_{0, 0, 145, 25};
    UINT dpi_ = 96;
    bool visible_ = true;
    Color color_ = kColorBlack;
    Color barColor_ = RGB(51, 102, 153);
    Color borderColor_ = kColorGreyBrown;
    int minValue_ = 0, maxValue_ = 100, progress_ = 25;
};
