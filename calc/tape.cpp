#include "tape.h"

#include <cstdio>

#include "duration.h"
#include "numbers.h"
#include "translate.h"

namespace tickwell {

std::string Tape::Text() const {
    std::string text;
    for (const std::string& line : mLines) text += line + "\n";
    return text;
}

void Tape::Add(std::string line) {
    mLines.push_back(std::move(line));
    while (mLines.size() > kMaxLines) mLines.pop_front();
    if (mChanged) mChanged();
}

void Tape::Operand(bool subtract, std::int32_t seconds) {
    Add((subtract ? "\u2212 " : "+ ") + DurationText(seconds));
}

// The decimal hours as Copy as Hours writes them: four decimals at most, in
// the locale's decimal point.
void Tape::Result(double hours, double seconds) {
    Add("= " + DurationText(hours, seconds) + " (" + HoursText(hours + seconds / 3600.0) + " h)");
}

void Tape::Converted(Control button, const std::string& minutes, const std::string& seconds) {
    if (button == Control::cmdMinutes) {
        Add("MS " + minutes + " min " + seconds + " s");
    } else {
        Add("S " + seconds + " s");
    }
}

void Tape::Scaled(bool divide, double factor) {
    Add((divide ? "\u00F7 " : "\u00D7 ") + DecimalText(factor));
}

void Tape::ClearedEntry() { Add("CE"); }

void Tape::ClearedAll() {
    if (!mLines.empty() && mLines.back() != kRule) Add(kRule);  // one rule between groups
}

void Tape::Error(std::int32_t number, const std::string& description) {
    Add(Translate(N_("Error")) + std::string(" ") + IntegerText(number) + ": " +
        Translate(description));
}

}  // namespace tickwell
