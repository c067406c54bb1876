// The about box: modal, OK is both its default and its cancel button.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

namespace tickwell::win {

// Shows the box centred on `owner` and returns once it is closed; `owner`
// and `alsoBlocked` take no input meanwhile.
void ShowAboutBox(HWND owner, HWND alsoBlocked);

}  // namespace tickwell::win
