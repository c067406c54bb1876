// The time calculator: its state, the entry rules and the seven commands,
// and the key dispatcher that maps typed characters onto them.
#pragma once

#include <cstdint>
#include <vector>

#include "duration.h"
#include "host.h"
#include "tape.h"

namespace tickwell {

class TimeCalculator {
public:
    explicit TimeCalculator(ICalcHost& host) : mHost(host) {}

    // Click handlers, one per command button.
    void cmdPlus_Click();
    void cmdMinus_Click();
    void cmdEquals_Click();
    void cmdClearAll_Click();
    void cmdClearEntry_Click();
    void cmdMinutes_Click();
    void cmdSeconds_Click();

    // Runs the click handler of a command button (no-op for a box).
    void Click(Control button);

    // Sees every typed character before the focused control; sets it to 0 to
    // swallow it.
    void Form_KeyPress(std::uint16_t& KeyAscii);

    // The entry as whole seconds (error 6 outside int32). Writes nothing.
    std::int32_t GetEntrySeconds() const;
    void ClearEntryBoxes();
    void DisplaySeconds(std::int32_t totalSeconds);

    // The tape that hears of every event; null for none.
    void SetTape(ITape* tape) { mTape = tape; }

    // Edit menu. Copy: the duration "=" would show now, as H:MM:SS, changing
    // nothing; where "=" would fail, the same error box and false. Paste:
    // fills the boxes as if the user had typed them.
    bool CopyDuration(std::string& text);
    void PasteEntry(const PastedEntry& entry);
    // A pasted list of durations (microseconds each): the boxes filled with
    // their sum as Paste fills them, the cells on the tape. A sum beyond
    // what the boxes can carry shows the Overflow box and changes nothing.
    void PasteList(const std::vector<std::int64_t>& cells);
    // Copy as hours: the same duration in decimal hours, up to four decimals
    // without trailing zeros ("1.5", "1.2611", "-0.5"); the same errors.
    bool CopyHours(std::string& text);

    // The duration "=" would show now, before it rounds (a pasted fraction of
    // a second kept), times or divided by `factor`, rounded once and shown as
    // "=" shows a result (whole seconds, ties to even, normalised, hours of
    // any size); the calculation ends as after "=". Errors as "=" reports
    // them, and Overflow only for a product no box can hold.
    void MultiplyDivide(bool divide, double factor);

    // Rounds what "=" would show, as MultiplyDivide takes it, to a whole
    // number of `minutes` by its magnitude (the sign kept; Nearest takes a
    // tie up), and shows it as "=" shows a result.
    enum class Rounding { Nearest, Up, Down };
    void Round(std::int32_t minutes, Rounding rounding);

    std::int32_t TotalSeconds() const { return mlTotalSeconds; }
    bool Subtracting() const { return mbSubtract; }
    bool EntryTyped() const { return mbEntryTyped; }
    bool CalculationInProgress() const { return mbCalcInProgress; }
    // How many error boxes the engine has shown, so a caller can tell
    // whether a command failed.
    std::uint32_t Errors() const { return mErrors; }

private:
    void ApplyPending(std::int32_t entrySeconds);
    void EqualsNormalise();
    // What "=" shows for an entry outside a chain: hours (with any fraction),
    // minutes and seconds within the hour.
    void Normalised(double& hours, std::int32_t& minutes, std::int32_t& seconds) const;
    // What "=" would show now, as hours and seconds apart (the hours may be
    // far beyond what seconds could hold). Throws as "=" would fail.
    void ShownDuration(double& hours, double& seconds) const;
    // The same before "=" rounds: whole hours, and the rest in seconds with
    // its fraction. Fails where "=" fails.
    void ExactDuration(double& hours, double& seconds) const;
    // Copy's error path: the error box, and false.
    bool CopyFailed();
    void EndCalculation();
    // Multiply and Round: the pending entry and `event` on the tape, then
    // `whole` hours and `rest` seconds shown and written as "=" does.
    template <typename Event>
    void ShowWorked(double whole, double rest, Event event);
    template <typename Event>
    void Log(Event event);
    template <typename Command>
    void RunWithErrorPath(Command command);
    void ShowCalcError(std::int32_t number, const std::string& description);
    double BoxValue(Control box) const;

    ICalcHost& mHost;
    std::int32_t mlTotalSeconds = 0;
    bool mbSubtract = false;
    bool mbEntryTyped = false;
    // Kept apart from the total: a chain whose total passes through 0 is
    // still a chain (5 - 5 - 3 = -3).
    bool mbCalcInProgress = false;
    ITape* mTape = nullptr;
    std::uint32_t mErrors = 0;
};

}  // namespace tickwell
