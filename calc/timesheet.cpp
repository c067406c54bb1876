#include "timesheet.h"

#include <algorithm>

#include "translate.h"

namespace tickwell {

namespace {

// TRANSLATORS: the words after a clock time before noon, lower case, apart
// by spaces; the English ones are always read too.
constexpr const char* kAmWords = N_("am a.m.");
// TRANSLATORS: the same after noon.
constexpr const char* kPmWords = N_("pm p.m.");
// TRANSLATORS: words between two clock times of a range ("9:00 to 17:30"),
// lower case, apart by spaces; the English one is always read too.
constexpr const char* kRangeWords = N_("to");

constexpr std::size_t kLongestRanges = 4096;

bool Blank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (Blank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (Blank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The English words of a list and the catalogue's, folded; read again only
// when the catalogue in use changes.
class WordList {
public:
    explicit WordList(const char* english) : mEnglish(english) {}
    const std::vector<std::string>& Words() {
        const char* translated = Translate(mEnglish);
        if (translated != mTranslated || mWords.empty()) {
            mTranslated = translated;
            mWords.clear();
            // Split by hand: C++ streams would double the Windows program's size.
            for (const char* list : {mEnglish, translated}) {
                const std::string folded = FoldedText(list);
                for (std::size_t at = 0; at < folded.size();) {
                    const std::size_t end = std::min(folded.find(' ', at), folded.size());
                    if (end > at) mWords.push_back(folded.substr(at, end - at));
                    at = end + 1;
                }
            }
        }
        return mWords;
    }

private:
    const char* mEnglish;
    const char* mTranslated = nullptr;
    std::vector<std::string> mWords;
};

bool EndsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

bool Digit(char c) { return c >= '0' && c <= '9'; }

// `count` digits exactly at `at`.
bool Digits(std::string_view s, std::size_t at, std::size_t count, int& value) {
    if (at + count > s.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!Digit(s[i])) return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

// One clock time already folded and trimmed.
bool ReadClock(std::string_view t, bool end, std::int32_t& seconds) {
    static WordList am(kAmWords), pm(kPmWords);
    int half = -1;  // 0 before noon, 1 after
    for (int which = 0; which < 2 && half < 0; ++which)
        for (const std::string& word : which == 0 ? am.Words() : pm.Words())
            if (EndsWith(t, word)) {
                const std::string_view rest = Trimmed(t.substr(0, t.size() - word.size()));
                if (rest.empty() || !Digit(rest.back())) continue;
                t = rest;
                half = which;
                break;
            }
    int h = 0, m = 0, s = 0;
    const auto colon = t.find(':');
    if (colon != std::string_view::npos) {
        if (colon < 1 || colon > 2 || !Digits(t, 0, colon, h) || !Digits(t, colon + 1, 2, m))
            return false;
        if (t.size() == colon + 6) {
            if (t[colon + 3] != ':' || !Digits(t, colon + 4, 2, s)) return false;
        } else if (t.size() != colon + 3) {
            return false;
        }
    } else if (half >= 0) {
        if (t.empty() || t.size() > 2 || !Digits(t, 0, t.size(), h)) return false;
    } else if (t.size() != 4 || !Digits(t, 0, 2, h) || !Digits(t, 2, 2, m)) {  // "0930"
        return false;
    }
    if (m > 59 || s > 59) return false;
    if (half >= 0) {
        if (h < 1 || h > 12) return false;
        h = h % 12 + 12 * half;
    } else if (h > 24 || (h == 24 && (m != 0 || s != 0 || !end))) {
        return false;
    }
    seconds = h * 3600 + m * 60 + s;
    return true;
}

// One range, folded and trimmed: the seconds from its start to its end.
bool ReadRange(std::string_view t, std::int32_t& seconds) {
    static WordList words(kRangeWords);
    auto tryAt = [&](std::size_t at, std::size_t length) {
        std::int32_t start = 0, finish = 0;
        if (!ReadClock(Trimmed(t.substr(0, at)), false, start) ||
            !ReadClock(Trimmed(t.substr(at + length)), true, finish))
            return false;
        seconds = finish >= start ? finish - start : finish - start + kSecondsPerDay;
        return true;
    };
    for (std::string_view dash : {"-", "\u2013", "\u2014"})
        for (auto at = t.find(dash); at != std::string_view::npos; at = t.find(dash, at + 1))
            if (tryAt(at, dash.size())) return true;
    for (const std::string& word : words.Words())
        for (auto at = t.find(word); at != std::string_view::npos; at = t.find(word, at + 1))
            if (at > 0 && Blank(t[at - 1]) && at + word.size() < t.size() &&
                Blank(t[at + word.size()]) && tryAt(at, word.size()))
                return true;
    return false;
}

// A box's field: sign, digits, and a fraction after ".", in microseconds
// of `unit` seconds; at most nine whole digits.
bool FieldMicros(std::string_view field, std::int64_t unit, std::int64_t& micros) {
    micros = 0;
    if (field.empty()) return true;
    const bool negative = field.front() == '-';
    if (negative) field.remove_prefix(1);
    const auto dot = field.find('.');
    const std::string_view whole = field.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? "" : field.substr(dot + 1);
    if (whole.empty() || whole.size() > 9) return false;
    std::int64_t value = 0;
    for (char c : whole) {
        if (!Digit(c)) return false;
        value = value * 10 + (c - '0');
    }
    micros = value * unit * kMicrosPerSecond;
    for (char c : fraction)
        if (!Digit(c)) return false;
    // Nine digits of the fraction times the unit, divided once: to the
    // microsecond, half away from zero, with no product past 2^63.
    std::int64_t digits = 0, denominator = 1;
    for (std::size_t i = 0; i < fraction.size() && i < 9; ++i) {
        digits = digits * 10 + (fraction[i] - '0');
        denominator *= 10;
    }
    micros += (digits * unit * kMicrosPerSecond + denominator / 2) / denominator;
    if (negative) micros = -micros;
    return true;
}

}  // namespace

bool ParseClockTime(std::string_view text, bool end, std::int32_t& seconds) {
    if (text.size() > 64) return false;
    const std::string folded = FoldedText(text);
    return ReadClock(Trimmed(folded), end, seconds);
}

bool ParseRanges(std::string_view text, std::int64_t& seconds) {
    if (text.size() > kLongestRanges) return false;
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (text.find('\n') != std::string_view::npos) return false;
    const std::string folded = FoldedText(text);
    std::string_view rest = folded;
    std::int64_t total = 0;
    while (true) {
        const auto comma = rest.find_first_of(",;");
        std::int32_t one = 0;
        const std::string_view part = Trimmed(rest.substr(0, comma));
        if (part.empty() || !ReadRange(part, one)) return false;
        total += one;
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    seconds = total;
    return true;
}

bool ParsePasted(std::string_view text, PastedEntry& entry, char mark, std::string* twoWays) {
    std::int64_t seconds = 0;
    if (ParseRanges(text, seconds)) {
        entry = EntryOf(seconds * kMicrosPerSecond);
        return true;
    }
    return ParseDuration(text, entry, mark, twoWays);
}

bool EntryMicros(const PastedEntry& entry, std::int64_t& micros) {
    std::int64_t h = 0, m = 0, s = 0;
    if (!FieldMicros(entry.hours, 3600, h) || !FieldMicros(entry.minutes, 60, m) ||
        !FieldMicros(entry.seconds, 1, s))
        return false;
    micros = h + m + s;  // each below 3.6e18, and their sum below 2^63
    return true;
}

PastedEntry EntryOf(std::int64_t micros) {
    const bool negative = micros < 0;
    // The magnitude as unsigned, so even the most negative value has one.
    std::uint64_t left = negative ? 0 - static_cast<std::uint64_t>(micros)
                                  : static_cast<std::uint64_t>(micros);
    const std::uint64_t perHour = 3600ULL * kMicrosPerSecond, perMinute = 60ULL * kMicrosPerSecond;
    const std::uint64_t hours = left / perHour;
    left %= perHour;
    const std::uint64_t minutes = left / perMinute;
    left %= perMinute;
    std::string seconds = std::to_string(left / kMicrosPerSecond);
    if (const std::uint64_t fraction = left % kMicrosPerSecond) {
        std::string digits = std::to_string(fraction + kMicrosPerSecond).substr(1);
        while (digits.back() == '0') digits.pop_back();
        seconds += "." + digits;
    }
    const std::string sign = negative ? "-" : "";
    return {sign + std::to_string(hours), sign + std::to_string(minutes), sign + seconds};
}

PastedList ParseList(std::string_view text, char mark) {
    PastedList list;
    if (text.size() > kMaxListBytes) {
        list.outcome = PastedList::Outcome::TooLarge;
        return list;
    }
    // A list: a tab, or two lines with something on them.
    std::size_t filled = 0;
    for (std::size_t start = 0; start <= text.size() && filled < 2;) {
        const auto end = std::min(text.find('\n', start), text.size());
        if (!Trimmed(text.substr(start, end - start)).empty()) ++filled;
        start = end + 1;
    }
    if (filled < 2 && text.find('\t') == std::string_view::npos) return list;

    bool first = true;
    std::size_t line = 0;
    for (std::size_t start = 0; start <= text.size(); ++line) {
        const auto end = std::min(text.find('\n', start), text.size());
        const std::string_view row = text.substr(start, end - start);
        start = end + 1;
        if (Trimmed(row).empty()) continue;
        std::vector<std::int64_t> cells;
        std::string_view bad;
        for (std::size_t at = 0; at <= row.size();) {
            const auto tab = std::min(row.find('\t', at), row.size());
            const std::string_view cell = Trimmed(row.substr(at, tab - at));
            at = tab + 1;
            if (cell.empty()) continue;
            PastedEntry entry;
            std::int64_t micros = 0;
            if (ParsePasted(cell, entry, mark) && EntryMicros(entry, micros)) {
                cells.push_back(micros);
            } else if (bad.empty()) {
                bad = cell;
            }
        }
        const bool header = first && !bad.empty();
        first = false;
        if (header) continue;  // a first line that is no duration names the column
        if (!bad.empty()) {
            list.outcome = PastedList::Outcome::BadCell;
            list.badLine = line + 1;
            list.badText = std::string(bad);
            list.cells.clear();
            return list;
        }
        if (list.cells.size() + cells.size() > kMaxListCells) {
            list.outcome = PastedList::Outcome::TooLarge;
            list.cells.clear();
            return list;
        }
        list.cells.insert(list.cells.end(), cells.begin(), cells.end());
    }
    if (!list.cells.empty()) list.outcome = PastedList::Outcome::Read;
    return list;
}

}  // namespace tickwell
