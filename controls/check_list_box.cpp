#include "controls/check_list_box.h"

#include <windowsx.h>

#include "controls/check_list_box_accessible.h"
#include "win32/accessibility.h"
#include "win32/dpi.h"

namespace {
constexpr int kRowHeight = 20;
}  // namespace

CheckListBox* CheckListBox::Create(HWND parent, int id) {
    HWND window = CreateWindowExW(0, L"LISTBOX", L"",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_OWNERDRAWFIXED |
                                      LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                  0, 0, 301, 138, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) return nullptr;
    return new CheckListBox(window);
}

CheckListBox::CheckListBox(HWND handle) : SubclassedWindow(handle), dpi_(DpiOfWindow(handle)) {
    Subclass<CheckListBox>::Attach(this);
    SetDpi(dpi_);
}

CheckListBox* CheckListBox::FromHandle(HWND window) { return Subclass<CheckListBox>::FromHandle(window); }

LRESULT CheckListBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
            const LRESULT hit = SendMessageW(handle_, LB_ITEMFROMPOINT, 0, MAKELPARAM(x, y));
            const LRESULT result = CallOriginal(message, wParam, lParam);
            if (HIWORD(hit) == 0 && x < CheckBoxWidth()) ToggleByUser(LOWORD(hit));
            return result;
        }
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) {
                // The row with the focus rectangle: on a fresh list no row is selected yet,
                // but the first has the focus.
                const int row = static_cast<int>(SendMessageW(handle_, LB_GETCARETINDEX, 0, 0));
                if (row >= 0 && row < Count()) ToggleByUser(row);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == L' ') return 0;
            break;
        case WM_GETOBJECT:
            if (AsksForObject(lParam)) return AnswerWithObject(NewCheckListBoxAccessible(handle_), wParam);
            break;
    }
    return CallOriginal(message, wParam, lParam);
}

int CheckListBox::CheckBoxWidth() const { return Scale(18, dpi_); }

void CheckListBox::ToggleByUser(int index) {
    SetChecked(index, !Checked(index));
    SendMessageW(GetParent(handle_), WM_COMMAND, MAKEWPARAM(GetWindowLongPtrW(handle_, GWLP_ID), kClickCheck),
                 reinterpret_cast<LPARAM>(handle_));
}

void CheckListBox::Clear() { SendMessageW(handle_, LB_RESETCONTENT, 0, 0); }

int CheckListBox::Add(const std::wstring& text) {
    const int index = static_cast<int>(SendMessageW(handle_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index >= 0) SendMessageW(handle_, LB_SETITEMDATA, static_cast<WPARAM>(index), 0);
    return index;
}

int CheckListBox::Count() const { return static_cast<int>(SendMessageW(handle_, LB_GETCOUNT, 0, 0)); }

std::wstring CheckListBox::Text(int index) const {
    const LRESULT length = SendMessageW(handle_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(handle_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

int CheckListBox::IndexOfExact(const std::wstring& text) const {
    const LRESULT index = SendMessageW(handle_, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(text.c_str()));
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

bool CheckListBox::Checked(int index) const {
    const LRESULT data = SendMessageW(handle_, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    return data != LB_ERR && data != 0;
}

void CheckListBox::SetChecked(int index, bool checked) {
    if (index < 0 || index >= Count() || Checked(index) == checked) return;
    SendMessageW(handle_, LB_SETITEMDATA, static_cast<WPARAM>(index), checked ? 1 : 0);
    NotifyWinEvent(EVENT_OBJECT_STATECHANGE, handle_, OBJID_CLIENT, index + 1);
    RECT row;
    if (SendMessageW(handle_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&row)) != LB_ERR)
        InvalidateRect(handle_, &row, FALSE);
}

void CheckListBox::SetSelected(int index) { SendMessageW(handle_, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void CheckListBox::SetDpi(UINT dpi) {
    dpi_ = dpi;
    SendMessageW(handle_, LB_SETITEMHEIGHT, 0, Scale(kRowHeight, dpi_));
    InvalidateRect(handle_, nullptr, TRUE);
}

void CheckListBox::DrawItem(const DRAWITEMSTRUCT& item) const {
    if (item.itemID == static_cast<UINT>(-1)) return;
    const bool selected = item.itemState & ODS_SELECTED;
    HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));

    const int box = Scale(13, dpi_);
    const int left = item.rcItem.left + (CheckBoxWidth() - box) / 2;
    const int top = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - box) / 2;
    RECT square{left, top, left + box, top + box};
    DrawFrameControl(dc, &square, DFC_BUTTON,
                     DFCS_BUTTONCHECK | DFCS_FLAT | (Checked(static_cast<int>(item.itemID)) ? DFCS_CHECKED : 0));

    const std::wstring text = Text(static_cast<int>(item.itemID));
    RECT bounds = item.rcItem;
    bounds.left += CheckBoxWidth() + Scale(2, dpi_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &item.rcItem);
}
