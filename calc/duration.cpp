#include "duration.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "translate.h"

namespace tickwell {

namespace {

std::string TwoDigits(long long n) {
    char buffer[24];
    (void)std::snprintf(buffer, sizeof buffer, "%02lld", n);
    return buffer;
}

// One less than a positive whole number written in digits.
void Decrement(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '0') {
            --*it;
            break;
        }
        *it = '9';
    }
    if (digits.size() > 1 && digits[0] == '0') digits.erase(0, 1);
}

}  // namespace

std::string DurationText(double hours, double seconds) {
    if (!std::isfinite(hours) || !std::isfinite(seconds)) return "0:00:00";
    constexpr long long kHour = 3600LL * 1000000;  // microseconds
    // Whole hours apart from the rest, so no product overflows and the
    // rest keeps its microseconds however large the hours are.
    const double fromSeconds = std::trunc(seconds / 3600);
    double whole = std::trunc(hours);
    const double rest = (hours - whole) * 3600.0 + (seconds - fromSeconds * 3600);
    whole += fromSeconds;
    long long micro = std::llround(rest * 1e6);  // |rest| below two hours
    const long long carried = micro / kHour;     // whole hours in the rest
    whole += static_cast<double>(carried);
    micro -= carried * kHour;
    // Hours and the rest to one sign; a borrowed hour is taken from the
    // digits, where a double that large could not lose one.
    bool borrow = false;
    if (whole > 0 && micro < 0) micro += kHour, borrow = true;
    if (whole < 0 && micro > 0) micro -= kHour, borrow = true;
    const bool negative = whole < 0 || micro < 0;
    char buffer[400];
    (void)std::snprintf(buffer, sizeof buffer, "%.0f", std::fabs(whole));
    std::string text = buffer;
    if (borrow) Decrement(text);
    micro = std::llabs(micro);
    const long long secs = micro / 1000000, fraction = micro % 1000000;
    text = (negative ? "-" : "") + text + ":" + TwoDigits(secs / 60) + ":" + TwoDigits(secs % 60);
    if (fraction != 0) {
        char digits[8];
        (void)std::snprintf(digits, sizeof digits, "%06lld", fraction);
        std::string f = digits;
        f.erase(f.find_last_not_of('0') + 1);
        text += "." + f;
    }
    return text;
}

std::string DurationText(double seconds) { return DurationText(0, seconds); }

std::string HoursText(double hours) {
    if (!std::isfinite(hours)) return "0";
    char buffer[400];  // the largest double's 309 digits and four decimals
    (void)std::snprintf(buffer, sizeof buffer, "%.4f", hours);
    std::string text = buffer;
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.' || text.back() == ',') text.pop_back();  // the locale's point
    if (text == "-0") text = "0";
    return text;
}

namespace {

// A pasted duration is short; anything longer is no duration, and is not
// read further.
constexpr std::size_t kLongest = 200;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

class Reader {
public:
    explicit Reader(std::string_view text) : mText(text) {}
    bool AtEnd() const { return mPos == mText.size(); }
    void SkipBlanks() {
        while (mPos < mText.size() && IsBlank(mText[mPos])) ++mPos;
    }
    bool Take(char c) {
        if (mPos < mText.size() && mText[mPos] == c) {
            ++mPos;
            return true;
        }
        return false;
    }
    // Digits, with one "." and digits after it when `fraction`; a decimal
    // comma between digits ("1,5 h", as half of Europe writes it) reads as
    // the point, whatever the locale. The number comes back with a ".".
    bool Number(std::string& out, bool fraction) {
        const std::size_t start = mPos;
        while (mPos < mText.size() && IsDigit(mText[mPos])) ++mPos;
        bool digits = mPos > start;
        std::size_t comma = std::string_view::npos;
        if (fraction && mPos < mText.size() &&
            (mText[mPos] == '.' || (mText[mPos] == ',' && digits))) {
            const std::size_t dot = mPos++;
            const std::size_t after = mPos;
            while (mPos < mText.size() && IsDigit(mText[mPos])) ++mPos;
            if (mPos == after)
                mPos = dot;  // a lone "." or "," is no part of the number
            else if (mText[dot] == ',')
                comma = dot - start;
            digits = digits || mPos > after;
        }
        if (!digits) {
            mPos = start;
            return false;
        }
        out.assign(mText.substr(start, mPos - start));
        if (comma != std::string_view::npos) out[comma] = '.';
        return true;
    }
    // Letters, those of other scripts (UTF-8 bytes) included; ASCII lower-cased.
    std::string Word() {
        const std::size_t start = mPos;
        while (mPos < mText.size() && ((Lower(mText[mPos]) >= 'a' && Lower(mText[mPos]) <= 'z') ||
                                       static_cast<unsigned char>(mText[mPos]) >= 0x80))
            ++mPos;
        std::string word(mText.substr(start, mPos - start));
        for (char& c : word) c = Lower(c);
        return word;
    }
    std::size_t Position() const { return mPos; }

private:
    std::string_view mText;
    std::size_t mPos = 0;
};

// Whether `word` is one of the blank-separated words of `list`.
bool Listed(std::string_view list, const std::string& word) {
    for (std::size_t start = 0; start < list.size();) {
        std::size_t end = list.find(' ', start);
        if (end == std::string_view::npos) end = list.size();
        if (list.substr(start, end - start) == word) return true;
        start = end + 1;
    }
    return false;
}

// 0 hours, 1 minutes, 2 seconds; -1 for no unit. The English words always,
// and the user's language's as its catalogue lists them.
int UnitOf(const std::string& word) {
    static const char* const kWords[3] = {
        // TRANSLATORS: the words a pasted duration may use for hours, in lower
        // case and separated by blanks; English ones are read as well.
        N_("h hr hrs hour hours"),
        // TRANSLATORS: the same for minutes.
        N_("m min mins minute minutes"),
        // TRANSLATORS: the same for seconds.
        N_("s sec secs second seconds"),
    };
    if (word.empty()) return -1;
    for (int unit = 0; unit < 3; ++unit)
        if (Listed(kWords[unit], word) || Listed(Translate(kWords[unit]), word)) return unit;
    return -1;
}

// H:MM:SS(.fff) or H:MM; minutes and seconds below 60, one or two digits.
bool ReadClock(Reader& in, std::string fields[3]) {
    std::string hours, minutes, seconds;
    if (!in.Number(hours, false) || !in.Take(':') || !in.Number(minutes, false)) return false;
    if (minutes.size() > 2 || std::stoi(minutes) > 59) return false;
    if (in.Take(':')) {
        if (!in.Number(seconds, true)) return false;
        const std::string whole = seconds.substr(0, seconds.find('.'));
        if (whole.empty() || whole.size() > 2 || std::stoi(whole) > 59) return false;
    }
    fields[0] = hours, fields[1] = minutes, fields[2] = seconds;
    return in.AtEnd();
}

// Numbers with units, each unit once, in any order, blanks optional.
bool ReadUnits(Reader& in, std::string fields[3]) {
    bool seen[3] = {false, false, false};
    bool any = false;
    int last = -1;
    while (!in.AtEnd()) {
        std::string number;
        if (!in.Number(number, true)) return false;
        in.SkipBlanks();
        const std::string word = in.Word();
        // "1h30", "1m30": a last number without a unit takes the next one
        // down, as people write it.
        const int unit =
            word.empty() && in.AtEnd() && last >= 0 && last < 2 ? last + 1 : UnitOf(word);
        if (unit < 0 || seen[unit]) return false;
        seen[unit] = true;
        last = unit;
        fields[unit] = number;
        any = true;
        in.SkipBlanks();
        in.Take(',');  // "1 hour, 5 minutes"
        in.SkipBlanks();
    }
    return any;
}

// Unsigned decimal text as its whole digits and fraction digits.
struct Decimal {
    std::string whole, fraction;
};

Decimal SplitDecimal(const std::string& text) {
    const auto dot = text.find('.');
    if (dot == std::string::npos) return {text, ""};
    return {text.substr(0, dot), text.substr(dot + 1)};
}

// Adds b to a, digit by digit, so no pasted digit is rounded away.
Decimal Add(Decimal a, Decimal b) {
    const std::size_t f = std::max(a.fraction.size(), b.fraction.size());
    a.fraction.resize(f, '0'), b.fraction.resize(f, '0');
    const std::size_t w = std::max(a.whole.size(), b.whole.size());
    a.whole.insert(0, w - a.whole.size(), '0'), b.whole.insert(0, w - b.whole.size(), '0');
    std::string x = a.whole + a.fraction;
    const std::string y = b.whole + b.fraction;
    int carry = 0;
    for (std::size_t i = x.size(); i-- > 0;) {
        const int v = (x[i] - '0') + (y[i] - '0') + carry;
        x[i] = static_cast<char>('0' + v % 10);
        carry = v / 10;
    }
    if (carry) x.insert(0, 1, '1');
    return {x.substr(0, x.size() - f), x.substr(x.size() - f)};
}

// A fraction of a unit in the next unit down (times 60): its whole part
// (below 60) and its fraction.
Decimal Times60(const std::string& fraction) {
    std::string digits = fraction;
    int carry = 0;
    for (std::size_t i = digits.size(); i-- > 0;) {
        const int v = (digits[i] - '0') * 60 + carry;
        digits[i] = static_cast<char>('0' + v % 10);
        carry = v / 10;
    }
    return {std::to_string(carry), digits};
}

std::string Text(Decimal d) {
    d.fraction.erase(d.fraction.find_last_not_of('0') + 1);
    if (d.whole.empty()) d.whole = "0";
    return d.fraction.empty() ? d.whole : d.whole + "." + d.fraction;
}

// The boxes round hours and minutes to whole ones when "=" normalises, so
// a fraction of an hour or a minute goes down into the next box; only the
// seconds keep one ("2.5 min" is 2 minutes 30 seconds).
void CarryFractionsDown(std::string fields[3]) {
    for (int i = 0; i < 2; ++i) {
        Decimal d = SplitDecimal(fields[i]);
        if (d.fraction.find_first_not_of('0') == std::string::npos) continue;
        const Decimal down = Times60(d.fraction);
        d.fraction.clear();
        fields[i] = Text(d);
        fields[i + 1] = Text(Add(SplitDecimal(fields[i + 1]), down));
    }
}

}  // namespace

bool ParseDuration(std::string_view text, PastedEntry& entry) {
    if (text.size() > kLongest) return false;
    // One trailing line break at most, and nothing after it.
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.find_first_of("\r\n") != std::string_view::npos) return false;
    Reader in(text);
    in.SkipBlanks();
    const bool negative = in.Take('-');
    in.SkipBlanks();
    // The rest without trailing blanks.
    const std::size_t start = in.Position();
    std::string_view rest = text.substr(start);
    while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
    std::string fields[3];
    Reader clock(rest);
    if (!ReadClock(clock, fields)) {
        fields[0].clear(), fields[1].clear(), fields[2].clear();
        Reader units(rest);
        if (!ReadUnits(units, fields)) return false;
    }
    CarryFractionsDown(fields);
    if (negative)
        for (std::string& field : fields)
            if (!field.empty()) field.insert(0, "-");
    entry = {fields[0], fields[1], fields[2]};
    return true;
}

}  // namespace tickwell
