#include "spoken.h"

#include <cstdint>

#include "catalogue.h"
#include "layout.h"

namespace tickwell::forms {

namespace {

// One box's number as a speaker needs it.
struct SpokenNumber {
    std::string magnitude;  // as shown, without its sign
    bool negative = false;
    bool zero = true;
    bool fraction = false;
    std::uint64_t pluralN = 0;  // what picks the plural form
};

SpokenNumber Read(const std::string& text) {
    SpokenNumber number;
    std::string_view rest = text;
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
    if (!rest.empty() && rest.front() == '-') {
        number.negative = true;
        rest.remove_prefix(1);
    }
    number.magnitude = std::string(rest);
    // The plural rules look at the last digits and at 0 and 1; a number too
    // long for them keeps its last six digits and stays plural.
    std::size_t digits = 0;
    bool numeric = !rest.empty();
    for (char c : rest) {
        if (c >= '0' && c <= '9') {
            if (c != '0') number.zero = false;
            if (!number.fraction) {
                number.pluralN =
                    (number.pluralN * 10 + static_cast<std::uint64_t>(c - '0')) % 1000000;
                ++digits;
            }
        } else if ((c == '.' || c == ',') && !number.fraction) {
            number.fraction = true;
        } else {
            numeric = false;
        }
    }
    if (digits > 6) number.pluralN += 1000000;
    if (!numeric) {  // a box that holds no number is said as it stands, plural
        number.zero = false;
        number.fraction = false;
        number.pluralN = 1000000;
    }
    return number;
}

std::string Said(const SpokenNumber& number, int unit) {
    std::string form;
    // Said by a screen reader, {n} being the number as its box shows it.
    const std::uint64_t n = number.pluralN;
    if (number.fraction && unit == 0)
        // TRANSLATORS: a screen reader says it; {n} has a fraction, as in 1.5 hours.
        form = TrC("fraction", "{n} hours");
    else if (number.fraction && unit == 1)
        // TRANSLATORS: a screen reader says it; {n} has a fraction, as in 2.5 minutes.
        form = TrC("fraction", "{n} minutes");
    else if (number.fraction)
        // TRANSLATORS: a screen reader says it; {n} has a fraction, as in 0.5 seconds.
        form = TrC("fraction", "{n} seconds");
    else if (unit == 0)
        // TRANSLATORS: a screen reader says it; {n} is a whole number of hours.
        form = TrN("{n} hour", "{n} hours", n);
    else if (unit == 1)
        // TRANSLATORS: a screen reader says it; {n} is a whole number of minutes.
        form = TrN("{n} minute", "{n} minutes", n);
    else
        // TRANSLATORS: a screen reader says it; {n} is a whole number of seconds.
        form = TrN("{n} second", "{n} seconds", n);
    if (const auto at = form.find("{n}"); at != std::string::npos)
        form.replace(at, 3, number.magnitude);
    return form;
}

std::string Minus(const std::string& said) {
    // TRANSLATORS: said by a screen reader before a negative duration in words.
    std::string text = Tr("minus {duration}");
    if (const auto at = text.find("{duration}"); at != std::string::npos)
        text.replace(at, 10, said);
    return text;
}

}  // namespace

std::string SpokenEntry(const std::string& hours, const std::string& minutes,
                        const std::string& seconds) {
    const std::string* boxes[] = {&hours, &minutes, &seconds};
    SpokenNumber numbers[3];
    int last = -1;
    bool anyNonZero = false, allNegative = true;
    for (int unit = 0; unit < 3; ++unit) {
        numbers[unit] = Read(*boxes[unit]);
        if (numbers[unit].magnitude.empty()) continue;
        last = unit;
        if (!numbers[unit].zero) {
            anyNonZero = true;
            allNegative = allNegative && numbers[unit].negative;
        }
    }
    // TRANSLATORS: said by a screen reader when every box is empty.
    if (last < 0) return Tr("cleared");
    if (!anyNonZero) {
        SpokenNumber zero = numbers[last];
        zero.negative = false;
        return Said(zero, last);
    }
    std::string text;
    for (int unit = 0; unit < 3; ++unit) {
        const SpokenNumber& number = numbers[unit];
        if (number.magnitude.empty() || number.zero) continue;
        if (!text.empty()) text += ", ";
        const std::string said = Said(number, unit);
        text += number.negative && !allNegative ? Minus(said) : said;
    }
    return allNegative ? Minus(text) : text;
}

void SpeakEntry(ICalcHost& host) {
    host.Announce(SpokenEntry(host.GetText(Control::txtHours), host.GetText(Control::txtMinutes),
                              host.GetText(Control::txtSeconds)));
}

void Spoken(TimeCalculator& calc, ICalcHost& host, const std::function<bool()>& command) {
    const std::uint32_t errors = calc.Errors();
    if (command() && calc.Errors() == errors) SpeakEntry(host);
}

void RunCommand(TimeCalculator& calc, ICalcHost& host, Control button) {
    Spoken(calc, host, [&] {
        calc.Click(button);
        return true;
    });
}

std::string TapeOpenedText(const Tape& tape) {
    // The newest line that says something: a rule only separates groups.
    std::string text = Tr(kTapeCaption);
    const auto& lines = tape.Lines();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (*line != Tape::kRule) return text + ". " + *line;
    return text;
}

}  // namespace tickwell::forms
