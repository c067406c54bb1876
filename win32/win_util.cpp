#include "win_util.h"

// clang-format off
#include <commctrl.h>
#include <oleacc.h>
// clang-format on

#include <cmath>
#include <cstdio>

namespace tickwell::win {

RECT ToRect(const forms::TwipsRect& r, UINT dpi) {
    const int left = Scale(r.left, dpi), top = Scale(r.top, dpi);
    return {left, top, left + Scale(r.width, dpi), top + Scale(r.height, dpi)};
}

RECT LabelRect(const forms::FormSpec& form, const forms::ControlSpec& row, const std::wstring& text,
               HFONT font, UINT dpi) {
    if (row.kind != forms::Kind::Label || row.wrap || text.empty()) return ToRect(row.rect, dpi);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    const bool measured =
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size) != 0;
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int twips = measured ? MulDiv(size.cx, forms::kTwipsPerInch, static_cast<int>(dpi)) : 0;
    return ToRect(forms::LabelRoom(form, row, twips), dpi);
}

namespace {

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(wanted.lfFaceName, face);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// The design's face is the old bitmap sans serif, which cannot scale smoothly
// nor take ClearType; its TrueType twin has the same metrics. Then faces of
// the same build, and the bitmap face itself as the last resort.
const wchar_t* DialogFace() {
    static const wchar_t* const face = [] {
        for (const wchar_t* candidate : {L"Microsoft Sans Serif", L"Tahoma", L"Arial"})
            if (FaceInstalled(candidate)) return candidate;
        return L"MS Sans Serif";
    }();
    return face;
}

// Functions of Windows 10 (1607) and later, looked up at run time so the
// program still starts on older Windows, where it is system-DPI aware.
template <typename Function>
Function User32(const char* name) {
    static HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
               : nullptr;
}

// The shell, COM and accessibility libraries are loaded on first use, not at
// every start: most runs never open a link or meet a screen reader. Always
// from the system folder (see LoadSystemLibrary).
template <typename Function>
Function Later(const wchar_t* library, const char* name) {
    HMODULE module = LoadSystemLibrary(library);
    return module
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* name) {
    // Windows 8 and later, and 7 with KB2533623; elsewhere the flag is an
    // invalid parameter.
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    const std::wstring folder = GrowingText(
        [](wchar_t* buffer, unsigned long size) { return GetSystemDirectoryW(buffer, size); });
    if (folder.empty()) return nullptr;
    // A full path, whose own dependencies are looked for beside it first.
    const std::wstring path = folder + L"\\" + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void RestrictLibrarySearch() {
    SetDllDirectoryW(L"");  // not the current folder
    using SetDefault = BOOL(WINAPI*)(DWORD);
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto set = kernel32 ? reinterpret_cast<SetDefault>(reinterpret_cast<void*>(
                                    GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                              : nullptr;
    if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

UINT SystemDpi() {
    using Get = UINT(WINAPI*)();
    static const Get get = User32<Get>("GetDpiForSystem");
    if (get) return get();
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

void EnsureCom() {
    // Once per program, on the window thread, before anything that needs it
    // (the shell opening a link, a screen reader's first question).
    using Init = HRESULT(WINAPI*)(void*, DWORD);
    static const bool com = [] {
        const Init init = Later<Init>(L"ole32.dll", "CoInitializeEx");
        return init && SUCCEEDED(init(nullptr, COINIT_APARTMENTTHREADED));
    }();
    (void)com;
}

bool OpenInShell(HWND owner, const std::wstring& target) {
    EnsureCom();  // the shell may hand the link to a COM handler
    using Execute = HINSTANCE(WINAPI*)(HWND, const wchar_t*, const wchar_t*, const wchar_t*,
                                       const wchar_t*, INT);
    static const Execute execute = Later<Execute>(L"shell32.dll", "ShellExecuteW");
    if (!execute) return false;
    const auto result = reinterpret_cast<INT_PTR>(
        execute(owner, L"open", target.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED));
    return result > 32;
}

HFONT MakeFont(const forms::FontSpec& row, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -static_cast<LONG>(std::lround(row.points * dpi / 72.0));
    font.lfItalic = row.italic;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    if (row.face == forms::Face::Title) {
        wcscpy_s(font.lfFaceName, L"Arial Black");
        font.lfWeight = FW_BLACK;  // Arial Black's own weight, for stand-ins
    } else {
        wcscpy_s(font.lfFaceName, DialogFace());
        font.lfWeight = row.bold ? FW_BOLD : FW_NORMAL;
    }
    return CreateFontIndirectW(&font);
}

COLORREF ToColor(const forms::ColorSpec& row, COLORREF inherit) {
    switch (row.kind) {
        case forms::ColorKind::Rgb: return RGB(row.r, row.g, row.b);
        case forms::ColorKind::WindowText: return GetSysColor(COLOR_WINDOWTEXT);
        case forms::ColorKind::ButtonText: return GetSysColor(COLOR_BTNTEXT);
        case forms::ColorKind::ButtonFace: return GetSysColor(COLOR_BTNFACE);
        case forms::ColorKind::Menu: return GetSysColor(COLOR_MENU);
        case forms::ColorKind::Inherit: break;
    }
    return inherit;
}

void PaintLines(HDC dc, const forms::FormSpec& form, UINT dpi) {
    for (std::size_t i = 0; i < form.lineCount; ++i) {
        const forms::LineSpec& line = form.lines[i];
        const COLORREF color = ToColor(line.color, GetSysColor(COLOR_WINDOWTEXT));
        const int width = std::max(1, line.widthPx * static_cast<int>(dpi) / 96);
        const RECT r{Scale(line.x1, dpi), Scale(line.y1, dpi), Scale(line.x2, dpi) + 1,
                     Scale(line.y1, dpi) + width};
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc, &r, brush);  // the rules are horizontal
        DeleteObject(brush);
    }
}

void RunModal(HWND box, HWND owner, HWND alsoBlocked, HWND first, const bool& done) {
    HWND focus = GetFocus();
    EnableWindow(owner, FALSE);
    if (alsoBlocked) EnableWindow(alsoBlocked, FALSE);
    ShowWindow(box, SW_SHOW);
    SetFocus(first);
    MSG msg{};
    bool quit = false;
    while (!done) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        if (!IsDialogMessageW(box, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // Enable the owners first, so activation returns to them.
    if (alsoBlocked) EnableWindow(alsoBlocked, TRUE);
    EnableWindow(owner, TRUE);
    SetWindowLongPtrW(box, GWLP_USERDATA, 0);
    SetActiveWindow(owner);
    DestroyWindow(box);
    if (focus && IsWindow(focus)) SetFocus(focus);  // where the user left it
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

UINT WindowDpi(HWND window) {
    using Get = UINT(WINAPI*)(HWND);
    static const Get get = User32<Get>("GetDpiForWindow");
    const UINT dpi = window && get ? get(window) : SystemDpi();
    return dpi ? dpi : 96;
}

SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool menu, UINT dpi) {
    RECT r{0, 0, Scale(clientWidth, dpi), Scale(clientHeight, dpi)};
    using Adjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const Adjust adjust = User32<Adjust>("AdjustWindowRectExForDpi");
    if (adjust) {
        adjust(&r, style, menu, exStyle, dpi);
    } else {
        AdjustWindowRectEx(&r, style, menu, exStyle);  // the frame at the system DPI
    }
    return {r.right - r.left, r.bottom - r.top};
}

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

bool RegisterWindowClass(const wchar_t* name, WNDPROC proc, int background, bool icon) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(background);
    if (icon) {
        wc.hIcon = AppIcon(32);
        wc.hIconSm = AppIcon(16);
    }
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0;
}

LRESULT CALLBACK RoutedWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self =
            static_cast<RoutedWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->mHwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<RoutedWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->Handle(msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

void RoutedWindow::MoveToSuggested(LPARAM suggested) {
    const RECT* r = reinterpret_cast<const RECT*>(suggested);
    SetWindowPos(mHwnd, nullptr, r->left, r->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RoutedWindow::DestroyDetached() {
    HWND hwnd = mHwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    mHwnd = nullptr;
    DestroyWindow(hwnd);
}

HWND HiddenOwner() {
    static const HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                              nullptr, GetModuleHandleW(nullptr), nullptr);
    return owner;
}

HICON AppIcon(int size) {
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
}

HWND AddToolTips(HWND parent, const forms::FormSpec& form, const std::vector<HWND>& controls) {
    HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!tips) return nullptr;
    for (std::size_t i = 0; i < form.controlCount && i < controls.size(); ++i) {
        if (!form.controls[i].toolTip) continue;
        std::wstring text = Wide(forms::Tr(form.controls[i].toolTip));
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = parent;
        tool.uId = reinterpret_cast<UINT_PTR>(controls[i]);
        tool.lpszText = text.data();
        SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return tips;
}

#ifdef TICKWELL_TRACE_STARTUP
void TracePoint(const char* what) {
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    const std::wstring path = GrowingText([](wchar_t* buffer, unsigned long size) {
        return GetEnvironmentVariableW(L"TICKWELL_TRACE", buffer, size);
    });
    if (path.empty()) return;
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%s %.1f\n", what,
                                static_cast<double>(ticks(now) - ticks(created)) / 10000.0);
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(n), &written, nullptr);
    CloseHandle(file);
}
#endif

}  // namespace tickwell::win
