// Durations as text, in and out: "H:MM:SS" for the clipboard and the tape,
// and the forms people paste (timesheets, video tools, "1h 25m").
#pragma once

#include <string>
#include <string_view>

namespace tickwell {

// "1:26:30", "0:00:02.5", "-0:30:00", "596523:14:07": hours unpadded,
// minutes and seconds two digits, fractional seconds with only the digits
// they need, rounded to the microsecond; never "-0:00:00".
// `hours` hours and `seconds` seconds together: the hours are written in
// full however large (a box's 306 digits), with no product that overflows.
// What is exact: the whole hours a double holds, and the rest (the hours'
// fraction and the seconds, below two hours once whole hours are taken out)
// to the microsecond. `seconds` alone above about 2^33 s (272 years) holds
// no microseconds any more, so its fraction is what the double kept.
// Not a number or infinity (never given by the engine) reads "0:00:00".
std::string DurationText(double hours, double seconds);
std::string DurationText(double seconds);

// Decimal hours for timesheets: up to four decimals, no trailing zeros, no
// "-0" ("1.5", "1.2611", "-0.5", "0").
std::string HoursText(double hours);

// Text as the paste reader compares it: letters of Latin, Greek and
// Cyrillic script in lower case, the blanks of typography (no-break, narrow
// no-break, thin and figure spaces) plain ones; anything else unchanged.
std::string FoldedText(std::string_view text);

// The three boxes as a user would have typed a pasted duration.
struct PastedEntry {
    std::string hours, minutes, seconds;
};

// One duration on one line: H:MM:SS, H:MM:SS.fff, H:MM (hours and minutes),
// either with the hours unit after it ("1:30 h"), or numbers with units in
// any order ("1h 25m 40s", "90 min", "2.5h", "1 hour 5 minutes", "2 Std. 15
// Min.", "1 ora e 30 minuti"), with an optional leading "-". Unit words are
// the English ones and the catalogue's, in any case, an abbreviation with or
// without its period; the blanks of typography count as blanks. Numbers are
// read as the locale whose decimal mark is `mark` writes them
// (ReadWrittenNumber); a clock's fraction of a second is one with "." or
// ",". Blanks around it and one line break after it are ignored. False for
// anything else, and `entry` is then untouched; where a number could be read
// two ways, `twoWays` (when given) receives it.
bool ParseDuration(std::string_view text, PastedEntry& entry, char mark,
                   std::string* twoWays = nullptr);
// The same in the user's locale.
bool ParseDuration(std::string_view text, PastedEntry& entry);

}  // namespace tickwell
