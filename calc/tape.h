// The tape: a running record of a calculation, fed by the engine as each
// event happens, so every window (and a test) sees the same lines.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "host.h"

namespace tickwell {

// What the engine tells a tape.
class ITape {
public:
    virtual ~ITape() = default;
    // An entry taken into the chain with the operator it was entered with.
    virtual void Operand(bool subtract, std::int32_t seconds) = 0;
    // What "=" showed, as a duration: `hours` hours and `seconds` seconds
    // (apart, so a result of a 306-digit hours box is written whole).
    virtual void Result(double hours, double seconds) = 0;
    // A conversion, as its boxes now show it (MS: minutes and seconds; S: seconds).
    virtual void Converted(Control button, const std::string& minutes,
                           const std::string& seconds) = 0;
    // The duration "=" would show, multiplied or divided (its result follows).
    virtual void Scaled(bool divide, double factor) = 0;
    virtual void ClearedEntry() = 0;
    virtual void ClearedAll() = 0;
    virtual void Error(std::int32_t number, const std::string& description) = 0;
    // What "=" would show, rounded to `minutes` (0 nearest, 1 up, 2 down);
    // its result follows.
    virtual void Rounded(int rounding, std::int32_t minutes) = 0;
    // A pasted list's cells (microseconds each), before their sum fills the boxes.
    virtual void Listed(const std::vector<std::int64_t>& cells) = 0;
};

// The lines people read, newest last: "+ 1:25:40", "− 0:10:00",
// "= 1:15:40 (1.2611 h)", "× 3", "÷ 4", "MS 62 min 5 s", "S 3725 s", "CE",
// "Error 6: Overflow", a pasted list's cells ("· 1:00:00") and their sum
// ("Σ 4:15:00 (4.25 h)"), "round up 15 min", and a rule where C started a new group.
class Tape : public ITape {
public:
    static constexpr std::size_t kMaxLines = 1000;
    static constexpr const char* kRule =
        "\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500";

    const std::deque<std::string>& Lines() const { return mLines; }
    // The lines the newest change pushed out at the cap, apart by "\n" (a
    // pasted list may push out many); empty when it pushed out none.
    const std::string& Dropped() const { return mDropped; }
    // Plain text, one line per event.
    std::string Text() const;
    // Lines kept from an earlier run, shown under a rule and the day they
    // were kept ("2026-12-09"; none when empty), before any line of this run.
    void Restore(const std::vector<std::string>& lines, const std::string& day);
    // The lines to keep for the next run: all but the heading Restore put
    // above them, so headings never pile up run after run.
    std::string KeptText() const;
    // Every line gone (the window shows the tape anew; it is not told).
    void Clear();
    // Called after every new line (the tape window redraws).
    void OnChanged(std::function<void()> changed) { mChanged = std::move(changed); }

    void Operand(bool subtract, std::int32_t seconds) override;
    void Result(double hours, double seconds) override;
    void Converted(Control button, const std::string& minutes, const std::string& seconds) override;
    void Scaled(bool divide, double factor) override;
    void ClearedEntry() override;
    void ClearedAll() override;
    void Error(std::int32_t number, const std::string& description) override;
    void Listed(const std::vector<std::int64_t>& cells) override;
    void Rounded(int rounding, std::int32_t minutes) override;

private:
    void Add(std::string line);   // and tells the window
    void Push(std::string line);  // without telling it
    std::deque<std::string> mLines;
    std::string mDropped;
    std::size_t mHeading = 0;  // lines of Restore's heading still at the top
    std::function<void()> mChanged;
};

}  // namespace tickwell
