// Tickwell for Windows: the main window and the message loop, where key
// preview happens before any control sees a key.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "frmCalc.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    int code = 0;
    {
        tickwell::win::frmCalc window;
        ShowWindow(window.Handle(), show == SW_SHOWMINIMIZED ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
        window.SetFocus(tickwell::Control::txtHours);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (window.PreTranslate(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        code = static_cast<int>(msg.wParam);
    }
    return code;
}
