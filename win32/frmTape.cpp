#include "frmTape.h"

// clang-format off
#include <commctrl.h>
// clang-format on

#include "layout.h"
#include "menus.h"
#include "rules.h"
#include "win32_placement.h"

namespace tickwell::win {

namespace {

constexpr wchar_t kClass[] = L"TickwellTape";
// A normal title bar with the icon and system menu, and a sizing border so
// a long tape can be read at once (the size is not kept).
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;

// Ctrl+A selects every line; a read-only box would only beep.
LRESULT CALLBACK SelectAll(HWND box, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_CHAR && wp == 1) {
        SendMessageW(box, EM_SETSEL, 0, -1);
        return 0;
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(box, SelectAll, 2);
    return DefSubclassProc(box, msg, wp, lp);
}

}  // namespace

frmTape::frmTape(MWindow& placement, const Tape& tape, const IPlacedWindow* main, HWND commands,
                 std::function<void()> unloaded)
    : ModelessWindow(placement, forms::kTapeName, std::move(unloaded)),
      mTape(tape),
      mCommands(commands) {
    static const bool registered = RegisterWindowClass(kClass, Proc, COLOR_BTNFACE, true);
    (void)registered;
    const std::wstring caption = Wide(forms::Tr(forms::kTapeCaption));
    mHwnd = CreateWindowExW(0, kClass, caption.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100,
                            100, HiddenOwner(), nullptr, GetModuleHandleW(nullptr),
                            static_cast<RoutedWindow*>(this));
    mText = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE |
                                ES_READONLY | ES_AUTOVSCROLL,
                            0, 0, 10, 10, mHwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowSubclass(mText, SelectAll, 2, 0);
    mAccel = SetMenuBar(mHwnd,
                        {{forms::kTapeMenuCaption, forms::TapeMenuBegin(), forms::TapeMenuEnd()}});
    SetAccessibleName(mText, forms::kTapeCaption);
    Layout(WindowDpi(mHwnd));
    RestorePlace(main);
    FillText();
}

frmTape::~frmTape() {
    if (mHwnd) DestroyDetached();  // before the font its box uses
    if (mFont) DeleteObject(mFont);
    if (mAccel) DestroyAcceleratorTable(mAccel);
}

bool frmTape::TranslateKeys(MSG& msg) {
    if (!mHwnd || (msg.hwnd != mHwnd && GetParent(msg.hwnd) != mHwnd)) return false;
    return TranslateAcceleratorW(mHwnd, mAccel, &msg) != 0;
}

void frmTape::Layout(UINT dpi) {
    const SIZE size =
        OuterSize(forms::kTapeClientWidth, forms::kTapeClientHeight, kStyle, 0, true, dpi);
    SetWindowPos(mHwnd, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HFONT old = mFont;
    mFont = MakeFont(forms::kDefaultFont, dpi);
    SendMessageW(mText, WM_SETFONT, reinterpret_cast<WPARAM>(mFont), TRUE);
    if (old) DeleteObject(old);  // only once the box uses the new one
}

void frmTape::FillText() {
    std::string text;
    for (const std::string& line : mTape.Lines()) text += (text.empty() ? "" : "\r\n") + line;
    SetWindowTextW(mText, Wide(text).c_str());
    const LPARAM end = GetWindowTextLengthW(mText);
    SendMessageW(mText, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(mText, EM_SCROLLCARET, 0, 0);  // the newest line in view
}

void frmTape::LineAdded() {
    if (mTape.Lines().empty()) return;
    // Appended where it ends, so the user's selection and scroll position
    // stay; the view follows new lines only while it is at the bottom.
    SCROLLINFO bar{sizeof bar, SIF_ALL, 0, 0, 0, 0, 0};
    const bool scrollable = GetScrollInfo(mText, SB_VERT, &bar) && bar.nMax > 0;
    const bool atBottom =
        !scrollable || bar.nPos + static_cast<int>(bar.nPage) > bar.nMax || bar.nPage == 0;
    DWORD from = 0, to = 0;
    SendMessageW(mText, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    const LRESULT firstLine = SendMessageW(mText, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageW(mText, WM_SETREDRAW, FALSE, 0);
    const int length = GetWindowTextLengthW(mText);
    const std::wstring line = (length > 0 ? L"\r\n" : L"") + Wide(mTape.Lines().back());
    SendMessageW(mText, EM_SETSEL, static_cast<WPARAM>(length), length);
    SendMessageW(mText, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
    // The entries the tape keeps: its oldest goes whole, however many
    // display lines it wrapped to.
    const auto dropped = static_cast<LRESULT>(forms::TapeDropUnits(mTape, 2));
    LRESULT droppedLines = 0;
    if (dropped > 0) {
        droppedLines = SendMessageW(mText, EM_LINEFROMCHAR, static_cast<WPARAM>(dropped), 0);
        SendMessageW(mText, EM_SETSEL, 0, dropped);
        SendMessageW(mText, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    }
    auto shift = [dropped](DWORD at) {
        return static_cast<WPARAM>(at > static_cast<DWORD>(dropped) ? at - dropped : 0);
    };
    SendMessageW(mText, EM_SETSEL, shift(from), static_cast<LPARAM>(shift(to)));
    const LRESULT nowFirst = SendMessageW(mText, EM_GETFIRSTVISIBLELINE, 0, 0);
    if (atBottom) {
        SendMessageW(mText, WM_VSCROLL, SB_BOTTOM, 0);
    } else {
        const LRESULT want = firstLine > droppedLines ? firstLine - droppedLines : 0;
        SendMessageW(mText, EM_LINESCROLL, 0, want - nowFirst);
    }
    SendMessageW(mText, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(mText, nullptr, TRUE);
}

void frmTape::Show() {
    if (IsIconic(mHwnd)) ShowWindow(mHwnd, SW_RESTORE);
    ShowWindow(mHwnd, SW_SHOWNOACTIVATE);
}

LRESULT frmTape::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_DPICHANGED: {
            MoveToSuggested(lp);
            Layout(HIWORD(wp));
            return 0;
        }
        case WM_SIZE:  // the box fills the window, however it is sized
            MoveWindow(mText, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
            return 0;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lp);
            const UINT dpi = WindowDpi(mHwnd);
            limits->ptMinTrackSize = {Scale(forms::kTapeClientWidth / 2, dpi),
                                      Scale(forms::kTapeClientHeight / 4, dpi)};
            return 0;
        }
        case WM_SETFOCUS: SetFocus(mText); return 0;
        case WM_CTLCOLORSTATIC: {  // the read-only box: text on the window colour
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        case WM_COMMAND:
            // The menu's commands run in the main window, after this
            // handler has returned: Close deletes this window.
            if (LOWORD(wp) >= kMenuBase) {
                PostMessageW(mCommands, WM_COMMAND, wp, 0);
                return 0;
            }
            break;
        case WM_CLOSE: return Close();
        default: break;
    }
    return DefWindowProcW(mHwnd, msg, wp, lp);
}

}  // namespace tickwell::win
