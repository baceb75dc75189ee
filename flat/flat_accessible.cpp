#include "flat/flat_accessible.h"

#include "flat/drawing.h"
#include "flat/flat_gauge.h"
#include "flat/flat_messages.h"
#include "win32/accessibility.h"
#include "win32/decimal_text.h"
#include "win32/window.h"

namespace {

// The control's caption, as the controls read it themselves.
struct Caption {
    explicit Caption(HWND control) { SendMessageW(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text)); }
    wchar_t text[256] = L"";
};

class FlatControlAccessible final : public AccessibleWindow {
public:
    explicit FlatControlAccessible(HWND control) : AccessibleWindow(control, OBJID_CLIENT) {}

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (const HRESULT gone = Gone()) return gone;
        if (ChildId(child) != CHILDID_SELF) return AccessibleWindow::get_accName(child, name);
        if (!name) return E_POINTER;
        if (const LRESULT given = SendMessageW(window_, kFlatAccessibleName, 0, 0)) {
            *name = NewString(reinterpret_cast<const wchar_t*>(given));
        } else {
            Caption caption(window_);
            RemoveAcceleratorMarks(caption.text);
            *name = NewString(caption.text);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (const HRESULT gone = Gone()) return gone;
        if (ChildId(child) != CHILDID_SELF) return AccessibleWindow::get_accRole(child, role);
        if (!role) return E_POINTER;
        SetNumber(role, IsCheckBox() ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_PUSHBUTTON);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (const HRESULT gone = Gone()) return gone;
        if (ChildId(child) != CHILDID_SELF) return AccessibleWindow::get_accState(child, state);
        if (!state) return E_POINTER;
        long flags = STATE_SYSTEM_FOCUSABLE;
        if (GetFocus() == window_) flags |= STATE_SYSTEM_FOCUSED;
        if (!IsWindowEnabled(window_)) flags |= STATE_SYSTEM_UNAVAILABLE;
        if (!IsWindowVisible(window_)) flags |= STATE_SYSTEM_INVISIBLE;
        if (SendMessageW(window_, BM_GETSTATE, 0, 0) & BST_PUSHED) flags |= STATE_SYSTEM_PRESSED;
        if (IsCheckBox() && SendMessageW(window_, BM_GETCHECK, 0, 0) == BST_CHECKED) flags |= STATE_SYSTEM_CHECKED;
        SetNumber(state, flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        if (const HRESULT gone = Gone()) return gone;
        if (ChildId(child) != CHILDID_SELF) return AccessibleWindow::get_accKeyboardShortcut(child, shortcut);
        if (!shortcut) return E_POINTER;
        wchar_t keys[] = {L'A', L'l', L't', L'+', AcceleratorOf(Caption(window_).text), 0};
        CharUpperBuffW(keys + 4, 1);
        *shortcut = keys[4] ? NewString(keys) : nullptr;
        return keys[4] ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (const HRESULT gone = Gone()) return gone;
        if (ChildId(child) != CHILDID_SELF) return AccessibleWindow::accDoDefaultAction(child);
        // A modal dialog (the folder browser) disables the window, not its controls: a click
        // now would act under the dialog. A control on a page not shown (the agreement boxes
        // while installing) is not pressed either.
        if (!ControlMayAct(window_)) return E_FAIL;
        // Posted: the click runs from the window's own message loop, not inside the screen
        // reader's call (Next may install, for minutes).
        PostMessageW(window_, BM_CLICK, 0, 0);
        return S_OK;
    }

private:
    bool IsCheckBox() const { return (GetWindowLongW(window_, GWL_STYLE) & BS_TYPEMASK) == BS_CHECKBOX; }
};

// The parent's child windows, the first `count` of them, or all; their number.
long ChildWindows(HWND parent, long count = -1, HWND* last = nullptr) {
    long seen = 0;
    for (HWND child = GetWindow(parent, GW_CHILD); child && seen != count; child = GetWindow(child, GW_HWNDNEXT)) {
        ++seen;
        if (last) *last = child;
    }
    return seen;
}

// A window that paints gauges, under the object that knows them.
class GaugeParent : public SubclassedWindow {
public:
    static constexpr wchar_t kProperty[] = L"GaugeParent";
    static GaugeParent* Of(HWND window) { return Subclass<GaugeParent>::FromHandle(window); }
    static GaugeParent* Made(HWND window) {
        if (!Of(window)) Subclass<GaugeParent>::Attach(new GaugeParent(window));
        return Of(window);
    }

    // Room for the few a window paints (the wizard's page one, the flat gallery three); one
    // more is not heard.
    static constexpr int kRoom = 4;
    const FlatGauge* gauges[kRoom] = {};
    int count = 0;

private:
    friend class Subclass<GaugeParent>;
    explicit GaugeParent(HWND window) : SubclassedWindow(window) {}
    ~GaugeParent() = default;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
};

// The parent's object with its gauges after its child windows, whose own objects are its
// first children.
class GaugeParentAccessible final : public AccessibleWindow {
public:
    explicit GaugeParentAccessible(HWND parent) : AccessibleWindow(parent, OBJID_CLIENT) {}

    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (const HRESULT gone = Gone()) return gone;
        if (!count) return E_POINTER;
        *count = ChildWindows(window_) + GaugeCount();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (const HRESULT gone = Gone()) return gone;
        if (!object) return E_POINTER;
        *object = nullptr;
        const long id = ChildId(child);
        HWND window = nullptr;
        if (id >= 1 && ChildWindows(window_, id, &window) == id) {
            *object = ObjectOfWindow(window, OBJID_WINDOW);
            return *object ? S_OK : E_FAIL;
        }
        return GaugeOf(child) ? S_FALSE : E_INVALIDARG;  // a gauge is a simple element
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (const HRESULT gone = Gone()) return gone;
        if (!GaugeOf(child)) return AccessibleWindow::get_accName(child, name);
        if (!name) return E_POINTER;
        *name = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (const HRESULT gone = Gone()) return gone;
        const FlatGauge* gauge = GaugeOf(child);
        if (!gauge) return AccessibleWindow::get_accValue(child, value);
        if (!value) return E_POINTER;
        // The progress stays within the gauge's range: the percent is never negative.
        std::wstring text = DecimalText(static_cast<unsigned>(GaugePercent(gauge->MinValue(), gauge->MaxValue(), gauge->Progress())));
        text += L'%';
        *value = NewString(text.c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (const HRESULT gone = Gone()) return gone;
        if (!GaugeOf(child)) return AccessibleWindow::get_accRole(child, role);
        if (!role) return E_POINTER;
        SetNumber(role, ROLE_SYSTEM_PROGRESSBAR);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (const HRESULT gone = Gone()) return gone;
        const FlatGauge* gauge = GaugeOf(child);
        if (!gauge) return AccessibleWindow::get_accState(child, state);
        if (!state) return E_POINTER;
        const bool shown = gauge->Visible() && IsWindowVisible(window_);
        SetNumber(state, STATE_SYSTEM_READONLY | (shown ? 0 : STATE_SYSTEM_INVISIBLE));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (const HRESULT gone = Gone()) return gone;
        const FlatGauge* gauge = GaugeOf(child);
        if (!gauge) return AccessibleWindow::accLocation(left, top, width, height, child);
        return ScreenLocation(window_, gauge->Bounds(), left, top, width, height);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        if (const HRESULT gone = Gone()) return gone;
        if (!child) return E_POINTER;
        // The platform's object finds windows only; a gauge lies where no child window covers it.
        POINT point{x, y};
        ScreenToClient(window_, &point);
        for (long id = ChildWindows(window_) + 1, last = id + GaugeCount(); id < last; ++id) {
            VARIANT gaugeId;
            SetNumber(&gaugeId, id);
            const FlatGauge* gauge = GaugeOf(gaugeId);
            if (gauge->Visible() && Contains(gauge->Bounds(), point)) {
                SetNumber(child, id);
                return S_OK;
            }
        }
        return AccessibleWindow::accHitTest(x, y, child);
    }

private:
    long GaugeCount() const {
        const GaugeParent* parent = GaugeParent::Of(window_);
        return parent ? parent->count : 0;
    }
    const FlatGauge* GaugeOf(const VARIANT& child) const {
        const long index = ChildId(child) - 1 - ChildWindows(window_);
        return index >= 0 && index < GaugeCount() ? GaugeParent::Of(window_)->gauges[index] : nullptr;
    }
};

LRESULT GaugeParent::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETOBJECT && AsksForObject(lParam)) return AnswerWithObject(new GaugeParentAccessible(handle_), wParam);
    return CallOriginal(message, wParam, lParam);
}

}  // namespace

IAccessible* NewFlatControlAccessible(HWND control) { return new FlatControlAccessible(control); }

void AddGaugeChild(HWND parent, const FlatGauge* gauge) {
    GaugeParent* owner = parent ? GaugeParent::Made(parent) : nullptr;
    if (owner && owner->count < GaugeParent::kRoom) owner->gauges[owner->count++] = gauge;
}

void RemoveGaugeChild(HWND parent, const FlatGauge* gauge) {
    GaugeParent* owner = parent ? GaugeParent::Of(parent) : nullptr;
    for (int i = 0; owner && i < owner->count; ++i)
        if (owner->gauges[i] == gauge) {
            for (--owner->count; i < owner->count; ++i) owner->gauges[i] = owner->gauges[i + 1];
            return;
        }
}

LONG GaugeChildId(HWND parent, const FlatGauge* gauge) {
    const GaugeParent* owner = parent ? GaugeParent::Of(parent) : nullptr;
    for (int i = 0; owner && i < owner->count; ++i)
        if (owner->gauges[i] == gauge) return ChildWindows(parent) + i + 1;
    return 0;
}

int GaugePercent(int minValue, int maxValue, int progress) {
    // In floating point, as the bar's width, so that no span overflows.
    const double span = static_cast<double>(maxValue) - minValue;
    return span > 0 ? static_cast<int>((static_cast<double>(progress) - minValue) * 100 / span) : 0;
}
