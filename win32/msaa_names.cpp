#include "msaa_names.h"

// clang-format off
#include <commctrl.h>
#include <oleacc.h>
// clang-format on

#include <string>
#include <utility>

#include "catalogue.h"
#include "system_libraries.h"
#include "win32_text.h"

namespace tickwell::win {

namespace {

// The standard accessible object of a control with its name replaced; every
// other question goes to the standard object. Works wherever a screen reader
// asks through WM_GETOBJECT, without relying on annotation services.
class NamedAccessible : public IAccessible {
public:
    NamedAccessible(IAccessible* inner, std::wstring name)
        : mInner(inner), mName(std::move(name)) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
            riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        return mInner->QueryInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&mRefs); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG refs = InterlockedDecrement(&mRefs);
        if (refs == 0) {
            mInner->Release();
            delete this;
        }
        return refs;
    }
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        return mInner->GetTypeInfoCount(n);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
        return mInner->GetTypeInfo(i, l, t);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l,
                                            DISPID* d) override {
        return mInner->GetIDsOfNames(r, n, c, l, d);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v,
                                     EXCEPINFO* e, UINT* a) override {
        return mInner->Invoke(d, r, l, f, p, v, e, a);
    }
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (child.vt == VT_I4 && child.lVal == CHILDID_SELF) {
            if (!name) return E_POINTER;
            using Alloc = BSTR(WINAPI*)(const OLECHAR*);
            static const Alloc alloc = Later<Alloc>(L"oleaut32.dll", "SysAllocString");
            *name = alloc ? alloc(mName.c_str()) : nullptr;
            return *name ? S_OK : E_OUTOFMEMORY;
        }
        return mInner->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override {
        return mInner->get_accParent(p);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* n) override {
        return mInner->get_accChildCount(n);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** p) override {
        return mInner->get_accChild(c, p);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* v) override {
        return mInner->get_accValue(c, v);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* d) override {
        return mInner->get_accDescription(c, d);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* r) override {
        return mInner->get_accRole(c, r);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override {
        return mInner->get_accState(c, s);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override {
        return mInner->get_accHelp(c, h);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, long* t) override {
        return mInner->get_accHelpTopic(f, c, t);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override {
        return mInner->get_accKeyboardShortcut(c, k);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* c) override { return mInner->get_accFocus(c); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* c) override {
        return mInner->get_accSelection(c);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* a) override {
        return mInner->get_accDefaultAction(c, a);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long f, VARIANT c) override {
        return mInner->accSelect(f, c);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT c) override {
        return mInner->accLocation(x, y, w, h, c);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long d, VARIANT s, VARIANT* e) override {
        return mInner->accNavigate(d, s, e);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* c) override {
        return mInner->accHitTest(x, y, c);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override {
        return mInner->accDoDefaultAction(c);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override {
        return mInner->put_accName(c, n);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override {
        return mInner->put_accValue(c, v);
    }

private:
    virtual ~NamedAccessible() = default;
    IAccessible* mInner;
    std::wstring mName;
    LONG mRefs = 1;
};

LRESULT CALLBACK NamedProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* name = reinterpret_cast<std::wstring*>(data);
    if (msg == WM_GETOBJECT && static_cast<LONG>(lp) == static_cast<LONG>(OBJID_CLIENT)) {
        EnsureCom();  // only once a screen reader asks, not at every start
        using Create = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
        using Result = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
        static const Create create = Later<Create>(L"oleacc.dll", "CreateStdAccessibleObject");
        static const Result result = Later<Result>(L"oleacc.dll", "LresultFromObject");
        IAccessible* standard = nullptr;
        if (create && result &&
            SUCCEEDED(create(hwnd, static_cast<LONG>(OBJID_CLIENT), __uuidof(IAccessible),
                             reinterpret_cast<void**>(&standard)))) {
            auto* named = new NamedAccessible(standard, *name);
            const LRESULT answer = result(__uuidof(IAccessible), wp, named);
            named->Release();
            return answer;
        }
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, NamedProc, 1);
        delete name;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

void SetAccessibleName(HWND control, const char* name) {
    if (!control || !name) return;
    auto* wide = new std::wstring(Wide(forms::Tr(name)));  // names come from the tables
    if (!SetWindowSubclass(control, NamedProc, 1, reinterpret_cast<DWORD_PTR>(wide))) delete wide;
}

}  // namespace tickwell::win
