#include "written_number.h"

#include <clocale>
#include <vector>

namespace tickwell {

std::string LocaleDecimalPoint() {
    const lconv* conv = std::localeconv();
    return conv && conv->decimal_point && *conv->decimal_point ? conv->decimal_point : ".";
}

char LocaleDecimalMark() {
    const std::string point = LocaleDecimalPoint();
    return point == "." || point == "," ? point[0] : 0;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsMark(char c) { return c == '.' || c == ','; }

// Thousands groups: a first group of one to three digits that does not
// start with a 0 ("0,500" is a fraction however it is read), then groups
// of exactly three.
bool Grouped(const std::vector<std::string_view>& groups) {
    if (groups.empty() || groups[0].empty() || groups[0].size() > 3 || groups[0][0] == '0')
        return false;
    for (std::size_t i = 1; i < groups.size(); ++i)
        if (groups[i].size() != 3) return false;
    return true;
}

std::string Joined(const std::vector<std::string_view>& groups, std::size_t from,
                   std::size_t to) {
    std::string digits;
    for (std::size_t i = from; i < to; ++i) digits += groups[i];
    return digits;
}

}  // namespace

NumberRead ReadWrittenNumber(std::string_view text, std::size_t& pos, char mark,
                             std::string& number) {
    // The run: digit groups, each mark followed by a digit.
    std::vector<std::string_view> groups;
    std::string marks;
    std::size_t end = pos;
    for (;;) {
        const std::size_t start = end;
        while (end < text.size() && IsDigit(text[end])) ++end;
        groups.push_back(text.substr(start, end - start));
        if (end + 1 < text.size() && IsMark(text[end]) && IsDigit(text[end + 1])) {
            marks += text[end++];
            continue;
        }
        break;
    }
    if (groups[0].empty() && (marks.empty() || marks[0] != '.')) return NumberRead::None;
    const std::string_view written = text.substr(pos, end - pos);
    const std::size_t n = marks.size();
    bool ok = true, twoWays = false;
    std::size_t decimal = n;  // the index of the decimal mark among the marks; n for none
    if (n == 0) {
    } else if (groups[0].empty()) {
        ok = n == 1;  // ".5"
        decimal = 0;
    } else if (marks.find_first_not_of(marks[0]) == std::string::npos) {
        if (n > 1) {
            ok = Grouped(groups);  // a decimal mark stands once: thousands or nothing
        } else if (marks[0] != mark && Grouped(groups)) {
            // The other mark in a thousands place: thousands, unless the
            // locale settles neither mark, where it could be a decimal.
            twoWays = mark != '.' && mark != ',';
        } else {
            decimal = 0;  // the locale's mark, or the other where it groups nothing
        }
    } else {
        // Both marks: the last alone is the decimal mark.
        const char last = marks[n - 1];
        ok = marks.find(last) == n - 1 &&
             Grouped(std::vector<std::string_view>(groups.begin(), groups.end() - 1));
        decimal = n - 1;
    }
    if (!ok) return NumberRead::None;
    pos = end;
    if (twoWays) {
        number.assign(written);
        return NumberRead::TwoWays;
    }
    number = Joined(groups, 0, decimal + 1);
    if (decimal < n) number += "." + Joined(groups, decimal + 1, groups.size());
    return NumberRead::Number;
}

}  // namespace tickwell
