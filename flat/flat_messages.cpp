#include "flat/flat_messages.h"

#include <string>
#include <vector>

#include "flat/drawing.h"
#include "flat/flat_button.h"
#include "flat/flat_check_box.h"
#include "win32/window.h"

namespace {

BOOL CALLBACK Collect(HWND window, LPARAM context) {
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

bool IsFlatControl(HWND window) { return FlatButton::FromHandle(window) || FlatCheckBox::FromHandle(window); }

// A control that may act, and whose caption marks `character`.
bool OwnsCharacter(HWND window, wchar_t character) {
    const std::wstring caption = WindowCaption(window);
    return ControlMayAct(window) && IsAccelerator(character, caption);
}

}  // namespace

bool ControlMayAct(HWND control, bool hiddenToo) {
    return (hiddenToo || IsWindowVisible(control)) && IsWindowEnabled(control) &&
           IsWindowEnabled(GetAncestor(control, GA_ROOT));
}

bool OfferCharToControls(HWND root, wchar_t character) {
    std::vector<HWND> windows;  // every window below `root`, in child order
    EnumChildWindows(root, Collect, reinterpret_cast<LPARAM>(&windows));
    const HWND focus = GetFocus();
    std::vector<HWND> offered, owners;
    HWND ownerAfterFocus = nullptr;
    bool focusPassed = false;
    for (HWND window : windows) {
        if (window == focus) focusPassed = true;
        // A control in a hidden container (a page that is not showing) takes no input.
        if (!IsFlatControl(window) || !IsWindowVisible(GetParent(window))) continue;
        offered.push_back(window);
        if (!OwnsCharacter(window, character)) continue;
        owners.push_back(window);
        if (focusPassed && !ownerAfterFocus && window != focus) ownerAfterFocus = window;
    }
    // A letter that several controls own moves the focus on to the next of them, clicking
    // none, as the platform's dialogs do with duplicate mnemonics.
    if (owners.size() >= 2) {
        SetFocus(ownerAfterFocus ? ownerAfterFocus : owners.front());
        return true;
    }
    if (owners.size() == 1) return SendMessageW(owners.front(), kFlatOfferChar, character, 0) != 0;
    for (HWND window : offered)
        if (SendMessageW(window, kFlatOfferChar, character, 0)) return true;
    return false;
}
