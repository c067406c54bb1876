#include "duration.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace tickwell {

namespace {

std::string TwoDigits(long long n) {
    char buffer[24];
    (void)std::snprintf(buffer, sizeof buffer, "%02lld", n);
    return buffer;
}

}  // namespace

std::string DurationText(double seconds) {
    std::string sign = seconds < 0 ? "-" : "";
    double total = std::fabs(seconds);
    if (!std::isfinite(total)) return sign + "0:00:00";
    // Exact to the microsecond while that fits in 64 bits (some 290,000
    // years); beyond, whole seconds are all a double still holds.
    if (total < 9e12) {
        const long long micro = std::llround(total * 1e6);
        if (micro == 0) sign.clear();  // no "-0:00:00"
        const long long whole = micro / 1000000, fraction = micro % 1000000;
        std::string text = sign + std::to_string(whole / 3600) + ":" + TwoDigits(whole / 60 % 60) +
                           ":" + TwoDigits(whole % 60);
        if (fraction != 0) {
            char digits[8];
            (void)std::snprintf(digits, sizeof digits, "%06lld", fraction);
            std::string f = digits;
            f.erase(f.find_last_not_of('0') + 1);
            text += "." + f;
        }
        return text;
    }
    const double hours = std::floor(total / 3600);
    const double rest = total - hours * 3600;
    const long long minutes = std::min(59LL, static_cast<long long>(rest / 60));
    const long long secs =
        std::min(59LL, std::max(0LL, static_cast<long long>(rest - minutes * 60.0)));
    char buffer[400];
    (void)std::snprintf(buffer, sizeof buffer, "%.0f", hours);
    return sign + buffer + ":" + TwoDigits(minutes) + ":" + TwoDigits(secs);
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
    // Digits, with one "." and digits after it when `fraction`.
    bool Number(std::string& out, bool fraction) {
        const std::size_t start = mPos;
        while (mPos < mText.size() && IsDigit(mText[mPos])) ++mPos;
        bool digits = mPos > start;
        if (fraction && mPos < mText.size() && mText[mPos] == '.') {
            const std::size_t dot = mPos++;
            const std::size_t after = mPos;
            while (mPos < mText.size() && IsDigit(mText[mPos])) ++mPos;
            if (mPos == after) mPos = dot;  // a lone "." is no part of the number
            digits = digits || mPos > after;
        }
        if (!digits) {
            mPos = start;
            return false;
        }
        out.assign(mText.substr(start, mPos - start));
        return true;
    }
    std::string Word() {
        const std::size_t start = mPos;
        while (mPos < mText.size() && Lower(mText[mPos]) >= 'a' && Lower(mText[mPos]) <= 'z')
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

// 0 hours, 1 minutes, 2 seconds; -1 for no unit.
int UnitOf(const std::string& word) {
    for (const char* w : {"h", "hr", "hrs", "hour", "hours"})
        if (word == w) return 0;
    for (const char* w : {"m", "min", "mins", "minute", "minutes"})
        if (word == w) return 1;
    for (const char* w : {"s", "sec", "secs", "second", "seconds"})
        if (word == w) return 2;
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
    while (!in.AtEnd()) {
        std::string number;
        if (!in.Number(number, true)) return false;
        in.SkipBlanks();
        const int unit = UnitOf(in.Word());
        if (unit < 0 || seen[unit]) return false;
        seen[unit] = true;
        fields[unit] = number;
        any = true;
        in.SkipBlanks();
        in.Take(',');  // "1 hour, 5 minutes"
        in.SkipBlanks();
    }
    return any;
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
    if (negative)
        for (std::string& field : fields)
            if (!field.empty()) field.insert(0, "-");
    entry = {fields[0], fields[1], fields[2]};
    return true;
}

}  // namespace tickwell
