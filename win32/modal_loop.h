// The about and multiply boxes' modal loop.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

namespace tickwell::win {

// Shows `box` modal over `owner` (and `alsoBlocked`, when not null) with the
// focus on `first`, runs its dialog keys until `done`, then destroys it and
// gives the focus back where the user left it. A quit met meanwhile is
// passed on.
void RunModal(HWND box, HWND owner, HWND alsoBlocked, HWND first, const bool& done);

}  // namespace tickwell::win
