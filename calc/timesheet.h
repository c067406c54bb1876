// What people bring from timesheets: the time between two clock times
// ("9:00-17:30", "22:00-06:00" across midnight, several ranges summed) and
// columns or rows of durations copied from a spreadsheet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "duration.h"

namespace tickwell {

constexpr std::int64_t kMicrosPerSecond = 1000000;
constexpr std::int32_t kSecondsPerDay = 86400;

// A clock time of day: "9:00", "09:30", "9:30:15", "0930", "9am", "9:30 pm",
// "9:30 p.m.", "12 am" (0:00), "12 pm" (12:00), and "24:00" where `end`.
// Hours above 24, minutes or seconds above 59 are refused. The am and pm
// words are the English ones and the catalogue's. Seconds since midnight.
bool ParseClockTime(std::string_view text, bool end, std::int32_t& seconds);

// One range of two clock times joined by "-", "–", "—" or "to" (and the
// catalogue's words for it), or several joined by "," or ";": their total
// in seconds. An end before its start is the next day; an end equal to its
// start is no time. False, and `seconds` untouched, for anything else.
bool ParseRanges(std::string_view text, std::int64_t& seconds);

// A range, or else a duration as ParseDuration reads it.
bool ParsePasted(std::string_view text, PastedEntry& entry, char mark,
                 std::string* twoWays = nullptr);

// The boxes' duration in microseconds (rounded there); false where it is
// beyond any sum the boxes can carry, or not a number.
bool EntryMicros(const PastedEntry& entry, std::int64_t& micros);
// The boxes as a pasted duration of `micros` fills them: hours, minutes
// and seconds with its fraction, each with the sign ("-0", "-30", "-0").
PastedEntry EntryOf(std::int64_t micros);

// A pasted text of more than one line, or with tabs: a spreadsheet's column
// or row. Each non-blank cell is a range or a duration; a first line that is
// none (a header) is skipped.
struct PastedList {
    enum class Outcome { NotAList, Read, BadCell, TooLarge };
    Outcome outcome = Outcome::NotAList;
    std::vector<std::int64_t> cells;  // microseconds, in order
    std::size_t badLine = 0;          // 1-based, where a cell did not read
    std::string badText;              // that cell, trimmed
};
constexpr std::size_t kMaxListCells = 10000;
constexpr std::size_t kMaxListBytes = 1 << 20;
PastedList ParseList(std::string_view text, char mark);

}  // namespace tickwell
