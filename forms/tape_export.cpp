#include "tape_export.h"

#include <cctype>

#include "catalogue.h"
#include "duration.h"
#include "tape.h"
#include "written_number.h"

namespace tickwell::forms {

namespace {

bool Digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The first H:MM:SS on a line (its fraction of a second in either mark,
// and a leading "-"), or npos.
std::size_t FindDuration(const std::string& line, std::size_t& length) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (!Digit(line[i]) || (i > 0 && Digit(line[i - 1]))) continue;
        std::size_t j = i;
        while (j < line.size() && Digit(line[j])) ++j;
        if (j + 6 > line.size() || line[j] != ':' || !Digit(line[j + 1]) || !Digit(line[j + 2]) ||
            line[j + 3] != ':' || !Digit(line[j + 4]) || !Digit(line[j + 5]))
            continue;
        std::size_t end = j + 6;
        if (end + 1 < line.size() && (line[end] == '.' || line[end] == ',') &&
            Digit(line[end + 1])) {
            ++end;
            while (end < line.size() && Digit(line[end])) ++end;
        }
        const std::size_t start = i > 0 && line[i - 1] == '-' ? i - 1 : i;
        length = end - start;
        return start;
    }
    return std::string::npos;
}

// Decimal hours of an H:MM:SS (FindDuration's shape), as the tape writes
// them. Read digit by digit: the shape is known, and strtod would bring a
// second number reader into the Windows program.
std::string Hours(const std::string& duration) {
    const bool negative = duration[0] == '-';
    std::size_t i = negative ? 1 : 0;
    double hours = 0;
    for (; duration[i] != ':'; ++i) hours = hours * 10 + (duration[i] - '0');
    const double minutes = (duration[i + 1] - '0') * 10 + (duration[i + 2] - '0');
    double seconds = (duration[i + 4] - '0') * 10 + (duration[i + 5] - '0');
    double place = 1;
    for (i += 7; i < duration.size(); ++i) {
        place /= 10;
        seconds += (duration[i] - '0') * place;
    }
    const double value = hours + minutes / 60 + seconds / 3600;
    return HoursText(negative ? -value : value);
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A field quoted where it holds the separator, a quote or a line break.
std::string Field(const std::string& text, char separator) {
    if (text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos &&
        (text.empty() || (text.front() != ' ' && text.back() != ' ')))
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

TapeFormat TapeFormatFor(const std::string& path, int filterIndex) {
    auto endsWith = [&path](const char* extension) {
        const std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : "";
        std::string lower;
        for (const char c : tail)
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return lower == extension;
    };
    if (endsWith(".csv")) return TapeFormat::Csv;
    if (endsWith(".txt")) return TapeFormat::Text;
    return filterIndex == 1 ? TapeFormat::Csv : TapeFormat::Text;
}

char CsvSeparator(const std::string& decimalMark) { return decimalMark == "," ? ';' : ','; }

std::string TapeFileBytes(const std::deque<std::string>& lines, TapeFormat format,
                          const std::string& newline, char listSeparator) {
    std::string bytes;
    if (format == TapeFormat::Text) {
        for (const std::string& line : lines) bytes += line + newline;
        return bytes;
    }
    const std::string point = LocaleDecimalPoint();
    // A separator that is the decimal mark, a quote or a digit would split
    // or join fields wrongly: the decimal mark's own then.
    const bool usable = listSeparator != 0 &&
                        std::string("\"\r\n").find(listSeparator) == std::string::npos &&
                        std::string(1, listSeparator) != point && !Digit(listSeparator);
    const char sep = usable ? listSeparator : CsvSeparator(point);
    bytes = "\xEF\xBB\xBF";
    bytes += Field(Tr(kCsvOperation), sep) + sep + Field(Tr(kCsvDuration), sep) + sep +
             Field(Tr(kCsvHours), sep) + newline;
    for (const std::string& line : lines) {
        std::string operation = line, duration, hours;
        if (line == Tape::kRule) {
            operation.clear();
        } else {
            std::size_t length = 0;
            if (const auto at = FindDuration(line, length); at != std::string::npos) {
                duration = line.substr(at, length);
                hours = Hours(duration);
                // Only what stands before it names the operation; a
                // result's hours in brackets are the next column.
                operation = Trimmed(line.substr(0, at));
            }
        }
        bytes +=
            Field(operation, sep) + sep + Field(duration, sep) + sep + Field(hours, sep) + newline;
    }
    return bytes;
}

std::string TapeSaveFailed(const std::string& file, const std::string& reason) {
    std::string text = Tr(kTapeSaveFailedText);
    if (const auto at = text.find("{file}"); at != std::string::npos)
        text.replace(at, 6, "\u201C" + file + "\u201D");
    if (const auto at = text.find("{reason}"); at != std::string::npos) text.replace(at, 8, reason);
    return text;
}

}  // namespace tickwell::forms
