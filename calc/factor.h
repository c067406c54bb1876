// The number field of the multiply-or-divide box: a number, with "*", "x"
// or "×" before it to multiply (the default) or "/" or "÷" to divide.
#pragma once

#include <string_view>

namespace tickwell {

struct Factor {
    bool divide = false;
    double value = 1;
};

// "3", "*3", "x 1.5", "×2", "/4", "÷ 4", "1,5", "1,000", "-2": blanks around
// the parts are ignored, the number is read as the locale whose decimal mark
// is `mark` writes it (ReadWrittenNumber: "1,5" is 1.5 and "1,000" is 1000
// where the mark is "."), no exponent. False for anything else, and `factor`
// is then untouched; where the number could be read two ways, `twoWays`
// (when given) receives it. A divisor of 0 is read; the box refuses it.
bool ParseFactor(std::string_view text, Factor& factor, char mark,
                 std::string* twoWays = nullptr);
// The same in the user's locale.
bool ParseFactor(std::string_view text, Factor& factor);

}  // namespace tickwell
