#include "modal_loop.h"

namespace tickwell::win {

void RunModal(HWND box, HWND owner, HWND alsoBlocked, HWND first, const bool& done) {
    HWND focus = GetFocus();
    EnableWindow(owner, FALSE);
    if (alsoBlocked) EnableWindow(alsoBlocked, FALSE);
    ShowWindow(box, SW_SHOW);
    SetFocus(first);
    MSG msg{};
    bool quit = false;
    while (!done) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        if (!IsDialogMessageW(box, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // Enable the owners first, so activation returns to them.
    if (alsoBlocked) EnableWindow(alsoBlocked, TRUE);
    EnableWindow(owner, TRUE);
    SetWindowLongPtrW(box, GWLP_USERDATA, 0);
    SetActiveWindow(owner);
    DestroyWindow(box);
    if (focus && IsWindow(focus)) SetFocus(focus);  // where the user left it
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
}

}  // namespace tickwell::win
