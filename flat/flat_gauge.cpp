#include "flat/flat_gauge.h"

#include <algorithm>

#include "flat/drawing.h"
#include "flat/flat_accessible.h"
#include "win32/dpi.h"

FlatGauge::FlatGauge(HWND parent) : parent_(parent), dpi_(parent ? DpiOfWindow(parent) : 96) {
    AddGaugeChild(parent_, this);
}

FlatGauge::~FlatGauge() { RemoveGaugeChild(parent_, this); }

void FlatGauge::SetBounds(const RECT& bounds) {
    Invalidate();
    bounds_ = bounds;
    Invalidate();
}

void FlatGauge::SetMinValue(int value) {
    if (value == minValue_) return;
    minValue_ = std::min(value, maxValue_);
    progress_ = std::max(progress_, minValue_);
    RepaintNow();
    NotifyValueChanged();
}

void FlatGauge::SetMaxValue(int value) {
    if (value == maxValue_) return;
    maxValue_ = std::max(value, minValue_);
    progress_ = std::min(progress_, maxValue_);
    RepaintNow();
    NotifyValueChanged();
}

void FlatGauge::SetProgress(int value) {
    value = std::clamp(value, minValue_, maxValue_);
    if (value == progress_) return;
    progress_ = value;
    RepaintNow();
    NotifyValueChanged();
}

int FlatGauge::BarWidth(int innerWidth) const {
    if (maxValue_ == minValue_) return 0;  // undefined proportions: an empty bar
    const double width = static_cast<double>(innerWidth) / (static_cast<double>(maxValue_) - minValue_) *
                         (static_cast<double>(progress_) - minValue_);
    return static_cast<int>(width);
}

void FlatGauge::Paint(HDC dc) const {
    if (!visible_) return;
    FillSolid(dc, bounds_, ContrastColor(color_, COLOR_WINDOW));
    const Color border = ContrastColor(borderColor_, COLOR_WINDOWTEXT);
    DrawBevelFrame(dc, bounds_, border, border, 1, dpi_);
    const int inset = Scale(2, dpi_);
    RECT inner{bounds_.left + inset, bounds_.top + inset, bounds_.right - inset, bounds_.bottom - inset};
    const int bar = BarWidth(inner.right - inner.left);
    if (bar > 0) FillSolid(dc, RECT{inner.left, inner.top, inner.left + bar, inner.bottom}, ContrastColor(barColor_, COLOR_HIGHLIGHT));
}

void FlatGauge::Invalidate() const {
    if (parent_) InvalidateRect(parent_, &bounds_, FALSE);
}

void FlatGauge::RepaintNow() const {
    Invalidate();
    if (parent_) UpdateWindow(parent_);
}

void FlatGauge::NotifyValueChanged() const {
    if (const LONG child = GaugeChildId(parent_, this))
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, parent_, OBJID_CLIENT, child);
}
