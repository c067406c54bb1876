// The pasted-duration reader on untrusted clipboard text, in a locale whose
// decimal mark is ".", one where it is "," and one where it is neither:
// whatever it accepts is one line of a duration whose fields the boxes read
// whole, a number is never guessed where the locale does not settle it, and
// what Copy writes always pastes back to the same duration. The
// multiply-or-divide field's reader runs on the same texts.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "duration.h"
#include "factor.h"
#include "numbers.h"

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
