// What a screen reader is told after a command: the boxes as a person says
// them ("1 hour, 26 minutes, 30 seconds"), since the keys leave the focus
// on a button and a reader speaks text changes only in the focused control.
#pragma once

#include <functional>
#include <string>

#include "calculator.h"
#include "tape.h"

namespace tickwell::forms {

// The three boxes' texts in words, in the user's language: empty boxes and
// zeros are left out (all zeros say the last box's "0 seconds"), a sign
// says "minus" once for the whole, a fraction takes the fraction's form;
// every box empty says "cleared".
std::string SpokenEntry(const std::string& hours, const std::string& minutes,
                        const std::string& seconds);

// Says what the boxes now hold through the host.
void SpeakEntry(ICalcHost& host);

// Runs `command` (which answers false when the user cancelled it), then says
// what the boxes hold; a command that showed an error box says nothing more
// (the box was read, and the clear that follows it speaks for itself).
void Spoken(TimeCalculator& calc, ICalcHost& host, const std::function<bool()>& command);
// A command button's click, spoken so.
void RunCommand(TimeCalculator& calc, ICalcHost& host, Control button);

// Said when the tape window opens: its title and newest line (past a rule).
std::string TapeOpenedText(const Tape& tape);

}  // namespace tickwell::forms
