#pragma once
#include <windows.h>

#include "flat/colors.h"

// A flat progress bar without a window of its own: it paints on its parent, inside the
// rectangle it is given, its background, a one-pixel outline and the bar. Screen readers
// find it as a progress bar among the parent's children.
class FlatGauge {
public:
    // Takes the dpi of the parent's display, as the windowed controls do.
    explicit FlatGauge(HWND parent);
    ~FlatGauge();
    FlatGauge(const FlatGauge&) = delete;
    FlatGauge& operator=(const FlatGauge&) = delete;

    void SetBounds(const RECT& bounds);  // in the parent's client pixels
    const RECT& Bounds() const { return bounds_; }
    void SetDpi(UINT dpi) { dpi_ = dpi; Invalidate(); }
    void SetVisible(bool visible) { visible_ = visible; Invalidate(); }
    bool Visible() const { return visible_; }
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
    void NotifyValueChanged() const;

    HWND parent_;
    static constexpr RECT kDefaultBounds{0, 0, 145, 25};
    RECT bounds_ = kDefaultBounds;
    UINT dpi_ = 96;
    bool visible_ = true;
    Color color_ = kColorBlack;
    Color barColor_ = RGB(51, 102, 153);
    Color borderColor_ = kColorGreyBrown;
    int minValue_ = 0, maxValue_ = 100, progress_ = 25;
};
