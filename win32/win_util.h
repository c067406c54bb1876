// What the Win32 windows share: text conversion, twips to pixels at a DPI,
// the design fonts and colours, the tables' rules, and screen-reader names.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <string>
#include <vector>

#include "layout.h"
#include "startup_trace.h"
#include "win32_text.h"

namespace tickwell::win {

using tickwell::Utf8;
using tickwell::Wide;

inline int Scale(int twips, UINT dpi) { return forms::TwipsToPixels(twips, static_cast<int>(dpi)); }
RECT ToRect(const forms::TwipsRect& r, UINT dpi);
// A control's rectangle; a one-line label whose text (in `font`) is wider
// than its row takes the room the form leaves it (forms::TextRoom).
RECT LabelRect(const forms::FormSpec& form, const forms::ControlSpec& row, const std::wstring& text,
               HFONT font, UINT dpi);

HFONT MakeFont(const forms::FontSpec& row, UINT dpi);
// `inherit` for ColorKind::Inherit.
COLORREF ToColor(const forms::ColorSpec& row, COLORREF inherit);
void PaintLines(HDC dc, const forms::FormSpec& form, UINT dpi);

UINT WindowDpi(HWND window);

// Shows `box` modal over `owner` (and `alsoBlocked`, when not null) with the
// focus on `first`, runs its dialog keys until `done`, then destroys it and
// gives the focus back where the user left it. A quit met meanwhile is
// passed on.
void RunModal(HWND box, HWND owner, HWND alsoBlocked, HWND first, const bool& done);

// A control's whole text.
std::wstring WindowText(HWND window);
// The system DPI; 96 where Windows cannot say.
UINT SystemDpi();

// A system library loaded from the system folder alone, never from the
// program's folder or the current one: a portable copy unpacked into
// Downloads may have a planted DLL of that name beside it.
HMODULE LoadSystemLibrary(const wchar_t* name);
// At start: later loads by any part of the process search the system folder
// alone, where Windows offers that (8, and 7 with its update).
void RestrictLibrarySearch();
// COM on this thread, started on first use.
void EnsureCom();
// Opens a web address as the shell does; false when it could not.
bool OpenInShell(HWND owner, const std::wstring& target);
// Outer size of a window whose client area is the given twips at `dpi`.
SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, bool menu, UINT dpi);

// The name a screen reader says for a control, set explicitly so it never
// depends on which label was created just before it.
void SetAccessibleName(HWND control, const char* name);

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
