#include "rules.h"

#include "factor.h"
#include "spoken.h"
#include "texts.h"
#include "timesheet.h"
#include "written_number.h"

namespace tickwell::forms {

namespace {

// Scripts whose letters share keys with the US letters on their layouts:
// Greek to Ethiopic, Georgian and the Indic scripts between, kana, Hangul.
bool NonLatinLetter(std::uint16_t c) {
    return (c >= 0x0370 && c <= 0x1CFF) || (c >= 0x3040 && c <= 0x30FF) ||
           (c >= 0x3130 && c <= 0x318F);
}

}  // namespace

KeyRoute RouteKey(const KeyPress& press) {
    using A = KeyRoute::Action;
    if (press.key == Key::Tab) return {press.shift ? A::TabBackward : A::TabForward, 0};
    // Alt and the Windows key make menu and system keys, never characters.
    if (press.alt || press.meta) return {A::Ignore, 0};
    switch (press.key) {
        case Key::Return: return {A::Dispatch, static_cast<std::uint16_t>(press.ctrl ? 10 : 13)};
        case Key::Backspace: return {A::Dispatch, static_cast<std::uint16_t>(press.ctrl ? 127 : 8)};
        case Key::Delete:
        case Key::Editing: return {press.inBox ? A::Native : A::Ignore, 0};
        case Key::Other: return {A::Ignore, 0};
        case Key::Tab:
        case Key::Character: break;
    }
    std::uint16_t c = press.character;
    if (press.latin >= 'a' && press.latin <= 'z' && NonLatinLetter(c))
        c = static_cast<std::uint16_t>(press.shift ? press.latin - 'a' + 'A' : press.latin);
    if (!press.ctrl) return {A::Dispatch, c};
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter) return {A::Ignore, 0};  // Ctrl with a digit or sign types nothing
    if ((c == 'a' || c == 'A') && press.inBox) return {A::Native, 0};  // select all
    return {A::Dispatch, static_cast<std::uint16_t>(c & 0x1F)};
}

int KeyPreview::Dispatch(std::uint16_t& code) {
    mInPreview = true;
    mCalc.Form_KeyPress(code);  // reports its own failures; never throws
    mInPreview = false;
    const int tabs = mHeldTabs;
    mHeldTabs = 0;
    return tabs;
}

bool KeyPreview::HoldTab() {
    if (!mInPreview) return false;
    ++mHeldTabs;
    return true;
}

void RunMenuCommand(MenuCommand command, IMenuCommands& menu) {
    switch (command) {
        case MenuCommand::Copy: menu.mnuCopy_Click(); break;
        case MenuCommand::Paste: menu.mnuPaste_Click(); break;
        case MenuCommand::Tape: menu.mnuTape_Click(); break;
        case MenuCommand::CopyHours: menu.mnuCopyHours_Click(); break;
        case MenuCommand::MultiplyDivide: menu.mnuMultiplyDivide_Click(); break;
        case MenuCommand::TimeBetween: menu.mnuTimeBetween_Click(); break;
        case MenuCommand::Round: menu.mnuRound_Click(); break;
        case MenuCommand::Using: menu.mnuUsing_Click(); break;
        case MenuCommand::WebSite: menu.mnuHelpWebSite_Click(); break;
        case MenuCommand::Sharewell: menu.mnuHelpSharewell_Click(); break;
        case MenuCommand::About: menu.mnuAbout_Click(); break;
        case MenuCommand::AlwaysOnTop: menu.mnuAlwaysOnTop_Click(); break;
        case MenuCommand::SaveTapeAs: menu.mnuTapeSaveAs_Click(); break;
        case MenuCommand::KeepTape: menu.mnuKeepTape_Click(); break;
        case MenuCommand::ClearTape: menu.mnuTapeClear_Click(); break;
        case MenuCommand::CloseTape: menu.mnuTapeClose_Click(); break;
        case MenuCommand::None: break;
    }
}

bool EditCopy(TimeCalculator& calc, const std::string& boxSelection, std::string& text) {
    if (!boxSelection.empty()) {
        text = boxSelection;
        return true;
    }
    return calc.CopyDuration(text);
}

namespace {

// The sentence for a number that could be read two ways, naming it.
std::string TwoWays(const std::string& number) {
    std::string text = Tr(kTwoWaysText);
    if (const auto at = text.find("{number}"); at != std::string::npos)
        text.replace(at, 8, "\u201C" + number + "\u201D");
    return text;
}

}  // namespace

bool ApplyFactor(TimeCalculator& calc, const std::string& text, std::string& refusal) {
    Factor factor;
    std::string twoWays;
    if (!ParseFactor(text, factor, LocaleDecimalMark(), &twoWays)) {
        refusal = twoWays.empty() ? Tr(kFactorNotANumber) : TwoWays(twoWays);
        return false;
    }
    if (factor.divide && factor.value == 0) {
        refusal = Tr(kFactorZero);
        return false;
    }
    calc.MultiplyDivide(factor.divide, factor.value);
    return true;
}

void EditPaste(TimeCalculator& calc, ICalcHost& host, const std::string& clipboard) {
    const char mark = LocaleDecimalMark();
    const PastedList list = ParseList(clipboard, mark);
    auto say = [&host](const std::string& text) {
        host.MsgBox(text, kAppTitle, msgbox::kOkOnly | msgbox::kInformation);
    };
    switch (list.outcome) {
        case PastedList::Outcome::Read:
            Spoken(calc, host, [&] {
                calc.PasteList(list.cells);
                return true;
            });
            return;
        case PastedList::Outcome::BadCell: {
            std::string text = Tr(kListBadCellText);
            if (const auto at = text.find("{line}"); at != std::string::npos)
                text.replace(at, 6, std::to_string(list.badLine));
            if (const auto at = text.find("{text}"); at != std::string::npos)
                text.replace(at, 6, "\u201C" + list.badText + "\u201D");
            say(text);
            return;
        }
        case PastedList::Outcome::TooLarge: say(Tr(kListTooLargeText)); return;
        case PastedList::Outcome::NotAList: break;
    }
    PastedEntry entry;
    std::string twoWays;
    if (ParsePasted(clipboard, entry, mark, &twoWays)) {
        Spoken(calc, host, [&] {
            calc.PasteEntry(entry);
            return true;
        });
        return;
    }
    say(twoWays.empty() ? Tr(kNoDurationText) : TwoWays(twoWays));
}

namespace {

std::string Quoted(std::string sentence, const std::string& text) {
    if (const auto at = sentence.find("{text}"); at != std::string::npos)
        sentence.replace(at, 6, "\u201C" + text + "\u201D");
    return sentence;
}

}  // namespace

bool TimeBetween(const std::string& start, const std::string& end, const std::string& pause,
                 TimeSpan& span, std::string& refusal, int& field) {
    std::int32_t from = 0, to = 0;
    if (!ParseClockTime(start, false, from)) {
        field = 0;
        refusal = Quoted(Tr(kNotAClockTimeText), start);
        return false;
    }
    if (!ParseClockTime(end, true, to)) {
        field = 1;
        refusal = Quoted(Tr(kNotAClockTimeText), end);
        return false;
    }
    std::int64_t rest = 0;
    std::string blank = pause;
    blank.erase(0, blank.find_first_not_of(" \t"));
    if (!blank.empty()) {
        // A bare number is minutes, as a break is counted.
        const bool bare = blank.find_first_not_of("0123456789.,") == std::string::npos;
        PastedEntry entry;
        if (!ParsePasted(bare ? blank + " min" : blank, entry, LocaleDecimalMark()) ||
            !EntryMicros(entry, rest) || rest < 0) {
            field = 2;
            refusal = Quoted(Tr(kBreakNotDurationText), pause);
            return false;
        }
    }
    span.nextDay = to < from;
    const std::int64_t between =
        static_cast<std::int64_t>(span.nextDay ? to - from + kSecondsPerDay : to - from) *
        kMicrosPerSecond;
    if (rest > between) {
        field = 2;
        refusal = Tr(kBreakTooLongText);
        return false;
    }
    span.micros = between - rest;
    return true;
}

std::string TimeBetweenPreview(const std::string& start, const std::string& end,
                               const std::string& pause) {
    TimeSpan span;
    std::string refusal;
    int field = 0;
    if (!TimeBetween(start, end, pause, span, refusal, field)) return "";
    std::string text = Tr(span.nextDay ? kBetweenNextDayText : kBetweenResultText);
    if (const auto at = text.find("{duration}"); at != std::string::npos)
        text.replace(at, 10, DurationText(static_cast<double>(span.micros) / 1e6));
    return text;
}

bool ApplyTimeBetween(TimeCalculator& calc, const std::string& start, const std::string& end,
                      const std::string& pause, std::string& refusal, int& field) {
    TimeSpan span;
    if (!TimeBetween(start, end, pause, span, refusal, field)) return false;
    calc.PasteEntry(EntryOf(span.micros));
    return true;
}

namespace {

// The Round box's last choice, for the rest of the run.
std::int32_t gRoundMinutes = 15;
int gRoundOption = 0;

}  // namespace

bool ApplyRound(TimeCalculator& calc, const std::string& minutes, int option,
                std::string& refusal) {
    std::string digits = minutes;
    digits.erase(0, digits.find_first_not_of(" \t"));
    digits.erase(digits.find_last_not_of(" \t") + 1);
    std::int32_t value = 0;
    const bool whole = !digits.empty() && digits.size() <= 4 &&
                       digits.find_first_not_of("0123456789") == std::string::npos;
    if (whole)
        for (const char c : digits) value = value * 10 + (c - '0');
    if (!whole || value < 1 || value > 1440 || option < 0 || option > 2) {
        refusal = Tr(kRoundMinutesRefused);
        return false;
    }
    gRoundMinutes = value;
    gRoundOption = option;
    calc.Round(value, static_cast<TimeCalculator::Rounding>(option));
    return true;
}

std::string RoundMinutesChoice() { return std::to_string(gRoundMinutes); }
int RoundOptionChoice() { return gRoundOption; }

std::size_t TapeDropUnits(const Tape& tape, std::size_t breakUnits) {
    const std::string& dropped = tape.Dropped();
    if (dropped.empty()) return 0;
    std::size_t units = breakUnits;  // each line's break, the last one's here
    for (const char c : dropped) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n')
            units += breakUnits;
        else if ((byte & 0xC0) != 0x80)
            units += byte >= 0xF0 ? 2 : 1;  // a surrogate pair past U+FFFF
    }
    return units;
}

void HelpPlacement::Form_Load(IPlacedWindow& window, const IPlacedWindow* beside) {
    const bool firstTime = beside && !mPlacement.HasPlace(window.Name());
    mPlacement.SaveRestoreWindow(window, false);
    if (!firstTime || beside->WindowState() != 0) return;
    constexpr double kGap = 120;  // twips
    mPlacement.PlaceBeside(window, *beside, kGap);
}

void HelpPlacement::SavePlace(IPlacedWindow& window) {
    if (!mUnloaded) mPlacement.SaveRestoreWindow(window, true);
}

bool HelpPlacement::Form_Unload(IPlacedWindow& window) {
    if (mUnloaded) return false;
    mUnloaded = true;
    mPlacement.SaveRestoreWindow(window, true);
    return true;
}

}  // namespace tickwell::forms
