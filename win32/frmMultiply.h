// The multiply-or-divide box on Win32: one number field, OK and Cancel, and
// a line that says why a text was refused. Modal over the main window.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <functional>
#include <string>

namespace tickwell::win {

// `apply` takes the field's text: true when it was applied (the box closes),
// false with the sentence the box shows (it stays open, nothing changed).
using ApplyFactorText = std::function<bool(const std::string& text, std::string& refusal)>;

// True when a factor was applied, false when the box was cancelled.
bool ShowMultiplyBox(HWND owner, HWND alsoBlocked, const ApplyFactorText& apply);

}  // namespace tickwell::win
