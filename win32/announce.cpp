#include "announce.h"

// clang-format off
#include <ole2.h>
#include <uiautomationcore.h>
// clang-format on

#include "system_libraries.h"

namespace tickwell::win {

namespace {

// From the Windows 10 1709 SDK, which the cross compiler's headers predate.
constexpr int kActionCompleted = 2;      // NotificationKind_ActionCompleted
constexpr int kImportantMostRecent = 1;  // NotificationProcessing_ImportantMostRecent
using RaiseNotification = HRESULT(WINAPI*)(IRawElementProviderSimple*, int, int, BSTR, BSTR);
using HostFromHwnd = HRESULT(WINAPI*)(HWND, IRawElementProviderSimple**);
using AllocString = BSTR(WINAPI*)(const OLECHAR*);
using FreeString = void(WINAPI*)(BSTR);

}  // namespace

// The window as UI Automation sees it: every property comes from the
// window's own host provider, so this one only gives the event a source.
struct Announcer::Provider : public IRawElementProviderSimple {
    explicit Provider(HWND window) : mWindow(window) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (!out) return E_POINTER;
        if (id == __uuidof(IUnknown) || id == __uuidof(IRawElementProviderSimple)) {
            *out = static_cast<IRawElementProviderSimple*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&mRefs));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&mRefs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* options) override {
        if (!options) return E_POINTER;
        *options = ProviderOptions_ServerSideProvider;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID, IUnknown** pattern) override {
        if (!pattern) return E_POINTER;
        *pattern = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID, VARIANT* value) override {
        if (!value) return E_POINTER;
        value->vt = VT_EMPTY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    get_HostRawElementProvider(IRawElementProviderSimple** host) override {
        if (!host) return E_POINTER;
        *host = nullptr;
        static const HostFromHwnd fromHwnd =
            Later<HostFromHwnd>(L"uiautomationcore.dll", "UiaHostProviderFromHwnd");
        return fromHwnd ? fromHwnd(mWindow, host) : S_OK;
    }

private:
    virtual ~Provider() = default;
    HWND mWindow;
    LONG mRefs = 1;
};

Announcer::~Announcer() {
    if (mProvider) mProvider->Release();
}

void Announcer::Say(const std::wstring& text) {
    // Looked up on the first announcement: most runs meet no screen reader,
    // and the library comes from the system folder alone.
    static const RaiseNotification raise =
        Later<RaiseNotification>(L"uiautomationcore.dll", "UiaRaiseNotificationEvent");
    static const AllocString alloc = Later<AllocString>(L"oleaut32.dll", "SysAllocString");
    static const FreeString release = Later<FreeString>(L"oleaut32.dll", "SysFreeString");
    if (!raise || !alloc || !release) return;
    if (!mProvider) mProvider = new (std::nothrow) Provider(mWindow);
    if (!mProvider) return;
    BSTR display = alloc(text.c_str());
    BSTR activity = alloc(L"Tickwell.Result");
    if (display && activity)
        raise(mProvider, kActionCompleted, kImportantMostRecent, display, activity);
    release(display);
    release(activity);
}

}  // namespace tickwell::win
