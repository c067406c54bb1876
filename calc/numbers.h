// Number rules shared by every calculator command: how a box's text is read,
// how doubles become whole numbers, and how numbers are written back.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tickwell {

// A run-time error with the number and description the user is shown.
class CalcError : public std::runtime_error {
public:
    CalcError(std::int32_t number, const std::string& description)
        : std::runtime_error(description), mNumber(number) {}
    std::int32_t Number() const noexcept { return mNumber; }
    std::string Description() const { return what(); }

private:
    std::int32_t mNumber;
};

constexpr std::int32_t kErrOverflow = 6;

[[noreturn]] void RaiseOverflow();

// Reads the number a text begins with. Blanks, tabs and line feeds are skipped
// anywhere; "." is always the decimal point; the rest after the number is
// ignored; no number reads as 0. Magnitudes beyond a double read as +/-infinity
// (so the next floating check reports Overflow), ones too small as 0.
// Runs in time linear in the text's length.
double NumberValue(std::string_view text);

// Round to the nearest whole number, ties to even; error 6 outside int32.
std::int32_t WholeNumber(double value);

// Error 6 for a result that is not a finite double.
double FloatCheck(double value);

// Integer division truncating toward zero, and the matching remainder (sign of a).
constexpr std::int32_t IntDiv(std::int32_t a, std::int32_t b) { return a / b; }
constexpr std::int32_t IntMod(std::int32_t a, std::int32_t b) { return a % b; }

// Checked 32-bit sum and difference (error 6 on overflow).
std::int32_t CheckedAdd(std::int32_t a, std::int32_t b);
std::int32_t CheckedSub(std::int32_t a, std::int32_t b);

// "-12", "0", "125": digits, a leading "-" when negative, nothing else.
std::string IntegerText(std::int32_t value);

// General decimal form with at most 15 significant digits and no trailing
// zeros; exponent form ("1E+15", "1E-05") outside 1E-4 .. 1E15.
std::string DecimalText(double value);

// Whether `s` is well-formed UTF-8 (no overlong forms, surrogates or code
// points past Unicode's end): text read from a file must be, to be shown.
bool ValidUtf8(std::string_view s);

}  // namespace tickwell
