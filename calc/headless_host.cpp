#include "headless_host.h"

#include <stdexcept>

namespace tickwell {

const std::string& HeadlessHost::Box(Control box) const {
    switch (box) {
        case Control::txtHours: return mHours;
        case Control::txtMinutes: return mMinutes;
        case Control::txtSeconds: return mSeconds;
        default: throw std::invalid_argument(std::string("not a text box: ") + ControlName(box));
    }
}

std::string& HeadlessHost::Box(Control box) {
    return const_cast<std::string&>(static_cast<const HeadlessHost&>(*this).Box(box));
}

std::string HeadlessHost::GetText(Control box) const { return Box(box); }

void HeadlessHost::SetText(Control box, const std::string& text) { Box(box) = text; }

int HeadlessHost::MsgBox(const std::string& text, const std::string& title, int style) {
    mMsgBoxes.push_back({text, title, style});
    if (mAnswers.empty()) return msgbox::kAnswerOk;
    const int answer = mAnswers.front();
    mAnswers.pop_front();
    return answer;
}

void HeadlessHost::SetEntry(const std::string& hours, const std::string& minutes,
                            const std::string& seconds) {
    mHours = hours;
    mMinutes = minutes;
    mSeconds = seconds;
}

void HeadlessHost::TypeCode(std::uint16_t code) {
    mCalc.Form_KeyPress(code);
    if (code != 0 && IsEntryBox(mFocus)) {
        std::string& text = Box(mFocus);
        if (code == 8) {
            if (!text.empty()) text.pop_back();
        } else {
            text.push_back(static_cast<char>(code));
        }
    }
    ProcessQueuedTabs();
}

void HeadlessHost::Type(const std::string& keys) {
    for (const char c : keys) TypeCode(static_cast<unsigned char>(c));
}

void HeadlessHost::ProcessQueuedTabs() {
    for (; mQueuedTabs > 0; --mQueuedTabs) {
        switch (mFocus) {
            case Control::txtHours: mFocus = Control::txtMinutes; break;
            case Control::txtMinutes: mFocus = Control::txtSeconds; break;
            default: mFocus = Control::txtHours; break;  // from the last box or a button
        }
    }
}

}  // namespace tickwell
