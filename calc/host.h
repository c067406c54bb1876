// What the calculator needs from its window. The Qt window implements it for
// real; HeadlessHost implements it with plain strings for tests and benchmarks.
#pragma once

#include <string>

namespace tickwell {

// The named controls of the main window that the engine touches, in the
// window's tab order.
enum class Control {
    txtHours,
    txtMinutes,
    txtSeconds,
    cmdPlus,
    cmdMinus,
    cmdEquals,
    cmdMinutes,
    cmdSeconds,
    cmdClearEntry,
    cmdClearAll,
};

const char* ControlName(Control control);
bool IsEntryBox(Control control);

// Message-box style flags and answers, as the platform numbers them.
namespace msgbox {
constexpr int kOkOnly = 0;
constexpr int kYesNo = 4;
constexpr int kCritical = 16;
constexpr int kExclamation = 48;
constexpr int kInformation = 64;
constexpr int kAnswerOk = 1;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;
}  // namespace msgbox

// How a host reports a failure: it throws CalcError with the platform's
// error number and description, which the command's error path shows. Any
// other exception a host lets out is shown as error 51, "Internal error"
// (with the exception's own text where it has one), and out of memory as
// error 7; none of them ever escapes the engine into the window's event loop.
class ICalcHost {
public:
    virtual ~ICalcHost() = default;

    virtual std::string GetText(Control box) const = 0;
    virtual void SetText(Control box, const std::string& text) = 0;
    virtual void SetFocus(Control control) = 0;
    // Runs the button's click handler to its end before returning.
    virtual void Press(Control button) = 0;
    // Modal; returns the answer (msgbox::kAnswer...). An empty title means the
    // application's own title.
    virtual int MsgBox(const std::string& text, const std::string& title, int style) = 0;
    // Queues one Tab keystroke, handled after the current key has been handled.
    virtual void SendTab() = 0;
    // "*": asks for a number to multiply or divide by (a modal box, which
    // runs TimeCalculator::MultiplyDivide). A host without that box does
    // nothing.
    virtual void AskFactor() {}
    // Says `text` to a screen reader, if one listens, without moving the
    // focus. A host without one does nothing.
    virtual void Announce(const std::string& text) { (void)text; }
};

}  // namespace tickwell
