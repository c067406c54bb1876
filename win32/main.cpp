// Tickwell for Windows: the main window and the message loop, where key
// preview happens before any control sees a key.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdlib>

#include "frmCalc.h"
#include "startup_trace.h"

// A program with no console has nowhere to print why it ended: the standard
// handler's message (and the name demangler it needs, a tenth of the exe)
// would go nowhere.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace {

// How a shortcut's "Run" setting asks the window to open: minimized in any
// of its forms, else normal (the window cannot be maximized).
int StartingShow(int show) {
    switch (show) {
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
        case SW_MINIMIZE: return show;
        case SW_FORCEMINIMIZE: return SW_MINIMIZE;  // meant for other threads' windows
        default: return SW_SHOWNORMAL;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    TICKWELL_TRACE("main");
    tickwell::win::RestrictLibrarySearch();  // before anything can load a library
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    TICKWELL_TRACE("common controls");
    int code = 0;
    {
        tickwell::win::frmCalc window;
        ShowWindow(window.Handle(), StartingShow(show));
        TICKWELL_TRACE("shown");
        // A window started minimized must not take the activation: it gives
        // the hours box the focus when it is first restored.
        if (!IsIconic(window.Handle())) window.SetFocus(tickwell::Control::txtHours);
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
