// Rules both windows follow, written once: how a key press is routed before
// the toolkit sees it, the dispatcher's held-back Tab, the Help menu's
// commands, and the help window's one-time unload. Front ends only carry out
// what these say.
#pragma once

#include <cstdint>

#include "calculator.h"
#include "layout.h"
#include "mwindow.h"
#include "tape.h"

namespace tickwell::forms {

// A key press as a front end receives it, before its toolkit acts.
enum class Key {
    Character,  // a key that types `character` (as typed, Shift applied)
    Tab,
    Return,  // either Enter key
    Backspace,
    Delete,
    Editing,  // arrows, Home, End, Page Up/Down, Insert
    Other,    // keys that type nothing (function keys, Escape is a character)
};

struct KeyPress {
    Key key = Key::Character;
    std::uint16_t character = 0;
    // The letter the same key types on the US layout ('a' to 'z'), 0 where
    // the front end cannot tell or the key carries none.
    char latin = 0;
    bool shift = false, ctrl = false, alt = false, meta = false;
    bool inBox = false;  // the focus is in one of the three boxes, not on a button
};

struct KeyRoute {
    enum class Action {
        Dispatch,    // through the dispatcher as `code`; the toolkit acts only if it passes the key
        Native,      // the box's own editing, as on its platform
        Ignore,      // nothing happens
        TabForward,  // the window's own Tab movement
        TabBackward,
    };
    Action action = Action::Ignore;
    std::uint16_t code = 0;
};

// What Windows would deliver: Ctrl+letter is its control character, Alt (or
// the Windows key) with anything types nothing, Ctrl+Enter is 10 and
// Ctrl+Backspace 127; keys that type nothing do nothing on a button; the
// boxes keep their own editing keys (Ctrl+A selects all). A letter of a
// non-Latin script (Cyrillic, Greek, Hebrew, Arabic...) acts as the Latin
// letter its key carries, so the command keys work on every layout; Latin
// layouts type what they type (German "-" on the US "/" key stays minus).
KeyRoute RouteKey(const KeyPress& press);

// The dispatcher's key preview. "/" asks for a Tab; the Tab is held back
// until the dispatcher returns and then moved at once, before the next key,
// so keys typed quickly after "/" (already queued behind it) land in the
// next box.
class KeyPreview {
public:
    explicit KeyPreview(TimeCalculator& calc) : mCalc(calc) {}
    // Runs the dispatcher on `code` (0 when it swallows the key). Returns how
    // many Tabs to move now, before anything else.
    int Dispatch(std::uint16_t& code);
    // From the host's SendTab: true when the Tab waits for Dispatch to return;
    // false when the host moves it now.
    bool HoldTab();

private:
    TimeCalculator& mCalc;
    bool mInPreview = false;
    int mHeldTabs = 0;
};

// The menus' handlers; both main windows implement them.
class IMenuCommands {
public:
    virtual ~IMenuCommands() = default;
    virtual void mnuCopy_Click() = 0;
    virtual void mnuPaste_Click() = 0;
    virtual void mnuTape_Click() = 0;
    virtual void mnuCopyHours_Click() = 0;
    virtual void mnuMultiplyDivide_Click() = 0;
    virtual void mnuTimeBetween_Click() = 0;
    virtual void mnuRound_Click() = 0;
    virtual void mnuUsing_Click() = 0;
    virtual void mnuHelpWebSite_Click() = 0;
    virtual void mnuHelpSharewell_Click() = 0;
    virtual void mnuAbout_Click() = 0;
    virtual void mnuAlwaysOnTop_Click() = 0;
    // The tape window's menu, run by the main window that owns the tape.
    virtual void mnuTapeSaveAs_Click() = 0;
    virtual void mnuKeepTape_Click() = 0;
    virtual void mnuTapeClear_Click() = 0;
    virtual void mnuTapeClose_Click() = 0;
};
void RunMenuCommand(MenuCommand command, IMenuCommands& menu);

// The Time Between box: End - Start - Break from its fields' texts. Start
// and End are clock times; Break is empty, a duration as Paste reads it, or
// a bare number of minutes. False with the one sentence the box shows and
// the field to select (0 Start, 1 End, 2 Break).
struct TimeSpan {
    std::int64_t micros = 0;
    bool nextDay = false;  // the end is before the start
};
bool TimeBetween(const std::string& start, const std::string& end, const std::string& pause,
                 TimeSpan& span, std::string& refusal, int& field);
// The line under the fields as they are typed: the result as it will be
// entered ("Entered: 7:30:00 (next day)"), or "" while they do not read.
std::string TimeBetweenPreview(const std::string& start, const std::string& end,
                               const std::string& pause);
// OK: the result into the boxes as the entry, as Paste puts it there.
bool ApplyTimeBetween(TimeCalculator& calc, const std::string& start, const std::string& end,
                      const std::string& pause, std::string& refusal, int& field);

// The Round box: the minutes typed or chosen (a whole number from 1 to
// 1440) and the option chosen (0 Nearest, 1 Up, 2 Down). OK rounds and
// keeps both as the box's choice for the rest of the run; false with the
// sentence the box shows.
bool ApplyRound(TimeCalculator& calc, const std::string& minutes, int option,
                std::string& refusal);
// What the box shows when it opens: the last choice of this run, else 15
// minutes, Nearest.
std::string RoundMinutesChoice();
int RoundOptionChoice();

// Edit > Copy: text selected in a box is copied as the box itself would
// copy it; otherwise the duration "=" would show now. False when nothing is
// to go on the clipboard (the engine has shown why).
bool EditCopy(TimeCalculator& calc, const std::string& boxSelection, std::string& text);

// The multiply-or-divide box's OK: the field's text multiplies or divides
// the duration "=" would show. False, with the sentence the box shows, for
// a text that is no number or a division by zero; nothing changes then.
bool ApplyFactor(TimeCalculator& calc, const std::string& text, std::string& refusal);

// Edit > Paste: a clipboard text that holds a duration fills the boxes;
// anything else leaves them and says so. (Copy is the engine's CopyDuration.)
void EditPaste(TimeCalculator& calc, ICalcHost& host, const std::string& clipboard);

// How a tape window follows its tape's newest line, appended after a line
// break of `breakUnits` (1 for "\n", 2 for "\r\n"): where the tape let its
// oldest entry go at its cap, the window drops the same whole entry, this
// many UTF-16 units from the start of its text, break included (0 for none).
// Its selection moves back with the text, and a scrolled-back view moves up
// by the lines the entry took, so it shows the same entries.
std::size_t TapeDropUnits(const Tape& tape, std::size_t breakUnits);

// A modeless window's place (the help and tape windows): restored at load,
// saved once at unload however often the window is closed (the close box, a
// minimize, the program's end).
class HelpPlacement {
public:
    explicit HelpPlacement(MWindow& placement) : mPlacement(placement) {}
    // `beside`: on a first opening (no stored place), the window stands just
    // right of that one instead of over it.
    void Form_Load(IPlacedWindow& window, const IPlacedWindow* beside = nullptr);
    // True the first time, when the place was saved.
    bool Form_Unload(IPlacedWindow& window);
    // Saves the place of the open window, which stays open (a session
    // manager asks before a logout the user may still cancel).
    void SavePlace(IPlacedWindow& window);

private:
    MWindow& mPlacement;
    bool mUnloaded = false;
};

}  // namespace tickwell::forms
