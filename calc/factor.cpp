#include "factor.h"

#include <charconv>
#include <cmath>
#include <string>

#include "written_number.h"

namespace tickwell {

namespace {

// Longer than any number a person types into one field; not read further.
constexpr std::size_t kLongest = 100;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Takes `prefix` off the front of `text` when it is there.
bool Take(std::string_view& text, std::string_view prefix) {
    if (text.substr(0, prefix.size()) != prefix) return false;
    text.remove_prefix(prefix.size());
    return true;
}

void TrimBlanks(std::string_view& text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
}

}  // namespace

bool ParseFactor(std::string_view text, Factor& factor, char mark, std::string* twoWays) {
    if (text.size() > kLongest) return false;
    TrimBlanks(text);
    bool divide = false;
    if (Take(text, "/") || Take(text, "\xC3\xB7")) {  // ÷
        divide = true;
    } else {
        (void)(Take(text, "*") || Take(text, "x") || Take(text, "X") ||
               Take(text, "\xC3\x97"));  // ×
    }
    TrimBlanks(text);
    const bool negative = Take(text, "-");
    std::size_t end = 0;
    std::string number;
    const NumberRead read = ReadWrittenNumber(text, end, mark, number);
    if (read == NumberRead::TwoWays && twoWays) *twoWays = number;
    if (read != NumberRead::Number || end != text.size()) return false;
    if (negative) number.insert(0, "-");
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec != std::errc() || result.ptr != number.data() + number.size() ||
        !std::isfinite(value))
        return false;
    factor = {divide, value};
    return true;
}

bool ParseFactor(std::string_view text, Factor& factor) {
    return ParseFactor(text, factor, LocaleDecimalMark());
}

}  // namespace tickwell
