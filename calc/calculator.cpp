#include "calculator.h"

#include <cmath>
#include <limits>
#include <new>

#include "numbers.h"
#include "timesheet.h"
#include "translate.h"

namespace tickwell {

const char* ControlName(Control control) {
    switch (control) {
        case Control::txtHours: return "txtHours";
        case Control::txtMinutes: return "txtMinutes";
        case Control::txtSeconds: return "txtSeconds";
        case Control::cmdPlus: return "cmdPlus";
        case Control::cmdMinus: return "cmdMinus";
        case Control::cmdEquals: return "cmdEquals";
        case Control::cmdMinutes: return "cmdMinutes";
        case Control::cmdSeconds: return "cmdSeconds";
        case Control::cmdClearEntry: return "cmdClearEntry";
        case Control::cmdClearAll: return "cmdClearAll";
    }
    return "";
}

bool IsEntryBox(Control control) {
    return control == Control::txtHours || control == Control::txtMinutes ||
           control == Control::txtSeconds;
}

namespace {

// Clear entry and clear all go on past a failing step rather than report it.
template <typename Step>
void IgnoringFailure(Step step) {
    try {
        step();
    } catch (...) {
    }
}

// The number and description of the exception being handled.
void CurrentError(std::int32_t& number, std::string& description) {
    try {
        throw;
    } catch (const CalcError& error) {
        number = error.Number();
        description = error.Description();
    } catch (const std::bad_alloc&) {
        number = 7;
        description = N_("Out of memory");
    } catch (const std::exception& error) {
        number = 51;
        description = *error.what() ? error.what() : N_("Internal error");
    } catch (...) {
        number = 51;
        description = N_("Internal error");
    }
}

}  // namespace

double TimeCalculator::BoxValue(Control box) const { return NumberValue(mHost.GetText(box)); }

std::int32_t TimeCalculator::GetEntrySeconds() const {
    const double hours = BoxValue(Control::txtHours);
    const double minutes = BoxValue(Control::txtMinutes);
    const double seconds = BoxValue(Control::txtSeconds);
    return WholeNumber(FloatCheck((hours * 3600.0 + minutes * 60.0) + seconds));
}

void TimeCalculator::ClearEntryBoxes() {
    mHost.SetText(Control::txtHours, "");
    mHost.SetText(Control::txtMinutes, "");
    mHost.SetText(Control::txtSeconds, "");
    mHost.SetFocus(Control::txtHours);
}

void TimeCalculator::DisplaySeconds(std::int32_t totalSeconds) {
    mHost.SetText(Control::txtHours, IntegerText(IntDiv(totalSeconds, 3600)));
    mHost.SetText(Control::txtMinutes, IntegerText(IntDiv(IntMod(totalSeconds, 3600), 60)));
    mHost.SetText(Control::txtSeconds, IntegerText(IntMod(totalSeconds, 60)));
}

template <typename Event>
void TimeCalculator::Log(Event event) {
    if (mTape) IgnoringFailure([&] { event(*mTape); });  // the record never stops a command
}

void TimeCalculator::ShowCalcError(std::int32_t number, const std::string& description) {
    ++mErrors;
    Log([&](ITape& tape) { tape.Error(number, description); });
    mHost.MsgBox(
        Translate(N_("Error Number: ")) + IntegerText(number) + "\r\n" + Translate(description),
        Translate(N_("Error")), msgbox::kOkOnly | msgbox::kCritical);
}

template <typename Command>
void TimeCalculator::RunWithErrorPath(Command command) {
    std::int32_t number = 0;
    std::string description;
    try {
        command();
        return;
    } catch (...) {
        CurrentError(number, description);
    }
    IgnoringFailure([&] { ShowCalcError(number, description); });
    IgnoringFailure([&] { mHost.Press(Control::cmdClearEntry); });
}

void TimeCalculator::ApplyPending(std::int32_t entrySeconds) {
    mlTotalSeconds = mbSubtract ? CheckedSub(mlTotalSeconds, entrySeconds)
                                : CheckedAdd(mlTotalSeconds, entrySeconds);
    Log([&](ITape& tape) { tape.Operand(mbSubtract, entrySeconds); });
}

void TimeCalculator::cmdPlus_Click() {
    RunWithErrorPath([this] {
        ApplyPending(GetEntrySeconds());
        mbSubtract = false;
        mbCalcInProgress = true;
        ClearEntryBoxes();
    });
}

void TimeCalculator::cmdMinus_Click() {
    RunWithErrorPath([this] {
        ApplyPending(GetEntrySeconds());
        mbSubtract = true;
        mbCalcInProgress = true;
        ClearEntryBoxes();
    });
}

void TimeCalculator::cmdEquals_Click() {
    RunWithErrorPath([this] {
        if (!mbCalcInProgress) {
            EqualsNormalise();
            return;
        }
        ApplyPending(GetEntrySeconds());
        DisplaySeconds(mlTotalSeconds);
        Log([this](ITape& tape) { tape.Result(0, mlTotalSeconds); });
        EndCalculation();
    });
}

void TimeCalculator::EndCalculation() {
    mlTotalSeconds = 0;
    mbSubtract = false;
    mbEntryTyped = false;
    mbCalcInProgress = false;
}

void TimeCalculator::Normalised(double& h, std::int32_t& m, std::int32_t& s) const {
    const double hours = BoxValue(Control::txtHours);
    const double minutes = BoxValue(Control::txtMinutes);
    const double seconds = BoxValue(Control::txtSeconds);
    s = WholeNumber(seconds);
    m = WholeNumber(FloatCheck(minutes + IntDiv(s, 60)));
    h = FloatCheck(hours + IntDiv(m, 60));
}

void TimeCalculator::EqualsNormalise() {
    // Every step that can fail comes before the first write.
    double h = 0;
    std::int32_t m = 0, s = 0;
    Normalised(h, m, s);
    mHost.SetText(Control::txtHours, DecimalText(h));
    mHost.SetText(Control::txtMinutes, IntegerText(IntMod(m, 60)));
    mHost.SetText(Control::txtSeconds, IntegerText(IntMod(s, 60)));
    Log([&](ITape& tape) { tape.Result(h, IntMod(m, 60) * 60.0 + IntMod(s, 60)); });
}

void TimeCalculator::ShownDuration(double& hours, double& seconds) const {
    // The same steps, and so the same failures, as "=".
    if (mbCalcInProgress) {
        const std::int32_t entry = GetEntrySeconds();
        hours = 0;
        seconds =
            mbSubtract ? CheckedSub(mlTotalSeconds, entry) : CheckedAdd(mlTotalSeconds, entry);
        return;
    }
    std::int32_t m = 0, s = 0;
    Normalised(hours, m, s);
    seconds = IntMod(m, 60) * 60.0 + IntMod(s, 60);
}

bool TimeCalculator::CopyFailed() {
    std::int32_t number = 0;
    std::string description;
    CurrentError(number, description);
    IgnoringFailure([&] { ShowCalcError(number, description); });
    return false;
}

bool TimeCalculator::CopyDuration(std::string& text) {
    try {
        double hours = 0, seconds = 0;
        ShownDuration(hours, seconds);
        text = DurationText(hours, seconds);
        return true;
    } catch (...) {
        return CopyFailed();
    }
}

bool TimeCalculator::CopyHours(std::string& text) {
    try {
        double hours = 0, seconds = 0;
        ShownDuration(hours, seconds);
        text = HoursText(hours + seconds / 3600.0);
        return true;
    } catch (...) {
        return CopyFailed();
    }
}

void TimeCalculator::ExactDuration(double& hours, double& seconds) const {
    ShownDuration(hours, seconds);  // fails where "=" fails
    const double h = BoxValue(Control::txtHours);
    const double m = BoxValue(Control::txtMinutes);
    const double s = BoxValue(Control::txtSeconds);
    if (mbCalcInProgress) {
        const double entry = h * 3600.0 + m * 60.0 + s;
        hours = 0;
        seconds = mlTotalSeconds + (mbSubtract ? -entry : entry);
        return;
    }
    hours = std::trunc(h);
    seconds = (h - hours) * 3600.0 + m * 60.0 + s;
}

void TimeCalculator::MultiplyDivide(bool divide, double factor) {
    RunWithErrorPath([&] {
        if (divide && factor == 0) throw CalcError(11, N_("Division by zero"));
        double hours = 0, seconds = 0;
        ExactDuration(hours, seconds);
        const auto scaled = [&](double value) {
            return FloatCheck(divide ? value / factor : value * factor);
        };
        // Whole hours and the rest scaled apart, so hours far beyond what
        // seconds could hold keep their rest; rounded once, ties to even.
        const double h = scaled(hours);
        double whole = std::trunc(h);
        double rest = std::nearbyint(FloatCheck((h - whole) * 3600.0 + scaled(seconds)));
        const double carried = std::trunc(rest / 3600);
        whole = FloatCheck(whole + carried);
        rest -= carried * 3600;
        if (whole > 0 && rest < 0) rest += 3600, whole -= 1;
        if (whole < 0 && rest > 0) rest -= 3600, whole += 1;
        ShowWorked(whole, rest, [&](ITape& tape) { tape.Scaled(divide, factor); });
    });
}

template <typename Event>
void TimeCalculator::ShowWorked(double whole, double rest, Event event) {
    if (mbCalcInProgress) {  // the pending entry, as "=" records it
        const std::int32_t entry = GetEntrySeconds();
        Log([&](ITape& tape) { tape.Operand(mbSubtract, entry); });
    }
    Log(event);
    const auto r = static_cast<std::int32_t>(rest);  // within an hour
    mHost.SetText(Control::txtHours, DecimalText(whole));
    mHost.SetText(Control::txtMinutes, IntegerText(IntDiv(r, 60)));
    mHost.SetText(Control::txtSeconds, IntegerText(IntMod(r, 60)));
    Log([&](ITape& tape) { tape.Result(whole, rest); });
    EndCalculation();
}

void TimeCalculator::Round(std::int32_t minutes, Rounding rounding) {
    RunWithErrorPath([&] {
        double hours = 0, seconds = 0;
        ExactDuration(hours, seconds);
        // By magnitude, in whole steps of the duration as one number: a step
        // need not divide an hour (90 min), and a day's worth of hours is
        // still exact in a double to far below a second.
        const double total = FloatCheck(hours * 3600.0 + seconds);
        const double step = 60.0 * minutes;
        const double steps = std::fabs(total) / step;
        const double kept = rounding == Rounding::Up     ? std::ceil(steps)
                            : rounding == Rounding::Down ? std::floor(steps)
                                                         : std::floor(steps + 0.5);
        const double rounded = std::copysign(FloatCheck(kept * step), total);
        const double whole = std::trunc(rounded / 3600);
        const double rest = rounded - whole * 3600;
        ShowWorked(whole, rest,
                   [&](ITape& tape) { tape.Rounded(static_cast<int>(rounding), minutes); });
    });
}

void TimeCalculator::PasteEntry(const PastedEntry& entry) {
    mHost.SetText(Control::txtHours, entry.hours);
    mHost.SetText(Control::txtMinutes, entry.minutes);
    mHost.SetText(Control::txtSeconds, entry.seconds);
    mbEntryTyped = true;
}

void TimeCalculator::PasteList(const std::vector<std::int64_t>& cells) {
    // Each cell is below 2^62 microseconds and there are at most a few
    // thousand, so the sum is checked once, after it.
    std::int64_t total = 0;
    bool over = false;
    for (const std::int64_t cell : cells)
        over = over || __builtin_add_overflow(total, cell, &total);
    const std::int64_t most =
        std::int64_t{std::numeric_limits<std::int32_t>::max()} * kMicrosPerSecond;
    if (over || total > most || total < -most) {
        IgnoringFailure([&] { ShowCalcError(kErrOverflow, N_("Overflow")); });
        return;
    }
    Log([&](ITape& tape) { tape.Listed(cells); });
    PasteEntry(EntryOf(total));
}

void TimeCalculator::cmdClearAll_Click() {
    Log([](ITape& tape) { tape.ClearedAll(); });
    mlTotalSeconds = 0;
    mbSubtract = false;
    mbEntryTyped = false;
    mbCalcInProgress = false;
    IgnoringFailure([this] { ClearEntryBoxes(); });
}

void TimeCalculator::cmdClearEntry_Click() {
    if (!mbEntryTyped) return;
    Log([](ITape& tape) { tape.ClearedEntry(); });
    IgnoringFailure([this] { ClearEntryBoxes(); });
    mbEntryTyped = false;
    if (mbCalcInProgress) {
        IgnoringFailure([this] { mHost.Press(Control::cmdEquals); });
        IgnoringFailure([this] { mHost.SetFocus(Control::cmdClearEntry); });
    }
}

void TimeCalculator::cmdMinutes_Click() {
    RunWithErrorPath([this] {
        const double hours = BoxValue(Control::txtHours);
        const double minutes = BoxValue(Control::txtMinutes);
        const double seconds = BoxValue(Control::txtSeconds);
        const double a = FloatCheck(hours * 60.0 + minutes);
        const std::int32_t s = WholeNumber(seconds);
        const double total = FloatCheck(a + IntDiv(s, 60));
        mHost.SetText(Control::txtMinutes, DecimalText(total));
        mHost.SetText(Control::txtSeconds, IntegerText(IntMod(s, 60)));
        mHost.SetText(Control::txtHours, "");
        mbEntryTyped = false;
        Log([&](ITape& tape) {
            tape.Converted(Control::cmdMinutes, DecimalText(total), IntegerText(IntMod(s, 60)));
        });
    });
}

void TimeCalculator::cmdSeconds_Click() {
    RunWithErrorPath([this] {
        const std::int32_t e = GetEntrySeconds();
        mHost.SetText(Control::txtSeconds, IntegerText(e));
        mHost.SetText(Control::txtMinutes, "");
        mHost.SetText(Control::txtHours, "");
        mbEntryTyped = false;
        Log([&](ITape& tape) { tape.Converted(Control::cmdSeconds, "", IntegerText(e)); });
    });
}

void TimeCalculator::Click(Control button) {
    switch (button) {
        case Control::cmdPlus: cmdPlus_Click(); break;
        case Control::cmdMinus: cmdMinus_Click(); break;
        case Control::cmdEquals: cmdEquals_Click(); break;
        case Control::cmdMinutes: cmdMinutes_Click(); break;
        case Control::cmdSeconds: cmdSeconds_Click(); break;
        case Control::cmdClearEntry: cmdClearEntry_Click(); break;
        case Control::cmdClearAll: cmdClearAll_Click(); break;
        case Control::txtHours:
        case Control::txtMinutes:
        case Control::txtSeconds: break;
    }
}

void TimeCalculator::Form_KeyPress(std::uint16_t& KeyAscii) {
    auto focusAndPress = [this](Control button) {
        // A focus request that fails must not keep the command from running.
        IgnoringFailure([&] { mHost.SetFocus(button); });
        // The pressed handler reports its own failures; a host that fails to
        // press at all is reported here rather than thrown into the toolkit.
        try {
            mHost.Press(button);
        } catch (...) {
            std::int32_t number = 0;
            std::string description;
            CurrentError(number, description);
            IgnoringFailure([&] { ShowCalcError(number, description); });
        }
    };

    switch (KeyAscii) {
        case 8:
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7':
        case '8':
        case '9': mbEntryTyped = true; return;  // passed on to the focused box
        case 'M':
        case 'm': focusAndPress(Control::cmdMinutes); break;
        case 'S':
        case 's': focusAndPress(Control::cmdSeconds); break;
        case 'E':
        case 'e': focusAndPress(Control::cmdClearEntry); break;
        case 'C':
        case 'c': focusAndPress(Control::cmdClearAll); break;
        case '+': focusAndPress(Control::cmdPlus); break;
        case '-': focusAndPress(Control::cmdMinus); break;
        case '=':
        case 13: focusAndPress(Control::cmdEquals); break;
        case '/':
        case ':': IgnoringFailure([this] { mHost.SendTab(); }); break;  // "1:25:40" as written
        case '*': IgnoringFailure([this] { mHost.AskFactor(); }); break;
        default: break;
    }
    KeyAscii = 0;
}

}  // namespace tickwell
