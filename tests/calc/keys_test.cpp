#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calculator.h"

namespace tickwell {
namespace {

// Records what the dispatcher asks of its window instead of running commands.
class RecordingHost : public ICalcHost {
public:
    std::string GetText(Control) const override { return ""; }
    void SetText(Control, const std::string&) override { calls.push_back("set"); }
    void SetFocus(Control c) override { calls.push_back(std::string("focus ") + ControlName(c)); }
    void Press(Control c) override { calls.push_back(std::string("press ") + ControlName(c)); }
    int MsgBox(const std::string&, const std::string&, int) override {
        calls.push_back("msgbox");
        return 1;
    }
    void SendTab() override { calls.push_back("tab"); }
    void AskFactor() override { calls.push_back("factor"); }
    std::vector<std::string> calls;
};

// What each key does, written from the key list users are given, not from
// the dispatcher's switch. Every code not listed here is swallowed and does
// nothing.
struct KeyRow {
    const char* keys;
    // "types" (passed on, entry typed), "tab", "factor" (the multiply-or-divide
    // box asked for), or the button pressed
    const char* does;
};
const KeyRow kKeys[] = {
    {"0123456789", "types"}, {"\b", "types"},       {"mM", "cmdMinutes"}, {"sS", "cmdSeconds"},
    {"eE", "cmdClearEntry"}, {"cC", "cmdClearAll"}, {"+", "cmdPlus"},     {"-", "cmdMinus"},
    {"=\r", "cmdEquals"},    {"/:", "tab"},         {"*", "factor"},
};

// Faults caught: a key bound to the wrong button, a command key passed on
// to the box, a swallowed key marking the entry typed, any other code (of
// all 65,536) doing something.
TEST(KeyDispatcher, EveryCharacterCode) {
    for (std::uint32_t code = 0; code <= 0xFFFF; ++code) {
        RecordingHost host;
        TimeCalculator calc(host);
        std::uint16_t key = static_cast<std::uint16_t>(code);
        calc.Form_KeyPress(key);
        std::string does = "nothing";
        for (const KeyRow& row : kKeys)
            if (code < 128 && code != 0 &&
                std::string(row.keys).find(static_cast<char>(code)) != std::string::npos)
                does = row.does;
        std::vector<std::string> expected;
        if (does == "tab" || does == "factor") {
            expected = {does};
        } else if (does != "types" && does != "nothing") {
            expected = {"focus " + does, "press " + does};
        }
        ASSERT_EQ(key, does == "types" ? code : 0u) << "code " << code;
        ASSERT_EQ(host.calls, expected) << "code " << code;
        ASSERT_EQ(calc.EntryTyped(), does == "types") << "code " << code;
    }
}

TEST(KeyDispatcher, SwallowedCommandKeysLeaveTypedFlag) {
    RecordingHost host;
    TimeCalculator calc(host);
    std::uint16_t key = '7';
    calc.Form_KeyPress(key);
    for (int code : {int{'.'}, int{' '}, int{'x'}, 27, int{'/'}, int{'+'}}) {
        std::uint16_t k = static_cast<std::uint16_t>(code);
        calc.Form_KeyPress(k);
        EXPECT_TRUE(calc.EntryTyped());
    }
}

}  // namespace
}  // namespace tickwell
