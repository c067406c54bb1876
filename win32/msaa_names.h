// Screen-reader names for the controls (MSAA), from the tables.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

namespace tickwell::win {

// The name a screen reader says for a control, set explicitly so it never
// depends on which label was created just before it.
void SetAccessibleName(HWND control, const char* name);

}  // namespace tickwell::win
