#include "numbers.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>

#include "translate.h"

namespace tickwell {

void RaiseOverflow() { throw CalcError(kErrOverflow, N_("Overflow")); }

namespace {

bool IsSkippedBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Beyond these decimal exponents every double has over- or underflowed; the
// clamp keeps megabyte-long exponents from overflowing the counters.
constexpr std::int64_t kExponentClamp = 1'000'000'000'000LL;
constexpr std::int64_t kOverflowExponent = 310;
constexpr std::int64_t kUnderflowExponent = -330;

}  // namespace

double NumberValue(std::string_view text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    auto skip = [&] {
        while (i < n && IsSkippedBlank(text[i])) ++i;
    };

    skip();
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
        skip();
    }

    // The value is 0.<digits> x 10^exponent; leading zeros never enter digits.
    std::string digits;
    std::int64_t exponent = 0;
    bool sawDigit = false;
    bool sawPoint = false;
    for (; i < n; skip()) {
        const char c = text[i];
        if (IsDigit(c)) {
            sawDigit = true;
            if (!sawPoint) {
                if (!digits.empty() || c != '0') {
                    digits.push_back(c);
                    if (exponent < kExponentClamp) ++exponent;
                }
            } else if (digits.empty() && c == '0') {
                if (exponent > -kExponentClamp) --exponent;
            } else {
                digits.push_back(c);
            }
            ++i;
        } else if (c == '.' && !sawPoint) {
            sawPoint = true;
            ++i;
        } else {
            break;
        }
    }
    if (!sawDigit) return 0.0;

    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        std::size_t j = i + 1;
        auto skipAt = [&] {
            while (j < n && IsSkippedBlank(text[j])) ++j;
        };
        skipAt();
        bool expNegative = false;
        if (j < n && (text[j] == '+' || text[j] == '-')) {
            expNegative = text[j] == '-';
            ++j;
            skipAt();
        }
        std::int64_t expValue = 0;
        bool sawExpDigit = false;
        for (; j < n && IsDigit(text[j]); skipAt()) {
            sawExpDigit = true;
            if (expValue < kExponentClamp) expValue = expValue * 10 + (text[j] - '0');
            ++j;
        }
        if (sawExpDigit) exponent += expNegative ? -expValue : expValue;
    }

    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    if (digits.empty()) return 0.0;

    const double infinity = std::numeric_limits<double>::infinity();
    if (exponent > kOverflowExponent) return negative ? -infinity : infinity;
    if (exponent < kUnderflowExponent) return 0.0;

    std::string normal;
    normal.reserve(digits.size() + 16);
    normal += "0.";
    normal += digits;
    normal += 'e';
    normal += std::to_string(exponent);

    double value = 0.0;
    const auto result = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        value = exponent > 0 ? infinity : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

std::int32_t WholeNumber(double value) {
    double whole = std::floor(value);
    const double fraction = value - whole;  // exact: NaN only for NaN or infinity
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    if (!(whole >= -2147483648.0 && whole <= 2147483647.0)) RaiseOverflow();
    return static_cast<std::int32_t>(whole);
}

double FloatCheck(double value) {
    if (!std::isfinite(value)) RaiseOverflow();
    return value;
}

std::int32_t CheckedAdd(std::int32_t a, std::int32_t b) {
    const std::int64_t sum = static_cast<std::int64_t>(a) + b;
    if (sum < std::numeric_limits<std::int32_t>::min() ||
        sum > std::numeric_limits<std::int32_t>::max())
        RaiseOverflow();
    return static_cast<std::int32_t>(sum);
}

std::int32_t CheckedSub(std::int32_t a, std::int32_t b) {
    const std::int64_t diff = static_cast<std::int64_t>(a) - b;
    if (diff < std::numeric_limits<std::int32_t>::min() ||
        diff > std::numeric_limits<std::int32_t>::max())
        RaiseOverflow();
    return static_cast<std::int32_t>(diff);
}

std::string IntegerText(std::int32_t value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

namespace {

// 15 significant digits, general form: what to_chars(general, 15) writes,
// through printf, whose correctly rounded conversion is already in every
// program (to_chars' tables for a precision would add a quarter to the
// Windows exe). The locale's decimal point (Qt sets the user's) becomes ".".
char* General15(char* buffer, std::size_t size, double value) {
    const int n = std::snprintf(buffer, size, "%.15G", value);
    if (n <= 0 || static_cast<std::size_t>(n) >= size) {
        buffer[0] = '0';
        return buffer + 1;
    }
    std::string_view point = ".";
    if (const lconv* conv = std::localeconv(); conv && conv->decimal_point && *conv->decimal_point)
        point = conv->decimal_point;
    std::string text(buffer, static_cast<std::size_t>(n));
    if (point != ".")
        if (const auto at = text.find(point); at != std::string::npos)
            text.replace(at, point.size(), ".");
    std::copy(text.begin(), text.end(), buffer);
    return buffer + text.size();
}

}  // namespace

std::string DecimalText(double value) {
    if (value == 0.0) return "0";  // also keeps -0 from showing as "-0"
    char buffer[64];
    struct {
        char* ptr;
    } result{General15(buffer, sizeof buffer, value)};
    // Near the top of the range 15 digits can round past the largest double
    // (1.79769313486232E+308), which would read back as an overflow: step
    // toward zero until the text reads back finite.
    for (double shown = value; std::isfinite(value);) {
        double back = 0;
        const auto parsed = std::from_chars(buffer, result.ptr, back);
        if (parsed.ec == std::errc() && std::isfinite(back)) break;
        shown = std::nextafter(shown, 0.0);
        result.ptr = General15(buffer, sizeof buffer, shown);
    }
    std::string text(buffer, result.ptr);
    for (char& c : text)
        if (c == 'e') c = 'E';
    return text;
}

bool ValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80         ? 1
                        : (c >> 5) == 6  ? 2
                        : (c >> 4) == 14 ? 3
                        : (c >> 3) == 30 ? 4
                                         : 0;
        if (n == 0 || i + n > s.size()) return false;
        std::uint32_t code = n == 1 ? c : c & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past Unicode's end.
        static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kLeast[n] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += n;
    }
    return true;
}

}  // namespace tickwell
