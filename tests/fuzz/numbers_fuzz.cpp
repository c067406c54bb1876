// The box reader against the C library's strtod, on the same number.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "numbers.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool Digit(char c) { return c >= '0' && c <= '9'; }

// The number the text begins with, blanks dropped, in the plain form strtod
// reads: sign, digits, point, digits, and an exponent only with its digits.
std::string NumberPrefix(const std::string& raw) {
    std::string t;
    for (char c : raw)
        if (!Blank(c)) t += c;
    std::size_t i = 0;
    std::string out;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) out += t[i++];
    bool digit = false;
    while (i < t.size() && Digit(t[i])) out += t[i++], digit = true;
    if (i < t.size() && t[i] == '.') {
        out += t[i++];
        while (i < t.size() && Digit(t[i])) out += t[i++], digit = true;
    }
    if (!digit) return "0";
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        std::size_t j = i + 1;
        std::string exp = "e";
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) exp += t[j++];
        const std::size_t first = j;
        while (j < t.size() && Digit(t[j])) exp += t[j++];
        if (j > first) out += exp;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double got = tickwell::NumberValue(text);
    const std::string prefix = NumberPrefix(text);
    errno = 0;
    const double want = std::strtod(prefix.c_str(), nullptr);
    // Results below the normal range read as 0 by design; strtod keeps them.
    const bool tiny = want != 0 && std::fabs(want) < 2.2250738585072014e-308;
    if (tiny ? (got != 0 && got != want) : got != want) {
        std::fprintf(stderr, "reader gave %.17g, strtod %.17g for \"%s\"\n", got, want,
                     prefix.c_str());
        std::abort();
    }
    return 0;
}
