// The three windows as data: every control, caption, place (in twips), font,
// colour and tab order, and the Help menu. Each front end only renders these
// tables, so a layout rule lives in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue.h"
#include "host.h"

namespace tickwell::forms {

constexpr int kTwipsPerInch = 1440;
constexpr int kTwipsPerPixel = 15;  // at 96 dots per inch, the design's scale

// Twips to pixels at a screen's dots per inch (96 at 100 %). Truncates, as
// the design's pixel sizes do at 96 dpi.
constexpr int TwipsToPixels(int twips, int dpi = 96) { return twips * dpi / kTwipsPerInch; }

struct TwipsRect {
    int left, top, width, height;
};

// "MS Sans Serif" and "Arial Black"; front ends add their nearest stand-ins.
enum class Face { Sans, Title };
struct FontSpec {
    Face face;
    double points;
    bool bold;
    bool italic;
};
constexpr FontSpec kDefaultFont{Face::Sans, 8.25, false, false};
constexpr FontSpec kTitleFont{Face::Title, 14.25, false, true};

// A fixed colour, or one of the system's, or none (inherit the window's).
enum class ColorKind { Inherit, Rgb, WindowText, ButtonText, ButtonFace, Menu };
struct ColorSpec {
    ColorKind kind;
    std::uint8_t r, g, b;
};
constexpr ColorSpec kInherit{ColorKind::Inherit, 0, 0, 0};
constexpr ColorSpec Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return {ColorKind::Rgb, r, g, b};
}
constexpr ColorSpec kBlack = Rgb(0, 0, 0);
constexpr ColorSpec kWhite = Rgb(255, 255, 255);
constexpr ColorSpec kDarkRed = Rgb(192, 0, 0);
constexpr ColorSpec kBlue = Rgb(0, 0, 255);

// Combo: a text field with choices offered below it (its caption lists them,
// apart by "|"); Option: one of a group of option buttons.
enum class Kind { TextBox, Label, Button, Image, Combo, Option };
enum class Align { Left, Centre, Right };

struct ControlSpec {
    const char* name;
    Kind kind;
    const char* caption;
    TwipsRect rect;
    FontSpec font;
    ColorSpec color;
    Align align;
    bool wrap;                   // labels: word-wrap within the box
    int tabIndex;                // -1: none
    bool tabStop;                // reached with Tab
    const char* toolTip;         // null: none
    const char* accessibleName;  // what a screen reader says
};

struct LineSpec {
    const char* name;
    int x1, y1, x2, y2;  // twips
    ColorSpec color;
    int widthPx;  // pen width in pixels at 96 dpi
};

// Controls stand in creation order, bottom of the z-order first.
struct FormSpec {
    const char* name;
    const char* caption;
    int clientWidth, clientHeight;  // twips
    ColorSpec background;
    const ControlSpec* controls;
    std::size_t controlCount;
    const LineSpec* lines;
    std::size_t lineCount;

    const ControlSpec* begin() const { return controls; }
    const ControlSpec* end() const { return controls + controlCount; }
    const ControlSpec* Find(const char* controlName) const;
};

// The room a one-line label's text may take when a translation is wider
// than the label: its row widened, keeping its alignment's anchor, up to the
// nearest control beside it (a one-character label, such as the colons
// between the boxes, is taller than the sign it draws and does not count;
// nor do controls it lies over by design) or to 8 pixels from the form's
// edge. A text that fits its own row keeps it.
TwipsRect TextRoom(const FormSpec& form, const ControlSpec& label);
// Where a label's text goes, the text being `textWidth` twips wide in its
// font: its own row, or the room above when it is one line and too wide.
// Each front end measures; the rule is this one.
TwipsRect LabelRoom(const FormSpec& form, const ControlSpec& label, int textWidth);

const FormSpec& CalcForm();   // frmCalc
const FormSpec& HelpPage();   // the picture frmHelp shows (its elements as labels and a rule)
const FormSpec& AboutForm();  // frmAbout

// The help window around its page: one pixel column of menu colour shows.
constexpr int kHelpClientWidth = 5670;
constexpr int kHelpClientHeight = 6165;
constexpr const char* kHelpName = "frmHelp";
constexpr const char* kHelpCaption = N_("Tickwell Help");

// Where Tab (or Shift+Tab when `backward`) moves from the named control, by
// tab index among the tab stops, wrapping round; from a control that is not
// a tab stop (a button) it goes to the first stop, or the last going back.
const ControlSpec* NextTabStop(const FormSpec& form, const char* current, bool backward);

// The engine's control behind a main-window control name; false for labels.
bool EngineControl(const char* controlName, Control& control);

enum class MenuCommand {
    None,
    Using,
    WebSite,
    Sharewell,
    About,
    Copy,
    Paste,
    Tape,
    CopyHours,
    MultiplyDivide,
    TimeBetween,
    Round,
    AlwaysOnTop,
    SaveTapeAs,
    KeepTape,
    ClearTape,
    CloseTape
};
struct MenuItemSpec {
    const char* name;
    const char* caption;  // null: a separator
    MenuCommand command;
    bool f1;                    // F1 is its shortcut
    char ctrl = 0;              // Ctrl with this letter is its shortcut
    bool shift = false;         // ... with Shift too
    const char* key = nullptr;  // a plain key that does the same, shown beside it
    bool check = false;         // a check item, on or off
};
// The shortcut a menu shows beside an item ("F1", "Ctrl+Shift+C", "*"), the
// modifier keys named in the user's language ("Strg+Umschalt+C") as the
// desktop names them; "" for none.
std::string MenuShortcutText(const MenuItemSpec& item);
constexpr const char* kHelpMenuName = "mnuHelp";
constexpr const char* kHelpMenuCaption = N_("&Help");
const MenuItemSpec* HelpMenuBegin();
const MenuItemSpec* HelpMenuEnd();
// The Edit menu, left of Help: Copy, Copy as Hours, Paste, Multiply or
// Divide, and the tape window.
constexpr const char* kEditMenuName = "mnuEdit";
constexpr const char* kEditMenuCaption = N_("&Edit");
const MenuItemSpec* EditMenuBegin();
const MenuItemSpec* EditMenuEnd();
// The main window's View menu: Always on Top.
constexpr const char* kViewMenuName = "mnuView";
constexpr const char* kViewMenuCaption = N_("&View");
const MenuItemSpec* ViewMenuBegin();
const MenuItemSpec* ViewMenuEnd();
// Where a window cannot be kept above others (Wayland), the item is
// disabled with this tip.
constexpr const char* kAlwaysOnTopUnavailable =
    N_("This desktop does not let a program keep its windows above others.");
// The tape window's one menu.
constexpr const char* kTapeMenuName = "mnuTapeWindow";
constexpr const char* kTapeMenuCaption = N_("&Tape");
const MenuItemSpec* TapeMenuBegin();
const MenuItemSpec* TapeMenuEnd();

// The tape window.
constexpr const char* kTapeName = "frmTape";
constexpr const char* kTapeCaption = N_("Tickwell Tape");
constexpr int kTapeClientWidth = 3600;
constexpr int kTapeClientHeight = 4320;
constexpr const char* kNoDurationText = N_("The clipboard holds no duration.");
// Windows only: another program keeps the clipboard open.
constexpr const char* kClipboardBusyText =
    N_("Another program is using the clipboard. Try again in a moment.");

// The multiply-or-divide box ("*"): one number field, OK and Cancel, and a
// line that says why a text was refused.
const FormSpec& MultiplyForm();
constexpr const char* kFactorNotANumber =
    N_("Type a number to multiply by, or a number with \"/\" before it to divide by (/4).");
// A number that reads as a whole number or as a fraction ("1,500" where the
// locale's decimal mark is neither "." nor ","); {number} is the number.
constexpr const char* kTwoWaysText =
    N_("The number {number} could be read two ways. Write it without a separator if it is a "
       "whole number.");
// A pasted list: the first cell that is no duration, by its line and text.
constexpr const char* kListBadCellText = N_("Line {line} is not a duration: {text}");
constexpr const char* kListTooLargeText =
    N_("The clipboard holds more than 10,000 durations or 1 MiB of text. Nothing was pasted.");
// The Time Between box (Ctrl+B): Start, End and Break fields, the result as
// it will be entered, a line that says why a text was refused, OK, Cancel.
const FormSpec& TimeBetweenForm();
// {duration}: the result, as "7:30:00"; the day after when the end is before the start.
constexpr const char* kBetweenResultText = N_("Entered: {duration}");
constexpr const char* kBetweenNextDayText = N_("Entered: {duration} (next day)");
// {text}: what the field holds.
constexpr const char* kNotAClockTimeText =
    N_("{text} is not a clock time, such as 9:00 or 5:30 pm.");
constexpr const char* kBreakNotDurationText = N_("The break {text} is not a duration.");
constexpr const char* kBreakTooLongText =
    N_("The break is longer than the time between start and end.");
// The Round box (Ctrl+R): the minutes to round to, offered and typed, and
// Nearest, Up or Down.
const FormSpec& RoundForm();
constexpr const char* kRoundMinutesRefused =
    N_("Type a whole number of minutes from 1 to 1440.");
constexpr const char* kFactorZero = N_("A duration cannot be divided by zero.");

}  // namespace tickwell::forms
