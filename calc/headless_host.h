// A window-less host: three strings, the focused control, a record of message
// boxes and a queue of Tab keystrokes. Used by tests and benchmarks.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "calculator.h"
#include "host.h"

namespace tickwell {

struct RecordedMsgBox {
    std::string text;
    std::string title;
    int style = 0;
};

class HeadlessHost : public ICalcHost {
public:
    HeadlessHost() : mCalc(*this) {}

    TimeCalculator& Calc() { return mCalc; }

    std::string GetText(Control box) const override;
    void SetText(Control box, const std::string& text) override;
    void SetFocus(Control control) override { mFocus = control; }
    void Press(Control button) override { mCalc.Click(button); }
    int MsgBox(const std::string& text, const std::string& title, int style) override;
    void SendTab() override { ++mQueuedTabs; }

    // Types characters as a keyboard would: the dispatcher first, then the
    // focused box (digits append, backspace deletes), then queued Tabs.
    void Type(const std::string& keys);
    void TypeCode(std::uint16_t code);
    // Moves the focus along the tab order once per queued Tab.
    void ProcessQueuedTabs();

    void SetEntry(const std::string& hours, const std::string& minutes, const std::string& seconds);
    Control Focus() const { return mFocus; }
    int QueuedTabs() const { return mQueuedTabs; }
    const std::vector<RecordedMsgBox>& MsgBoxes() const { return mMsgBoxes; }
    // Answers given to the next message boxes, in order (OK when none is left).
    void QueueAnswer(int answer) { mAnswers.push_back(answer); }

private:
    const std::string& Box(Control box) const;
    std::string& Box(Control box);

    TimeCalculator mCalc;
    std::string mHours, mMinutes, mSeconds;
    Control mFocus = Control::txtHours;
    int mQueuedTabs = 0;
    std::vector<RecordedMsgBox> mMsgBoxes;
    std::deque<int> mAnswers;
};

}  // namespace tickwell
