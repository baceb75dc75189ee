#include "flat/flat_messages.h"

#include "flat/flat_button.h"
#include "flat/flat_check_box.h"

namespace {

struct Offer {
    wchar_t character;
    bool taken;
};

BOOL CALLBACK OfferTo(HWND window, LPARAM context) {
    auto* offer = reinterpret_cast<Offer*>(context);
    if (!TFlatButton::FromHandle(window) && !TFlatCheckBox::FromHandle(window)) return TRUE;
    offer->taken = SendMessageW(window, kFlatOfferChar, offer->character, 0) != 0;
    return !offer->taken;
}

}  // namespace

bool OfferCharToControls(HWND root, wchar_t character) {
    Offer offer{character, false};
    EnumChildWindows(root, OfferTo, reinterpret_cast<LPARAM>(&offer));
    return offer.taken;
}
