// What every window of the program is built on: the object behind an HWND,
// its window class, the hidden owner, the icon, tool tips and a window's text.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <string>
#include <vector>

#include "layout.h"

namespace tickwell::win {

// A control's whole text.
std::wstring WindowText(HWND window);
// A window that is never shown. Owning the help and tape windows keeps them
// out of the task bar, without tying them to the main window (which they may
// stand behind).
HWND HiddenOwner();

// The program's icon at a size; the caller destroys it.
HICON AppIcon(int size);

// Tool tips for the controls that have one in the table. Returns the tip
// window, owned by `parent` and destroyed with it.
HWND AddToolTips(HWND parent, const forms::FormSpec& form, const std::vector<HWND>& controls);

// A window object behind one HWND: pass the object as CreateWindowExW's last
// argument with Proc as the class's procedure, and every message reaches its
// Handle, with mHwnd set from the first one on.
class RoutedWindow {
protected:
    RoutedWindow() = default;
    virtual ~RoutedWindow() = default;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    virtual LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp) = 0;
    // WM_DPICHANGED: to the place Windows suggests (the caller lays the
    // window out again at the new DPI, HIWORD of wParam).
    void MoveToSuggested(LPARAM suggested);
    // Destroys the window now, after which no message reaches this object.
    void DestroyDetached();
    HWND mHwnd = nullptr;
};

// Registers a window class of this program: arrow cursor, a system colour
// for the background, and the application icon when `icon` is set.
bool RegisterWindowClass(const wchar_t* name, WNDPROC proc, int background, bool icon);

}  // namespace tickwell::win
