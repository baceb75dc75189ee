#pragma once
#include <windows.h>
#include <oleacc.h>

#include "win32/handles.h"

// What PtInRect and IntersectRect tell a hit test: whether `point` lies in `r` (its right and
// bottom edges outside), and whether `a` and `b` share any pixel.
inline bool Contains(const RECT& r, POINT point) {
    return point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom;
}
inline bool Overlap(const RECT& a, const RECT& b) {
    return (a.left > b.left ? a.left : b.left) < (a.right < b.right ? a.right : b.right) &&
           (a.top > b.top ? a.top : b.top) < (a.bottom < b.bottom ? a.bottom : b.bottom);
}

// What screen readers ask a window, answered by objects of our own: the platform's object
// answers for the rest (under Wine only as a generic client area). oleacc is no KnownDLL: it
// is loaded from System32 at the first question (win32/system_functions.h), never at start-up.

// MinGW's import library gives the interface ids as thunks, not as data.
inline constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
inline constexpr IID kIidDispatch = {0x00020400, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// True when WM_GETOBJECT's `lParam` asks for the object `objectId` (OBJID_CLIENT, ...) and
// objects can be handed out.
bool AsksForObject(LPARAM lParam, LONG objectId = OBJID_CLIENT);
// WM_GETOBJECT's answer: `object`, whose reference it takes over.
LRESULT AnswerWithObject(IAccessible* object, WPARAM wParam);
// The accessible object of a window, as a screen reader gets it; null when there is none.
IDispatch* ObjectOfWindow(HWND window, LONG objectId);

// The child a call is about: CHILDID_SELF, a simple element's id from 1 on, or -1 for a
// VARIANT that names no child.
long ChildId(const VARIANT& child);
// A string for the caller to free.
BSTR NewString(const wchar_t* text);
// The VARIANT of a number (a role, a state, a child id).
void SetNumber(VARIANT* variant, long number);
// `rect` (in `window`'s client coordinates) as accLocation gives it: screen left, top, size.
HRESULT ScreenLocation(HWND window, RECT rect, long* left, long* top, long* width, long* height);

// The platform's IAccessible for one of `window`'s objects, with every member passed on to
// it: a derived class answers the members it knows better. Reference-counted; made with new
// and one reference.
class AccessibleWindow : public IAccessible {
public:
    AccessibleWindow(const AccessibleWindow&) = delete;
    AccessibleWindow& operator=(const AccessibleWindow&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: screen readers call the members directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

protected:
    AccessibleWindow(HWND window, LONG objectId);
    virtual ~AccessibleWindow() = default;

    // CO_E_OBJNOTCONNECTED once the window is gone, S_OK before: a screen reader may hold
    // the object past it, and the handle may by then name a window of another thread.
    HRESULT Gone() const;

    // The window is asked at every call: it may be gone while a screen reader holds the object.
    HWND window_;
    ComRef<IAccessible> standard_;

private:
    DWORD thread_;
    LONG references_ = 1;
};

// The platform's object under another name (and role): the wizard's window keeps the title
// the taskbar shows, and is heard by the product's name.
IAccessible* NewNamedAccessible(HWND window, LONG objectId, const wchar_t* name, long role = 0);  // name not copied
