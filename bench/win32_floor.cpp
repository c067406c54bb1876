// The fair floor for start-up on Windows: a bare Win32 window with the same
// controls, fonts and menu as the main window, and nothing else (no
// settings, no icon, no engine, no screen-reader names).
// clang-format off
#include <windows.h>
// clang-format on

#include <string>
#include <vector>

#include "layout.h"

namespace {

std::wstring Wide(const char* s) { return std::wstring(s, s + std::char_traits<char>::length(s)); }

HFONT Font(const tickwell::forms::FontSpec& row) {
    return CreateFontW(
        -static_cast<int>(row.points * 96 / 72 + 0.5), 0, 0, 0,
        row.face == tickwell::forms::Face::Title ? FW_BLACK
        : row.bold                               ? FW_BOLD
                                                 : FW_NORMAL,
        row.italic, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
        row.face == tickwell::forms::Face::Title ? L"Arial Black" : L"Microsoft Sans Serif");
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"Floor";
    RegisterClassW(&wc);
    const auto& form = tickwell::forms::CalcForm();
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, tickwell::forms::TwipsToPixels(form.clientWidth),
           tickwell::forms::TwipsToPixels(form.clientHeight)};
    AdjustWindowRect(&r, style, TRUE);
    HWND window =
        CreateWindowW(L"Floor", Wide(form.caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                      r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    HMENU bar = CreateMenu();
    auto addMenu = [bar](const char* caption, const tickwell::forms::MenuItemSpec* begin,
                         const tickwell::forms::MenuItemSpec* end) {
        HMENU menu = CreatePopupMenu();
        for (auto item = begin; item != end; ++item)
            AppendMenuW(menu, item->caption ? MF_STRING : MF_SEPARATOR, 1,
                        item->caption ? Wide(item->caption).c_str() : nullptr);
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), Wide(caption).c_str());
    };
    addMenu(tickwell::forms::kEditMenuCaption, tickwell::forms::EditMenuBegin(),
            tickwell::forms::EditMenuEnd());
    addMenu(tickwell::forms::kHelpMenuCaption, tickwell::forms::HelpMenuBegin(),
            tickwell::forms::HelpMenuEnd());
    SetMenu(window, bar);
    for (const auto& row : form) {
        const auto& t = row.rect;
        const bool box = row.kind == tickwell::forms::Kind::TextBox;
        const bool button = row.kind == tickwell::forms::Kind::Button;
        HWND control = CreateWindowExW(
            box ? WS_EX_CLIENTEDGE : 0,
            box      ? L"EDIT"
            : button ? L"BUTTON"
                     : L"STATIC",
            Wide(row.caption ? row.caption : "").c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
            tickwell::forms::TwipsToPixels(t.left), tickwell::forms::TwipsToPixels(t.top),
            tickwell::forms::TwipsToPixels(t.width), tickwell::forms::TwipsToPixels(t.height),
            window, nullptr, instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font(row.font)), FALSE);
    }
    ShowWindow(window, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
