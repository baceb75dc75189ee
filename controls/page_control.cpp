#include "controls/page_control.h"

#include <commctrl.h>

#include "win32/high_contrast.h"

namespace {

// The class name other programs see (accessibility tools, window spies); it never changes.
constexpr wchar_t kSheetClass[] = L"TTabSheet";

HWND OwnerOf(HWND sheet) { return GetParent(GetParent(sheet)); }

}  // namespace

PageControl* PageControl::Create(HWND parent, int id, int pageCount, const RECT& bounds) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // Made at its full size: tabs inserted into a narrower control would get scroll arrows.
    HWND tab = CreateWindowExW(WS_EX_CONTROLPARENT, WC_TABCONTROLW, L"",
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TCS_BOTTOM |
                                   TCS_OWNERDRAWFIXED,
                               bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!tab) return nullptr;
    auto* control = new PageControl(tab);
    Subclass<PageControl>::Attach(control);

    WNDCLASSEXW sheetClass{};
    sheetClass.lpfnWndProc = SheetProc;
    sheetClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    sheetClass.lpszClassName = kSheetClass;
    RegisterWindowClass(sheetClass);
    for (int i = 0; i < pageCount; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"");
        SendMessageW(tab, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    control->sheets_.assign(static_cast<size_t>(pageCount), nullptr);
    return control;
}

HWND PageControl::Sheet(int index) {
    HWND& sheet = sheets_[static_cast<size_t>(index)];
    if (!sheet) {
        const RECT r = SheetBounds();
        sheet = CreateWindowExW(WS_EX_CONTROLPARENT, kSheetClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                r.left, r.top, r.right - r.left, r.bottom - r.top, handle_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstSheetId + index)),
                                GetModuleHandleW(nullptr), nullptr);
    }
    return sheet;
}

void PageControl::SetActivePage(int index) {
    if (index == active_) return;
    SendMessageW(handle_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    // Show the new page before hiding the old one, so that nothing flashes between them.
    ShowWindow(Sheet(index), SW_SHOW);
    if (active_ >= 0) ShowWindow(sheets_[static_cast<size_t>(active_)], SW_HIDE);
    active_ = index;
}

RECT PageControl::SheetBounds() const {
    RECT display;
    GetClientRect(handle_, &display);
    SendMessageW(handle_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    return display;
}

void PageControl::LayoutSheets() {
    const RECT display = SheetBounds();
    for (HWND sheet : sheets_)
        if (sheet)
            SetWindowPos(sheet, nullptr, display.left, display.top, display.right - display.left,
                         display.bottom - display.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT PageControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallOriginal(message, wParam, lParam);
    switch (message) {
        case TCM_ADJUSTRECT: {
            // The platform computes the rectangle first; then the page is stretched over
            // the tabs and the border, in either direction of the computation.
            auto* rect = reinterpret_cast<RECT*>(lParam);
            RECT client;
            GetClientRect(handle_, &client);
            rect->left = 0;
            rect->right = client.right + 3;
            rect->top -= 6;
            rect->bottom = client.bottom;
            break;
        }
        case WM_SIZE:
            LayoutSheets();
            break;
    }
    return result;
}

LRESULT CALLBACK PageControl::SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            FillRect(dc, &paint.rcPaint, BackgroundBrush());
            SendMessageW(OwnerOf(window), kSheetPaint, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window));
            EndPaint(window, &paint);
            return 0;
        }
        // What the page's controls tell their parent belongs to the window that owns them.
        case WM_COMMAND:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            return SendMessageW(OwnerOf(window), message, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
