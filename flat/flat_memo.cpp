#include "flat/flat_memo.h"

#include "flat/drawing.h"
#include "flat/flat_messages.h"
#include "win32/dpi.h"
#include "win32/window.h"

FlatMemo* FlatMemo::Create(HWND parent, int id, DWORD style) {
    HWND window = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | style, 0, 0,
                                  185, 89, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) return nullptr;
    return new FlatMemo(window);
}

FlatMemo::FlatMemo(HWND handle) : SubclassedWindow(handle), dpi_(DpiOfWindow(handle)) {
    Subclass<FlatMemo>::Attach(this);
    if (parentColor_) flatColor_ = ParentsColor();
    // The border is ours: the non-client size is recomputed with our three pixels.
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

FlatMemo* FlatMemo::FromHandle(HWND window) { return Subclass<FlatMemo>::FromHandle(window); }

LRESULT FlatMemo::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCALCSIZE: {
            const LRESULT result = CallOriginal(message, wParam, lParam);
            RECT* proposed = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                                    : reinterpret_cast<RECT*>(lParam);
            InflateRect(proposed, -Scale(3, dpi_), -Scale(3, dpi_));
            return result;
        }
        case WM_NCPAINT: {
            const LRESULT result = CallOriginal(message, wParam, lParam);  // scroll bars
            PaintFlatBorder();
            return result;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            const LRESULT result = CallOriginal(message, wParam, lParam);
            PaintFlatBorder();
            return result;
        }
        case WM_MOUSEMOVE:
            if (!mouseInControl_ && GetActiveWindow()) {
                mouseInControl_ = true;
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, handle_, 0};
                TrackMouseEvent(&track);
                PaintFlatBorder();
            }
            break;
        case WM_MOUSELEAVE:
            mouseInControl_ = false;
            PaintFlatBorder();
            break;
        case WM_ENABLE: {
            const LRESULT result = CallOriginal(message, wParam, lParam);
            PaintFlatBorder();
            return result;
        }
        case WM_SYSCOLORCHANGE:
            ParentColorChanged();
            break;
        case kFlatReflectColor: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            const COLORREF fill = ResolveColor(FillColor());
            SetBkColor(dc, fill);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            fillBrush_.reset(CreateSolidBrush(fill));
            return reinterpret_cast<LRESULT>(fillBrush_.get());
        }
    }
    return CallOriginal(message, wParam, lParam);
}

void FlatMemo::SetDpi(UINT dpi) {
    dpi_ = dpi;
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FlatMemo::SetColorFocused(Color c) {
    focusedColor_ = c;
    PaintFlatBorder();
}

void FlatMemo::SetColorBorder(Color c) {
    borderColor_ = c;
    PaintFlatBorder();
}

void FlatMemo::SetColorFlat(Color c) {
    flatColor_ = c;
    parentColor_ = false;
    PaintFlatBorder();
}

void FlatMemo::SetParentColor(bool parentColor) {
    if (parentColor == parentColor_) return;
    parentColor_ = parentColor;
    if (parentColor_) {
        flatColor_ = ParentsColor();
        PaintFlatBorder();
    }
}

void FlatMemo::ParentColorChanged() {
    if (parentColor_) flatColor_ = ParentsColor();
    PaintFlatBorder();
}

Color FlatMemo::ParentsColor() const {
    // The parent's colour is what it paints behind its children: its class brush, or the
    // dialog colour for a parent that paints itself.
    HWND parent = GetParent(handle_);
    auto brush = reinterpret_cast<HBRUSH>(parent ? GetClassLongPtrW(parent, GCLP_HBRBACKGROUND) : 0);
    LOGBRUSH info{};
    if (brush && reinterpret_cast<UINT_PTR>(brush) > COLOR_MENUBAR + 1 && GetObjectW(brush, sizeof info, &info))
        return info.lbColor;
    if (brush) return SystemColor(static_cast<int>(reinterpret_cast<UINT_PTR>(brush) - 1));
    return SystemColor(COLOR_BTNFACE);
}

Color FlatMemo::FillColor() const {
    return ContrastColor(Highlighted() ? focusedColor_ : flatColor_, COLOR_WINDOW);
}

bool FlatMemo::Highlighted() const {
    HWND focus = GetFocus();
    if (focus == handle_) return true;
    return mouseInControl_ && !FromHandle(focus);
}

void FlatMemo::SetLines(const std::wstring& text) {
    std::wstring normalized;
    normalized.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            normalized += L"\r\n";
        } else {
            normalized += text[i];
        }
    }
    SetWindowCaption(handle_, normalized.c_str());
}

void FlatMemo::PaintFlatBorder() {
    const WindowDc dc(handle_, true);
    if (dc) PaintFlatBorder(dc.get());
}

void FlatMemo::PaintFlatBorder(HDC dc) {
    RECT r;
    GetWindowRect(handle_, &r);
    OffsetRect(&r, -r.left, -r.top);
    const Color fill = FillColor();
    // High contrast shows the highlight in the outer line: the fill stays the window's.
    const Color border = !HighContrast() ? borderColor_ : SystemColor(Highlighted() ? COLOR_HIGHLIGHT : COLOR_WINDOWTEXT);
    DrawBevelFrame(dc, r, border, border, 1, dpi_);
    const int one = Scale(1, dpi_);
    InflateRect(&r, -one, -one);
    DrawBevelFrame(dc, r, fill, fill, 2, dpi_);
    const LONG style = GetWindowLongW(handle_, GWL_STYLE);
    if ((style & WS_VSCROLL) && (style & WS_HSCROLL)) {
        // The corner square between the two scroll bars, inside the innermost line: a
        // scroll bar's width from it (17 pixels at 96 dpi).
        const int inset = Scale(2, dpi_);
        const int side = GetSystemMetrics(SM_CXVSCROLL);
        RECT inner{0, 0, r.right + one - inset, r.bottom + one - inset};
        FillSolid(dc, RECT{inner.right - side, inner.bottom - side, inner.right - one, inner.bottom - one}, fill);
    }
}
