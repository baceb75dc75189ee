#include "win32/accessibility.h"

#include "win32/system_functions.h"

namespace {

// An object handed to another process is marshalled, which needs COM on the answering
// thread; it stays on until the process ends.
void StartComOnce() {
    static bool started = false;
    if (started) return;
    started = true;
    if (const auto initialize = ShellApi().coInitializeEx)
        initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
}

bool Same(REFIID a, REFIID b) { return InlineIsEqualGUID(a, b) != 0; }

}  // namespace

bool AsksForObject(LPARAM lParam, LONG objectId) {
    // The id comes as a DWORD in a 64-bit lParam, sign-extended or not.
    return static_cast<LONG>(static_cast<DWORD>(lParam)) == objectId && AccessibilityApi().lresultFromObject &&
           AccessibilityApi().createStdAccessibleObject;
}

LRESULT AnswerWithObject(IAccessible* object, WPARAM wParam) {
    if (!object) return 0;
    StartComOnce();
    const LRESULT result = AccessibilityApi().lresultFromObject(kIidAccessible, wParam, object);
    object->Release();
    return result > 0 ? result : 0;
}

IDispatch* ObjectOfWindow(HWND window, LONG objectId) {
    IDispatch* object = nullptr;
    if (const auto fromWindow = AccessibilityApi().accessibleObjectFromWindow)
        if (fromWindow(window, static_cast<DWORD>(objectId), kIidDispatch, reinterpret_cast<void**>(&object)) != S_OK)
            object = nullptr;
    return object;
}

long ChildId(const VARIANT& child) { return child.vt == VT_I4 ? child.lVal : -1; }

BSTR NewString(const wchar_t* text) {
    const auto allocate = ShellApi().sysAllocString;
    return allocate ? allocate(text) : nullptr;
}

void SetNumber(VARIANT* variant, long number) {
    variant->vt = VT_I4;
    variant->lVal = number;
}

HRESULT ScreenLocation(HWND window, RECT rect, long* left, long* top, long* width, long* height) {
    if (!left || !top || !width || !height) return E_POINTER;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    *left = rect.left;
    *top = rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
}

AccessibleWindow::AccessibleWindow(HWND window, LONG objectId)
    : window_(window), thread_(GetWindowThreadProcessId(window, nullptr)) {
    AccessibilityApi().createStdAccessibleObject(window, objectId, kIidAccessible, standard_.OutVoid());
}

HRESULT AccessibleWindow::Gone() const {
    return IsWindow(window_) && GetWindowThreadProcessId(window_, nullptr) == thread_ ? S_OK : CO_E_OBJNOTCONNECTED;
}

HRESULT AccessibleWindow::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    // Only what the object itself is: anything passed on to the platform's object (its
    // enumeration of children, say) would not know our answers.
    if (Same(iid, kIidUnknown) || Same(iid, kIidDispatch) || Same(iid, kIidAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AccessibleWindow::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG AccessibleWindow::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT AccessibleWindow::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}
HRESULT AccessibleWindow::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT AccessibleWindow::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT AccessibleWindow::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

// Each member the platform's object answers, where a derived class does not.
#define PASS_ON(call)                             \
    if (const HRESULT gone = Gone()) return gone; \
    return standard_ ? standard_->call : E_FAIL
HRESULT AccessibleWindow::get_accParent(IDispatch** parent) { PASS_ON(get_accParent(parent)); }
HRESULT AccessibleWindow::get_accChildCount(long* count) { PASS_ON(get_accChildCount(count)); }
HRESULT AccessibleWindow::get_accChild(VARIANT child, IDispatch** object) { PASS_ON(get_accChild(child, object)); }
HRESULT AccessibleWindow::get_accName(VARIANT child, BSTR* name) { PASS_ON(get_accName(child, name)); }
HRESULT AccessibleWindow::get_accValue(VARIANT child, BSTR* value) { PASS_ON(get_accValue(child, value)); }
HRESULT AccessibleWindow::get_accDescription(VARIANT child, BSTR* description) {
    PASS_ON(get_accDescription(child, description));
}
HRESULT AccessibleWindow::get_accRole(VARIANT child, VARIANT* role) { PASS_ON(get_accRole(child, role)); }
HRESULT AccessibleWindow::get_accState(VARIANT child, VARIANT* state) { PASS_ON(get_accState(child, state)); }
HRESULT AccessibleWindow::get_accHelp(VARIANT child, BSTR* help) { PASS_ON(get_accHelp(child, help)); }
HRESULT AccessibleWindow::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
    PASS_ON(get_accHelpTopic(file, child, topic));
}
HRESULT AccessibleWindow::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    PASS_ON(get_accKeyboardShortcut(child, shortcut));
}
HRESULT AccessibleWindow::get_accFocus(VARIANT* focus) { PASS_ON(get_accFocus(focus)); }
HRESULT AccessibleWindow::get_accSelection(VARIANT* selection) { PASS_ON(get_accSelection(selection)); }
HRESULT AccessibleWindow::get_accDefaultAction(VARIANT child, BSTR* action) {
    PASS_ON(get_accDefaultAction(child, action));
}
HRESULT AccessibleWindow::accSelect(long flags, VARIANT child) { PASS_ON(accSelect(flags, child)); }
HRESULT AccessibleWindow::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    PASS_ON(accLocation(left, top, width, height, child));
}
HRESULT AccessibleWindow::accNavigate(long direction, VARIANT start, VARIANT* end) {
    PASS_ON(accNavigate(direction, start, end));
}
HRESULT AccessibleWindow::accHitTest(long x, long y, VARIANT* child) { PASS_ON(accHitTest(x, y, child)); }
HRESULT AccessibleWindow::accDoDefaultAction(VARIANT child) { PASS_ON(accDoDefaultAction(child)); }
HRESULT AccessibleWindow::put_accName(VARIANT child, BSTR name) { PASS_ON(put_accName(child, name)); }
HRESULT AccessibleWindow::put_accValue(VARIANT child, BSTR value) { PASS_ON(put_accValue(child, value)); }
#undef PASS_ON

namespace {

class NamedAccessible final : public AccessibleWindow {
public:
    NamedAccessible(HWND window, LONG objectId, const wchar_t* name, long role)
        : AccessibleWindow(window, objectId), name_(name), role_(role) {}

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (const HRESULT gone = Gone()) return gone;
        if (ChildId(child) != CHILDID_SELF) return AccessibleWindow::get_accName(child, name);
        if (!name) return E_POINTER;
        *name = NewString(name_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (const HRESULT gone = Gone()) return gone;
        if (ChildId(child) != CHILDID_SELF || !role_) return AccessibleWindow::get_accRole(child, role);
        if (!role) return E_POINTER;
        SetNumber(role, role_);
        return S_OK;
    }

private:
    const wchar_t* name_;
    long role_;
};

}  // namespace

IAccessible* NewNamedAccessible(HWND window, LONG objectId, const wchar_t* name, long role) {
    return new NamedAccessible(window, objectId, name, role);
}
