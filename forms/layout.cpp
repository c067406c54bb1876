#include "layout.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "catalogue.h"
#include "texts.h"

namespace tickwell::forms {

namespace {

constexpr FontSpec Sans(double points, bool bold) { return {Face::Sans, points, bold, false}; }

constexpr ControlSpec Label(const char* name, const char* caption, TwipsRect rect, FontSpec font,
                            ColorSpec color, Align align = Align::Left, bool wrap = false,
                            int tabIndex = -1) {
    return {name,  Kind::Label, caption,  rect,  font,    color,
            align, wrap,        tabIndex, false, nullptr, nullptr};
}

constexpr ControlSpec Box(const char* name, int left, int tabIndex, const char* accessible) {
    return {name,         Kind::TextBox, "",           {left, 960, 855, 285},
            kDefaultFont, kInherit,      Align::Right, false,
            tabIndex,     true,          nullptr,      accessible};
}

constexpr ControlSpec Button(const char* name, const char* caption, TwipsRect rect, double points,
                             int tabIndex, const char* accessible, const char* tip = nullptr) {
    return {name,  Kind::Button, caption, rect, Sans(points, true), kInherit, Align::Centre,
            false, tabIndex,     false,   tip,  accessible};
}

// Bottom of the z-order first: the colons lie under the boxes, the title
// under the subtitle.
constexpr ControlSpec kCalcControls[] = {
    Label("lblColon1", ":", {1200, 900, 135, 495}, Sans(13.5, true), kInherit, Align::Left, false,
          9),
    Label("lblColon2", ":", {2160, 900, 135, 495}, Sans(13.5, true), kInherit, Align::Left, false,
          10),
    Label("lblTitle", "Tickwell", {360, 0, 2775, 495}, kTitleFont, kDarkRed, Align::Centre, false,
          11),
    Label("lblDescription", N_("Time Calculator"), {1920, 360, 1215, 255}, kDefaultFont, kInherit,
          Align::Right, false, 16),
    Label("lblHours", N_("Hours"), {555, 1245, 495, 255}, Sans(8.25, true), kBlue, Align::Left,
          false, 3),
    Label("lblMinutes", N_("Minutes"), {1410, 1245, 735, 255}, Sans(8.25, true), kBlue, Align::Left,
          false, 4),
    Label("lblSeconds", N_("Seconds"), {2340, 1245, 735, 255}, Sans(8.25, true), kBlue, Align::Left,
          false, 5),
    Box("txtHours", 360, 0, N_("Hours")),
    Box("txtMinutes", 1320, 1, N_("Minutes")),
    Box("txtSeconds", 2280, 2, N_("Seconds")),
    Button("cmdPlus", "+", {360, 1560, 855, 495}, 13.5, 6, N_("Add")),
    Button("cmdMinus", "-", {1320, 1560, 855, 495}, 18, 7, N_("Subtract")),
    Button("cmdEquals", "=", {2280, 1560, 855, 495}, 13.5, 8, N_("Equals")),
    Button("cmdMinutes", "MS", {360, 2160, 615, 495}, 12, 12, N_("Convert to minutes and seconds"),
           N_("Converts entered time into minutes and seconds")),
    Button("cmdSeconds", "S", {1080, 2160, 615, 495}, 12, 13, N_("Convert to seconds"),
           N_("Converts entered time into seconds")),
    Button("cmdClearEntry", "CE", {1800, 2160, 615, 495}, 12, 14, N_("Clear entry")),
    Button("cmdClearAll", "C", {2520, 2160, 615, 495}, 12, 15, N_("Clear all")),
};

constexpr LineSpec kCalcLines[] = {
    {"Line1", 360, 720, 3120, 720, {ColorKind::WindowText, 0, 0, 0}, 1},
    {"Line2", 360, 2880, 3120, 2880, kBlack, 1},
};

constexpr ControlSpec kHelpElements[] = {
    Label("lblTitle", "Tickwell", {1440, 120, 2775, 495}, kTitleFont, kDarkRed, Align::Centre),
    Label("lblDescription", N_("Time Calculator"), {3000, 480, 1215, 255}, kDefaultFont, kBlack,
          Align::Right),
    Label("Label1", kHelpText1, {240, 1080, 5175, 495}, kDefaultFont, kBlack, Align::Left, true),
    Label("Label2", kHelpText2, {240, 1680, 5175, 1455}, kDefaultFont, kBlack, Align::Left, true),
    Label("Label3", kHelpText3, {240, 3240, 5175, 855}, kDefaultFont, kBlack, Align::Left, true),
    Label("Label4", kHelpKeyList, {2040, 4200, 2175, 1770}, kDefaultFont, kBlack, Align::Left,
          false),
};

constexpr LineSpec kHelpLines[] = {{"Line1", 240, 840, 5400, 840, kBlack, 1}};

constexpr ControlSpec kAboutControls[] = {
    {"cmdOK",
     Kind::Button,
     N_("&OK"),
     {3600, 2100, 1140, 375},
     kDefaultFont,
     kInherit,
     Align::Centre,
     false,
     0,
     true,
     nullptr,
     N_("OK")},
    Label("lblDescription", N_("Copyright notice"), {1050, 960, 3765, 885}, kDefaultFont, kBlack,
          Align::Left, true, 1),
    Label("lblLicense", N_("License"), {255, 2070, 3120, 465}, kDefaultFont, kBlack, Align::Left,
          true, 2),
    Label("lblTitle", "Tickwell", {1050, 225, 3405, 360}, kTitleFont, kDarkRed, Align::Left, false,
          3),
    Label("lblVersion", N_("Version"), {1050, 585, 3405, 225}, kDefaultFont, kInherit, Align::Left,
          true, 4),
    {"imgLogo",
     Kind::Image,
     nullptr,
     {360, 285, 480, 480},
     kDefaultFont,
     kInherit,
     Align::Left,
     false,
     -1,
     false,
     nullptr,
     N_("Tickwell logo")},
};

// An etched rule: grey, with a white line one pixel right and below.
constexpr LineSpec kAboutLines[] = {
    {"Line1(1)", 90, 1905, 4800, 1905, Rgb(128, 128, 128), 1},
    {"Line1(0)", 105, 1920, 4800, 1920, kWhite, 2},
};

constexpr FormSpec kCalcForm{"frmCalc",
                             "Tickwell",
                             3510,
                             3210,
                             {ColorKind::ButtonFace, 0, 0, 0},
                             kCalcControls,
                             std::size(kCalcControls),
                             kCalcLines,
                             std::size(kCalcLines)};
constexpr FormSpec kHelpPage{
    "Form1",    "For editing use only", 5655, 6165, kWhite, kHelpElements, std::size(kHelpElements),
    kHelpLines, std::size(kHelpLines)};
constexpr FormSpec kAboutForm{"frmAbout",
                              N_("About Tickwell"),
                              4935,
                              2655,
                              {ColorKind::ButtonFace, 0, 0, 0},
                              kAboutControls,
                              std::size(kAboutControls),
                              kAboutLines,
                              std::size(kAboutLines)};

constexpr MenuItemSpec kEditMenu[] = {
    {"mnuCopy", N_("&Copy"), MenuCommand::Copy, false, 'C'},
    {"mnuCopyHours", N_("Copy as &Hours"), MenuCommand::CopyHours, false, 'C', true},
    {"mnuPaste", N_("&Paste"), MenuCommand::Paste, false, 'V'},
    {"mnuEditSep1", nullptr, MenuCommand::None, false},
    {"mnuMultiplyDivide", N_("Multiply or &Divide..."), MenuCommand::MultiplyDivide, false, 0,
     false, "*"},
    {"mnuTimeBetween", N_("Time &Between..."), MenuCommand::TimeBetween, false, 'B'},
    {"mnuRound", N_("&Round..."), MenuCommand::Round, false, 'R'},
    {"mnuEditSep2", nullptr, MenuCommand::None, false},
    {"mnuTape", N_("&Tape"), MenuCommand::Tape, false, 'T'},
};

constexpr ControlSpec kMultiplyControls[] = {
    Label("lblFactor", N_("&Number (put / before it to divide):"), {120, 120, 3600, 255},
          kDefaultFont, kInherit, Align::Left, false, 0),
    {"txtFactor",
     Kind::TextBox,
     "",
     {120, 405, 3600, 285},
     kDefaultFont,
     kInherit,
     Align::Left,
     false,
     1,
     true,
     nullptr,
     N_("Number to multiply or divide by")},
    Label("lblProblem", "", {120, 780, 3600, 420}, kDefaultFont, kDarkRed, Align::Left, true, 2),
    {"cmdOK",
     Kind::Button,
     N_("OK"),
     {1320, 1290, 1140, 375},
     kDefaultFont,
     kInherit,
     Align::Centre,
     false,
     3,
     true,
     nullptr,
     N_("OK")},
    {"cmdCancel",
     Kind::Button,
     N_("Cancel"),
     {2580, 1290, 1140, 375},
     kDefaultFont,
     kInherit,
     Align::Centre,
     false,
     4,
     true,
     nullptr,
     N_("Cancel")},
};

constexpr FormSpec kMultiplyForm{"frmMultiply",
                                 N_("Multiply or Divide"),
                                 3840,
                                 1785,
                                 {ColorKind::ButtonFace, 0, 0, 0},
                                 kMultiplyControls,
                                 std::size(kMultiplyControls),
                                 nullptr,
                                 0};

// A field of a box: its label's text, the field and its screen-reader name.
constexpr ControlSpec Field(const char* name, int top, int tab, const char* accessibleName) {
    return {name,         Kind::TextBox, "",          {1560, top, 2160, 285},
            kDefaultFont, kInherit,      Align::Left, false,
            tab,          true,          nullptr,     accessibleName};
}

constexpr ControlSpec kTimeBetweenControls[] = {
    Label("lblStart", N_("&Start:"), {120, 150, 1380, 255}, kDefaultFont, kInherit, Align::Left,
          false, 0),
    Field("txtStart", 120, 1, N_("Start time")),
    Label("lblEnd", N_("&End:"), {120, 540, 1380, 255}, kDefaultFont, kInherit, Align::Left, false,
          2),
    Field("txtEnd", 510, 3, N_("End time")),
    Label("lblBreak", N_("B&reak:"), {120, 930, 1380, 255}, kDefaultFont, kInherit, Align::Left,
          false, 4),
    Field("txtBreak", 900, 5, N_("Break, in minutes or as a duration")),
    Label("lblPreview", "", {120, 1320, 3600, 255}, kDefaultFont, kInherit, Align::Left, false, 6),
    Label("lblProblem", "", {120, 1620, 3600, 420}, kDefaultFont, kDarkRed, Align::Left, true, 7),
    {"cmdOK",
     Kind::Button,
     N_("OK"),
     {1320, 2130, 1140, 375},
     kDefaultFont,
     kInherit,
     Align::Centre,
     false,
     8,
     true,
     nullptr,
     N_("OK")},
    {"cmdCancel",
     Kind::Button,
     N_("Cancel"),
     {2580, 2130, 1140, 375},
     kDefaultFont,
     kInherit,
     Align::Centre,
     false,
     9,
     true,
     nullptr,
     N_("Cancel")},
};

constexpr FormSpec kTimeBetweenForm{"frmTimeBetween",
                                    N_("Time Between"),
                                    3840,
                                    2625,
                                    {ColorKind::ButtonFace, 0, 0, 0},
                                    kTimeBetweenControls,
                                    std::size(kTimeBetweenControls),
                                    nullptr,
                                    0};

constexpr ControlSpec Option(const char* name, const char* caption, int top, int tab) {
    return {name,         Kind::Option, caption,     {1560, top, 2160, 285},
            kDefaultFont, kInherit,     Align::Left, false,
            tab,          true,         nullptr,     nullptr};
}

constexpr ControlSpec kRoundControls[] = {
    Label("lblMinutes", N_("&Minutes:"), {120, 150, 1380, 255}, kDefaultFont, kInherit, Align::Left,
          false, 0),
    {"cboMinutes",
     Kind::Combo,
     "1|5|6|10|15|30|60",
     {1560, 120, 2160, 315},
     kDefaultFont,
     kInherit,
     Align::Left,
     false,
     1,
     true,
     nullptr,
     N_("Minutes to round to")},
    Option("optNearest", N_("&Nearest"), 555, 2),
    Option("optUp", N_("&Up"), 885, 3),
    Option("optDown", N_("&Down"), 1215, 4),
    Label("lblProblem", "", {120, 1590, 3600, 420}, kDefaultFont, kDarkRed, Align::Left, true, 5),
    {"cmdOK",
     Kind::Button,
     N_("OK"),
     {1320, 2130, 1140, 375},
     kDefaultFont,
     kInherit,
     Align::Centre,
     false,
     6,
     true,
     nullptr,
     N_("OK")},
    {"cmdCancel",
     Kind::Button,
     N_("Cancel"),
     {2580, 2130, 1140, 375},
     kDefaultFont,
     kInherit,
     Align::Centre,
     false,
     7,
     true,
     nullptr,
     N_("Cancel")},
};

constexpr FormSpec kRoundForm{"frmRound",
                              N_("Round"),
                              3840,
                              2625,
                              {ColorKind::ButtonFace, 0, 0, 0},
                              kRoundControls,
                              std::size(kRoundControls),
                              nullptr,
                              0};

constexpr MenuItemSpec kHelpMenu[] = {
    {"mnuUsing", N_("&Using Tickwell..."), MenuCommand::Using, true},
    {"mnuHelpSep1", nullptr, MenuCommand::None, false},
    {"mnuHelpWebSite", N_("Brenholt &Web Site..."), MenuCommand::WebSite, false},
    {"mnuHelpSharewell", N_("&Sharewell Project..."), MenuCommand::Sharewell, false},
    {"mnuHelpSep2", nullptr, MenuCommand::None, false},
    {"mnuAbout", N_("&About Tickwell..."), MenuCommand::About, false},
};

}  // namespace

const ControlSpec* FormSpec::Find(const char* controlName) const {
    for (const ControlSpec& c : *this)
        if (std::strcmp(c.name, controlName) == 0) return &c;
    return nullptr;
}

const ControlSpec* NextTabStop(const FormSpec& form, const char* current, bool backward) {
    std::vector<const ControlSpec*> stops;
    for (const ControlSpec& c : form)
        if (c.tabStop && c.tabIndex >= 0) stops.push_back(&c);
    if (stops.empty()) return nullptr;
    std::sort(stops.begin(), stops.end(),
              [](const ControlSpec* a, const ControlSpec* b) { return a->tabIndex < b->tabIndex; });
    const auto n = stops.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (current && std::strcmp(stops[i]->name, current) == 0)
            return stops[backward ? (i + n - 1) % n : (i + 1) % n];
    }
    return backward ? stops.back() : stops.front();
}

TwipsRect TextRoom(const FormSpec& form, const ControlSpec& label) {
    constexpr int kEdge = 120;  // 8 pixels at 96 dpi
    const TwipsRect& r = label.rect;
    int left = kEdge, right = form.clientWidth - kEdge;
    for (const ControlSpec& c : form) {
        if (&c == &label || (c.kind == Kind::Label && c.caption && std::strlen(c.caption) <= 1))
            continue;
        const TwipsRect& o = c.rect;
        const bool sameBand = o.top < r.top + r.height && r.top < o.top + o.height;
        if (!sameBand) continue;
        if (o.left >= r.left + r.width)
            right = std::min(right, o.left);
        else if (o.left + o.width <= r.left)
            left = std::max(left, o.left + o.width);
        // Otherwise it overlaps the label already, as the design has it.
    }
    left = std::min(left, r.left);
    right = std::max(right, r.left + r.width);
    switch (label.align) {
        case Align::Left: return {r.left, r.top, right - r.left, r.height};
        case Align::Right: return {left, r.top, r.left + r.width - left, r.height};
        case Align::Centre: {
            const int grow = std::min(r.left - left, right - (r.left + r.width));
            return {r.left - grow, r.top, r.width + 2 * grow, r.height};
        }
    }
    return r;
}

TwipsRect LabelRoom(const FormSpec& form, const ControlSpec& label, int textWidth) {
    const bool tooWide = label.kind == Kind::Label && !label.wrap && textWidth > label.rect.width;
    return tooWide ? TextRoom(form, label) : label.rect;
}

const FormSpec& CalcForm() { return kCalcForm; }
const FormSpec& HelpPage() { return kHelpPage; }
const FormSpec& AboutForm() { return kAboutForm; }

bool EngineControl(const char* controlName, Control& control) {
    for (int i = 0; i <= static_cast<int>(Control::cmdClearAll); ++i) {
        const auto candidate = static_cast<Control>(i);
        if (std::strcmp(ControlName(candidate), controlName) == 0) {
            control = candidate;
            return true;
        }
    }
    return false;
}

const MenuItemSpec* HelpMenuBegin() { return std::begin(kHelpMenu); }
const MenuItemSpec* HelpMenuEnd() { return std::end(kHelpMenu); }
const FormSpec& MultiplyForm() { return kMultiplyForm; }
const FormSpec& TimeBetweenForm() { return kTimeBetweenForm; }
const FormSpec& RoundForm() { return kRoundForm; }

std::string MenuShortcutText(const MenuItemSpec& item) {
    if (item.f1) return "F1";
    // TRANSLATORS: the names of the Control and Shift keys in menus'
    // shortcuts, as the desktop writes them ("Strg", "Umschalt").
    static const char* const kCtrl = N_("Ctrl");
    static const char* const kShift = N_("Shift");
    if (item.ctrl)
        return std::string(Tr(kCtrl)) + "+" + (item.shift ? std::string(Tr(kShift)) + "+" : "") +
               item.ctrl;
    return item.key ? item.key : "";
}
const MenuItemSpec* EditMenuBegin() { return std::begin(kEditMenu); }
const MenuItemSpec* EditMenuEnd() { return std::end(kEditMenu); }

constexpr MenuItemSpec kViewMenu[] = {
    {"mnuAlwaysOnTop", N_("Always on &Top"), MenuCommand::AlwaysOnTop, false, 'T', true, nullptr,
     true},
};
const MenuItemSpec* ViewMenuBegin() { return std::begin(kViewMenu); }
const MenuItemSpec* ViewMenuEnd() { return std::end(kViewMenu); }

constexpr MenuItemSpec kTapeMenu[] = {
    {"mnuTapeSaveAs", N_("Save &As..."), MenuCommand::SaveTapeAs, false, 'S'},
    {"mnuKeepTape", N_("&Keep Between Runs"), MenuCommand::KeepTape, false, 0, false, nullptr,
     true},
    {"mnuTapeSep1", nullptr, MenuCommand::None, false},
    {"mnuTapeClear", N_("C&lear"), MenuCommand::ClearTape, false},
    {"mnuTapeClose", N_("&Close"), MenuCommand::CloseTape, false},
};
const MenuItemSpec* TapeMenuBegin() { return std::begin(kTapeMenu); }
const MenuItemSpec* TapeMenuEnd() { return std::end(kTapeMenu); }

}  // namespace tickwell::forms
