#include <gtest/gtest.h>

#include <optional>
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
    std::vector<std::string> calls;
};

std::optional<Control> CommandFor(std::uint16_t code) {
    switch (code) {
        case 'M':
        case 'm': return Control::cmdMinutes;
        case 'S':
        case 's': return Control::cmdSeconds;
        case 'E':
        case 'e': return Control::cmdClearEntry;
        case 'C':
        case 'c': return Control::cmdClearAll;
        case '+': return Control::cmdPlus;
        case '-': return Control::cmdMinus;
        case '=':
        case 13: return Control::cmdEquals;
        default: return std::nullopt;
    }
}

TEST(KeyDispatcher, EveryCharacterCode) {
    for (std::uint32_t code = 0; code <= 0xFFFF; ++code) {
        RecordingHost host;
        TimeCalculator calc(host);
        std::uint16_t key = static_cast<std::uint16_t>(code);
        calc.Form_KeyPress(key);

        const bool passes = code == 8 || (code >= '0' && code <= '9');
        std::vector<std::string> expected;
        if (const auto button = CommandFor(code)) {
            expected = {std::string("focus ") + ControlName(*button),
                        std::string("press ") + ControlName(*button)};
        } else if (code == '/') {
            expected = {"tab"};
        }
        ASSERT_EQ(key, passes ? code : 0u) << "code " << code;
        ASSERT_EQ(host.calls, expected) << "code " << code;
        ASSERT_EQ(calc.EntryTyped(), passes) << "code " << code;
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
