// Tape > Save As: the tape's lines as a file, plain text or CSV for a
// spreadsheet. The front end asks for the name and writes the bytes whole.
#pragma once

#include <deque>
#include <string>

#include "translate.h"

namespace tickwell::forms {

enum class TapeFormat { Text, Csv };

// The save dialog's two kinds, each followed by its pattern (" (*.txt)").
constexpr const char* kTapeTextFilter = N_("Plain text");
constexpr const char* kTapeCsvFilter = N_("CSV for spreadsheets");
constexpr const char* kTapeTextPattern = "*.txt";
constexpr const char* kTapeCsvPattern = "*.csv";
// The name the dialog offers, before its extension.
constexpr const char* kTapeFileName = N_("Tape");
// {file}: the name chosen; {reason}: what the system said.
constexpr const char* kTapeSaveFailedText = N_("The tape could not be saved as {file}: {reason}");
constexpr const char* kTapeSaveAsTitle = N_("Save Tape As");

// The CSV columns, in the user's language.
constexpr const char* kCsvOperation = N_("Operation");
constexpr const char* kCsvDuration = N_("Duration");
constexpr const char* kCsvHours = N_("Hours");

// The file's bytes. Text: the lines as shown, UTF-8. CSV: a header, then a
// row per line (operation; entry or result as H:MM:SS; decimal hours), with
// the list separator of the locale (";" where the decimal mark is ","),
// UTF-8 with a byte-order mark so spreadsheets take it as such. A rule is an
// empty row. `newline` is the platform's ("\r\n" on Windows); `listSeparator`
// the one the system names (Windows does, and spreadsheets there split by
// it), or 0 for the one that goes with the decimal mark.
std::string TapeFileBytes(const std::deque<std::string>& lines, TapeFormat format,
                          const std::string& newline, char listSeparator = 0);

// The kind a chosen name asks for: its extension (.csv or .txt, in any
// case) when it has one of them, otherwise the dialog's kind (0 text, 1 CSV).
TapeFormat TapeFormatFor(const std::string& path, int filterIndex);

// The list separator where `decimalMark` is the decimal mark.
char CsvSeparator(const std::string& decimalMark);

// The one message a failed save shows.
std::string TapeSaveFailed(const std::string& file, const std::string& reason);

}  // namespace tickwell::forms
