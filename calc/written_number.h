// Numbers as people write them outside the boxes (a pasted duration, the
// multiply-or-divide field): with the thousands separators and the decimal
// mark of their locale. A number that could be read two ways is refused,
// never guessed.
#pragma once

#include <string>
#include <string_view>

namespace tickwell {

// The locale's decimal mark when it is "." or ","; 0 for any other (U+066B,
// say), where neither "." nor "," is settled by the locale.
char LocaleDecimalMark();
// The locale's decimal point as printf writes it (one or more bytes).
std::string LocaleDecimalPoint();

enum class NumberRead {
    None,     // no number here, or one no reading makes whole ("1,5,5", "1.234.5")
    Number,   // read; `number` holds it
    TwoWays,  // "1,500" where the locale settles neither mark; `number` holds the text
};

// Reads the number that starts at `pos` in `text` and moves `pos` past it.
// Digits, then "." or "," each followed by a digit:
// - the locale's mark once is the decimal mark ("1.5" where it is ".");
// - the other mark between groups of three digits after a first group of one
//   to three is a thousands separator ("1,500"; "3.600" where the mark is
//   ","), and once in any other place a decimal mark ("1,5");
// - either mark more than once can only group thousands ("12,345,678",
//   "1.234.567"), and must;
// - both marks: the last one is the decimal mark, the others thousands
//   separators ("1,234.5", "1.234,5");
// - a leading "." is a decimal mark (".5").
// `number` comes back as plain digits with "." for the decimal mark. On None
// `pos` is unchanged.
NumberRead ReadWrittenNumber(std::string_view text, std::size_t& pos, char mark,
                             std::string& number);

}  // namespace tickwell
