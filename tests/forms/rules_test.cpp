#include "rules.h"

#include <gtest/gtest.h>

#include <clocale>
#include <deque>

#include "headless_host.h"
#include "layout.h"
#include "tape_export.h"
#include "texts.h"
#include "timesheet.h"

namespace tickwell::forms {
namespace {

using A = KeyRoute::Action;

// Every key the help window lists, and the digits the boxes take, reaches
// the dispatcher as typed wherever the focus is, and types nothing with Alt
// or the Windows key held. Written from the list users read, so a key
// dropped from the rule (or the list) fails here.
TEST(KeyRules, EveryListedKeyReachesTheDispatcher) {
    std::string keys = "0123456789";
    const std::string list = kHelpKeyList;
    for (std::size_t line = list.find('\n'); line != std::string::npos;
         line = list.find('\n', line + 1))
        keys += list[line + 1];
    ASSERT_EQ(keys.size(), 18u);  // the ten digits and the eight keys listed
    for (const char c : keys) {
        for (const bool inBox : {true, false}) {
            KeyPress plain;
            plain.character = static_cast<std::uint16_t>(c);
            plain.inBox = inBox;
            const KeyRoute route = RouteKey(plain);
            EXPECT_EQ(route.action, A::Dispatch) << c << inBox;
            EXPECT_EQ(route.code, static_cast<std::uint16_t>(c)) << c << inBox;
            KeyPress alt = plain, super = plain;
            alt.alt = true, super.meta = true;
            EXPECT_EQ(RouteKey(alt).action, A::Ignore) << "Alt+" << c;
            EXPECT_EQ(RouteKey(super).action, A::Ignore) << "Super+" << c;
        }
    }
}

// Keys with modifiers and keys that type nothing: each row is what Windows
// delivers for the key, and names the fault it caught where the two windows
// once differed.
TEST(KeyRules, WhatEachKeyDoes) {
    struct Row {
        const char* what;
        KeyPress press;
        A action;
        std::uint16_t code;
    };
    auto chr = [](std::uint16_t c, bool inBox = true) {
        KeyPress p;
        p.character = c;
        p.inBox = inBox;
        return p;
    };
    auto key = [](Key k, bool inBox = true) {
        KeyPress p;
        p.key = k;
        p.inBox = inBox;
        return p;
    };
    auto on = [](KeyPress p, char latin) {
        p.latin = latin;
        return p;
    };
    auto with = [](KeyPress p, bool shift, bool ctrl, bool alt, bool meta = false) {
        p.shift = shift, p.ctrl = ctrl, p.alt = alt, p.meta = meta;
        return p;
    };
    const Row rows[] = {
        {"Alt+digit types nothing (Qt typed it)", with(chr('1'), false, false, true), A::Ignore, 0},
        {"Alt+Enter runs nothing (Qt ran =)", with(key(Key::Return), false, false, true), A::Ignore,
         0},
        {"Enter", key(Key::Return), A::Dispatch, 13},
        {"Ctrl+Enter is 10 (Qt ran =)", with(key(Key::Return), false, true, false), A::Dispatch,
         10},
        {"Backspace", key(Key::Backspace), A::Dispatch, 8},
        {"Ctrl+Backspace is 127", with(key(Key::Backspace), false, true, false), A::Dispatch, 127},
        {"Ctrl+A selects all in a box (Qt swallowed it)", with(chr('a'), false, true, false),
         A::Native, 0},
        {"Ctrl+A on a button", with(chr('a', false), false, true, false), A::Dispatch, 1},
        {"Ctrl+C", with(chr('c'), false, true, false), A::Dispatch, 3},
        {"Ctrl+Shift+V", with(chr('V'), true, true, false), A::Dispatch, 22},
        {"Ctrl+digit types nothing", with(chr('1'), false, true, false), A::Ignore, 0},
        {"Shift+Delete in a box is the box's own", with(key(Key::Delete), true, false, false),
         A::Native, 0},
        {"Delete on a button", key(Key::Delete, false), A::Ignore, 0},
        {"an arrow in a box", key(Key::Editing), A::Native, 0},
        {"an arrow on a button does nothing (Qt moved the focus)", key(Key::Editing, false),
         A::Ignore, 0},
        {"a function key", key(Key::Other), A::Ignore, 0},
        {"Tab", key(Key::Tab, false), A::TabForward, 0},
        {"Shift+Tab", with(key(Key::Tab), true, false, false), A::TabBackward, 0},
        {"Space on a button is a character, never a click", chr(' ', false), A::Dispatch, ' '},
        // Faults caught: command keys dead on a non-Latin layout; a Latin
        // layout's own character replaced by the US one.
        {"Russian С on the C key clears", on(chr(0x0441), 'c'), A::Dispatch, 'c'},
        {"Russian Ы on the S key with Shift", with(on(chr(0x042B), 's'), true, false, false),
         A::Dispatch, 'S'},
        {"Greek on the M key", on(chr(0x03BC), 'm'), A::Dispatch, 'm'},
        {"German - on the US / key stays minus", on(chr('-'), 0), A::Dispatch, '-'},
        {"AZERTY a on the US Q key stays a", on(chr('a'), 'q'), A::Dispatch, 'a'},
        {"Russian . on the US / key stays a point", on(chr('.'), 0), A::Dispatch, '.'},
        {"Ctrl with a Russian letter is Ctrl+its Latin letter",
         with(on(chr(0x0441), 'c'), false, true, false), A::Dispatch, 3},
    };
    for (const Row& r : rows) {
        const KeyRoute route = RouteKey(r.press);
        EXPECT_EQ(route.action, r.action) << r.what;
        EXPECT_EQ(route.code, r.code) << r.what;
    }
}

// A window whose toolkit queues its events, as both do: keys typed quickly
// wait in the queue, and a Tab the window posts lands behind them unless the
// key preview holds it back.
class QueuedWindow : public HeadlessHost {
public:
    KeyPreview preview{Calc()};
    std::deque<std::uint16_t> queue;
    static constexpr std::uint16_t kPostedTab = 9;

    void SendTab() override {
        if (!preview.HoldTab()) queue.push_back(kPostedTab);
    }
    void TypeBackToBack(const std::string& keys) {
        for (char c : keys) queue.push_back(static_cast<unsigned char>(c));
        while (!queue.empty()) {
            std::uint16_t code = queue.front();
            queue.pop_front();
            int tabs = code == kPostedTab ? 1 : preview.Dispatch(code);
            for (; tabs > 0; --tabs) HeadlessHost::SendTab();
            ProcessQueuedTabs();
            if (code != kPostedTab && code != 0 && IsEntryBox(Focus()))
                SetText(Focus(), GetText(Focus()) + static_cast<char>(code));
        }
    }
};

// Fault caught: the Tab "/" asks for posted behind keys already typed, so
// fast typing puts minutes into the hours box.
TEST(KeyRules, FastTypingLandsInTheNextBox) {
    QueuedWindow window;
    window.TypeBackToBack("1/25/40");
    EXPECT_EQ(window.GetText(Control::txtHours), "1");
    EXPECT_EQ(window.GetText(Control::txtMinutes), "25");
    EXPECT_EQ(window.GetText(Control::txtSeconds), "40");
}

// Fault caught: a right-aligned label that grows for a wider translation
// moving its right edge instead of growing to the left.
// Fault caught: a list that pushes many lines off a full tape reporting
// only the last, so a reader scrolled back was moved by one line, not all.
TEST(Paste, AListPushingLinesOffAFullTapeReportsThemAll) {
    HeadlessHost host;
    Tape tape;
    host.Calc().SetTape(&tape);
    for (std::size_t i = 0; i < Tape::kMaxLines; ++i) tape.Operand(false, 3600);  // "+ 1:00:00"
    EditPaste(host.Calc(), host, "1:00\n2:00\n");  // three lines: two cells and their sum
    EXPECT_EQ(tape.Lines().size(), Tape::kMaxLines);
    EXPECT_EQ(TapeDropUnits(tape, 2), 3 * (std::string("+ 1:00:00").size() + 2));
}

// Paste of what timesheets hold, through the engine as Edit > Paste runs it.
TEST(Paste, RangesAndListsFromTimesheets) {
    struct Row {
        const char* before;  // typed first
        std::string clipboard;
        const char* after;  // typed after
        const char* boxes;
        const char* message;  // the start of the one box shown, or ""
        const char* fault;
    };
    std::string tooMany;
    for (int i = 0; i <= 10000; ++i) tooMany += "0:01\n";
    const Row rows[] = {
        {"", "22:00-06:00", "", "8|0|0", "", "a shift across midnight negative or refused"},
        {"", "10:15-12:00, 13:45-15:30", "", "3|30|0", "", "ranges not summed"},
        {"", "9:30", "", "9|30|", "", "a lone clock time read as a range"},
        {"", "Hours\n1:00\n2:30\n0:45\n", "", "4|15|0", "", "a header not skipped"},
        {"1+", "Hours\n1:00\n2:30\n0:45\n", "=", "5|15|0", "", "the chain lost by a list"},
        {"", "1:00\t\t2:00\r\n\r\n\t0:30\t9:00-9:30", "", "4|0|0", "", "blank cells or CRLF"},
        {"7", "1:00\nn/a\t2:00\n", "", "7||", "Line 2 is not a duration: \u201Cn/a\u201D",
         "a bad cell skipped, or the boxes changed"},
        {"7", "596523:00:00\n1:00:00", "", "7||", "Error Number: 6", "a sum past the boxes"},
        {"7", tooMany, "", "7||", "The clipboard holds more than 10,000", "no cap on cells"},
        {"", "0:00:00.25\n-0:00:01", "", "-0|-0|-0.75", "", "fractions or signs lost in a sum"},
    };
    for (const Row& r : rows) {
        HeadlessHost host;
        Tape tape;
        host.Calc().SetTape(&tape);
        host.Type(r.before);
        EditPaste(host.Calc(), host, r.clipboard);
        host.Type(r.after);
        EXPECT_EQ(host.GetText(Control::txtHours) + "|" + host.GetText(Control::txtMinutes) + "|" +
                      host.GetText(Control::txtSeconds),
                  r.boxes)
            << r.fault;
        const std::string shown = host.MsgBoxes().empty() ? "" : host.MsgBoxes()[0].text;
        EXPECT_EQ(shown.substr(0, std::string(r.message).size()), r.message) << r.fault;
        EXPECT_EQ(host.MsgBoxes().size(), *r.message ? 1u : 0u) << r.fault;
        if (r.clipboard.rfind("Hours", 0) == 0 && !*r.before) {  // the cells on the tape
            EXPECT_EQ(std::deque<std::string>(tape.Lines().begin(), tape.Lines().end()),
                      (std::deque<std::string>{"\u00B7 1:00:00", "\u00B7 2:30:00", "\u00B7 0:45:00",
                                               "\u03A3 4:15:00 (4.25 h)"}));
        }
    }
}

// The Time Between box's rules, as both windows run them.
TEST(TimeBetween, EntersEndLessStartLessBreak) {
    const struct {
        const char *start, *end, *pause;
        const char* result;  // the boxes, or the start of the refusal
        int field;           // the field a refusal selects
        const char* fault;
    } rows[] = {
        {"22:00", "6:00", "0:30", "7|30|0", 0, "the next day not counted"},
        {"9:00", "17:30", "30", "8|0|0", 0, "a bare break not read as minutes"},
        {"9am", "5:30 pm", " ", "8|30|0", 0, "an empty break refused"},
        {"9:00", "9:30", "1:00", "The break is longer", 2, "a break past the range entered"},
        {"25:00", "9:00", "", "\u201C25:00\u201D is not a clock time", 0, "hour 25 read"},
        {"9:00", "noon", "", "\u201Cnoon\u201D is not a clock time", 1, "a word read as a time"},
        {"9:00", "17:00", "-0:30", "The break \u201C-0:30\u201D", 2, "a negative break added"},
    };
    for (const auto& r : rows) {
        HeadlessHost host;
        host.Type("7");
        std::string refusal;
        int field = -1;
        const bool entered = ApplyTimeBetween(host.Calc(), r.start, r.end, r.pause, refusal, field);
        const std::string boxes = host.GetText(Control::txtHours) + "|" +
                                  host.GetText(Control::txtMinutes) + "|" +
                                  host.GetText(Control::txtSeconds);
        EXPECT_EQ(entered ? boxes : refusal.substr(0, std::string(r.result).size()), r.result)
            << r.fault;
        if (!entered) {
            EXPECT_EQ(field, r.field) << r.fault;
            EXPECT_EQ(boxes, "7||") << r.fault << " (and changed the boxes)";
        }
    }
    // The Round box's minutes: a whole number from 1 to 1440, or nothing
    // changes. Fault caught: 0 (a division by zero), 1441, or a fraction taken.
    for (const char* minutes : {"0", "1441", "1.5", "15 min", ""}) {
        HeadlessHost host;
        host.Type("7/52");
        std::string refusal;
        EXPECT_FALSE(ApplyRound(host.Calc(), minutes, 1, refusal)) << minutes;
        EXPECT_EQ(refusal, Tr(kRoundMinutesRefused)) << minutes;
        EXPECT_EQ(host.GetText(Control::txtMinutes), "52") << minutes;
    }
    EXPECT_EQ(TimeBetweenPreview("22:00", "6:00", "0:30"), "Entered: 7:30:00 (next day)");
    EXPECT_EQ(TimeBetweenPreview("9:00", "17:", ""), "");  // typed halfway: nothing yet
}

TEST(LabelRoom, RightAlignedLabelsGrowLeftward) {
    const ControlSpec& label = *CalcForm().Find("lblDescription");
    const TwipsRect room = LabelRoom(CalcForm(), label, label.rect.width + 600);
    EXPECT_EQ(room.left + room.width, label.rect.left + label.rect.width);
    EXPECT_LT(room.left, label.rect.left);
}

}  // namespace
}  // namespace tickwell::forms

namespace tickwell::forms {
namespace {

// Tape > Save As, read as a spreadsheet reads the CSV. Faults caught: the
// days' duration or the bracketed hours taken for the entry, a result's
// sign lost, a rule or a line with no duration shifting the columns, a
// comma separator where the decimal mark is a comma, the kind chosen in the
// dialog overriding the name's own extension.
TEST(TapeExport, RowsInBothKindsOfLocale) {
    // Each line and its row where the decimal mark is "." ("|" stands for the
    // separator; where the mark is ",", hours take "," too).
    const std::pair<std::string, std::string> rows[] = {
        {"\u2212 0:10:00", "\u2212|0:10:00|0.1667"},
        {"= 49:30:00 (49.5 h, 2 d 1:30:00)", "=|49:30:00|49.5"},
        {Tape::kRule, "||"},
        {"round up 15 min", "round up 15 min||"},
        {"= -0:15:00 (-0.25 h)", "=|-0:15:00|-0.25"},
        {"Say \"hi\", twice", "\"Say \"\"hi\"\", twice\"||"}};
    std::deque<std::string> lines;
    for (const auto& row : rows) lines.push_back(row.first);
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    for (const auto& [locale, sep] : {std::pair{"C", ','}, std::pair{"de_DE.UTF-8", ';'}}) {
        if (!std::setlocale(LC_NUMERIC, locale)) continue;  // said by the duration tests
        std::string want = "\xEF\xBB\xBFOperation|Duration|Hours\n";
        for (const auto& row : rows) want += row.second + "\n";
        for (char& c : want) c = c == '|' ? sep : c == '.' && sep == ';' ? ',' : c;
        EXPECT_EQ(TapeFileBytes(lines, TapeFormat::Csv, "\n"), want) << locale;
    }
    std::setlocale(LC_NUMERIC, "C");
    // The system's list separator, unless it would split a number.
    EXPECT_EQ(TapeFileBytes({"= 1:30:00 (1.5 h)"}, TapeFormat::Csv, "\n", '\t').substr(3),
              "Operation\tDuration\tHours\n=\t1:30:00\t1.5\n");
    EXPECT_EQ(TapeFileBytes({}, TapeFormat::Csv, "\n", '.'),
              TapeFileBytes({}, TapeFormat::Csv, "\n"));
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(TapeFileBytes({"+ 0:01:00", "CE"}, TapeFormat::Text, "\r\n"), "+ 0:01:00\r\nCE\r\n");
    EXPECT_EQ(TapeFormatFor("C:\\Tape.CSV", 0), TapeFormat::Csv);
    EXPECT_EQ(TapeFormatFor("/home/a/tape.txt", 1), TapeFormat::Text);
    EXPECT_EQ(TapeFormatFor("/home/a/week", 1), TapeFormat::Csv);
}

}  // namespace
}  // namespace tickwell::forms
