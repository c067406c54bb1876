#include "tape.h"

#include <cmath>
#include <cstdio>

#include "duration.h"
#include "numbers.h"
#include "translate.h"
#include "written_number.h"

namespace tickwell {

std::string Tape::Text() const {
    std::string text;
    for (const std::string& line : mLines) text += line + "\n";
    return text;
}

std::string Tape::KeptText() const {
    std::string text;
    for (std::size_t i = mHeading; i < mLines.size(); ++i) text += mLines[i] + "\n";
    return text;
}

void Tape::Push(std::string line) {
    mLines.push_back(std::move(line));
    if (mLines.size() > kMaxLines) {
        if (!mDropped.empty()) mDropped += '\n';
        mDropped += mLines.front();
        mLines.pop_front();
        if (mHeading > 0) --mHeading;
    }
}

void Tape::Restore(const std::vector<std::string>& lines, const std::string& day) {
    if (lines.empty()) return;
    Clear();
    // The heading goes first, so the cap drops it before any kept line.
    if (!day.empty()) {
        mLines.emplace_back(kRule);
        mLines.push_back(day);
        mHeading = 2;
    }
    for (const std::string& line : lines) Push(line);
    mDropped.clear();
}

void Tape::Clear() {
    mLines.clear();
    mDropped.clear();
    mHeading = 0;
}

void Tape::Add(std::string line) {
    mDropped.clear();
    Push(std::move(line));
    if (mChanged) mChanged();
}

namespace {

// A number or duration written with "." in the locale's decimal mark, so a
// line never mixes two marks.
std::string Local(std::string text) {
    const std::string point = LocaleDecimalPoint();
    if (point != ".")
        if (const auto at = text.find('.'); at != std::string::npos) text.replace(at, 1, point);
    return text;
}

// TRANSLATORS: the tape's unit symbols, after a number ("62 min 5 s").
const char* const kHourSymbol = N_("h");
const char* const kMinuteSymbol = N_("min");
const char* const kSecondSymbol = N_("s");
// TRANSLATORS: the tape's symbol for days, after a number ("2 d 1:30:00").
const char* const kDaySymbol = N_("d");

std::string Unit(const char* symbol) { return std::string(" ") + Translate(symbol); }

}  // namespace

void Tape::Operand(bool subtract, std::int32_t seconds) {
    Add((subtract ? "\u2212 " : "+ ") + DurationText(seconds));
}

// The decimal hours as Copy as Hours writes them: four decimals at most, in
// the locale's decimal point.
void Tape::Result(double hours, double seconds) {
    std::string line = "= " + Local(DurationText(hours, seconds)) + " (" +
                       HoursText(hours + seconds / 3600.0) + Unit(kHourSymbol);
    // A day or more is also written in days, while whole hours are exact.
    double whole = std::trunc(hours) + std::trunc(seconds / 3600);
    const double rest =
        (hours - std::trunc(hours)) * 3600 + seconds - std::trunc(seconds / 3600) * 3600;
    if (std::fabs(whole) >= 24 && std::fabs(whole) < 1e15) {
        const double days = std::trunc(std::fabs(whole) / 24);
        whole = std::fabs(whole) - days * 24;
        line += ", " + std::string(hours < 0 || seconds < 0 ? "-" : "") + DecimalText(days) +
                Unit(kDaySymbol) + " " + Local(DurationText(whole, std::fabs(rest)));
    }
    Add(line + ")");
}

void Tape::Converted(Control button, const std::string& minutes, const std::string& seconds) {
    if (button == Control::cmdMinutes) {
        Add("MS " + Local(minutes) + Unit(kMinuteSymbol) + " " + seconds + Unit(kSecondSymbol));
    } else {
        Add("S " + seconds + Unit(kSecondSymbol));
    }
}

void Tape::Scaled(bool divide, double factor) {
    Add((divide ? "\u00F7 " : "\u00D7 ") + Local(DecimalText(factor)));
}

void Tape::Listed(const std::vector<std::int64_t>& cells) {
    // One redraw for the whole list, however long, and only the lines the
    // tape keeps are written; the window hears of every line pushed out.
    mDropped.clear();
    std::int64_t total = 0;
    const std::size_t first = cells.size() > kMaxLines ? cells.size() - kMaxLines : 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        total += cells[i];
        if (i >= first) Push("\u00B7 " + Local(DurationText(static_cast<double>(cells[i]) / 1e6)));
    }
    const double seconds = static_cast<double>(total) / 1e6;
    Push("\u03A3 " + Local(DurationText(seconds)) + " (" + HoursText(seconds / 3600.0) +
         Unit(kHourSymbol) + ")");
    if (mChanged) mChanged();
}

void Tape::Rounded(int rounding, std::int32_t minutes) {
    static const char* const kWords[] = {N_("round nearest {n} min"), N_("round up {n} min"),
                                         N_("round down {n} min")};
    std::string line = Translate(kWords[rounding < 0 || rounding > 2 ? 0 : rounding]);
    if (const auto at = line.find("{n}"); at != std::string::npos)
        line.replace(at, 3, IntegerText(minutes));
    Add(line);
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
