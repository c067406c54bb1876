#include "duration.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "translate.h"
#include "written_number.h"

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
    // The locale's point, of one byte or more (U+066B), goes with its zeros.
    const std::string point = LocaleDecimalPoint();
    if (text.size() >= point.size() && text.compare(text.size() - point.size(), point.size(), point) == 0)
        text.erase(text.size() - point.size());
    if (text == "-0") text = "0";
    return text;
}

namespace {

// A pasted duration is short; anything longer is no duration, and is not
// read further.
constexpr std::size_t kLongest = 200;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Upper to lower case for the scripts unit words are written in (Latin with
// its accented letters, Greek, Cyrillic); other code points unchanged.
char32_t LowerCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c < 0x80) return c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    const bool even = c % 2 == 0;
    if (((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177) ||
         (c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) &&
        even)
        return c + 1;
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && !even) return c + 1;
    if (c == 0x178) return 0xFF;
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return c + 37;
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return c + 63;
    return c;
}

}  // namespace

std::string FoldedText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out += static_cast<char>(LowerCase(b));
        } else if (b >= 0xC2 && b <= 0xDF && i + 1 < text.size() &&
                   (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            const char32_t c = ((b & 0x1Fu) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3Fu);
            const char32_t lower = c == 0xA0 ? U' ' : LowerCase(c);
            if (lower < 0x80) {
                out += static_cast<char>(lower);
            } else {
                out += static_cast<char>(0xC0 | (lower >> 6));
                out += static_cast<char>(0x80 | (lower & 0x3F));
            }
        } else if (text.substr(i, 3) == "\u202F" || text.substr(i, 3) == "\u2009" ||
                   text.substr(i, 3) == "\u2007") {
            out += ' ';
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

namespace {

class Reader {
public:
    Reader(std::string_view text, char mark) : mText(text), mMark(mark) {}
    bool AtEnd() const { return mPos == mText.size(); }
    char Next() const { return AtEnd() ? '\0' : mText[mPos]; }
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
    // Whole digits alone (a clock's hours and minutes).
    bool Digits(std::string& out) {
        const std::size_t start = mPos;
        while (mPos < mText.size() && IsDigit(mText[mPos])) ++mPos;
        out.assign(mText.substr(start, mPos - start));
        return mPos > start;
    }
    // A number as the locale writes it, back with "." for its decimal mark.
    // One that could be read two ways is remembered, to be named.
    bool Number(std::string& out) {
        const NumberRead read = ReadWrittenNumber(mText, mPos, mMark, out);
        if (read == NumberRead::TwoWays) mTwoWays = out;
        return read == NumberRead::Number;
    }
    // Letters, those of other scripts (UTF-8 bytes) included.
    std::string Word() {
        const std::size_t start = mPos;
        while (mPos < mText.size() && ((mText[mPos] >= 'a' && mText[mPos] <= 'z') ||
                                       static_cast<unsigned char>(mText[mPos]) >= 0x80))
            ++mPos;
        return std::string(mText.substr(start, mPos - start));
    }
    std::size_t Position() const { return mPos; }
    void Seek(std::size_t pos) { mPos = pos; }
    const std::string& TwoWays() const { return mTwoWays; }

private:
    std::string_view mText;
    char mMark;
    std::size_t mPos = 0;
    std::string mTwoWays;
};

// Whether `word` is one of the blank-separated words of `list` (read in
// lower case, as the text is).
bool Listed(std::string_view list, const std::string& word) {
    const std::string folded = FoldedText(list);
    for (std::size_t start = 0; start < folded.size();) {
        std::size_t end = folded.find(' ', start);
        if (end == std::string::npos) end = folded.size();
        if (std::string_view(folded).substr(start, end - start) == word) return true;
        start = end + 1;
    }
    return false;
}

// Whether `word` is in an English list or in its translation.
bool ListedInEither(const char* english, const std::string& word) {
    return !word.empty() && (Listed(english, word) || Listed(Translate(english), word));
}

// 0 hours, 1 minutes, 2 seconds; -1 for no unit. The English words always,
// and the user's language's as its catalogue lists them.
int UnitOf(const std::string& word) {
    static const char* const kWords[3] = {
        // TRANSLATORS: the words a pasted duration may use for hours, in lower
        // case and separated by blanks: every form the language uses (one,
        // few, many; the cases after a number) and its abbreviations without
        // their period. English ones are read as well.
        N_("h hr hrs hour hours"),
        // TRANSLATORS: the same for minutes.
        N_("m min mins minute minutes"),
        // TRANSLATORS: the same for seconds.
        N_("s sec secs second seconds"),
    };
    for (int unit = 0; unit < 3; ++unit)
        if (ListedInEither(kWords[unit], word)) return unit;
    return -1;
}

// TRANSLATORS: the words for "and" that may stand between the parts of a
// pasted duration ("1 hour and 30 minutes"), in lower case, separated by
// blanks.
constexpr const char* kAndWords = N_("and");

// A unit word and the period of its abbreviation ("Std.", "min."): the
// unit, -1 for none. `touching` tells whether a digit follows the period.
int ReadUnit(Reader& in, bool& touching) {
    const std::size_t start = in.Position();
    const int unit = UnitOf(in.Word());
    touching = false;
    if (unit < 0) {
        in.Seek(start);
        return -1;
    }
    if (in.Take('.')) touching = IsDigit(in.Next());
    return unit;
}

// H:MM:SS(.fff) or H:MM, minutes and seconds below 60 in one or two digits,
// and the hours unit after it as people add one ("1:30 h"). The seconds'
// fraction is one whatever the mark ("0:00:02,5").
bool ReadClock(Reader& in, std::string fields[3]) {
    std::string hours, minutes, seconds;
    if (!in.Digits(hours) || !in.Take(':') || !in.Digits(minutes)) return false;
    if (minutes.size() > 2 || std::stoi(minutes) > 59) return false;
    if (in.Take(':')) {
        if (!in.Digits(seconds) || seconds.size() > 2 || std::stoi(seconds) > 59) return false;
        if (in.Next() == '.' || in.Next() == ',') {
            in.Take(in.Next());
            std::string fraction;
            if (!in.Digits(fraction)) return false;
            seconds += "." + fraction;
        }
    }
    in.SkipBlanks();
    bool touching = false;
    if (!in.AtEnd() && ReadUnit(in, touching) != 0) return false;
    fields[0] = hours, fields[1] = minutes, fields[2] = seconds;
    return in.AtEnd();
}

// Numbers with units, each unit once, in any order, blanks optional, parts
// apart by a comma or an "and" word.
bool ReadUnits(Reader& in, std::string fields[3]) {
    bool seen[3] = {false, false, false};
    bool any = false, touching = false;
    int last = -1;
    while (!in.AtEnd()) {
        std::string number;
        if (!in.Number(number)) return false;
        const bool afterPeriod = touching;
        in.SkipBlanks();
        const bool bare = in.AtEnd();
        int unit = bare ? -1 : ReadUnit(in, touching);
        // "1h30", "1m30": a last number without a unit takes the next one
        // down, as people write it; after an abbreviation's period ("2h.30")
        // only as two whole digits, where it cannot be a fraction.
        if (bare && last >= 0 && last < 2 &&
            (!afterPeriod || (number.size() == 2 && number.find('.') == std::string::npos)))
            unit = last + 1;
        if (unit < 0 || seen[unit]) return false;
        seen[unit] = true;
        last = unit;
        fields[unit] = number;
        any = true;
        if (touching) continue;  // "1 Std.30 Min": the period parts them
        in.SkipBlanks();
        in.Take(',');  // "1 hour, 5 minutes"
        in.SkipBlanks();
        const std::size_t before = in.Position();
        if (ListedInEither(kAndWords, in.Word()) && IsBlank(in.Next())) {
            in.SkipBlanks();  // "1 ora e 30 minuti"
            if (in.AtEnd()) return false;
        } else {
            in.Seek(before);
        }
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

bool ParseDuration(std::string_view text, PastedEntry& entry, char mark,
                   std::string* twoWays) {
    if (text.size() > kLongest) return false;
    // One trailing line break at most, and nothing after it.
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.find_first_of("\r\n") != std::string_view::npos) return false;
    std::string folded = FoldedText(text);
    while (!folded.empty() && IsBlank(folded.back())) folded.pop_back();
    Reader in(folded, mark);
    in.SkipBlanks();
    const bool negative = in.Take('-');
    in.SkipBlanks();
    const std::string_view rest = std::string_view(folded).substr(in.Position());
    std::string fields[3];
    Reader clock(rest, mark);
    Reader units(rest, mark);
    if (!ReadClock(clock, fields)) {
        fields[0].clear(), fields[1].clear(), fields[2].clear();
        if (!ReadUnits(units, fields)) {
            if (twoWays && !units.TwoWays().empty()) *twoWays = units.TwoWays();
            return false;
        }
    }
    CarryFractionsDown(fields);
    if (negative)
        for (std::string& field : fields)
            if (!field.empty()) field.insert(0, "-");
    entry = {fields[0], fields[1], fields[2]};
    return true;
}

bool ParseDuration(std::string_view text, PastedEntry& entry) {
    return ParseDuration(text, entry, LocaleDecimalMark());
}

}  // namespace tickwell
