#include "frmCalc.h"

#include <algorithm>
#include <utility>

#include "frmAbout.h"
#include "frmMultiply.h"
#include "layout.h"
#include "menus.h"
#include "registry.h"
#include "spoken.h"
#include "startup_trace.h"
#include "tape_store.h"
#include "texts.h"
#include "weblinks.h"
#include "win_util.h"

namespace tickwell::win {

namespace {

constexpr wchar_t kClass[] = L"TickwellCalc";
// Fixed size, a minimize box, no maximize box.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kFirstControlId = 100;

const forms::FormSpec& Form() { return forms::CalcForm(); }

}  // namespace

frmCalc::frmCalc()
    : PlacedMainForm(mPlaced), mCalc(*this), mPlaced(nullptr, "frmCalc"), mLifecycle(*this) {
    mCalc.SetTape(&mLifecycle.TheTape());
    mLifecycle.TheTape().OnChanged([this] {
        if (mTape && mTape->Handle()) mTape->LineAdded();
        TapeChanged(mLifecycle.TapeChanged());
    });
    static const bool registered = RegisterWindowClass(kClass, Proc, COLOR_BTNFACE, true);
    (void)registered;
    const std::wstring caption = Wide(forms::Tr(Form().caption));
    TICKWELL_TRACE("class");
    mHwnd = CreateWindowExW(0, kClass, caption.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100,
                            100, nullptr, nullptr, GetModuleHandleW(nullptr),
                            static_cast<RoutedWindow*>(this));
    if (!mHwnd) return;  // refused by the system; the caller says so and ends
    TICKWELL_TRACE("window");
    mPlaced = Win32PlacedWindow(mHwnd, Form().name);
    BuildMenu();
    TICKWELL_TRACE("menu");
    // Made in place, in their fonts, so nothing moves or redraws before the
    // first frame; the tool tips wait until after it.
    BuildControls(WindowDpi(mHwnd));
    TICKWELL_TRACE("controls");
    SizeToForm();
    TICKWELL_TRACE("layout");
    // Form_Load: the settings store, then the place, before the first show.
    mLifecycle.Form_Load(MakeUserRegistry(), mScreen, MakeUserTapeStore());
    ApplyAlwaysOnTop();  // before the first show
    TICKWELL_TRACE("settings");
}

frmCalc::~frmCalc() {
    mLifecycle.TheTape().OnChanged(nullptr);
    mTape.reset();
    mHelp.reset();
    if (mHwnd) {
        SetWindowLongPtrW(mHwnd, GWLP_USERDATA, 0);
        DestroyWindow(mHwnd);
    }
    for (HFONT f : mFonts) DeleteObject(f);
    if (mAccel) DestroyAcceleratorTable(mAccel);
}

void frmCalc::BuildControls(UINT dpi) {
    mDpi = dpi;
    const forms::FormSpec& form = Form();
    for (std::size_t i = 0; i < form.controlCount; ++i) {
        const forms::ControlSpec& row = form.controls[i];
        const wchar_t* cls = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
        DWORD exStyle = 0;
        switch (row.kind) {
            case forms::Kind::TextBox:
                cls = L"EDIT";
                style |= ES_AUTOHSCROLL | (row.align == forms::Align::Right ? ES_RIGHT : ES_LEFT);
                if (row.tabStop) style |= WS_TABSTOP;
                exStyle = WS_EX_CLIENTEDGE;
                break;
            case forms::Kind::Button:
                cls = L"BUTTON";
                style |= BS_PUSHBUTTON;
                break;
            case forms::Kind::Label:
                style |= SS_NOPREFIX | (row.align == forms::Align::Centre  ? SS_CENTER
                                        : row.align == forms::Align::Right ? SS_RIGHT
                                                                           : SS_LEFT);
                break;
            case forms::Kind::Image: style |= SS_ICON; break;
            case forms::Kind::Combo:
            case forms::Kind::Option: break;  // only the field boxes have them
        }
        const std::wstring caption = Wide(row.caption ? forms::Tr(row.caption) : "");
        HFONT font = MakeFont(row.font, dpi);
        const RECT r = LabelRect(form, row, caption, font, dpi);
        HWND control = CreateWindowExW(
            exStyle, cls, caption.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top,
            mHwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)),
            GetModuleHandleW(nullptr), nullptr);
        mFonts.push_back(font);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (row.kind == forms::Kind::TextBox) SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
        SetAccessibleName(control, row.accessibleName ? row.accessibleName : row.caption);
        mControls.push_back(control);
    }
    // Later rows lie above earlier ones: the boxes over the colons, the
    // subtitle over the title.
    for (HWND control : mControls)
        SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void frmCalc::BuildMenu() {
    // Menu accelerators act wherever the focus is in this window.
    mAccel = SetMenuBar(mHwnd,
                        {{forms::kEditMenuCaption, forms::EditMenuBegin(), forms::EditMenuEnd()},
                         {forms::kViewMenuCaption, forms::ViewMenuBegin(), forms::ViewMenuEnd()},
                         {forms::kHelpMenuCaption, forms::HelpMenuBegin(), forms::HelpMenuEnd()}});
}

void frmCalc::ApplyAlwaysOnTop() {
    const bool on = mLifecycle.AlwaysOnTop();
    CheckMenuCommand(mHwnd, forms::MenuCommand::AlwaysOnTop, on);
    KeepAbove(mHwnd, on);
    if (mHelp && mHelp->Handle()) KeepAbove(mHelp->Handle(), on);
    if (mTape && mTape->Handle()) KeepAbove(mTape->Handle(), on);
}

void frmCalc::TapeChanged(int flushAfter) {
    if (flushAfter > 0) SetTimer(mHwnd, kTapeTimer, static_cast<UINT>(flushAfter), nullptr);
}

void frmCalc::Layout(UINT dpi) {
    mDpi = dpi;
    // The old fonts go only once no control uses them any more.
    std::vector<HFONT> old;
    old.swap(mFonts);
    const forms::FormSpec& form = Form();
    for (std::size_t i = 0; i < form.controlCount; ++i) {
        const forms::ControlSpec& row = form.controls[i];
        HFONT font = MakeFont(row.font, dpi);
        const RECT r =
            LabelRect(form, row, Wide(row.caption ? forms::Tr(row.caption) : ""), font, dpi);
        SetWindowPos(mControls[i], nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        mFonts.push_back(font);
        SendMessageW(mControls[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    for (HFONT f : old) DeleteObject(f);
    SizeToForm();
    InvalidateRect(mHwnd, nullptr, TRUE);
}

void frmCalc::SizeToForm() {
    const SIZE size = OuterSize(Form().clientWidth, Form().clientHeight, kStyle, 0, true, mDpi);
    SetWindowPos(mHwnd, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND frmCalc::ControlWindow(Control control) const {
    const forms::ControlSpec* row = Form().Find(ControlName(control));
    return row ? mControls[static_cast<std::size_t>(row - Form().controls)] : nullptr;
}

const forms::ControlSpec* frmCalc::SpecOf(HWND control) const {
    for (std::size_t i = 0; i < mControls.size(); ++i)
        if (mControls[i] == control) return &Form().controls[i];
    return nullptr;
}

// ---- key preview ---------------------------------------------------------

namespace {

// The shared rule's view of a key going down; characters are judged again
// when Windows has made them (WM_CHAR, with the keyboard layout applied).
forms::KeyPress KeyDown(WPARAM vk, bool inBox) {
    forms::KeyPress press;
    press.shift = GetKeyState(VK_SHIFT) < 0;
    press.ctrl = GetKeyState(VK_CONTROL) < 0;
    press.alt = GetKeyState(VK_MENU) < 0;
    press.meta = GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0;
    press.inBox = inBox;
    switch (vk) {
        case VK_TAB: press.key = forms::Key::Tab; break;
        case VK_RETURN: press.key = forms::Key::Return; break;
        case VK_BACK: press.key = forms::Key::Backspace; break;
        case VK_DELETE: press.key = forms::Key::Delete; break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_INSERT: press.key = forms::Key::Editing; break;
        // Characters without a key of their own: typed Unicode (on-screen
        // keyboards, remote sessions, password managers) and the IME's
        // composition. Windows makes the character; the rule judges it then.
        case VK_PACKET:
        case VK_PROCESSKEY: press.key = forms::Key::Character; break;
        default: {
            const UINT c = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_CHAR) & 0x7FFF;
            press.key = c ? forms::Key::Character : forms::Key::Other;
            press.character = static_cast<std::uint16_t>(c);
        }
    }
    return press;
}

// The shared rule's view of a character Windows has made. Ctrl+letter comes
// as its control code, which is the letter again to the rule; Ctrl+Alt is
// AltGr (or Alt+numpad digits) and types the character as Windows made it.
forms::KeyPress CharPress(WPARAM ch, LPARAM lParam, bool inBox) {
    forms::KeyPress press;
    press.inBox = inBox;
    press.shift = GetKeyState(VK_SHIFT) < 0;
    // The key's virtual code on the active layout: non-Latin layouts name
    // their letter keys by the US letters.
    const UINT vk = MapVirtualKeyW((static_cast<UINT>(lParam) >> 16) & 0xFF, MAPVK_VSC_TO_VK);
    if (vk >= 'A' && vk <= 'Z') press.latin = static_cast<char>('a' + (vk - 'A'));
    press.character = static_cast<std::uint16_t>(ch);
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    if (ctrl && !alt && ch >= 1 && ch <= 26) {
        press.ctrl = true;
        press.character = static_cast<std::uint16_t>('a' + ch - 1);
    }
    return press;
}

}  // namespace

bool frmCalc::PreTranslate(MSG& msg) {
    if (mTape && mTape->TranslateKeys(msg)) return true;  // Ctrl+S in the tape window
    if (msg.hwnd != mHwnd && GetParent(msg.hwnd) != mHwnd) return false;
    if (TranslateAcceleratorW(mHwnd, mAccel, &msg)) return true;  // F1, Ctrl+C, Ctrl+V, Ctrl+T
    const forms::ControlSpec* row = SpecOf(msg.hwnd);
    const bool onButton = row && row->kind == forms::Kind::Button;
    const bool inBox = row && row->kind == forms::Kind::TextBox;
    using A = forms::KeyRoute::Action;
    switch (msg.message) {
        case WM_KEYDOWN: {
            const forms::KeyPress press = KeyDown(msg.wParam, inBox);
            const forms::KeyRoute route = forms::RouteKey(press);
            if (route.action == A::TabForward || route.action == A::TabBackward) {
                MoveTab(route.action == A::TabBackward);
                return true;
            }
            if (press.key == forms::Key::Character || press.key == forms::Key::Return ||
                press.key == forms::Key::Backspace) {
                // A focused button would click on Space (or Enter); the key
                // goes to the dispatcher as a character instead.
                if (onButton) {
                    TranslateMessage(&msg);
                    return true;
                }
                return false;
            }
            return route.action != A::Native;  // editing keys: the box's own; nothing on a button
        }
        case WM_KEYUP: return onButton;
        case WM_CHAR: {
            // Every character, Enter (13) included, goes by the shared rule
            // and then reaches the dispatcher before the focused box or
            // button, which may swallow it. Judged on the character itself,
            // so nothing carries over from one key to the next.
            const forms::KeyRoute route = forms::RouteKey(CharPress(msg.wParam, msg.lParam, inBox));
            if (route.action == A::Native) return false;  // Ctrl+A: the box's own
            if (route.action != A::Dispatch) return true;
            auto code = route.code;
            for (int tabs = mPreview.Dispatch(code); tabs > 0; --tabs) MoveTab(false);
            if (code == 0) return true;
            msg.wParam = code;
            return false;
        }
        default: return false;
    }
}

void frmCalc::MoveTab(bool backward) {
    const forms::ControlSpec* from = SpecOf(GetFocus());
    const forms::ControlSpec* to =
        forms::NextTabStop(Form(), from ? from->name : nullptr, backward);
    if (!to) return;
    HWND target = mControls[static_cast<std::size_t>(to - Form().controls)];
    ::SetFocus(target);
    SendMessageW(target, EM_SETSEL, 0, -1);  // as Tab into a box selects its text
}

void frmCalc::SendTab() {
    if (!mPreview.HoldTab()) MoveTab(false);
}

// ---- the engine's host -------------------------------------------------------

std::string frmCalc::GetText(Control box) const { return Utf8(WindowText(ControlWindow(box))); }

void frmCalc::SetText(Control box, const std::string& text) {
    SetWindowTextW(ControlWindow(box), Wide(text).c_str());
}

void frmCalc::SetFocus(Control control) { ::SetFocus(ControlWindow(control)); }

void frmCalc::Press(Control button) { forms::RunCommand(mCalc, *this, button); }

void frmCalc::Announce(const std::string& text) {
    if (!mAnnouncer) mAnnouncer = std::make_unique<win::Announcer>(mHwnd);
    mAnnouncer->Say(Wide(text));
}

int frmCalc::MsgBox(const std::string& text, const std::string& title, int style) {
    const std::wstring wideText = Wide(text);
    const std::wstring wideTitle = Wide(title.empty() ? forms::kAppTitle : title);
    // Modal to the whole program: the help window takes no input either.
    HWND help = mHelp ? mHelp->Handle() : nullptr;
    if (help) EnableWindow(help, FALSE);
    const int answer =
        MessageBoxW(mHwnd, wideText.c_str(), wideTitle.c_str(), static_cast<UINT>(style));
    if (help) EnableWindow(help, TRUE);
    return answer;
}

// ---- help and tape windows, lifecycle ------------------------------------

void frmCalc::ShowHelp() {
    if (!mHelp) {
        mHelp = std::make_unique<frmHelp>(mLifecycle.Placement(), [this] {
            // Deleted after its handler returns.
            PostMessageW(mHwnd, WM_APP, 0, 0);
        });
        KeepAbove(mHelp->Handle(), mLifecycle.AlwaysOnTop());
    }
    mHelp->Show();
}

void frmCalc::UnloadHelp() {
    if (mHelp && mHelp->Handle()) mHelp->Unload();
    mHelp.reset();
}

void frmCalc::ShowTape() {
    if (!mTape) {
        mTape = std::make_unique<frmTape>(mLifecycle.Placement(), mLifecycle.TheTape(), this, mHwnd,
                                          [this] {
                                              // deleted after its handler returns
                                              PostMessageW(mHwnd, WM_APP, 0, 0);
                                          });
        CheckMenuCommand(mTape->Handle(), forms::MenuCommand::KeepTape, mLifecycle.KeepTape());
        KeepAbove(mTape->Handle(), mLifecycle.AlwaysOnTop());
    }
    mTape->Show();
}

void frmCalc::UnloadTape() {
    if (mTape && mTape->Handle()) mTape->Unload();
    mTape.reset();
}

// ---- Edit menu --------------------------------------------------------------

void frmCalc::SaveModelessPlaces() {
    if (mHelp) mHelp->SaveOpenPlace();
    if (mTape) mTape->SaveOpenPlace();
}

void frmCalc::mnuCopy_Click() {
    // Text selected in a box is copied as the box would copy it.
    std::string selection;
    HWND focus = GetFocus();
    for (Control box : {Control::txtHours, Control::txtMinutes, Control::txtSeconds}) {
        if (focus != ControlWindow(box)) continue;
        DWORD from = 0, to = 0;
        SendMessageW(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                     reinterpret_cast<LPARAM>(&to));
        const std::wstring all = WindowText(focus);
        if (from < to && to <= all.size()) selection = Utf8(all.substr(from, to - from));
    }
    std::string text;
    if (forms::EditCopy(mCalc, selection, text)) PutOnClipboard(text);
}

void frmCalc::mnuCopyHours_Click() {
    std::string text;
    if (mCalc.CopyHours(text)) PutOnClipboard(text);
}

void frmCalc::mnuMultiplyDivide_Click() { AskFactor(); }

void frmCalc::AskFactor() {
    forms::Spoken(mCalc, *this, [this] {
        return ShowMultiplyBox(mHwnd, mTape ? mTape->Handle() : nullptr,
                               [this](const std::string& text, std::string& refusal) {
                                   return forms::ApplyFactor(mCalc, text, refusal);
                               });
    });
}

// Another program may hold the clipboard open for a moment (a clipboard
// manager, a remote session): try for half a second, then say so.
bool frmCalc::OpenClipboardPatiently() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(mHwnd)) return true;
        Sleep(25);
    }
    MsgBox(forms::Tr(forms::kClipboardBusyText), forms::kAppTitle,
           msgbox::kOkOnly | msgbox::kInformation);
    return false;
}

void frmCalc::PutOnClipboard(const std::string& text) {
    if (!OpenClipboardPatiently()) return;
    const std::wstring wide = Wide(text);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    if (void* bytes = memory ? GlobalLock(memory) : nullptr) {
        std::copy(wide.c_str(), wide.c_str() + wide.size() + 1, static_cast<wchar_t*>(bytes));
        GlobalUnlock(memory);
        EmptyClipboard();
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    } else if (memory) {
        GlobalFree(memory);
    }
    CloseClipboard();
}

void frmCalc::mnuTimeBetween_Click() {
    const win::FieldBox box{&forms::TimeBetweenForm(),
                            [this](const std::vector<std::string>& texts, int, std::string& refusal,
                                   std::size_t& field) {
                                int which = 0;
                                const bool applied = forms::ApplyTimeBetween(
                                    mCalc, texts.at(0), texts.at(1), texts.at(2), refusal, which);
                                field = static_cast<std::size_t>(which);
                                return applied;
                            },
                            [](const std::vector<std::string>& texts) {
                                return forms::TimeBetweenPreview(texts.at(0), texts.at(1),
                                                                 texts.at(2));
                            }};
    forms::Spoken(mCalc, *this,
                  [&] { return ShowFieldBox(mHwnd, mTape ? mTape->Handle() : nullptr, box); });
}

void frmCalc::mnuRound_Click() {
    const win::FieldBox box{&forms::RoundForm(),
                            [this](const std::vector<std::string>& texts, int option,
                                   std::string& refusal, std::size_t& field) {
                                field = 0;
                                return forms::ApplyRound(mCalc, texts.at(0), option, refusal);
                            },
                            nullptr,
                            {forms::RoundMinutesChoice()},
                            forms::RoundOptionChoice()};
    forms::Spoken(mCalc, *this,
                  [&] { return ShowFieldBox(mHwnd, mTape ? mTape->Handle() : nullptr, box); });
}

void frmCalc::mnuPaste_Click() {
    std::string text;
    if (!OpenClipboardPatiently()) return;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            // Never past the clipboard's own block, even without a terminator.
            const std::size_t room = GlobalSize(data) / sizeof(wchar_t);
            std::size_t length = 0;
            while (length < room && chars[length]) ++length;
            text = Utf8(std::wstring(chars, length));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    forms::EditPaste(mCalc, *this, text);
}

void frmCalc::mnuTape_Click() {
    if (TapeVisible()) {
        UnloadTape();
    } else {
        ShowTape();
        Announce(forms::TapeOpenedText(mLifecycle.TheTape()));
    }
}

// ---- View menu and the tape window's menu -------------------------------------

void frmCalc::mnuAlwaysOnTop_Click() {
    mLifecycle.SetAlwaysOnTop(!mLifecycle.AlwaysOnTop());
    ApplyAlwaysOnTop();
}

void frmCalc::mnuTapeSaveAs_Click() {
    SaveTapeAs(mTape && mTape->Handle() ? mTape->Handle() : mHwnd, mLifecycle.TheTape().Lines());
}

void frmCalc::mnuKeepTape_Click() {
    mLifecycle.SetKeepTape(!mLifecycle.KeepTape());
    if (mTape && mTape->Handle())
        CheckMenuCommand(mTape->Handle(), forms::MenuCommand::KeepTape, mLifecycle.KeepTape());
}

void frmCalc::mnuTapeClear_Click() {
    TapeChanged(mLifecycle.ClearTape());
    if (mTape && mTape->Handle()) mTape->FillText();
}

void frmCalc::mnuTapeClose_Click() { UnloadTape(); }

// ---- Help menu ----------------------------------------------------------------

void frmCalc::mnuUsing_Click() { ShowHelp(); }

void frmCalc::mnuAbout_Click() { ShowAboutBox(mHwnd, mHelp ? mHelp->Handle() : nullptr); }

namespace {

WebLinkHost MakeWebLinkHost(frmCalc& window) {
    WebLinkHost host;
    host.msgBox = [&window](const std::string& text, const std::string& title, int style) {
        return window.MsgBox(text, title, style);
    };
    host.openUrl = [&window](const std::string& url, const std::function<void()>& failed) {
        if (!OpenInShell(window.Handle(), Wide(url))) failed();
    };
    return host;
}

}  // namespace

void frmCalc::mnuHelpWebSite_Click() { tickwell::mnuHelpWebSite_Click(MakeWebLinkHost(*this)); }
void frmCalc::mnuHelpSharewell_Click() { tickwell::mnuHelpSharewell_Click(MakeWebLinkHost(*this)); }

// ---- window procedure --------------------------------------------------------

LRESULT frmCalc::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND: {
            const int id = LOWORD(wp);
            if (id >= kMenuBase) {
                forms::RunMenuCommand(static_cast<forms::MenuCommand>(id - kMenuBase), *this);
                return 0;
            }
            const std::size_t index = static_cast<std::size_t>(id - kFirstControlId);
            Control control;
            if (HIWORD(wp) == BN_CLICKED && index < mControls.size() &&
                forms::EngineControl(Form().controls[index].name, control))
                forms::RunCommand(mCalc, *this, control);
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wp);
            const forms::ControlSpec* row = SpecOf(reinterpret_cast<HWND>(lp));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            SetTextColor(dc, row ? ToColor(row->color, GetSysColor(COLOR_BTNTEXT))
                                 : GetSysColor(COLOR_BTNTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(mHwnd, &ps);
            PaintLines(dc, Form(), mDpi);
            EndPaint(mHwnd, &ps);
            TICKWELL_TRACE("paint");
            // A timer comes only once every window has painted: the tool
            // tips are made after the first frame is whole.
            if (!mToolTips) SetTimer(mHwnd, kToolTipsTimer, 0, nullptr);
            return 0;
        }
        case WM_TIMER:
            if (wp == kTapeTimer) {
                KillTimer(mHwnd, kTapeTimer);
                mLifecycle.FlushTape();
                return 0;
            }
            if (wp != kToolTipsTimer) break;
            KillTimer(mHwnd, kToolTipsTimer);
            if (!mToolTips) mToolTips = AddToolTips(mHwnd, Form(), mControls);
            return 0;
        case WM_DPICHANGED: {
            MoveToSuggested(lp);
            Layout(HIWORD(wp));
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(mHwnd, focus)) mLastFocus = focus;
            }
            break;
        case WM_SETFOCUS: {
            // A plain window keeps the focus itself when it is activated again
            // (after another program, a minimize or a closed box); hand it on to
            // the control the user left, as a dialog does, or else to the first.
            HWND to =
                mLastFocus && IsWindow(mLastFocus) ? mLastFocus : ControlWindow(Control::txtHours);
            if (to) ::SetFocus(to);
            return 0;
        }
        case WM_SIZE:
            if (wp == SIZE_MINIMIZED || wp == SIZE_RESTORED) mLifecycle.Form_Resize();
            break;
        case WM_APP:  // the help or tape window closed itself
            if (mHelp && !mHelp->Handle()) mHelp.reset();
            if (mTape && !mTape->Handle()) mTape.reset();
            return 0;
        case WM_CLOSE:
            mLifecycle.Form_Unload();  // the help window first, then this one's place
            DestroyWindow(mHwnd);
            return 0;
        case WM_QUERYENDSESSION:
            // Never hold up a sign-out or shutdown; save every place now, in
            // case another program cancels it and the windows stay open.
            mLifecycle.SaveSession();
            return TRUE;
        case WM_ENDSESSION:
            // Windows ends the process once this returns: unload the windows
            // now, as closing would, so both places are saved.
            if (wp) mLifecycle.EndSession();
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_NCDESTROY: mHwnd = nullptr; return 0;
        default: break;
    }
    return DefWindowProcW(mHwnd, msg, wp, lp);
}

}  // namespace tickwell::win
