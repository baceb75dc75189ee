#include "wizard/page_layout.h"

#include "flat/flat_check_box.h"
#include "win32/dpi.h"

const ControlPlace& RowOf(int control) {
    for (const ControlPlace& place : kLayout)
        if (place.control == control) return place;
    return kLayout[0];  // not reached: every control has its row
}

void PlaceControl(HWND control, const ControlPlace& place, UINT dpi, SIZE content) {
    if (!control) return;
    POINT at{Scale(place.left, dpi), Scale(place.top, dpi)};
    SIZE size{Scale(place.width, dpi), Scale(place.height, dpi)};
    switch (place.fit) {
        case Fit::Table:
            break;
        case Fit::Content:
            size = content;
            break;
        case Fit::Centred:
            at.x = Scale((kPageWidth - content.cx) / 2, dpi);  // centred at 96 dpi, then scaled
            size = {Scale(content.cx, dpi), Scale(content.cy, dpi)};
            break;
        case Fit::Caption: {
            // At the full width and its own height, then fitted to its caption.
            RECT now;
            GetWindowRect(control, &now);
            size.cy = now.bottom - now.top;
            break;
        }
    }
    MoveWindow(control, at.x, at.y, size.cx, size.cy, TRUE);
    if (place.fit == Fit::Caption)
        if (FlatCheckBox* box = FlatCheckBox::FromHandle(control)) box->SetAutoSize(true);
}

void ShowPageTexts(HWND sheet, WizardPage page, Language language, UINT dpi, int replaced, TextId replacement) {
    for (const ControlPlace& place : kLayout) {
        if (place.page != static_cast<int>(page) || place.text == TextId::None) continue;
        HWND control = GetDlgItem(sheet, place.control);
        SetWindowTextW(control, Text(place.control == replaced ? replacement : place.text, language).c_str());
        if (place.fit == Fit::Caption) PlaceControl(control, place, dpi);
    }
}
