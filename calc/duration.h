// Durations as text, in and out: "H:MM:SS" for the clipboard and the tape,
// and the forms people paste (timesheets, video tools, "1h 25m").
#pragma once

#include <string>
#include <string_view>

namespace tickwell {

// "1:26:30", "0:00:02.5", "-0:30:00", "596523:14:07": hours unpadded,
// minutes and seconds two digits, fractional seconds with only the digits
// they need (to the microsecond).
std::string DurationText(double seconds);

// The three boxes as a user would have typed a pasted duration.
struct PastedEntry {
    std::string hours, minutes, seconds;
};

// One duration on one line: H:MM:SS, H:MM:SS.fff, H:MM (hours and minutes),
// or numbers with units in any order ("1h 25m 40s", "90 min", "2.5h",
// "1 hour 5 minutes"), with an optional leading "-". Blanks around it and one
// line break after it are ignored; "." is the decimal point. False for
// anything else, and `entry` is then untouched.
bool ParseDuration(std::string_view text, PastedEntry& entry);

}  // namespace tickwell
