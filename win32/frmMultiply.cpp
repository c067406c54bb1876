#include "frmMultiply.h"

#include <vector>

#include "layout.h"
#include "win_util.h"

namespace tickwell::win {

namespace {

constexpr wchar_t kClass[] = L"TickwellMultiply";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr int kFirstId = 100;

struct BoxState {
    UINT dpi = 96;
    std::vector<HFONT> fonts;
    HWND field = nullptr, problem = nullptr;
    const ApplyFactorText* apply = nullptr;
    bool done = false;
    bool applied = false;
};

LRESULT CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<BoxState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_COMMAND:
            if (!state) break;
            if (LOWORD(wp) == IDOK) {  // the button, or Enter
                std::string refusal;
                if ((*state->apply)(Utf8(WindowText(state->field)), refusal)) {
                    state->done = state->applied = true;
                } else {
                    SetWindowTextW(state->problem, Wide(refusal).c_str());
                    SendMessageW(state->field, EM_SETSEL, 0, -1);
                    SetFocus(state->field);
                }
                return 0;
            }
            if (LOWORD(wp) == IDCANCEL) {  // the button, or Escape
                state->done = true;
                return 0;
            }
            break;
        case WM_CLOSE:
            if (state) state->done = true;
            return 0;
        case WM_CTLCOLORSTATIC: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
            const forms::FormSpec& form = forms::MultiplyForm();
            const std::size_t index = static_cast<std::size_t>(id - kFirstId);
            HDC dc = reinterpret_cast<HDC>(wp);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            // High contrast keeps its own colours, so the refusal stays readable.
            HIGHCONTRASTW contrast{sizeof contrast, 0, nullptr};
            const bool high =
                SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                (contrast.dwFlags & HCF_HIGHCONTRASTON);
            SetTextColor(dc, index < form.controlCount && !high
                                 ? ToColor(form.controls[index].color, GetSysColor(COLOR_BTNTEXT))
                                 : GetSysColor(COLOR_BTNTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool ShowMultiplyBox(HWND owner, HWND alsoBlocked, const ApplyFactorText& apply) {
    static const bool registered = RegisterWindowClass(kClass, BoxProc, COLOR_BTNFACE, false);
    (void)registered;

    const forms::FormSpec& form = forms::MultiplyForm();
    BoxState state;
    state.dpi = WindowDpi(owner);
    state.apply = &apply;
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

    for (std::size_t i = 0; i < form.controlCount; ++i) {
        const forms::ControlSpec& row = form.controls[i];
        const wchar_t* cls = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
        DWORD exStyle = 0;
        INT_PTR id = kFirstId + static_cast<INT_PTR>(i);
        const std::string name = row.name;
        if (row.kind == forms::Kind::Button) {
            cls = L"BUTTON";
            const bool ok = name == "cmdOK";
            style |= WS_TABSTOP | (ok ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            id = ok ? IDOK : IDCANCEL;
        } else if (row.kind == forms::Kind::TextBox) {
            cls = L"EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL;
            exStyle = WS_EX_CLIENTEDGE;
        } else {
            style |= row.wrap ? SS_LEFT : SS_LEFTNOWORDWRAP;  // "&Number" gives Alt+N
        }
        const std::wstring text = Wide(row.caption ? forms::Tr(row.caption) : "");
        HFONT font = MakeFont(row.font, state.dpi);
        const RECT r = LabelRect(form, row, text, font, state.dpi);
        HWND control = CreateWindowExW(
            exStyle, cls, text.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top,
            box, reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr), nullptr);
        state.fonts.push_back(font);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (row.accessibleName) SetAccessibleName(control, row.accessibleName);
        if (name == "txtFactor") state.field = control;
        if (name == "lblProblem") state.problem = control;
    }

    RunModal(box, owner, alsoBlocked, state.field, state.done);  // Tab, Enter, Escape, Alt+N
    for (HFONT f : state.fonts) DeleteObject(f);
    return state.applied;
}

}  // namespace tickwell::win
