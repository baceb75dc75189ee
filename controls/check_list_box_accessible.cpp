#include "controls/check_list_box_accessible.h"

#include "controls/check_list_box.h"
#include "win32/accessibility.h"

namespace {

class CheckListBoxAccessible final : public AccessibleWindow {
public:
    explicit CheckListBoxAccessible(HWND list) : AccessibleWindow(list, OBJID_CLIENT) {}

    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (const HRESULT gone = Gone()) return gone;
        if (!count) return E_POINTER;
        *count = Count();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (const HRESULT gone = Gone()) return gone;
        if (!object) return E_POINTER;
        *object = nullptr;
        return Row(child) >= 0 ? S_FALSE : E_INVALIDARG;  // rows are simple elements
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (const HRESULT gone = Gone()) return gone;
        const int row = Row(child);
        if (row < 0) return AccessibleWindow::get_accName(child, name);
        if (!name) return E_POINTER;
        *name = NewString(List()->Text(row).c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (const HRESULT gone = Gone()) return gone;
        if (!role) return E_POINTER;
        const long id = ChildId(child);
        if (id != CHILDID_SELF && Row(child) < 0) return E_INVALIDARG;
        SetNumber(role, id == CHILDID_SELF ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_CHECKBUTTON);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (const HRESULT gone = Gone()) return gone;
        const int row = Row(child);
        if (row < 0) return AccessibleWindow::get_accState(child, state);
        if (!state) return E_POINTER;
        long flags = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
        if (List()->Checked(row)) flags |= STATE_SYSTEM_CHECKED;
        if (SendMessageW(window_, LB_GETCURSEL, 0, 0) == row) flags |= STATE_SYSTEM_SELECTED;
        if (GetFocus() == window_ && Caret() == row) flags |= STATE_SYSTEM_FOCUSED;
        RECT item, client;
        GetClientRect(window_, &client);
        if (!RowRect(row, item) || !Overlap(item, client)) flags |= STATE_SYSTEM_OFFSCREEN;
        SetNumber(state, flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (const HRESULT gone = Gone()) return gone;
        if (!focus) return E_POINTER;
        if (GetFocus() != window_) {
            focus->vt = VT_EMPTY;
            return S_FALSE;
        }
        const int caret = Caret();
        SetNumber(focus, caret >= 0 && caret < Count() ? caret + 1 : CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (const HRESULT gone = Gone()) return gone;
        if (!selection) return E_POINTER;
        const LRESULT selected = SendMessageW(window_, LB_GETCURSEL, 0, 0);
        if (selected == LB_ERR) {
            selection->vt = VT_EMPTY;
            return S_FALSE;
        }
        SetNumber(selection, static_cast<long>(selected) + 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (const HRESULT gone = Gone()) return gone;
        const int row = Row(child);
        if (row < 0) return AccessibleWindow::accLocation(left, top, width, height, child);
        RECT item;
        if (!RowRect(row, item)) return E_FAIL;
        return ScreenLocation(window_, item, left, top, width, height);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        if (const HRESULT gone = Gone()) return gone;
        if (!child) return E_POINTER;
        POINT point{x, y};
        ScreenToClient(window_, &point);
        RECT client;
        GetClientRect(window_, &client);
        if (!Contains(client, point)) return AccessibleWindow::accHitTest(x, y, child);
        const LRESULT hit = SendMessageW(window_, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
        SetNumber(child, HIWORD(hit) == 0 ? LOWORD(hit) + 1 : CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (const HRESULT gone = Gone()) return gone;
        if (!end) return E_POINTER;
        const long id = ChildId(start), count = Count();
        if (id != CHILDID_SELF && (id < 1 || id > count)) return E_INVALIDARG;  // a row since removed
        long to = 0;
        if (id == CHILDID_SELF && direction == NAVDIR_FIRSTCHILD) to = 1;
        if (id == CHILDID_SELF && direction == NAVDIR_LASTCHILD) to = count;
        if (id != CHILDID_SELF && (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN)) to = id + 1;
        if (id != CHILDID_SELF && (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP)) to = id - 1;
        if (id == CHILDID_SELF && !to) return AccessibleWindow::accNavigate(direction, start, end);
        if (to < 1 || to > count) {
            end->vt = VT_EMPTY;
            return S_FALSE;
        }
        SetNumber(end, to);
        return S_OK;
    }

private:
    CheckListBox* List() const { return CheckListBox::FromHandle(window_); }
    long Count() const { return List() ? List()->Count() : 0; }
    // The row a child id names, or -1.
    int Row(const VARIANT& child) const {
        const long id = ChildId(child);
        return id >= 1 && id <= Count() ? static_cast<int>(id - 1) : -1;
    }
    int Caret() const { return static_cast<int>(SendMessageW(window_, LB_GETCARETINDEX, 0, 0)); }
    bool RowRect(int row, RECT& rect) const {
        return SendMessageW(window_, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != LB_ERR;
    }
};

}  // namespace

IAccessible* NewCheckListBoxAccessible(HWND list) { return new CheckListBoxAccessible(list); }
