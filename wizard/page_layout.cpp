#include "wizard/page_layout.h"

#include "flat/flat_check_box.h"
#include "win32/dpi.h"
#include "win32/window.h"

const ControlPlace& RowOf(int control) {
    for (const ControlPlace& place : kLayout)
        if (place.control == control) return place;
    return kLayout[0];  // not reached: every control has its row
}

RECT ControlBounds(const ControlPlace& place, UINT dpi, SIZE content) {
    POINT at{Scale(place.left, dpi), Scale(place.top, dpi)};
    SIZE size{Scale(place.width, dpi), Scale(place.height, dpi)};
    if (place.fit == Fit::Content) {
        size = content;
    } else if (place.fit == Fit::Centred) {
        at.x = Scale((kPageWidth - content.cx) / 2, dpi);  // centred at 96 dpi, then scaled
        size = {Scale(content.cx, dpi), Scale(content.cy, dpi)};
    }
    return RECT{at.x, at.y, at.x + size.cx, at.y + size.cy};
}

void PlaceControl(HWND control, const ControlPlace& place, UINT dpi, SIZE content) {
    if (!control) return;
    RECT bounds = ControlBounds(place, dpi, content);
    if (place.fit == Fit::Caption) {
        // At the full width and its own height, then fitted to its caption.
        RECT now;
        GetWindowRect(control, &now);
        bounds.bottom = bounds.top + now.bottom - now.top;
    }
    SetWindowPos(control, nullptr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (place.fit == Fit::Caption)
        if (FlatCheckBox* box = FlatCheckBox::FromHandle(control)) box->SetAutoSize(true);
}

void ShowPageTexts(HWND sheet, WizardPage page, Language language, UINT dpi, int replaced, TextId replacement) {
    for (const ControlPlace& place : kLayout) {
        if (place.page != static_cast<int>(page) || place.text == TextId::None) continue;
        HWND control = GetDlgItem(sheet, place.control);
        SetWindowCaption(control, Text(place.control == replaced ? replacement : place.text, language).c_str());
        if (place.fit == Fit::Caption) PlaceControl(control, place, dpi);
    }
}
