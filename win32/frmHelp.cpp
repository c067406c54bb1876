#include "frmHelp.h"

#include <vector>

#include "layout.h"
#include "texts.h"
#include "win32_placement.h"
#include "win_util.h"

namespace tickwell::win {

namespace {

constexpr wchar_t kClass[] = L"TickwellHelp";
// A normal title bar with the icon and system menu.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = 0;

}  // namespace

frmHelp::frmHelp(MWindow& placement, std::function<void()> unloaded)
    : ModelessWindow(placement, forms::kHelpName, std::move(unloaded)) {
    static const bool registered = RegisterWindowClass(kClass, Proc, COLOR_MENU, true);
    (void)registered;
    const std::wstring caption = Wide(forms::Tr(forms::kHelpCaption));
    mHwnd = CreateWindowExW(kExStyle, kClass, caption.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            100, 100, HiddenOwner(), nullptr, GetModuleHandleW(nullptr),
                            static_cast<RoutedWindow*>(this));
    // The page is painted as one picture; over each of its texts lies a
    // static control that draws nothing and gives a screen reader that text,
    // so it reads the page paragraph by paragraph.
    for (const forms::ControlSpec& text : forms::HelpPage()) {
        const std::wstring caption = Wide(forms::Tr(text.caption));
        mItems.push_back(CreateWindowExW(0, L"STATIC", caption.c_str(),
                                         WS_CHILD | WS_VISIBLE | SS_OWNERDRAW | SS_NOPREFIX, 0, 0,
                                         0, 0, mHwnd, nullptr, GetModuleHandleW(nullptr), nullptr));
    }
    Resize(WindowDpi(mHwnd));
    SetAccessibleName(mHwnd, forms::kHelpCaption);
    Form_Load();
}

void frmHelp::Resize(UINT dpi) {
    mDpi = dpi;
    const SIZE size =
        OuterSize(forms::kHelpClientWidth, forms::kHelpClientHeight, kStyle, kExStyle, false, dpi);
    SetWindowPos(mHwnd, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceItems();
}

void frmHelp::PlaceItems() {
    const forms::FormSpec& page = forms::HelpPage();
    std::size_t index = 0;
    for (const forms::ControlSpec& text : page) {
        if (index >= mItems.size()) break;
        HFONT font = MakeFont(text.font, mDpi);
        const RECT r = LabelRect(page, text, Wide(forms::Tr(text.caption)), font, mDpi);
        DeleteObject(font);
        SetWindowPos(mItems[index++], nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void frmHelp::Form_Load() { RestorePlace(); }

void frmHelp::Show() {
    if (IsIconic(mHwnd)) ShowWindow(mHwnd, SW_RESTORE);
    ShowWindow(mHwnd, SW_SHOW);
    SetForegroundWindow(mHwnd);
}

void frmHelp::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(mHwnd, &ps);
    const forms::FormSpec& page = forms::HelpPage();
    const RECT pageRect{0, 0, Scale(page.clientWidth, mDpi), Scale(page.clientHeight, mDpi)};
    HBRUSH white = CreateSolidBrush(ToColor(page.background, RGB(255, 255, 255)));
    FillRect(dc, &pageRect, white);
    DeleteObject(white);
    SetBkMode(dc, TRANSPARENT);
    // Later elements lie above earlier ones: the subtitle over the title.
    for (const forms::ControlSpec& text : page) {
        HFONT font = MakeFont(text.font, mDpi);
        HGDIOBJ old = SelectObject(dc, font);
        SetTextColor(dc, ToColor(text.color, RGB(0, 0, 0)));
        const std::wstring caption = Wide(forms::Tr(text.caption));
        RECT r = LabelRect(page, text, caption, font, mDpi);
        UINT flags = DT_NOPREFIX | DT_TOP;
        flags |= text.align == forms::Align::Centre  ? DT_CENTER
                 : text.align == forms::Align::Right ? DT_RIGHT
                                                     : DT_LEFT;
        // Stand-in faces run wider than the original; let a last line show.
        flags |= text.wrap ? DT_WORDBREAK | DT_NOCLIP : DT_NOCLIP;
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &r, flags);
        SelectObject(dc, old);
        DeleteObject(font);
    }
    PaintLines(dc, page, mDpi);
    EndPaint(mHwnd, &ps);
}

LRESULT frmHelp::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: Paint(); return 0;
        case WM_DRAWITEM: return TRUE;  // the items draw nothing: the page shows the text
        case WM_DPICHANGED: {
            MoveToSuggested(lp);
            Resize(HIWORD(wp));
            InvalidateRect(mHwnd, nullptr, TRUE);
            return 0;
        }
        case WM_CLOSE: return Close();  // saves the place once
        default: break;
    }
    return DefWindowProcW(mHwnd, msg, wp, lp);
}

}  // namespace tickwell::win
