#include "window_base.h"

// clang-format off
#include <commctrl.h>
// clang-format on

#include "catalogue.h"
#include "win32_text.h"

namespace tickwell::win {

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
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

}  // namespace tickwell::win
