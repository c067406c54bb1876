#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "headless_host.h"
#include "numbers.h"

namespace tickwell {
namespace {

// One user walk: an optional pasted entry, then keys as typed, then what the
// boxes, the focus and the error boxes should show.
struct Walk {
    const char* name;
    const char* keys;
    const char* hours;
    const char* minutes;
    const char* seconds;
    Control focus;
    int errors = 0;
    bool inProgress = false;
    const char* pasted[3] = {nullptr, nullptr, nullptr};
    const char* moreKeys = "";  // typed after the paste
};

std::ostream& operator<<(std::ostream& os, const Walk& w) { return os << w.name; }

class Walks : public ::testing::TestWithParam<Walk> {};

TEST_P(Walks, EndAsExpected) {
    const Walk& w = GetParam();
    HeadlessHost host;
    host.Type(w.keys);
    if (w.pasted[0]) host.SetEntry(w.pasted[0], w.pasted[1], w.pasted[2]);
    host.Type(w.moreKeys);
    EXPECT_EQ(host.GetText(Control::txtHours), w.hours);
    EXPECT_EQ(host.GetText(Control::txtMinutes), w.minutes);
    EXPECT_EQ(host.GetText(Control::txtSeconds), w.seconds);
    EXPECT_STREQ(ControlName(host.Focus()), ControlName(w.focus));
    EXPECT_EQ(static_cast<int>(host.MsgBoxes().size()), w.errors);
    EXPECT_EQ(host.Calc().CalculationInProgress(), w.inProgress);
    for (const auto& box : host.MsgBoxes()) {
        EXPECT_EQ(box.text, "Error Number: 6\r\nOverflow");
        EXPECT_EQ(box.title, "Error");
        EXPECT_EQ(box.style, 16);
    }
}

using C = Control;
// The largest double as typed digits; "=" shows it rounded to 15 digits.
const std::string kTopOfRange = "17976931348623157" + std::string(292, '0');
const Walk kWalks[] = {
    // Each row below names the fault it catches.
    {"EqualsEndsTheSubtraction", "//5-//3=+//1=", "0", "0", "3", C::cmdEquals},
    {"SubtractionBeyondRangeReportsNotWraps",
     "-",
     "-596523",
     "-14",
     "-7",
     C::cmdClearEntry,
     1,
     false,
     {"", "", "2147483647"},
     "-//2="},
    // Fault caught: overflow reported at exactly the largest whole second.
    {"SubtractingTheLowestEntryGivesTheHighest",
     "-",
     "596523",
     "14",
     "7",
     C::cmdEquals,
     0,
     false,
     {"-596523", "-14", "-7"},
     "="},
    {"MsBeyondDoublesReportsNotInf",
     "",
     "1e308",
     "0",
     "0",
     C::cmdMinutes,
     1,
     false,
     {"1e308", "0", "0"},
     "m"},
    {"ClearEntryAfterMsDoesNothing", "/90me", "", "90", "0", C::cmdClearEntry},
    {"ShownTopOfRangeReadsBackFinite",
     "",
     "1.79769313486231E+308",
     "0",
     "0",
     C::cmdEquals,
     0,
     false,
     {kTopOfRange.c_str(), "0", "0"},
     "=="},
    {"AddThenEquals", "1/2/5+//55=", "1", "3", "0", C::cmdEquals},
    {"SubtractToNegative", "//5-1/2/10=", "-1", "-2", "-5", C::cmdEquals},
    {"SubtractToZero", "//5-//5=", "0", "0", "0", C::cmdEquals},
    {"NormaliseMinutes", "/65=", "1", "5", "0", C::cmdEquals},
    {"NormaliseSeconds", "//3725=", "1", "2", "5", C::cmdEquals},
    {"NormaliseEmpty", "=", "0", "0", "0", C::cmdEquals},
    {"ChainThroughZeroStaysAChain", "//5-//5-//3=", "0", "0", "-3", C::cmdEquals},
    {"MinusOnEmptyEntryStartsAChain", "-//10=", "0", "0", "-10", C::cmdEquals},
    {"PassingZeroThenEqualsOnEmpty", "//5-//5+=", "0", "0", "0", C::cmdEquals},
    {"LongChain", "1+2+//30-/15=", "2", "45", "30", C::cmdEquals},
    {"OverflowInEqualsShowsTotalSoFar", "596523/14/7+//1=", "596523", "14", "7", C::cmdClearEntry,
     1},
    {"OverflowTypedWhileIdleEmptiesBoxes", "//99999999999=", "", "", "", C::txtHours, 1},
    {"ClearEntryEndsChain", "//5+e", "0", "0", "5", C::cmdClearEntry},
    {"ClearEntryAfterEqualsDoesNothing", "1+2=e", "3", "0", "0", C::cmdClearEntry},
    {"NormaliseKeepsTypedFlag", "12=e", "", "", "", C::txtHours},
    {"ClearEntryWithoutChainOnlyEmpties", "12/3e", "", "", "", C::txtHours},
    {"ClearEntryInChainShowsTotal", "1+2/30e", "1", "0", "0", C::cmdClearEntry},
    {"DigitsAfterEqualsMarkTyped", "1/2/5=7e", "", "", "", C::txtHours},
    {"ClearAll", "1+2/3c", "", "", "", C::txtHours},
    {"ClearAllThenEqualsNormalises", "1+c/90=", "1", "30", "0", C::cmdEquals},
    {"BackspaceEdits", "12\b3=", "13", "0", "0", C::cmdEquals},
    {"PastedFractionsNormalise",
     "",
     "2.5",
     "30",
     "0",
     C::cmdEquals,
     0,
     false,
     {"1.5", "90", "0"},
     "="},
    {"PastedSecondsTieDown", "", "0", "0", "2", C::cmdEquals, 0, false, {"", "", "2.5"}, "="},
    {"PastedSecondsTieUp", "", "0", "0", "4", C::cmdEquals, 0, false, {"", "", "3.5"}, "="},
    {"PastedOverflowKeepsBoxes",
     "",
     "596523",
     "14",
     "8",
     C::cmdPlus,
     1,
     false,
     {"596523", "14", "8"},
     "+"},
    // "+" leaves the typed flag set, so the error path's clear entry ends the chain.
    {"PastedOverflowInChainEndsChain",
     "//5+",
     "0",
     "0",
     "5",
     C::cmdClearEntry,
     1,
     false,
     {"596523", "14", "8"},
     "+"},
    {"PastedOverflowAfterConversionKeepsChain",
     "//5+1s",
     "596523",
     "14",
     "8",
     C::cmdPlus,
     1,
     true,
     {"596523", "14", "8"},
     "+"},
    {"NormaliseOverflowKeepsBoxes",
     "",
     "1",
     "2147483647",
     "60",
     C::cmdEquals,
     1,
     false,
     {"1", "2147483647", "60"},
     "="},
    {"HugeHoursOverflow", "", "1e400", "", "", C::cmdEquals, 1, false, {"1e400", "", ""}, "="},
    // Conversions.
    {"MsCarriesSeconds", "", "", "91", "30", C::cmdMinutes, 0, false, {"1", "30", "90"}, "m"},
    {"MsThenEquals", "", "1", "2", "5", C::cmdEquals, 0, false, {"", "", "3725"}, "m="},
    {"MsHoursOnly", "", "", "120", "0", C::cmdMinutes, 0, false, {"2", "", ""}, "M"},
    {"MsNegative", "", "", "-62", "-5", C::cmdMinutes, 0, false, {"-1", "-2", "-5"}, "m"},
    {"MsRoundsSecondsFirst", "", "", "1", "0", C::cmdMinutes, 0, false, {"0", "0", "59.5"}, "m"},
    {"MsKeepsFractionalMinutes",
     "",
     "",
     "90",
     "0",
     C::cmdMinutes,
     0,
     false,
     {"1.5", "0", "0"},
     "m"},
    {"MsSmallFraction", "", "", "0.6", "0", C::cmdMinutes, 0, false, {"0.01", "0", "0"}, "m"},
    {"MsBeyondSecondsRange",
     "",
     "",
     "35791394",
     "8",
     C::cmdMinutes,
     0,
     false,
     {"596523", "14", "8"},
     "m"},
    {"SecondsThenEquals", "1/2/5s=", "1", "2", "5", C::cmdEquals},
    {"SecondsOnly", "1/2/5S", "", "", "3725", C::cmdSeconds},
    {"SecondsFromFraction", "", "", "", "90", C::cmdSeconds, 0, false, {"", "1.5", ""}, "s"},
    {"SecondsOverflowTypedClears", "596523/14/8s", "", "", "", C::txtHours, 1},
    {"ConversionInChainFeedsEquals", "//10+1s=", "1", "0", "10", C::cmdEquals},
    {"ClearEntryAfterConversionDoesNothing", "1se", "", "", "3600", C::cmdClearEntry},
    {"ConvertThenAdd", "1m+//5=", "1", "0", "5", C::cmdEquals},
};

INSTANTIATE_TEST_SUITE_P(Calculator, Walks, ::testing::ValuesIn(kWalks),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Calculator, StateAfterCommands) {
    HeadlessHost host;
    TimeCalculator& calc = host.Calc();
    host.Type("1/2/5-");
    EXPECT_EQ(calc.TotalSeconds(), 3725);
    EXPECT_TRUE(calc.Subtracting());
    EXPECT_TRUE(calc.EntryTyped());  // "+" and "-" leave the typed flag alone
    host.Type("//25+");
    EXPECT_EQ(calc.TotalSeconds(), 3700);
    EXPECT_FALSE(calc.Subtracting());
    host.Type("=");
    EXPECT_EQ(calc.TotalSeconds(), 0);
    EXPECT_FALSE(calc.EntryTyped());
    EXPECT_FALSE(calc.CalculationInProgress());

    host.Type("9-c");
    EXPECT_EQ(calc.TotalSeconds(), 0);
    EXPECT_FALSE(calc.Subtracting());
    EXPECT_FALSE(calc.CalculationInProgress());
}

TEST(Calculator, GetEntrySecondsRange) {
    HeadlessHost host;
    struct Case {
        const char *h, *m, *s;
        std::int32_t expected;
    };
    const Case ok[] = {{"", "", "", 0},
                       {"1", "2", "5", 3725},
                       {"", "65", "", 3900},
                       {"596523", "14", "7", 2147483647},
                       {"-1", "-2", "-5", -3725},
                       {"0", "1.5", "0", 90},
                       {"-596523", "-14", "-8", -2147483647 - 1}};
    for (const Case& c : ok) {
        host.SetEntry(c.h, c.m, c.s);
        EXPECT_EQ(host.Calc().GetEntrySeconds(), c.expected) << c.h << ':' << c.m << ':' << c.s;
    }
    for (const char* big : {"99999999999", "1e400"}) {
        for (int box = 0; box < 3; ++box) {
            host.SetEntry(box == 0 ? big : "", box == 1 ? big : "", box == 2 ? big : "");
            EXPECT_THROW(host.Calc().GetEntrySeconds(), CalcError) << big << " in box " << box;
        }
    }
}

TEST(Calculator, DisplayRoundTrips) {
    HeadlessHost host;
    struct Case {
        std::int32_t t;
        const char *h, *m, *s;
    };
    const Case cases[] = {{0, "0", "0", "0"},
                          {86399, "23", "59", "59"},
                          {-3725, "-1", "-2", "-5"},
                          {-59, "0", "0", "-59"},
                          {-60, "0", "-1", "0"},
                          {-2147483647 - 1, "-596523", "-14", "-8"},
                          {2147483647, "596523", "14", "7"}};
    for (const Case& c : cases) {
        host.Calc().DisplaySeconds(c.t);
        EXPECT_EQ(host.GetText(Control::txtHours), c.h);
        EXPECT_EQ(host.GetText(Control::txtMinutes), c.m);
        EXPECT_EQ(host.GetText(Control::txtSeconds), c.s);
        EXPECT_EQ(host.Calc().GetEntrySeconds(), c.t);
    }
}

TEST(Calculator, ClearEntryBoxesTakesFocusHome) {
    HeadlessHost host;
    host.SetEntry("1", "2", "3");
    host.SetFocus(Control::cmdMinutes);
    host.Calc().ClearEntryBoxes();
    EXPECT_EQ(host.GetText(Control::txtHours) + host.GetText(Control::txtMinutes) +
                  host.GetText(Control::txtSeconds),
              "");
    EXPECT_EQ(host.Focus(), Control::txtHours);
}

// Faults caught: the error box shown after clear entry instead of before, the
// out-of-memory path lost, a host's own exception escaping the key handler.
TEST(Calculator, HostFailuresGoThroughTheErrorPath) {
    struct FailingHost : HeadlessHost {
        mutable std::function<void()> failRead;  // thrown once by the next read
        std::function<void()> failPress;
        std::string log;
        std::string GetText(Control box) const override {
            if (auto fail = std::exchange(failRead, nullptr)) fail();
            return HeadlessHost::GetText(box);
        }
        void SetText(Control box, const std::string& text) override {
            if (text.empty()) log += "clear ";
            HeadlessHost::SetText(box, text);
        }
        int MsgBox(const std::string& text, const std::string& title, int style) override {
            log += "box ";
            return HeadlessHost::MsgBox(text, title, style);
        }
        void Press(Control button) override {
            if (auto fail = std::exchange(failPress, nullptr)) fail();
            HeadlessHost::Press(button);
        }
    };
    struct Case {
        const char* name;
        std::function<void()> fail;
        bool inPress;
        const char* text;
        const char* log;
    };
    const Case cases[] = {
        {"host's own error", [] { throw CalcError(53, "File not found"); }, false,
         "Error Number: 53\r\nFile not found", "box clear clear clear "},
        {"out of memory", [] { throw std::bad_alloc(); }, false, "Error Number: 7\r\nOut of memory",
         "box clear clear clear "},
        {"other exception", [] { throw std::runtime_error("display lost"); }, false,
         "Error Number: 51\r\ndisplay lost", "box clear clear clear "},
        {"not an exception", [] { throw 42; }, false, "Error Number: 51\r\nInternal error",
         "box clear clear clear "},
        {"press fails", [] { throw std::runtime_error("no button"); }, true,
         "Error Number: 51\r\nno button", "box "},
    };
    for (const Case& c : cases) {
        FailingHost host;
        host.Type("5");
        (c.inPress ? host.failPress : host.failRead) = c.fail;
        EXPECT_NO_THROW(host.Type("+")) << c.name;
        ASSERT_EQ(host.MsgBoxes().size(), 1u) << c.name;
        EXPECT_EQ(host.MsgBoxes()[0].text, c.text) << c.name;
        EXPECT_EQ(host.log, c.log) << c.name;
    }
}

}  // namespace
}  // namespace tickwell
