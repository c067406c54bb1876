// The pasted-duration reader on untrusted clipboard text, in a locale whose
// decimal mark is ".", one where it is "," and one where it is neither:
// whatever it accepts is one line of a duration whose fields the boxes read
// whole, a number is never guessed where the locale does not settle it, and
// what Copy writes always pastes back to the same duration. The
// multiply-or-divide field's reader runs on the same texts. Clock-time
// ranges are checked against a second reader written with regular
// expressions, and pasted lists against lists built from the input whose
// sum is known.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "duration.h"
#include "factor.h"
#include "numbers.h"
#include "timesheet.h"

namespace {

// -?digits(.digits)?, or empty: what a user types into a box.
bool Field(const std::string& f) {
    std::size_t i = f.size() && f[0] == '-' ? 1 : 0;
    if (i == f.size()) return i == 0;
    bool digits = false, point = false;
    for (; i < f.size(); ++i) {
        if (f[i] >= '0' && f[i] <= '9') {
            digits = true;
        } else if (f[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

// In long double, so the sum itself stays well inside a microsecond.
long double Seconds(const tickwell::PastedEntry& e) {
    return static_cast<long double>(tickwell::NumberValue(e.hours)) * 3600 +
           static_cast<long double>(tickwell::NumberValue(e.minutes)) * 60 +
           tickwell::NumberValue(e.seconds);
}

void Fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "%s: \"%s\"\n", what, text.c_str());
    std::abort();
}

// The readings a written number can have: its digits with the decimal
// point at one of its marks, or at none.
bool OneOfItsReadings(const std::string& text, double value) {
    std::string digits;
    std::vector<std::size_t> marks;  // digits before each mark
    for (const char c : text)
        if (c >= '0' && c <= '9')
            digits += c;
        else if ((c == '.' || c == ',') && !digits.empty())
            marks.push_back(digits.size());
    if (std::strtod(digits.c_str(), nullptr) == std::fabs(value)) return true;
    for (const std::size_t at : marks)
        if (std::strtod((digits.substr(0, at) + "." + digits.substr(at)).c_str(), nullptr) ==
            std::fabs(value))
            return true;
    // A leading point (".5").
    return text.find_first_of("0123456789") > text.find('.') &&
           std::strtod(("." + digits).c_str(), nullptr) == std::fabs(value);
}

// The oracle's clock time: seconds since midnight, or -1.
long OracleClock(const std::string& text, bool end) {
    static const std::regex clock(
        R"(^ *(\d{1,2})(?::(\d{2})(?::(\d{2}))?)? *(am|a\.m\.|pm|p\.m\.)? *$)");
    static const std::regex packed(R"(^ *(\d{2})(\d{2}) *$)");
    std::smatch m;
    long h = 0, mi = 0, se = 0;
    if (std::regex_match(text, m, clock)) {
        if (!m[2].matched && !m[4].matched) return -1;  // a bare number is no time
        h = std::stol(m[1]);
        mi = m[2].matched ? std::stol(m[2]) : 0;
        se = m[3].matched ? std::stol(m[3]) : 0;
        if (m[4].matched) {
            if (h < 1 || h > 12) return -1;
            h = h % 12 + (m[4].str()[0] == 'p' ? 12 : 0);
        }
    } else if (std::regex_match(text, m, packed)) {
        h = std::stol(m[1]);
        mi = std::stol(m[2]);
    } else {
        return -1;
    }
    if (mi > 59 || se > 59 || h > 24 || (h == 24 && (mi || se || !end))) return -1;
    return h * 3600 + mi * 60 + se;
}

// The oracle's ranges: every way to split each part at a dash or "to".
bool OracleRanges(const std::string& text, long long& total) {
    total = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t stop = text.find_first_of(",;", start);
        const std::string part = text.substr(start, stop - start);
        bool found = false;
        for (const std::string dash : {"-", "\u2013", "\u2014", " to "}) {
            for (std::size_t at = part.find(dash); at != std::string::npos && !found;
                 at = part.find(dash, at + 1)) {
                const long a = OracleClock(part.substr(0, at), false);
                const long b = OracleClock(part.substr(at + dash.size()), true);
                if (a < 0 || b < 0) continue;
                total += b >= a ? b - a : b - a + 86400;
                found = true;
            }
            if (found) break;
        }
        if (!found) return false;
        if (stop == std::string::npos) return true;
        start = stop + 1;
    }
}

bool Same(const tickwell::PastedEntry& a, const tickwell::PastedEntry& b) {
    return a.hours == b.hours && a.minutes == b.minutes && a.seconds == b.seconds;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // Read as a locale whose mark is ".", one whose mark is ",", and one
    // whose mark is neither.
    tickwell::PastedEntry entry[3];
    bool read[3];
    const char marks[3] = {'.', ',', 0};
    for (int i = 0; i < 3; ++i) {
        read[i] = tickwell::ParseDuration(text, entry[i], marks[i]);
        if (!read[i]) continue;
        if (text.size() > 200) Fail("accepted a text past the limit", text);
        const std::string body = text.substr(0, text.find_last_not_of("\r\n") + 1);
        if (body.find_first_of("\r\n") != std::string::npos) Fail("accepted two lines", text);
        if (!Field(entry[i].hours) || !Field(entry[i].minutes) || !Field(entry[i].seconds) ||
            (entry[i].hours + entry[i].minutes + entry[i].seconds).empty())
            Fail("accepted a field no box reads whole", text);
    }
    // Never guessed: what a locale that settles neither mark reads, both
    // other locales read alike.
    if (read[2] && !(read[0] && read[1] && Same(entry[0], entry[2]) && Same(entry[1], entry[2])))
        Fail("a two-way number read where the locale settles neither mark", text);
    // The multiply-or-divide field: what it accepts is a finite number made
    // of the text's digits with the point at one of its marks or none, and a
    // number both other locales read alike is all a locale that settles
    // neither mark reads.
    tickwell::Factor factor[3];
    bool got[3];
    for (int i = 0; i < 3; ++i) {
        got[i] = tickwell::ParseFactor(text, factor[i], marks[i]);
        if (!got[i]) continue;
        if (text.size() > 100 || !std::isfinite(factor[i].value)) Fail("accepted no number", text);
        if (!OneOfItsReadings(text, factor[i].value)) Fail("read another number", text);
    }
    if (got[2] && !(got[0] && got[1] && factor[0].value == factor[2].value &&
                    factor[1].value == factor[2].value))
        Fail("a two-way factor read where the locale settles neither mark", text);
    // Ranges, on plain ASCII in lower case (the reader's folding of other
    // scripts and blanks is the unit reader's, checked above): both readers
    // agree on what is a range and on its total.
    bool plain = text.size() < 300;
    for (const char c : text)
        plain = plain && c >= ' ' && c < 0x7F && !(c >= 'A' && c <= 'Z') && c != '\t';
    if (plain) {
        std::int64_t seconds = -1;
        long long expected = -1;
        const bool mine = tickwell::ParseRanges(text, seconds);
        if (mine != OracleRanges(text, expected) || (mine && seconds != expected))
            Fail("ranges read otherwise than the oracle reads them", text);
    }
    // A list built from the bytes: a header or none, clock times, ranges
    // and blank cells, rows by line breaks of either kind and by tabs.
    {
        std::string list = size && (data[0] & 1) ? "Hours\tNote\n" : "";
        std::int64_t expected = 0;
        std::size_t cells = 0;
        for (std::size_t i = 1; i + 1 < size && cells < 40; i += 2, ++cells) {
            const int h = data[i] % 30, m = (data[i + 1] * 7) % 60, h2 = (data[i + 1] >> 3) % 24;
            char cell[40];
            if (data[i + 1] & 1) {
                std::snprintf(cell, sizeof cell, "%d:%02d-%d:%02d", h % 24, m, h2, (m + 15) % 60);
                const long a = (h % 24) * 3600L + m * 60L, b = h2 * 3600L + ((m + 15) % 60) * 60L;
                expected += (b >= a ? b - a : b - a + 86400) * 1000000LL;
            } else {
                std::snprintf(cell, sizeof cell, "%d:%02d", h, m);
                expected += (h * 3600LL + m * 60LL) * 1000000LL;
            }
            list += cell;
            list += (data[i] & 2) ? "\t" : (data[i] & 4) ? "\r\n" : (data[i] & 8) ? "\n\n" : "\n";
        }
        if (cells >= 2) {
            const tickwell::PastedList read = tickwell::ParseList(list, '.');
            std::int64_t sum = 0;
            for (const std::int64_t cell : read.cells) sum += cell;
            if (read.outcome != tickwell::PastedList::Outcome::Read || read.cells.size() != cells ||
                sum != expected)
                Fail("a built list read otherwise", list);
        }
    }
    // Copy's text of any duration pastes back as the same duration.
    if (size >= sizeof(double)) {
        double seconds = 0;
        std::memcpy(&seconds, data, sizeof seconds);
        if (std::isfinite(seconds) && std::fabs(seconds) < 1e12) {
            const std::string copied = tickwell::DurationText(seconds);
            for (const char mark : marks) {
                tickwell::PastedEntry back;
                if (!tickwell::ParseDuration(copied, back, mark))
                    Fail("Copy's text does not paste", copied);
                // Rounded to the microsecond, never further.
                if (std::fabs(Seconds(back) - static_cast<long double>(seconds)) > 1e-6L)
                    Fail("Copy's text pastes as another duration", copied);
            }
        }
    }
    return 0;
}
