#include "numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace tickwell {
namespace {

const double kInf = std::numeric_limits<double>::infinity();

TEST(NumberValue, ReadsWhatTheTextBeginsWith) {
    struct Case {
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {"", 0},
        {"   ", 0},
        {"12abc", 12},
        {"abc", 0},
        {"1,5", 1},
        {"1.5", 1.5},
        {"1E3", 1000},
        {"1e3", 1000},
        {" 1 2 ", 12},
        {"\t-\n5", -5},
        {"+7", 7},
        {"-", 0},
        {".", 0},
        {".5", 0.5},
        {"1.2.3", 1.2},
        {"1e", 1},
        {"1e+", 1},
        {"2E-1", 0.2},
        {"1 e 2", 100},
        {"1\r2", 1},
        {"+-5", 0},
        {"007", 7},
        {"0.000", 0},
        {"-0", 0},
        {"99999999999", 99999999999.0},
        {"0.1", 0.1},
        {"1e400", kInf},
        {"-1e400", -kInf},
        {"1e-400", 0},
        {"0.0001e4", 1},
        {"59.5", 59.5},
        {"1E0000000000000000000000000000002", 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NumberValue(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(NumberValue, RoundsLikeTheCLibraryOnRandomDecimals) {
    std::setlocale(LC_NUMERIC, "C");
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> digit(0, 9), length(1, 40), exponent(-340, 330);
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        const int intDigits = length(rng), fracDigits = length(rng) - 1;
        for (int i = 0; i < intDigits; ++i) text += char('0' + digit(rng));
        if (fracDigits > 0) {
            text += '.';
            for (int i = 0; i < fracDigits; ++i) text += char('0' + digit(rng));
        }
        if (n % 2) text += "e" + std::to_string(exponent(rng));
        const double expected = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(NumberValue(text), expected) << text;
        ASSERT_EQ(NumberValue("-" + text), -expected) << text;
    }
}

TEST(NumberValue, HandlesMegabyteInputs) {
    const std::size_t mb = 1 << 20;
    EXPECT_EQ(NumberValue(std::string(mb, '9')), kInf);
    EXPECT_EQ(NumberValue(std::string(mb, '0') + "5"), 5);
    EXPECT_EQ(NumberValue("0." + std::string(mb, '0') + "1"), 0);
    EXPECT_EQ(NumberValue(std::string(mb, ' ') + "42"), 42);
    EXPECT_EQ(NumberValue(std::string(mb, 'x')), 0);
    EXPECT_EQ(NumberValue("1" + std::string(mb, '0') + "e-" + std::to_string(mb)), 1);
    EXPECT_EQ(NumberValue("1e" + std::string(mb, '9')), kInf);
    EXPECT_EQ(NumberValue("1e-" + std::string(mb, '9')), 0);
    std::string spaced;
    for (std::size_t i = 0; i < mb / 2; ++i) spaced += "1 ";
    EXPECT_EQ(NumberValue(spaced), kInf);
}

TEST(WholeNumber, RoundsHalfToEvenWithinInt32) {
    struct Case {
        double value;
        std::int32_t expected;
    };
    const Case cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {-3.5, -4},
        {0.5, 0},
        {1.5, 2},
        {-0.5, 0},
        {0.49999999999999994, 0},
        {2.6, 3},
        {-2.6, -3},
        {7, 7},
        {2147483647.4, 2147483647},
        {-2147483648.5, -2147483648},
    };
    for (const Case& c : cases) EXPECT_EQ(WholeNumber(c.value), c.expected) << c.value;

    for (double bad : {2147483647.5, 2147483648.0, -2147483648.6, -2147483649.0, 1e300, kInf, -kInf,
                       std::nan("")}) {
        try {
            WholeNumber(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const CalcError& e) {
            EXPECT_EQ(e.Number(), 6);
            EXPECT_EQ(e.Description(), "Overflow");
        }
    }
}

TEST(FloatCheck, RejectsOnlyNonFinite) {
    EXPECT_EQ(FloatCheck(1e308), 1e308);
    EXPECT_THROW(FloatCheck(1e308 * 10), CalcError);
    EXPECT_THROW(FloatCheck(-kInf), CalcError);
}

TEST(IntegerArithmetic, TruncatesTowardZeroAndChecksRange) {
    EXPECT_EQ(IntDiv(-3725, 3600), -1);
    EXPECT_EQ(IntMod(-3725, 3600), -125);
    EXPECT_EQ(IntDiv(-125, 60), -2);
    EXPECT_EQ(IntMod(-125, 60), -5);
    EXPECT_EQ(IntDiv(90, 60), 1);
    EXPECT_EQ(IntMod(90, 60), 30);
    EXPECT_EQ(CheckedAdd(2147483646, 1), 2147483647);
    EXPECT_THROW(CheckedAdd(2147483647, 1), CalcError);
    EXPECT_EQ(CheckedSub(-2147483647, 1), -2147483647 - 1);
    EXPECT_THROW(CheckedSub(-2147483647 - 1, 1), CalcError);
    EXPECT_THROW(CheckedSub(0, -2147483647 - 1), CalcError);
}

TEST(NumberText, WritesIntegersAndDecimals) {
    EXPECT_EQ(IntegerText(0), "0");
    EXPECT_EQ(IntegerText(5), "5");
    EXPECT_EQ(IntegerText(-1), "-1");
    EXPECT_EQ(IntegerText(125), "125");
    EXPECT_EQ(IntegerText(-2147483647 - 1), "-2147483648");

    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {90, "90"},
        {1.5, "1.5"},
        {-62, "-62"},
        {0.01 * 60, "0.6"},
        {-0.0, "0"},
        {35791394, "35791394"},
        {1e15, "1E+15"},
        {0.00001, "1E-05"},
        {123456789012345, "123456789012345"},
        {1.0 / 3, "0.333333333333333"},
        {-2.5, "-2.5"},
        {0.0001, "0.0001"},
        {1.7976931348623157e308, "1.79769313486231E+308"},  // rounded down: reads back finite
    };
    for (const Case& c : cases) EXPECT_EQ(DecimalText(c.value), c.expected) << c.value;
}

TEST(NumberText, DecimalTextReadsBackWithin15Digits) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> mantissa(-1, 1);
    std::uniform_int_distribution<int> exponent(-20, 20);
    for (int n = 0; n < 5000; ++n) {
        const double value = mantissa(rng) * std::pow(10.0, exponent(rng));
        const double back = NumberValue(DecimalText(value));
        ASSERT_NEAR(back, value, std::fabs(value) * 1e-14) << DecimalText(value);
    }
}

// Fault caught: the user's locale (Qt sets it) writing "1,5", which the
// boxes would read back as 1.
TEST(NumberText, DecimalPointWhateverTheLocale) {
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "French_France.1252"})
        if ((found = std::setlocale(LC_NUMERIC, name))) break;
    if (!found) GTEST_SKIP() << "no locale with a decimal comma is installed";
    const std::string text = DecimalText(1.5);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(text, "1.5");
}

}  // namespace
}  // namespace tickwell
