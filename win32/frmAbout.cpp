#include "frmAbout.h"

#include <string>
#include <vector>

#include "layout.h"
#include "texts.h"
#include "win_util.h"

namespace tickwell::win {

namespace {

constexpr wchar_t kClass[] = L"TickwellAbout";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

struct AboutState {
    UINT dpi = 96;
    std::vector<HFONT> fonts;
    HICON icon = nullptr;  // a static control does not destroy the icon it shows
    bool done = false;
};

LRESULT CALLBACK AboutProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<AboutState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {  // button, Enter, Escape, Alt+O
                if (state) state->done = true;
                return 0;
            }
            break;
        case WM_CLOSE:
            if (state) state->done = true;
            return 0;
        case WM_CTLCOLORSTATIC: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
            const forms::FormSpec& form = forms::AboutForm();
            const std::size_t index = static_cast<std::size_t>(id - 100);
            HDC dc = reinterpret_cast<HDC>(wp);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            if (index < form.controlCount)
                SetTextColor(dc, ToColor(form.controls[index].color, GetSysColor(COLOR_BTNTEXT)));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            PaintLines(dc, forms::AboutForm(), state ? state->dpi : 96);
            EndPaint(hwnd, &ps);
            return 0;
        }
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

void ShowAboutBox(HWND owner, HWND alsoBlocked) {
    static const bool registered = RegisterWindowClass(kClass, AboutProc, COLOR_BTNFACE, false);
    (void)registered;

    const forms::FormSpec& form = forms::AboutForm();
    AboutState state;
    state.dpi = WindowDpi(owner);
    const SIZE size =
        OuterSize(form.clientWidth, form.clientHeight, kStyle, kExStyle, false, state.dpi);
    RECT ownerRect{};
    GetWindowRect(owner, &ownerRect);
    const int x = (ownerRect.left + ownerRect.right - size.cx) / 2;
    const int y = (ownerRect.top + ownerRect.bottom - size.cy) / 2;
    const std::wstring caption = Wide(forms::Tr(form.caption));
    HWND box = CreateWindowExW(kExStyle, kClass, caption.c_str(), kStyle, x, y, size.cx, size.cy,
                               owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));

    // Form_Load: the three labels filled afresh at every opening.
    const std::string version =
        forms::VersionText(forms::kVersionMajor, forms::kVersionMinor, forms::kVersionRevision);
    const std::string notice = forms::NoticeText(forms::CurrentYear());
    HWND ok = nullptr;
    for (std::size_t i = 0; i < form.controlCount; ++i) {
        const forms::ControlSpec& row = form.controls[i];
        std::string text = row.caption ? forms::Tr(row.caption) : "";
        if (std::string(row.name) == "lblVersion") text = version;
        if (std::string(row.name) == "lblDescription") text = notice;
        if (std::string(row.name) == "lblLicense") text = forms::Tr(forms::kLicenseText);
        const std::wstring wide = Wide(text);
        HFONT font = MakeFont(row.font, state.dpi);
        const RECT r = LabelRect(form, row, wide, font, state.dpi);
        const wchar_t* cls = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
        HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + i));
        if (row.kind == forms::Kind::Button) {
            cls = L"BUTTON";
            style |= BS_DEFPUSHBUTTON | WS_TABSTOP;
            id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK));
        } else if (row.kind == forms::Kind::Image) {
            style |= SS_ICON | SS_REALSIZECONTROL;
        } else {
            style |= SS_NOPREFIX | (row.wrap ? SS_LEFT : SS_LEFTNOWORDWRAP);
        }
        HWND control =
            CreateWindowExW(0, cls, wide.c_str(), style, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, box, id, GetModuleHandleW(nullptr), nullptr);
        state.fonts.push_back(font);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (row.kind == forms::Kind::Image) {
            state.icon = AppIcon(Scale(row.rect.width, state.dpi));
            SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(state.icon), 0);
        }
        if (row.accessibleName) SetAccessibleName(control, row.accessibleName);
        if (row.kind == forms::Kind::Button) ok = control;
    }

    RunModal(box, owner, alsoBlocked, ok, state.done);  // Enter, Escape and Alt+O press OK
    for (HFONT f : state.fonts) DeleteObject(f);
    if (state.icon) DestroyIcon(state.icon);
}

}  // namespace tickwell::win
