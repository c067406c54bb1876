// The number field of the multiply-or-divide box: a number, with "*", "x"
// or "×" before it to multiply (the default) or "/" or "÷" to divide.
#pragma once

#include <string_view>

namespace tickwell {

struct Factor {
    bool divide = false;
    double value = 1;
};

// "3", "*3", "x 1.5", "×2", "/4", "÷ 4", "1,5", "-2": blanks around the parts
// are ignored, "." or "," is the decimal point (it is a field of its own, not
// a box, and people type the one their locale uses), no exponent. False for
// anything else, and `factor` is then untouched. A divisor of 0 is read; the
// box refuses it.
bool ParseFactor(std::string_view text, Factor& factor);

}  // namespace tickwell
