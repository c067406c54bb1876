// The words the windows show that are not captions of the layout tables:
// the help page's texts, the about box's version, notice and licence lines.
#pragma once

#include <string>

#include "catalogue.h"

namespace tickwell::forms {

constexpr const char* kAppTitle = "Tickwell";

constexpr const char* kHelpText1 =
    N_("Use Tickwell to add and subtract time and to convert time between different measurement "
       "units.");
constexpr const char* kHelpText2 = N_(
    "Enter time in the appropriate boxes.  The Tab key or the / key allows you to move from box "
    "to box.  No need to enter time correctly formatted; i.e., Tickwell automatically recognizes "
    "65 minutes as 1 hour: 5 minutes.  Use the plus and minus buttons to add and subtract "
    "values.  The equals button (or the Enter key) displays the result.  The CE button clears "
    "the current value being entered from the keyboard.  The C button clears all values from "
    "the calculator.");
constexpr const char* kHelpText3 =
    N_("To convert between different measurement units, the MS button converts the displayed value "
       "into minutes and seconds, the S button converts the displayed value into seconds, and "
       "pressing the equals button (or the Enter key) converts the displayed value into hours, "
       "minutes and seconds.");
constexpr const char* kHelpKeyList =
    N_("Keyboard equivalents:\n"
       "+ ..... plus\n"
       "- ...... minus\n"
       "= ..... equals\n"
       "m .... minutes:seconds (MS)\n"
       "s ..... seconds (S)\n"
       "e ..... clear entry (CE)\n"
       "c ..... clear all (C)\n"
       "/ ..... Tab");

// The release, from the build's one version number.
constexpr int kVersionMajor = TICKWELL_VERSION_MAJOR;
constexpr int kVersionMinor = TICKWELL_VERSION_MINOR;
constexpr int kVersionRevision = TICKWELL_VERSION_PATCH;
constexpr const char* kFileVersionText = TICKWELL_VERSION_TEXT;  // "2.00.0004"

constexpr const char* kLicenseText = N_("Licensed under the MIT License.");

// "Version 2.0.4"
std::string VersionText(int major, int minor, int revision);
// Four lines joined by CR LF; the first ends with the year range and maker.
std::string NoticeText(int year);
// The current year by the system clock.
int CurrentYear();

}  // namespace tickwell::forms
