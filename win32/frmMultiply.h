// The boxes of a few text fields on Win32, modal over the main window: the
// multiply-or-divide box, and the Time Between box. Each is drawn from its
// table; a line says why a text was refused, another what will be entered.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <functional>
#include <string>
#include <vector>

#include "layout.h"

namespace tickwell::win {

// `apply` takes the field's text: true when it was applied (the box closes),
// false with the sentence the box shows (it stays open, nothing changed).
using ApplyFactorText = std::function<bool(const std::string& text, std::string& refusal)>;

// A box: its table (its text boxes and combo boxes are the fields, in
// order; its option buttons one group; "lblProblem" and "lblPreview" its two
// lines), what OK does with the fields' texts and the option checked (false
// with the sentence to show and the field to select), and the preview line
// as they change (null for none). Fields start with `initial`'s texts, the
// group with `option` checked.
struct FieldBox {
    const forms::FormSpec* form;
    std::function<bool(const std::vector<std::string>&, int, std::string&, std::size_t&)> apply;
    std::function<std::string(const std::vector<std::string>&)> preview;
    std::vector<std::string> initial = {};
    int option = 0;
};
// True when OK applied it, false when it was cancelled.
bool ShowFieldBox(HWND owner, HWND alsoBlocked, const FieldBox& box);

// True when a factor was applied, false when the box was cancelled.
bool ShowMultiplyBox(HWND owner, HWND alsoBlocked, const ApplyFactorText& apply);

}  // namespace tickwell::win
