#pragma once
#include <windows.h>
#include <oleacc.h>

class FlatGauge;

// What screen readers hear of the flat controls. The platform's own object knows a window of
// the button class by its caption (and, on Windows, by its role and check state), but not a
// button without a caption nor a control without a window.

// A flat button or check box: a push button or a check box with its caption (or the name
// that stands for a missing one), its accelerator, its state, and a click as its default
// action.
IAccessible* NewFlatControlAccessible(HWND control);

// The gauges that `parent` paints: children of its object after its child windows, each a
// progress bar with its value. A gauge is added when it is made and removed when it goes.
void AddGaugeChild(HWND parent, const FlatGauge* gauge);
void RemoveGaugeChild(HWND parent, const FlatGauge* gauge);
// The gauge's child id in its parent's object, 0 when it has none.
LONG GaugeChildId(HWND parent, const FlatGauge* gauge);

// A progress bar's value as screen readers read it: the share of the way, in whole percent
// (0 without a span).
int GaugePercent(int minValue, int maxValue, int progress);
