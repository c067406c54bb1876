// Menus from the shared tables, for the main and the tape window: items with
// their shortcuts shown, check items, and the accelerators that run them.
// A command's id is kMenuBase plus its MenuCommand, the same in every window.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <deque>
#include <initializer_list>
#include <string>

#include "layout.h"

namespace tickwell::win {

constexpr int kMenuBase = 1000;

struct MenuSource {
    const char* caption;
    const forms::MenuItemSpec* begin;
    const forms::MenuItemSpec* end;
};

// The window's menu bar and its accelerator table (the caller destroys it).
HACCEL SetMenuBar(HWND window, std::initializer_list<MenuSource> menus);
void CheckMenuCommand(HWND window, forms::MenuCommand command, bool on);

// Keeps a window above others, or lets it go behind them; a hidden window
// only takes the state, so it is never shown below them first.
void KeepAbove(HWND window, bool on);

// Tape > Save As: the system's save dialog, then the file written whole (a
// new file renamed over the old). A failure is said in one message box.
void SaveTapeAs(HWND owner, const std::deque<std::string>& lines);

}  // namespace tickwell::win
