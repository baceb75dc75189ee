#include "flat/flat_accessible.h"

#include <algorithm>
#include <vector>

#include "flat/drawing.h"
#include "flat/flat_gauge.h"
#include "flat/flat_messages.h"
#include "win32/accessibility.h"
#include "win32/decimal_text.h"
#include "win32/window.h"

namespace {

std::wstring WindowTextOf(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

class FlatControlAccessible final : public AccessibleWindow {
public:
    explicit FlatControlAccessible(HWND control) : AccessibleWindow(control, OBJID_CLIENT) {}

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (ChildId(child) != CHILDID_SELF) return AccessibleWindow::get_accName(child, name);
        if (!name) return E_POINTER;
        std::wstring text;
        if (!SendMessageW(window_, kFlatAccessibleName, 0, reinterpret_cast<LPARAM>(&text)))
            text = WithoutAcceleratorMarks(WindowTextOf(window_));
        *name = NewString(text);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (ChildId(child) != CHILDID_SELF) return AccessibleWindow::get_accRole(child, role);
        if (!role) return E_POINTER;
        SetNumber(role, IsCheckBox() ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_PUSHBUTTON);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
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
        if (ChildId(child) != CHILDID_SELF) return AccessibleWindow::get_accKeyboardShortcut(child, shortcut);
        if (!shortcut) return E_POINTER;
        wchar_t key[2] = {AcceleratorOf(WindowTextOf(window_)), 0};
        CharUpperBuffW(key, 1);
        *shortcut = key[0] ? NewString(std::wstring(L"Alt+") + key) : nullptr;
        return key[0] ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (ChildId(child) != CHILDID_SELF) return AccessibleWindow::accDoDefaultAction(child);
        if (!IsWindowEnabled(window_)) return E_FAIL;
        // Posted: the click runs from the window's own message loop, not inside the screen
        // reader's call (Next may install, for minutes).
        PostMessageW(window_, BM_CLICK, 0, 0);
        return S_OK;
    }

private:
    bool IsCheckBox() const { return (GetWindowLongW(window_, GWL_STYLE) & BS_TYPEMASK) == BS_CHECKBOX; }
};

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// A window that paints gauges, under the object that knows them.
class GaugeParent : public SubclassedWindow {
public:
    static constexpr wchar_t kProperty[] = L"Mervane.GaugeParent";
    static GaugeParent* Of(HWND window) { return Subclass<GaugeParent>::FromHandle(window); }
    static GaugeParent* Made(HWND window) {
        if (!Of(window)) Subclass<GaugeParent>::Attach(new GaugeParent(window));
        return Of(window);
    }

    std::vector<const TFlatGauge*> gauges;

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
        if (!count) return E_POINTER;
        *count = static_cast<long>(ChildWindows(window_).size() + Gauges().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        const std::vector<HWND> windows = ChildWindows(window_);
        const long id = ChildId(child);
        if (id >= 1 && id <= static_cast<long>(windows.size())) {
            *object = ObjectOfWindow(windows[static_cast<size_t>(id - 1)], OBJID_WINDOW);
            return *object ? S_OK : E_FAIL;
        }
        return GaugeOf(child) ? S_FALSE : E_INVALIDARG;  // a gauge is a simple element
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!GaugeOf(child)) return AccessibleWindow::get_accName(child, name);
        if (!name) return E_POINTER;
        *name = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        const TFlatGauge* gauge = GaugeOf(child);
        if (!gauge) return AccessibleWindow::get_accValue(child, value);
        if (!value) return E_POINTER;
        *value = NewString(GaugeValueText(gauge->MinValue(), gauge->MaxValue(), gauge->Progress()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!GaugeOf(child)) return AccessibleWindow::get_accRole(child, role);
        if (!role) return E_POINTER;
        SetNumber(role, ROLE_SYSTEM_PROGRESSBAR);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        const TFlatGauge* gauge = GaugeOf(child);
        if (!gauge) return AccessibleWindow::get_accState(child, state);
        if (!state) return E_POINTER;
        const bool shown = gauge->Visible() && IsWindowVisible(window_);
        SetNumber(state, STATE_SYSTEM_READONLY | (shown ? 0 : STATE_SYSTEM_INVISIBLE));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        const TFlatGauge* gauge = GaugeOf(child);
        if (!gauge) return AccessibleWindow::accLocation(left, top, width, height, child);
        return ScreenLocation(window_, gauge->Bounds(), left, top, width, height);
    }

private:
    std::vector<const TFlatGauge*> Gauges() const {
        const GaugeParent* parent = GaugeParent::Of(window_);
        return parent ? parent->gauges : std::vector<const TFlatGauge*>{};
    }
    const TFlatGauge* GaugeOf(const VARIANT& child) const {
        const long index = ChildId(child) - 1 - static_cast<long>(ChildWindows(window_).size());
        const std::vector<const TFlatGauge*> gauges = Gauges();
        return index >= 0 && index < static_cast<long>(gauges.size()) ? gauges[static_cast<size_t>(index)] : nullptr;
    }
};

LRESULT GaugeParent::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETOBJECT && AsksForObject(lParam)) return AnswerWithObject(new GaugeParentAccessible(handle_), wParam);
    return CallOriginal(message, wParam, lParam);
}

}  // namespace

IAccessible* NewFlatControlAccessible(HWND control) { return new FlatControlAccessible(control); }

void AddGaugeChild(HWND parent, TFlatGauge* gauge) {
    if (parent) GaugeParent::Made(parent)->gauges.push_back(gauge);
}

void RemoveGaugeChild(HWND parent, const TFlatGauge* gauge) {
    if (GaugeParent* owner = parent ? GaugeParent::Of(parent) : nullptr)
        std::erase(owner->gauges, gauge);
}

LONG GaugeChildId(HWND parent, const TFlatGauge* gauge) {
    const GaugeParent* owner = parent ? GaugeParent::Of(parent) : nullptr;
    if (!owner) return 0;
    const auto found = std::find(owner->gauges.begin(), owner->gauges.end(), gauge);
    if (found == owner->gauges.end()) return 0;
    return static_cast<LONG>(ChildWindows(parent).size() + (found - owner->gauges.begin()) + 1);
}

std::wstring GaugeValueText(int minValue, int maxValue, int progress) {
    const long long span = static_cast<long long>(maxValue) - minValue;
    const long long percent = span > 0 ? (static_cast<long long>(progress) - minValue) * 100 / span : 0;
    return DecimalText(static_cast<std::uint64_t>(percent > 0 ? percent : 0)) + L"%";
}
