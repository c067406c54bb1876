#include "frmMultiply.h"

#include <algorithm>
#include <vector>

#include "layout.h"
#include "win_util.h"

namespace tickwell::win {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr int kFirstId = 100;

struct BoxState {
    UINT dpi = 96;
    std::vector<HFONT> fonts;
    std::vector<HWND> fields, options;
    HWND problem = nullptr, preview = nullptr;
    const FieldBox* fieldBox = nullptr;
    bool done = false;
    bool applied = false;

    int Option() const {
        for (std::size_t i = 0; i < options.size(); ++i)
            if (SendMessageW(options[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
                return static_cast<int>(i);
        return 0;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (HWND field : fields) texts.push_back(Utf8(WindowText(field)));
        return texts;
    }
};

LRESULT CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<BoxState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_COMMAND:
            if (!state) break;
            if ((HIWORD(wp) == EN_CHANGE || HIWORD(wp) == CBN_EDITCHANGE) && state->preview &&
                state->fieldBox->preview) {
                SetWindowTextW(state->preview,
                               Wide(state->fieldBox->preview(state->Texts())).c_str());
                return 0;
            }
            if (LOWORD(wp) == IDOK) {  // the button, or Enter
                std::string refusal;
                std::size_t field = 0;
                if (state->fieldBox->apply(state->Texts(), state->Option(), refusal, field)) {
                    state->done = state->applied = true;
                } else if (field < state->fields.size()) {
                    SetWindowTextW(state->problem, Wide(refusal).c_str());
                    SendMessageW(state->fields[field], EM_SETSEL, 0, -1);
                    SetFocus(state->fields[field]);
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
            if (!state) break;
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
            const forms::FormSpec& form = *state->fieldBox->form;
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

bool ShowFieldBox(HWND owner, HWND alsoBlocked, const FieldBox& fieldBox) {
    // One window class per box, named for it ("TickwellMultiply").
    const std::wstring windowClass = L"Tickwell" + Wide(std::string(fieldBox.form->name).substr(3));
    RegisterWindowClass(windowClass.c_str(), BoxProc, COLOR_BTNFACE, false);  // once; later fail

    const forms::FormSpec& form = *fieldBox.form;
    BoxState state;
    state.dpi = WindowDpi(owner);
    state.fieldBox = &fieldBox;
    const SIZE size =
        OuterSize(form.clientWidth, form.clientHeight, kStyle, kExStyle, false, state.dpi);
    RECT ownerRect{};
    GetWindowRect(owner, &ownerRect);
    const int x = (ownerRect.left + ownerRect.right - size.cx) / 2;
    const int y = (ownerRect.top + ownerRect.bottom - size.cy) / 2;
    const std::wstring caption = Wide(forms::Tr(form.caption));
    HWND box =
        CreateWindowExW(kExStyle, windowClass.c_str(), caption.c_str(), kStyle, x, y, size.cx,
                        size.cy, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
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
        } else if (row.kind == forms::Kind::Combo) {
            cls = L"COMBOBOX";
            style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
        } else if (row.kind == forms::Kind::Option) {
            cls = L"BUTTON";
            // The first of the group starts it and is its one Tab stop.
            style |= BS_AUTORADIOBUTTON | (state.options.empty() ? WS_GROUP | WS_TABSTOP : 0);
        } else {
            style |= row.wrap ? SS_LEFT : SS_LEFTNOWORDWRAP;  // "&Number" gives Alt+N
        }
        const std::wstring text = Wide(row.caption ? forms::Tr(row.caption) : "");
        HFONT font = MakeFont(row.font, state.dpi);
        RECT r = LabelRect(form, row, text, font, state.dpi);
        if (row.kind == forms::Kind::Combo) r.bottom += (r.bottom - r.top) * 6;  // its list
        HWND control =
            CreateWindowExW(exStyle, cls, row.kind == forms::Kind::Combo ? L"" : text.c_str(),
                            style, r.left, r.top, r.right - r.left, r.bottom - r.top, box,
                            reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr), nullptr);
        state.fonts.push_back(font);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (row.accessibleName) SetAccessibleName(control, row.accessibleName);
        if (row.kind == forms::Kind::Combo) {
            const std::string offered = row.caption;
            for (std::size_t at = 0; at <= offered.size();) {
                const std::size_t bar = std::min(offered.find('|', at), offered.size());
                SendMessageW(control, CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(Wide(offered.substr(at, bar - at)).c_str()));
                at = bar + 1;
            }
        }
        if (row.kind == forms::Kind::TextBox || row.kind == forms::Kind::Combo) {
            if (state.fields.size() < fieldBox.initial.size())
                SetWindowTextW(control, Wide(fieldBox.initial[state.fields.size()]).c_str());
            state.fields.push_back(control);
        }
        if (row.kind == forms::Kind::Option) {
            if (static_cast<int>(state.options.size()) == fieldBox.option)
                SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
            state.options.push_back(control);
        }
        if (name == "lblProblem") state.problem = control;
        if (name == "lblPreview") state.preview = control;
    }

    // Tab, Enter, Escape, and each label's access key to its field.
    RunModal(box, owner, alsoBlocked, state.fields.empty() ? nullptr : state.fields[0], state.done);
    for (HFONT f : state.fonts) DeleteObject(f);
    return state.applied;
}

bool ShowMultiplyBox(HWND owner, HWND alsoBlocked, const ApplyFactorText& apply) {
    const FieldBox fieldBox{&forms::MultiplyForm(),
                            [&apply](const std::vector<std::string>& texts, int,
                                     std::string& refusal, std::size_t& field) {
                                field = 0;
                                return apply(texts.at(0), refusal);
                            },
                            nullptr};
    return ShowFieldBox(owner, alsoBlocked, fieldBox);
}

}  // namespace tickwell::win
