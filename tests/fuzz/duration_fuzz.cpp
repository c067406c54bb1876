// The pasted-duration reader on untrusted clipboard text: whatever it
// accepts is one line of a duration whose fields the boxes read whole, and
// what Copy writes always pastes back to the same duration. The
// multiply-or-divide field's reader runs on the same texts.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    tickwell::PastedEntry entry;
    if (tickwell::ParseDuration(text, entry)) {
        if (text.size() > 200) Fail("accepted a text past the limit", text);
        const std::string body = text.substr(0, text.find_last_not_of("\r\n") + 1);
        if (body.find_first_of("\r\n") != std::string::npos) Fail("accepted two lines", text);
        if (!Field(entry.hours) || !Field(entry.minutes) || !Field(entry.seconds) ||
            (entry.hours + entry.minutes + entry.seconds).empty())
            Fail("accepted a field no box reads whole", text);
    }
    // The multiply-or-divide field: what it accepts is a finite number that
    // strtod reads from the same digits (with "," as the point), and never
    // longer than a field's limit.
    tickwell::Factor factor;
    if (tickwell::ParseFactor(text, factor)) {
        if (text.size() > 100 || !std::isfinite(factor.value)) Fail("accepted no number", text);
        std::string digits;
        for (const char c : text)
            if ((c >= '0' && c <= '9') || c == '-')
                digits += c;
            else if (c == '.' || c == ',')
                digits += '.';
        if (std::strtod(digits.c_str(), nullptr) != factor.value) Fail("read another number", text);
    }
    // Copy's text of any duration pastes back as the same duration.
    if (size >= sizeof(double)) {
        double seconds = 0;
        std::memcpy(&seconds, data, sizeof seconds);
        if (std::isfinite(seconds) && std::fabs(seconds) < 1e12) {
            const std::string copied = tickwell::DurationText(seconds);
            tickwell::PastedEntry back;
            if (!tickwell::ParseDuration(copied, back)) Fail("Copy's text does not paste", copied);
            // Rounded to the microsecond, never further.
            if (std::fabs(Seconds(back) - static_cast<long double>(seconds)) > 1e-6L)
                Fail("Copy's text pastes as another duration", copied);
        }
    }
    return 0;
}
